#pragma once
// Memo and OLE values as a row refers to them: a 12-byte reference (24-bit length, a flag
// byte, the record's row pointer), followed in the row itself by the data when it is short
// (inline), else one record on an LVAL page (single) or a chain of records each beginning
// with the pointer to the next (chain).
#include <functional>

#include "platform/jet/JetFormat.h"

namespace mvq::jet {

inline constexpr uint8_t kInlineLongValue = 0x80, kSingleLongValue = 0x40, kChainLongValue = 0x00;
inline constexpr uint32_t kMaxLongValue = 0xffffff;  // the length field holds 24 bits

Bytes LongValueHeader(size_t length, uint8_t flag, uint32_t pointer);

// The whole value a reference in a row names; throws JetError when the records it leads to
// are missing or shorter than its length.
Bytes ReadLongValue(const Bytes& reference, const std::function<Page(uint32_t)>& read);

}  // namespace mvq::jet
