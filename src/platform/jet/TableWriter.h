#pragma once
// One table of a file being written: its definition, its pages and maps, the rows appended
// since the last commit, and its index entries. Commit writes the index afresh, then the
// maps and the definition, so that the definition only ever names pages already written.
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
  TableWriter(PageFile& file, uint32_t tdefPage);

  const TableSchema& Schema() const { return schema_; }
  uint32_t DefinitionPage() const { return tdefPages_.front(); }
  uint32_t RowCount() const { return state_.rowCount; }

  // Adds a row (values in column order, missing ones null); the reason when it is refused,
  // in which case nothing of it is written.
  std::optional<std::string> Append(const std::vector<db::Variant>& values);
  // Writes what is pending; the caller makes it durable (PageFile::Sync) afterwards.
  // First the pages the definition will name (WritePages), then the maps and definition.
  void WritePages();
  void WriteDefinition();
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
  // Calls f with every row on this table's data pages as the file holds them.
  void ForEachStoredRow(const std::function<void(RowRef, const std::vector<Cell>&)>& f) const;
  Bytes WriteLongValue(LongColumn& lc, const Bytes& data, bool inlineOk);
  RowRef PutRow(const Bytes& row);
  void RebuildIndex(IndexData& ix);
  // Puts this table's map rows on page, in a fixed order.
  void PlaceMapRows(uint32_t page);
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
  bool dirty_ = true;
  bool sharedMaps_ = false;  // maps still on a page other tables use
};

}  // namespace mvq::jet
