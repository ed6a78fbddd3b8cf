#include "exec/validate.h"

#include <gtest/gtest.h>

#include <string>
#include <tuple>
#include <vector>

#include "platform/file_name_bytes.h"
#include "support/fake_file_system.h"

namespace tessivo {
namespace {

using Op = FakeFileSystem::Op;

const std::vector<int> kNameModes = {1, 2, 3, 5, 7, 8, 9, 10, 11, 12, 19};  // all but 4 and 6
const std::vector<int> kAllModes = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 19};

// A folder "/d/" holding a.txt, b.txt, äω.txt, IMG.jpg, img.jpg, a dangling
// link "dangling" and a subfolder "sub"; "/w/" ignores letter case and holds
// a.txt, b.txt and äω.txt. Rows are made on demand.
class ValidateTest : public ::testing::Test {
 protected:
  void SetUp() override {
    fs_.SetNameRules(u"/w", NameRules{true, 255});
    for (const char16_t* name : {u"a.txt", u"b.txt", u"\u00e4\u03c9.txt"}) {
      fs_.AddFile(u"/d/" + std::u16string(name));
      fs_.AddFile(u"/w/" + std::u16string(name));
    }
    fs_.AddFile(u"/d/IMG.jpg");
    fs_.AddFile(u"/d/img.jpg");
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
    const int row = Row(old_name, new_name, FileStatus::kUnchecked, folder);
    return static_cast<int>(ValidateRow(list_, row, mode, true, fs_));
  }

  FakeFileSystem fs_;
  FileList list_;
};

TEST_F(ValidateTest, ChecksInTheirOrder) {
  const std::u16string n252(252, u'n'), n253(253, u'n');  // with "/d/": 255 and 256 units
  const std::u16string a85(85, u'\u3042');  // 255 bytes on disk
  struct Case {
    std::u16string old_name, new_name;
    std::vector<int> modes;
    int status;
    std::u16string folder = u"/d/";
  };
  const Case cases[] = {
      {u"a.txt", u"c.txt", kAllModes, 7},
      // Where the folder keeps case, another spelling is another name.
      {u"a.txt", u"A.txt", kAllModes, 7},
      {u"\u00e4\u03c9.txt", u"\u00c4\u03a9.TXT", {1}, 7},
      {u"img.jpg", u"imG.jpg", {1}, 7},
      {u"img.jpg", u"IMG.jpg", {1, 4}, 3},
      // Where it ignores case, only the letter case differing is no change,
      // except in the case mode.
      {u"a.txt", u"A.txt", kNameModes, 6, u"/w/"},
      {u"a.txt", u"A.txt", {4, 13, 14}, 7, u"/w/"},  // the metadata modes do not compare names
      {u"a.txt", u"A.txt", {6}, 6, u"/w/"},
      {u"\u00e4\u03c9.txt", u"\u00c4\u03a9.TXT", {1}, 6, u"/w/"},  // case-blind beyond ASCII
      {u"\u00e4\u03c9.txt", u"\u00c4\u03a9.TXT", {4}, 7, u"/w/"},
      {u"a.txt", u"B.TXT", {1}, 3, u"/w/"},
      {u"a.txt", u"a.txt", {1, 4, 6}, 6},
      {u"a.txt", u"", {1, 4, 13, 14}, 2},
      {u"a.txt", u".c", {1, 4}, 5},
      {u"a.txt", u".c:d", {1, 4}, 2},  // an invalid character beats the leading dot
      {u"a.txt", u"c\\d", {1, 4}, 4},
      {u"a.txt", u"c,d", {1, 4}, 5},
      {u"a.txt", u"c/d", {1, 4}, 2},
      {u"a.txt", u".", {1, 4}, 2},  // not a name in the folder: not a leading dot (5)
      {u"a.txt", u"..", {1, 4}, 2},
      {u"a.txt", u"c,d|e", {1}, 2},  // the list order decides, not the position
      {u"a.txt", u"c?d", {1}, 2},
      // The metadata cells are descriptions: only '*' and emptiness count.
      {u"a.txt", u"<作成：2020/01/01 00:00:00, 更新：>", {13, 14}, 7},
      {u"a.txt", u"c*d", kAllModes, 2},
      {u"a.txt", u"<読：Y*>", {13, 14}, 2},
      // folder + new name of 256 units is too long, except for descriptions.
      {u"a.txt", n252, {1}, 7},
      {u"a.txt", n253, {1}, 1},
      {u"a.txt", n253 + u"*", {1}, 2},
      {u"a.txt", n253, {13}, 7},
      // A name longer in bytes than the folder holds is too long as well.
      {u"a.txt", a85, {1}, 7},
      {u"a.txt", a85 + u"a", {1}, 1},
      {u"a.txt", a85 + u"a", {14}, 7},
      // Existing targets, a dangling link and a folder included.
      {u"a.txt", u"b.txt", kNameModes, 3},
      {u"a.txt", u"dangling", {1}, 3},
      {u"a.txt", u"sub", {1}, 3},
      {u"a.txt", u"b.txt", {4, 6}, 3},  // another file, as the folder keeps case
      {u"a.txt", u"b.txt", {4, 6, 13, 14}, 7, u"/w/"},
      {u"a.txt", u"b.txt*", {1}, 2},
      // A missing source overrides everything; an empty old name names no
      // file, even though its folder exists.
      {u"missing.txt", u"b.txt", kAllModes, 10},
      {u"missing.txt", u"", kAllModes, 10},
      {u"missing.txt", u"c*d", kAllModes, 10},
      {u"missing.txt", std::u16string(300, u'x'), {1}, 10},
      {u"", u"c.txt", {1}, 10},
  };
  for (const auto& [old_name, new_name, modes, expected, folder] : cases) {
    for (int mode : modes) {
      EXPECT_EQ(Validate(old_name, new_name, mode, folder), expected)
          << Utf16ToUtf8(folder + old_name) << " -> " << Utf16ToUtf8(new_name) << " mode "
          << mode;
    }
  }
}

TEST_F(ValidateTest, FailedLookUpsAndUnaddressableSources) {
  // A look-up of the source that fails for any reason counts as missing; a
  // failed look-up of the target only means the target is not there.
  fs_.FailPath(Op::kStat, u"/d/a.txt", ErrorCode::kIo);
  EXPECT_EQ(Validate(u"a.txt", u"c.txt", 1), 10);
  fs_.ClearFailures();
  fs_.FailPath(Op::kStat, u"/d/b.txt", ErrorCode::kIo);
  EXPECT_EQ(Validate(u"a.txt", u"b.txt", 1), 7);

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
  EXPECT_EQ(fs_.Calls(Op::kStat), 0);

  const int row = Row(u"a.txt", u"b.txt", FileStatus::kChanged);
  EXPECT_EQ(ValidateRow(list_, row, 1, false, fs_), FileStatus::kTargetExists);
  EXPECT_EQ(list_.GetFileStatus(row), FileStatus::kChanged);
  ValidateRow(list_, row, 1, true, fs_);
  EXPECT_EQ(list_.GetFileStatus(row), FileStatus::kTargetExists);

  EXPECT_EQ(ValidateRow(list_, list_.Count(), 1, true, fs_), FileStatus::kSourceMissing);
}

TEST(EqualIgnoringCaseTest, SimpleMappingPerCodeUnitWithinTheLimit) {
  const std::tuple<std::u16string, std::u16string, std::size_t, bool> cases[] = {
      {u"abc", u"ABC", 260, true},
      {u"abc", u"ABCD", 260, false},
      {u"\u00e9\u0101", u"\u00c9\u0100", 260, true},  // Latin-1 and Latin Extended-A
      {u"\u0131", u"I", 260, true},                   // dotless i upper-cases to I
      {u"abcX", u"ABCy", 3, true},
      {std::u16string(260, u'a') + u"x", std::u16string(260, u'A') + u"y", 260, true},
      {u"\xd800", u"\xd800", 260, true},  // lone surrogates compare as themselves
  };
  for (const auto& [a, b, limit, equal] : cases) {
    EXPECT_EQ(EqualIgnoringCase(a, b, limit), equal)
        << Utf16ToUtf8(a) << " vs " << Utf16ToUtf8(b) << " limit " << limit;
  }
}

}  // namespace
}  // namespace tessivo
