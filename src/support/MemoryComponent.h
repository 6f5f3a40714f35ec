#pragma once
// A plain in-memory component tree: the batch runner's stand-in for the window's controls,
// and what the settings-file tests walk.
#include <memory>
#include <string>
#include <vector>

#include "support/NamedComponent.h"

namespace mvq {

enum class PropertyType { Text, Integer, Boolean };

class MemoryComponent : public NamedComponent {
 public:
  explicit MemoryComponent(std::string name, ComponentKind kind = ComponentKind::Other);

  // Adds a published property with its initial value (converted like SetPropertyText).
  MemoryComponent& Publish(std::string name, PropertyType type, const std::string& value);
  // Adds a child control, owned by this component's top-level window; returns it.
  MemoryComponent& Add(std::unique_ptr<MemoryComponent> child);
  MemoryComponent& SetTag(int tag);

  // A published property's text, or "" when it is not published (for inspection).
  std::string Property(const std::string& name) const;

  std::string Name() const override { return name_; }
  ComponentKind Kind() const override { return kind_; }
  int Tag() const override { return tag_; }
  std::vector<std::string> PublishedProperties() const override;
  std::string GetPropertyText(const std::string& name) const override;
  // An item index is kept within the items (-1 when it names none), as a list control does.
  void SetPropertyText(const std::string& name, const std::string& value) override;
  std::vector<std::string> Items() const override { return items_; }
  void SetItems(const std::vector<std::string>& items) override { items_ = items; }
  std::optional<FontRecord> Font() const override { return font_; }
  void SetFont(const FontRecord& font) override { font_ = font; }
  bool HasParent() const override { return parent_ != nullptr; }
  std::vector<NamedComponent*> ChildControls() const override;
  // A top-level component owns everything below it; a nested one owns nothing.
  std::vector<NamedComponent*> OwnedComponents() const override;

 private:
  struct Published {
    std::string name;
    PropertyType type;
    std::string value;  // canonical text: decimal, "True"/"False", or the text
  };
  Published* Find(const std::string& name);
  const Published* Find(const std::string& name) const;
  std::string Convert(const Published& p, const std::string& value) const;
  void CollectDescendants(std::vector<NamedComponent*>& out) const;

  std::string name_;
  ComponentKind kind_;
  int tag_ = 0;
  std::vector<Published> properties_;
  std::vector<std::string> items_;
  std::optional<FontRecord> font_;
  MemoryComponent* parent_ = nullptr;
  std::vector<std::unique_ptr<MemoryComponent>> children_;
};

// The application: owns the top-level windows, in order.
class MemoryApplication : public NamedComponent {
 public:
  MemoryComponent& AddWindow(std::unique_ptr<MemoryComponent> window);
  std::string Name() const override { return {}; }
  std::vector<NamedComponent*> OwnedComponents() const override;

 private:
  std::vector<std::unique_ptr<MemoryComponent>> windows_;
};

// The usual controls, publishing what their kinds publish.
std::unique_ptr<MemoryComponent> MakeWindow(const std::string& name);
std::unique_ptr<MemoryComponent> MakePanel(const std::string& name);
std::unique_ptr<MemoryComponent> MakeEdit(const std::string& name, const std::string& text = "");
std::unique_ptr<MemoryComponent> MakeListBox(const std::string& name,
                                             std::vector<std::string> items = {});
std::unique_ptr<MemoryComponent> MakeComboBox(const std::string& name,
                                              std::vector<std::string> items = {},
                                              int itemIndex = -1);
std::unique_ptr<MemoryComponent> MakeRadioGroup(const std::string& name,
                                                std::vector<std::string> items, int itemIndex);
std::unique_ptr<MemoryComponent> MakeCheckBox(const std::string& name, bool checked = false);
std::unique_ptr<MemoryComponent> MakeSpinEdit(const std::string& name, int value = 0);
std::unique_ptr<MemoryComponent> MakeLabel(const std::string& name, const std::string& caption);
std::unique_ptr<MemoryComponent> MakeBitBtn(const std::string& name, int tag,
                                            std::optional<FontRecord> font);

}  // namespace mvq
