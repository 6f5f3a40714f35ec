#include "support/CurrentDirection.h"

namespace mvq {

int32_t CurrentDirection = 0;

}  // namespace mvq
