#pragma once
// The client-side CREATE TABLE builders: one walk over a source table's columns, written in
// one of three dialects (SQL Server, Oracle, or the type names a target connection lists).
// The dialects differ only in how names are quoted and in the type text of each category.
#include <functional>
#include <string>
#include <vector>

#include "gates/ado/ColumnLoss.h"
#include "platform/odbc/Connection.h"
#include "platform/odbc/NameRules.h"

namespace mvq::ddl {

// How a column's type text is formed from the type name a dialect gives its category.
enum class Form {
  None,    // no type text at all
  Plain,   // " " + name
  Sized,   // " " + name + "(" + defined size + ")"
  Scaled,  // " " + name + "(" + precision + "," + scale + ")"
};

struct ColumnType {
  Form form = Form::None;
  std::string name;
  // False for a category the dialect does not map: the user is told "----" + category name.
  // The column may still get a type that holds its values, so that the table is created.
  bool mapped = true;
  int precision = 0, scale = 0;  // Scaled: as written
  // What the type does not keep of the source column's values; empty when it keeps them all.
  std::string loss;
};

struct Dialect {
  std::string open, close;  // written around the table name and every column name
  // The target type of a source column.
  std::function<ColumnType(const db::FieldDesc&)> typeOf;
  // The target's own rules: used without open and close, and for a name holding close.
  db::NameRules names{};
  std::string Name(const std::string& name) const;
};

// The type text a source column gets in a dialect (" integer"), with the loss note of
// ColumnType. The one place where a column's target type is chosen: the CREATE TABLE text
// and any preview of it read it here.
struct ColumnChoice {
  std::string typeText;
  std::string loss;
  bool mapped = true;
};
ColumnChoice ChooseColumnType(const db::FieldDesc& column, const Dialect& dialect);

// The run-log line naming what a column's type does not keep.
std::string LossLine(const std::string& table, const std::string& column, const std::string& loss);

// While it lives, BuildCreateTable on this thread also keeps each lossy column here, so that
// a preview names exactly what the run would log.
class LossNotes {
 public:
  LossNotes();
  ~LossNotes();
  LossNotes(const LossNotes&) = delete;
  LossNotes& operator=(const LossNotes&) = delete;
  std::vector<ColumnLoss> losses;

 private:
  LossNotes* outer_;
};

// The source column's type as its driver names it, with its size or digits ("varchar(20)").
std::string SourceTypeText(const db::FieldDesc& column);

Dialect SqlServerDialect();
Dialect OracleDialect();
// Type names from the target's provider-type list, read once, when first needed.
Dialect ProviderDialect(db::Connection& target);

// Header line, one line per column ("," after all but the last), ")"; CR LF after each.
// A column whose type does not keep all of its values gets a LossLine in the run log.
std::string BuildCreateTable(const std::string& table, const std::vector<db::FieldDesc>& columns,
                             const Dialect& dialect);

// The type name for a DataTypeEnum code given as decimal text. Width codes ("128" binary,
// "129" text, "130" Unicode text) give the narrowest or widest type, varying-length types
// before fixed-length ones; other codes the first type listed. Names holding a blank are
// never chosen. Empty when the list has none.
std::string FindProviderType(const std::vector<db::ProviderTypeRow>& types, const std::string& code,
                             bool widest);

// Whether the target takes names in brackets: SQL Server, Access and SQLite do, PostgreSQL,
// MariaDB and Oracle do not. For an engine the connection did not recognise, the provider
// name decides: brackets when it holds "Microsoft.Jet.OLEDB.4.0" or "SQL".
bool TakesBracketedNames(const db::Connection& target);

}  // namespace mvq::ddl
