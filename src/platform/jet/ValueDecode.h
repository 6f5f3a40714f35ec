#pragma once
// A stored field back to the value it holds, at full width: Currency and Decimal as exact
// decimal text, Single as the float it is, dates with their time to the millisecond, empty
// text as empty text, Memo and OLE values whole.
#include <functional>

#include "platform/jet/RowCodec.h"
#include "platform/odbc/Variant.h"

namespace mvq::jet {

// longValue gives the whole content a Memo or OLE reference names. Throws JetError for a
// stored value no Jet file holds (a date past 9999, a short fixed field).
db::Variant DecodeValue(const Column& c, const Cell& cell,
                        const std::function<Bytes(const Bytes&)>& longValue);

// The date and time a Jet date (days since 1899-12-30, the time of day added to the
// magnitude before that day) stands for, to the millisecond.
db::DateTime FromJetDate(double days);

}  // namespace mvq::jet
