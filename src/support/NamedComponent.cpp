#include "support/NamedComponent.h"

#include "platform/text/AsciiCase.h"

namespace mvq {

namespace {

NamedComponent* FindByName(const std::vector<NamedComponent*>& list, std::string_view name) {
  if (name.empty()) return nullptr;
  for (NamedComponent* c : list)
    if (c && text::SameIgnoringCase(c->Name(), name)) return c;
  return nullptr;
}

}  // namespace

std::string NamedComponent::GetPropertyText(const std::string& name) const {
  throw PropertyError("property " + name + " of " + Name() + " cannot be read");
}

void NamedComponent::SetPropertyText(const std::string& name, const std::string& /*value*/) {
  throw PropertyError("property " + name + " of " + Name() + " cannot be set");
}

std::optional<std::string> PublishedName(const NamedComponent& component, std::string_view name) {
  for (const std::string& p : component.PublishedProperties())
    if (text::SameIgnoringCase(p, name)) return p;
  return std::nullopt;
}

bool HasProperty(const NamedComponent& component, std::string_view name) {
  return PublishedName(component, name).has_value();
}

NamedComponent* FindOwned(const NamedComponent& owner, std::string_view name) {
  return FindByName(owner.OwnedComponents(), name);
}

NamedComponent* FindChild(const NamedComponent& parent, std::string_view name) {
  return FindByName(parent.ChildControls(), name);
}

}  // namespace mvq
