#include "platform/xls/XlsxReader.h"

#include <gsf/gsf-infile-zip.h>
#include <gsf/gsf-infile.h>
#include <gsf/gsf-input-stdio.h>
#include <gsf/gsf-utils.h>
#include <libxml/xmlreader.h>

#include <cstdlib>
#include <map>
#include <memory>
#include <optional>

#include "platform/text/Utf8.h"
#include "platform/xls/Unicode.h"
#include "platform/xls/XlsError.h"

namespace mvq::xls {
namespace {

struct Unref {
  void operator()(void* object) const { g_object_unref(object); }
};
template <typename T>
using Owned = std::unique_ptr<T, Unref>;

struct FreeReader {
  void operator()(xmlTextReaderPtr r) const { xmlFreeTextReader(r); }
};

class Package {
 public:
  explicit Package(const std::string& path) : path_(path) {
    gsf_init();
    GError* error = nullptr;
    file_.reset(gsf_input_stdio_new(path.c_str(), &error));
    if (file_) zip_.reset(gsf_infile_zip_new(file_.get(), &error));
    if (!zip_) Fail(error ? error->message : "not a zip archive");
  }

  // The part's bytes; nullopt when the archive has no such part.
  std::optional<std::string> Part(const std::string& name) {
    Owned<GsfInput> input(gsf_infile_child_by_aname(zip_.get(), Split(name).data()));
    if (!input) return std::nullopt;
    std::string bytes(static_cast<size_t>(gsf_input_size(input.get())), '\0');
    if (!bytes.empty() &&
        !gsf_input_read(input.get(), bytes.size(), reinterpret_cast<guint8*>(bytes.data())))
      Fail("part " + name + " cannot be read");
    return bytes;
  }

  [[noreturn]] void Fail(const std::string& why) const {
    throw XlsError(XlsErrorCode::kIo, "Cannot read workbook \"" + path_ + "\": " + why);
  }

 private:
  // gsf walks a zip by path components.
  std::vector<const char*> Split(const std::string& name) {
    names_.clear();
    for (size_t at = 0; at <= name.size();) {
      const size_t slash = std::min(name.find('/', at), name.size());
      names_.push_back(name.substr(at, slash - at));
      at = slash + 1;
    }
    std::vector<const char*> out;
    for (const std::string& n : names_) out.push_back(n.c_str());
    out.push_back(nullptr);
    return out;
  }

  std::string path_;
  Owned<GsfInput> file_;
  Owned<GsfInfile> zip_;
  std::vector<std::string> names_;
};

// A streaming walk over one XML part.
class Xml {
 public:
  Xml(const std::string& bytes, Package& package) : package_(package) {
    reader_.reset(xmlReaderForMemory(bytes.data(), static_cast<int>(bytes.size()), nullptr, nullptr,
                                     XML_PARSE_NONET | XML_PARSE_HUGE));
    if (!reader_) package_.Fail("a part is not XML");
  }
  // Moves to the next node; false at the end.
  bool Next() {
    const int r = xmlTextReaderRead(reader_.get());
    if (r < 0) package_.Fail("a part is not well-formed XML");
    return r == 1;
  }
  bool IsStart(const char* localName) const {
    return xmlTextReaderNodeType(reader_.get()) == XML_READER_TYPE_ELEMENT && Named(localName);
  }
  bool IsEnd(const char* localName) const {
    return xmlTextReaderNodeType(reader_.get()) == XML_READER_TYPE_END_ELEMENT && Named(localName);
  }
  bool IsEmptyElement() const { return xmlTextReaderIsEmptyElement(reader_.get()) == 1; }
  std::string Attribute(const char* name) const {
    xmlChar* value = xmlTextReaderGetAttribute(reader_.get(), BAD_CAST name);
    std::string out = value ? reinterpret_cast<const char*>(value) : "";
    xmlFree(value);
    return out;
  }
  // The text of the current element's children.
  std::string Text() const {
    xmlChar* value = xmlTextReaderReadString(reader_.get());
    std::string out = value ? reinterpret_cast<const char*>(value) : "";
    xmlFree(value);
    return out;
  }

 private:
  bool Named(const char* localName) const {
    const xmlChar* name = xmlTextReaderConstLocalName(reader_.get());
    return name && xmlStrEqual(name, BAD_CAST localName);
  }
  Package& package_;
  std::unique_ptr<xmlTextReader, FreeReader> reader_;
};

bool IsHex(char c) {
  return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'F') || (c >= 'a' && c <= 'f');
}

// Undoes Excel's _xHHHH_ escapes of characters XML cannot carry.
std::string Unescaped(const std::string& s) {
  if (s.find("_x") == std::string::npos) return s;
  std::string out;
  for (size_t i = 0; i < s.size();) {
    if (s[i] == '_' && i + 7 <= s.size() && s[i + 1] == 'x' && IsHex(s[i + 2]) && IsHex(s[i + 3]) &&
        IsHex(s[i + 4]) && IsHex(s[i + 5]) && s[i + 6] == '_') {
      text::AppendUtf8(
          out, static_cast<char32_t>(std::strtoul(s.substr(i + 2, 4).c_str(), nullptr, 16)));
      i += 7;
    } else {
      out += s[i++];
    }
  }
  return out;
}

// The text of an <si> or <is>: its <t> elements, phonetic runs left out.
std::string StringItem(Xml& xml, const char* end) {
  std::string text;
  bool phonetic = false;
  while (xml.Next() && !xml.IsEnd(end)) {
    if (xml.IsStart("rPh")) phonetic = !xml.IsEmptyElement();
    if (xml.IsEnd("rPh")) phonetic = false;
    if (xml.IsStart("t") && !phonetic) text += xml.Text();
  }
  return Unescaped(text);
}

// "BC12" -> column 54 (0-based), row 11 (0-based); false when it is not a cell reference.
bool CellRef(const std::string& ref, size_t& row, size_t& col) {
  size_t i = 0, c = 0, r = 0;
  for (; i < ref.size() && ref[i] >= 'A' && ref[i] <= 'Z'; ++i)
    c = c * 26 + static_cast<size_t>(ref[i] - 'A' + 1);
  const size_t letters = i;
  for (; i < ref.size() && ref[i] >= '0' && ref[i] <= '9'; ++i)
    r = r * 10 + static_cast<size_t>(ref[i] - '0');
  if (letters == 0 || i == letters || i != ref.size() || r == 0) return false;
  row = r - 1;
  col = c - 1;
  return true;
}

Cell CellOf(const std::string& type, const std::string& value, const std::string& inlineText,
            const std::vector<std::string>& shared, Package& package) {
  if (type == "s") {
    const size_t index = std::strtoul(value.c_str(), nullptr, 10);
    if (index >= shared.size()) package.Fail("a cell refers past the shared strings");
    return Cell::Text(shared[index]);
  }
  if (type == "inlineStr") return Cell::Text(inlineText);
  if (type == "str" || type == "e") return Cell::Text(Unescaped(value));
  if (type == "b") return Cell::Bool(value == "1");
  if (value.empty()) return Cell{};
  return Cell::Number(std::strtod(value.c_str(), nullptr));
}

void ReadSheetPart(Xml& xml, const std::vector<std::string>& shared, ReadSheet& sheet,
                   Package& package) {
  size_t row = 0, nextRow = 0;
  while (xml.Next()) {
    if (xml.IsStart("row")) {
      const std::string r = xml.Attribute("r");
      row = r.empty() ? nextRow : std::strtoul(r.c_str(), nullptr, 10) - 1;
      nextRow = row + 1;
      if (sheet.rows.size() <= row) sheet.rows.resize(row + 1);
      continue;
    }
    if (!xml.IsStart("c")) continue;
    size_t cellRow = row, col = sheet.rows.size() > row ? sheet.rows[row].size() : 0;
    const std::string ref = xml.Attribute("r");
    if (!ref.empty() && !CellRef(ref, cellRow, col)) package.Fail("bad cell reference " + ref);
    const std::string type = xml.Attribute("t");
    std::string value, inlineText;
    if (!xml.IsEmptyElement()) {
      while (xml.Next() && !xml.IsEnd("c")) {
        if (xml.IsStart("v")) value = xml.Text();
        if (xml.IsStart("is")) inlineText = StringItem(xml, "is");
      }
    }
    PutCell(sheet, cellRow, col, CellOf(type, value, inlineText, shared, package));
  }
}

// "worksheets/sheet1.xml" or "/xl/worksheets/sheet1.xml" as a path inside the archive.
std::string PartPath(const std::string& target) {
  if (!target.empty() && target[0] == '/') return target.substr(1);
  return "xl/" + target;
}

}  // namespace

std::vector<ReadSheet> ReadXlsx(const std::string& path) {
  Package package(path);
  std::map<std::string, std::string> targets;  // relationship id -> part
  if (auto rels = package.Part("xl/_rels/workbook.xml.rels")) {
    Xml xml(*rels, package);
    while (xml.Next())
      if (xml.IsStart("Relationship"))
        targets[xml.Attribute("Id")] = PartPath(xml.Attribute("Target"));
  }
  std::vector<std::string> shared;
  if (auto strings = package.Part("xl/sharedStrings.xml")) {
    Xml xml(*strings, package);
    while (xml.Next())
      if (xml.IsStart("si") && !xml.IsEmptyElement())
        shared.push_back(StringItem(xml, "si"));
      else if (xml.IsStart("si"))
        shared.emplace_back();
  }
  const std::optional<std::string> workbook = package.Part("xl/workbook.xml");
  if (!workbook) package.Fail("no xl/workbook.xml");
  std::vector<std::pair<std::string, std::string>> listed;  // name, part
  {
    Xml xml(*workbook, package);
    while (xml.Next())
      if (xml.IsStart("sheet"))
        listed.emplace_back(xml.Attribute("name"), targets[xml.Attribute("r:id")]);
  }
  std::vector<ReadSheet> sheets;
  for (const auto& [name, part] : listed) {
    ReadSheet& sheet = sheets.emplace_back();
    sheet.name = Unescaped(name);
    const std::optional<std::string> bytes = package.Part(part);
    if (!bytes) package.Fail("no part " + part + " for sheet " + name);
    Xml xml(*bytes, package);
    ReadSheetPart(xml, shared, sheet, package);
  }
  return sheets;
}

}  // namespace mvq::xls
