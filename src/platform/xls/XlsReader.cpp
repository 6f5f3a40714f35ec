#include "platform/xls/XlsReader.h"

#include <gsf/gsf-infile-msole.h>
#include <gsf/gsf-infile.h>
#include <gsf/gsf-input-stdio.h>
#include <gsf/gsf-utils.h>

#include <cstring>
#include <map>
#include <memory>

#include "platform/text/Utf8.h"
#include "platform/xls/Biff8Records.h"
#include "platform/xls/XlsError.h"

namespace mvq::xls {
namespace {

using namespace biff8;

constexpr uint16_t kBlank = 0x0201;
constexpr uint16_t kLabel = 0x0204;
constexpr uint16_t kMulRk = 0x00BD;
constexpr uint16_t kMulBlank = 0x00BE;

struct Unref {
  void operator()(void* object) const { g_object_unref(object); }
};
template <typename T>
using Owned = std::unique_ptr<T, Unref>;

[[noreturn]] void Unreadable(const std::string& path, const std::string& why) {
  throw XlsError(XlsErrorCode::kIo, "Cannot read workbook \"" + path + "\": " + why);
}

std::string ErrorText(GError* error) {
  std::string text = error ? error->message : "unknown error";
  if (error) g_error_free(error);
  return text;
}

uint16_t U16(const uint8_t* p) {
  return static_cast<uint16_t>(p[0] | p[1] << 8);
}
uint32_t U32(const uint8_t* p) {
  return static_cast<uint32_t>(U16(p)) | static_cast<uint32_t>(U16(p + 2)) << 16;
}

// Record data that may go on in CONTINUE records: reads cross from one into the next, and
// a string's characters start each continuation with a fresh flag byte.
class Segments {
 public:
  explicit Segments(std::vector<std::span<const uint8_t>> parts) : parts_(std::move(parts)) {}

  bool AtEnd() {
    while (part_ < parts_.size() && at_ == parts_[part_].size()) Advance();
    return part_ == parts_.size();
  }
  uint8_t Byte() {
    if (AtEnd()) throw XlsError(XlsErrorCode::kIo, "shared string table ends inside a string");
    return parts_[part_][at_++];
  }
  uint16_t Word() { return static_cast<uint16_t>(Byte() | Byte() << 8); }
  uint32_t Dword() { return Word() | static_cast<uint32_t>(Word()) << 16; }
  void Skip(size_t n) {
    for (; n > 0; --n) (void)Byte();
  }

  // A string's cch characters in UTF-8; wide: the flag byte said 16-bit characters.
  std::string Chars(size_t cch, bool wide) {
    std::u16string units;
    for (size_t i = 0; i < cch; ++i) {
      if (part_ < parts_.size() && at_ == parts_[part_].size() && part_ + 1 < parts_.size()) {
        Advance();
        wide = (Byte() & 0x01) != 0;
      }
      units += wide ? static_cast<char16_t>(Word()) : static_cast<char16_t>(Byte());
    }
    return Utf8Of(units);
  }

  static std::string Utf8Of(const std::u16string& units) {
    std::string out;
    for (size_t i = 0; i < units.size(); ++i) {
      char32_t cp = units[i];
      if (cp >= 0xD800 && cp < 0xDC00 && i + 1 < units.size() && units[i + 1] >= 0xDC00 &&
          units[i + 1] < 0xE000)
        cp = 0x10000 + ((cp - 0xD800) << 10) + (units[++i] - 0xDC00);
      else if (cp >= 0xD800 && cp < 0xE000)
        cp = 0xFFFD;
      text::AppendUtf8(out, cp);
    }
    return out;
  }

 private:
  void Advance() {
    ++part_;
    at_ = 0;
  }
  std::vector<std::span<const uint8_t>> parts_;
  size_t part_ = 0, at_ = 0;
};

// An XLUnicodeRichExtendedString: count, flags, optional run and extension sizes, the
// characters, then the runs and extension, which are skipped.
std::string UnicodeString(Segments& in, bool shortCount = false) {
  const size_t cch = shortCount ? in.Byte() : in.Word();
  const uint8_t flags = in.Byte();
  const size_t runs = (flags & 0x08) ? in.Word() : 0;
  const size_t ext = (flags & 0x04) ? in.Dword() : 0;
  std::string text = in.Chars(cch, (flags & 0x01) != 0);
  in.Skip(runs * 4 + ext);
  return text;
}

std::string StringIn(std::span<const uint8_t> data, bool shortCount) {
  Segments in({data});
  return UnicodeString(in, shortCount);
}

double RkValue(uint32_t rk) {
  double value;
  if (rk & 0x02) {
    value = static_cast<double>(static_cast<int32_t>(rk) >> 2);
  } else {
    const uint64_t bits = static_cast<uint64_t>(rk & 0xFFFFFFFCu) << 32;
    std::memcpy(&value, &bits, sizeof value);
  }
  return (rk & 0x01) ? value / 100 : value;
}

struct RawRecord {
  uint16_t id;
  size_t position;  // of its header in the stream
  std::span<const uint8_t> data;
};

std::vector<RawRecord> Records(std::span<const uint8_t> stream) {
  std::vector<RawRecord> records;
  for (size_t at = 0; at + 4 <= stream.size();) {
    const uint16_t id = U16(&stream[at]), size = U16(&stream[at + 2]);
    if (at + 4 + size > stream.size())
      throw XlsError(XlsErrorCode::kIo, "a record runs past the end of the Workbook stream");
    records.push_back({id, at, stream.subspan(at + 4, size)});
    at += 4 + size;
  }
  return records;
}

// Needs at least n bytes of record data, else the record is malformed.
void Need(const RawRecord& r, size_t n) {
  if (r.data.size() < n)
    throw XlsError(XlsErrorCode::kIo, "record 0x" + std::to_string(r.id) + " is too short");
}

void ReadCell(const RawRecord& r, const std::vector<std::string>& sst, ReadSheet& sheet) {
  const uint8_t* d = r.data.data();
  switch (r.id) {
    case kLabelSst: {
      Need(r, 10);
      const uint32_t index = U32(d + 6);
      if (index >= sst.size()) throw XlsError(XlsErrorCode::kIo, "LABELSST past the SST");
      PutCell(sheet, U16(d), U16(d + 2), Cell::Text(sst[index]));
      break;
    }
    case kLabel:
      Need(r, 9);
      PutCell(sheet, U16(d), U16(d + 2), Cell::Text(StringIn(r.data.subspan(6), false)));
      break;
    case kNumber: {
      Need(r, 14);
      double value;
      std::memcpy(&value, d + 6, sizeof value);
      PutCell(sheet, U16(d), U16(d + 2), Cell::Number(value));
      break;
    }
    case kRk:
      Need(r, 10);
      PutCell(sheet, U16(d), U16(d + 2), Cell::Number(RkValue(U32(d + 6))));
      break;
    case kMulRk: {
      Need(r, 6);
      const uint16_t row = U16(d), first = U16(d + 2);
      const size_t n = (r.data.size() - 6) / 6;
      for (size_t i = 0; i < n; ++i)
        PutCell(sheet, row, first + i, Cell::Number(RkValue(U32(d + 4 + i * 6 + 2))));
      break;
    }
    case kBoolErr: {
      Need(r, 8);
      // An error value has no cell form of ours; it reads as its code in text.
      PutCell(sheet, U16(d), U16(d + 2),
              d[7] ? Cell::Text("#ERROR" + std::to_string(d[6])) : Cell::Bool(d[6] != 0));
      break;
    }
    case kBlank:
      Need(r, 6);
      PutCell(sheet, U16(d), U16(d + 2), Cell{});
      break;
    case kMulBlank:
      Need(r, 6);
      PutCell(sheet, U16(d), U16(r.data.data() + r.data.size() - 2), Cell{});
      break;
    default:
      break;
  }
}

}  // namespace

std::vector<ReadSheet> ReadBiff8Stream(std::span<const uint8_t> stream) {
  const std::vector<RawRecord> records = Records(stream);
  std::vector<ReadSheet> sheets;
  std::map<size_t, size_t> sheetAtBof;  // BOF position -> index in sheets
  std::vector<std::string> sst;
  ReadSheet* current = nullptr;
  bool inGlobals = true;
  for (size_t i = 0; i < records.size(); ++i) {
    const RawRecord& r = records[i];
    if (r.id == kBof) {
      if (inGlobals) continue;
      auto it = sheetAtBof.find(r.position);
      current = it == sheetAtBof.end() ? nullptr : &sheets[it->second];
      continue;
    }
    if (r.id == kEof) {
      inGlobals = false;
      current = nullptr;
      continue;
    }
    if (inGlobals) {
      if (r.id == kBoundSheet) {
        Need(r, 8);
        sheetAtBof[U32(r.data.data())] = sheets.size();
        sheets.push_back({StringIn(r.data.subspan(6), true), {}});
      } else if (r.id == kSst) {
        Need(r, 8);
        std::vector<std::span<const uint8_t>> parts{r.data.subspan(8)};
        for (size_t j = i + 1; j < records.size() && records[j].id == kContinue; ++j)
          parts.push_back(records[j].data);
        Segments in(std::move(parts));
        const uint32_t unique = U32(r.data.data() + 4);
        for (uint32_t n = 0; n < unique && !in.AtEnd(); ++n) sst.push_back(UnicodeString(in));
      }
      continue;
    }
    if (current) ReadCell(r, sst, *current);
  }
  return sheets;
}

std::vector<ReadSheet> ReadXls(const std::string& path) {
  gsf_init();
  GError* error = nullptr;
  Owned<GsfInput> file(gsf_input_stdio_new(path.c_str(), &error));
  if (!file) Unreadable(path, ErrorText(error));
  Owned<GsfInfile> ole(gsf_infile_msole_new(file.get(), &error));
  if (!ole) Unreadable(path, ErrorText(error));
  Owned<GsfInput> stream(gsf_infile_child_by_name(ole.get(), "Workbook"));
  if (!stream) Unreadable(path, "no Workbook stream");
  std::vector<uint8_t> bytes(static_cast<size_t>(gsf_input_size(stream.get())));
  if (!bytes.empty() && !gsf_input_read(stream.get(), bytes.size(), bytes.data()))
    Unreadable(path, "the Workbook stream cannot be read");
  try {
    return ReadBiff8Stream(bytes);
  } catch (const XlsError& e) {
    Unreadable(path, e.what());
  }
}

}  // namespace mvq::xls
