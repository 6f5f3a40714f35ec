#include "platform/xls/XlsWriter.h"

#include <gsf/gsf-outfile-msole.h>
#include <gsf/gsf-outfile.h>
#include <gsf/gsf-output-stdio.h>
#include <gsf/gsf-utils.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <memory>

#include "platform/text/Utf8.h"
#include "platform/xls/Biff8Records.h"
#include "platform/xls/Biff8Sst.h"
#include "platform/xls/Biff8Styles.h"
#include "platform/xls/TempFile.h"
#include "platform/xls/Unicode.h"
#include "platform/xls/Workbook.h"
#include "platform/xls/XlsError.h"

namespace mvq::xls {
namespace {

using biff8::Bytes;

constexpr size_t kFlushAt = 1 << 20;

void CheckLimits(const Workbook& book) {
  const SheetLimits limits = LimitsOf(FileFormat::kXls);
  for (size_t i = 0; i < book.Count(); ++i) {
    const Worksheet& s = book.SheetAt(i);
    if (s.RowCount() > limits.rows)
      throw XlsError(XlsErrorCode::kRowLimit, "Sheet \"" + s.Name() + "\" has " +
                                                  std::to_string(s.RowCount()) +
                                                  " rows, past the 65536 a .xls sheet holds");
    if (s.ColumnCount() > limits.columns)
      throw XlsError(XlsErrorCode::kColumnLimit, "Sheet \"" + s.Name() + "\" has " +
                                                     std::to_string(s.ColumnCount()) +
                                                     " columns, past the 256 a .xls sheet holds");
  }
}

void SheetPrologue(Bytes& out, const Worksheet& sheet) {
  using namespace biff8;
  Bof(out, Substream::kWorksheet);
  Record16(out, kCalcMode, 1);  // automatic
  Record16(out, kCalcCount, 100);
  Record16(out, kRefMode, 1);  // A1 references
  Record16(out, kIteration, 0);
  Delta(out);
  Record16(out, kSaveRecalc, 1);
  Record16(out, kPrintHeaders, 0);
  Record16(out, kPrintGridlines, 0);
  Record16(out, kGridSet, 1);
  Guts(out);
  DefaultRowHeight(out);
  WsBool(out);
  DefColWidth(out, 8);
  if (sheet.FitsColumnWidths()) {
    const auto& widths = sheet.ContentWidths();
    for (size_t c = 0; c < widths.size(); ++c) {
      if (widths[c] == 0) continue;
      // One character of margin, as Excel leaves when it fits a column; 255 at most.
      const uint32_t chars = std::min<uint32_t>(widths[c] + 1, 255);
      ColInfo(out, static_cast<uint16_t>(c), static_cast<uint16_t>(c),
              static_cast<uint16_t>(chars * 256), kXfGeneral);
    }
  }
  Dimensions(out, sheet.RowCount(), static_cast<uint16_t>(sheet.ColumnCount()));
}

void WriteCells(Bytes& out, uint16_t row, const std::vector<CellView>& cells,
                biff8::SstWriter& sst) {
  for (size_t c = 0; c < cells.size(); ++c) {
    const CellView& v = cells[c];
    const auto col = static_cast<uint16_t>(c);
    switch (v.kind) {
      case CellKind::kEmpty:
        break;
      case CellKind::kText:
        // Excel keeps no empty text in a cell: an empty string is an empty cell.
        if (!v.text.empty()) biff8::LabelSst(out, row, col, biff8::kXfGeneral, sst.Add(v.text));
        break;
      case CellKind::kBool:
        biff8::BoolErr(out, row, col, biff8::kXfGeneral, v.number != 0);
        break;
      default:
        biff8::NumberCell(out, row, col, biff8::XfFor(v.kind), v.number);
    }
  }
}

void GlobalsHead(Bytes& out, uint16_t activeSheet) {
  using namespace biff8;
  Bof(out, Substream::kGlobals);
  InterfaceHdr(out);
  Record16(out, kMms, 0);
  Record(out, kInterfaceEnd, {});
  WriteAccess(out, u"mvq");
  CodePage(out);
  Record16(out, kDsf, 0);
  Record16(out, kFnGroupCount, 14);
  Record16(out, kWindowProtect, 0);
  Record16(out, kProtect, 0);
  Record16(out, kPassword, 0);
  Record16(out, kProt4Rev, 0);
  Record16(out, kProt4RevPass, 0);
  Window1(out, activeSheet);
  Record16(out, kBackup, 0);
  Record16(out, kHideObj, 0);
  Record16(out, kDateMode, 0);   // the 1900 date system
  Record16(out, kPrecision, 1);  // full precision
  Record16(out, kRefreshAll, 0);
  Record16(out, kBookBool, 0);
  StyleTable(out);
  Record16(out, kUsesElfs, 0);
}

void Country(Bytes& out) {
  const uint8_t data[] = {1, 0, 86, 0};  // user interface United States, system China
  biff8::Record(out, biff8::kCountry, data);
}

struct GsfDeleter {
  void operator()(void* p) const {
    if (p) g_object_unref(p);
  }
};

[[noreturn]] void GsfFail(const std::string& path, const std::string& what) {
  throw XlsError(XlsErrorCode::kIo, "Cannot write workbook \"" + path + "\": " + what);
}

class OleStream {
 public:
  explicit OleStream(const std::string& path) : path_(path) {
    gsf_init();
    // Straight into the file the caller named: gsf's own temporary-and-rename would leave
    // a second partial file behind when the program is ended mid-save.
    FILE* out = std::fopen(path.c_str(), "wb");
    if (!out) GsfFail(path, std::strerror(errno));
    file_.reset(gsf_output_stdio_new_FILE(path.c_str(), out, FALSE));
    if (!file_) {
      std::fclose(out);
      GsfFail(path, "cannot create the file");
    }
    ole_.reset(gsf_outfile_msole_new(GSF_OUTPUT(file_.get())));
    stream_.reset(gsf_outfile_new_child(GSF_OUTFILE(ole_.get()), "Workbook", FALSE));
    if (!ole_ || !stream_) GsfFail(path, "cannot start the compound file");
  }

  void Write(const uint8_t* data, size_t size) {
    if (!gsf_output_write(GSF_OUTPUT(stream_.get()), size, data)) Fail(GSF_OUTPUT(stream_.get()));
  }

  void Close() {
    if (!gsf_output_close(GSF_OUTPUT(stream_.get()))) Fail(GSF_OUTPUT(stream_.get()));
    if (!gsf_output_close(GSF_OUTPUT(ole_.get()))) Fail(GSF_OUTPUT(ole_.get()));
    // Closing the compound file closes its sink too.
    GsfOutput* file = GSF_OUTPUT(file_.get());
    if (!gsf_output_is_closed(file) && !gsf_output_close(file)) Fail(file);
  }

 private:
  [[noreturn]] void Fail(GsfOutput* output) {
    const GError* error = gsf_output_error(output);
    GsfFail(path_, error ? error->message : "write failed");
  }

  std::string path_;
  std::unique_ptr<GsfOutput, GsfDeleter> file_;
  std::unique_ptr<GsfOutfile, GsfDeleter> ole_;
  std::unique_ptr<GsfOutput, GsfDeleter> stream_;
};

}  // namespace

void WriteXls(Workbook& book, const std::string& path) {
  CheckLimits(book);
  const size_t active = book.ActiveIndex();

  // Sheets first, into a temporary file: the shared strings they use must precede them.
  TempFile sstFile, sheetFile;
  biff8::SstWriter sst(sstFile, book.Options().sharedStringBudget);
  std::vector<uint64_t> sheetOffsets;
  Bytes buf;
  buf.reserve(kFlushAt + 64 * 1024);
  std::vector<CellView> cells;
  for (size_t i = 0; i < book.Count(); ++i) {
    const Worksheet& sheet = book.SheetAt(i);
    sheetOffsets.push_back(sheetFile.Size());
    SheetPrologue(buf, sheet);
    SheetRowReader rows = book.ReadRows(sheet);
    for (uint32_t r = 0; rows.Next(cells); ++r) {
      WriteCells(buf, static_cast<uint16_t>(r), cells, sst);
      if (buf.size() >= kFlushAt) {
        sheetFile.Append(buf.data(), buf.size());
        buf.clear();
      }
    }
    biff8::Window2(buf, i == active);
    biff8::Eof(buf);
    sheetFile.Append(buf.data(), buf.size());
    buf.clear();
  }
  sst.Finish();

  // Globals: everything before the SST has a known size, so the sheet positions in the
  // BOUNDSHEET records and the string positions in EXTSST can be given before writing.
  Bytes head;
  GlobalsHead(head, static_cast<uint16_t>(active));
  std::vector<std::u16string> names(book.Count());
  size_t boundSheets = 0;
  for (size_t i = 0; i < book.Count(); ++i) {
    text::Utf8ToUtf16(book.SheetAt(i).Name(), names[i]);
    boundSheets += biff8::BoundSheetSize(names[i]);
  }
  Bytes country;
  Country(country);
  const uint64_t sstPosition = head.size() + boundSheets + country.size();
  if (sstPosition + sst.Size() > UINT32_MAX)
    throw XlsError(XlsErrorCode::kWorkbookTooLarge, "The .xls workbook stream passes 4 GiB");
  Bytes tail;
  sst.WriteExtSst(tail, static_cast<uint32_t>(sstPosition));
  biff8::Eof(tail);
  const uint64_t globalsSize = sstPosition + sst.Size() + tail.size();
  if (globalsSize + sheetFile.Size() > UINT32_MAX)
    throw XlsError(XlsErrorCode::kWorkbookTooLarge, "The .xls workbook stream passes 4 GiB");
  for (size_t i = 0; i < book.Count(); ++i)
    biff8::BoundSheet(head, static_cast<uint32_t>(globalsSize + sheetOffsets[i]), names[i]);
  head.insert(head.end(), country.begin(), country.end());

  OleStream out(path);
  const auto copy = [&](const uint8_t* p, size_t n) { out.Write(p, n); };
  out.Write(head.data(), head.size());
  sstFile.CopyTo(0, sst.Size(), copy);
  out.Write(tail.data(), tail.size());
  sheetFile.CopyTo(0, sheetFile.Size(), copy);
  out.Close();
}

}  // namespace mvq::xls
