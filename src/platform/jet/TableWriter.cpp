#include "platform/jet/TableWriter.h"

#include <algorithm>
#include <map>

#include "platform/jet/IndexPages.h"
#include "platform/jet/JetText.h"
#include "platform/jet/LongValue.h"
#include "platform/jet/PageFile.h"
#include "platform/jet/RowCodec.h"
#include "platform/jet/SystemCatalog.h"
#include "platform/jet/ValueCodec.h"
#include "platform/text/AsciiCase.h"
#include "platform/text/Utf8.h"

namespace mvq::jet {

namespace {
constexpr uint32_t kInlineMax = 64;          // long values this short stay in the row
constexpr uint32_t kSingleRecordMax = 4000;  // up to this, one record on a shared page
constexpr uint32_t kChunkData = DataPage::kMaxRowBytes - 4;  // a chained record's data
constexpr size_t kMaxMapRows = (DataPage::kMaxRowBytes + 2) / (UsageMap::kRowSize + 2);

}  // namespace

TableWriter::TableWriter(PageFile& file, TableSchema schema)
    : file_(file), schema_(std::move(schema)) {
  schema_.Layout();
  size_t longCount = 0;
  for (const Column& c : schema_.columns) longCount += c.IsLongValue();
  if (2 + schema_.indexes.size() + 2 * longCount > kMaxMapRows)
    throw JetError("table " + schema_.name + ": too many indexes and long-value columns");
  longs_.resize(longCount);
  indexes_.resize(schema_.indexes.size());
  state_.indexes.resize(indexes_.size());
  state_.longColumns.resize(longCount);
  // The first definition page stays where it is for the table's life; the rest, the maps
  // and the empty indexes are written by the first commit.
  tdefPages_.push_back(file_.Allocate());
  PrepareCommit();
  FinishCommit();
}

TableWriter::TableWriter(PageFile& file, uint32_t tdefPage, std::string name) : file_(file) {
  schema_.name = std::move(name);
  Load(tdefPage);
}

void TableWriter::Load(uint32_t tdefPage) {
  std::vector<Page> pages;
  tdefPages_.clear();
  for (auto& [number, page] :
       ReadTableDefPages(tdefPage, [&](uint32_t p) { return file_.Read(p); })) {
    tdefPages_.push_back(number);
    pages.push_back(std::move(page));
  }
  Bytes def = JoinTableDef(pages);
  // The definition holds no name: the catalog does.
  std::string name = std::move(schema_.name);
  schema_ = DecodeTableSchema(def);
  schema_.name = std::move(name);
  schema_.system =
      schema_.name.size() >= 4 && text::SameIgnoringCase(schema_.name.substr(0, 4), "MSys");
  state_ = DecodeTableDefState(def, schema_);
  auto read = [&](uint32_t p) { return file_.Read(p); };
  auto mapRow = [&](RowRef r) { return DataPage::FromBytes(file_.Read(r.page)).Row(r.row); };
  used_ = UsageMap::Read(mapRow(state_.usedMap), read);
  free_ = UsageMap::Read(mapRow(state_.freeMap), read);
  mapPage_ = state_.usedMap.page;
  sharedMaps_ = !MapPageIsOwn();
  current_.reset();
  longs_.clear();
  for (const auto& lv : state_.longColumns) {
    longs_.emplace_back();
    longs_.back().used = UsageMap::Read(mapRow(lv.used), read);
    longs_.back().free = UsageMap::Read(mapRow(lv.free), read);
  }
  // Index entries again from the rows, so that the index can be written whole.
  indexes_.clear();
  indexes_.resize(state_.indexes.size());
  indexBytes_ = 0;
  for (size_t k = 0; k < indexes_.size() && k < schema_.indexes.size(); ++k) {
    indexes_[k].map = UsageMap::Read(mapRow(state_.indexes[k].map), read);
    indexes_[k].pages.assign(indexes_[k].map.pages.begin(), indexes_[k].map.pages.end());
    indexes_[k].root = state_.indexes[k].root;
  }
  ForEachStoredRow([&](RowRef at, const std::vector<Cell>& cells) {
    for (size_t k = 0; k < indexes_.size() && k < schema_.indexes.size(); ++k) {
      Bytes key = IndexKeyOf(schema_, schema_.indexes[k], cells);
      if (schema_.indexes[k].unique || schema_.indexes[k].primary)
        indexes_[k].keys.insert(std::string(key.begin(), key.end()));
      indexBytes_ += key.size() + 4;
      indexes_[k].entries.push_back({std::move(key), at});
    }
  });
  dirty_ = false;
}

bool TableWriter::MapPageIsOwn() const {
  TableDefState laid = state_;
  PlaceMapRows(laid, mapPage_);
  auto same = [](RowRef a, RowRef b) { return a.Packed() == b.Packed(); };
  bool own = same(laid.usedMap, state_.usedMap) && same(laid.freeMap, state_.freeMap);
  for (size_t k = 0; own && k < laid.indexes.size(); ++k)
    own = same(laid.indexes[k].map, state_.indexes[k].map);
  for (size_t k = 0; own && k < laid.longColumns.size(); ++k)
    own = same(laid.longColumns[k].used, state_.longColumns[k].used) &&
          same(laid.longColumns[k].free, state_.longColumns[k].free);
  const size_t rows = 2 + laid.indexes.size() + 2 * laid.longColumns.size();
  return own && DataPage::FromBytes(file_.Read(mapPage_)).RowCount() == rows;
}

uint32_t TableWriter::CommitReserve() const {
  // Fresh maps with their bitmaps, the definition's continuation, the index written anew,
  // the global map's bitmaps.
  const uint32_t maps = uint32_t(2 + 2 * longs_.size() + indexes_.size());
  const uint32_t bitmaps = (file_.PageCount() + 64) / UsageMap::kPagesPerBitmap + 1;
  return 1 + (maps + 1) * bitmaps + uint32_t(tdefPages_.size()) + uint32_t(indexBytes_ / 2000) +
         2 * uint32_t(indexes_.size());
}

std::optional<std::string> TableWriter::Append(const std::vector<db::Variant>& values) {
  const size_t n = schema_.columns.size();
  std::vector<Cell> cells(n);
  std::vector<Bytes> longData(n);
  uint32_t autoValue = 0;
  bool autoUsed = false;
  try {
    for (size_t i = 0; i < n; ++i) {
      const Column& c = schema_.columns[i];
      db::Variant v = i < values.size() ? values[i] : db::Variant();
      if (c.autoNumber && v.IsNull()) {
        autoValue = state_.nextAutoNumber + 1;
        autoUsed = true;
        v = db::Variant(int64_t(int32_t(autoValue)));
      }
      Cell& cell = cells[i];
      if (c.type == ColType::Bool) {
        cell.null = false;
        cell.bit = !v.IsNull() && EncodeBool(v);
        continue;
      }
      if (v.IsNull()) continue;
      cell.null = false;
      if (c.IsFixed()) {
        cell.bytes = EncodeFixed(c, v);
        if (c.autoNumber && !autoUsed)
          autoValue = std::max<uint32_t>(state_.nextAutoNumber, Get32(cell.bytes.data()));
      } else if (c.IsLongValue()) {
        longData[i] = EncodeLongValue(c, v);
        if (longData[i].size() > kMaxLongValue)
          throw JetError("value of column " + c.name + " over the 16 MB this writer stores");
        cell.bytes = longData[i].size() <= kInlineMax
                         ? LongValueHeader(longData[i].size(), kInlineLongValue, 0)
                         : LongValueHeader(0, 0, 0);
        if (longData[i].size() <= kInlineMax)
          cell.bytes.insert(cell.bytes.end(), longData[i].begin(), longData[i].end());
      } else {
        cell.bytes = EncodeVariable(c, v);
      }
    }
    EncodeRow(schema_, cells);  // the size check, before anything is written
    std::vector<Bytes> keys(indexes_.size());
    for (size_t k = 0; k < indexes_.size(); ++k) {
      const Index& ix = schema_.indexes[k];
      for (uint16_t col : ix.columns)
        if ((ix.primary || ix.required) && cells[col].null)
          throw JetError("null in key column " + schema_.columns[col].name);
      keys[k] = IndexKeyOf(schema_, ix, cells);
      if ((ix.unique || ix.primary) &&
          indexes_[k].keys.count(std::string(keys[k].begin(), keys[k].end())))
        throw JetError("duplicate value in index " + ix.name);
    }
    size_t lv = 0;
    for (size_t i = 0; i < n; ++i) {
      const Column& c = schema_.columns[i];
      if (!c.IsLongValue()) continue;
      LongColumn& lc = longs_[lv++];
      if (!cells[i].null && longData[i].size() > kInlineMax)
        cells[i].bytes = WriteLongValue(lc, longData[i], false);
    }
    RowRef at = PutRow(EncodeRow(schema_, cells));
    for (size_t k = 0; k < indexes_.size(); ++k) {
      if (schema_.indexes[k].unique || schema_.indexes[k].primary)
        indexes_[k].keys.insert(std::string(keys[k].begin(), keys[k].end()));
      indexBytes_ += keys[k].size() + 4;
      indexes_[k].entries.push_back({std::move(keys[k]), at});
    }
  } catch (const JetError& e) {
    return std::string(e.what());
  }
  if (autoUsed || autoValue > state_.nextAutoNumber) state_.nextAutoNumber = autoValue;
  ++state_.rowCount;
  dirty_ = true;
  return std::nullopt;
}

Bytes TableWriter::WriteLongValue(LongColumn& lc, const Bytes& data, bool) {
  if (data.size() <= kSingleRecordMax) {
    if (!lc.current || !lc.current->Fits(data.size())) {
      if (lc.current) file_.Write(lc.currentPage, lc.current->Image());
      lc.currentPage = file_.Allocate(CommitReserve());
      lc.current.emplace(DataPage::kLvalOwner);
      lc.used.pages.insert(lc.currentPage);
    }
    uint8_t r = lc.current->Add(data);
    return LongValueHeader(data.size(), kSingleLongValue, RowRef{lc.currentPage, r}.Packed());
  }
  size_t chunks = (data.size() + kChunkData - 1) / kChunkData;
  std::vector<uint32_t> pages(chunks);
  for (auto& p : pages) p = file_.Allocate(CommitReserve());
  for (size_t i = 0; i < chunks; ++i) {
    size_t from = i * kChunkData, take = std::min<size_t>(kChunkData, data.size() - from);
    Bytes rec(4, 0);
    if (i + 1 < chunks) Put32(rec.data(), RowRef{pages[i + 1], 0}.Packed());
    rec.insert(rec.end(), data.begin() + long(from), data.begin() + long(from + take));
    DataPage page(DataPage::kLvalOwner);
    page.Add(rec);
    file_.Write(pages[i], page.Image());
    lc.used.pages.insert(pages[i]);
  }
  return LongValueHeader(data.size(), kChainLongValue, RowRef{pages[0], 0}.Packed());
}

RowRef TableWriter::PutRow(const Bytes& row) {
  if (!current_ || !current_->Fits(row.size())) {
    if (current_) file_.Write(currentPage_, current_->Image());
    currentPage_ = file_.Allocate(CommitReserve());
    current_.emplace(DefinitionPage());
    used_.pages.insert(currentPage_);
  }
  return {currentPage_, current_->Add(row)};
}

void TableWriter::RebuildIndex(IndexData& ix) {
  std::sort(ix.entries.begin(), ix.entries.end());
  std::vector<uint32_t> old = std::move(ix.pages);
  BuiltIndex built = WriteIndexPages(file_, DefinitionPage(), ix.entries);
  ix.pages = built.pages;
  ix.root = built.root;
  ix.map.pages = std::set<uint32_t>(ix.pages.begin(), ix.pages.end());
  for (uint32_t p : old) file_.Free(p);
}

void TableWriter::PrepareCommit() {
  if (!dirty_) return;
  if (current_) file_.Write(currentPage_, current_->Image());
  for (LongColumn& lc : longs_)
    if (lc.current) file_.Write(lc.currentPage, lc.current->Image());
  for (IndexData& ix : indexes_) RebuildIndex(ix);
  WriteMaps();
  for (size_t k = 0; k < indexes_.size(); ++k) state_.indexes[k].root = indexes_[k].root;
  std::vector<Page> pages = EncodeTableDef(schema_, state_);
  // The first page stays; the continuation goes to fresh pages.
  for (size_t i = 1; i < tdefPages_.size(); ++i) file_.Free(tdefPages_[i]);
  tdefPages_.resize(1);
  for (size_t i = 1; i < pages.size(); ++i) tdefPages_.push_back(file_.Allocate());
  for (size_t i = 0; i < pages.size(); ++i)
    Put32(&pages[i][4], i + 1 < pages.size() ? tdefPages_[i + 1] : 0);
  for (size_t i = 1; i < pages.size(); ++i) file_.Write(tdefPages_[i], pages[i]);
  pendingHead_ = std::move(pages[0]);
}

void TableWriter::FinishCommit() {
  if (!dirty_) return;
  file_.Write(tdefPages_[0], pendingHead_);
  pendingHead_.clear();
  // Rows after this commit go to fresh pages, so that no committed page is written again.
  current_.reset();
  for (LongColumn& lc : longs_) lc.current.reset();
  dirty_ = false;
}

void TableWriter::Rollback() {
  if (dirty_) Load(DefinitionPage());
}

void TableWriter::PlaceMapRows(TableDefState& state, uint32_t page) {
  uint8_t row = 0;
  state.usedMap = {page, row++};
  state.freeMap = {page, row++};
  for (auto& ix : state.indexes) ix.map = {page, row++};
  for (auto& lv : state.longColumns) {
    lv.used = {page, row++};
    lv.free = {page, row++};
  }
}

void TableWriter::WriteMaps() {
  // On a fresh page each commit: the definition on disk still names the old one.
  const uint32_t page = file_.Allocate();
  if (mapPage_ && !sharedMaps_) file_.Free(mapPage_);
  sharedMaps_ = false;
  mapPage_ = page;
  PlaceMapRows(state_, page);
  // The free-space map names the page rows go to next.
  free_.pages.clear();
  if (current_ && current_->FreeSpace() > 64) free_.pages.insert(currentPage_);
  DataPage maps(0);
  maps.Add(used_.Encode(file_));
  maps.Add(free_.Encode(file_));
  for (IndexData& ix : indexes_) maps.Add(ix.map.Encode(file_));
  for (LongColumn& lc : longs_) {
    lc.free.pages.clear();
    if (lc.current && lc.current->FreeSpace() > 64) lc.free.pages.insert(lc.currentPage);
    maps.Add(lc.used.Encode(file_));
    maps.Add(lc.free.Encode(file_));
  }
  file_.Write(mapPage_, maps.Image());
}

size_t TableWriter::DeleteRowsWhere(const std::function<bool(const std::vector<Cell>&)>& match) {
  std::vector<RowRef> doomed;
  ForEachStoredRow([&](RowRef at, const std::vector<Cell>& cells) {
    if (match(cells)) doomed.push_back(at);
  });
  // Each page with a doomed row is copied to a fresh page, which the next commit names.
  std::map<uint32_t, std::vector<uint8_t>> byPage;
  for (RowRef at : doomed) byPage[at.page].push_back(at.row);
  std::map<uint32_t, uint32_t> moved;
  for (const auto& [old, rows] : byPage) {
    Page page = file_.Read(old);
    for (uint8_t r : rows) {
      uint8_t* slot = &page[DataPage::kHeaderSize + 2 * r];
      // Deleted, and marked moved too: readers differ in which of the two bits they test.
      Put16(slot, uint16_t(Get16(slot) | 0xC000));
    }
    const uint32_t fresh = file_.Allocate();
    file_.Write(fresh, page);
    used_.pages.erase(old);
    used_.pages.insert(fresh);
    file_.Free(old);
    moved[old] = fresh;
  }
  std::set<uint64_t> gone;
  for (RowRef at : doomed) gone.insert(at.Packed());
  for (IndexData& ix : indexes_) {
    auto kept =
        std::stable_partition(ix.entries.begin(), ix.entries.end(),
                              [&](const IndexEntry& e) { return !gone.count(e.row.Packed()); });
    for (auto it = kept; it != ix.entries.end(); ++it)
      ix.keys.erase(std::string(it->key.begin(), it->key.end()));
    ix.entries.erase(kept, ix.entries.end());
    for (IndexEntry& e : ix.entries)
      if (auto m = moved.find(e.row.page); m != moved.end()) e.row.page = m->second;
  }
  state_.rowCount -= uint32_t(doomed.size());
  if (!doomed.empty()) dirty_ = true;
  return doomed.size();
}

void TableWriter::DeleteAll() {
  for (uint32_t p : used_.pages) file_.Free(p);
  used_.pages.clear();
  current_.reset();
  for (LongColumn& lc : longs_) {
    for (uint32_t p : lc.used.pages) file_.Free(p);
    lc.used.pages.clear();
    lc.current.reset();
  }
  for (IndexData& ix : indexes_) {
    ix.entries.clear();
    ix.keys.clear();
  }
  indexBytes_ = 0;
  state_.rowCount = 0;
  dirty_ = true;
}

void TableWriter::DropAll() {
  DeleteAll();
  for (IndexData& ix : indexes_) {
    for (uint32_t p : ix.pages) file_.Free(p);
    ix.map.Release(file_);
  }
  used_.Release(file_);
  free_.Release(file_);
  for (LongColumn& lc : longs_) {
    lc.used.Release(file_);
    lc.free.Release(file_);
  }
  for (uint32_t p : tdefPages_) file_.Free(p);
  if (!sharedMaps_) file_.Free(mapPage_);
}

void TableWriter::ForEachStoredRow(
    const std::function<void(RowRef, const std::vector<Cell>&)>& f) const {
  for (uint32_t p : used_.pages) {
    DataPage page = DataPage::FromBytes(file_.Read(p));
    for (uint8_t r = 0; r < page.RowCount(); ++r) {
      auto row = LiveRow(page, r, DefinitionPage(), [&](uint32_t at) { return file_.Read(at); });
      if (row) f({p, r}, DecodeRow(schema_, *row));
    }
  }
}

std::vector<std::pair<uint32_t, std::string>> TableWriter::CatalogTables() const {
  std::vector<std::pair<uint32_t, std::string>> out;
  ForEachStoredRow([&](RowRef, const std::vector<Cell>& cells) {
    if (auto table = CatalogTableOf(cells)) out.push_back(std::move(*table));
  });
  return out;
}

std::set<uint32_t> TableWriter::OwnedPages() const {
  std::set<uint32_t> all(tdefPages_.begin(), tdefPages_.end());
  all.insert(mapPage_);
  auto add = [&](const UsageMap& m) {
    all.insert(m.pages.begin(), m.pages.end());
    all.insert(m.BitmapPages().begin(), m.BitmapPages().end());
  };
  add(used_);
  for (const auto& lc : longs_) add(lc.used);
  for (const auto& ix : indexes_) add(ix.map);
  add(free_);
  return all;
}

}  // namespace mvq::jet
