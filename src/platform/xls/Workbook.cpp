#include "platform/xls/Workbook.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <filesystem>

#include "platform/files/ReplacingFile.h"
#include "platform/text/AsciiCase.h"
#include "platform/text/Utf8.h"
#include "platform/xls/SheetName.h"
#include "platform/xls/TempFile.h"
#include "platform/xls/Unicode.h"
#include "platform/xls/XlsError.h"
#include "platform/xls/XlsWriter.h"
#include "platform/xls/XlsxWriter.h"

namespace mvq::xls {
namespace {

// Row file encoding: varint payload length, then per cell a tag and its data.
enum Tag : uint8_t {
  kTagEmpty,
  kTagText,
  kTagNumber,
  kTagDate,
  kTagDateTime,
  kTagTime,
  kTagFalse,
  kTagTrue
};

void PutVarint(std::string& out, uint64_t v) {
  while (v >= 0x80) {
    out += static_cast<char>((v & 0x7F) | 0x80);
    v >>= 7;
  }
  out += static_cast<char>(v);
}

uint64_t GetVarint(const uint8_t*& p, const uint8_t* end) {
  uint64_t v = 0;
  for (int shift = 0; p < end && shift < 64; shift += 7) {
    const uint8_t b = *p++;
    v |= uint64_t{b & 0x7Fu} << shift;
    if (!(b & 0x80)) return v;
  }
  throw XlsError(XlsErrorCode::kIo, "Temporary row file is damaged");
}

// Width in character cells of a number as Excel's General format shows it: integers of up
// to 11 digits in full, anything longer in at most 11 characters (1.23457E+11).
uint32_t NumberWidth(double v) {
  const uint32_t sign = v < 0 ? 1 : 0;
  if (v == std::floor(v) && std::fabs(v) < 1e11) {
    uint32_t n = 1;
    for (double a = std::fabs(v); a >= 10; a /= 10) ++n;
    return sign + n;
  }
  char buf[32];
  const auto n = static_cast<uint32_t>(std::snprintf(buf, sizeof buf, "%.10g", std::fabs(v)));
  return sign + std::min<uint32_t>(n, 11);
}

uint32_t CellWidth(const Cell& c) {
  switch (c.kind) {
    case CellKind::kEmpty:
      return 0;
    case CellKind::kText: {
      bool ascii = true;
      for (char ch : c.text) ascii = ascii && static_cast<unsigned char>(ch) < 0x80;
      return static_cast<uint32_t>(ascii ? c.text.size() : DisplayWidth(c.text));
    }
    case CellKind::kNumber:
      return NumberWidth(c.number);
    case CellKind::kDate:
      return static_cast<uint32_t>(kDateFormat.size());
    case CellKind::kDateTime:
      return static_cast<uint32_t>(kDateTimeFormat.size());
    case CellKind::kTime:
      return static_cast<uint32_t>(kTimeFormat.size());
    case CellKind::kBool:
      return c.number != 0 ? 4 : 5;
  }
  return 0;
}

std::string Quoted(std::string_view s) {
  return "\"" + std::string(s) + "\"";
}

}  // namespace

FileFormat FormatOfPath(std::string_view path) {
  const size_t slash = path.find_last_of('/');
  const std::string_view base = slash == std::string_view::npos ? path : path.substr(slash + 1);
  const size_t dot = base.rfind('.');
  const std::string ext = dot == std::string_view::npos ? "" : text::AsciiLower(base.substr(dot));
  if (ext == ".xls") return FileFormat::kXls;
  if (ext == ".xlsx") return FileFormat::kXlsx;
  throw XlsError(
      XlsErrorCode::kUnsupportedExtension,
      "Cannot write workbook " + Quoted(path) + ": the file name must end in .xls or .xlsx");
}

SheetLimits LimitsOf(FileFormat format) {
  return format == FileFormat::kXls ? SheetLimits{65536, 256} : SheetLimits{1048576, 16384};
}

// ---- Worksheet ----

void Worksheet::SetName(std::string_view name) {
  CheckSheetName(name);
  if (book_->NameTaken(name, this))
    throw XlsError(XlsErrorCode::kSheetNameDuplicate,
                   "Sheet name " + Quoted(name) + " is already taken");
  name_ = std::string(name);
}

void Worksheet::AppendRow(std::span<const Cell> cells) {
  if (state_ == State::kFinished)
    throw XlsError(XlsErrorCode::kSheetFinished,
                   "Sheet " + Quoted(name_) + " is finished and takes no more rows");
  const SheetLimits limits = LimitsOf(book_->format_);
  const char* ext = book_->format_ == FileFormat::kXls ? ".xls" : ".xlsx";
  if (rows_ >= limits.rows)
    throw XlsError(XlsErrorCode::kRowLimit, "Sheet " + Quoted(name_) + ": row " +
                                                std::to_string(rows_ + 1) + " is past the " +
                                                std::to_string(limits.rows) + " rows a " + ext +
                                                " sheet holds");
  size_t used = cells.size();
  while (used > 0 && cells[used - 1].kind == CellKind::kEmpty) --used;
  if (used > limits.columns)
    throw XlsError(XlsErrorCode::kColumnLimit,
                   "Sheet " + Quoted(name_) + ": row " + std::to_string(rows_ + 1) + " has " +
                       std::to_string(used) + " columns, past the " +
                       std::to_string(limits.columns) + " a " + ext + " sheet holds");
  for (size_t i = 0; i < used; ++i) {
    const Cell& c = cells[i];
    if (c.kind == CellKind::kText && c.text.size() > kMaxCellChars &&
        text::Utf16Length(c.text) > kMaxCellChars)
      throw XlsError(XlsErrorCode::kCellTextTooLong,
                     "Sheet " + Quoted(name_) + ": the text in row " + std::to_string(rows_ + 1) +
                         ", column " + std::to_string(i + 1) + " has " +
                         std::to_string(text::Utf16Length(c.text)) +
                         " characters, past the 32767 a cell holds");
  }

  if (state_ == State::kEmpty) book_->StartRows(*this);
  std::string& out = encoded_;
  out.clear();
  for (size_t i = 0; i < used; ++i) {
    const Cell& c = cells[i];
    switch (c.kind) {
      case CellKind::kEmpty:
        out += static_cast<char>(kTagEmpty);
        break;
      case CellKind::kText:
        out += static_cast<char>(kTagText);
        PutVarint(out, c.text.size());
        out += c.text;
        break;
      case CellKind::kBool:
        out += static_cast<char>(c.number != 0 ? kTagTrue : kTagFalse);
        break;
      case CellKind::kNumber:
      case CellKind::kDate:
      case CellKind::kDateTime:
      case CellKind::kTime: {
        const Tag tag = c.kind == CellKind::kNumber     ? kTagNumber
                        : c.kind == CellKind::kDate     ? kTagDate
                        : c.kind == CellKind::kDateTime ? kTagDateTime
                                                        : kTagTime;
        out += static_cast<char>(tag);
        char raw[8];
        std::memcpy(raw, &c.number, 8);
        out.append(raw, 8);
        break;
      }
    }
  }
  std::string head;
  PutVarint(head, out.size());
  TempFile& file = book_->RowFile();
  file.Append(head.data(), head.size());
  file.Append(out.data(), out.size());
  end_ = file.Size();
  ++rows_;
  if (widths_.size() < used) widths_.resize(used, 0);
  for (size_t i = 0; i < used; ++i) widths_[i] = std::max(widths_[i], CellWidth(cells[i]));
}

void Worksheet::Finish() {
  state_ = State::kFinished;
  if (book_->writing_ == this) book_->writing_ = nullptr;
}

// ---- SheetRowReader ----

SheetRowReader::SheetRowReader(TempFile* file, uint64_t begin, uint64_t end)
    : file_(file), pos_(begin), end_(end), windowStart_(begin) {}

void SheetRowReader::Ensure(size_t bytes) {
  const uint64_t windowEnd = windowStart_ + window_.size();
  if (pos_ + bytes <= windowEnd) return;
  const uint64_t want = std::min<uint64_t>(std::max<size_t>(bytes, 1 << 20), end_ - pos_);
  window_.resize(static_cast<size_t>(want));
  windowStart_ = pos_;
  if (file_->ReadAt(pos_, window_.data(), window_.size()) != window_.size())
    throw XlsError(XlsErrorCode::kIo, "Temporary row file is short");
}

bool SheetRowReader::Next(std::vector<CellView>& cells) {
  cells.clear();
  if (pos_ >= end_) return false;
  Ensure(static_cast<size_t>(std::min<uint64_t>(10, end_ - pos_)));
  const uint8_t* p = window_.data() + (pos_ - windowStart_);
  const uint8_t* const start = p;
  const uint64_t len = GetVarint(p, window_.data() + window_.size());
  pos_ += static_cast<uint64_t>(p - start);
  if (len > end_ - pos_) throw XlsError(XlsErrorCode::kIo, "Temporary row file is damaged");
  Ensure(static_cast<size_t>(len));
  p = window_.data() + (pos_ - windowStart_);
  const uint8_t* const end = p + len;
  pos_ += len;
  while (p < end) {
    CellView v;
    const uint8_t tag = *p++;
    switch (tag) {
      case kTagEmpty:
        break;
      case kTagText: {
        v.kind = CellKind::kText;
        const uint64_t n = GetVarint(p, end);
        if (n > static_cast<uint64_t>(end - p))
          throw XlsError(XlsErrorCode::kIo, "Temporary row file is damaged");
        v.text = std::string_view(reinterpret_cast<const char*>(p), static_cast<size_t>(n));
        p += n;
        break;
      }
      case kTagFalse:
      case kTagTrue:
        v.kind = CellKind::kBool;
        v.number = tag == kTagTrue ? 1 : 0;
        break;
      default: {
        if (tag > kTagTrue || end - p < 8)
          throw XlsError(XlsErrorCode::kIo, "Temporary row file is damaged");
        v.kind = tag == kTagNumber     ? CellKind::kNumber
                 : tag == kTagDate     ? CellKind::kDate
                 : tag == kTagDateTime ? CellKind::kDateTime
                                       : CellKind::kTime;
        std::memcpy(&v.number, p, 8);
        p += 8;
      }
    }
    cells.push_back(v);
  }
  return true;
}

// ---- Workbook ----

Workbook::Workbook(FileFormat format, WorkbookOptions options)
    : format_(format), options_(options) {
  for (const char* name : {"Sheet1", "Sheet2", "Sheet3"})
    sheets_.push_back(std::unique_ptr<Worksheet>(new Worksheet(this, name)));
  active_ = sheets_.front().get();
}

Workbook::~Workbook() = default;

bool Workbook::NameTaken(std::string_view name, const Worksheet* except) const {
  for (const auto& s : sheets_)
    if (s.get() != except && SameSheetName(s->name_, name)) return true;
  return false;
}

Worksheet& Workbook::AddSheet(std::string_view name) {
  std::string chosen(name);
  if (chosen.empty()) {
    do chosen = "Sheet" + std::to_string(nextSheetNumber_++);
    while (NameTaken(chosen, nullptr));
  } else {
    CheckSheetName(chosen);
    if (NameTaken(chosen, nullptr))
      throw XlsError(XlsErrorCode::kSheetNameDuplicate,
                     "Sheet name " + Quoted(chosen) + " is already taken");
  }
  const auto at = sheets_.begin() + static_cast<std::ptrdiff_t>(ActiveIndex());
  auto inserted = sheets_.insert(at, std::unique_ptr<Worksheet>(new Worksheet(this, chosen)));
  active_ = inserted->get();
  return *active_;
}

Worksheet* Workbook::FindSheet(std::string_view name) {
  for (auto& s : sheets_)
    if (SameSheetName(s->name_, name)) return s.get();
  return nullptr;
}

Worksheet& Workbook::Sheet(std::string_view name) {
  if (Worksheet* s = FindSheet(name)) return *s;
  throw XlsError(XlsErrorCode::kSheetNotFound, "No sheet is named " + Quoted(name));
}

void Workbook::DeleteSheet(std::string_view name) {
  Worksheet& sheet = Sheet(name);
  if (sheets_.size() == 1)
    throw XlsError(XlsErrorCode::kLastSheet,
                   "Cannot delete " + Quoted(sheet.name_) + ": a workbook keeps one sheet");
  size_t index = 0;
  while (sheets_[index].get() != &sheet) ++index;
  if (writing_ == &sheet) writing_ = nullptr;
  const bool wasActive = active_ == &sheet;
  sheets_.erase(sheets_.begin() + static_cast<std::ptrdiff_t>(index));
  if (wasActive) active_ = sheets_[std::min(index, sheets_.size() - 1)].get();
}

size_t Workbook::ActiveIndex() const {
  for (size_t i = 0; i < sheets_.size(); ++i)
    if (sheets_[i].get() == active_) return i;
  return 0;
}

std::vector<std::string> Workbook::SheetNames() const {
  std::vector<std::string> names;
  for (const auto& s : sheets_) names.push_back(s->name_);
  return names;
}

std::string Workbook::UniqueSheetName(std::string_view wanted) const {
  return MakeSheetName(wanted, [this](std::string_view n) { return NameTaken(n, nullptr); });
}

TempFile& Workbook::RowFile() {
  if (!rowFile_) rowFile_ = std::make_unique<TempFile>();
  return *rowFile_;
}

void Workbook::StartRows(Worksheet& sheet) {
  if (writing_ && writing_ != &sheet) writing_->Finish();
  writing_ = &sheet;
  sheet.state_ = Worksheet::State::kWriting;
  sheet.begin_ = sheet.end_ = RowFile().Size();
}

SheetRowReader Workbook::ReadRows(const Worksheet& sheet) {
  if (sheet.begin_ == sheet.end_) return SheetRowReader(nullptr, 0, 0);
  return SheetRowReader(&RowFile(), sheet.begin_, sheet.end_);
}

void Workbook::Save(const std::string& path) {
  const FileFormat format = FormatOfPath(path);
  ReplacingFile file(path);
  try {
    if (format == FileFormat::kXls)
      WriteXls(*this, file.TempPath());
    else
      WriteXlsx(*this, file.TempPath());
  } catch (const XlsError& e) {
    if (e.code() != XlsErrorCode::kIo && e.code() != XlsErrorCode::kXlsxLibrary) throw;
    const std::string folder = std::filesystem::path(path).parent_path().string();
    throw SaveFailure(path, WriteFailureCause(folder.empty() ? "." : folder, 0, e.what()));
  }
  file.Commit();
}

}  // namespace mvq::xls
