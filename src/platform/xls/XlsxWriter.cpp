#include "platform/xls/XlsxWriter.h"

#include <xlsxwriter.h>

#include <algorithm>
#include <cstdio>
#include <string>

#include "platform/text/Utf8.h"
#include "platform/xls/Unicode.h"
#include "platform/xls/Workbook.h"
#include "platform/xls/XlsError.h"

namespace mvq::xls {
namespace {

[[noreturn]] void Fail(const std::string& path, const std::string& what, lxw_error error) {
  throw XlsError(XlsErrorCode::kXlsxLibrary,
                 "Cannot write workbook \"" + path + "\": " + what + ": " + lxw_strerror(error));
}

bool IsHex(char c) {
  return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'F') || (c >= 'a' && c <= 'f');
}

// The text as XML can carry it, the way Excel escapes it: malformed UTF-8 and U+FFFE/FFFF
// become U+FFFD, control characters other than tab, line feed and carriage return become
// _xHHHH_, and an underscore that would read as the start of such an escape becomes
// _x005F_. Without this the sheet's XML is not well-formed and no reader opens the file.
const char* XmlText(std::string_view text, std::string& out) {
  bool plain = true;
  for (char c : text) {
    const auto u = static_cast<unsigned char>(c);
    if (u >= 0x80 || c == '_' || (u < 0x20 && c != '\t' && c != '\n' && c != '\r')) {
      plain = false;
      break;
    }
  }
  out.clear();
  if (plain) {
    out.append(text);
    return out.c_str();
  }
  char esc[8];
  for (size_t i = 0; i < text.size();) {
    const size_t at = i;
    char32_t cp = text::NextCodePoint(text, i);
    if (cp == 0xFFFE || cp == 0xFFFF) cp = 0xFFFD;
    const bool escapeLike = cp == '_' && at + 7 <= text.size() && text[at + 1] == 'x' &&
                            IsHex(text[at + 2]) && IsHex(text[at + 3]) && IsHex(text[at + 4]) &&
                            IsHex(text[at + 5]) && text[at + 6] == '_';
    if (escapeLike || (cp < 0x20 && cp != '\t' && cp != '\n' && cp != '\r')) {
      std::snprintf(esc, sizeof esc, "_x%04X_", static_cast<unsigned>(cp));
      out += esc;
    } else {
      text::AppendUtf8(out, cp);
    }
  }
  return out.c_str();
}

void CheckLimits(const Workbook& book) {
  const SheetLimits limits = LimitsOf(FileFormat::kXlsx);
  for (size_t i = 0; i < book.Count(); ++i) {
    const Worksheet& s = book.SheetAt(i);
    if (s.RowCount() > limits.rows)
      throw XlsError(XlsErrorCode::kRowLimit, "Sheet \"" + s.Name() + "\" has " +
                                                  std::to_string(s.RowCount()) +
                                                  " rows, past the 1048576 a .xlsx sheet holds");
    if (s.ColumnCount() > limits.columns)
      throw XlsError(XlsErrorCode::kColumnLimit,
                     "Sheet \"" + s.Name() + "\" has " + std::to_string(s.ColumnCount()) +
                         " columns, past the 16384 a .xlsx sheet holds");
  }
}

}  // namespace

void WriteXlsx(Workbook& book, const std::string& path) {
  CheckLimits(book);
  // Constant memory: each row goes to the sheet's temporary file once the next row starts,
  // so rows must come in order, which is how our sheets hold them.
  lxw_workbook_options options{};
  options.constant_memory = LXW_TRUE;
  lxw_workbook* wb = workbook_new_opt(path.c_str(), &options);
  if (!wb) Fail(path, "cannot start the workbook", LXW_ERROR_MEMORY_MALLOC_FAILED);
  // On an error the library still needs workbook_close to free what it holds; the
  // half-written file is the caller's to remove, after it has looked at why.
  struct Closer {
    lxw_workbook* wb;
    ~Closer() {
      if (wb) workbook_close(wb);
    }
  } closer{wb};

  lxw_format* formats[3];
  const std::string_view codes[3] = {kDateFormat, kDateTimeFormat, kTimeFormat};
  for (int i = 0; i < 3; ++i) {
    formats[i] = workbook_add_format(wb);
    format_set_num_format(formats[i], std::string(codes[i]).c_str());
  }
  const auto formatFor = [&](CellKind kind) {
    return kind == CellKind::kDate       ? formats[0]
           : kind == CellKind::kDateTime ? formats[1]
                                         : formats[2];
  };

  std::vector<CellView> cells;
  std::string text;
  for (size_t i = 0; i < book.Count(); ++i) {
    const Worksheet& sheet = book.SheetAt(i);
    lxw_worksheet* ws = workbook_add_worksheet(wb, XmlText(sheet.Name(), text));
    if (!ws) Fail(path, "sheet \"" + sheet.Name() + "\"", LXW_ERROR_PARAMETER_VALIDATION);
    if (i == book.ActiveIndex()) worksheet_activate(ws);
    if (sheet.FitsColumnWidths()) {
      const auto& widths = sheet.ContentWidths();
      for (size_t c = 0; c < widths.size(); ++c)
        if (widths[c] > 0)
          worksheet_set_column(ws, static_cast<lxw_col_t>(c), static_cast<lxw_col_t>(c),
                               std::min<double>(widths[c] + 1, 255), nullptr);
    }
    SheetRowReader rows = book.ReadRows(sheet);
    for (lxw_row_t r = 0; rows.Next(cells); ++r) {
      for (size_t c = 0; c < cells.size(); ++c) {
        const CellView& v = cells[c];
        const auto col = static_cast<lxw_col_t>(c);
        lxw_error error = LXW_NO_ERROR;
        switch (v.kind) {
          case CellKind::kEmpty:
            break;
          case CellKind::kText:
            if (v.text.empty()) break;  // as in .xls: no empty text cells
            error = worksheet_write_string(ws, r, col, XmlText(v.text, text), nullptr);
            break;
          case CellKind::kNumber:
            error = worksheet_write_number(ws, r, col, v.number, nullptr);
            break;
          case CellKind::kBool:
            error = worksheet_write_boolean(ws, r, col, v.number != 0, nullptr);
            break;
          default:
            error = worksheet_write_number(ws, r, col, v.number, formatFor(v.kind));
        }
        if (error != LXW_NO_ERROR)
          Fail(path, "sheet \"" + sheet.Name() + "\" row " + std::to_string(r + 1), error);
      }
    }
  }
  closer.wb = nullptr;
  const lxw_error error = workbook_close(wb);
  if (error != LXW_NO_ERROR) Fail(path, "saving", error);
}

}  // namespace mvq::xls
