#pragma once
// What the settings file needs of a window and its components: names, a kind, published
// properties read and set as text, and the two lists a window keeps (components it owns,
// child controls). The Qt window and the batch runner implement it.
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "support/FontRecord.h"

namespace mvq {

enum class ComponentKind { Other, ListBox, ComboBox, BitBtn };

// A text that does not convert to the property's type ("abc" for an item index).
class PropertyError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

class NamedComponent {
 public:
  virtual ~NamedComponent() = default;

  virtual std::string Name() const = 0;
  virtual ComponentKind Kind() const { return ComponentKind::Other; }
  virtual int Tag() const { return 0; }

  // Published property names, spelt as the component spells them.
  virtual std::vector<std::string> PublishedProperties() const { return {}; }
  // A published property as text: integers in decimal, booleans "True"/"False".
  virtual std::string GetPropertyText(const std::string& name) const;
  // Sets a published property from text; throws PropertyError when it does not convert.
  virtual void SetPropertyText(const std::string& name, const std::string& value);

  // List boxes: the lines.
  virtual std::vector<std::string> Items() const { return {}; }
  virtual void SetItems(const std::vector<std::string>& /*items*/) {}

  // Bitmap buttons: the font; nothing when the platform gives no description of it.
  virtual std::optional<FontRecord> Font() const { return std::nullopt; }
  virtual void SetFont(const FontRecord& /*font*/) {}

  // A window placed inside another control has a parent; top-level windows do not.
  virtual bool HasParent() const { return false; }
  virtual std::vector<NamedComponent*> ChildControls() const { return {}; }
  // Every component this one owns, nested and non-visual ones included, in creation order.
  virtual std::vector<NamedComponent*> OwnedComponents() const { return {}; }
};

// Whether the component publishes a property of that name, letter case ignored.
bool HasProperty(const NamedComponent& component, std::string_view name);
// The published spelling of a property name, letter case ignored.
std::optional<std::string> PublishedName(const NamedComponent& component, std::string_view name);

// Components owned by owner / child controls of parent, by name with letter case ignored.
// An empty name finds nothing.
NamedComponent* FindOwned(const NamedComponent& owner, std::string_view name);
NamedComponent* FindChild(const NamedComponent& parent, std::string_view name);

}  // namespace mvq
