#pragma once
// A workbook with Excel's own sheet behaviour, written as .xls (BIFF8) or .xlsx.
//
// A new workbook holds Sheet1, Sheet2 and Sheet3 with Sheet1 active. AddSheet puts the
// new sheet in front of the active sheet and makes it active, so tabs run in the reverse
// order of creation. Names are matched without regard to case.
//
// Rows stream: each sheet takes its rows top to bottom, and they go to a temporary file at
// once, so a million rows do not sit in memory. Sheets are filled one after another: the
// first row of a sheet finishes the sheet filled before it, which then takes no more rows.
#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "platform/xls/Cell.h"

namespace mvq::xls {

class TempFile;
class Workbook;

enum class FileFormat { kXls, kXlsx };

// The format a path's extension asks for (.xls or .xlsx, any case); any other extension
// throws XlsError(kUnsupportedExtension) naming the accepted ones.
FileFormat FormatOfPath(std::string_view path);

struct SheetLimits {
  uint32_t rows;
  uint32_t columns;
};
SheetLimits LimitsOf(FileFormat format);

inline constexpr size_t kMaxCellChars = 32767;

struct WorkbookOptions {
  // Memory the .xls writer may spend on finding repeated strings; past it, new strings are
  // stored again where they repeat instead of being shared.
  size_t sharedStringBudget = size_t{64} << 20;
};

class Worksheet {
 public:
  const std::string& Name() const { return name_; }
  // Renames the sheet; throws XlsError when Excel would refuse the name or it is taken.
  void SetName(std::string_view name);

  // Appends the next row (row 1 first). Throws XlsError past the format's row or column
  // limit, for a text over 32,767 characters, or when the sheet was finished; a refused
  // row leaves the sheet as it was.
  void AppendRow(std::span<const Cell> cells);
  void Finish();
  bool Finished() const { return state_ == State::kFinished; }

  uint32_t RowCount() const { return rows_; }
  // Columns up to the last non-empty cell of any row.
  uint32_t ColumnCount() const { return static_cast<uint32_t>(widths_.size()); }

  // Asks for column widths fitted to the content when the workbook is written.
  void FitColumnWidths(bool on = true) { fitWidths_ = on; }
  bool FitsColumnWidths() const { return fitWidths_; }
  // Widest content of each column so far, in character cells.
  const std::vector<uint32_t>& ContentWidths() const { return widths_; }

 private:
  friend class Workbook;
  enum class State { kEmpty, kWriting, kFinished };
  Worksheet(Workbook* book, std::string name) : book_(book), name_(std::move(name)) {}

  Workbook* book_;
  std::string name_;
  State state_ = State::kEmpty;
  uint32_t rows_ = 0;
  uint64_t begin_ = 0, end_ = 0;  // the sheet's rows in the workbook's row file
  bool fitWidths_ = false;
  std::vector<uint32_t> widths_;
  std::string encoded_;  // scratch for one encoded row
};

// Reads a sheet's rows back in order. The views stay valid until the next call.
class SheetRowReader {
 public:
  SheetRowReader(TempFile* file, uint64_t begin, uint64_t end);
  bool Next(std::vector<CellView>& cells);

 private:
  void Ensure(size_t bytes);
  TempFile* file_;
  uint64_t pos_, end_;
  uint64_t windowStart_ = 0;
  std::vector<uint8_t> window_;
};

class Workbook {
 public:
  explicit Workbook(FileFormat format, WorkbookOptions options = {});
  ~Workbook();
  Workbook(const Workbook&) = delete;
  Workbook& operator=(const Workbook&) = delete;

  FileFormat Format() const { return format_; }
  const WorkbookOptions& Options() const { return options_; }

  // A new sheet in front of the active one, made active. Without a name it is called
  // Sheet4, Sheet5 ... like Excel's; a name Excel would refuse throws XlsError.
  Worksheet& AddSheet(std::string_view name = {});
  // The sheet of that name (any case); throws XlsError(kSheetNotFound).
  Worksheet& Sheet(std::string_view name);
  Worksheet* FindSheet(std::string_view name);
  // Removes the sheet; the one to its right (or left, for the last) becomes active when it
  // was. Throws XlsError for an unknown name or the last remaining sheet.
  void DeleteSheet(std::string_view name);

  size_t Count() const { return sheets_.size(); }
  Worksheet& SheetAt(size_t index) { return *sheets_.at(index); }
  const Worksheet& SheetAt(size_t index) const { return *sheets_.at(index); }
  size_t ActiveIndex() const;
  std::vector<std::string> SheetNames() const;

  // A valid name close to `wanted` that no sheet has yet (see MakeSheetName).
  std::string UniqueSheetName(std::string_view wanted) const;

  // Writes the workbook; the writer follows the path's extension.
  void Save(const std::string& path);

  // The rows of a sheet, for the writers.
  SheetRowReader ReadRows(const Worksheet& sheet);

 private:
  friend class Worksheet;
  void StartRows(Worksheet& sheet);
  TempFile& RowFile();
  bool NameTaken(std::string_view name, const Worksheet* except) const;

  FileFormat format_;
  WorkbookOptions options_;
  std::vector<std::unique_ptr<Worksheet>> sheets_;  // in tab order
  Worksheet* active_ = nullptr;
  Worksheet* writing_ = nullptr;
  int nextSheetNumber_ = 4;
  std::unique_ptr<TempFile> rowFile_;
};

}  // namespace mvq::xls
