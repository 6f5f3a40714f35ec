#pragma once
// The wizard's form state as the settings file sees the main window "Frmoracletoaccess":
// its saved components, in the order the file holds them.
#include <memory>
#include <string>
#include <vector>

#include "shell/FormState.h"
#include "shell/NamedComponents.h"

namespace mvq {

inline constexpr std::string_view kMainWindowName = "Frmoracletoaccess";

class FormComponents : public ComponentTree {
 public:
  // The form must outlive this view.
  explicit FormComponents(FormState& form);
  ~FormComponents() override;

  const std::string& Name() const override { return name_; }
  std::vector<NamedComponent*> Components() override;

 private:
  std::string name_{kMainWindowName};
  std::vector<std::unique_ptr<NamedComponent>> components_;
};

// A list's saved text: every item followed by "<Br>". And back: "<Br>" in any letter case,
// CR, LF or CR LF end an item; a final break adds no empty item.
std::string JoinListItems(const std::vector<std::string>& items);
std::vector<std::string> SplitListItems(std::string_view value);

}  // namespace mvq
