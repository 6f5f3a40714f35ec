#include "platform/jet/TableSchema.h"

#include "platform/jet/JetText.h"
#include "platform/text/AsciiCase.h"
#include "platform/text/Utf8.h"

namespace mvq::jet {

uint16_t FixedSizeOf(ColType t) {
  switch (t) {
    case ColType::Byte:
      return 1;
    case ColType::Int:
      return 2;
    case ColType::Long:
    case ColType::Float:
      return 4;
    case ColType::Money:
    case ColType::Double:
    case ColType::DateTime:
      return 8;
    case ColType::Guid:
      return 16;
    case ColType::Numeric:
      return 17;
    default:
      return 0;
  }
}

bool Column::IsFixed() const {
  return type != ColType::Text && type != ColType::Binary && !IsLongValue();
}

std::string NameProblem(const std::string& name) {
  if (name.empty()) return "an empty name";
  if (text::Utf16Length(name) > kMaxNameLength) return "a name over 64 characters";
  if (name.front() == ' ') return "a name with a leading space";
  for (unsigned char c : name) {
    if (c < 0x20) return "a name with a control character";
    if (c == '.' || c == '!' || c == '`' || c == '[' || c == ']')
      return std::string("a name with '") + char(c) + "'";
  }
  return {};
}

void TableSchema::Layout() {
  if (auto p = NameProblem(name); !p.empty()) throw JetError("table " + name + ": " + p);
  if (columns.empty() || columns.size() > kMaxColumns)
    throw JetError("table " + name + ": a table has 1 to 255 columns");
  uint16_t var = 0, fixed = 0;
  for (size_t i = 0; i < columns.size(); ++i) {
    Column& c = columns[i];
    if (auto p = NameProblem(c.name); !p.empty()) throw JetError("column " + c.name + ": " + p);
    for (size_t j = 0; j < i; ++j)
      if (text::SameIgnoringCase(columns[j].name, c.name))
        throw JetError("column " + c.name + " twice");
    c.number = uint16_t(i);
    if (c.IsFixed()) {
      c.length = c.type == ColType::Bool ? 1 : FixedSizeOf(c.type);
      c.varIndex = 0;
      c.fixedOffset = c.type == ColType::Bool ? 0 : fixed;
      fixed = uint16_t(fixed + FixedSizeOf(c.type));
    } else {
      c.varIndex = var++;
      c.fixedOffset = 0;
      if (c.IsLongValue()) c.length = 0;
      if (c.type == ColType::Text && (c.length == 0 || c.length > 510))
        throw JetError("column " + c.name + ": a text column holds 1 to 255 characters");
    }
  }
  for (const Index& ix : indexes)
    for (uint16_t n : ix.columns)
      if (n >= columns.size()) throw JetError("index " + ix.name + " names no column");
}

uint16_t TableSchema::VarCount() const {
  uint16_t n = 0;
  for (const Column& c : columns) n = uint16_t(n + !c.IsFixed());
  return n;
}

uint16_t TableSchema::FixedSize() const {
  uint16_t n = 0;
  for (const Column& c : columns) n = uint16_t(n + FixedSizeOf(c.type));
  return n;
}

}  // namespace mvq::jet
