#include "platform/odbc/FieldTypes.h"

#include <algorithm>
#include <array>

#include "platform/odbc/Connection.h"

namespace mvq::db {

std::optional<TFieldType> ClassifyField(int adoType, int precision, int scale, bool autoIncrement) {
  switch (adoType) {
    case adSmallInt:
    case adTinyInt:
      return ftSmallint;
    case adInteger:
    case adError:
    case adUnsignedInt:
      return autoIncrement ? ftAutoInc : ftInteger;
    case adUnsignedTinyInt:
    case adUnsignedSmallInt:
      return ftWord;
    case adBigInt:
    case adUnsignedBigInt:
      return ftLargeint;
    case adSingle:
    case adDouble:
      return ftFloat;
    case adCurrency:
    case adDecimal:
    case adVarNumeric:
      return ftBCD;
    case adNumeric:
      return (scale == 0 && precision < 10) ? ftInteger : ftBCD;
    case adBoolean:
      return ftBoolean;
    case adDate:
    case adFileTime:
    case adDBTimeStamp:
    case adDBFileTime:
      return ftDateTime;
    case adDBDate:
      return ftDate;
    case adDBTime:
      return ftTime;
    case adChar:
      return ftFixedChar;
    case adVarChar:
      return ftString;
    case adBSTR:
    case adWChar:
    case adVarWChar:
      return ftWideString;
    case adLongVarChar:
    case adLongVarWChar:
      return ftMemo;
    case adBinary:
      return ftBytes;
    case adVarBinary:
      return ftVarBytes;
    case adLongVarBinary:
      return ftBlob;
    case adGUID:
      return ftGuid;
    case adVariant:
    case adPropVariant:
      return ftVariant;
    case adIUnknown:
      return ftInterface;
    case adIDispatch:
      return ftIDispatch;
    case adChapter:
      return ftDataSet;
    default:
      return std::nullopt;
  }
}

std::string_view FieldTypeName(TFieldType t) {
  static constexpr std::array<std::string_view, 38> kNames = {
      "ftUnknown",    "ftString",     "ftSmallint", "ftInteger",     "ftWord",      "ftBoolean",
      "ftFloat",      "ftCurrency",   "ftBCD",      "ftDate",        "ftTime",      "ftDateTime",
      "ftBytes",      "ftVarBytes",   "ftAutoInc",  "ftBlob",        "ftMemo",      "ftGraphic",
      "ftFmtMemo",    "ftParadoxOle", "ftDBaseOle", "ftTypedBinary", "ftCursor",    "ftFixedChar",
      "ftWideString", "ftLargeint",   "ftADT",      "ftArray",       "ftReference", "ftDataSet",
      "ftOraBlob",    "ftOraClob",    "ftVariant",  "ftInterface",   "ftIDispatch", "ftGuid",
      "ftTimeStamp",  "ftFMTBcd"};
  auto i = static_cast<size_t>(t);
  return i < kNames.size() ? kNames[i] : std::string_view("ftUnknown");
}

int FractionDigitsOf(const FieldDesc& f) {
  if (f.adoType == adDBDate) return 0;
  if (f.scale > 0) return std::min(f.scale, 9);
  if (f.precision == 8 || f.precision == 16 || f.precision == 19) return 0;
  return 9;
}

}  // namespace mvq::db
