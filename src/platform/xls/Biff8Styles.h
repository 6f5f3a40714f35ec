#pragma once
// The fonts, number formats, cell formats (XF) and styles every .xls we write carries:
// Excel's own default set plus one cell format per date/time kind.
#include "platform/xls/Biff8Records.h"
#include "platform/xls/Cell.h"

namespace mvq::xls::biff8 {

inline constexpr uint16_t kXfGeneral = 15;  // Excel's default cell XF
inline constexpr uint16_t kXfDate = 21;
inline constexpr uint16_t kXfDateTime = 22;
inline constexpr uint16_t kXfTime = 23;

inline constexpr uint16_t kFormatDate = 164;  // the first index free for workbook formats
inline constexpr uint16_t kFormatDateTime = 165;
inline constexpr uint16_t kFormatTime = 166;

// The cell XF a cell of that kind is written with.
uint16_t XfFor(CellKind kind);

// FONT, FORMAT, XF and STYLE records, in the order the globals hold them.
void StyleTable(Bytes& out);

}  // namespace mvq::xls::biff8
