#include "support/MemoryComponent.h"

#include <charconv>

#include "platform/text/AsciiCase.h"

namespace mvq {

namespace {

int32_t ParseInteger(const std::string& value) {
  const char* first = value.data();
  const char* last = first + value.size();
  if (first != last && *first == '+') ++first;  // from_chars takes '-' only
  int32_t v = 0;
  auto [end, ec] = std::from_chars(first, last, v);
  if (ec != std::errc() || end != last || first == last)
    throw PropertyError("'" + value + "' is not a valid integer value");
  return v;
}

std::string ParseBoolean(const std::string& value) {
  if (text::SameIgnoringCase(value, "True")) return "True";
  if (text::SameIgnoringCase(value, "False")) return "False";
  throw PropertyError("'" + value + "' is not a valid boolean value");
}

}  // namespace

MemoryComponent::MemoryComponent(std::string name, ComponentKind kind)
    : name_(std::move(name)), kind_(kind) {}

MemoryComponent& MemoryComponent::Publish(std::string name, PropertyType type,
                                          const std::string& value) {
  properties_.push_back({std::move(name), type, ""});
  properties_.back().value = Convert(properties_.back(), value);
  return *this;
}

MemoryComponent& MemoryComponent::Add(std::unique_ptr<MemoryComponent> child) {
  child->parent_ = this;
  children_.push_back(std::move(child));
  return *children_.back();
}

MemoryComponent& MemoryComponent::SetTag(int tag) {
  tag_ = tag;
  return *this;
}

MemoryComponent::Published* MemoryComponent::Find(const std::string& name) {
  for (Published& p : properties_)
    if (text::SameIgnoringCase(p.name, name)) return &p;
  return nullptr;
}

const MemoryComponent::Published* MemoryComponent::Find(const std::string& name) const {
  return const_cast<MemoryComponent*>(this)->Find(name);
}

std::string MemoryComponent::Convert(const Published& p, const std::string& value) const {
  switch (p.type) {
    case PropertyType::Integer: {
      int32_t v = ParseInteger(value);
      bool isIndex = text::SameIgnoringCase(p.name, "ItemIndex");
      if (isIndex && (v < -1 || v >= static_cast<int64_t>(items_.size()))) v = -1;
      return std::to_string(v);
    }
    case PropertyType::Boolean:
      return ParseBoolean(value);
    case PropertyType::Text:
      break;
  }
  return value;
}

std::string MemoryComponent::Property(const std::string& name) const {
  const auto* p = Find(name);
  return p ? p->value : std::string();
}

std::vector<std::string> MemoryComponent::PublishedProperties() const {
  std::vector<std::string> names;
  for (const auto& p : properties_) names.push_back(p.name);
  return names;
}

std::string MemoryComponent::GetPropertyText(const std::string& name) const {
  if (const auto* p = Find(name)) return p->value;
  return NamedComponent::GetPropertyText(name);
}

void MemoryComponent::SetPropertyText(const std::string& name, const std::string& value) {
  auto* p = Find(name);
  if (!p) return NamedComponent::SetPropertyText(name, value);
  p->value = Convert(*p, value);
}

std::vector<NamedComponent*> MemoryComponent::ChildControls() const {
  std::vector<NamedComponent*> out;
  for (const auto& c : children_) out.push_back(c.get());
  return out;
}

void MemoryComponent::CollectDescendants(std::vector<NamedComponent*>& out) const {
  for (const auto& c : children_) {
    out.push_back(c.get());
    c->CollectDescendants(out);
  }
}

std::vector<NamedComponent*> MemoryComponent::OwnedComponents() const {
  std::vector<NamedComponent*> out;
  if (!parent_) CollectDescendants(out);
  return out;
}

MemoryComponent& MemoryApplication::AddWindow(std::unique_ptr<MemoryComponent> window) {
  windows_.push_back(std::move(window));
  return *windows_.back();
}

std::vector<NamedComponent*> MemoryApplication::OwnedComponents() const {
  std::vector<NamedComponent*> out;
  for (const auto& w : windows_) out.push_back(w.get());
  return out;
}

std::unique_ptr<MemoryComponent> MakeWindow(const std::string& name) {
  auto c = std::make_unique<MemoryComponent>(name);
  c->Publish("Caption", PropertyType::Text, "");
  return c;
}

std::unique_ptr<MemoryComponent> MakePanel(const std::string& name) {
  return MakeWindow(name);
}

std::unique_ptr<MemoryComponent> MakeEdit(const std::string& name, const std::string& text) {
  auto c = std::make_unique<MemoryComponent>(name);
  c->Publish("Text", PropertyType::Text, text);
  return c;
}

std::unique_ptr<MemoryComponent> MakeListBox(const std::string& name,
                                             std::vector<std::string> items) {
  auto c = std::make_unique<MemoryComponent>(name, ComponentKind::ListBox);
  c->SetItems(items);
  c->Publish("ItemIndex", PropertyType::Integer, "-1");
  return c;
}

std::unique_ptr<MemoryComponent> MakeComboBox(const std::string& name,
                                              std::vector<std::string> items, int itemIndex) {
  auto c = std::make_unique<MemoryComponent>(name, ComponentKind::ComboBox);
  c->SetItems(items);
  c->Publish("Text", PropertyType::Text, "");
  c->Publish("ItemIndex", PropertyType::Integer, std::to_string(itemIndex));
  return c;
}

std::unique_ptr<MemoryComponent> MakeRadioGroup(const std::string& name,
                                                std::vector<std::string> items, int itemIndex) {
  auto c = std::make_unique<MemoryComponent>(name);
  c->SetItems(items);
  c->Publish("Caption", PropertyType::Text, "");
  c->Publish("ItemIndex", PropertyType::Integer, std::to_string(itemIndex));
  return c;
}

std::unique_ptr<MemoryComponent> MakeCheckBox(const std::string& name, bool checked) {
  auto c = std::make_unique<MemoryComponent>(name);
  c->Publish("Caption", PropertyType::Text, "");
  c->Publish("Checked", PropertyType::Boolean, checked ? "True" : "False");
  return c;
}

std::unique_ptr<MemoryComponent> MakeSpinEdit(const std::string& name, int value) {
  auto c = std::make_unique<MemoryComponent>(name);
  c->Publish("Value", PropertyType::Integer, std::to_string(value));
  return c;
}

std::unique_ptr<MemoryComponent> MakeLabel(const std::string& name, const std::string& caption) {
  auto c = std::make_unique<MemoryComponent>(name);
  c->Publish("Caption", PropertyType::Text, caption);
  return c;
}

std::unique_ptr<MemoryComponent> MakeBitBtn(const std::string& name, int tag,
                                            std::optional<FontRecord> font) {
  auto c = std::make_unique<MemoryComponent>(name, ComponentKind::BitBtn);
  c->Publish("Caption", PropertyType::Text, "");
  c->SetTag(tag);
  if (font) c->SetFont(*font);
  return c;
}

}  // namespace mvq
