#pragma once
// The round-trip catalogue of values per source engine: for every column type, its edge
// values (smallest, largest, zero, most precise, longest, the engine's oddities) as source
// literals, with the targets that cannot hold each; and the same for Access files, whose
// values our writer stores.
#include <cstdlib>
#include <set>
#include <string>
#include <vector>

#include "support/Engines.h"

namespace mvq::test {

// A source literal, the target engines that cannot hold it, and those whose column for it
// rounds it with a loss line for the column.
struct Value {
  std::string literal;
  std::set<std::string> refusedBy = {};
  std::set<std::string> roundedBy = {};
};
struct CatalogueColumn {
  std::string type;  // in the source's own SQL
  std::vector<Value> values;
  // float4: its values are compared as float4 (drivers widen them to double differently).
  bool single = false;
};

inline const std::set<std::string> kServers = {"PostgreSQL", "MariaDB"};
// The targets without dates before Christ, and those without MariaDB's zero dates.
inline const std::set<std::string> kNoEra = {"SQLite", "MariaDB"};
inline const std::set<std::string> kNoZeroDates = {"SQLite", "PostgreSQL"};
// Access holds no dates before the year 100 and no 64-bit or 29-digit numbers.
inline const std::set<std::string> kServersAndAccess = {"PostgreSQL", "MariaDB", "Access"};
inline const std::set<std::string> kNoEraOrAccess = {"SQLite", "MariaDB", "Access"};
inline const std::set<std::string> kNoZeroDatesOrAccess = {"SQLite", "PostgreSQL", "Access"};

inline std::vector<CatalogueColumn> SqliteCatalogue() {
  return {
      {"integer",
       {{"0"},
        {"-1"},
        {"3000000000"},
        {"1733700000000"},
        {"9223372036854775807"},
        {"-9223372036854775808"},
        {"null"},
        {"'lots-of-it'", kServersAndAccess}}},
      {"intege", {{"3000000000"}, {"-4294967297"}}},
      {"smallint unsigned", {{"70000"}, {"-5"}}},
      {"point", {{"4294967297"}}},
      {"double",
       {{"0.30000000000000004"},
        {"1.7976931348623157e308"},
        {"-1.7976931348623157e308"},
        {"4.9406564584124654e-324"},
        {"0.1"},
        {"0"},
        {"1e999", {"MariaDB"}},
        {"null"}}},
      // SQLite keeps more digits than declared; the servers refuse them.
      {"numeric(12,2)", {{"1.25"}, {"-0.5"}, {"0"}, {"123456789012", kServersAndAccess}, {"null"}}},
      {"date",
       {{"'2024-02-29'"},
        {"'0001-01-01'", {"Access"}},
        {"'9999-12-31'"},
        {"'2024-02-30'", kServersAndAccess},
        {"'notadate'", kServersAndAccess}}},
      {"timestamp", {{"'2024-01-02 03:04:05.123456'"}, {"'1900-01-01 00:00:00'"}}},
      {"varchar(5)", {{"'abcde'"}, {"'客户αβγ'"}, {"'abcdefgh'", kServersAndAccess}}},
      {"text", {{"''"}, {"'客户 α'"}, {"'a\tb\\nc'"}}},
      {"blob", {{"x'00ff41'"}, {"x'00'"}}},
  };
}

inline std::vector<CatalogueColumn> PostgresCatalogue() {
  return {
      {"bigint", {{"-9223372036854775808"}, {"9223372036854775807"}, {"0"}, {"null"}}},
      {"integer", {{"-2147483648"}, {"2147483647"}}},
      {"smallint", {{"-32768"}, {"32767"}}},
      {"numeric",
       {{"1.123456789"},
        {"123456789012345678901234567890.123456789012345", {"Access"}},
        {"-0.000000000000000000001", {}, {"Access"}},
        {"0"},
        {"'NaN'", {"MariaDB", "Access"}}}},
      {"numeric(40,20)", {{"12345678901234567890.12345678901234567890", {"Access"}}, {"-1.5"}}},
      {"numeric(10,2)", {{"12345678.91"}, {"-0.01"}}},
      {"real",
       {{"1.1"}, {"3.4028235e38", {"Access"}}, {"-1.17549435e-38"}, {"'Infinity'", {"MariaDB"}}},
       true},
      {"double precision",
       {{"0.30000000000000004"},
        {"1.7976931348623157e308"},
        {"4.9406564584124654e-324"},
        {"'-Infinity'", {"MariaDB"}},
        {"'NaN'", {"MariaDB", "SQLite"}}}},
      {"date",
       {{"'2024-02-29'"},
        {"'0001-01-01'", {"Access"}},
        {"'9999-12-31'"},
        {"'4713-01-01 BC'", kNoEraOrAccess},
        {"'0001-12-31 BC'", kNoEraOrAccess},
        {"'infinity'", {"MariaDB", "Access"}}}},
      {"timestamp",
       {{"'2024-01-02 03:04:05.123456'"},
        {"'1900-01-01 00:00:00'"},
        {"'4713-01-01 10:00:00.5 BC'", kNoEraOrAccess}}},
      {"timestamptz",
       {{"'2024-01-01 10:00:00+02'"}, {"'0044-03-15 12:00:00+00 BC'", kNoEraOrAccess}}},
      {"varchar(10)", {{"'abcdefghij'"}, {"'客户'"}}},
      {"text", {{"repeat('长', 20000)"}, {"''"}}},
      {"bytea", {{"'\\x00ff41'::bytea"}}},
  };
}

inline std::vector<CatalogueColumn> MariaDbCatalogue() {
  return {
      {"bigint unsigned", {{"18446744073709551615"}, {"0"}}},
      {"int unsigned", {{"4294967295"}}},
      {"tinyint unsigned", {{"255"}}},
      {"tinyint", {{"-128"}}},
      {"bigint", {{"-9223372036854775808"}, {"9223372036854775807"}}},
      {"decimal(65,30)",
       {{"12345678901234567890123456789012345.123456789012345678901234567890", {"Access"}}}},
      {"double", {{"0.30000000000000004"}, {"1.7976931348623157e308"}}},
      {"float", {{"1.1"}, {"-3.4e38"}}, true},
      {"date",
       {{"'2024-02-29'"},
        {"'1000-01-01'"},
        {"'9999-12-31'"},
        {"'0000-00-00'", kNoZeroDatesOrAccess},
        {"'2024-00-15'", kNoZeroDatesOrAccess},
        {"'2024-02-00'", kNoZeroDatesOrAccess},
        {"null"}}},
      {"datetime(6)",
       {{"'2024-01-02 03:04:05.123456'"},
        {"'0000-00-00 00:00:00'", kNoZeroDatesOrAccess},
        {"null"}}},
      {"varchar(10)", {{"'abcdefghij'"}, {"'客户'"}}},
      {"longtext", {{"repeat('长', 20000)"}}},
      {"longblob", {{"x'00ff41'"}}},
  };
}

inline std::vector<CatalogueColumn> CatalogueOf(const Engine& e) {
  switch (e.dbms) {
    case db::Dbms::SQLite:
      return SqliteCatalogue();
    case db::Dbms::PostgreSQL:
      return PostgresCatalogue();
    default:
      return MariaDbCatalogue();
  }
}

// What a target must hold of a value copied from an Access file, whatever column type the
// copy chose: the kind says how the target's own SQL compares it with the expected text.
enum class Held {
  Null,
  Bool,   // "1" or "0"
  Exact,  // a decimal number, every digit of it
  Float,  // the shortest text of a double
  Time,   // "YYYY-MM-DD HH:MM:SS"
  Text,
  Bytes,  // the stored bytes themselves
  Guid,   // lower-case hex in 8-4-4-4-12 groups
};

// A value our writer stores in an Access file, mdb-reader's text of it (for text and bytes
// the test derives it from the value itself), and what a target must then hold.
struct AccessValue {
  db::Variant stored;
  std::string shown;
  Held held = Held::Null;
  std::string expected;
  std::set<std::string> refusedBy = {};
};
struct AccessColumn {
  std::string type;  // as the CREATE TABLE the program sends to Access names it
  std::vector<AccessValue> values;
};

namespace access_values {

inline AccessValue Null() {
  return {db::Variant(), "NULL", Held::Null, ""};
}
inline AccessValue Bool(bool b) {
  return {db::Variant(b), b ? "true" : "false", Held::Bool, b ? "1" : "0"};
}
inline AccessValue Int(int64_t i) {
  return {db::Variant(i), std::to_string(i), Held::Exact, std::to_string(i)};
}
// A decimal as our writer takes it and mdb-reader prints it (every digit of the scale).
inline AccessValue Dec(const std::string& shown) {
  return {db::Decimal{shown}, shown, Held::Exact, shown};
}
// A double by its shortest text (JavaScript's, as mdb-reader prints it).
inline AccessValue Real(const std::string& shortest) {
  return {db::Variant(std::strtod(shortest.c_str(), nullptr)), shortest, Held::Float, shortest};
}
inline AccessValue NegativeZero() {
  return {db::Variant(-0.0), "0", Held::Float, "-0"};
}
// A time stamp; mdb-reader counts a negative Jet date as one signed number of days, so
// its text of a time before 1899-12-30 is given apart.
inline AccessValue Stamp(db::DateTime t, const std::string& expected, const std::string& shown) {
  return {db::Variant(t), shown, Held::Time, expected};
}
inline AccessValue Text(const std::string& s) {
  return {db::Variant(s), "", Held::Text, s};
}
// A character PostgreSQL's text cannot hold.
inline AccessValue NulText() {
  AccessValue v = Text(std::string("a\0b", 3));
  v.refusedBy = {"PostgreSQL"};
  return v;
}
inline AccessValue Blob(const db::Bytes& b) {
  return {db::Variant(b), "", Held::Bytes, ""};
}
inline AccessValue Guid(const std::string& braced, const std::string& lower) {
  return {db::Variant(braced), lower, Held::Guid, lower};
}

// count characters taken in turn from pattern (one code point each, in UTF-8).
inline std::string Cycled(const std::vector<std::string>& pattern, size_t count) {
  std::string out;
  for (size_t i = 0; i < count; ++i) out += pattern[i % pattern.size()];
  return out;
}

// 100 KB in which every byte value occurs, in no simple order.
inline db::Bytes EveryByte() {
  db::Bytes b(100 * 1024);
  for (size_t i = 0; i < b.size(); ++i) b[i] = static_cast<uint8_t>((i * 7 + i / 256) & 0xff);
  return b;
}

}  // namespace access_values

// Per Jet type: its smallest, largest, zero, negative zero, most precise and longest values
// and NULL (Yes/No has none: its value is the null bit itself).
inline std::vector<AccessColumn> AccessCatalogue() {
  using namespace access_values;
  const std::vector<std::string> memo = {"长", "文", "本", "α", "β", "A", "z", " ", "0", "。"};
  const std::vector<std::string> text = {"客", "户", "名", "称", "A", "b", "C", "9", "-", "é"};
  return {
      {"yesno", {Bool(true), Bool(false)}},
      {"byte", {Int(0), Int(255), Int(1), Null()}},
      {"smallint", {Int(-32768), Int(32767), Int(0), Int(-1), Null()}},
      {"integer", {Int(-2147483648), Int(2147483647), Int(0), Int(-1), Null()}},
      {"currency",
       {Dec("-922337203685477.5808"), Dec("922337203685477.5807"), Dec("0.0000"), Dec("0.0001"),
        Dec("-0.0001"), Dec("123456789.1235"), Null()}},
      {"single",
       {Real("3.4028234663852886e+38"), Real("-3.4028234663852886e+38"),
        Real("1.1754943508222875e-38"), Real("1.401298464324817e-45"), Real("1.100000023841858"),
        Real("16777216"), Real("0"), NegativeZero(), Null()}},
      {"double",
       {Real("1.7976931348623157e+308"), Real("-1.7976931348623157e+308"),
        Real("2.2250738585072014e-308"), Real("5e-324"), Real("0.30000000000000004"), Real("0"),
        NegativeZero(), Null()}},
      {"datetime",
       {Stamp({{100, 1, 1}, {0, 0, 0}, 0}, "0100-01-01 00:00:00", "0100-01-01T00:00:00.000Z"),
        Stamp({{1890, 3, 4}, {12, 34, 56}, 0}, "1890-03-04 12:34:56", "1890-03-03T11:25:04.000Z"),
        Stamp({{1899, 12, 30}, {0, 0, 0}, 0}, "1899-12-30 00:00:00", "1899-12-30T00:00:00.000Z"),
        Stamp({{1899, 12, 29}, {6, 0, 0}, 0}, "1899-12-29 06:00:00", "1899-12-28T18:00:00.000Z"),
        Stamp({{9999, 12, 31}, {23, 59, 59}, 0}, "9999-12-31 23:59:59", "9999-12-31T23:59:59.000Z"),
        Stamp({{2024, 2, 29}, {13, 14, 15}, 0}, "2024-02-29 13:14:15", "2024-02-29T13:14:15.000Z"),
        Null()}},
      {"varchar(255)",
       {Text(""), Text("客户αβγ𠀀"), Text(" 前后有空格 "), Text("O'Brien \\ a\tb\nc"),
        Text(Cycled(text, 255)), Null(), NulText()}},
      {"memo", {Text(Cycled(memo, 20000)), Text(""), Text("短"), Null()}},
      {"oleobject", {Blob(EveryByte()), Blob({0x00, 0xff, 0x41}), Blob({}), Null()}},
      {"guid",
       {Guid("{6F9619FF-8B86-D011-B42D-00C04FC964FF}", "6f9619ff-8b86-d011-b42d-00c04fc964ff"),
        Guid("{00000000-0000-0000-0000-000000000000}", "00000000-0000-0000-0000-000000000000"),
        Guid("{FFFFFFFF-FFFF-FFFF-FFFF-FFFFFFFFFFFF}", "ffffffff-ffff-ffff-ffff-ffffffffffff"),
        Null()}},
      {"decimal(28,0)",
       {Dec("9999999999999999999999999999"), Dec("-9999999999999999999999999999"), Dec("0"),
        Null()}},
      {"decimal(28,28)",
       {Dec("0.1234567890123456789012345678"), Dec("-0.0000000000000000000000000001"),
        Dec("0.0000000000000000000000000000"), Null()}},
      {"decimal(18,4)", {Dec("12345678901234.5678"), Dec("-0.0001"), Dec("0.0000"), Null()}},
  };
}

}  // namespace mvq::test
