#include "exec/validate.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/file_name_bytes.h"
#include "support/fake_file_system.h"

namespace tessivo {
namespace {

constexpr int kNameModes[] = {1, 2, 3, 5, 7, 8, 9, 10, 11, 12, 19};  // all but 4 and 6
constexpr int kAllModes[] = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 19};

int Code(FileStatus s) { return static_cast<int>(s); }

// A folder "/d/" holding a.txt, b.txt, a dangling link "dangling" and a
// subfolder "sub"; rows are made on demand.
class ValidateTest : public ::testing::Test {
 protected:
  void SetUp() override {
    fs_.AddFile(u"/d/a.txt");
    fs_.AddFile(u"/d/b.txt");
    fs_.AddSymlink(u"/d/dangling", u"/d/nowhere");
    fs_.AddFolder(u"/d/sub");
    fs_.forbid_changes_ = true;
  }

  int Row(const std::u16string& old_name, const std::u16string& new_name,
          FileStatus status = FileStatus::kUnchecked, const std::u16string& folder = u"/d/") {
    list_.AddRow(old_name, u"", folder, new_name, u"", u"", list_.Count(), status);
    return list_.Count() - 1;
  }

  int Validate(const std::u16string& old_name, const std::u16string& new_name, int mode,
               const std::u16string& folder = u"/d/") {
    return Code(ValidateRow(list_, Row(old_name, new_name, FileStatus::kUnchecked, folder), mode,
                            true, fs_));
  }

  FakeFileSystem fs_;
  FileList list_;
};

struct NameCase {
  const char16_t* old_name;
  const char16_t* new_name;
  std::vector<int> modes;
  int expected;
};

TEST_F(ValidateTest, NameChecksInTheirOrder) {
  const std::vector<int> name_modes(std::begin(kNameModes), std::end(kNameModes));
  const std::vector<int> all(std::begin(kAllModes), std::end(kAllModes));
  const NameCase cases[] = {
      {u"a.txt", u"c.txt", all, 7},
      // Only the letter case differs: no change, except in the case mode.
      {u"a.txt", u"A.txt", name_modes, 6},
      {u"a.txt", u"A.txt", {4, 13, 14}, 7},  // the metadata modes do not compare names
      {u"a.txt", u"A.txt", {6}, 6},
      {u"a.txt", u"a.txt", {1, 4, 6}, 6},
      {u"a.txt", u"", {1, 4, 13, 14}, 2},
      {u"a.txt", u".c", {1, 4}, 5},
      {u"a.txt", u".c:d", {1, 4}, 2},  // an invalid character beats the leading dot
      {u"a.txt", u".c\\d", {1}, 4},
      {u"a.txt", u"c\\d", {1, 4}, 4},
      {u"a.txt", u"c,d", {1, 4}, 5},
      {u"a.txt", u"c/d", {1, 4}, 2},
      {u"a.txt", u"c,d|e", {1}, 2},  // the list order decides, not the position
      {u"a.txt", u"c?d", {1}, 2},
      // The metadata cells are descriptions: only '*' and emptiness count.
      {u"a.txt", u"<作成：2020/01/01 00:00:00, 更新：>", {13, 14}, 7},
      {u"a.txt", u"c*d", all, 2},
      {u"a.txt", u"<読：Y*>", {13, 14}, 2},
      // Existing targets, a dangling link and a folder included.
      {u"a.txt", u"b.txt", name_modes, 3},
      {u"a.txt", u"dangling", {1}, 3},
      {u"a.txt", u"sub", {1}, 3},
      {u"a.txt", u"b.txt", {4, 6, 13, 14}, 7},
      {u"a.txt", u"b.txt*", {1}, 2},
  };
  // Case-blind comparison beyond ASCII.
  fs_.AddFile(u"/d/\u00e4\u03c9.txt");
  for (const NameCase& c : cases) {
    for (int mode : c.modes) {
      EXPECT_EQ(Validate(c.old_name, c.new_name, mode), c.expected)
          << Utf16ToUtf8(c.old_name) << " -> " << Utf16ToUtf8(c.new_name) << " mode " << mode;
    }
  }
  EXPECT_EQ(Validate(u"\u00e4\u03c9.txt", u"\u00c4\u03a9.TXT", 1), 6);
  EXPECT_EQ(Validate(u"\u00e4\u03c9.txt", u"\u00c4\u03a9.TXT", 4), 7);
  EXPECT_TRUE(fs_.renamed_.empty());
}

TEST_F(ValidateTest, MissingSourceOverridesEverything) {
  fs_.AddFile(u"/d/gone.txt");
  for (const std::u16string name : {u"b.txt", u"", u"c*d", u"gone.txt"}) {
    for (int mode : kAllModes) {
      EXPECT_EQ(Validate(u"missing.txt", name, mode), 10) << Utf16ToUtf8(name) << " mode " << mode;
    }
  }
  EXPECT_EQ(Validate(u"missing.txt", std::u16string(300, u'x'), 1), 10);
  // A look-up that fails for any reason counts as missing.
  fs_.FailPath(FakeFileSystem::Op::kStat, u"/d/a.txt", ErrorCode::kIo);
  EXPECT_EQ(Validate(u"a.txt", u"c.txt", 1), 10);
  fs_.ClearFailures();
  // A failing look-up of the target only means the target is not there.
  fs_.FailPath(FakeFileSystem::Op::kStat, u"/d/b.txt", ErrorCode::kIo);
  EXPECT_EQ(Validate(u"a.txt", u"b.txt", 1), 7);
  fs_.ClearFailures();
  // An old name that is empty names no file, even though its folder exists.
  EXPECT_EQ(Validate(u"", u"c.txt", 1), 10);
}

TEST_F(ValidateTest, PathLengthLimits) {
  // "/d/" is 3 code units: 252 more make 255, which passes; 253 make 256.
  const std::u16string too_long(253, u'n');
  EXPECT_EQ(Validate(u"a.txt", too_long.substr(1), 1), 7);
  EXPECT_EQ(Validate(u"a.txt", too_long, 1), 1);
  EXPECT_EQ(Validate(u"a.txt", too_long + u"*", 1), 2);
  EXPECT_EQ(Validate(u"a.txt", too_long, 13), 7);

  // A source path the program cannot address counts as missing.
  const std::u16string folder = u"/" + std::u16string(250, u'f') + u"/";
  fs_.AddFile(folder + u"abcdefg");   // 259 code units
  fs_.AddFile(folder + u"abcdefgh");  // 260
  EXPECT_EQ(Validate(u"abcdefg", u"z", 1, folder), 7);
  EXPECT_EQ(Validate(u"abcdefgh", u"z", 1, folder), 10);
}

TEST_F(ValidateTest, ExcludedRowsAndStoring) {
  const int excluded = Row(u"missing.txt", u"c*d", FileStatus::kExcluded);
  EXPECT_EQ(ValidateRow(list_, excluded, 1, true, fs_), FileStatus::kExcluded);
  EXPECT_EQ(list_.GetFileStatus(excluded), FileStatus::kExcluded);
  EXPECT_EQ(fs_.Calls(FakeFileSystem::Op::kStat), 0);

  const int row = Row(u"a.txt", u"b.txt", FileStatus::kChanged);
  EXPECT_EQ(ValidateRow(list_, row, 1, false, fs_), FileStatus::kTargetExists);
  EXPECT_EQ(list_.GetFileStatus(row), FileStatus::kChanged);
  ValidateRow(list_, row, 1, true, fs_);
  EXPECT_EQ(list_.GetFileStatus(row), FileStatus::kTargetExists);

  EXPECT_EQ(ValidateRow(list_, list_.Count(), 1, true, fs_), FileStatus::kSourceMissing);
}

TEST(EqualIgnoringCaseTest, SimpleMappingPerCodeUnitWithinTheLimit) {
  struct Case {
    std::u16string a, b;
    std::size_t limit;
    bool equal;
  } cases[] = {
      {u"abc", u"ABC", 260, true},
      {u"abc", u"ABCD", 260, false},
      {u"\u00e9\u0101", u"\u00c9\u0100", 260, true},  // Latin-1 and Latin Extended-A
      {u"\u0131", u"I", 260, true},                   // dotless i upper-cases to I
      {u"abcX", u"ABCy", 3, true},
      {std::u16string(260, u'a') + u"x", std::u16string(260, u'A') + u"y", 260, true},
      {u"\xd800", u"\xd800", 260, true},  // lone surrogates compare as themselves
  };
  for (const Case& c : cases) {
    EXPECT_EQ(EqualIgnoringCase(c.a, c.b, c.limit), c.equal)
        << Utf16ToUtf8(c.a) << " vs " << Utf16ToUtf8(c.b) << " limit " << c.limit;
  }
}

}  // namespace
}  // namespace tessivo
