#include "modes/capture_time.h"

#include <array>
#include <climits>
#include <cstring>
#include <utility>
#include <vector>

namespace tessivo {
namespace {

bool EndsWithIgnoringCase(std::u16string_view text, std::u16string_view lower_suffix) {
  if (text.size() < lower_suffix.size()) return false;
  text.remove_prefix(text.size() - lower_suffix.size());
  for (std::size_t i = 0; i < text.size(); ++i) {
    char16_t c = text[i];
    if (c >= u'A' && c <= u'Z') c = static_cast<char16_t>(c - u'A' + u'a');
    if (c != lower_suffix[i]) return false;
  }
  return true;
}

std::uint32_t ByteAt(const std::string& bytes, std::size_t i) {
  return static_cast<unsigned char>(bytes[i]);
}

std::uint16_t Read16(const std::string& bytes, std::size_t i, bool big_endian) {
  const std::uint32_t a = ByteAt(bytes, i);
  const std::uint32_t b = ByteAt(bytes, i + 1);
  return static_cast<std::uint16_t>(big_endian ? (a << 8) | b : (b << 8) | a);
}

std::uint32_t Read32(const std::string& bytes, std::size_t i, bool big_endian) {
  const std::uint32_t high = Read16(bytes, big_endian ? i : i + 2, big_endian);
  const std::uint32_t low = Read16(bytes, big_endian ? i + 2 : i, big_endian);
  return (high << 16) | low;
}

// ---- EXIF ----

// The windows of the three attempts. Each attempt looks at the first
// window - 1 bytes of the file, followed by zeros up to the window's size.
constexpr std::array<std::size_t, 3> kExifWindows = {4096, 8192, 65535};
constexpr std::size_t kExifMarkerPositions = 128;
constexpr char kExifMarker[] = {'E', 'x', 'i', 'f', '\0', '\0'};
constexpr char kTiffBigEndian[] = {'M', 'M', '\0', '\x2A'};
constexpr char kTiffLittleEndian[] = {'I', 'I', '\x2A', '\0'};
constexpr std::size_t kExifEntryBytes = 12;
constexpr std::uint16_t kExifTypeAscii = 2;
constexpr std::uint32_t kExifDateCount = 20;
constexpr std::uint16_t kTagDateTimeOriginal = 0x9003;
constexpr std::uint16_t kTagDateTimeDigitized = 0x9004;

// The date string as stored: "YYYY:MM:DD hh:mm:ss" and a terminating zero.
using ExifDateString = std::array<char, kExifDateCount>;

// The value of the digits at the start of text[start, start + length).
std::uint16_t LeadingDigits(const ExifDateString& text, std::size_t start, std::size_t length) {
  std::uint32_t value = 0;
  for (std::size_t i = start; i < start + length; ++i) {
    if (text[i] < '0' || text[i] > '9') break;
    value = value * 10 + static_cast<std::uint32_t>(text[i] - '0');
  }
  return static_cast<std::uint16_t>(value);
}

bool InRange(char c, char low, char high) { return c >= low && c <= high; }

std::optional<CalendarTime> ParseExifDate(const ExifDateString& text) {
  const std::size_t length = strnlen(text.data(), text.size());
  if (length != 19) return std::nullopt;
  if (!InRange(text[0], '1', '2') || !InRange(text[5], '0', '1') || !InRange(text[8], '0', '3') ||
      !InRange(text[11], '0', '2') || !InRange(text[14], '0', '5')) {
    return std::nullopt;
  }
  CalendarTime time;
  time.year = LeadingDigits(text, 0, 4);
  time.month = LeadingDigits(text, 5, 2);
  time.day = LeadingDigits(text, 8, 2);
  time.hour = LeadingDigits(text, 11, 2);
  time.minute = LeadingDigits(text, 14, 2);
  time.second = LeadingDigits(text, 17, 2);
  return time;
}

// Where the TIFF header begins and its byte order, from the first window.
struct TiffHeader {
  std::size_t start = 0;
  bool big_endian = false;
};

std::optional<TiffHeader> FindTiffHeader(const std::string& window) {
  for (std::size_t i = 0; i < kExifMarkerPositions; ++i) {
    if (std::memcmp(window.data() + i, kExifMarker, sizeof kExifMarker) != 0) continue;
    const std::size_t start = i + sizeof kExifMarker;
    if (std::memcmp(window.data() + start, kTiffBigEndian, sizeof kTiffBigEndian) == 0) {
      return TiffHeader{start, true};
    }
    if (std::memcmp(window.data() + start, kTiffLittleEndian, sizeof kTiffLittleEndian) == 0) {
      return TiffHeader{start, false};
    }
    return std::nullopt;
  }
  return std::nullopt;
}

// Scans one window (`read` bytes of the file, then zeros up to its size) for
// the date entries, copying each usable string into `date`. Returns true when
// a DateTimeOriginal string was taken, which ends the search.
bool ScanExifWindow(const std::string& window, std::size_t read, const TiffHeader& tiff,
                    ExifDateString& date) {
  for (std::size_t p = tiff.start; p + kExifEntryBytes <= read; p += 2) {
    const std::uint16_t tag = Read16(window, p, tiff.big_endian);
    if (tag != kTagDateTimeOriginal && tag != kTagDateTimeDigitized) continue;
    if (Read16(window, p + 2, tiff.big_endian) != kExifTypeAscii) continue;
    if (Read32(window, p + 4, tiff.big_endian) != kExifDateCount) continue;
    const std::uint64_t string_start =
        static_cast<std::uint64_t>(tiff.start) + Read32(window, p + 8, tiff.big_endian);
    if (string_start + kExifDateCount > window.size()) {
      // Past this window: the next, larger window may hold it.
      if (tag == kTagDateTimeOriginal) return false;
      continue;
    }
    std::memcpy(date.data(), window.data() + string_start, kExifDateCount);
    if (tag == kTagDateTimeOriginal) return true;
  }
  return false;
}

// ---- QuickTime ----

// Seconds from 1904-01-01 to 1972-01-01; header times at or before it are
// not taken.
constexpr std::uint32_t kQuickTime1972 = 2145916800u;
constexpr std::uint32_t kFourYearSeconds = 126230400u;  // 1461 days
constexpr std::uint32_t kLeapYearSeconds = 31622400u;   // 366 days
constexpr std::uint32_t kYearSeconds = 31536000u;       // 365 days
constexpr int kMaxTimeZoneHours = 23;
constexpr std::size_t kMovieMatchSpan = 33;  // bytes a match needs from its start
constexpr int kMaxLinkHops = 8;

struct MovieWindow {
  bool from_end;
  std::size_t bytes;
};
constexpr std::array<MovieWindow, 4> kMovieWindows = {
    {{true, 16383}, {false, 16383}, {true, 65534}, {false, 65534}}};

bool IsMovieHeaderAt(const std::string& bytes, std::size_t i) {
  return bytes.compare(i, 4, "moov") == 0 && bytes[i + 4] == '\0' && bytes[i + 5] == '\0' &&
         bytes.compare(i + 8, 4, "mvhd") == 0;
}

// The size of the file `path` names, following symbolic links (a few hops).
std::optional<std::uint64_t> FileSizeOf(FileSystem& fs, std::u16string path) {
  for (int hop = 0; hop <= kMaxLinkHops; ++hop) {
    auto info = fs.Stat(path);
    if (!info) return std::nullopt;
    if (!info->is_symlink) {
      if (info->is_directory) return std::nullopt;
      return info->size;
    }
    auto target = fs.ReadLink(path);
    if (!target || target->empty()) return std::nullopt;
    if (target->front() == u'/') {
      path = std::move(*target);
    } else {
      path = path.substr(0, path.rfind(u'/') + 1) + *target;
    }
  }
  return std::nullopt;
}

}  // namespace

int TimeZoneHours(std::u16string_view setting_text) {
  std::size_t i = 0;
  while (i < setting_text.size() &&
         (setting_text[i] == u' ' || (setting_text[i] >= u'\t' && setting_text[i] <= u'\r'))) {
    ++i;
  }
  bool negative = false;
  if (i < setting_text.size() && (setting_text[i] == u'+' || setting_text[i] == u'-')) {
    negative = setting_text[i] == u'-';
    ++i;
  }
  std::int64_t value = 0;
  for (; i < setting_text.size() && setting_text[i] >= u'0' && setting_text[i] <= u'9'; ++i) {
    value = value * 10 + (setting_text[i] - u'0');
    if (value > INT_MAX) {
      value = static_cast<std::int64_t>(INT_MAX) + 1;
    }
  }
  if (negative) value = -value;
  if (value > INT_MAX) return INT_MAX;
  if (value < INT_MIN) return INT_MIN;
  return static_cast<int>(value);
}

std::optional<CalendarTime> ReadExifCaptureTime(FileSystem& fs, const std::u16string& path) {
  if (!EndsWithIgnoringCase(path, u".jpg") && !EndsWithIgnoringCase(path, u".jpeg")) {
    return std::nullopt;
  }
  std::string window;       // the file's first bytes, then zeros up to the window size
  std::size_t read = 0;     // how many of them came from the file
  bool whole_file = false;  // a read came back short: nothing more to read
  std::optional<TiffHeader> tiff;
  ExifDateString date{};
  for (std::size_t attempt = 0; attempt < kExifWindows.size(); ++attempt) {
    const std::size_t size = kExifWindows[attempt];
    if (!whole_file) {
      // Each window extends the last one, so only the new bytes are read.
      const std::size_t wanted = size - 1 - read;
      auto more = fs.ReadRange(path, read, wanted);
      if (!more) return std::nullopt;
      window.resize(read);
      window += *more;
      read = window.size();
      whole_file = more->size() < wanted;
    }
    window.resize(size, '\0');
    if (attempt == 0) {
      if (ByteAt(window, 0) != 0xFF || ByteAt(window, 1) != 0xD8) return std::nullopt;
      tiff = FindTiffHeader(window);
      if (!tiff) return std::nullopt;
    }
    if (ScanExifWindow(window, read, *tiff, date)) break;
  }
  return ParseExifDate(date);
}

std::optional<CalendarTime> QuickTimeSecondsToCalendar(std::uint32_t seconds) {
  if (seconds <= kQuickTime1972) return std::nullopt;
  std::uint32_t t = seconds - kQuickTime1972;
  CalendarTime time;
  time.year = 1972;
  time.month = 1;
  time.day = 1;
  while (t > kFourYearSeconds) {
    t -= kFourYearSeconds;
    time.year = static_cast<std::uint16_t>(time.year + 4);
  }
  if (t > kLeapYearSeconds) {
    t -= kLeapYearSeconds;
    ++time.year;
  }
  while (t > kYearSeconds) {
    t -= kYearSeconds;
    ++time.year;
  }
  if (!AddToDateTime(time, 0, t)) return std::nullopt;
  return time;
}

std::optional<CalendarTime> ReadQuickTimeCaptureTime(FileSystem& fs, const std::u16string& path,
                                                     int timezone_hours) {
  if (!EndsWithIgnoringCase(path, u".mov") && !EndsWithIgnoringCase(path, u".qt")) {
    return std::nullopt;
  }
  const std::optional<std::uint64_t> file_size = FileSizeOf(fs, path);
  if (!file_size) return std::nullopt;
  std::uint32_t shift = 0;
  if (timezone_hours >= -kMaxTimeZoneHours && timezone_hours <= kMaxTimeZoneHours) {
    shift = static_cast<std::uint32_t>(timezone_hours * 3600);
  }

  std::vector<std::pair<std::uint64_t, std::size_t>> scanned;  // offset, bytes
  for (const MovieWindow& w : kMovieWindows) {
    const std::size_t bytes = *file_size < w.bytes ? static_cast<std::size_t>(*file_size) : w.bytes;
    const std::uint64_t offset = w.from_end ? *file_size - bytes : 0;
    // A window that covers exactly what an earlier one did holds no match.
    bool seen = false;
    for (const auto& s : scanned) seen = seen || (s.first == offset && s.second == bytes);
    if (seen) continue;
    scanned.emplace_back(offset, bytes);

    auto data = fs.ReadRange(path, offset, bytes);
    if (!data) return std::nullopt;
    if (data->size() < kMovieMatchSpan) continue;
    for (std::size_t i = 0; i + kMovieMatchSpan <= data->size(); ++i) {
      if (!IsMovieHeaderAt(*data, i)) continue;
      const std::uint32_t seconds = Read32(*data, i + 16, true) + shift;
      if (auto time = QuickTimeSecondsToCalendar(seconds)) return time;
    }
  }
  return std::nullopt;
}

std::optional<CalendarTime> ReadCaptureTime(FileSystem& fs, const std::u16string& path,
                                            int timezone_hours) {
  if (auto time = ReadExifCaptureTime(fs, path)) return time;
  return ReadQuickTimeCaptureTime(fs, path, timezone_hours);
}

}  // namespace tessivo
