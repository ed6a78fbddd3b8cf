// Listing a folder of 50,000 files: PosixFileSystem::List against the bare
// system calls it is built on (getdents64 + one statx per entry), and the
// same floor with the one user.DOSATTRIB query per entry that attributes cost
// on file systems with user extended attributes.
//
// The folder is made once under $TMPDIR (default /tmp) and removed at exit.

#include <benchmark/benchmark.h>
#include <dirent.h>
#include <fcntl.h>
#include <ftw.h>
#include <sys/stat.h>
#include <sys/xattr.h>
#include <unistd.h>

#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "platform/file_name_bytes.h"
#include "platform/posix_file_system.h"

namespace {

constexpr int kFiles = 50000;
constexpr unsigned kMask = STATX_TYPE | STATX_MODE | STATX_SIZE | STATX_MTIME | STATX_BTIME;

std::string g_root;

int RemoveOne(const char* path, const struct stat*, int, struct FTW*) { return ::remove(path); }

void RemoveRoot() {
  if (!g_root.empty()) ::nftw(g_root.c_str(), RemoveOne, 16, FTW_DEPTH | FTW_PHYS);
}

// A folder with `kFiles` files of a few bytes; every tenth carries a Samba
// attribute word when `with_words`.
const std::string& Folder(bool with_words) {
  static std::string folders[2];
  std::string& folder = folders[with_words ? 1 : 0];
  if (!folder.empty()) return folder;
  if (g_root.empty()) {
    const char* tmp = std::getenv("TMPDIR");
    std::string pattern = std::string(tmp && *tmp == '/' ? tmp : "/tmp") + "/tessivo-bench-XXXXXX";
    std::vector<char> buf(pattern.begin(), pattern.end());
    buf.push_back('\0');
    if (!::mkdtemp(buf.data())) std::abort();
    g_root = buf.data();
    std::atexit(RemoveRoot);
  }
  folder = g_root + (with_words ? "/words" : "/plain");
  ::mkdir(folder.c_str(), 0755);
  for (int i = 0; i < kFiles; ++i) {
    std::string path = folder + "/file_" + std::to_string(i) + ".dat";
    int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    if (fd < 0) std::abort();
    if (::write(fd, "data", 4) != 4) std::abort();
    ::close(fd);
    if (with_words && i % 10 == 0) ::setxattr(path.c_str(), "user.DOSATTRIB", "0x22", 5, 0);
  }
  return folder;
}

void BM_List(benchmark::State& state) {
  const std::u16string folder = tessivo::Utf8ToUtf16(Folder(state.range(0) != 0));
  tessivo::PosixFileSystem fs;
  for (auto _ : state) {
    auto list = fs.List(folder);
    if (!list || list->size() != kFiles) state.SkipWithError("List failed");
    benchmark::DoNotOptimize(list);
  }
  state.SetItemsProcessed(state.iterations() * kFiles);
}
BENCHMARK(BM_List)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

// The floor: what `find -printf '%s %T@ %p'` does, one getdents64 stream and
// one stat call per entry, plus the conversion of each name.
void Floor(benchmark::State& state, bool with_xattr) {
  const std::string& folder = Folder(state.range(0) != 0);
  std::vector<char> buffer(64 * 1024);
  for (auto _ : state) {
    int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    std::uint64_t total = 0;
    std::string full = folder + "/";
    const std::size_t base = full.size();
    ssize_t n;
    while ((n = ::getdents64(fd, buffer.data(), buffer.size())) > 0) {
      for (ssize_t off = 0; off < n;) {
        auto* d = reinterpret_cast<struct dirent64*>(buffer.data() + off);
        off += d->d_reclen;
        if (d->d_name[0] == '.') continue;
        struct statx stx;
        ::statx(fd, d->d_name, AT_SYMLINK_NOFOLLOW, kMask, &stx);
        total += stx.stx_size;
        std::u16string name = tessivo::Utf8ToUtf16(d->d_name);
        benchmark::DoNotOptimize(name);
        if (with_xattr) {
          full.resize(base);
          full += d->d_name;
          char word[64];
          benchmark::DoNotOptimize(::lgetxattr(full.c_str(), "user.DOSATTRIB", word, sizeof word));
        }
      }
    }
    ::close(fd);
    benchmark::DoNotOptimize(total);
  }
  state.SetItemsProcessed(state.iterations() * kFiles);
}

void BM_FloorReaddirStatx(benchmark::State& state) { Floor(state, false); }
BENCHMARK(BM_FloorReaddirStatx)->Arg(0)->Unit(benchmark::kMillisecond);

void BM_FloorReaddirStatxXattr(benchmark::State& state) { Floor(state, true); }
BENCHMARK(BM_FloorReaddirStatxXattr)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

// Name conversion alone, for 50,000 typical names.
void BM_Utf8ToUtf16Names(benchmark::State& state) {
  std::vector<std::string> names;
  for (int i = 0; i < kFiles; ++i) {
    names.push_back(i % 2 ? "file_" + std::to_string(i) + ".dat"
                          : "\xE5\x86\x99\xE7\x9C\x9F_" + std::to_string(i) + ".jpg");
  }
  for (auto _ : state) {
    for (const auto& n : names) benchmark::DoNotOptimize(tessivo::Utf8ToUtf16(n));
  }
  state.SetItemsProcessed(state.iterations() * kFiles);
}
BENCHMARK(BM_Utf8ToUtf16Names);

}  // namespace
