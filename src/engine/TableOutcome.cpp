#include "engine/TableOutcome.h"

namespace mvq {

const char* StatusName(OutcomeStatus status) {
  switch (status) {
    case OutcomeStatus::NotReached:
      return "not_reached";
    case OutcomeStatus::Exported:
      return "exported";
    case OutcomeStatus::Partial:
      return "partial";
    case OutcomeStatus::Skipped:
      return "skipped";
    case OutcomeStatus::Failed:
      return "failed";
  }
  return "failed";
}

const char* ExistingStepName(ExistingStep step) {
  switch (step) {
    case ExistingStep::None:
      return "none";
    case ExistingStep::Created:
      return "created";
    case ExistingStep::Skipped:
      return "skipped";
    case ExistingStep::Emptied:
      return "emptied";
    case ExistingStep::Recreated:
      return "recreated";
    case ExistingStep::Kept:
      return "kept";
  }
  return "none";
}

}  // namespace mvq
