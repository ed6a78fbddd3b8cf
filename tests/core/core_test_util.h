#pragma once
// Helpers shared by the core tests: a StatusSink that records the codes it
// is given, a time zone set for the length of a test, and short ways to add
// and read FileList rows.

#include <cstdint>
#include <cstdlib>
#include <ctime>
#include <optional>
#include <string>
#include <vector>

#include "core/file_list.h"
#include "core/status_sink.h"
#include "platform/file_name_bytes.h"

namespace tessivo {

// Records every code set; the current one is the last (kIdle before any).
class RecordingStatus : public StatusSink {
 public:
  void SetStatus(int code) override { codes.push_back(code); }
  int CurrentStatus() const override { return codes.empty() ? status_code::kIdle : codes.back(); }
  std::vector<int> codes;
};

// Sets TZ while it lives, then puts the former value back.
class ScopedTimeZone {
 public:
  explicit ScopedTimeZone(const char* zone) {
    if (const char* tz = std::getenv("TZ")) saved_ = tz;
    Set(zone);
  }
  ~ScopedTimeZone() {
    if (saved_) Set(saved_->c_str());
    if (!saved_) ::unsetenv("TZ");
    ::tzset();
  }
  static void Set(const char* zone) {
    ::setenv("TZ", zone, 1);
    ::tzset();
  }

 private:
  std::optional<std::string> saved_;
};

inline FileTime FromUnix(std::int64_t seconds) {
  return (seconds + kFileTimeUnixEpochSeconds) * 10'000'000;
}

// Appends a row with only names and folder.
inline void AddName(FileList& list, std::u16string_view name, std::u16string_view folder = u"/d/",
                    std::u16string_view new_name = {}) {
  list.AddRow(name, u"", folder, new_name, u"", u"", list.Count());
}

// One cell of every row, in list order, as UTF-8 for readable failures.
inline std::vector<std::string> Column(const FileList& list, Cell cell = Cell::kName) {
  std::vector<std::string> out;
  for (int i = 0; i < list.Count(); ++i) out.push_back(Utf16ToUtf8(list.GetCell(i, cell)));
  return out;
}

}  // namespace tessivo
