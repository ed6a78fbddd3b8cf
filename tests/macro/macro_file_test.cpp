#include "macro/macro_file.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "macro/macro_test_util.h"
#include "platform/file_name_bytes.h"

namespace tessivo {
namespace {

using namespace std::string_literals;

// Every step code with its exact stored line. Texts are scrambled: a byte
// with any of its low six bits set has bit 0x40 flipped ('j' 0x6a -> '*').
struct LineCase {
  MacroStep step;
  std::string line;
};
std::vector<LineCase> LineCases() {
  return {
      {Step(2, {1, 0, 0}, u"jpg"), "EXT100*0'\0\0\n"s},
      {Step(3, {4, 1, 0}, u"<01>"), "123410|pq~\0\0\n"s},
      {Step(4, {4, 1, 0}, u"a an"), "Aa 410!`!.\0\0\n"s},  {Step(5, {1, 15, 0}), "ZH 1?0\0\0\n"s},
      {Step(6, {2, 0, 0}), "8_3200\0\0\n"s},  {Step(7, {1, 9, 9}, u"x"), "ADD1998\0\0\n"s},
      {Step(8, {11, 0, 5}, u"12"), "DEL;05qr\0\0\n"s},
      {Step(9, {3, 9, 4}, u"年-", u"YYYY"), "TIM394\xd4\x0em\0\x19\x19\x19\x19\0\n"s},
      // é is not in the code page: stored as the escape "\u00e9", scrambled.
      {Step(10, {2, 1, 3}, u"a/b", u"é"), "REP213!o\"\0\x1c""5pp%y\0\n"s},
      {Step(11, {0, 0, 0}), "dmy000\0\0\n"s},  {Step(12, {6, 5, 3}), "RND653\0\0\n"s},
      // 'J' scrambles to LF, which is no line end inside a field.
      {Step(2, {0, 0, 0}, u"J"), "EXT000\n\0\0\n"s},
  };
}

TEST(MacroFileTest, EveryStepCodeIsWrittenByteExactAndReadBack) {
  EXPECT_EQ(EncodeMacroHeader(false) + EncodeMacroHeader(true), "TS150\nTS151\n");
  for (const LineCase& c : LineCases()) {
    EXPECT_EQ(EncodeStepLine(c.step), c.line) << c.step.mode << " " << Utf16ToUtf8(c.step.text1);
  }
  // Reading them back: the damage sweep below reads a file of these lines.
  // Out-of-range values are written as the nearest value a reader takes.
  EXPECT_EQ(EncodeStepLine(Step(8, {12, -1, 10})), "DEL;09\0\0\n"s);
  EXPECT_EQ(EncodeStepLine(Step(13, {0, 0, 0})), "");
  EXPECT_EQ(EncodeStepLine(Step(0, {0, 0, 0})), "");
  // A NUL ends a text, so no field can end early.
  EXPECT_EQ(EncodeStepLine(Step(2, {0, 0, 0}, u"a\0b"s)), "EXT000!\0\0\n"s);
}

TEST(MacroFileTest, ScrambleKeepsTheBytesWithoutLowBitsAndIsItsOwnInverse) {
  std::string all;
  for (int b = 1; b < 256; ++b) all += static_cast<char>(b);  // no NUL inside a field
  std::string scrambled = all;
  ScrambleText(scrambled);
  for (std::size_t i = 0; i < all.size(); ++i) {
    const auto before = static_cast<unsigned char>(all[i]);
    const auto after = static_cast<unsigned char>(scrambled[i]);
    EXPECT_EQ(after, (before & 0x3F) == 0 ? before : (before ^ 0x40)) << "byte " << int(before);
  }
  ScrambleText(scrambled);
  EXPECT_EQ(scrambled, all);
  std::string long_text(kScrambleLimit + 1, 'a');  // longer than 2600 bytes: left as it is
  ScrambleText(long_text);
  EXPECT_EQ(long_text, std::string(kScrambleLimit + 1, 'a'));
}

TEST(MacroFileTest, PositionEditLineAndItsMapEntries) {
  // Values are clamped into -1..260; the identity map below shows the rest.
  const std::pair<std::int32_t, const char*> entries[] = {
      {-7, "00"}, {-1, "00"}, {9, "0a"}, {260, "+5"}, {5000, "+5"}};
  for (const auto& [value, stored] : entries) EXPECT_EQ(EncodeMapEntry(value), stored) << value;
  MacroStep step = Step(1, {0, 0, 0}, u"ab");
  for (std::size_t i = 0; i < kPositionMapEntries; ++i) step.map[i] = static_cast<int>(i);
  step.no_extension = true;
  const std::string line = EncodeStepLine(step);
  ASSERT_EQ(line.size(), 526u + 2);
  EXPECT_EQ(line.substr(0, 7), "EDT0102");
  EXPECT_EQ(line.substr(3 + 2 * 254, 10), "ff+0+1+2+3");
  EXPECT_EQ(line.substr(521), "10 !\"\0\n"s);

  MacroReader reader(line);
  ASSERT_EQ(reader.Next(), MacroRead::kStep);
  MacroStep expected = step;
  expected.map[259] = 0x10 - 1;  // the last entry is read from "10" after the map
  EXPECT_EQ(reader.step(), expected);
  EXPECT_EQ(reader.position(), line.size());

  // Entries that are not two hexadecimal digits read as far as they go.
  std::string odd = line;
  odd.replace(3, 8, "0 zzF0+9");
  MacroReader odd_reader(odd);
  ASSERT_EQ(odd_reader.Next(), MacroRead::kStep);
  const auto& map = odd_reader.step().map;
  EXPECT_EQ((std::vector<int>{map[0], map[1], map[2], map[3]}),
            (std::vector<int>{-1, -1, 0xF0 - 1, 255 + 9}));
}

TEST(MacroFileTest, VersionTwelveReadsItsMapOneByteFurther) {
  MacroStep step = Step(1, {0, 0, 0});
  step.map.fill(7);
  std::string line = EncodeStepLine(step);
  line.insert(3, "x");  // version 12 lines carry one more byte before the map
  line.erase(524, 1);   // ... and keep the template at 524
  MacroReader reader("TS120\n" + line);
  ASSERT_EQ(reader.Next(), MacroRead::kHeader);
  EXPECT_EQ(reader.version(), 12);
  ASSERT_EQ(reader.Next(), MacroRead::kStep);
  for (std::size_t i = 0; i < kPositionMapWritten; ++i) ASSERT_EQ(reader.step().map[i], 7) << i;
}

TEST(MacroFileTest, HeadersAndLinesThatEndTheReading) {
  using R = MacroRead;
  const struct { std::string data; MacroRead first, second; int version; } cases[] = {
      {"TS110\n", R::kHeader, R::kEnd, 11},  {"TS151\nRND000\0\0\n"s, R::kHeader, R::kStep, 15},
      {"TS160\n", R::kUnsupportedVersion, R::kUnsupportedVersion, 16},
      {"TS100\n", R::kUnsupportedVersion, R::kUnsupportedVersion, 10},
      {"TSx5", R::kUnsupportedVersion, R::kUnsupportedVersion, -1},
      {"TS152\n", R::kEnd, R::kEnd, 15},         // neither files nor folders
      {"TS15", R::kEnd, R::kEnd, 15},            // cut before the kind
      {"DEL<00\0\0\n"s, R::kEnd, R::kEnd, 0},    // kind 12 does not exist
      {"DEL/00\0\0\n"s, R::kEnd, R::kEnd, 0},    // below '0'
      {"ZH 0@0\0\0\n"s, R::kEnd, R::kEnd, 0},    // class bits above 15
      {"ext100\0\0\n"s, R::kEnd, R::kEnd, 0},    // codes are case-sensitive
      {"", R::kEnd, R::kEnd, 0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::PrintToString(c.data));
    MacroReader reader(c.data);
    EXPECT_EQ(reader.Next(), c.first);
    EXPECT_EQ(reader.Next(), c.second);
    EXPECT_EQ(reader.version(), c.version);
  }
}

TEST(MacroFileTest, OnlyTheFirst64KiBAreRead) {
  MacroReader reader("EXT100" + std::string(70000, 'a') + "\0\0\n"s + "RND000\0\0\n"s);
  EXPECT_EQ(reader.size(), kMacroReadLimit);
  ASSERT_EQ(reader.Next(), MacroRead::kStep);
  EXPECT_EQ(reader.step().text1.size(), kStepTextReadCapacity - 1);
  EXPECT_EQ(reader.Next(), MacroRead::kEnd);
}

// A file with one line of every kind, for the damage sweeps.
struct SampleFile {
  std::string data = EncodeMacroHeader(false);
  std::vector<std::size_t> line_ends;
  std::vector<MacroStep> steps;

  SampleFile() {
    MacroStep edit = Step(1, {0, 0, 0}, u"テンプレート_\u00e9");
    // -1..260 over the written entries; the last one reads "00" back.
    for (std::size_t i = 0; i < kPositionMapWritten; ++i) {
      edit.map[i] = static_cast<int>(i * 7 % 262) - 1;
    }
    edit.map[259] = -1;
    steps.push_back(edit);
    for (const LineCase& c : LineCases()) steps.push_back(c.step);
    for (const MacroStep& step : steps) {
      data += EncodeStepLine(step);
      line_ends.push_back(data.size());
    }
  }
  // Lines that end at or before `at`.
  std::size_t WholeLinesBefore(std::size_t at) const {
    std::size_t whole = 0;
    while (whole < line_ends.size() && line_ends[whole] <= at) ++whole;
    return whole;
  }
};

// Reads until the end; never more lines than bytes.
std::vector<MacroStep> ReadAll(const std::string& data) {
  MacroReader reader(data);
  std::vector<MacroStep> steps;
  for (std::size_t guard = 0; guard <= data.size() + 1; ++guard) {
    const MacroRead read = reader.Next();
    if (read == MacroRead::kStep) steps.push_back(reader.step());
    if (read == MacroRead::kEnd || read == MacroRead::kUnsupportedVersion) return steps;
  }
  ADD_FAILURE() << "reading did not end";
  return steps;
}

// A cut or a damaged byte ends the reading cleanly; the lines before it are
// read as written.
TEST(MacroFileTest, TruncatedOrDamagedFilesKeepTheWholeLinesBeforeTheFault) {
  const SampleFile file;
  ASSERT_EQ(ReadAll(file.data), file.steps);
  for (std::size_t at = 0; at <= file.data.size(); ++at) {
    const std::size_t whole = file.WholeLinesBefore(at);
    std::vector<MacroStep> read = ReadAll(file.data.substr(0, at));
    ASSERT_GE(read.size(), whole) << "cut at " << at;
    ASSERT_LE(read.size(), whole + 1) << "cut at " << at;  // the cut line may still read
    for (std::size_t i = 0; i < whole; ++i) ASSERT_EQ(read[i], file.steps[i]) << "cut at " << at;
    for (char bad : {'\0', '\xff', '\n', '+', 'T', '9'}) {
      if (at == file.data.size() || file.data[at] == bad) continue;
      std::string damaged = file.data;
      damaged[at] = bad;
      read = ReadAll(damaged);
      for (std::size_t i = 0; i < whole && i < read.size(); ++i) {
        ASSERT_EQ(read[i], file.steps[i]) << "byte " << at << " set to " << int(bad);
      }
      if (at >= 6) {
        ASSERT_GE(read.size(), whole) << "byte " << at << " set to " << int(bad);
      }
    }
  }
}

}  // namespace
}  // namespace tessivo
