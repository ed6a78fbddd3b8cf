#include "config/settings_backend.h"

#include <climits>
#include <string>

#include <gtest/gtest.h>

#include "support/fake_file_system.h"

namespace tessivo {
namespace {

using ::testing::PrintToString;

TEST(IniDocumentTest, FindsKeysTheWayThePrivateProfileDoes) {
  const char kFile[] =
      "; comment=1\r\n[Other]\r\ntopmost=7\r\n[ base ]\r\n"
      "  topmost = 1  \r\nTOPMOST=2\r\nexpr=a=b\r\nnul=ab\0cd\r\nlf=only\n"
      ";wtop=5\r\nnoequals\r\nquoted=\"x y\"\r\n[Base]\r\nsecond=1\r\nlast=no newline";
  IniDocument doc = IniDocument::Parse(std::string_view(kFile, sizeof kFile - 1));
  // "topmost": blanks trimmed, the first key wins, names ignore letter case;
  // "second": only the first [Base] counts.
  const struct { std::u16string section, key; std::optional<std::u16string> value; } cases[] = {
      {u"Base", u"topmost", u"1"},        {u"BASE", u"TopMost", u"1"},
      {u"Other", u"topmost", u"7"},       {u"Base", u"expr", u"a=b"},
      {u"Base", u"nul", u"ab"},           {u"Base", u"lf", u"only"},
      {u"Base", u"wtop", std::nullopt},   {u"Base", u"noequals", std::nullopt},
      {u"Base", u"quoted", u"\"x y\""},   {u"Base", u"second", std::nullopt},
      {u"Base", u"last", std::nullopt},   {u"Missing", u"topmost", std::nullopt},
  };
  for (const auto& c : cases)
    EXPECT_EQ(doc.Get(c.section, c.key), c.value) << PrintToString(c.section + u"/" + c.key);
}

TEST(IniDocumentTest, SetKeepsOtherLinesByteForByte) {
  // 0x81 0x5B is a double-byte character whose trail byte is '['.
  IniDocument doc = IniDocument::Parse(
      "; \x93\xfa\x96\x7b\r\n[Base]\r\na = 1\r\nx=\x81\x5b]\r\n\r\n[Tail]\r\nt=1");
  doc.Set(u"Base", u"a", "2");
  doc.Set(u"Base", u"b", "new");
  doc.Set(u"Extra", u"k", "v");
  EXPECT_EQ(doc.Serialize(),
            "; \x93\xfa\x96\x7b\r\n[Base]\r\na=2\r\nx=\x81\x5b]\r\nb=new\r\n\r\n"
            "[Tail]\r\nt=1\r\n[Extra]\r\nk=v\r\n");
  EXPECT_EQ(doc.Get(u"Base", u"x"), u"ー]");
}

TEST(IniDocumentTest, Utf16FilesStayUtf16) {
  auto widen = [](const std::string& s) {
    std::string out("\xFF\xFE", 2);
    for (char c : s) out += {c, '\0'};
    return out;
  };
  IniDocument doc = IniDocument::Parse(widen("[Base]\r\nk=1\r\n"));
  EXPECT_TRUE(doc.utf16());
  EXPECT_EQ(doc.Get(u"Base", u"k"), u"1");
  doc.Set(u"Base", u"j", "\x96\xbc");  // 名 in the code page
  EXPECT_EQ(doc.Get(u"Base", u"j"), u"名");
  EXPECT_EQ(doc.Serialize(),
            widen("[Base]\r\nk=1\r\nj=") + std::string("\x0d\x54\r\0\n\0", 6));  // U+540D
}

TEST(IniBackendTest, QueryIntReadsLikeGetPrivateProfileInt) {
  const struct { std::string value; std::int32_t expected; } cases[] = {
      {"5", 5},     {" 12 ", 12},  {"-5", -5},  {"+7", 7},  {"12abc", 12},  {"\"42\"", 42},
      {"abc", -99}, {"", -99},     {"-", -99},  {"4294967295", -1},  {"4294967296", -99},
      {"-2147483648", INT_MIN},  {"-2147483649", -99},  {"99999999999999999999", -99},
  };
  for (const auto& c : cases) {
    FakeFileSystem fs;
    fs.AddFile(u"/p/tessivo.ini", "[Base]\r\nk=" + c.value + "\r\n");
    EXPECT_EQ(IniBackend(fs, u"/p/tessivo.ini").QueryInt(u"k", -99), c.expected) << c.value;
  }
  FakeFileSystem fs;
  EXPECT_EQ(IniBackend(fs, u"/p/tessivo.ini").QueryInt(u"k", -99), -99);  // no file
}

TEST(IniBackendTest, NewFileAndLineBreaksInValues) {
  FakeFileSystem fs;
  fs.AddFolder(u"/p");  // no file yet
  IniBackend ini(fs, u"/p/tessivo.ini");
  ini.StoreInt(u"_count", 1);
  ini.StoreText(u"s", "\"a\r\nb\"");
  ASSERT_TRUE(ini.Commit());
  EXPECT_EQ(fs.Content(u"/p/tessivo.ini"), "[Base]\r\n_count=1\r\ns=\"a\\u000d\\u000ab\"\r\n");
  ASSERT_TRUE(ini.Reset());
  EXPECT_EQ(fs.Content(u"/p/tessivo.ini"), "[Base]\r\n");
  EXPECT_FALSE(ini.Has(u"_count"));
}

TEST(StoredIniFileTest, CommitMergesSkipsNoOpsAndLosesNothingOnFailure) {
  FakeFileSystem fs;
  const std::string before = "[Base]\r\na=1\r\nuser=9\r\n";
  fs.AddFile(u"/p/f.ini", "[Base]\r\na=1\r\n");
  StoredIniFile file(fs, u"/p/f.ini");
  EXPECT_EQ(file.doc().Get(u"Base", u"a"), u"1");
  fs.AddFile(u"/p/f.ini", before);  // edited by someone else meanwhile
  file.Set(u"Base", u"a", "2");

  // A failed write, or a file that cannot be read, leaves the file as it was.
  for (auto [op, code] : {std::pair{FakeFileSystem::Op::kWriteFileAtomic, ErrorCode::kNoSpace},
                          std::pair{FakeFileSystem::Op::kReadRange, ErrorCode::kPermission}}) {
    fs.FailNthCall(op, 1, code);
    Status s = file.Commit();
    ASSERT_FALSE(s);
    EXPECT_EQ(s.error().code, code);
    EXPECT_EQ(fs.Content(u"/p/f.ini"), before);
  }
  ASSERT_TRUE(file.Commit());  // the change was kept for later
  EXPECT_EQ(fs.Content(u"/p/f.ini"), "[Base]\r\na=2\r\nuser=9\r\n");

  // A file over the size limit reads as empty and is never written over.
  const std::string huge = "[Base]\r\nb=1\r\n" + std::string(kMaxSettingsFileBytes, ';');
  fs.AddFile(u"/p/huge.ini", huge);
  StoredIniFile big(fs, u"/p/huge.ini");
  EXPECT_FALSE(big.doc().Get(u"Base", u"b"));
  big.Set(u"Base", u"a", "2");
  EXPECT_EQ(big.Commit().error().code, ErrorCode::kCorrupt);
  EXPECT_EQ(fs.Content(u"/p/huge.ini"), huge);

  // Nothing to write: no write at all.
  std::size_t writes = fs.written_.size();
  ASSERT_TRUE(file.Commit());
  file.Set(u"Base", u"a", "2");
  ASSERT_TRUE(file.Commit());
  EXPECT_EQ(fs.written_.size(), writes);
}

TEST(RegistryBackendTest, DwordForms) {
  const struct { std::u16string text; std::optional<std::uint32_t> value; } cases[] = {
      {u"dword:00000001", 1u},  {u"DWORD:FFFFFFFF", 0xFFFFFFFFu},  {u"dword:a", 10u},
      {u"dword:", std::nullopt},  {u"dword:123456789", std::nullopt},
      {u"dword:12g4", std::nullopt},  {u"\"12\"", std::nullopt},  {u"12", std::nullopt},
  };
  for (const auto& c : cases) EXPECT_EQ(ParseDword(c.text), c.value) << PrintToString(c.text);
  EXPECT_EQ(FormatDword(static_cast<std::uint32_t>(-1)), "dword:ffffffff");
}

TEST(RegistryBackendTest, TypedValuesAndMissingIntegers) {
  FakeFileSystem fs;
  RegistryBackend reg(fs, u"/home/u/.config/tessivo/registry.ini");
  EXPECT_EQ(reg.QueryInt(u"_count", 0), -1);
  reg.StoreInt(u"_count", 3);
  reg.StoreText(u"basepath", "\"/x\"\ny");
  reg.StoreTools(2);
  ASSERT_TRUE(reg.Commit());  // creates the missing folder
  EXPECT_EQ(fs.Content(u"/home/u/.config/tessivo/registry.ini"),
            "[Software\\Quellin Tools]\r\ntools=dword:00000002\r\n"
            "[Software\\Quellin Tools\\Tessivo]\r\n_count=dword:00000003\r\n"
            "basepath=\"\"/x\"\\u000ay\"\r\n");
  EXPECT_EQ(reg.QueryInt(u"_count", 0), 3);
  EXPECT_EQ(reg.QueryText(u"basepath"), u"\"/x\"\\u000ay");
  EXPECT_EQ(reg.QueryInt(u"basepath", 0), -1);  // not a REG_DWORD
  EXPECT_EQ(reg.QueryText(u"_count"), std::nullopt);
  EXPECT_EQ(reg.QueryTools(), 2);
}

TEST(RegistryBackendTest, DeletingKeys) {
  const std::string maker = "[Software\\Quellin Tools]\r\ntools=dword:00000001\r\n";
  const std::string key = "[Software\\Quellin Tools\\Tessivo]\r\n";
  const std::string both = maker + key + "_count=dword:00000001\r\n";
  const std::string sub = both + "[Software\\Quellin Tools\\Tessivo\\Sub]\r\n";
  const std::string other = "[Software\\Quellin Tools\\Other]\r\nx=1\r\n";
  // `after` nullopt: the file is removed.
  const struct { const char* name; std::string file; bool key_deleted, maker_deleted;
      std::optional<std::string> after; } cases[] = {
      {"both go", both, true, true, std::nullopt},
      {"subkey of the program's key", sub, false, false, sub},
      {"other program of the maker", both + other, true, false, maker + other},
      {"nothing there", "", false, false, ""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    FakeFileSystem fs;
    fs.AddFile(u"/r/registry.ini", c.file);
    RegistryBackend reg(fs, u"/r/registry.ini");
    EXPECT_EQ(reg.DeleteKey(), c.key_deleted);
    EXPECT_EQ(reg.DeleteMakerKey(), c.maker_deleted);
    ASSERT_TRUE(reg.Commit());
    EXPECT_EQ(fs.Content(u"/r/registry.ini"), c.after);
  }
}

}  // namespace
}  // namespace tessivo
