#include "modes/dispatcher.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "platform/file_name_bytes.h"
#include "support/fake_file_system.h"

namespace tessivo {
namespace {

using Op = FakeFileSystem::Op;

class DispatcherTest : public ::testing::Test {
 protected:
  DispatcherTest() {
    fs_.AddFolder(u"/prog");
    settings_ = std::make_unique<Settings>(
        fs_, SettingsLocation{BackendKind::kIni, u"/prog/tessivo.ini", u"/prog/registry.ini"});
  }

  Settings& s() { return *settings_; }
  ModeContext Build(const ModeTexts& texts = {}) {
    return BuildModeContext(s(), panel_, texts, position_, fs_, utc_, FakeFileSystem::kDefaultTime);
  }
  std::u16string Compute(ModeContext& ctx, const std::u16string& source, int mode,
                         std::int64_t row = 0) {
    return ComputeNewName(ctx, source, u"/d/preset", mode, row);
  }

  FakeFileSystem fs_;
  std::unique_ptr<Settings> settings_;
  ModePanel panel_;
  PositionEditState position_;
  FixedOffsetTimeZone utc_{0};
};

TEST_F(DispatcherTest, EachModeTakesItsSettingsAndTexts) {
  ModeTexts texts;
  texts.serial = u"<01>_";
  texts.add = u"new_";
  texts.search = u"b/c";
  texts.replacement = u"B/C";
  panel_.At(ctl::kExtensionText).text = u"jpg";
  panel_.At(ctl::kAddPosition).text = u"1";
  s().SetInt(IntKey::kBigsmall, kCaseAllUpperExceptExtension);
  s().SetAttributeChoice(AttributeField::kHidden, 1);
  s().SetAttributeChoice(AttributeField::kSystem, 0);
  s().SetInt(IntKey::kNuminspos, 0);
  s().SetInt(IntKey::kAddprepost, 0);
  s().SetInt(IntKey::kDeltype, 8);  // a count from the front
  s().SetInt(IntKey::kDellen, 2);
  s().SetInt(IntKey::kRepcase, 1);
  ModeContext ctx = Build(texts);
  const struct {
    int mode;
    std::u16string source;
    std::int64_t row;
    std::u16string expected;
  } cases[] = {
      {1, u"/d/any name.txt", 0, u"/d/any name.txt"},  // template untouched: identity
      {2, u"/d/photo.tar.gz", 0, u"/d/photo.tar.jpg"},
      {3, u"/d/abc.txt", 0, u"/d/01_abc.txt"},  {3, u"/d/abc.txt", 1, u"/d/02_abc.txt"},
      {4, u"/d/report.Txt", 0, u"/d/REPORT.Txt"}, {7, u"/d/abc.txt", 0, u"/d/anew_bc.txt"},
      {8, u"/d/abc.txt", 0, u"/d/c.txt"},       {10, u"/d/abc.txt", 0, u"/d/aBC.txt"},
      {14, u"/d/a.txt", 0, u"<読：-, 隠：Y, ア：-, シ：N>"},
      {19, u"/d/sub/a b.txt", 0, u"/d/sub/a b.txt"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(Compute(ctx, c.source, c.mode, c.row), c.expected) << "mode " << c.mode;
  }
  // 11 takes its names from a CSV file; 12 needs the program's generator;
  // 15..18 and numbers outside the table have no mode: the preset stays.
  for (int mode : {11, 12, 15, 16, 17, 18, 0, -1, 20, 25}) {
    EXPECT_EQ(Compute(ctx, u"/d/a.txt", mode), u"/d/preset") << "mode " << mode;
  }
}

TEST_F(DispatcherTest, TextFieldsAreReadWhenTheRowIsComputed) {
  panel_.At(ctl::kExtensionText).text = u"jpg";
  ModeContext ctx = Build();
  EXPECT_EQ(Compute(ctx, u"/d/a.txt", 2), u"/d/a.jpg");
  panel_.At(ctl::kExtensionText).text = u"";
  EXPECT_EQ(Compute(ctx, u"/d/a.txt", 2), u"/d/a");
  // The add position is read then too, and taken as at most 255.
  ModeTexts texts;
  texts.add = u"X";
  ModeContext add = Build(texts);
  const std::u16string base(255, u'a');
  panel_.At(ctl::kAddPosition).text = u"999";
  EXPECT_EQ(Compute(add, u"/d/" + base, 7), u"/d/" + base + u"X");
}

TEST_F(DispatcherTest, BuildingTheContextCatchesUpWithTheTemplateField) {
  position_.LoadTemplate(u"IMG_0001");
  panel_.At(ctl::kSampleName).text = u"Photo_0001";
  ModeContext ctx = Build();
  EXPECT_EQ(Compute(ctx, u"/d/IMG_0123_x", 1), u"/d/Photo_0123_x");
}

TEST_F(DispatcherTest, ShortNameFromTheFileSystemWhereItKeepsOne) {
  fs_.AddFile(u"/fat/Long Name.txt");
  fs_.SetKind(u"/fat", FileSystemKind::kFat);
  fs_.SetShortName(u"/fat/Long Name.txt", u"LONGNA~3.TXT");
  s().SetInt(IntKey::kReal8_3, 2);
  ModeContext ctx = Build();
  EXPECT_EQ(Compute(ctx, u"/fat/Long Name.txt", 6), u"/fat/longna~3.txt");
  EXPECT_EQ(fs_.Calls(Op::kList), 0);
}

TEST_F(DispatcherTest, GeneratedShortNamesAreUniqueWithinAFolder) {
  fs_.AddFile(u"/d/Long File Name A.txt");
  fs_.AddFile(u"/d/Long File Name B.txt");
  fs_.AddFile(u"/d/readme.txt");
  fs_.AddFile(u"/e/Long File Name B.txt");
  fs_.AddFile(u"/e/longfi~1.txt");  // a long name that takes the first tail...
  fs_.SetNameRules(u"/e", NameRules{true, 255});
  fs_.AddFile(u"/f/Long File Name B.txt");
  fs_.AddFile(u"/f/longfi~1.txt");  // ...only where the folder ignores case
  ModeContext ctx = Build();
  const struct {
    std::u16string source;
    std::u16string expected;
  } rows[] = {
      // Rows in another order than the folder lists them: the folder's order decides.
      {u"/d/Long File Name B.txt", u"/d/LONGFI~2.TXT"},
      {u"/d/Long File Name A.txt", u"/d/LONGFI~1.TXT"},
      {u"/d/readme.txt", u"/d/readme.txt"},
      {u"/e/Long File Name B.txt", u"/e/LONGFI~2.TXT"},
      {u"/e/longfi~1.txt", u"/e/longfi~1.txt"},
      {u"/f/Long File Name B.txt", u"/f/LONGFI~1.TXT"},
  };
  for (const auto& r : rows) {
    EXPECT_EQ(Compute(ctx, r.source, 6), r.expected) << Utf16ToUtf8(r.source);
  }
  EXPECT_EQ(fs_.Calls(Op::kList), 3);  // once per folder
  // A file the listing did not show is checked against the whole folder.
  fs_.AddFile(u"/d/Long File Name C.txt");
  EXPECT_EQ(Compute(ctx, u"/d/Long File Name C.txt", 6), u"/d/LONGFI~3.TXT");
}

TEST_F(DispatcherTest, FailedShortNameKeepsTheLongName) {
  fs_.AddFile(u"/d/Long Name.txt");
  fs_.AddFile(u"/e/Long Name.txt");
  s().SetInt(IntKey::kReal8_3, 1);
  fs_.FailPath(Op::kShortName, u"/d/Long Name.txt", ErrorCode::kIo);
  fs_.FailPath(Op::kList, u"/e", ErrorCode::kPermission);
  ModeContext ctx = Build();
  EXPECT_EQ(Compute(ctx, u"/d/Long Name.txt", 6), u"/d/LONG NAME.TXT");
  EXPECT_EQ(Compute(ctx, u"/e/Long Name.txt", 6), u"/e/LONG NAME.TXT");
  EXPECT_EQ(Compute(ctx, u"/e/Long Name.txt", 6), u"/e/LONG NAME.TXT");
  EXPECT_EQ(fs_.Calls(Op::kList), 1);  // the failure is remembered for the run
}

TEST_F(DispatcherTest, TimestampDescriptionsUseTheRowOrdinalAndTheFirstRowsVolume) {
  fs_.AddFile(u"/fat/a.jpg");
  fs_.SetKind(u"/fat", FileSystemKind::kFat);
  fs_.AddFile(u"/d/b.jpg");
  s().SetInt(IntKey::kCreatmodif, static_cast<int>(TimestampOperation::kSetCreation));
  s().SetInt(IntKey::kTimeplus, 60);
  panel_.At(ctl::kStampDate).time = CalendarTime{2014, 5, 0, 6, 0, 0, 0, 0};
  panel_.At(ctl::kStampTime).time = CalendarTime{0, 0, 0, 0, 10, 0, 1, 0};

  ModeContext fat_first = Build();
  EXPECT_EQ(Compute(fat_first, u"/fat/a.jpg", 13, 0), u"<作成：2014/05/06 10:00:00>");
  // The run was judged FAT by its first row: the second is rounded too.
  EXPECT_EQ(Compute(fat_first, u"/d/b.jpg", 13, 1), u"<作成：2014/05/06 10:01:00>");

  ModeContext other_first = Build();
  EXPECT_EQ(Compute(other_first, u"/d/b.jpg", 13, 2), u"<作成：2014/05/06 10:02:01>");
}

}  // namespace
}  // namespace tessivo
