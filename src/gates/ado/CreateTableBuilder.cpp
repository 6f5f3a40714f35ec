#include "gates/ado/CreateTableBuilder.h"

#include <algorithm>
#include <cstdint>
#include <limits>
#include <memory>
#include <optional>

#include "gates/ado/utNCDataGates.h"
#include "platform/text/AsciiCase.h"
#include "support/Messages.h"
#include "support/utLog.h"

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

// The decimal limits of a dialect: its largest precision and scale, and whether its decimal
// type may be written without them to take any number of digits.
struct DecimalLimits {
  int maxPrecision = 28;  // 0: no limit
  int maxScale = 28;
  bool unconstrained = false;
};

std::string Digits(int n) {
  return std::to_string(n);
}

// A decimal type for column f: its precision and scale where the dialect takes them (a
// scale reported as 128 or more, or negative, counts as 4; a scale above the precision is
// cut to it), the dialect's type without limits for a column without a precision or beyond
// the largest, else the widest type, with the loss named. Precision 0: none declared.
ColumnType DecimalType(const std::string& name, const FieldDesc& f, const DecimalLimits& limits) {
  ColumnType t{Form::Scaled, name, true};
  const bool unknown = f.precision <= 0;
  int p = f.precision, s = (f.scale < 0 || f.scale >= 128) ? 4 : f.scale;
  const int maxP = limits.maxPrecision;
  if (unknown || (maxP > 0 && p > maxP)) {
    if (limits.unconstrained) return {Form::Plain, name, true};
    if (maxP == 0) {
      // No limits at all, and no form without them: the widest is as wide as any.
      p = 1000;
    } else if (unknown && s == 0) {
      // Neither precision nor scale: as many digits on each side as the target takes.
      p = maxP;
      s = std::min(limits.maxScale, maxP / 2);
      t.loss = "无精度限制的数值写为" + name + "(" + Digits(p) + "," + Digits(s) +
               ")，超出的值被拒绝，多余的小数位被舍入";
    } else if (unknown) {
      p = maxP;
    } else {
      t.loss = "精度" + Digits(p) + "超过目标上限" + Digits(maxP) + "，位数更多的值被拒绝";
      p = maxP;
    }
  }
  const int maxS = limits.maxScale > 0 ? std::min(limits.maxScale, p) : p;
  if (s > maxS && s <= f.precision) {
    t.loss += (t.loss.empty() ? "" : "；") + std::string("小数位") + Digits(s) + "减为" +
              Digits(maxS) + "，多余的小数位被舍入";
  }
  s = std::min(s, maxS);
  t.precision = p;
  t.scale = s;
  return t;
}

// Whether a source column keeps a time zone with its time stamps (PostgreSQL's timestamptz).
bool HoldsTimeZone(const FieldDesc& f) {
  std::string t = text::AsciiLower(f.typeName);
  return t == "timestamptz" || t.find("with time zone") != std::string::npos;
}
const char* const kMillisecondLoss = "时间只保留到毫秒，更细的小数被舍入";
const char* const kZoneLoss = "不保留时区，时间按源连接的时区写入";
const char* const kDecimalAsText = "数值写为文本（SQLite的数值只保存15位有效数字）";

std::string TypeText(const ColumnType& t, const FieldDesc& f) {
  switch (t.form) {
    case Form::None:
      return {};
    case Form::Plain:
      return " " + t.name;
    case Form::Sized:
      return " " + t.name + "(" + std::to_string(f.definedSize) + ")";
    case Form::Scaled:
      return " " + t.name + "(" + Digits(t.precision) + "," + Digits(t.scale) + ")";
  }
  return {};
}

// The dialects with fixed type names: a row per category, with the decimal limits and the
// types a few kinds of column get beside their category's.
struct FixedDialect {
  std::vector<TypeRow> types;
  DecimalLimits decimals;
  std::string float4;  // float4 columns (empty: as other floating-point columns)
  std::string bigint;  // 32-bit unsigned columns
};

ColumnType FixedTypeOf(const FixedDialect& d, const FieldDesc& f) {
  ColumnType t = Lookup(d.types, f.category);
  if (f.category == ftBCD || (f.category == ftLargeint && f.adoType == adUnsignedBigInt)) {
    FieldDesc unsigned64 = f;
    if (f.category == ftLargeint) unsigned64 = {f.name, f.adoType, 0, 20, 0};
    ColumnType dec = Lookup(d.types, ftBCD);
    return DecimalType(dec.name, unsigned64, d.decimals);
  }
  if (f.category == ftFloat && f.adoType == adSingle && !d.float4.empty()) return Plain(d.float4);
  if (f.category == ftInteger && f.adoType == adUnsignedInt) return Plain(d.bigint);
  if ((f.category == ftDateTime) && HoldsTimeZone(f)) t.loss = kZoneLoss;
  return t;
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

  // Access's text holds at most 255 characters; a longer column takes its Memo.
  bool TextTooLong(const FieldDesc& f) {
    const auto* narrow = Row("130", false);
    return target_.dbms() == Dbms::Access && narrow && f.definedSize > narrow->COLUMN_SIZE;
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
    if (t.empty() || text::AsciiUpper(t) == "DECIMAL") return "NUMERIC";
    return t;
  }

  std::string Binary() {
    std::string t = Name("128", true);
    return text::AsciiUpper(t) == "LONGBINARY" ? "image" : t;
  }

  DecimalLimits Limits() const {
    switch (target_.dbms()) {
      case Dbms::PostgreSQL:
        return {1000, 1000, true};
      case Dbms::SQLite:
        return {0, 0, true};
      case Dbms::MariaDB:
        return {65, 38, false};
      case Dbms::SqlServer:
        return {38, 38, false};
      case Dbms::Oracle:
        return {38, 38, true};
      default:
        return {};
    }
  }

  // SQLite's NUMERIC affinity keeps 15 significant digits of a decimal that is no 64-bit
  // integer ('12345678901234567890.5' is stored as 1.23456789012346e+19); such columns are
  // kept as text, which holds every digit.
  bool DecimalNeedsText(const FieldDesc& f) const {
    if (target_.dbms() != Dbms::SQLite) return false;
    int s = (f.scale < 0 || f.scale >= 128) ? 4 : f.scale;
    return f.precision <= 0 || (f.precision > 15 && !(s == 0 && f.precision <= 18));
  }

  // Dates and times keep their own types where the target has them.
  std::string DateOrTime(const char* code) {
    std::string t = Name(code);
    return t.empty() ? Timestamp() : t;
  }

  // A source that keeps time zones (timestamptz) keeps them where the target's time stamp
  // type does too.
  std::string ZonedTimestamp() {
    std::string t = Name("135");
    return text::AsciiLower(t) == "timestamptz" ? t : std::string();
  }

  // Digits of the second the time stamp type keeps: Access's dates are days in a double,
  // which holds milliseconds at every date it takes.
  int TimestampFractionDigits() const { return target_.dbms() == Dbms::Access ? 3 : 9; }

  std::string Timestamp() {
    std::string t = Name("135");
    if (t.empty()) return "date";
    // PostgreSQL lists only timestamptz, which converts values through the session's time
    // zone; the plain timestamp keeps them as they are.
    if (text::AsciiLower(t) == "timestamptz") return "timestamp";
    // MariaDB's DATETIME keeps whole seconds only.
    if (target_.dbms() == Dbms::MariaDB && text::AsciiUpper(t) == "DATETIME") return t + "(6)";
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

ColumnType ProviderTypeOf(ProviderTypes& types, const FieldDesc& f) {
  switch (f.category) {
    case ftString:
    case ftWideString:
      if (types.TextTooLong(f)) return Plain(types.LongText());
      return Sized(types.Text());
    case ftSmallint: {
      std::string t = types.Name("2");
      if (!t.empty()) return Plain(t);
      t = types.Name("131");
      return Plain((t.empty() ? "NUMERIC" : t) + "(6,0)");
    }
    case ftInteger:
    case ftAutoInc: {
      // A 32-bit unsigned value may not fit the target's 32-bit integer.
      if (f.adoType == adUnsignedInt && !types.Name("20").empty()) return Plain(types.Name("20"));
      if (f.adoType == adUnsignedInt && !types.Name("131").empty())  // Access: no 64-bit type
        return DecimalType(types.Decimal(), {f.name, f.adoType, 0, 10, 0}, types.Limits());
      std::string t = types.Name("3");
      return Plain(t.empty() ? "integer" : t);
    }
    case ftBoolean: {
      std::string t = types.Name("11");
      return Plain(t.empty() ? "integer" : t);
    }
    case ftBCD:
      if (types.DecimalNeedsText(f)) {
        ColumnType t = Plain("text");
        t.loss = kDecimalAsText;
        return t;
      }
      return DecimalType(types.Decimal(), f, types.Limits());
    case ftFloat:
      if (f.adoType == adSingle && !types.Name("4").empty()) return Plain(types.Name("4"));
      return Plain(types.Double());
    case ftDate:
      return Plain(types.DateOrTime("133"));
    case ftTime:
      return Plain(types.DateOrTime("134"));
    case ftDateTime: {
      if (!HoldsTimeZone(f)) {
        ColumnType t = Plain(types.Timestamp());
        if (FractionDigitsOf(f) > types.TimestampFractionDigits()) t.loss = kMillisecondLoss;
        return t;
      }
      std::string zoned = types.ZonedTimestamp();
      if (!zoned.empty()) return Plain(zoned);
      ColumnType t = Plain(types.Timestamp());
      t.loss = kZoneLoss;
      return t;
    }
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
    // 64-bit integers: the target's own, else a decimal of 20 digits (unsigned ones always,
    // since they may exceed the signed range).
    case ftLargeint: {
      std::string t = types.Name("20");
      if (!t.empty() && f.adoType != adUnsignedBigInt) return Plain(t);
      FieldDesc digits = f;
      digits.category = ftBCD;
      digits.precision = 20;
      digits.scale = 0;
      return ProviderTypeOf(types, digits);
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

thread_local LossNotes* Noting = nullptr;

}  // namespace

LossNotes::LossNotes() : outer_(Noting) {
  Noting = this;
}

LossNotes::~LossNotes() {
  Noting = outer_;
}

std::string SourceTypeText(const FieldDesc& f) {
  std::string t = f.typeName.empty() ? std::string(FieldTypeName(f.category)) : f.typeName;
  if (f.category == ftBCD && f.precision > 0)
    return t + "(" + Digits(f.precision) + "," + Digits(f.scale) + ")";
  if ((f.category == ftString || f.category == ftWideString || f.category == ftFixedChar) &&
      f.definedSize > 0)
    return t + "(" + std::to_string(f.definedSize) + ")";
  return t;
}

Dialect SqlServerDialect() {
  // smallint holds every 16-bit value; float (53-bit mantissa) holds every floating-point
  // value as it was, where a decimal of scale 0 would drop the fraction.
  static const FixedDialect kDialect = {{
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
                                            {ftLargeint, Plain("bigint")},
                                            {ftFixedChar, Unmapped(Sized("varchar"))},
                                            {ftBytes, Unmapped(Sized("varbinary"))},
                                            {ftVarBytes, Unmapped(Sized("varbinary"))},
                                            {ftGuid, Unmapped(Plain("varchar(38)"))},
                                        },
                                        {38, 38, false},
                                        "real",
                                        "bigint"};
  return {"[", "]", [](const FieldDesc& f) { return FixedTypeOf(kDialect, f); },
          db::NameRulesFor(Dbms::SqlServer)};
}

Dialect OracleDialect() {
  static const FixedDialect kDialect = {{
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
                                            {ftLargeint, Plain("number(20,0)")},
                                            {ftFixedChar, Unmapped(Sized("varchar2"))},
                                            {ftBytes, Unmapped(Sized("raw"))},
                                            {ftVarBytes, Unmapped(Sized("raw"))},
                                            {ftGuid, Unmapped(Plain("varchar2(38)"))},
                                        },
                                        {38, 38, true},
                                        "",
                                        "number(10,0)"};
  return {"", "", [](const FieldDesc& f) { return FixedTypeOf(kDialect, f); },
          db::NameRulesFor(Dbms::Oracle)};
}

Dialect ProviderDialect(Connection& target) {
  bool brackets = TakesBracketedNames(target);
  auto types = std::make_shared<ProviderTypes>(target);
  return {brackets ? "[" : "", brackets ? "]" : "",
          [types](const FieldDesc& f) { return ProviderTypeOf(*types, f); }, db::NamesOf(target)};
}

std::string Dialect::Name(const std::string& name) const {
  // SQLite takes brackets but cannot escape a "]" inside them: such a name gets its quotes.
  if (open.empty() || (name.find(close) != std::string::npos && names.close != close))
    return db::QuoteName(names, name);
  return db::Quoted({open, close}, name);
}

ColumnChoice ChooseColumnType(const FieldDesc& column, const Dialect& dialect) {
  ColumnType type = dialect.typeOf(column);
  return {TypeText(type, column), type.loss, type.mapped};
}

std::string LossLine(const std::string& table, const std::string& column, const std::string& loss) {
  return "表" + table + "列" + column + "：" + loss;
}

std::string BuildCreateTable(const std::string& table, const std::vector<FieldDesc>& columns,
                             const Dialect& dialect) {
  std::string text = "create table " + dialect.Name(table) + " (\r\n";
  for (size_t i = 0; i < columns.size(); ++i) {
    const FieldDesc& f = columns[i];
    // Names that are reserved words in the targets get a prefix.
    std::string name = (f.name == "rowid" || f.name == "date") ? "fz" + f.name : f.name;
    ColumnChoice type = ChooseColumnType(f, dialect);
    if (!type.mapped) ShowMessage("----" + std::string(FieldTypeName(f.category)));
    if (!type.loss.empty()) {
      WriteLog(LossLine(table, f.name, type.loss));
      if (Noting)
        Noting->losses.push_back({f.name, SourceTypeText(f),
                                  type.typeText.empty() ? std::string() : type.typeText.substr(1),
                                  type.loss});
    }
    text += "  " + dialect.Name(name) + type.typeText;
    if (i + 1 < columns.size()) text += ",";
    text += "\r\n";
  }
  return text + ")\r\n";
}

std::string FindProviderType(const std::vector<ProviderTypeRow>& types, const std::string& code,
                             bool widest) {
  const auto* row = FindRow(types, text::AsciiUpper(code), widest);
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
