#pragma once
// Type codes the gates reason with. Result-set fields carry ADO DataTypeEnum codes;
// the provider-types rowset carries OLE DB DBTYPE codes. Each field is classified into
// a field category, the classification the CREATE TABLE builders, QueryValue and the
// row copy work on.
#include <optional>
#include <string_view>

namespace mvq::db {

// ADO DataTypeEnum values (the published numbers).
enum AdoType : int {
  adEmpty = 0, adSmallInt = 2, adInteger = 3, adSingle = 4, adDouble = 5, adCurrency = 6,
  adDate = 7, adBSTR = 8, adIDispatch = 9, adError = 10, adBoolean = 11, adVariant = 12,
  adIUnknown = 13, adDecimal = 14, adTinyInt = 16, adUnsignedTinyInt = 17,
  adUnsignedSmallInt = 18, adUnsignedInt = 19, adBigInt = 20, adUnsignedBigInt = 21,
  adFileTime = 64, adGUID = 72, adBinary = 128, adChar = 129, adWChar = 130, adNumeric = 131,
  adDBDate = 133, adDBTime = 134, adDBTimeStamp = 135, adChapter = 136, adDBFileTime = 137,
  adPropVariant = 138, adVarNumeric = 139, adVarChar = 200, adLongVarChar = 201,
  adVarWChar = 202, adLongVarWChar = 203, adVarBinary = 204, adLongVarBinary = 205,
};

// Field categories with their fixed numeric values.
enum TFieldType : int {
  ftUnknown = 0, ftString = 1, ftSmallint = 2, ftInteger = 3, ftWord = 4, ftBoolean = 5,
  ftFloat = 6, ftCurrency = 7, ftBCD = 8, ftDate = 9, ftTime = 10, ftDateTime = 11,
  ftBytes = 12, ftVarBytes = 13, ftAutoInc = 14, ftBlob = 15, ftMemo = 16, ftGraphic = 17,
  ftFmtMemo = 18, ftParadoxOle = 19, ftDBaseOle = 20, ftTypedBinary = 21, ftCursor = 22,
  ftFixedChar = 23, ftWideString = 24, ftLargeint = 25, ftADT = 26, ftArray = 27,
  ftReference = 28, ftDataSet = 29, ftOraBlob = 30, ftOraClob = 31, ftVariant = 32,
  ftInterface = 33, ftIDispatch = 34, ftGuid = 35, ftTimeStamp = 36, ftFMTBcd = 37,
};

// The category of a result-set column of the given ADO type; nullopt for a type that is
// left out of the result description altogether.
std::optional<TFieldType> ClassifyField(int adoType, int precision, int scale, bool autoIncrement);

// "ftString", "ftWord", ...: the names shown in messages.
std::string_view FieldTypeName(TFieldType t);

}  // namespace mvq::db
