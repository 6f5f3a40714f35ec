#pragma once
// Columns and time stamps for tests that build Jet tables by hand.
#include "platform/jet/TableSchema.h"
#include "platform/odbc/Variant.h"

namespace mvq::test {

inline jet::Column JetCol(const char* name, jet::ColType t, uint16_t length = 0) {
  jet::Column c;
  c.name = name;
  c.type = t;
  c.length = length;
  return c;
}

inline db::DateTime At(int y, int mo, int d, int h = 0, int mi = 0, int s = 0, uint32_t ns = 0) {
  return {{int16_t(y), uint16_t(mo), uint16_t(d)}, {uint16_t(h), uint16_t(mi), uint16_t(s)}, ns};
}

}  // namespace mvq::test
