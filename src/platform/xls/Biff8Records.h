#pragma once
// BIFF8 records, one function per record: each appends the record (4-byte header of id and
// data length, then the data, little-endian) to a byte buffer.
#include <cstdint>
#include <span>
#include <string_view>
#include <vector>

namespace mvq::xls::biff8 {

using Bytes = std::vector<uint8_t>;

inline constexpr size_t kMaxRecordData = 8224;  // longer data goes on in CONTINUE records

enum RecordId : uint16_t {
  kEof = 0x000A,
  kCalcCount = 0x000C,
  kCalcMode = 0x000D,
  kPrecision = 0x000E,
  kRefMode = 0x000F,
  kDelta = 0x0010,
  kIteration = 0x0011,
  kProtect = 0x0012,
  kPassword = 0x0013,
  kWindowProtect = 0x0019,
  kDateMode = 0x0022,
  kPrintHeaders = 0x002A,
  kPrintGridlines = 0x002B,
  kFont = 0x0031,
  kContinue = 0x003C,
  kWindow1 = 0x003D,
  kBackup = 0x0040,
  kCodePage = 0x0042,
  kDefColWidth = 0x0055,
  kWriteAccess = 0x005C,
  kSaveRecalc = 0x005F,
  kColInfo = 0x007D,
  kGuts = 0x0080,
  kWsBool = 0x0081,
  kGridSet = 0x0082,
  kBoundSheet = 0x0085,
  kCountry = 0x008C,
  kHideObj = 0x008D,
  kFnGroupCount = 0x009C,
  kMms = 0x00C1,
  kBookBool = 0x00DA,
  kXf = 0x00E0,
  kInterfaceHdr = 0x00E1,
  kInterfaceEnd = 0x00E2,
  kSst = 0x00FC,
  kLabelSst = 0x00FD,
  kExtSst = 0x00FF,
  kUsesElfs = 0x0160,
  kDsf = 0x0161,
  kProt4Rev = 0x01AF,
  kRefreshAll = 0x01B7,
  kProt4RevPass = 0x01BC,
  kDimensions = 0x0200,
  kNumber = 0x0203,
  kBoolErr = 0x0205,
  kWindow2 = 0x023E,
  kRk = 0x027E,
  kStyle = 0x0293,
  kFormat = 0x041E,
  kDefaultRowHeight = 0x0225,
  kBof = 0x0809,
};

// Any record from its data (at most kMaxRecordData bytes).
void Record(Bytes& out, uint16_t id, std::span<const uint8_t> data);
// A record whose data is one 16-bit value (CODEPAGE, PROTECT, DATEMODE ...).
void Record16(Bytes& out, uint16_t id, uint16_t value);

enum class Substream : uint16_t { kGlobals = 0x0005, kWorksheet = 0x0010 };
void Bof(Bytes& out, Substream type);
void Eof(Bytes& out);

// ---- workbook globals ----
void InterfaceHdr(Bytes& out);                           // code page of the user interface: UTF-16
void WriteAccess(Bytes& out, std::u16string_view user);  // 112 bytes, space-padded
void CodePage(Bytes& out);                               // 1200: strings are UTF-16
void Window1(Bytes& out, uint16_t activeSheet);
void Font(Bytes& out, std::u16string_view name, uint16_t heightTwips, bool bold);
void Format(Bytes& out, uint16_t index, std::u16string_view code);
struct XfSpec {
  uint16_t font = 0;
  uint16_t format = 0;
  bool style = false;          // a style XF; otherwise a cell XF with parent XF 0
  uint8_t usedAttributes = 0;  // the fAtr* bits (byte at offset 9)
};
void Xf(Bytes& out, const XfSpec& xf);
void BuiltinStyle(Bytes& out, uint16_t xf, uint8_t builtinId);
// BOUNDSHEET: where the sheet's BOF lies in the Workbook stream, and its name.
void BoundSheet(Bytes& out, uint32_t bofPosition, std::u16string_view name);
size_t BoundSheetSize(std::u16string_view name);
void ExtSst(Bytes& out, uint16_t stringsPerBucket,
            std::span<const std::pair<uint32_t, uint16_t>> buckets);

// ---- worksheet ----
void DefaultRowHeight(Bytes& out);
void WsBool(Bytes& out);
void Guts(Bytes& out);
void Delta(Bytes& out);
void DefColWidth(Bytes& out, uint16_t chars);
// Width in 1/256 of the width of the default font's "0".
void ColInfo(Bytes& out, uint16_t firstCol, uint16_t lastCol, uint16_t width, uint16_t xf);
// rows and cols are counts (one past the last used row and column).
void Dimensions(Bytes& out, uint32_t rows, uint16_t cols);
void Window2(Bytes& out, bool active);

// ---- cells ----
void LabelSst(Bytes& out, uint16_t row, uint16_t col, uint16_t xf, uint32_t sstIndex);
void Number(Bytes& out, uint16_t row, uint16_t col, uint16_t xf, double value);
// The RK form of value when it has one (30-bit integer, a double whose low 34 bits are
// zero, or either of those divided by 100 exactly).
bool EncodeRk(double value, uint32_t& rk);
void Rk(Bytes& out, uint16_t row, uint16_t col, uint16_t xf, uint32_t rk);
// A number as RK when exact, as NUMBER otherwise.
void NumberCell(Bytes& out, uint16_t row, uint16_t col, uint16_t xf, double value);
void BoolErr(Bytes& out, uint16_t row, uint16_t col, uint16_t xf, bool value);

}  // namespace mvq::xls::biff8
