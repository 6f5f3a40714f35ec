#pragma once
// The wizard's form state as the settings file sees the main window "Frmoracletoaccess":
// its saved components, in the order the file holds them, each publishing the one property
// its kind of control is saved by.
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "shell/FormState.h"
#include "support/NamedComponent.h"

namespace mvq {

inline constexpr std::string_view kMainWindowName = "Frmoracletoaccess";

// The main window: a top-level window owning its saved components.
class FormComponents : public NamedComponent {
 public:
  // The form must outlive this view.
  explicit FormComponents(FormState& form);
  ~FormComponents() override;

  std::string Name() const override { return std::string(kMainWindowName); }
  std::vector<NamedComponent*> OwnedComponents() const override;

 private:
  std::vector<std::unique_ptr<NamedComponent>> components_;
};

// The application as the settings file walks it: the main window is its only named window.
class FormApplication : public NamedComponent {
 public:
  explicit FormApplication(FormState& form) : window_(form) {}
  std::string Name() const override { return {}; }
  std::vector<NamedComponent*> OwnedComponents() const override;

 private:
  mutable FormComponents window_;  // handed out as a component of the walk
};

// Writes the form's state to the settings file; throws SettingsError naming the path.
void SaveFormState(FormState& form, const std::string& path);
// Applies a settings file to the form; nothing happens when there is none. A file that
// cannot be read or a value that does not convert throws SettingsError, after the lines
// before it have been applied.
void LoadFormState(FormState& form, const std::string& path);

}  // namespace mvq
