#pragma once
// One table of a file being written: its definition, its pages and maps, the rows appended
// since the last commit, and its index entries. A commit writes everything new to fresh
// pages (rows, index, maps, the definition's continuation) and then, once those are on
// disk, the definition's first page in place: that one write is what makes the rows part
// of the table, so a kill before it leaves the table as it was and a kill after it leaves
// the new one. Only pages no reader reaches are lost either way.
#include <functional>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <unordered_set>
#include <vector>

#include "platform/jet/DataPage.h"
#include "platform/jet/IndexKey.h"
#include "platform/jet/RowCodec.h"
#include "platform/jet/TableDefPage.h"
#include "platform/jet/UsageMap.h"
#include "platform/odbc/Variant.h"

namespace mvq::jet {

class PageFile;

class TableWriter {
 public:
  // Plans the table whole and writes its definition, maps and empty indexes.
  TableWriter(PageFile& file, TableSchema schema);
  // A table already in the file, read from its definition page. Its maps move to a page
  // of its own at its first commit (Access keeps many tables' maps on one page).
  TableWriter(PageFile& file, uint32_t tdefPage, std::string name);

  const TableSchema& Schema() const { return schema_; }
  uint32_t DefinitionPage() const { return tdefPages_.front(); }
  uint32_t RowCount() const { return state_.rowCount; }

  // Adds a row (values in column order, missing ones null); the reason when it is refused,
  // in which case nothing of it is written.
  std::optional<std::string> Append(const std::vector<db::Variant>& values);
  // A commit in two steps: PrepareCommit writes every page the new definition names, the
  // caller makes them durable (PageFile::Barrier), FinishCommit writes the definition's
  // first page.
  void PrepareCommit();
  void FinishCommit();
  // Back to the table as the file holds it: rows appended since the last commit are gone.
  void Rollback();
  // Deletes the committed rows for which match is true; returns how many.
  size_t DeleteRowsWhere(const std::function<bool(const std::vector<Cell>&)>& match);
  // Empties the table, keeping its definition; DropAll frees every page it holds.
  void DeleteAll();
  void DropAll();

  // For the catalog: the tables it lists (definition page, name), from its rows on disk.
  std::vector<std::pair<uint32_t, std::string>> CatalogTables() const;
  // Every page this table holds, for the checker: definition, maps, data, long values, index.
  std::set<uint32_t> OwnedPages() const;

 private:
  struct LongColumn {
    UsageMap used, free;
    std::optional<DataPage> current;
    uint32_t currentPage = 0;
  };
  struct IndexData {
    UsageMap map;
    std::vector<IndexEntry> entries;
    std::unordered_set<std::string> keys;  // unique indexes: keys taken
    std::vector<uint32_t> pages;
    uint32_t root = 0;
  };
  void Load(uint32_t tdefPage);
  // Whether the page with this table's map rows holds them alone, as this writer lays them.
  bool MapPageIsOwn() const;
  // Pages a commit of what is pending may still need; rows are refused rather than eat them.
  uint32_t CommitReserve() const;
  // Calls f with every row on this table's data pages as the file holds them.
  void ForEachStoredRow(const std::function<void(RowRef, const std::vector<Cell>&)>& f) const;
  Bytes WriteLongValue(LongColumn& lc, const Bytes& data, bool inlineOk);
  RowRef PutRow(const Bytes& row);
  void RebuildIndex(IndexData& ix);
  // Puts this table's map rows on page, in a fixed order.
  static void PlaceMapRows(TableDefState& state, uint32_t page);
  void WriteMaps();

  PageFile& file_;
  TableSchema schema_;
  TableDefState state_;
  std::vector<uint32_t> tdefPages_;
  uint32_t mapPage_ = 0;
  UsageMap used_, free_;
  std::optional<DataPage> current_;
  uint32_t currentPage_ = 0;
  std::vector<LongColumn> longs_;
  std::vector<IndexData> indexes_;
  Page pendingHead_;       // the definition's first page, written by FinishCommit
  size_t indexBytes_ = 0;  // of every index's entries, to size the commit reserve
  bool dirty_ = true;
  bool sharedMaps_ = false;  // maps still on a page other tables use
};

}  // namespace mvq::jet
