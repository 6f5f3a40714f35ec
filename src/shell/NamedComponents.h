#pragma once
// The settings file's view of a window: named components in their saving order, each saving
// one property as text and taking it back from text. The settings walk reads and writes the
// lines; the window (or FormComponents) supplies the components.
#include <string>
#include <string_view>
#include <vector>

#include "shell/ShellError.h"

namespace mvq {

// A saved value the component cannot take (letters for an item index, "maybe" for a check).
class SettingsValueError : public ShellError {
 public:
  using ShellError::ShellError;
};

class NamedComponent {
 public:
  virtual ~NamedComponent() = default;
  virtual const std::string& Name() const = 0;
  // The property the file holds for this component: "items", "itemindex", "Text" or
  // "checked"; empty when nothing of it is saved.
  virtual std::string_view SavedProperty() const = 0;
  // That property's value as written in the file.
  virtual std::string SavedValue() const = 0;
  // Sets a property from the file's text; the property name ignores letter case. False when
  // the component has no such property; SettingsValueError when the text does not convert.
  virtual bool ApplyValue(std::string_view property, std::string_view value) = 0;
};

class ComponentTree {
 public:
  virtual ~ComponentTree() = default;
  virtual const std::string& Name() const = 0;
  // In the order the file holds them.
  virtual std::vector<NamedComponent*> Components() = 0;
  // By name, letter case ignored; nullptr when there is none.
  NamedComponent* FindComponent(std::string_view name);
};

// One "name,property,value" line per saved component, in order.
std::vector<std::string> SavedPropertyLines(ComponentTree& tree);

// Applies one such line: split at the first comma (name) and the next (property), the rest
// is the value, commas included. Lines without two commas, or naming a component or
// property that does not exist, are ignored; a value that does not convert throws.
void ApplyPropertyLine(ComponentTree& tree, std::string_view line);

// Letter case ignored for ASCII letters, as component and property names are matched.
bool SameName(std::string_view a, std::string_view b);

}  // namespace mvq
