#pragma once
// One field value as the bytes its column stores: fixed-size numbers and dates, text in
// UTF-16LE, the whole content of a memo or OLE value. Out-of-range values, text longer than
// its column and values of a kind the column cannot take throw JetError.
#include "platform/jet/TableSchema.h"
#include "platform/odbc/Variant.h"

namespace mvq::jet {

// The fixed bytes (FixedSizeOf(c.type) of them) of a non-null value.
Bytes EncodeFixed(const Column& c, const db::Variant& v);
// The stored bytes of a Text or Binary value.
Bytes EncodeVariable(const Column& c, const db::Variant& v);
// The full content of a Memo (UTF-16LE) or OLE value.
Bytes EncodeLongValue(const Column& c, const db::Variant& v);
bool EncodeBool(const db::Variant& v);
// Days since 1899-12-30 as Access counts them: before that day the time of day is added to
// the magnitude, not the signed value.
double JetDate(const db::DateTime& t);

}  // namespace mvq::jet
