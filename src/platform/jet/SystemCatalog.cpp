#include "platform/jet/SystemCatalog.h"

#include "platform/jet/JetText.h"
#include "platform/text/Utf8.h"

namespace mvq::jet {

namespace {
constexpr int32_t kRootContainer = 0x0F000000, kDatabasesContainer = 0x0F000002;
constexpr int16_t kDatabaseType = 2, kContainerType = 3;

Column Col(const char* name, ColType t, uint16_t length = 0, bool hidden = false) {
  Column c;
  c.name = name;
  c.type = t;
  c.length = length;
  c.hiddenFlag = hidden;
  c.compressed = false;
  return c;
}

Index Idx(const char* name, std::vector<uint16_t> cols, bool unique, bool primary = false) {
  Index ix;
  ix.name = name;
  ix.columns = std::move(cols);
  ix.unique = unique;
  ix.primary = primary;
  return ix;
}

TableSchema Table(const char* name, std::vector<Column> cols, std::vector<Index> idx) {
  TableSchema t;
  t.name = name;
  t.system = true;
  t.columns = std::move(cols);
  t.indexes = std::move(idx);
  return t;
}
}  // namespace

std::vector<TableSchema> SystemTables() {
  using T = ColType;
  std::vector<TableSchema> all;
  all.push_back(
      Table("MSysObjects",
            {Col("Id", T::Long), Col("ParentId", T::Long), Col("Name", T::Text, 510),
             Col("Type", T::Int), Col("DateCreate", T::DateTime), Col("DateUpdate", T::DateTime),
             Col("Owner", T::Binary, 510, true), Col("Flags", T::Long), Col("Database", T::Memo),
             Col("Connect", T::Memo), Col("ForeignName", T::Text, 510),
             Col("RmtInfoShort", T::Binary, 510), Col("RmtInfoLong", T::Ole), Col("Lv", T::Ole),
             Col("LvProp", T::Ole), Col("LvModule", T::Ole), Col("LvExtra", T::Ole)},
            {Idx("Id", {0}, true, true), Idx("ParentIdName", {1, 2}, true)}));
  all.back().indexes[0].required = false;
  all.push_back(Table("MSysACEs",
                      {Col("ObjectId", T::Long), Col("SID", T::Binary, 510, true),
                       Col("ACM", T::Long), Col("FInheritable", T::Bool)},
                      {Idx("ObjectId", {0}, false)}));
  all.back().indexes[0].required = true;
  all.push_back(
      Table("MSysQueries",
            {Col("ObjectId", T::Long), Col("Attribute", T::Byte), Col("Order", T::Binary, 510),
             Col("Name1", T::Text, 510), Col("Name2", T::Text, 510), Col("Expression", T::Memo),
             Col("Flag", T::Int), Col("LvExtra", T::Long)},
            {Idx("ObjectIdAttribute", {0, 1, 2}, true, true)}));
  TableSchema rel =
      Table("MSysRelationships",
            {Col("szRelationship", T::Text, 510), Col("grbit", T::Long), Col("ccolumn", T::Long),
             Col("icolumn", T::Long), Col("szObject", T::Text, 510), Col("szColumn", T::Text, 510),
             Col("szReferencedObject", T::Text, 510), Col("szReferencedColumn", T::Text, 510)},
            {Idx("szObject", {4}, false), Idx("szReferencedObject", {6}, false),
             Idx("szRelationship", {0}, false)});
  for (Index& ix : rel.indexes) ix.ignoreNulls = true;
  all.push_back(std::move(rel));
  return all;
}

std::vector<db::Variant> CatalogRow(int32_t id, int32_t parent, const std::string& name,
                                    int16_t type, int32_t flags, const db::DateTime& when) {
  std::vector<db::Variant> row(17);
  row[0] = int64_t(id);
  row[1] = int64_t(parent);
  row[2] = name;
  row[3] = int64_t(type);
  row[4] = when;
  row[5] = when;
  row[7] = int64_t(flags);
  return row;
}

std::vector<std::vector<db::Variant>> ContainerRows(const db::DateTime& when) {
  std::vector<std::vector<db::Variant>> rows;
  rows.push_back(
      CatalogRow(kTablesContainer, kRootContainer, "Tables", kContainerType, kSystemObject, when));
  rows.push_back(CatalogRow(kDatabasesContainer, kRootContainer, "Databases", kContainerType,
                            kSystemObject, when));
  rows.push_back(
      CatalogRow(0x0F000003, kRootContainer, "Relationships", kContainerType, kSystemObject, when));
  rows.push_back(
      CatalogRow(0x10000000, kDatabasesContainer, "MSysDb", kDatabaseType, kSystemObject, when));
  // The containers Access adds for its own objects; an empty file shows them empty.
  int32_t id = int32_t(0x80000000);
  for (const char* name : {"DataAccessPages", "Forms", "Modules", "Reports", "Scripts", "SysRel"})
    rows.push_back(CatalogRow(id++, kRootContainer, name, kContainerType, 0, when));
  return rows;
}

std::optional<std::pair<uint32_t, std::string>> CatalogTableOf(const std::vector<Cell>& cells) {
  // Id, ParentId, Name and Type are the catalog's first four columns.
  if (cells.size() < 4 || cells[0].null || cells[2].null || cells[3].null ||
      cells[3].bytes.size() < 2 || cells[0].bytes.size() < 4 ||
      int16_t(Get16(cells[3].bytes.data())) != kTableObject)
    return std::nullopt;
  int32_t parent =
      cells[1].null || cells[1].bytes.size() < 4 ? 0 : int32_t(Get32(cells[1].bytes.data()));
  if (parent != kTablesContainer) return std::nullopt;
  return std::make_pair(Get32(cells[0].bytes.data()),
                        text::Utf16ToUtf8(StoredText(cells[2].bytes)));
}

}  // namespace mvq::jet
