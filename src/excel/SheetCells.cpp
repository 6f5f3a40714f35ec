#include "excel/SheetCells.h"

#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "engine/StrFormat.h"
#include "platform/text/Utf8.h"
#include "platform/xls/Unicode.h"
#include "platform/xls/Workbook.h"
#include "support/utLog.h"

namespace mvq::excel {
namespace {

// Excel keeps 15 significant digits of a number.
constexpr size_t kExcelDigits = 15;

std::string Hex(const db::Bytes& bytes) {
  static constexpr char kDigits[] = "0123456789ABCDEF";
  std::string out;
  out.reserve(bytes.size() * 2);
  for (uint8_t b : bytes) {
    out += kDigits[b >> 4];
    out += kDigits[b & 0x0F];
  }
  return out;
}

// Digits from the first non-zero one to the last non-zero one of a plain decimal text;
// SIZE_MAX when the text is not a plain decimal.
size_t SignificantDigits(const std::string& text) {
  size_t first = std::string::npos, last = 0, digits = 0, at = 0;
  if (at < text.size() && (text[at] == '-' || text[at] == '+')) ++at;
  bool point = false, any = false;
  for (; at < text.size(); ++at) {
    const char c = text[at];
    if (c == '.' && !point) {
      point = true;
      continue;
    }
    if (c < '0' || c > '9') return SIZE_MAX;
    any = true;
    if (c != '0') {
      if (first == std::string::npos) first = digits;
      last = digits;
    }
    ++digits;
  }
  if (!any) return SIZE_MAX;
  return first == std::string::npos ? 0 : last - first + 1;
}

// The shortest text that reads back as d, in plain or exponent form.
std::string ShortestText(double d) {
  char b[32];
  auto r = std::to_chars(b, b + sizeof b, d, std::chars_format::scientific);
  std::string s(b, r.ptr);
  return s.substr(0, s.find('e'));
}

xls::Cell NumberOrText(const std::string& text) {
  if (SignificantDigits(text) > kExcelDigits) return xls::Cell::Text(text);
  return xls::Cell::Number(std::strtod(text.c_str(), nullptr));
}

}  // namespace

bool IsLargeObject(const db::FieldDesc& field) {
  switch (field.category) {
    case db::ftBlob:
    case db::ftMemo:
    case db::ftGraphic:
    case db::ftFmtMemo:
    case db::ftParadoxOle:
    case db::ftDBaseOle:
    case db::ftTypedBinary:
    case db::ftOraBlob:
    case db::ftOraClob:
      return true;
    default:
      return field.adoType == db::adLongVarChar || field.adoType == db::adLongVarWChar ||
             field.adoType == db::adLongVarBinary;
  }
}

xls::Cell TextCell(const db::Variant& value) {
  if (value.IsNull()) return {};
  if (value.kind() == db::Variant::Kind::Bytes) return xls::Cell::Text(Hex(value.Blob()));
  return xls::Cell::Text(value.AsText());
}

xls::Cell TypedCell(const db::Variant& value) {
  using Kind = db::Variant::Kind;
  switch (value.kind()) {
    case Kind::Null:
      return {};
    case Kind::Bool:
      return xls::Cell::Bool(value.AsBool());
    case Kind::Int:
      return NumberOrText(value.AsText());
    case Kind::Double:
      // A double whose exact form needs 16 or 17 digits: Excel keeps 15 (and the .xlsx
      // writer writes 16), so it is kept as its text.
      if (std::isfinite(value.AsDouble()) &&
          SignificantDigits(ShortestText(value.AsDouble())) > kExcelDigits)
        return xls::Cell::Text(value.AsText());
      return xls::Cell::Number(value.AsDouble());
    case Kind::Decimal:
      return NumberOrText(value.Dec().text);
    case Kind::String:
      return xls::Cell::Text(value.Str());
    case Kind::Bytes:
      return xls::Cell::Text(Hex(value.Blob()));
    case Kind::Date: {
      const auto& d = value.AsDate();
      xls::Cell cell = xls::Cell::Date(d.year, d.month, d.day);
      // Outside the calendar, the date's own text (with its era before Christ).
      if (cell.kind == xls::CellKind::kText) cell.text = value.AsText();
      return cell;
    }
    case Kind::Time: {
      const auto& t = value.AsTime();
      return xls::Cell::Time(t.hour, t.minute, t.second);
    }
    case Kind::DateTime: {
      const auto& dt = value.AsDateTime();
      // A cell's time keeps milliseconds; finer fractions stay text.
      if (dt.fraction % 1000000 != 0) return xls::Cell::Text(value.AsText());
      xls::Cell cell = xls::Cell::DateTime(dt.date.year, dt.date.month, dt.date.day, dt.time.hour,
                                           dt.time.minute, dt.time.second, dt.fraction);
      if (cell.kind == xls::CellKind::kText) cell.text = value.AsText();
      return cell;
    }
  }
  return {};
}

bool CutToCellLimit(xls::Cell& cell) {
  // A UTF-8 text never has more UTF-16 units than bytes.
  if (cell.kind != xls::CellKind::kText || cell.text.size() <= xls::kMaxCellChars) return false;
  const size_t at = text::CutToUtf16Units(cell.text, xls::kMaxCellChars).size();
  if (at == cell.text.size()) return false;
  cell.text.resize(at);
  return true;
}

void SheetChanges::Apply(const db::Variant& value, xls::Cell& cell, bool typed) {
  using Kind = db::Variant::Kind;
  cut_ += CutToCellLimit(cell) ? 1 : 0;
  if (cell.kind != xls::CellKind::kText) return;
  switch (value.kind()) {
    case Kind::Int:
    case Kind::Decimal:
      longNumbers_ += typed ? 1 : 0;
      break;
    case Kind::Double:
      (std::isfinite(value.AsDouble()) ? longNumbers_ : nonFinite_) += typed ? 1 : 0;
      break;
    case Kind::Date:
      outsideCalendar_ += typed ? 1 : 0;
      break;
    case Kind::DateTime:
      if (typed && xls::DateSerial(value.AsDateTime().date.year, value.AsDateTime().date.month,
                                   value.AsDateTime().date.day) >= 0)
        ++fineTimes_;
      else
        outsideCalendar_ += typed ? 1 : 0;
      break;
    case Kind::String:
      invalidText_ += text::IsValidUtf8(value.Str()) ? 0 : 1;
      break;
    default:
      break;
  }
}

void SheetChanges::Report(const std::string& sheet) const {
  const char* s = sheet.c_str();
  if (cut_ > 0) WriteLog(StrFormat("工作表%s有%d个单元格的文本超过32767个字符,已截断", s, cut_));
  if (longNumbers_ > 0)
    WriteLog(StrFormat("工作表%s有%d个单元格的数值超过15位有效数字,已写为文本", s, longNumbers_));
  if (outsideCalendar_ > 0)
    WriteLog(StrFormat("工作表%s有%d个单元格的日期不在1900-01-01至9999-12-31之间,已写为文本", s,
                       outsideCalendar_));
  if (fineTimes_ > 0)
    WriteLog(StrFormat("工作表%s有%d个单元格的时间精度超过毫秒,已写为文本", s, fineTimes_));
  if (nonFinite_ > 0)
    WriteLog(StrFormat("工作表%s有%d个单元格的数值为NaN或无穷大,已写为文本", s, nonFinite_));
  if (invalidText_ > 0)
    WriteLog(
        StrFormat("工作表%s有%d个单元格的文本含无效的UTF-8字节,已替换为U+FFFD", s, invalidText_));
}

}  // namespace mvq::excel
