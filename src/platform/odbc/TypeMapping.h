#pragma once
// ODBC SQL types seen from above. Two mappings, kept apart on purpose: result-set fields
// get ADO DataTypeEnum codes (fixed and varying kinds differ), the provider-types rowset
// gets OLE DB DBTYPE codes (one code covers fixed and varying kinds alike).
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace mvq::db {

// The ADO field-type code of a result-set column; adEmpty for a type with no counterpart.
int AdoTypeOf(int sqlType, bool isUnsigned);

// The OLE DB DBTYPE code of a provider type; nullopt for a type with no counterpart.
std::optional<int> DbTypeOf(int sqlType, bool isUnsigned);

// Whether values of the type all have the same length (OLE DB IS_FIXEDLENGTH).
bool IsFixedLengthType(int sqlType);

// How this layer moves values of a column: the C type it reads and binds them as.
// Int travels as a 32-bit integer (every driver reads those; MDBTools has no 64-bit C type),
// BigInt as a 64-bit one.
enum class ValueClass { Bool, Int, BigInt, Double, Decimal, Text, Bytes, Date, Time, Timestamp };
ValueClass ValueClassOf(int sqlType, bool isUnsigned);

// Types whose values may be long (memo, blob) and are read in pieces.
bool IsLongType(int sqlType);

// Precision and scale from a declared type text such as "numeric(10,2)" or "DECIMAL (28)";
// nullopt unless it names numeric or decimal with an explicit precision.
struct DeclaredDecimal {
  int precision = 0;
  int scale = 0;
};
std::optional<DeclaredDecimal> ParseDeclaredDecimal(std::string_view typeText);

// SQLite's rule for INTEGER affinity: the declared type's name holds "INT", in any case.
bool HasIntegerAffinity(std::string_view declaredType);

// Plain decimal text for a number a driver wrote in exponent form ("1.5e+3" -> "1500");
// other text is returned unchanged.
std::string PlainDecimalText(std::string_view text);

}  // namespace mvq::db
