// String and font records of the settings file, byte for byte.
#include <gtest/gtest.h>

#include "support/utFzRecords.h"

namespace mvq {
namespace {

std::string Hex(const std::string& bytes) {
  static const char d[] = "0123456789ABCDEF";
  std::string out;
  for (unsigned char c : bytes) {
    out += d[c >> 4];
    out += d[c & 15];
  }
  return out;
}

std::string Record(const std::string& text) {
  TFzWriteStream w;
  w.WriteString(text);
  return w.Bytes();
}

TFzReadStream Reader(const std::string& bytes) {
  return TFzReadStream(MemoryInput(bytes), "mem");
}

TEST(SettingsRecords, StringRecordsAreLengthThenScrambledHex) {
  // Nine bytes: N = 18, and the ninth byte is scrambled with the key's first byte again.
  EXPECT_EQ(Record("123456789"), std::string("\x12\x00", 2) + "0DA369D632E25F8305");
  EXPECT_EQ(Record(""), std::string("\x00\x00", 2));
  EXPECT_EQ(Record("A<Br>B<Br>"), std::string("\x14\x00", 2) + "7DAD1890399654F94EAF");
  // Text goes into the file as GBK bytes (D6 D0 CE C4).
  EXPECT_EQ(Record("中文"), std::string("\x08\x00", 2) + "EA419426");
  EXPECT_EQ(Hex(EncodeText("\xD6\xD0\xCE\xC4")), Hex("EA419426"));
}

TEST(SettingsRecords, DecodeStopsAtABadPairAndIgnoresAnOddLastCharacter) {
  EXPECT_EQ(DecodeText("0DA369D632E25F8305"), "123456789");
  EXPECT_EQ(DecodeText("0da369d6"), "1234");          // either letter case
  EXPECT_EQ(DecodeText("0DA369D6G2E25F83"), "1234");  // stops at "G2"
  EXPECT_EQ(DecodeText("0DA369D6 2E25F83"), "1234");  // and at " 2"
  EXPECT_EQ(DecodeText("0DA3694"), "123");            // odd last character
  EXPECT_EQ(DecodeText("-1A3"), "");
  EXPECT_EQ(DecodeText(""), "");
}

TEST(SettingsRecords, StringsComeBackWholeIncludingChineseAndCommas) {
  TFzWriteStream w;
  for (const char* s : {"", "edtSrc,Text,a,b,,c", "通用数据格式转换工具", "x"}) w.WriteString(s);
  auto r = Reader(w.Bytes());
  EXPECT_EQ(r.ReadString(), "");
  EXPECT_EQ(r.ReadString(), "edtSrc,Text,a,b,,c");
  EXPECT_EQ(r.ReadString(), "通用数据格式转换工具");
  EXPECT_EQ(r.ReadString(), "x");
  EXPECT_THROW(r.ReadString(), SettingsError);  // nothing left
}

TEST(SettingsRecords, OverlongTextIsCutToWholeCharactersThatFitARecord) {
  std::string ascii(40000, 'a');
  std::string rec = Record(ascii);
  size_t n = static_cast<unsigned char>(rec[0]) | static_cast<unsigned char>(rec[1]) << 8;
  EXPECT_EQ(n, 65534u);
  EXPECT_EQ(rec.size(), n + 2);
  EXPECT_EQ(Reader(rec).ReadString(), std::string(32767, 'a'));

  // Two ASCII bytes then Chinese: 32767 bytes would split a character, so it stops before.
  std::string mixed = "aa";
  for (int i = 0; i < 20000; ++i) mixed += "中";
  std::string back = Reader(Record(mixed)).ReadString();
  EXPECT_EQ(back.size(), 2 + 16382 * 3u);
  EXPECT_EQ(back.substr(back.size() - 3), "中");
}

TEST(SettingsRecords, RecordsRunningPastTheEndAreReadErrorsNamingTheInput) {
  std::string full = Record("123456789");
  for (size_t cut : {size_t{0}, size_t{1}, size_t{2}, full.size() - 1}) {
    auto r = Reader(full.substr(0, cut));
    try {
      r.ReadString();
      ADD_FAILURE() << "no error for " << cut << " bytes";
    } catch (const SettingsError& e) {
      EXPECT_NE(std::string(e.what()).find("mem"), std::string::npos) << e.what();
      EXPECT_NE(std::string(e.what()).find("past the end"), std::string::npos) << e.what();
    }
  }
}

FontRecord SampleFont() {
  FontRecord f;
  f.color = -16777208;  // a system colour: high byte set
  f.logFont.height = -12;
  f.logFont.width = 0;
  f.logFont.escapement = 900;
  f.logFont.orientation = 1;
  f.logFont.weight = 700;
  f.logFont.italic = 1;
  f.logFont.underline = 0;
  f.logFont.strikeOut = 1;
  f.logFont.charSet = 134;
  f.logFont.outPrecision = 3;
  f.logFont.clipPrecision = 2;
  f.logFont.quality = 1;
  f.logFont.pitchAndFamily = 0x22;
  f.logFont.faceName = "宋体";
  return f;
}

TEST(SettingsRecords, FontRecordOf60IsSizeColourAndTheLogicalFont) {
  TFzWriteStream w;
  w.WriteFont(SampleFont());
  std::string expected =
      "3C000000"  // 60
      "080000FF"  // colour
      "F4FFFFFF"
      "00000000"
      "84030000"  // height -12, width 0, escapement 900
      "01000000"
      "BC020000"          // orientation 1, weight 700
      "0100018603020122"  // italic .. pitch and family
      "CBCECCE5" +
      std::string(56, '0');  // "宋体" in GBK, zero-filled to 32 bytes
  EXPECT_EQ(Hex(w.Bytes()), expected);
  ASSERT_EQ(w.Bytes().size(), 68u);

  FontRecord back;
  auto r = Reader(w.Bytes());
  EXPECT_TRUE(r.ReadFont(back));
  EXPECT_EQ(back, SampleFont());
}

TEST(SettingsRecords, FontRecordOf0IsFourZeroBytesAndLeavesTheFontAlone) {
  TFzWriteStream w;
  w.WriteFont(std::nullopt);
  EXPECT_EQ(w.Bytes(), std::string(4, '\0'));

  FontRecord font = SampleFont();
  auto r = Reader(w.Bytes() + std::string("\x07\x00\x00\x00", 4));
  EXPECT_FALSE(r.ReadFont(font));
  EXPECT_FALSE(r.ReadFont(font));  // any other size too
  EXPECT_EQ(font, SampleFont());
}

TEST(SettingsRecords, FaceNamesAreBoundedInBothDirections) {
  FontRecord f;
  f.logFont.faceName = std::string(40, 'F');
  TFzWriteStream w;
  w.WriteFont(f);
  ASSERT_EQ(w.Bytes().size(), 68u);
  EXPECT_EQ(w.Bytes()[36 + 31], '\0');  // always terminated
  FontRecord back;
  Reader(w.Bytes()).ReadFont(back);
  EXPECT_EQ(back.logFont.faceName, std::string(31, 'F'));

  // A record whose name fills all 32 bytes without a terminator reads no further.
  std::string bytes = w.Bytes();
  bytes[36 + 31] = 'G';
  Reader(bytes + "trailing").ReadFont(back);
  EXPECT_EQ(back.logFont.faceName, std::string(31, 'F') + "G");

  auto r = Reader(w.Bytes().substr(0, 40));
  EXPECT_THROW(r.ReadFont(back), SettingsError);
}

}  // namespace
}  // namespace mvq
