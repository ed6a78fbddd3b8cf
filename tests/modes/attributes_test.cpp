#include "modes/attributes.h"

#include <gtest/gtest.h>

#include <string>

#include "support/fake_file_system.h"

namespace tessivo {
namespace {

using R = AttributeRequest;

std::string Show(const AttributeRequests& r) {
  auto c = [](R x) { return x == R::kSet ? 'Y' : x == R::kClear ? 'N' : '-'; };
  return {c(r.read_only), c(r.hidden), c(r.archive), c(r.system)};
}

std::string Show(const AttributeFlags& f) {
  return {static_cast<char>(f.read_only), static_cast<char>(f.hidden), static_cast<char>(f.archive),
          static_cast<char>(f.system)};
}

TEST(AttributeRequestsTest, FromTheSetting) {
  struct Case {
    int packed;
    std::string expected;
  } cases[] = {
      {0x2222, "----"}, {0x1022, "YN--"}, {0x0000, "NNNN"}, {0x1111, "YYYY"},
      {0x2120, "-Y-N"}, {0xF3A1, "---Y"}, {0x10000, "NNNN"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(Show(AttributeRequestsFromSetting(c.packed)), c.expected) << std::hex << c.packed;
  }
}

TEST(DescribeAttributesTest, WritesYNOrDashInOrder) {
  EXPECT_EQ(DescribeAttributes({R::kSet, R::kClear, R::kLeave, R::kLeave}),
            u"<読：Y, 隠：N, ア：-, シ：->");
  EXPECT_EQ(DescribeAttributes({}), u"<読：-, 隠：-, ア：-, シ：->");
}

// All 81 combinations survive the trip through the new-name text, behind any folder.
TEST(DescribeAttributesTest, EveryDescriptionReadsBack) {
  const R values[] = {R::kClear, R::kSet, R::kLeave};
  for (int n = 0; n < 81; ++n) {
    const AttributeRequests r{values[n % 3], values[n / 3 % 3], values[n / 9 % 3], values[n / 27]};
    for (const std::u16string folder : {u"/", u"/写真/2014/", u"/a/<読：Y, 隠：Y/"}) {
      EXPECT_EQ(Show(ParseAttributeDescription(folder + DescribeAttributes(r))), Show(r));
    }
  }
}

TEST(ParseAttributeDescriptionTest, ReadsFromTheEndAndToleratesShortTexts) {
  struct Case {
    std::u16string text;
    std::string expected;
  } cases[] = {
      {u"<読：Y, 隠：N, ア：-, シ：->", "YN--"},
      {u"<読：y, 隠：n, ア：1, シ：Y>", "---Y"},  // only capital Y and N count
      {u"xxxYxxxxNxxxxYxxxxNx", "YNYN"},          // positions, not labels
      {u"読：Y, 隠：N, ア：Y, シ：N>", "YNYN"},   // the '<' is not needed
      {u"Y, 隠：N, ア：Y, シ：Y>", "YNYY"},       // exactly 17 characters
      {u", 隠：N, ア：Y, シ：Y>", "----"},        // 16: too short to hold them
  };
  for (const auto& c : cases) {
    EXPECT_EQ(Show(ParseAttributeDescription(c.text)), c.expected) << "length " << c.text.size();
  }
}

TEST(ApplyAttributesTest, WritesTheChangeAndReportsTheOldStates) {
  FakeFileSystem fs;
  const auto t = FakeFileSystem::kDefaultTime;
  fs.AddFile(u"/d/a.txt", "", t, std::nullopt, attr::kReadOnly | attr::kArchive);
  fs.AddFile(u"/d/b.txt", "", t, std::nullopt, attr::kHidden | attr::kArchive);
  fs.AddFolder(u"/d/sub", t, std::nullopt, attr::kSystem);

  auto a = ApplyAttributes(fs, u"/d/a.txt", {R::kClear, R::kSet, R::kLeave, R::kLeave});
  ASSERT_TRUE(a.has_value());
  EXPECT_EQ(Show(*a), "YNYN");
  EXPECT_EQ(fs.Find(u"/d/a.txt")->attributes, attr::kHidden | attr::kArchive);
  // Read-only set and hidden cleared; archive and system left as they were.
  auto b = ApplyAttributeDescription(fs, u"/d/b.txt", u"/d/<読：Y, 隠：N, ア：-, シ：->");
  ASSERT_TRUE(b.has_value());
  EXPECT_EQ(Show(*b), "NYYN");
  EXPECT_EQ(fs.Find(u"/d/b.txt")->attributes, attr::kReadOnly | attr::kArchive);

  auto sub = ApplyAttributes(fs, u"/d/sub", {R::kLeave, R::kLeave, R::kSet, R::kClear});
  ASSERT_TRUE(sub.has_value());
  EXPECT_EQ(fs.Find(u"/d/sub")->attributes, attr::kArchive);
  EXPECT_EQ(fs.attributes_set_.size(), 3u);
}

TEST(ApplyAttributesTest, NothingToChangeWritesNothing) {
  FakeFileSystem fs;
  fs.AddFile(u"/d/a.txt", "", FakeFileSystem::kDefaultTime, std::nullopt, attr::kHidden);
  fs.forbid_changes_ = true;
  for (const AttributeRequests& r :
       {AttributeRequests{}, AttributeRequests{R::kClear, R::kSet, R::kClear, R::kLeave}}) {
    auto old = ApplyAttributes(fs, u"/d/a.txt", r);
    ASSERT_TRUE(old.has_value()) << Show(r);
    EXPECT_EQ(Show(*old), "NYNN");
  }
  EXPECT_EQ(fs.Calls(FakeFileSystem::Op::kSetAttributes), 0);
}

TEST(ApplyAttributesTest, FailuresAreReportedAndChangeNothing) {
  const AttributeRequests set_all{R::kSet, R::kSet, R::kSet, R::kSet};
  struct Case {
    const char* what;
    bool inject;
    FakeFileSystem::Op op;  // the injected failure, when `inject`
    std::u16string path;
    ErrorCode code;
  } cases[] = {
      {"write refused", true, FakeFileSystem::Op::kSetAttributes, u"/d/a.txt",
       ErrorCode::kNotSupported},
      {"read refused", true, FakeFileSystem::Op::kStat, u"/d/a.txt", ErrorCode::kIo},
      {"file gone", false, FakeFileSystem::Op::kStat, u"/d/gone.txt", ErrorCode::kNotFound},
  };
  for (const auto& c : cases) {
    FakeFileSystem fs;
    fs.AddFile(u"/d/a.txt", "", FakeFileSystem::kDefaultTime, std::nullopt, attr::kArchive);
    if (c.inject) fs.FailPath(c.op, c.path, c.code);
    auto result = ApplyAttributes(fs, c.path, set_all);
    ASSERT_FALSE(result.has_value()) << c.what;
    EXPECT_EQ(result.error().code, c.code) << c.what;
    EXPECT_EQ(fs.Find(u"/d/a.txt")->attributes, attr::kArchive) << c.what;
    EXPECT_TRUE(fs.attributes_set_.empty()) << c.what;
  }
}

// The old states go to the log; undo reads them back and puts them in place,
// whatever happened to the file in between.
TEST(AttributeLogFieldTest, UndoRestoresTheLoggedStates) {
  FakeFileSystem fs;
  const std::uint32_t original = attr::kReadOnly | attr::kSystem;
  fs.AddFile(u"/d/a.txt", "", FakeFileSystem::kDefaultTime, std::nullopt, original);

  auto old = ApplyAttributes(fs, u"/d/a.txt", {R::kClear, R::kSet, R::kSet, R::kLeave});
  ASSERT_TRUE(old.has_value());
  const std::u16string field = AttributeLogField(*old);
  EXPECT_EQ(field, u"<読：Y, 隠：N, ア：N, シ：Y>");
  EXPECT_EQ(Show(ParseAttributeLogField(field)), "YNNY");

  fs.FindMutable(u"/d/a.txt")->attributes = attr::kHidden | attr::kArchive;
  ASSERT_TRUE(ApplyAttributes(fs, u"/d/a.txt", ParseAttributeLogField(field)).has_value());
  EXPECT_EQ(fs.Find(u"/d/a.txt")->attributes, original);

  EXPECT_EQ(Show(ParseAttributeLogField(u"<読：Y, 隠：N")), "YN--");
}

}  // namespace
}  // namespace tessivo
