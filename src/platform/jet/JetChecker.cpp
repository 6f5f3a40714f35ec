#include "platform/jet/JetChecker.h"

#include <fstream>
#include <map>
#include <set>

#include "platform/jet/DataPage.h"
#include "platform/jet/IndexPages.h"
#include "platform/jet/RowCodec.h"
#include "platform/jet/TableDefPage.h"
#include "platform/jet/UsageMap.h"

namespace mvq::jet {

namespace {

class Walker {
 public:
  explicit Walker(const std::string& path) : in_(path, std::ios::binary) {
    in_.seekg(0, std::ios::end);
    count_ = uint32_t(uint64_t(in_.tellg()) / kPageSize);
    if (uint64_t(in_.tellg()) % kPageSize) Problem("file size not a whole number of pages");
  }

  CheckReport Run() {
    if (count_ < 3) {
      Problem("file too short");
      return report_;
    }
    Own(0, "header");
    Own(1, "global map");
    DataPage global = DataPage::FromBytes(Read(1));
    std::set<uint32_t> free = Map(global.Row(0), "global map");
    for (uint32_t p : free)
      if (p < count_) Own(p, "free");
    // MSysObjects lists every table by its definition page.
    TableSchema catalog = Table(2, "MSysObjects");
    for (const auto& cells : catalogRows_) {
      if (cells.size() < 4 || cells[3].null || cells[0].null) continue;
      int16_t type = int16_t(Get16(cells[3].bytes.data()));
      uint32_t id = Get32(cells[0].bytes.data());
      if ((type == 1) && id != 2 && id < count_) Table(id, "table at page " + std::to_string(id));
    }
    for (uint32_t p = 0; p < count_; ++p)
      if (!owner_.count(p)) report_.unowned.push_back(p);
    if (report_.dataPages) report_.dataFill = fillSum_ / double(report_.dataPages);
    return report_;
  }

 private:
  Page Read(uint32_t p) {
    Page page(kPageSize, 0);
    in_.clear();
    in_.seekg(std::streamoff(p) * kPageSize);
    in_.read(reinterpret_cast<char*>(page.data()), kPageSize);
    return page;
  }
  void Problem(const std::string& what) { report_.problems.push_back(what); }
  void Own(uint32_t p, const std::string& who) {
    if (p >= count_) {
      Problem(who + " names page " + std::to_string(p) + " past the end");
      return;
    }
    auto [it, fresh] = owner_.emplace(p, who);
    if (!fresh) Problem("page " + std::to_string(p) + " owned by " + it->second + " and " + who);
  }
  Bytes RowAt(RowRef r) {
    if (r.page >= count_) return {};
    DataPage page = DataPage::FromBytes(Read(r.page));
    if (r.row >= page.RowCount()) return {};
    return page.Row(r.row);
  }
  std::set<uint32_t> Map(const Bytes& row, const std::string& who) {
    if (row.size() != UsageMap::kRowSize) {
      Problem(who + ": usage map row missing");
      return {};
    }
    if (row[0] == 1)
      for (size_t i = 0; i < 17; ++i)
        if (uint32_t p = Get32(&row[1 + 4 * i])) Own(p, who + " bitmap");
    return UsageMap::Decode(row, [&](uint32_t p) { return Read(p); });
  }
  std::set<uint32_t> MapAt(RowRef r, const std::string& who) {
    if (!mapPages_.count(r.page)) {
      mapPages_.insert(r.page);
      Own(r.page, "usage maps");
    }
    std::set<uint32_t> pages = Map(RowAt(r), who);
    std::set<uint32_t> inFile;
    for (uint32_t p : pages)
      if (p < count_) inFile.insert(p);
    return inFile;
  }

  TableSchema Table(uint32_t tdef, const std::string& who) {
    std::vector<Page> pages;
    for (uint32_t p = tdef; p && pages.size() < 64; p = Get32(&pages.back()[4])) {
      Own(p, who + " definition");
      pages.push_back(Read(p));
      if (pages.back()[0] != uint8_t(PageKind::TableDef)) {
        Problem(who + ": page " + std::to_string(p) + " is no definition page");
        return {};
      }
    }
    Bytes def = JoinTableDef(pages);
    TableSchema t = DecodeTableSchema(def);
    TableDefState s = DecodeTableDefState(def, t);
    ++report_.tables;
    std::set<uint32_t> data = MapAt(s.usedMap, who + " data");
    MapAt(s.freeMap, who + " free space");
    std::set<std::pair<uint32_t, uint8_t>> live;
    for (uint32_t p : data) {
      Own(p, who + " data");
      DataPage page = DataPage::FromBytes(Read(p));
      if (page.Image()[0] != uint8_t(PageKind::Data) || Get32(&page.Image()[4]) != tdef) {
        Problem(who + ": data page " + std::to_string(p) + " of another owner");
        continue;
      }
      ++report_.dataPages;
      fillSum_ += 1.0 - double(page.FreeSpace()) / double(kPageSize - DataPage::kHeaderSize);
      for (uint8_t r = 0; r < page.RowCount(); ++r) {
        std::optional<Bytes> row;
        try {
          row = LiveRow(page, r, tdef, [&](uint32_t at) { return Read(at); });
        } catch (const JetError& e) {
          Problem(who + ": page " + std::to_string(p) + ": " + e.what());
        }
        if (!row) continue;
        live.insert({p, r});
        if (tdef == 2) catalogRows_.push_back(DecodeRow(t, *row));
      }
    }
    if (live.size() != s.rowCount)
      Problem(who + ": stored row count " + std::to_string(s.rowCount) + ", rows on its pages " +
              std::to_string(live.size()));
    report_.rows += live.size();
    for (size_t i = 0; i < s.longColumns.size(); ++i) {
      for (uint32_t p : MapAt(s.longColumns[i].used, who + " long values")) {
        Own(p, who + " long values");
        if (Get32(&Read(p)[4]) != DataPage::kLvalOwner)
          Problem(who + ": long-value page " + std::to_string(p) + " not marked LVAL");
      }
      MapAt(s.longColumns[i].free, who + " long-value free space");
    }
    for (size_t i = 0; i < s.indexes.size(); ++i)
      CheckIndex(who + " index " + std::to_string(i), s.indexes[i], tdef, live);
    return t;
  }

  void CheckIndex(const std::string& who, const TableDefState::IndexState& ix, uint32_t tdef,
                  const std::set<std::pair<uint32_t, uint8_t>>& live) {
    std::set<uint32_t> pages = MapAt(ix.map, who);
    for (uint32_t p : pages) Own(p, who);
    if (!pages.count(ix.root)) {
      Problem(who + ": root page " + std::to_string(ix.root) + " not in its map");
      return;
    }
    // Down the leftmost edge, then along the leaves.
    uint32_t p = ix.root;
    Page page = Read(p);
    for (int depth = 0; page[0] == uint8_t(PageKind::IndexNode) && depth < 16; ++depth) {
      auto entries = IndexPageEntries(page);
      if (entries.empty()) {
        Problem(who + ": empty node page");
        return;
      }
      const Bytes& e = entries.front();
      p = (uint32_t(e[e.size() - 4]) << 24) | (e[e.size() - 3] << 16) | (e[e.size() - 2] << 8) |
          e[e.size() - 1];
      page = Read(p);
    }
    size_t count = 0, leaves = 0;
    Bytes prev;
    std::set<std::pair<uint32_t, uint8_t>> seen;
    while (true) {
      if (page[0] != uint8_t(PageKind::IndexLeaf) || Get32(&page[4]) != tdef) {
        Problem(who + ": page " + std::to_string(p) + " is no leaf of this table");
        return;
      }
      ++leaves;
      for (const Bytes& e : IndexPageEntries(page)) {
        if (e.size() < 5) {
          Problem(who + ": short entry");
          continue;
        }
        if (!prev.empty() && e < prev) Problem(who + ": entries out of order");
        prev = e;
        uint32_t dp = (uint32_t(e[e.size() - 4]) << 16) | (e[e.size() - 3] << 8) | e[e.size() - 2];
        std::pair<uint32_t, uint8_t> ref{dp, e.back()};
        if (!live.count(ref)) Problem(who + ": entry for no row");
        if (!seen.insert(ref).second) Problem(who + ": two entries for one row");
        ++count;
      }
      uint32_t next = Get32(&page[16]);
      if (!next || leaves > count_) break;
      p = next;
      page = Read(p);
    }
    if (count != live.size())
      Problem(who + ": " + std::to_string(count) + " entries for " + std::to_string(live.size()) +
              " rows");
  }

  std::ifstream in_;
  uint32_t count_ = 0;
  CheckReport report_;
  std::map<uint32_t, std::string> owner_;
  std::set<uint32_t> mapPages_;
  std::vector<std::vector<Cell>> catalogRows_;
  double fillSum_ = 0;
};

}  // namespace

CheckReport CheckFile(const std::string& path) {
  return Walker(path).Run();
}

}  // namespace mvq::jet
