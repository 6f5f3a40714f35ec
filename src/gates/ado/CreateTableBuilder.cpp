#include "gates/ado/CreateTableBuilder.h"

#include <algorithm>
#include <cstdint>
#include <limits>
#include <memory>
#include <optional>

#include "gates/ado/utNCDataGates.h"
#include "support/Messages.h"

namespace mvq::ddl {

using namespace mvq::db;

namespace {

struct TypeRow {
  TFieldType category;
  ColumnType type;
};

ColumnType Lookup(const std::vector<TypeRow>& table, TFieldType category) {
  for (const auto& row : table) {
    if (row.category == category) return row.type;
  }
  return {Form::None, "", false};
}

ColumnType Plain(std::string name) {
  return {Form::Plain, std::move(name), true};
}
ColumnType Sized(std::string name) {
  return {Form::Sized, std::move(name), true};
}
ColumnType Scaled(std::string name) {
  return {Form::Scaled, std::move(name), true};
}
// A category the dialect does not map, written with a type that still holds its values.
ColumnType Unmapped(ColumnType type) {
  type.mapped = false;
  return type;
}

// Decimal precision and scale as written: precision at most 28 (an unknown one counts as
// 28); a scale reported as 128 or more, or negative, counts as 4. A scale above the
// precision would be refused by every target, so it is cut to the precision.
int WrittenPrecision(const FieldDesc& f) {
  return (f.precision <= 0 || f.precision > 28) ? 28 : f.precision;
}
int WrittenScale(const FieldDesc& f) {
  int s = (f.scale < 0 || f.scale >= 128) ? 4 : f.scale;
  return std::min(s, WrittenPrecision(f));
}

std::string TypeText(const ColumnType& t, const FieldDesc& f) {
  switch (t.form) {
    case Form::None:
      return {};
    case Form::Plain:
      return " " + t.name;
    case Form::Sized:
      return " " + t.name + "(" + std::to_string(f.definedSize) + ")";
    case Form::Scaled:
      return " " + t.name + "(" + std::to_string(WrittenPrecision(f)) + "," +
             std::to_string(WrittenScale(f)) + ")";
  }
  return {};
}

bool IsWidthCode(const std::string& code) {
  return code == "128" || code == "129" || code == "130";
}

// A negative size (psqlODBC's -4 for bytea) means the type has no limit.
int64_t EffectiveSize(const ProviderTypeRow& row) {
  return row.COLUMN_SIZE < 0 ? std::numeric_limits<int64_t>::max() : row.COLUMN_SIZE;
}

const ProviderTypeRow* FindRow(const std::vector<ProviderTypeRow>& types, const std::string& code,
                               bool widest) {
  auto eligible = [&](const ProviderTypeRow& row) {
    return row.TYPE_NAME.find(' ') == std::string::npos && std::to_string(row.DATA_TYPE) == code;
  };
  if (!IsWidthCode(code)) {
    for (const auto& row : types) {
      if (eligible(row)) return &row;
    }
    return nullptr;
  }
  // Varying-length types first: a fixed-length one (PostgreSQL's char(n)) pads the values.
  for (bool fixed : {false, true}) {
    const ProviderTypeRow* found = nullptr;
    int64_t best = widest ? 0 : 999'999'999;
    for (const auto& row : types) {
      if (!eligible(row) || row.IS_FIXEDLENGTH != fixed) continue;
      int64_t size = EffectiveSize(row);
      if (widest ? size > best : size < best) {
        best = size;
        found = &row;
      }
    }
    if (found) return found;
  }
  return nullptr;
}

// Type names of a target connection, read from its provider-type list on first need.
class ProviderTypes {
 public:
  explicit ProviderTypes(Connection& target) : target_(target) {}

  const std::vector<ProviderTypeRow>& Rows() {
    if (!rows_) rows_ = target_.SchemaProviderTypes();
    return *rows_;
  }
  const ProviderTypeRow* Row(const std::string& code, bool widest) {
    return FindRow(Rows(), code, widest);
  }
  std::string Name(const std::string& code, bool widest = true) {
    const auto* row = Row(code, widest);
    return row ? row->TYPE_NAME : std::string();
  }

  // Text columns: the narrowest Unicode text type; a target listing none (SQLite reports
  // only narrow kinds) gets its narrowest text type.
  std::string Text() {
    std::string t = Name("130", false);
    if (t.empty()) t = Name("129", false);
    return t == "CHAR" ? "varchar2" : t;
  }

  // Memo columns: the widest Unicode text type. When all of the target's Unicode text types
  // share one width, none of them is a long type (MariaDB lists "LONG VARCHAR", whose blank
  // rules it out, beside VARCHAR(255)); the widest narrow text type is taken then.
  std::string LongText() {
    const auto* wide = Row("130", true);
    const auto* narrow = Row("130", false);
    if (wide && narrow && EffectiveSize(*wide) > EffectiveSize(*narrow)) return wide->TYPE_NAME;
    if (const auto* other = Row("129", true)) return other->TYPE_NAME;
    return wide ? wide->TYPE_NAME : std::string();
  }

  // Decimal columns: a target without a decimal type (SQLite) still takes NUMERIC.
  std::string Decimal() {
    std::string t = Name("131");
    if (t.empty() || AsciiUpper(t) == "DECIMAL") return "NUMERIC";
    return t;
  }

  std::string Binary() {
    std::string t = Name("128", true);
    return AsciiUpper(t) == "LONGBINARY" ? "image" : t;
  }

  std::string Timestamp() {
    std::string t = Name("135");
    if (t.empty()) return "date";
    // PostgreSQL lists only timestamptz, which converts values through the session's time
    // zone; the plain timestamp keeps them as they are.
    if (AsciiLower(t) == "timestamptz") return "timestamp";
    // MariaDB's DATETIME keeps whole seconds only.
    if (target_.dbms() == Dbms::MariaDB && AsciiUpper(t) == "DATETIME") return t + "(6)";
    return t;
  }

  // Floating-point columns keep their values in a binary double type; Jet names it DOUBLE.
  std::string Double() const {
    bool jet = target_.dbms() == Dbms::Access ||
               target_.ProviderName().find("Microsoft.Jet.OLEDB") != std::string::npos;
    return jet ? "double" : "double precision";
  }

 private:
  Connection& target_;
  std::optional<std::vector<ProviderTypeRow>> rows_;
};

ColumnType ProviderTypeOf(ProviderTypes& types, TFieldType category) {
  switch (category) {
    case ftString:
    case ftWideString:
      return Sized(types.Text());
    case ftSmallint: {
      std::string t = types.Name("2");
      if (!t.empty()) return Plain(t);
      t = types.Name("131");
      return Plain((t.empty() ? "NUMERIC" : t) + "(6,0)");
    }
    case ftInteger:
    case ftAutoInc: {
      std::string t = types.Name("3");
      return Plain(t.empty() ? "integer" : t);
    }
    case ftBoolean: {
      std::string t = types.Name("11");
      return Plain(t.empty() ? "integer" : t);
    }
    case ftBCD:
      return Scaled(types.Decimal());
    case ftFloat:
      return Plain(types.Double());
    case ftDate:
    case ftTime:
    case ftDateTime:
      return Plain(types.Timestamp());
    case ftBlob:
      return Plain(types.Binary());
    case ftMemo:
      return Plain(types.LongText());
    // Categories the dialect does not map: told to the user, written with a type that
    // keeps their values.
    case ftWord: {
      std::string t = types.Name("3");
      return Unmapped(Plain(t.empty() ? "integer" : t));
    }
    case ftLargeint: {
      std::string t = types.Name("20");
      return Unmapped(Plain(t.empty() ? types.Decimal() + "(20,0)" : t));
    }
    case ftFixedChar:
      return Unmapped(Sized(types.Text()));
    case ftBytes:
    case ftVarBytes:
      return Unmapped(Plain(types.Binary()));
    case ftGuid:
      return Unmapped(Plain(types.Text() + "(38)"));
    default:
      return {Form::None, "", false};
  }
}

}  // namespace

Dialect SqlServerDialect() {
  // smallint holds every 16-bit value; float (53-bit mantissa) holds every floating-point
  // value as it was, where a decimal of scale 0 would drop the fraction.
  static const std::vector<TypeRow> kTypes = {
      {ftString, Sized("varchar")},
      {ftWideString, Sized("varchar")},
      {ftSmallint, Plain("smallint")},
      {ftInteger, Plain("integer")},
      {ftAutoInc, Plain("integer")},
      {ftBoolean, Plain("integer")},
      {ftBCD, Scaled("DECIMAL")},
      {ftFloat, Plain("float")},
      {ftDate, Plain("Datetime")},
      {ftTime, Plain("Datetime")},
      {ftDateTime, Plain("Datetime")},
      {ftBlob, Plain("image")},
      {ftMemo, Plain("varchar(4000)")},
      {ftWord, Unmapped(Plain("integer"))},
      {ftLargeint, Unmapped(Plain("bigint"))},
      {ftFixedChar, Unmapped(Sized("varchar"))},
      {ftBytes, Unmapped(Sized("varbinary"))},
      {ftVarBytes, Unmapped(Sized("varbinary"))},
      {ftGuid, Unmapped(Plain("varchar(38)"))},
  };
  return {"[", "]", [](TFieldType c) { return Lookup(kTypes, c); },
          db::NameRulesFor(Dbms::SqlServer)};
}

Dialect OracleDialect() {
  static const std::vector<TypeRow> kTypes = {
      {ftString, Sized("varchar2")},
      {ftWideString, Sized("varchar2")},
      {ftSmallint, Plain("number(7,0)")},
      {ftInteger, Plain("integer")},
      {ftAutoInc, Plain("integer")},
      {ftBoolean, Plain("number(1,0)")},
      {ftBCD, Scaled("number")},
      {ftFloat, Plain("float")},
      {ftDate, Plain("Date")},
      {ftTime, Plain("Date")},
      {ftDateTime, Plain("Date")},
      {ftBlob, Plain("blob")},
      {ftMemo, Plain("varchar2(4000)")},
      {ftWord, Unmapped(Plain("number(5,0)"))},
      {ftLargeint, Unmapped(Plain("number(20,0)"))},
      {ftFixedChar, Unmapped(Sized("varchar2"))},
      {ftBytes, Unmapped(Sized("raw"))},
      {ftVarBytes, Unmapped(Sized("raw"))},
      {ftGuid, Unmapped(Plain("varchar2(38)"))},
  };
  return {"", "", [](TFieldType c) { return Lookup(kTypes, c); }, db::NameRulesFor(Dbms::Oracle)};
}

Dialect ProviderDialect(Connection& target) {
  bool brackets = TakesBracketedNames(target);
  auto types = std::make_shared<ProviderTypes>(target);
  return {brackets ? "[" : "", brackets ? "]" : "",
          [types](TFieldType c) { return ProviderTypeOf(*types, c); }, db::NamesOf(target)};
}

std::string Dialect::Name(const std::string& name) const {
  // SQLite takes brackets but cannot escape a "]" inside them: such a name gets its quotes.
  if (open.empty() || (name.find(close) != std::string::npos && names.close != close))
    return db::QuoteName(names, name);
  return db::Quoted({open, close}, name);
}

std::string BuildCreateTable(const std::string& table, const std::vector<FieldDesc>& columns,
                             const Dialect& dialect) {
  std::string text = "create table " + dialect.Name(table) + " (\r\n";
  for (size_t i = 0; i < columns.size(); ++i) {
    const FieldDesc& f = columns[i];
    // Names that are reserved words in the targets get a prefix.
    std::string name = (f.name == "rowid" || f.name == "date") ? "fz" + f.name : f.name;
    ColumnType type = dialect.typeOf(f.category);
    if (!type.mapped) ShowMessage("----" + std::string(FieldTypeName(f.category)));
    text += "  " + dialect.Name(name) + TypeText(type, f);
    if (i + 1 < columns.size()) text += ",";
    text += "\r\n";
  }
  return text + ")\r\n";
}

std::string FindProviderType(const std::vector<ProviderTypeRow>& types, const std::string& code,
                             bool widest) {
  const auto* row = FindRow(types, AsciiUpper(code), widest);
  return row ? row->TYPE_NAME : std::string();
}

bool TakesBracketedNames(const Connection& target) {
  switch (target.dbms()) {
    case Dbms::SqlServer:
    case Dbms::Access:
    case Dbms::SQLite:
      return true;
    case Dbms::PostgreSQL:
    case Dbms::MariaDB:
    case Dbms::Oracle:
      return false;
    case Dbms::Unknown:
      break;
  }
  std::string provider = target.ProviderName();
  return provider.find("Microsoft.Jet.OLEDB.4.0") != std::string::npos ||
         provider.find("SQL") != std::string::npos;
}

}  // namespace mvq::ddl
