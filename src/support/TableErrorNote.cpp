#include "support/TableErrorNote.h"

#include "platform/odbc/DbError.h"

namespace mvq {
namespace {

std::string* Slot = nullptr;
bool* Lost = nullptr;

}  // namespace

void NoteTableError(const std::string& text) {
  if (Slot && Slot->empty()) *Slot = text;
}

void NoteIfConnectionLost(const std::exception& error) {
  const auto* db = dynamic_cast<const db::DbError*>(&error);
  if (Lost && db && db->ConnectionLost()) *Lost = true;
}

TableErrorScope::TableErrorScope(std::string& slot, bool& lost)
    : previous_(Slot), previousLost_(Lost) {
  Slot = &slot;
  Lost = &lost;
}

TableErrorScope::~TableErrorScope() {
  Slot = previous_;
  Lost = previousLost_;
}

}  // namespace mvq
