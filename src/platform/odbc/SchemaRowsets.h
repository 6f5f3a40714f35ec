#pragma once
// The schema rowsets the gates read (TABLES, PRIMARY_KEYS, PROVIDER_TYPES), from the ODBC
// catalog functions.
#include <vector>

#include "platform/odbc/Session.h"

namespace mvq::db {

std::vector<TableRow> ReadTables(const std::shared_ptr<Session>& session);
// Every table's key columns, table by table in key order.
std::vector<PrimaryKeyRow> ReadPrimaryKeys(const std::shared_ptr<Session>& session);
// The key columns of one table of the current catalog, in key order; none when it has no
// key or the driver cannot tell.
std::vector<std::string> ReadTableKey(const std::shared_ptr<Session>& session,
                                      const std::string& table);
std::vector<ProviderTypeRow> ReadProviderTypes(const std::shared_ptr<Session>& session);
std::string ReadCurrentCatalog(const Session& session);

}  // namespace mvq::db
