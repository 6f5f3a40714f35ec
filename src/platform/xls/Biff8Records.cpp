#include "platform/xls/Biff8Records.h"

#include <cmath>
#include <cstring>

namespace mvq::xls::biff8 {
namespace {

void Put8(Bytes& out, uint8_t v) {
  out.push_back(v);
}
void Put16(Bytes& out, uint16_t v) {
  out.push_back(static_cast<uint8_t>(v));
  out.push_back(static_cast<uint8_t>(v >> 8));
}
void Put32(Bytes& out, uint32_t v) {
  for (int i = 0; i < 4; ++i) out.push_back(static_cast<uint8_t>(v >> (8 * i)));
}
void PutDouble(Bytes& out, double v) {
  uint64_t bits;
  std::memcpy(&bits, &v, 8);
  for (int i = 0; i < 8; ++i) out.push_back(static_cast<uint8_t>(bits >> (8 * i)));
}

// Starts a record whose data length is known; the caller appends exactly `size` bytes.
void Header(Bytes& out, uint16_t id, uint16_t size) {
  Put16(out, id);
  Put16(out, size);
}

bool AllLatin1(std::u16string_view s) {
  for (char16_t c : s)
    if (c > 0xFF) return false;
  return true;
}

// Character bytes of a string after its flag byte: Latin-1 when every unit fits a byte.
void PutChars(Bytes& out, std::u16string_view s, bool compressed) {
  for (char16_t c : s) {
    if (compressed)
      Put8(out, static_cast<uint8_t>(c));
    else
      Put16(out, c);
  }
}

size_t CharBytes(std::u16string_view s) {
  return s.size() * (AllLatin1(s) ? 1 : 2);
}

// ShortXLUnicodeString: 8-bit count, flag byte, characters.
void PutShortString(Bytes& out, std::u16string_view s) {
  const bool compressed = AllLatin1(s);
  Put8(out, static_cast<uint8_t>(s.size()));
  Put8(out, compressed ? 0 : 1);
  PutChars(out, s, compressed);
}

// XLUnicodeString: 16-bit count, flag byte, characters.
void PutString(Bytes& out, std::u16string_view s) {
  const bool compressed = AllLatin1(s);
  Put16(out, static_cast<uint16_t>(s.size()));
  Put8(out, compressed ? 0 : 1);
  PutChars(out, s, compressed);
}

void CellHeader(Bytes& out, uint16_t id, uint16_t size, uint16_t row, uint16_t col, uint16_t xf) {
  Header(out, id, size);
  Put16(out, row);
  Put16(out, col);
  Put16(out, xf);
}

}  // namespace

void Record(Bytes& out, uint16_t id, std::span<const uint8_t> data) {
  Header(out, id, static_cast<uint16_t>(data.size()));
  out.insert(out.end(), data.begin(), data.end());
}

void Record16(Bytes& out, uint16_t id, uint16_t value) {
  Header(out, id, 2);
  Put16(out, value);
}

void Bof(Bytes& out, Substream type) {
  Header(out, kBof, 16);
  Put16(out, 0x0600);  // BIFF8
  Put16(out, static_cast<uint16_t>(type));
  Put16(out, 0x0DBB);  // build
  Put16(out, 0x07CC);  // build year 1996
  Put32(out, 0);       // file history flags
  Put32(out, 0x06);    // lowest BIFF version that reads every record: BIFF8
}

void Eof(Bytes& out) {
  Header(out, kEof, 0);
}

void InterfaceHdr(Bytes& out) {
  Record16(out, kInterfaceHdr, 1200);
}

void WriteAccess(Bytes& out, std::u16string_view user) {
  Header(out, kWriteAccess, 112);
  const size_t start = out.size();
  PutString(out, user.substr(0, 54));
  out.resize(start + 112, 0x20);
}

void CodePage(Bytes& out) {
  Record16(out, kCodePage, 1200);
}

void Window1(Bytes& out, uint16_t activeSheet) {
  Header(out, kWindow1, 18);
  Put16(out, 0x0000);       // left, in twips
  Put16(out, 0x0000);       // top
  Put16(out, 0x3A5C);       // width
  Put16(out, 0x23BE);       // height
  Put16(out, 0x0038);       // horizontal and vertical scroll bars, sheet tabs shown
  Put16(out, activeSheet);  // the selected tab
  Put16(out, 0);            // first tab shown
  Put16(out, 1);            // tabs selected
  Put16(out, 600);          // tab bar takes 60% of the scroll bar's width
}

void Font(Bytes& out, std::u16string_view name, uint16_t heightTwips, bool bold) {
  Header(out, kFont, static_cast<uint16_t>(16 + CharBytes(name)));
  Put16(out, heightTwips);
  Put16(out, 0);                 // no italic, strike-out, outline, shadow
  Put16(out, 0x7FFF);            // the window text colour
  Put16(out, bold ? 700 : 400);  // weight
  Put16(out, 0);                 // no super- or subscript
  Put8(out, 0);                  // no underline
  Put8(out, 0);                  // font family not given
  Put8(out, 0);                  // ANSI character set
  Put8(out, 0);
  PutShortString(out, name);
}

void Format(Bytes& out, uint16_t index, std::u16string_view code) {
  Header(out, kFormat, static_cast<uint16_t>(5 + CharBytes(code)));
  Put16(out, index);
  PutString(out, code);
}

void Xf(Bytes& out, const XfSpec& xf) {
  Header(out, kXf, 20);
  Put16(out, xf.font);
  Put16(out, xf.format);
  // Locked; a style XF has the style bit and parent 0xFFF, a cell XF parent style XF 0.
  Put16(out, xf.style ? 0xFFF5 : 0x0001);
  Put8(out, 0x20);  // general alignment, bottom aligned, no wrap
  Put8(out, 0);     // no rotation
  Put8(out, 0);     // no indent, no shrink, context reading order
  Put8(out, xf.usedAttributes);
  Put32(out, 0);       // no borders
  Put32(out, 0);       // no border colours, no diagonal, no fill pattern
  Put16(out, 0x20C0);  // pattern colours: system foreground 64 and background 65
}

void BuiltinStyle(Bytes& out, uint16_t xf, uint8_t builtinId) {
  Header(out, kStyle, 4);
  Put16(out, static_cast<uint16_t>(0x8000 | xf));
  Put8(out, builtinId);
  Put8(out, 0xFF);  // no outline level
}

size_t BoundSheetSize(std::u16string_view name) {
  return 4 + 8 + CharBytes(name);
}

void BoundSheet(Bytes& out, uint32_t bofPosition, std::u16string_view name) {
  Header(out, kBoundSheet, static_cast<uint16_t>(BoundSheetSize(name) - 4));
  Put32(out, bofPosition);
  Put8(out, 0);  // visible
  Put8(out, 0);  // worksheet
  PutShortString(out, name);
}

void ExtSst(Bytes& out, uint16_t stringsPerBucket,
            std::span<const std::pair<uint32_t, uint16_t>> buckets) {
  Header(out, kExtSst, static_cast<uint16_t>(2 + 8 * buckets.size()));
  Put16(out, stringsPerBucket);
  for (const auto& [position, offset] : buckets) {
    Put32(out, position);
    Put16(out, offset);
    Put16(out, 0);
  }
}

void DefaultRowHeight(Bytes& out) {
  Header(out, kDefaultRowHeight, 4);
  Put16(out, 0);    // rows have the default height
  Put16(out, 255);  // 12.75 points, in twips
}

void WsBool(Bytes& out) {
  // Automatic page breaks shown, outline symbols shown, summary rows below and columns
  // right of detail.
  Record16(out, kWsBool, 0x04C1);
}

void Guts(Bytes& out) {
  Header(out, kGuts, 8);
  for (int i = 0; i < 4; ++i) Put16(out, 0);  // no outline
}

void Delta(Bytes& out) {
  Header(out, kDelta, 8);
  PutDouble(out, 0.001);
}

void DefColWidth(Bytes& out, uint16_t chars) {
  Record16(out, kDefColWidth, chars);
}

void ColInfo(Bytes& out, uint16_t firstCol, uint16_t lastCol, uint16_t width, uint16_t xf) {
  Header(out, kColInfo, 12);
  Put16(out, firstCol);
  Put16(out, lastCol);
  Put16(out, width);
  Put16(out, xf);
  Put16(out, 0x0006);  // width set by the user and fitted to the content
  Put16(out, 0);
}

void Dimensions(Bytes& out, uint32_t rows, uint16_t cols) {
  Header(out, kDimensions, 14);
  Put32(out, 0);
  Put32(out, rows);
  Put16(out, 0);
  Put16(out, cols);
  Put16(out, 0);
}

void Window2(Bytes& out, bool active) {
  Header(out, kWindow2, 18);
  // Grid lines, headers, zero values, default header colour and outline symbols shown;
  // the active sheet is also selected and the one shown.
  Put16(out, active ? 0x06B6 : 0x00B6);
  Put16(out, 0);   // top row shown
  Put16(out, 0);   // left column shown
  Put16(out, 64);  // grid line colour: the default
  Put16(out, 0);
  Put16(out, 0);  // page break preview zoom: default
  Put16(out, 0);  // normal view zoom: default
  Put32(out, 0);
}

void LabelSst(Bytes& out, uint16_t row, uint16_t col, uint16_t xf, uint32_t sstIndex) {
  CellHeader(out, kLabelSst, 10, row, col, xf);
  Put32(out, sstIndex);
}

void Number(Bytes& out, uint16_t row, uint16_t col, uint16_t xf, double value) {
  CellHeader(out, kNumber, 14, row, col, xf);
  PutDouble(out, value);
}

bool EncodeRk(double value, uint32_t& rk) {
  uint64_t bits;
  std::memcpy(&bits, &value, 8);
  if ((bits & 0x3FFFFFFFFull) == 0) {
    rk = static_cast<uint32_t>(bits >> 32);
    return true;
  }
  constexpr double kMin = -(1 << 29), kMax = (1 << 29) - 1;
  if (value == std::floor(value) && value >= kMin && value <= kMax) {
    rk = (static_cast<uint32_t>(static_cast<int32_t>(value)) << 2) | 0x2;
    return true;
  }
  const double hundred = value * 100;
  if (hundred == std::floor(hundred) && hundred >= kMin && hundred <= kMax) {
    const auto n = static_cast<int32_t>(hundred);
    if (n / 100.0 == value) {  // Excel divides back; only exact round trips qualify
      rk = (static_cast<uint32_t>(n) << 2) | 0x3;
      return true;
    }
  }
  return false;
}

void Rk(Bytes& out, uint16_t row, uint16_t col, uint16_t xf, uint32_t rk) {
  CellHeader(out, kRk, 10, row, col, xf);
  Put32(out, rk);
}

void NumberCell(Bytes& out, uint16_t row, uint16_t col, uint16_t xf, double value) {
  uint32_t rk;
  if (EncodeRk(value, rk))
    Rk(out, row, col, xf, rk);
  else
    Number(out, row, col, xf, value);
}

void BoolErr(Bytes& out, uint16_t row, uint16_t col, uint16_t xf, bool value) {
  CellHeader(out, kBoolErr, 8, row, col, xf);
  Put8(out, value ? 1 : 0);
  Put8(out, 0);  // a boolean, not an error code
}

}  // namespace mvq::xls::biff8
