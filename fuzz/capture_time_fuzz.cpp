// libFuzzer target: the EXIF and QuickTime capture-date readers, on a file
// of an in-memory file system.
//
// The input gives the time zone hours, a run of zero bytes to put in at a
// chosen place (so the readers' larger windows and the end of long movies
// are reached), and the file. The same file is read as "x.jpg" and as
// "x.mov", the movie also through a symbolic link. Must hold:
// - no crash, no read outside a buffer, no undefined behaviour;
// - a photo costs at most three reads, a movie at most four;
// - an EXIF time has the shape its string allows (leading digits of a year
//   1xxx-2xxx, month below 20, day below 40, hour below 30, minute below 60),
//   a movie time is a real date-time from 1972 on; milliseconds and weekday
//   are 0; reading through the link gives what reading the file gives;
// - QuickTimeSecondsToCalendar gives a real date-time for any count of
//   seconds after 1972, later for a later count.

#include <fuzzer/FuzzedDataProvider.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>

#include "fuzz_check.h"
#include "modes/capture_time.h"
#include "support/fake_file_system.h"

namespace tessivo {
namespace {

void CheckRealTime(const CalendarTime& t) {
  CHECK(t.year >= 1972 && t.year <= 2110);
  CHECK(t.month >= 1 && t.month <= 12);
  const int days = fuzz::DaysIn(t.year, t.month);
  CHECK(t.day >= 1 && t.day <= days);
  CHECK(t.hour < 24 && t.minute < 60 && t.second < 60);
  CHECK(t.millisecond == 0 && t.day_of_week == 0);
}

bool Later(const CalendarTime& a, const CalendarTime& b) {
  auto key = [](const CalendarTime& t) {
    return ((((t.year * 13LL + t.month) * 32 + t.day) * 24 + t.hour) * 60 + t.minute) * 60 +
           t.second;
  };
  return key(a) > key(b);
}

}  // namespace
}  // namespace tessivo

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace tessivo;
  FuzzedDataProvider input(data, size);
  const int timezone_hours = input.ConsumeIntegralInRange<int>(-30, 30);
  const std::size_t zeros = input.ConsumeIntegralInRange<std::size_t>(0, 3) * 40000 +
                            input.ConsumeIntegralInRange<std::size_t>(0, 255);
  const std::size_t zeros_at = input.ConsumeIntegral<std::uint16_t>();
  const std::uint32_t seconds = input.ConsumeIntegral<std::uint32_t>();
  std::string bytes = input.ConsumeRemainingBytesAsString();
  bytes.insert(zeros_at < bytes.size() ? zeros_at : bytes.size(), zeros, '\0');

  FakeFileSystem fs;
  fs.AddFile(u"/m/x.jpg", bytes);
  fs.AddFile(u"/m/x.mov", bytes);
  fs.AddSymlink(u"/m/link.QT", u"x.mov");

  const int reads_before_photo = fs.Calls(FakeFileSystem::Op::kReadRange);
  if (auto photo = ReadExifCaptureTime(fs, u"/m/x.jpg")) {
    CHECK(photo->year >= 1 && photo->year <= 2999);
    CHECK(photo->month < 20 && photo->day < 40 && photo->hour < 30 && photo->minute < 60);
    CHECK(photo->second < 100 && photo->millisecond == 0 && photo->day_of_week == 0);
  }
  const int reads_before_movie = fs.Calls(FakeFileSystem::Op::kReadRange);
  CHECK(reads_before_movie - reads_before_photo <= 3);
  const auto movie = ReadQuickTimeCaptureTime(fs, u"/m/x.mov", timezone_hours);
  CHECK(fs.Calls(FakeFileSystem::Op::kReadRange) - reads_before_movie <= 4);
  if (movie) CheckRealTime(*movie);
  CHECK(ReadQuickTimeCaptureTime(fs, u"/m/link.QT", timezone_hours) == movie);

  if (auto time = QuickTimeSecondsToCalendar(seconds)) {
    CheckRealTime(*time);
    if (auto later = QuickTimeSecondsToCalendar(seconds + 1); later && seconds + 1 > seconds) {
      CHECK(Later(*later, *time));
    }
  }
  return 0;
}
