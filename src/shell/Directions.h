#pragma once
// The ten conversion directions as the window shows them: the item text and how the settings
// page is arranged. The ends, slots and scripts of each are the engine's DirectionRow.
#include <array>
#include <cstdint>
#include <optional>
#include <string_view>

#include "engine/DirectionTable.h"

namespace mvq {

// How a group sits on the settings page. Left takes half the client width; Top takes the
// height given; Fill takes what the other group left.
enum class Dock { Hidden, Left, Top, Fill };

struct GroupPlacement {
  Dock dock = Dock::Hidden;
  int32_t height = 0;  // only for Top

  bool Visible() const { return dock != Dock::Hidden; }
  bool operator==(const GroupPlacement&) const = default;
};

// The settings page: pnlso holds the Oracle and SQL Server groups side by side; pnlso, the
// Access group and the Excel group stack from the top.
struct SettingsLayout {
  GroupPlacement pnlso;
  GroupPlacement gboracle;  // inside pnlso
  GroupPlacement GBsql;     // inside pnlso
  GroupPlacement gbmdb;
  GroupPlacement gbexcel;

  bool operator==(const SettingsLayout&) const = default;
};

// What the window shows of a direction; what it plugs together is its DirectionRow.
struct Direction {
  int32_t number;
  std::string_view itemText;
  // None for the custom direction: it skips the settings page and leaves it as it was.
  std::optional<SettingsLayout> layout;
};

const std::array<Direction, kDirectionCount>& Directions();

// Throws std::out_of_range for a number outside 0-9.
const Direction& GetDirection(int32_t number);

// What ArrangeSettingsPage does: the direction's arrangement, or the current one unchanged
// for the custom direction.
void ArrangeSettingsPage(SettingsLayout& layout, int32_t direction);

// The caption of the source list's group for a source of this kind.
std::string_view SourceListCaption(Endpoint source);

}  // namespace mvq
