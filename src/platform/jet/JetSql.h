#pragma once
// The statements this program sends to an Access file, parsed: CREATE TABLE in the texts
// the CREATE TABLE builders and the server-side type functions write, DROP TABLE and
// DELETE FROM. Names may be bracketed. Anything else is refused with the reason.
#include <optional>
#include <string>
#include <variant>
#include <vector>

#include "platform/jet/TableSchema.h"
#include "platform/odbc/Connection.h"

namespace mvq::jet {

struct CreateTable {
  TableSchema schema;
};
struct DropTable {
  std::string name;
};
struct DeleteRows {
  std::string name;
};
using Statement = std::variant<CreateTable, DropTable, DeleteRows>;

// Throws JetError naming what it does not take.
Statement ParseStatement(const std::string& sql);

// The reads the program sends for a whole table: "select * from T", the same with
// "where 1=2" (its columns only) and "select count(*) from T".
struct SelectRows {
  std::string table;
  bool count = false;   // count(*)
  bool noRows = false;  // where 1=2
};
// nullopt for any other statement, which goes to the reading driver as it is.
std::optional<SelectRows> ParseSelect(const std::string& sql);

// The types the writer makes, as a provider-type list (OLE DB codes, sizes in characters
// or bytes), so that a CREATE TABLE built from it names what the file will hold.
const std::vector<db::ProviderTypeRow>& WrittenTypes();

}  // namespace mvq::jet
