// The one UTF-8 decoder: what every broken sequence becomes, wherever text is decoded.
#include "platform/text/Utf8.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/text/Gbk.h"

namespace mvq::text {
namespace {

const std::string kFffd = "\xEF\xBF\xBD";

std::string Repeat(const std::string& s, int n) {
  std::string out;
  for (int i = 0; i < n; ++i) out += s;
  return out;
}

// The text as the decoder reads it, re-encoded.
std::string Decoded(const std::string& utf8) {
  return Utf16ToUtf8(Utf8ToUtf16(utf8));
}

TEST(Utf8Decoding, WellFormedTextOfEveryLengthPassesUnchanged) {
  const std::string text = "A\xC3\xA9\xE5\xBC\xA0\xF0\x9D\x84\x9E\xF4\x8F\xBF\xBF\xEE\x80\x80";
  EXPECT_TRUE(IsValidUtf8(text));
  EXPECT_EQ(Decoded(text), text);
  EXPECT_EQ(Utf8ToUtf16(text),
            (std::u16string{u'A', 0xE9, 0x5F20, 0xD834, 0xDD1E, 0xDBFF, 0xDFFF, 0xE000}));
  // A U+FFFD the text spells is a character like any other.
  size_t i = 0;
  bool broken = true;
  EXPECT_EQ(NextCodePoint(kFffd, i, &broken), kReplacementCharacter);
  EXPECT_FALSE(broken);
  EXPECT_EQ(i, 3u);
}

TEST(Utf8Decoding, EachMaximalBrokenPartBecomesOneReplacementAndWhatFollowsIsKept) {
  struct Case {
    std::string in, out;
  };
  const std::vector<Case> cases = {
      {"a\xFF"
       "b",
       "a" + kFffd + "b"},             // a byte that starts nothing
      {"\x80\xBF", Repeat(kFffd, 2)},  // stray continuation bytes
      {"\xE5\xBC", kFffd},             // a character cut at the end
      {"\xE5\xBC"
       "x",
       kFffd + "x"},                                 // ... and before the next one
      {"\xF0\x9F\x98", kFffd},                       // four bytes cut after three
      {"\xC3\xE5\xBC\xA0", kFffd + "\xE5\xBC\xA0"},  // cut, then a whole character
      {"\xC0\xAF", Repeat(kFffd, 2)},                // overlong two-byte form
      {"\xE0\x80\xAF", Repeat(kFffd, 3)},            // overlong three-byte form
      {"\xED\xA0\x80", Repeat(kFffd, 3)},            // an encoded surrogate
      {"\xF4\x90\x80\x80", Repeat(kFffd, 4)},        // past U+10FFFF
      {"\xF5\x80", Repeat(kFffd, 2)},                // a lead byte no sequence has
  };
  for (const Case& c : cases) {
    EXPECT_EQ(Decoded(c.in), c.out) << c.in;
    EXPECT_FALSE(IsValidUtf8(c.in)) << c.in;
  }
}

TEST(Utf8Decoding, ALoneSurrogateBecomesTheReplacement) {
  EXPECT_EQ(Utf16ToUtf8(std::u16string{u'x', 0xD800, u'y'}), "x" + kFffd + "y");
  EXPECT_EQ(Utf16ToUtf8(std::u16string{0xDC00}), kFffd);
  EXPECT_EQ(Utf16ToUtf8(std::u16string{u'a', 0xD834}), "a" + kFffd);
}

TEST(Utf16Units, AreCountedAndCutWithoutSplittingACharacter) {
  const std::string clef = "\xF0\x9D\x84\x9E";  // two UTF-16 units
  const std::string text = "ab" + clef + "\xE5\xBC\xA0";
  EXPECT_EQ(Utf16Length(text), 5u);
  EXPECT_EQ(CutToUtf16Units(text, 3), "ab");  // the pair does not fit in one unit
  EXPECT_EQ(CutToUtf16Units(text, 4), "ab" + clef);
  EXPECT_EQ(CutToUtf16Units(text, 99), text);
  EXPECT_EQ(CutToUtf16Units(text, 0), "");
  // A broken part counts as the one unit it becomes and is kept whole.
  EXPECT_EQ(Utf16Length("\xE5\xBC"
                        "x"),
            2u);
  EXPECT_EQ(CutToUtf16Units("\xE5\xBC"
                            "x",
                            1),
            "\xE5\xBC");
}

TEST(Utf8Decoding, GbkConversionSkipsOnlyTheBrokenPart) {
  EXPECT_EQ(Utf8ToGbk("\xE5"
                      "ab"),
            "?ab");
  EXPECT_EQ(Utf8ToGbk("\x80"
                      "a\xE5\xAE\xA2"),
            "?a\xBF\xCD");
  EXPECT_EQ(Utf8ToGbk("x\xF0\x9F\x98\x80y"), "x?y");  // a character GBK has not
}

}  // namespace
}  // namespace mvq::text
