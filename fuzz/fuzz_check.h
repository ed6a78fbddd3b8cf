#pragma once
// What the fuzz targets share: CHECK, which stops the fuzzer with the line of
// the rule that failed, and a calendar of their own to check dates against
// (independent of the code under test).

#include <cstdio>

namespace tessivo::fuzz {

[[noreturn]] inline void Fail(int line, const char* what) {
  std::fprintf(stderr, "check failed at line %d: %s\n", line, what);
  __builtin_trap();
}

inline bool IsLeap(int year) { return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0; }

inline int DaysIn(int year, int month) {
  static constexpr int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  return kDays[month - 1] + (month == 2 && IsLeap(year) ? 1 : 0);
}

}  // namespace tessivo::fuzz

#define CHECK(condition) ((condition) ? void() : ::tessivo::fuzz::Fail(__LINE__, #condition))
