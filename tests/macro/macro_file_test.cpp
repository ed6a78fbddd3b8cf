#include "macro/macro_file.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/file_name_bytes.h"

namespace tessivo {
namespace {

using namespace std::string_literals;

MacroStep Step(int mode, std::array<int, 3> params, std::u16string text1 = {},
               std::u16string text2 = {}) {
  MacroStep step;
  step.mode = mode;
  step.params = params;
  step.text1 = std::move(text1);
  step.text2 = std::move(text2);
  return step;
}

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
      {Step(4, {4, 1, 0}, u"a an"), "Aa 410!`!.\0\0\n"s},
      {Step(5, {1, 15, 0}), "ZH 1?0\0\0\n"s},
      {Step(6, {2, 0, 0}), "8_3200\0\0\n"s},
      {Step(7, {1, 9, 9}, u"x"), "ADD1998\0\0\n"s},
      {Step(8, {11, 0, 5}, u"12"), "DEL;05qr\0\0\n"s},
      {Step(9, {3, 9, 4}, u"年-", u"YYYY"), "TIM394\xd4\x0em\0\x19\x19\x19\x19\0\n"s},
      // é is not in the code page: stored as the escape "\u00e9", scrambled.
      {Step(10, {2, 1, 3}, u"a/b", u"é"), "REP213!o\"\0\x1c""5pp%y\0\n"s},
      {Step(11, {0, 0, 0}), "dmy000\0\0\n"s},
      {Step(12, {6, 5, 3}), "RND653\0\0\n"s},
      // 'J' scrambles to LF, which is no line end inside a field.
      {Step(2, {0, 0, 0}, u"J"), "EXT000\n\0\0\n"s},
  };
}

TEST(MacroFileTest, EveryStepCodeIsWrittenByteExactAndReadBack) {
  for (const LineCase& c : LineCases()) {
    SCOPED_TRACE("mode " + std::to_string(c.step.mode) + " " + Utf16ToUtf8(c.step.text1));
    const std::string line = EncodeStepLine(c.step);
    EXPECT_EQ(line, c.line);
    MacroReader reader(EncodeMacroHeader(false) + line);
    ASSERT_EQ(reader.Next(), MacroRead::kHeader);
    ASSERT_EQ(reader.Next(), MacroRead::kStep);
    EXPECT_EQ(reader.step(), c.step);
    EXPECT_EQ(reader.position(), 6 + c.line.size());
    EXPECT_EQ(reader.Next(), MacroRead::kEnd);
  }
}

TEST(MacroFileTest, HeaderAndParameterClamping) {
  EXPECT_EQ(EncodeMacroHeader(false), "TS150\n");
  EXPECT_EQ(EncodeMacroHeader(true), "TS151\n");
  // Out-of-range values are written as the nearest value a reader takes.
  EXPECT_EQ(EncodeStepLine(Step(8, {12, -1, 10})), "DEL;09\0\0\n"s);
  EXPECT_EQ(EncodeStepLine(Step(13, {0, 0, 0})), "");
  EXPECT_EQ(EncodeStepLine(Step(0, {0, 0, 0})), "");
  // A NUL ends a text, so no field can end early.
  EXPECT_EQ(EncodeStepLine(Step(2, {0, 0, 0}, u"a\0b"s)), "EXT000!\0\0\n"s);
}

TEST(MacroFileTest, ScrambleKeepsTheBytesWithoutLowBitsAndIsItsOwnInverse) {
  std::string all;
  for (int b = 0; b < 256; ++b) all += static_cast<char>(b);
  std::string scrambled = all.substr(1);  // no NUL inside a field
  ScrambleText(scrambled);
  for (std::size_t i = 0; i < scrambled.size(); ++i) {
    const auto before = static_cast<unsigned char>(all[i + 1]);
    const auto after = static_cast<unsigned char>(scrambled[i]);
    EXPECT_EQ(after, (before & 0x3F) == 0 ? before : (before ^ 0x40)) << "byte " << int(before);
  }
  ScrambleText(scrambled);
  EXPECT_EQ(scrambled, all.substr(1));
  // Longer than 2600 bytes: left as it is.
  std::string long_text(kScrambleLimit + 1, 'a');
  ScrambleText(long_text);
  EXPECT_EQ(long_text, std::string(kScrambleLimit + 1, 'a'));
}

TEST(MacroFileTest, MapEntriesEncodeAndDecode) {
  const struct {
    std::int32_t value;
    const char* stored;
  } cases[] = {{-7, "00"}, {-1, "00"}, {0, "01"}, {9, "0a"}, {253, "fe"}, {254, "ff"},
               {255, "+0"}, {258, "+3"}, {260, "+5"}, {5000, "+5"}};
  for (const auto& c : cases) EXPECT_EQ(EncodeMapEntry(c.value), c.stored) << c.value;

  // A position-edit line: the identity map and a template, posedtnoext on.
  MacroStep step;
  step.mode = 1;
  for (std::size_t i = 0; i < kPositionMapEntries; ++i) step.map[i] = static_cast<int>(i);
  step.no_extension = true;
  step.text1 = u"ab";
  const std::string line = EncodeStepLine(step);
  ASSERT_EQ(line.size(), 526u + 2);
  EXPECT_EQ(line.substr(0, 7), "EDT0102");
  EXPECT_EQ(line.substr(3 + 2 * 254, 8), "ff+0+1+2");
  EXPECT_EQ(line.substr(3 + 2 * 258, 2), "+3");
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
  EXPECT_EQ(odd_reader.step().map[0], -1);
  EXPECT_EQ(odd_reader.step().map[1], -1);
  EXPECT_EQ(odd_reader.step().map[2], 0xF0 - 1);
  EXPECT_EQ(odd_reader.step().map[3], 255 + 9);
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
  const struct {
    std::string data;
    MacroRead first;
    MacroRead second;
    int version;
  } cases[] = {
      {"TS110\n", MacroRead::kHeader, MacroRead::kEnd, 11},
      {"TS151\nRND000\0\0\n"s, MacroRead::kHeader, MacroRead::kStep, 15},
      {"TS160\n", MacroRead::kUnsupportedVersion, MacroRead::kUnsupportedVersion, 16},
      {"TS100\n", MacroRead::kUnsupportedVersion, MacroRead::kUnsupportedVersion, 10},
      {"TSx5", MacroRead::kUnsupportedVersion, MacroRead::kUnsupportedVersion, -1},
      {"TS152\n", MacroRead::kEnd, MacroRead::kEnd, 15},  // neither files nor folders
      {"TS15", MacroRead::kEnd, MacroRead::kEnd, 15},     // cut before the kind
      {"DEL<00\0\0\n"s, MacroRead::kEnd, MacroRead::kEnd, 0},  // kind 12 does not exist
      {"DEL/00\0\0\n"s, MacroRead::kEnd, MacroRead::kEnd, 0},  // below '0'
      {"ZH 0@0\0\0\n"s, MacroRead::kEnd, MacroRead::kEnd, 0},  // class bits above 15
      {"ext100\0\0\n"s, MacroRead::kEnd, MacroRead::kEnd, 0},  // codes are case-sensitive
      {"", MacroRead::kEnd, MacroRead::kEnd, 0},
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
  std::string data = "EXT100" + std::string(70000, 'a') + "\0\0\n"s + "RND000\0\0\n"s;
  MacroReader reader(data);
  EXPECT_EQ(reader.size(), kMacroReadLimit);
  ASSERT_EQ(reader.Next(), MacroRead::kStep);
  EXPECT_EQ(reader.step().text1.size(), kStepTextReadCapacity - 1);
  EXPECT_EQ(reader.Next(), MacroRead::kEnd);
}

// A file with one line of every kind, for the damage sweeps.
std::string SampleFile(std::vector<std::size_t>* line_ends, std::vector<MacroStep>* steps) {
  std::string data = EncodeMacroHeader(false);
  MacroStep edit;
  edit.mode = 1;
  // -1..260 over the written entries; the last one reads "00" back.
  for (std::size_t i = 0; i < kPositionMapWritten; ++i) {
    edit.map[i] = static_cast<int>(i * 7 % 262) - 1;
  }
  edit.map[259] = -1;
  edit.text1 = u"テンプレート_\u00e9";
  std::vector<MacroStep> all = {edit};
  for (const LineCase& c : LineCases()) all.push_back(c.step);
  for (const MacroStep& step : all) {
    data += EncodeStepLine(step);
    line_ends->push_back(data.size());
  }
  *steps = all;
  return data;
}

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

TEST(MacroFileTest, EveryTruncationKeepsTheWholeLinesBeforeIt) {
  std::vector<std::size_t> ends;
  std::vector<MacroStep> steps;
  const std::string data = SampleFile(&ends, &steps);
  ASSERT_EQ(ReadAll(data), steps);
  for (std::size_t cut = 0; cut <= data.size(); ++cut) {
    const std::vector<MacroStep> read = ReadAll(data.substr(0, cut));
    std::size_t whole = 0;
    while (whole < ends.size() && ends[whole] <= cut) ++whole;
    ASSERT_GE(read.size(), whole) << "cut at " << cut;
    ASSERT_LE(read.size(), whole + 1) << "cut at " << cut;  // the cut line may still read
    for (std::size_t i = 0; i < whole; ++i) ASSERT_EQ(read[i], steps[i]) << "cut at " << cut;
  }
}

TEST(MacroFileTest, DamagedBytesEndTheReadingCleanly) {
  std::vector<std::size_t> ends;
  std::vector<MacroStep> steps;
  const std::string data = SampleFile(&ends, &steps);
  for (std::size_t at = 0; at < data.size(); ++at) {
    for (char bad : {'\0', '\xff', '\n', '+', 'T', '9'}) {
      std::string damaged = data;
      if (damaged[at] == bad) continue;
      damaged[at] = bad;
      const std::vector<MacroStep> read = ReadAll(damaged);
      std::size_t intact = 0;
      while (intact < ends.size() && ends[intact] <= at) ++intact;
      // The lines before the damaged one are read as written.
      for (std::size_t i = 0; i < intact && i < read.size(); ++i) {
        ASSERT_EQ(read[i], steps[i]) << "byte " << at << " set to " << int(bad);
      }
      if (at >= 6) {
        ASSERT_GE(read.size(), intact) << "byte " << at << " set to " << int(bad);
      }
    }
  }
}

}  // namespace
}  // namespace tessivo
