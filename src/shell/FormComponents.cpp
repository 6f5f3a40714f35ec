#include "shell/FormComponents.h"

#include <charconv>

#include "platform/text/AsciiCase.h"
#include "shell/Directions.h"
#include "support/utFzStream.h"

namespace mvq {
namespace {

[[noreturn]] void Unconvertible(const std::string& name, const std::string& value) {
  throw PropertyError("设置文件中" + name + "的值无效:" + value);
}

int32_t ParseInt(const std::string& name, const std::string& value) {
  int32_t number = 0;
  const char* end = value.data() + value.size();
  const auto [ptr, ec] = std::from_chars(value.data(), end, number);
  if (value.empty() || ec != std::errc() || ptr != end) Unconvertible(name, value);
  return number;
}

bool ParseBool(const std::string& name, const std::string& value) {
  if (text::SameIgnoringCase(value, "True")) return true;
  if (text::SameIgnoringCase(value, "False")) return false;
  Unconvertible(name, value);
}

std::string BoolText(bool value) {
  return value ? "True" : "False";
}

// A control that publishes exactly one of the properties the file saves.
class Component : public NamedComponent {
 public:
  Component(std::string name, std::string property, ComponentKind kind = ComponentKind::Other)
      : name_(std::move(name)), property_(std::move(property)), kind_(kind) {}
  std::string Name() const override { return name_; }
  ComponentKind Kind() const override { return kind_; }
  std::vector<std::string> PublishedProperties() const override { return {property_}; }
  std::string GetPropertyText(const std::string& name) const override {
    if (!text::SameIgnoringCase(name, property_)) NamedComponent::GetPropertyText(name);
    return Value();
  }
  void SetPropertyText(const std::string& name, const std::string& value) override {
    if (!text::SameIgnoringCase(name, property_)) NamedComponent::SetPropertyText(name, value);
    Apply(value);
  }

 protected:
  virtual std::string Value() const = 0;
  virtual void Apply(const std::string& value) = 0;

 private:
  std::string name_;
  std::string property_;
  ComponentKind kind_;
};

class TextField : public Component {
 public:
  TextField(std::string name, std::string& text)
      : Component(std::move(name), "Text"), text_(text) {}

 private:
  std::string Value() const override { return text_; }
  void Apply(const std::string& value) override { text_ = value; }
  std::string& text_;
};

// Check boxes and the popup menu's entries.
class CheckBox : public Component {
 public:
  CheckBox(std::string name, bool& checked)
      : Component(std::move(name), "Checked"), checked_(checked) {}

 private:
  std::string Value() const override { return BoolText(checked_); }
  void Apply(const std::string& value) override { checked_ = ParseBool(Name(), value); }
  bool& checked_;
};

// One of the two authentication buttons: checking it unchecks the other; unchecking the
// one that is on turns the other on, so exactly one is always chosen.
class AuthButton : public Component {
 public:
  AuthButton(std::string name, SqlAuth& auth, SqlAuth mine)
      : Component(std::move(name), "Checked"), auth_(auth), mine_(mine) {}

 private:
  std::string Value() const override { return BoolText(auth_ == mine_); }
  void Apply(const std::string& value) override {
    const SqlAuth other = mine_ == SqlAuth::Windows ? SqlAuth::SqlServer : SqlAuth::Windows;
    auth_ = ParseBool(Name(), value) ? mine_ : other;
  }
  SqlAuth& auth_;
  SqlAuth mine_;
};

// A radio group whose program needs one of its items chosen: an index outside the items
// keeps the current choice rather than leaving the direction or the mode undefined.
class RadioGroup : public Component {
 public:
  RadioGroup(std::string name, int32_t& index, int32_t count)
      : Component(std::move(name), "ItemIndex"), index_(index), count_(count) {}

 private:
  std::string Value() const override { return std::to_string(index_); }
  void Apply(const std::string& value) override {
    const int32_t index = ParseInt(Name(), value);
    if (index >= 0 && index < count_) index_ = index;
  }
  int32_t& index_;
  int32_t count_;
};

// The database name: saved by its item index, so a name typed by hand is not kept.
class ComboBox : public NamedComponent {
 public:
  ComboBox(std::string name, CatalogBox& box) : name_(std::move(name)), box_(box) {}
  std::string Name() const override { return name_; }
  ComponentKind Kind() const override { return ComponentKind::ComboBox; }
  std::vector<std::string> PublishedProperties() const override { return {"ItemIndex", "Text"}; }
  std::string GetPropertyText(const std::string& name) const override {
    if (text::SameIgnoringCase(name, "Text")) return box_.text;
    if (text::SameIgnoringCase(name, "ItemIndex")) return std::to_string(box_.itemIndex);
    return NamedComponent::GetPropertyText(name);
  }
  void SetPropertyText(const std::string& name, const std::string& value) override {
    if (text::SameIgnoringCase(name, "Text")) {
      box_.text = value;
    } else if (text::SameIgnoringCase(name, "ItemIndex")) {
      box_.SetItemIndex(ParseInt(name_, value));
    } else {
      NamedComponent::SetPropertyText(name, value);
    }
  }

 private:
  std::string name_;
  CatalogBox& box_;
};

class ListBox : public NamedComponent {
 public:
  ListBox(std::string name, TableList& list) : name_(std::move(name)), list_(list) {}
  std::string Name() const override { return name_; }
  ComponentKind Kind() const override { return ComponentKind::ListBox; }
  std::vector<std::string> Items() const override { return list_.Texts(); }
  // The list's whole text replaced: each line goes to its sorted place.
  void SetItems(const std::vector<std::string>& items) override { list_.SetTexts(items); }

 private:
  std::string name_;
  TableList& list_;
};

}  // namespace

FormComponents::FormComponents(FormState& f) {
  auto add = [&](std::unique_ptr<NamedComponent> c) { components_.push_back(std::move(c)); };
  auto text = [&](const char* name, std::string& field) {
    add(std::make_unique<TextField>(name, field));
  };
  auto check = [&](std::string name, bool& field) {
    add(std::make_unique<CheckBox>(std::move(name), field));
  };
  add(std::make_unique<RadioGroup>("RGmy", f.RGmy, kDirectionCount));
  text("edtsqlpassword", f.edtsqlpassword);
  text("edtsqluser", f.edtsqluser);
  text("edtsqlserverdb", f.edtsqlserverdb);
  add(std::make_unique<ComboBox>("edtsqlCatalog", f.edtsqlCatalog));
  add(std::make_unique<AuthButton>("RBConnw", f.sqlAuth, SqlAuth::Windows));
  add(std::make_unique<AuthButton>("RBConnS", f.sqlAuth, SqlAuth::SqlServer));
  text("edtpassword", f.edtpassword);
  text("edtuser", f.edtuser);
  text("edtDB", f.edtDB);
  text("edtcomputer", f.edtcomputer);
  text("edtport", f.edtport);
  text("edtfilename", f.edtfilename);
  text("edtmdbpassword", f.edtmdbpassword);
  text("edtxlsfilename", f.edtxlsfilename);
  check("chkexcel", f.chkexcel);
  add(std::make_unique<ListBox>("lbold", f.lbold));
  add(std::make_unique<ListBox>("lbnew", f.lbnew));
  add(std::make_unique<RadioGroup>("RGtableMode", f.RGtableMode, 3));
  text("edtDest", f.edtDest);
  text("edtSrc", f.edtSrc);
  for (size_t i = 0; i < f.N.size(); ++i) check("N" + std::to_string(i + 1), f.N[i]);
  check("miFindNext", f.miFindNext);
}

FormComponents::~FormComponents() = default;

std::vector<NamedComponent*> FormComponents::OwnedComponents() const {
  std::vector<NamedComponent*> view;
  view.reserve(components_.size());
  for (const auto& component : components_) view.push_back(component.get());
  return view;
}

std::vector<NamedComponent*> FormApplication::OwnedComponents() const {
  return {&window_};
}

void SaveFormState(FormState& form, const std::string& path) {
  SaveAppSettings(FormApplication(form), path);
}

void LoadFormState(FormState& form, const std::string& path) {
  FormApplication application(form);
  LoadAppSettings(application, path);
}

}  // namespace mvq
