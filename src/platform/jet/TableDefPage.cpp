#include "platform/jet/TableDefPage.h"

#include <algorithm>

#include "platform/jet/JetText.h"
#include "platform/text/Utf8.h"

namespace mvq::jet {

namespace {
constexpr uint32_t kTableMagic = 1625;  // every table and column block carries it
constexpr uint32_t kIndexMagic = 1923;  // every real index block carries it
constexpr uint8_t kUserTable = 0x4e, kSystemTable = 0x53;
constexpr uint8_t kFixedFlag = 0x01, kUpdatableFlag = 0x02, kAutoNumberFlag = 0x04,
                  kSystemColumnFlag = 0x10, kHiddenFlag = 0x20;
constexpr uint8_t kCompressedText = 0x01;
constexpr uint8_t kUniqueIndex = 0x01, kIgnoreNulls = 0x02, kRequiredIndex = 0x08,
                  kIndexAlways = 0x80;
constexpr uint32_t kHeaderSize = 8, kFirstFields = 63;

// Definitions come from files of any origin: every read is checked against the buffer.
void Need(const Bytes& b, size_t end) {
  if (end > b.size()) throw JetError("table definition cut short");
}

void Name(ByteWriter& w, const std::string& name) {
  Bytes b = Utf16Le(text::Utf8ToUtf16(name));
  w.U16(uint16_t(b.size()));
  w.Raw(b);
}
}  // namespace

std::vector<Page> EncodeTableDef(const TableSchema& t, const TableDefState& s) {
  Bytes b(kHeaderSize, 0);
  ByteWriter w{b};
  w.U32(0);  // total length, set below
  w.U32(kTableMagic);
  w.U32(s.rowCount);
  w.U32(s.nextAutoNumber);
  w.U8(1);  // autonumbers enabled
  w.Zeros(3 + 4 + 8);
  w.U8(t.system ? kSystemTable : kUserTable);
  uint16_t n = uint16_t(t.columns.size());
  w.U16(n);
  w.U16(t.VarCount());
  w.U16(n);
  w.U32(uint32_t(t.indexes.size()));
  w.U32(uint32_t(t.indexes.size()));
  w.U32(s.usedMap.Packed());
  w.U32(s.freeMap.Packed());
  for (size_t i = 0; i < t.indexes.size(); ++i) {
    w.U32(s.rowCount);
    w.U32(s.rowCount);
    w.U32(0);
  }
  for (const Column& c : t.columns) {
    w.U8(uint8_t(c.type));
    w.U32(kTableMagic);
    w.U16(c.number);
    w.U16(c.varIndex);
    w.U16(c.number);
    if (c.type == ColType::Numeric) {
      w.U8(c.precision);
      w.U8(c.scale);
    } else {
      w.U16(kGeneralSortOrder);
    }
    w.U16(0);
    uint8_t flags = kUpdatableFlag;
    if (c.IsFixed()) flags |= kFixedFlag;
    if (c.autoNumber) flags |= kAutoNumberFlag;
    if (t.system) flags |= kSystemColumnFlag;
    if (c.hiddenFlag) flags |= kHiddenFlag;
    w.U8(flags);
    w.U8(c.IsTextual() && c.compressed ? kCompressedText : 0);
    w.U32(0);
    w.U16(c.fixedOffset);
    w.U16(c.length);
  }
  for (const Column& c : t.columns) Name(w, c.name);
  for (size_t i = 0; i < t.indexes.size(); ++i) {
    const Index& ix = t.indexes[i];
    w.U32(kIndexMagic);
    for (size_t k = 0; k < 10; ++k) {
      w.U16(k < ix.columns.size() ? ix.columns[k] : 0xffff);
      w.U8(k < ix.columns.size() ? 1 : 0);
    }
    w.U32(s.indexes[i].map.Packed());
    w.U32(s.indexes[i].root);
    w.U32(0);
    uint8_t flags = kIndexAlways;
    if (ix.unique || ix.primary) flags |= kUniqueIndex;
    if (ix.ignoreNulls) flags |= kIgnoreNulls;
    if (ix.required) flags |= kRequiredIndex;
    w.U8(flags);
    w.Zeros(5);
  }
  for (size_t i = 0; i < t.indexes.size(); ++i) {
    w.U32(kTableMagic);
    w.U32(uint32_t(i));
    w.U32(uint32_t(i));
    w.U8(0);
    w.U32(0xffffffff);
    w.U32(0);
    w.U8(0x04);
    w.U8(0x04);
    w.U8(t.indexes[i].primary ? 1 : 0);
    w.U32(0);
  }
  for (const Index& ix : t.indexes) Name(w, ix.name);
  size_t lv = 0;
  for (const Column& c : t.columns) {
    if (!c.IsLongValue()) continue;
    w.U16(c.number);
    w.U32(s.longColumns[lv].used.Packed());
    w.U32(s.longColumns[lv].free.Packed());
    ++lv;
  }
  w.U16(0xffff);
  Put32(&b[kHeaderSize], uint32_t(b.size()));

  // The first page holds the header and the start; each further one an 8-byte header and
  // the next part. Jet records each page's free space less 8.
  std::vector<Page> pages;
  size_t at = kHeaderSize;
  do {
    Page p(kPageSize, 0);
    p[0] = uint8_t(PageKind::TableDef);
    p[1] = 1;
    size_t take = std::min(b.size() - at, size_t(kPageSize - kHeaderSize));
    std::memcpy(p.data() + kHeaderSize, b.data() + at, take);
    Put16(&p[2], uint16_t(std::max<int>(0, int(kPageSize - kHeaderSize - take) - 8)));
    at += take;
    pages.push_back(std::move(p));
  } while (at < b.size());
  return pages;
}

std::vector<std::pair<uint32_t, Page>> ReadTableDefPages(
    uint32_t first, const std::function<Page(uint32_t)>& read) {
  std::vector<std::pair<uint32_t, Page>> pages;
  // 64 pages hold any definition Jet makes; more is a loop in a damaged file.
  for (uint32_t p = first; p && pages.size() < 64; p = Get32(&pages.back().second[4])) {
    Page page = read(p);
    if (page.size() != kPageSize || page[0] != uint8_t(PageKind::TableDef))
      throw JetError("page " + std::to_string(p) + " is no table definition");
    pages.emplace_back(p, std::move(page));
  }
  return pages;
}

Bytes JoinTableDef(const std::vector<Page>& pages) {
  Bytes b(pages.front().begin(), pages.front().end());
  for (size_t i = 1; i < pages.size(); ++i)
    b.insert(b.end(), pages[i].begin() + kHeaderSize, pages[i].end());
  return b;
}

TableSchema DecodeTableSchema(const Bytes& b) {
  TableSchema t;
  Need(b, kFirstFields);
  t.system = b[40] == kSystemTable;
  uint16_t n = Get16(&b[45]);
  uint32_t logical = Get32(&b[47]), real = Get32(&b[51]);
  size_t at = kFirstFields + 12 * size_t(real);
  Need(b, at + 52 * size_t(real));
  for (uint16_t i = 0; i < n; ++i, at += 25) {
    Need(b, at + 25);
    Column c;
    c.type = ColType(b[at]);
    c.number = Get16(&b[at + 5]);
    c.varIndex = Get16(&b[at + 7]);
    if (c.type == ColType::Numeric) {
      c.precision = b[at + 11];
      c.scale = b[at + 12];
    } else if (c.IsTextual()) {
      c.sortOrder = Get16(&b[at + 11]);
    }
    c.autoNumber = b[at + 15] & kAutoNumberFlag;
    c.hiddenFlag = b[at + 15] & kHiddenFlag;
    c.compressed = b[at + 16] & kCompressedText;
    c.fixedOffset = Get16(&b[at + 21]);
    c.length = Get16(&b[at + 23]);
    t.columns.push_back(c);
  }
  for (Column& c : t.columns) {
    Need(b, at + 2);
    uint16_t len = Get16(&b[at]);
    Need(b, at + 2 + len);
    std::u16string name =
        StoredText(Bytes(b.begin() + long(at) + 2, b.begin() + long(at) + 2 + len));
    c.name = text::Utf16ToUtf8(name);
    at += 2 + len;
  }
  std::sort(t.columns.begin(), t.columns.end(),
            [](const Column& x, const Column& y) { return x.number < y.number; });
  std::vector<Index> reals(real);
  for (uint32_t i = 0; i < real; ++i, at += 52) {
    Need(b, at + 52);
    for (size_t k = 0; k < 10; ++k) {
      uint16_t col = Get16(&b[at + 4 + 3 * k]);
      if (col != 0xffff) reals[i].columns.push_back(col);
    }
    uint8_t flags = b[at + 46];
    reals[i].unique = flags & kUniqueIndex;
    reals[i].ignoreNulls = flags & kIgnoreNulls;
    reals[i].required = flags & kRequiredIndex;
  }
  for (uint32_t i = 0; i < logical; ++i, at += 28) {
    Need(b, at + 28);
    if (Get32(&b[at + 8]) >= reals.size()) throw JetError("index names no index data");
    Index ix = reals[Get32(&b[at + 8])];
    ix.primary = b[at + 23] == 1;
    t.indexes.push_back(ix);
  }
  for (Index& ix : t.indexes) {
    Need(b, at + 2);
    uint16_t len = Get16(&b[at]);
    Need(b, at + 2 + len);
    ix.name = text::Utf16ToUtf8(
        StoredText(Bytes(b.begin() + long(at) + 2, b.begin() + long(at) + 2 + len)));
    at += 2 + len;
  }
  return t;
}

TableDefState DecodeTableDefState(const Bytes& b, const TableSchema& t) {
  TableDefState s;
  Need(b, kFirstFields);
  s.rowCount = Get32(&b[16]);
  s.nextAutoNumber = Get32(&b[20]);
  auto ref = [](uint32_t v) { return RowRef{v >> 8, uint8_t(v)}; };
  s.usedMap = ref(Get32(&b[55]));
  s.freeMap = ref(Get32(&b[59]));
  uint32_t logical = Get32(&b[47]), real = Get32(&b[51]);
  size_t at = kFirstFields + 12 * size_t(real) + 25 * t.columns.size();
  for (size_t i = 0; i < t.columns.size(); ++i) {
    Need(b, at + 2);
    at += 2 + Get16(&b[at]);
  }
  for (uint32_t i = 0; i < real; ++i, at += 52) {
    Need(b, at + 52);
    s.indexes.push_back({ref(Get32(&b[at + 34])), Get32(&b[at + 38])});
  }
  at += 28 * size_t(logical);
  for (uint32_t i = 0; i < logical; ++i) {
    Need(b, at + 2);
    at += 2 + Get16(&b[at]);
  }
  while (at + 10 <= b.size() && Get16(&b[at]) != 0xffff) {
    s.longColumns.push_back({ref(Get32(&b[at + 2])), ref(Get32(&b[at + 6]))});
    at += 10;
  }
  return s;
}

}  // namespace mvq::jet
