#pragma once
// The system tables every Jet 4 file holds, their columns and indexes as Access makes them,
// and the catalog rows (containers, the database object, the tables) of a new file.
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "platform/jet/RowCodec.h"
#include "platform/jet/TableSchema.h"
#include "platform/odbc/Variant.h"

namespace mvq::jet {

inline constexpr int32_t kTablesContainer = 0x0F000001;
inline constexpr int16_t kTableObject = 1;
inline constexpr int32_t kSystemObject = int32_t(0x80000000);

// MSysObjects first: the catalog other tables are listed in.
std::vector<TableSchema> SystemTables();

// A catalog row of MSysObjects, values in its column order.
std::vector<db::Variant> CatalogRow(int32_t id, int32_t parent, const std::string& name,
                                    int16_t type, int32_t flags, const db::DateTime& when);

// The table (definition page, name) a stored catalog row lists; nullopt for the other
// objects (containers, queries, relationships, linked tables).
std::optional<std::pair<uint32_t, std::string>> CatalogTableOf(const std::vector<Cell>& row);

// The rows a new file's catalog starts with, apart from those of the tables themselves.
std::vector<std::vector<db::Variant>> ContainerRows(const db::DateTime& when);

}  // namespace mvq::jet
