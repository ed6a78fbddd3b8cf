#pragma once
// File times as the rename logs and settings keep them: 100-nanosecond ticks
// since 1601-01-01 UTC (a Windows FILETIME), and their conversion to and from
// Unix time. The one place that knows the two epochs.

#include <cstdint>

namespace tessivo {

using FileTime = std::int64_t;

inline constexpr std::int64_t kFileTimeTicksPerSecond = 10'000'000;
// Seconds between 1601-01-01 and 1970-01-01.
inline constexpr std::int64_t kFileTimeUnixEpochSeconds = 11644473600LL;

constexpr FileTime FileTimeFromUnix(std::int64_t seconds, std::uint32_t nanoseconds) {
  return (seconds + kFileTimeUnixEpochSeconds) * kFileTimeTicksPerSecond + nanoseconds / 100;
}

// The whole Unix seconds of `time`, rounded down (also before 1970 and 1601).
constexpr std::int64_t UnixSecondsOf(FileTime time) {
  std::int64_t ticks = time / kFileTimeTicksPerSecond;
  if (time % kFileTimeTicksPerSecond < 0) --ticks;
  return ticks - kFileTimeUnixEpochSeconds;
}

// The nanoseconds of `time` past UnixSecondsOf(time), 0 to 999,999,900.
constexpr long NanosecondsOf(FileTime time) {
  std::int64_t rem = time % kFileTimeTicksPerSecond;
  if (rem < 0) rem += kFileTimeTicksPerSecond;
  return static_cast<long>(rem * 100);
}

}  // namespace tessivo
