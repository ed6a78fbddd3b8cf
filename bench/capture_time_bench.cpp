// The date mode's preview over a folder of 5,000 photos on disk, warm cache:
// every row's times are looked up and, for the capture sources, its EXIF
// date is read, through PosixFileSystem as the program does. Target: well
// under one second per preview.
//
// The photos are generated under $TMPDIR (default /tmp) and removed at exit:
// 9,000-byte JPEG files with a JFIF and an EXIF segment; every tenth keeps
// its date past the first 4 KiB (as behind a large maker note), so it costs
// a second read. A tenth of the capture-or-creation rows are PNG files
// without a capture date.

#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <ftw.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "modes/date_name.h"
#include "platform/file_name_bytes.h"
#include "platform/posix_file_system.h"

namespace tessivo {
namespace {

constexpr int kPhotos = 5000;
constexpr std::size_t kPhotoBytes = 9000;

std::string g_root;

int RemoveOne(const char* path, const struct stat*, int, struct FTW*) { return ::remove(path); }
void RemoveRoot() {
  if (!g_root.empty()) ::nftw(g_root.c_str(), RemoveOne, 16, FTW_DEPTH | FTW_PHYS);
}

std::string Be(std::uint32_t v, int bytes) {
  std::string out;
  for (int i = bytes - 1; i >= 0; --i) out += static_cast<char>((v >> (8 * i)) & 0xFF);
  return out;
}

// A photo whose DateTimeOriginal string lies `date_offset` bytes after the
// TIFF header (big-endian).
std::string Photo(int n, std::uint32_t date_offset) {
  std::string file =
      std::string("\xFF\xD8\xFF\xE0\x00\x10JFIF\x00\x01\x01\x00\x00\x01\x00\x01\x00\x00", 20);
  file += std::string("\xFF\xE1\xFF\xF0", 4) + std::string("Exif\0\0", 6);
  const std::size_t tiff = file.size();
  file += "MM" + Be(42, 2) + Be(8, 4);
  file += Be(1, 2) + Be(0x8769, 2) + Be(4, 2) + Be(1, 4) + Be(26, 4) + Be(0, 4);
  file += Be(2, 2) + Be(0x9004, 2) + Be(2, 2) + Be(20, 4) + Be(60, 4);
  file += Be(0x9003, 2) + Be(2, 2) + Be(20, 4) + Be(date_offset, 4) + Be(0, 4);
  char date[20];
  std::snprintf(date, sizeof date, "2014:%02d:%02d %02d:%02d:%02d", 1 + n % 12, 1 + n % 28, n % 24,
                n % 60, (n / 60) % 60);
  file.resize(kPhotoBytes, '\x55');
  file.replace(tiff + 60, 20, std::string(date, 20));
  file.replace(tiff + date_offset, 20, std::string(date, 20));
  return file;
}

void WriteFile(const std::string& path, const std::string& bytes) {
  const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
  if (fd < 0 || ::write(fd, bytes.data(), bytes.size()) != static_cast<ssize_t>(bytes.size())) {
    std::abort();
  }
  ::close(fd);
}

// The rows of the folder, made once: "IMG_00042.jpg", and with `with_png`
// every tenth as "IMG_00042.png" (no EXIF).
const std::vector<std::u16string>& Rows(bool with_png) {
  static std::vector<std::u16string> rows[2];
  std::vector<std::u16string>& list = rows[with_png ? 1 : 0];
  if (!list.empty()) return list;
  if (g_root.empty()) {
    const char* tmp = std::getenv("TMPDIR");
    std::string pattern =
        std::string(tmp && *tmp == '/' ? tmp : "/tmp") + "/tessivo-capture-bench-XXXXXX";
    std::vector<char> buf(pattern.begin(), pattern.end());
    buf.push_back('\0');
    if (!::mkdtemp(buf.data())) std::abort();
    g_root = buf.data();
    std::atexit(RemoveRoot);
  }
  const std::string folder = g_root + (with_png ? "/mixed" : "/photos");
  if (::mkdir(folder.c_str(), 0755) != 0) std::abort();
  for (int i = 0; i < kPhotos; ++i) {
    const std::string number = std::to_string(100000 + i).substr(1);
    const bool png = with_png && i % 10 == 0;
    const std::string path = folder + "/IMG_" + number + (png ? ".png" : ".jpg");
    WriteFile(path, png ? std::string(kPhotoBytes, 'p') : Photo(i, i % 10 == 5 ? 6000 : 400));
    list.push_back(Utf8ToUtf16(path));
  }
  return list;
}

void RunPreview(benchmark::State& state, int source, bool with_png) {
  const std::vector<std::u16string>& rows = Rows(with_png);
  PosixFileSystem fs;
  SystemTimeZone zone;
  DateParams params;
  params.source = source;
  params.format_index = 0;
  params.separator = u"-";
  // A first pass brings every file into the page cache.
  for (const std::u16string& row : rows) TransformDate(fs, zone, row, row, params);
  std::size_t renamed = 0;
  for (auto _ : state) {
    renamed = 0;
    for (const std::u16string& row : rows) {
      const std::u16string name = TransformDate(fs, zone, row, row, params);
      renamed += name != row;
      benchmark::DoNotOptimize(name);
    }
  }
  state.counters["renamed"] = static_cast<double>(renamed);
  state.SetItemsProcessed(state.iterations() * static_cast<std::int64_t>(rows.size()));
}

void BM_CaptureDate5000Photos(benchmark::State& state) { RunPreview(state, kDateFromCapture, false); }
void BM_CaptureOrCreation5000Mixed(benchmark::State& state) {
  RunPreview(state, kDateFromCaptureOrCreation, true);
}
void BM_CreationDate5000Photos(benchmark::State& state) { RunPreview(state, kDateFromCreation, false); }

BENCHMARK(BM_CaptureDate5000Photos)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_CaptureOrCreation5000Mixed)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_CreationDate5000Photos)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace tessivo
