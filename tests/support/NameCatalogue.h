#pragma once
// Table and column names as real schemas hold them (Access files above all): spaces, slashes,
// reserved words, a leading digit, Chinese, quotes of every kind, mixed case, and a name of
// 64 characters; each with its spelling in bracket and in Oracle statements.
#include <string>
#include <vector>

namespace mvq::test {

struct CatalogueName {
  std::string name;
  std::string bracketed;  // SQL Server and Access statements
  std::string oracle;     // Oracle statements; empty: Oracle cannot hold the name
};

// 64 characters, a plain identifier in one case: only the length is unusual.
inline const std::string kName64 =
    "quarterly_revenue_by_region_and_product_line_for_fiscal_year_024";
static_assert(sizeof("quarterly_revenue_by_region_and_product_line_for_fiscal_year_024") == 65);

inline const std::vector<CatalogueName> kNameCatalogue = {
    {"Order Details", "[Order Details]", "\"Order Details\""},
    {"Muffin/Bread", "[Muffin/Bread]", "\"Muffin/Bread\""},
    {"select", "[select]", "\"select\""},
    {"2024 sales", "[2024 sales]", "\"2024 sales\""},
    {"客户 表", "[客户 表]", "\"客户 表\""},
    {"O'Brien", "[O'Brien]", "\"O'Brien\""},
    {"a\"b", "[a\"b]", ""},
    {"a]b", "[a]]b]", "\"a]b\""},
    {"MixedCase", "MixedCase", "\"MixedCase\""},
    {kName64, kName64, kName64},
};

// The columns of every catalogue table: a key, then the odd names.
inline const std::vector<std::string> kCatalogueColumns = {
    "id",      "Order Details", "select", "2024 sales", "客户 表",
    "O'Brien", "a\"b",          "a]b",    "MixedCase"};

}  // namespace mvq::test
