#include "modes/serial.h"

#include <gtest/gtest.h>

#include <iterator>
#include <string>
#include <utility>
#include <vector>

#include "platform/file_name_bytes.h"

namespace tessivo {
namespace {

struct SerialCase {
  std::u16string text;
  std::vector<std::u16string> rows;  // the serial strings of rows 0, 1, 2, ...
};

void ExpectRows(const SerialCase& c) {
  SCOPED_TRACE("serial text \"" + Utf16ToUtf8(c.text) + "\"");
  SerialRunState state;
  for (std::size_t r = 0; r < c.rows.size(); ++r) {
    SCOPED_TRACE("row " + std::to_string(r));
    EXPECT_EQ(MakeSerialString(c.text, r, u"/d/a.txt"), c.rows[r]);
    // The mode itself, placing the serial as the whole new name.
    EXPECT_EQ(ApplySerial(u"/d/a.txt", {c.text, kSerialAsName, false}, r, state),
              u"/d/" + c.rows[r]);
  }
}

TEST(Serial, NumbersRowsFromTheSerialText) {
  const SerialCase cases[] = {
      {u"001", {u"001", u"002", u"003"}},        {u"photo_9", {u"photo_9", u"photo_10"}},
      {u"IMG", {u"IMG1", u"IMG2"}},              {u"2014_<001>", {u"2014_001", u"2014_002"}},
      {u"001_2014", {u"001_2014", u"001_2015"}}, {u"<Z+1>", {u"Z", u"AA", u"AB"}},
      {u"<>", {u"1", u"2", u"3"}},               {u"<zz>", {u"zz", u"aaa"}},
      {u"123456789012", {u"123456789012", u"123456789013"}},
      {u"<1234567890123>", {u"1234567890123", u"1234567890124"}},
      {u"<10-3>", {u"10", u"07", u"04", u"01", u"00"}},
      {u"<b-1>", {u"b", u"a", u""}},             {u"<1>a>b", {u"1ab", u"2ab"}},
      {u"<009+10>", {u"009", u"019", u"029"}},   {u"<+0>", {u"1", u"1", u"1"}},
      {u"<-3>", {u"1", u"0", u"0"}},             {u"<AB-7>", {u"AB", u"U", u"N"}},
      {u"x2014_<001+5>y", {u"x2014_001y", u"x2014_006y"}},
      // Five increment digits at most: the sixth is text after the number.
      {u"<1+123456>", {u"16", u"123466"}},
      // Without "<" ... ">" the markers are ordinary text.
      {u"a<b", {u"a<b1", u"a<b2"}},
      {u"<<1>", {u"11", u"21"}},                 {u"\\f_\\f_1", {u"d_d_1", u"d_d_2"}},
  };
  for (const SerialCase& c : cases) ExpectRows(c);
  // Only the first 256 characters count.
  EXPECT_EQ(MakeSerialString(std::u16string(300, u'x'), 0, u"/d/a"),
            std::u16string(256, u'x') + u"1");
}

TEST(Serial, PlacesTheSerialAndCutsAt259) {
  const std::u16string source = u"/d/a.txt";
  const std::pair<int, std::u16string> cases[] = {
      {kSerialAtFront, u"/d/7a.txt"},        {kSerialAfterBase, u"/d/a7.txt"},
      {kSerialAfterExtension, u"/d/a.txt7"}, {kSerialAsName, u"/d/7"},
      {kSerialAsNameWithExtension, u"/d/7.txt"}, {5, source},
  };
  for (const auto& [placement, expected] : cases) {
    SCOPED_TRACE("numinspos " + std::to_string(placement));
    SerialRunState state;
    EXPECT_EQ(ApplySerial(source, {u"7", placement, false}, 0, state), expected);
  }
  const std::u16string long_source = u"/d/" + std::u16string(250, u'n') + u".txt";
  SerialRunState state;
  const std::u16string cut =
      ApplySerial(long_source, {u"12345", kSerialAfterBase, false}, 0, state);
  EXPECT_EQ(cut.size(), 259u);
  EXPECT_EQ(cut, (u"/d/" + std::u16string(250, u'n') + u"12345.txt").substr(0, 259));
  // Tokens expand against the row's own path, with its size.
  EXPECT_EQ(ApplySerial(u"/photos/a.jpg", {u"\\f_<1>_\\s", kSerialAsNameWithExtension, false}, 1,
                        state, [](const std::u16string&) -> std::uint64_t { return 42; }),
            u"/photos/photos_2_42.jpg");
}

TEST(Serial, NumbersEachFolderOnItsOwn) {
  SerialRunState state;
  const SerialParams params{u"1", kSerialAsName, true};
  const std::u16string sources[] = {u"/A/x", u"/B/x", u"/A/y", u"/a/z", u"/A/w"};
  const std::u16string expected[] = {u"/A/1", u"/B/1", u"/A/2", u"/a/1", u"/A/3"};
  for (std::size_t i = 0; i < std::size(sources); ++i) {
    // The run's row index is ignored per folder.
    EXPECT_EQ(ApplySerial(sources[i], params, 100 + i, state), expected[i]) << i;
  }
  state.Reset();
  EXPECT_EQ(ApplySerial(u"/A/x", params, 0, state), u"/A/1");
  // A changed serial text is parsed afresh within the same run.
  EXPECT_EQ(ApplySerial(u"/A/x", {u"<a>", kSerialAsName, true}, 0, state), u"/A/b");
}

// The assistant splits `text` into `fields`, and joining them gives `joined`.
TEST(SerialAssistant, SplitsAndJoinsTheSerialText) {
  const struct {
    std::u16string text;
    SerialFields fields;
    std::u16string joined;
  } cases[] = {
      {u"photo_9", {u"photo_", u"9", false, u"1", u""}, u"photo_<9>"},
      {u"IMG", {u"IMG", u"", false, u"1", u""}, u"IMG<1>"},
      {u"123456789012", {u"123", u"456789012", false, u"1", u""}, u"123<456789012>"},
      {u"1a2b", {u"1a", u"2", false, u"1", u"b"}, u"1a<2>b"},
      {u"<10-2>x", {u"", u"10", true, u"2", u"x"}, u"<10-2>x"},
      {u"<10-1>", {u"", u"10", true, u"1", u""}, u"<10-1>"},
      {u"<10+3>", {u"", u"10", false, u"3", u""}, u"<10+3>"},
      {u"<3->", {u"", u"3", true, u"1", u""}, u"<3-1>"},
      // Markers are left out when nothing needs them.
      {u"<5-0>", {u"", u"5", false, u"1", u""}, u"5"},
      {u"<005>", {u"", u"005", false, u"1", u""}, u"<005>"},
      {u"<>", {u"", u"", false, u"1", u""}, u"<1>"},
      {u"<1-999999999>", {u"", u"1", true, u"100000000", u""}, u"<1-100000000>"},
      {u"<1+2-3>", {u"", u"1", false, u"2", u""}, u"<1+2>"},
      {u"<1>+2", {u"", u"1", false, u"1", u"+2"}, u"<1>+2"},
      {u"a>b<c", {u"", u"a>b<c", false, u"1", u""}, u"<a>b<c>"},
  };
  auto show = [](const SerialFields& f) {
    return Utf16ToUtf8(f.before + u"|" + f.start + u"|" + f.increment + u"|" + f.after) +
           (f.negative ? " down" : " up");
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(Utf16ToUtf8(c.text));
    EXPECT_EQ(show(SplitSerialText(c.text)), show(c.fields));
    EXPECT_EQ(JoinSerialText(c.fields), c.joined);
  }
  const std::u16string long_field(200, u'x');
  EXPECT_EQ(JoinSerialText({long_field, long_field, false, u"1", long_field}),
            std::u16string(127, u'x') + u"<" + std::u16string(127, u'x') + u">" +
                std::u16string(127, u'x'));
}

TEST(SerialAssistant, SplitThenJoinNumbersTheSame) {
  const std::u16string texts[] = {u"1",          u"001",          u"photo_9",  u"IMG", u"",
                                  u"2014_<001>", u"001_2014",     u"<10-2>",   u"<a>", u"<Z+1>",
                                  u"<>",         u"123456789012", u"a<1>b-<c>"};
  for (const std::u16string& text : texts) {
    const std::u16string joined = JoinSerialText(SplitSerialText(text));
    SCOPED_TRACE(Utf16ToUtf8(text) + " -> " + Utf16ToUtf8(joined));
    for (std::uint64_t r = 0; r < 4; ++r) {
      EXPECT_EQ(MakeSerialString(joined, r, u"/d/a"), MakeSerialString(text, r, u"/d/a"));
    }
  }
}

}  // namespace
}  // namespace tessivo
