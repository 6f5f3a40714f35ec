#pragma once
// The round-trip catalogue of values per source engine: for every column type, its edge
// values (smallest, largest, zero, most precise, longest, the engine's oddities) as source
// literals, with the targets that cannot hold each.
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

}  // namespace mvq::test
