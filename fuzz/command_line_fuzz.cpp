// libFuzzer target: the command-line parser.
//
// The input gives the `autoaddopt` setting and the arguments (split at line
// feeds; a byte of 0x80 or more stands for a non-ASCII character, 0xFF for a
// lone surrogate). Must hold:
// - no crash, no read outside a buffer, no undefined behaviour;
// - the same arguments give the same CommandLine;
// - every value lies in its range: a run code of a macro slot or one of the
//   four runs, an undo number 1-9 exactly with the undo run, the choices,
//   depth, sort code, times and texts within their limits;
// - the paths are arguments given, in their order; a diagnostic names an
//   argument that exists;
// - the switch readers called alone keep to the same limits.

#include <fuzzer/FuzzedDataProvider.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "fuzz_check.h"
#include "app/command_line.h"

namespace tessivo {
namespace {

std::u16string Widen(const std::string& bytes) {
  std::u16string out;
  for (unsigned char b : bytes) {
    out.push_back(b == 0xFF ? u'\xD800' : b < 0x80 ? char16_t{b} : static_cast<char16_t>(0x3000 + b));
  }
  return out;
}

void CheckRealTime(const CalendarTime& t) {
  CHECK(t.year >= 1900 && t.year <= 2999 && t.month >= 1 && t.month <= 12);
  CHECK(t.day >= 1 && t.day <= fuzz::DaysIn(t.year, t.month));
  CHECK(t.hour < 24 && t.minute < 60 && t.second < 60 && t.millisecond == 0);
}

void CheckTimestamps(const TimestampOverrides& t) {
  CHECK(t.which_time >= 0 && t.which_time <= 4 && t.filter >= 0 && t.filter <= 2);
  CHECK(t.seconds_per_file >= 0 && t.seconds_per_file <= 604800);
}

bool IsSortCode(int code) {
  for (int c : {0, 1, 10, 11, 20, 21, 40, 41, 50, 51}) {
    if (code == c) return true;
  }
  return false;
}

bool SameLine(const CommandLine& a, const CommandLine& b) {
  if (a.diagnostics.size() != b.diagnostics.size()) return false;
  for (std::size_t i = 0; i < a.diagnostics.size(); ++i) {
    if (a.diagnostics[i].index != b.diagnostics[i].index ||
        a.diagnostics[i].message != b.diagnostics[i].message) {
      return false;
    }
  }
  return a.flags == b.flags && a.test_mode == b.test_mode && a.show_given == b.show_given &&
         a.macro_file == b.macro_file && a.undo_number == b.undo_number &&
         a.file_folder == b.file_folder && a.dropped_folder == b.dropped_folder &&
         a.depth == b.depth && a.sort_code == b.sort_code && a.filter_text == b.filter_text &&
         a.attributes == b.attributes && a.timestamps == b.timestamps && a.replace == b.replace &&
         a.paths == b.paths && a.help_requested == b.help_requested &&
         a.version_requested == b.version_requested;
}

}  // namespace
}  // namespace tessivo

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace tessivo;
  FuzzedDataProvider input(data, size);
  const std::u16string autoaddopt = Widen(input.ConsumeRandomLengthString(512));
  const std::string rest = input.ConsumeRemainingBytesAsString();
  std::vector<std::u16string> args{u"tessivo"};
  for (std::size_t start = 0; start <= rest.size();) {
    std::size_t end = rest.find('\n', start);
    if (end == std::string::npos) end = rest.size();
    args.push_back(Widen(rest.substr(start, end - start)));
    start = end + 1;
  }

  const CalendarTime now{2024, 5, 5, 17, 13, 45, 30, 0};
  const CommandLine line = ParseCommandLine(args, autoaddopt, now);
  CHECK(SameLine(line, ParseCommandLine(args, autoaddopt, now)));

  const int run = line.run_code();
  CHECK((run >= 0 && run <= 25) || (run >= kRunAttributes && run <= kRunUndo));
  CHECK(run == kRunUndo ? line.undo_number >= 1 && line.undo_number <= 9 : line.undo_number == 0);
  CHECK(line.file_folder >= -1 && line.file_folder <= 1);
  CHECK(line.dropped_folder >= -1 && line.dropped_folder <= 1);
  CHECK(line.depth >= -1 && line.depth <= 10);
  CHECK(line.sort_code == -1 || IsSortCode(line.sort_code));
  CHECK(line.macro_file.size() <= kMaxMacroPathLength);
  CHECK(line.replace.search.size() <= kMaxReplaceTextLength);
  CHECK(line.replace.replacement.size() <= kMaxReplaceTextLength);
  CHECK(!line.filter_text || line.filter_text->size() < kFilterArgumentLimit);
  CheckTimestamps(line.timestamps);
  if (run == kRunTimestamps && line.timestamps.which_time <= 2) {
    CheckRealTime(line.timestamps.target);
  }

  std::size_t next = 1;
  for (const std::u16string& path : line.paths) {
    while (next < args.size() && args[next] != path) ++next;
    CHECK(next < args.size());
    ++next;
  }
  for (const CommandLineDiagnostic& d : line.diagnostics) {
    CHECK(d.index >= 0 && static_cast<std::size_t>(d.index) < args.size());
    CHECK(!d.message.empty());
  }

  for (const std::u16string& arg : args) {
    if (auto t = ParseTimestampSwitch(arg, now)) {
      CheckTimestamps(*t);
      if (t->which_time <= 2) CheckRealTime(t->target);
    }
    if (auto filter = FilterTextOf(arg)) CHECK(arg.ends_with(*filter) || arg.ends_with(*filter + u"\""));
    if (auto sort = SortCodeOf(arg)) CHECK(IsSortCode(*sort));
    if (auto e = ParseReplacementExpression(arg)) {
      CHECK(e->search.size() + e->replacement.size() + 4 <= arg.size());
    }
    if (auto as_switch = LongOptionToSwitch(arg)) CHECK(!as_switch->empty() && as_switch->front() == u'/');
  }
  return 0;
}
