#pragma once
// Values bound by position to a statement's parameters (":1", ":2" on Oracle, "?" on ODBC),
// and the page size every paged table read uses.
#include <cstdint>
#include <string>
#include <variant>
#include <vector>

#include "platform/odbc/Connection.h"

namespace mvq {

using Argument = std::variant<int32_t, std::string>;
using ArgumentList = std::vector<Argument>;

// Rows per page of a paged read: 65,535, so that a page and a header row fill a worksheet.
inline constexpr int32_t PageSize = 65535;

// " 参数0=EMP 参数1=5": how failure lines describe the bound values.
std::string DescribeArguments(const ArgumentList& args);

// Positional parameters for the data layer: integers as integers, strings as strings.
db::Params ToParams(const ArgumentList& args);

}  // namespace mvq
