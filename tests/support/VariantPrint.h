#pragma once
// Test output for field values: the kind's number and the text (bytes in hex), so that a
// failed comparison of rows says which value differs.
#include <ostream>

#include "platform/odbc/Variant.h"

namespace mvq::db {

inline void PrintTo(const Variant& v, std::ostream* os) {
  *os << static_cast<int>(v.kind()) << ":";
  if (v.kind() != Variant::Kind::Bytes) {
    *os << v.AsText();
    return;
  }
  static const char kHex[] = "0123456789abcdef";
  for (uint8_t b : v.Blob()) *os << kHex[b >> 4] << kHex[b & 15];
}

}  // namespace mvq::db
