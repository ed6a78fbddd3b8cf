#include "modes/attributes.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <utility>

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
  const std::pair<int, std::string> cases[] = {
      {0x2222, "----"}, {0x1022, "YN--"}, {0x2120, "-Y-N"}, {0xF3A1, "---Y"}, {0x10000, "NNNN"}};
  for (const auto& [packed, expected] : cases) {
    EXPECT_EQ(Show(AttributeRequestsFromSetting(packed)), expected) << std::hex << packed;
  }
}

// All 81 combinations survive the trip through the new-name text, behind any folder.
TEST(DescribeAttributesTest, WritesYNOrDashAndEveryDescriptionReadsBack) {
  EXPECT_EQ(DescribeAttributes({R::kSet, R::kClear, R::kLeave, R::kLeave}),
            u"<読：Y, 隠：N, ア：-, シ：->");
  const R values[] = {R::kClear, R::kSet, R::kLeave};
  for (int n = 0; n < 81; ++n) {
    const AttributeRequests r{values[n % 3], values[n / 3 % 3], values[n / 9 % 3], values[n / 27]};
    for (const std::u16string folder : {u"/", u"/写真/2014/", u"/a/<読：Y, 隠：Y/"}) {
      EXPECT_EQ(Show(ParseAttributeDescription(folder + DescribeAttributes(r))), Show(r));
    }
  }
}

TEST(ParseAttributeDescriptionTest, ReadsFromTheEndAndToleratesShortTexts) {
  const std::pair<std::u16string, std::string> cases[] = {
      {u"<読：y, 隠：n, ア：1, シ：Y>", "---Y"},  // only capital Y and N count
      {u"xxxYxxxxNxxxxYxxxxNx", "YNYN"},          // positions, not labels
      {u"Y, 隠：N, ア：Y, シ：Y>", "YNYY"},       // exactly 17 characters
      {u", 隠：N, ア：Y, シ：Y>", "----"},        // 16: too short to hold them
  };
  for (const auto& [text, expected] : cases) {
    EXPECT_EQ(Show(ParseAttributeDescription(text)), expected) << "length " << text.size();
  }
}

TEST(ApplyAttributesTest, WritesOnlyRealChangesAndReportsTheOldStates) {
  FakeFileSystem fs;
  const auto t = FakeFileSystem::kDefaultTime;
  fs.AddFile(u"/d/a.txt", "", t, std::nullopt, attr::kReadOnly | attr::kArchive);
  fs.AddFile(u"/d/b.txt", "", t, std::nullopt, attr::kHidden | attr::kArchive);
  auto a = ApplyAttributes(fs, u"/d/a.txt", {R::kClear, R::kSet, R::kLeave, R::kLeave});
  ASSERT_TRUE(a.has_value());
  EXPECT_EQ(Show(*a), "YNYN");
  EXPECT_EQ(fs.Find(u"/d/a.txt")->attributes, attr::kHidden | attr::kArchive);
  // Read-only set and hidden cleared; archive and system left as they were.
  auto b = ApplyAttributeDescription(fs, u"/d/b.txt", u"/d/<読：Y, 隠：N, ア：-, シ：->");
  ASSERT_TRUE(b.has_value());
  EXPECT_EQ(Show(*b), "NYYN");
  EXPECT_EQ(fs.Find(u"/d/b.txt")->attributes, attr::kReadOnly | attr::kArchive);
  // Requests that leave everything, or ask for the states already there, write nothing.
  fs.forbid_changes_ = true;
  for (const AttributeRequests& r :
       {AttributeRequests{}, AttributeRequests{R::kClear, R::kSet, R::kSet, R::kClear}}) {
    auto old = ApplyAttributes(fs, u"/d/a.txt", r);
    ASSERT_TRUE(old.has_value()) << Show(r);
    EXPECT_EQ(Show(*old), "NYYN");
  }
  EXPECT_EQ(fs.Calls(FakeFileSystem::Op::kSetAttributes), 2);
}

TEST(ApplyAttributesTest, FailuresAreReportedAndChangeNothing) {
  using Op = FakeFileSystem::Op;
  const struct {
    std::optional<Op> injected;  // fails for /d/a.txt with `code`
    std::u16string path;
    ErrorCode code;
  } cases[] = {
      {Op::kSetAttributes, u"/d/a.txt", ErrorCode::kNotSupported},
      {Op::kStat, u"/d/a.txt", ErrorCode::kIo},
      {std::nullopt, u"/d/gone.txt", ErrorCode::kNotFound},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(static_cast<int>(c.code));
    FakeFileSystem fs;
    fs.AddFile(u"/d/a.txt", "", FakeFileSystem::kDefaultTime, std::nullopt, attr::kArchive);
    if (c.injected) fs.FailPath(*c.injected, c.path, c.code);
    auto result = ApplyAttributes(fs, c.path, {R::kSet, R::kSet, R::kSet, R::kSet});
    ASSERT_FALSE(result.has_value());
    EXPECT_EQ(result.error().code, c.code);
    EXPECT_EQ(fs.Find(u"/d/a.txt")->attributes, attr::kArchive);
    EXPECT_TRUE(fs.attributes_set_.empty());
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
  EXPECT_EQ(Show(ParseAttributeLogField(u"<読：Y, 隠：N")), "YN--");  // cut short
}

}  // namespace
}  // namespace tessivo
