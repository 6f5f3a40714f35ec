#include "platform/xls/Biff8Styles.h"

#include <string>

namespace mvq::xls::biff8 {
namespace {

std::u16string Ascii(std::string_view s) {
  return std::u16string(s.begin(), s.end());
}

}  // namespace

uint16_t XfFor(CellKind kind) {
  switch (kind) {
    case CellKind::kDate:
      return kXfDate;
    case CellKind::kDateTime:
      return kXfDateTime;
    case CellKind::kTime:
      return kXfTime;
    default:
      return kXfGeneral;
  }
}

void StyleTable(Bytes& out) {
  // Five fonts: Excel numbers them 0-3 and 5 (index 4 does not exist), and the built-in
  // styles refer to 0-2.
  for (int i = 0; i < 5; ++i) Font(out, u"Arial", 200, false);

  Format(out, kFormatDate, Ascii(kDateFormat));
  Format(out, kFormatDateTime, Ascii(kDateTimeFormat));
  Format(out, kFormatTime, Ascii(kTimeFormat));

  // Style XFs 0-14 (Normal and the outline level styles), as Excel writes them.
  Xf(out, {.font = 0, .format = 0, .style = true, .usedAttributes = 0x00});
  for (uint16_t font : {1, 1, 2, 2})
    Xf(out, {.font = font, .format = 0, .style = true, .usedAttributes = 0xF4});
  for (int i = 0; i < 10; ++i)
    Xf(out, {.font = 0, .format = 0, .style = true, .usedAttributes = 0xF4});
  // XF 15: the default cell format.
  Xf(out, {.font = 0, .format = 0, .style = false, .usedAttributes = 0x00});
  // XF 16-20: the Comma, Comma [0], Currency, Currency [0] and Percent styles.
  for (uint16_t format : {43, 41, 44, 42, 9})
    Xf(out, {.font = 1, .format = format, .style = true, .usedAttributes = 0xF8});
  // XF 21-23: cells with our date, date-time and time formats.
  for (uint16_t format : {kFormatDate, kFormatDateTime, kFormatTime})
    Xf(out, {.font = 0, .format = format, .style = false, .usedAttributes = 0x04});

  BuiltinStyle(out, 16, 3);  // Comma
  BuiltinStyle(out, 17, 6);  // Comma [0]
  BuiltinStyle(out, 18, 4);  // Currency
  BuiltinStyle(out, 19, 7);  // Currency [0]
  BuiltinStyle(out, 0, 0);   // Normal
  BuiltinStyle(out, 20, 5);  // Percent
}

}  // namespace mvq::xls::biff8
