// libFuzzer target: the rename log reader and the start-up repair, on an
// in-memory file system (tests/support/fake_file_system.h).
//
// The input gives slot 1 and slot 0 of the program folder, optionally after
// some kilobytes of ordinary lines (so the repair's 64 KiB tail and the 64 KiB
// reading pieces are crossed), and decides the disk the repair looks at: the
// Nth Stat of a path outside the program folder finds a file there when bit N
// of a mask is set (the file is made on the spot, with content of its own),
// and one call of a file-system operation may be made to fail. Must hold:
// - no crash, no read outside a buffer, no undefined behaviour;
// - the repair loses and duplicates no file: every file made exists once
//   afterwards, under some name;
// - without an injected failure: the repaired log is the old one up to its
//   last or second-to-last line feed, plus at most one replacement line; it
//   is in slot 1 (slot 0 gone, the old slot 1 in slot 2) exactly when it is
//   not empty; a second repair finds nothing to do;
// - the two readers agree: LoadLogRows (pieces from the disk) gives the rows
//   ParseLogRows gives for the same bytes, for slot 0 before the repair and
//   for every slot after it.

#include <fuzzer/FuzzedDataProvider.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <map>
#include <string>
#include <vector>

#include "fuzz_check.h"
#include "exec/rename_log.h"
#include "support/fake_file_system.h"

namespace tessivo {
namespace {

constexpr char16_t kProgramFolder[] = u"/home/.tessivo";

bool InProgramFolder(const std::u16string& normalized) {
  const std::u16string folder = kProgramFolder;
  return normalized == folder ||
         (normalized.size() > folder.size() && normalized.compare(0, folder.size(), folder) == 0 &&
          normalized[folder.size()] == u'/');
}

// A fake whose Stat makes a file appear where the input says so.
class ChosenDisk : public FakeFileSystem {
 public:
  explicit ChosenDisk(std::uint32_t stat_mask) : stat_mask_(stat_mask) {}

  Result<FileInfo> Stat(const std::u16string& path) override {
    const int call = stat_calls_++;
    if (call < 32 && ((stat_mask_ >> call) & 1) != 0) Materialize(path);
    return FakeFileSystem::Stat(path);
  }

  // Content of each file made, by the path it was made at.
  std::map<std::u16string, std::string> made_;

 private:
  void Materialize(const std::u16string& path) {
    const std::u16string normalized = NormalizeFakePath(path);
    if (normalized.empty() || normalized == u"/" || InProgramFolder(normalized)) return;
    // Every folder above must be a folder or missing, the place itself free.
    for (std::size_t slash = normalized.find(u'/', 1); slash != std::u16string::npos;
         slash = normalized.find(u'/', slash + 1)) {
      const Node* node = Find(normalized.substr(0, slash));
      if (node == nullptr) break;
      if (node->kind != Node::Kind::kFolder) return;
    }
    if (Find(normalized) != nullptr) return;
    std::string content = "file " + std::to_string(made_.size());
    AddFile(normalized, content);
    made_.emplace(normalized, std::move(content));
  }

  std::uint32_t stat_mask_;
  int stat_calls_ = 0;
};

bool SameRows(const std::vector<UndoRow>& a, const std::vector<UndoRow>& b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    if (a[i].old_name != b[i].old_name || a[i].extension != b[i].extension ||
        a[i].folder != b[i].folder || a[i].new_name != b[i].new_name || a[i].status != b[i].status) {
      return false;
    }
  }
  return true;
}

void CheckReadersAgree(FakeFileSystem& fs, int slot) {
  const std::optional<std::string> bytes = fs.Content(LogSlotPath(kProgramFolder, slot));
  auto loaded = LoadLogRows(fs, kProgramFolder, slot);
  if (!bytes) {
    CHECK(!loaded);
    return;
  }
  CHECK(loaded.has_value());
  CHECK(SameRows(*loaded, ParseLogRows(*bytes)));
}

constexpr FakeFileSystem::Op kFaultOps[] = {
    FakeFileSystem::Op::kStat,      FakeFileSystem::Op::kRenameNoReplace,
    FakeFileSystem::Op::kReadOwnFile, FakeFileSystem::Op::kRemoveFile,
    FakeFileSystem::Op::kOpenAppend, FakeFileSystem::Op::kAppend,
    FakeFileSystem::Op::kTruncate,  FakeFileSystem::Op::kSync,
};

}  // namespace
}  // namespace tessivo

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace tessivo;
  FuzzedDataProvider input(data, size);
  const std::uint32_t stat_mask = input.ConsumeIntegral<std::uint32_t>();
  const int fault = input.ConsumeIntegralInRange<int>(0, 2 * std::size(kFaultOps));
  const int fault_call = input.ConsumeIntegralInRange<int>(1, 4);
  const int padding_choice = input.ConsumeIntegralInRange<int>(0, 7);  // padding is slow: 1 in 4
  const int padding_kib = padding_choice < 6 ? 0 : (padding_choice - 5) * 40;
  const std::string slot1 = input.ConsumeRandomLengthString(8192);
  std::string slot0;
  if (padding_kib > 0) {
    // Few long lines: the readers' cost goes by the line.
    const std::string filler =
        FormatNormalLine(u"/d/" + std::u16string(1200, u'a'), u"/d/" + std::u16string(1200, u'b'));
    while (slot0.size() < static_cast<std::size_t>(padding_kib) * 1024) slot0 += filler;
  }
  slot0 += input.ConsumeRemainingBytesAsString();

  ChosenDisk fs(stat_mask);
  fs.AddFolder(kProgramFolder);
  fs.AddFile(LogSlotPath(kProgramFolder, 0), slot0);
  if (!slot1.empty()) fs.AddFile(LogSlotPath(kProgramFolder, 1), slot1);

  CheckReadersAgree(fs, 0);
  CheckReadersAgree(fs, 1);

  const bool injected = fault < static_cast<int>(std::size(kFaultOps));
  if (injected) fs.FailNthCall(kFaultOps[fault], fault_call, ErrorCode::kIo);
  auto report = RepairInterruptedLog(fs, kProgramFolder);
  fs.ClearFailures();

  // No file lost or doubled, whatever failed.
  std::map<std::string, int> seen;
  for (const std::u16string& path : fs.AllPaths()) {
    if (auto content = fs.Content(path)) ++seen[*content];
  }
  for (const auto& [path, content] : fs.made_) CHECK(seen[content] == 1);

  for (int slot = 0; slot <= kOldestLogSlot; ++slot) CheckReadersAgree(fs, slot);
  if (injected) return 0;

  CHECK(report.has_value());
  const std::optional<std::string> now0 = fs.Content(LogSlotPath(kProgramFolder, 0));
  const std::optional<std::string> now1 = fs.Content(LogSlotPath(kProgramFolder, 1));
  if (slot0.empty()) {
    CHECK(!report->found && !now0);
    return 0;
  }
  CHECK(report->found && !report->rewrite_failed);
  CHECK(!now0);
  const std::string repaired = now1 && report->rotated ? *now1 : std::string();
  CHECK(report->rotated == !repaired.empty());
  if (report->rotated && !slot1.empty()) {
    CHECK(fs.Content(LogSlotPath(kProgramFolder, 2)) == slot1);
  }
  CHECK(repaired.empty() || repaired.back() == '\n');

  const std::size_t last_lf = slot0.rfind('\n');
  const std::size_t whole = last_lf == std::string::npos ? 0 : last_lf + 1;
  const std::size_t previous =
      last_lf == std::string::npos || last_lf == 0 ? std::string::npos : slot0.rfind('\n', last_lf - 1);
  const std::size_t kept_at_least = previous == std::string::npos ? 0 : previous + 1;
  CHECK(repaired.size() >= kept_at_least);
  CHECK(repaired.compare(0, kept_at_least, slot0, 0, kept_at_least) == 0);
  const std::string_view rest = std::string_view(repaired).substr(kept_at_least);
  const std::string_view last = std::string_view(slot0).substr(kept_at_least, whole - kept_at_least);
  switch (report->last_line) {
    case LogRepairReport::LastLine::kRecordedTemp:
      CHECK(!rest.empty() && rest != last && rest.back() == '\n');
      break;
    case LogRepairReport::LastLine::kDropped:
    case LogRepairReport::LastLine::kMovedBack:
      CHECK(rest.empty());
      break;
    default:
      CHECK(rest == last);
  }

  auto again = RepairInterruptedLog(fs, kProgramFolder);
  CHECK(again.has_value() && !again->found);
  return 0;
}
