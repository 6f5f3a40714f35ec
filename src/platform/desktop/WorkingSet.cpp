#include "platform/desktop/WorkingSet.h"

#include <malloc.h>

namespace mvq {

namespace {
std::function<void()>& Pump() {
  static std::function<void()> pump;
  return pump;
}
}  // namespace

void TrimWorkingSet() {
  ::malloc_trim(0);
  ProcessPendingEvents();
}

void ProcessPendingEvents() {
  if (Pump()) Pump()();
}

std::function<void()> SetEventPump(std::function<void()> pump) {
  auto previous = std::move(Pump());
  Pump() = std::move(pump);
  return previous;
}

}  // namespace mvq
