#pragma once
// The conversion direction of the run (0-9, the item index of the direction choice), set by
// the wizard at every press of next and read by the engine and the workbook export.
#include <cstdint>

namespace mvq {

extern int32_t CurrentDirection;

}  // namespace mvq
