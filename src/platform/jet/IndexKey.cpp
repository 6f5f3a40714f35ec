#include "platform/jet/IndexKey.h"

#include "platform/jet/JetText.h"

namespace mvq::jet {

namespace {
constexpr uint8_t kAscending = 0x7f, kNullFlag = 0x00;
constexpr uint8_t kEndText = 0x01, kEndExtra = 0x00;

void AppendBigEndian(Bytes& out, const Bytes& le, bool flipSign) {
  size_t at = out.size();
  out.insert(out.end(), le.rbegin(), le.rend());
  if (flipSign) out[at] ^= 0x80;
}

void AppendFloating(Bytes& out, const Bytes& le) {
  size_t at = out.size();
  out.insert(out.end(), le.rbegin(), le.rend());
  if (out[at] & 0x80) {
    for (size_t i = at; i < out.size(); ++i) out[i] = uint8_t(~out[i]);
  } else {
    out[at] ^= 0x80;
  }
}

}  // namespace

Bytes IndexEntry::Full() const {
  Bytes b = key;
  b.push_back(uint8_t(row.page >> 16));
  b.push_back(uint8_t(row.page >> 8));
  b.push_back(uint8_t(row.page));
  b.push_back(row.row);
  return b;
}

void AppendGeneralText(Bytes& out, const Bytes& storedText) {
  for (char16_t c : StoredText(storedText)) {
    if (c >= '0' && c <= '9') {
      out.push_back(uint8_t(0x56 + (c - '0')));
    } else if (c >= 'A' && c <= 'Z') {
      out.push_back(uint8_t(0x60 + (c - 'A')));
    } else if (c >= 'a' && c <= 'z') {
      out.push_back(uint8_t(0x60 + (c - 'a')));
    } else {
      // Outside letters and digits: an order-keeping code of our own after the letters.
      out.push_back(0x7a);
      out.push_back(uint8_t(c >> 8));
      out.push_back(uint8_t(c));
    }
  }
  out.push_back(kEndText);
  out.push_back(kEndExtra);
}

Bytes IndexKeyOf(const TableSchema& t, const Index& ix, const std::vector<Cell>& cells) {
  Bytes out;
  for (uint16_t n : ix.columns) {
    const Column& c = t.columns[n];
    const Cell& cell = cells[n];
    if (c.type == ColType::Bool) {
      out.push_back(kAscending);
      out.push_back(cell.bit ? 0x00 : 0xff);
      continue;
    }
    if (cell.null) {
      out.push_back(kNullFlag);
      continue;
    }
    out.push_back(kAscending);
    switch (c.type) {
      case ColType::Byte:
        out.push_back(cell.bytes[0]);
        break;
      case ColType::Int:
      case ColType::Long:
      case ColType::Money:
        AppendBigEndian(out, cell.bytes, true);
        break;
      case ColType::Float:
      case ColType::Double:
      case ColType::DateTime:
        AppendFloating(out, cell.bytes);
        break;
      case ColType::Text:
      case ColType::Memo:
        AppendGeneralText(out, cell.bytes);
        break;
      default:
        AppendBigEndian(out, cell.bytes, false);
        break;
    }
  }
  return out;
}

}  // namespace mvq::jet
