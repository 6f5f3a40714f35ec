#include "shell/FormComponents.h"

#include <charconv>

namespace mvq {
namespace {

[[noreturn]] void Unconvertible(const std::string& name, std::string_view value) {
  throw SettingsValueError("设置文件中" + name + "的值无效:" + std::string(value));
}

int32_t ParseInt(const std::string& name, std::string_view value) {
  int32_t number = 0;
  const char* end = value.data() + value.size();
  const auto [ptr, ec] = std::from_chars(value.data(), end, number);
  if (value.empty() || ec != std::errc() || ptr != end) Unconvertible(name, value);
  return number;
}

bool ParseBool(const std::string& name, std::string_view value) {
  if (SameName(value, "True")) return true;
  if (SameName(value, "False")) return false;
  Unconvertible(name, value);
}

std::string BoolText(bool value) {
  return value ? "True" : "False";
}

// A component that saves and restores exactly one property.
class Component : public NamedComponent {
 public:
  Component(std::string name, std::string_view property)
      : name_(std::move(name)), property_(property) {}
  const std::string& Name() const override { return name_; }
  std::string_view SavedProperty() const override { return property_; }
  bool ApplyValue(std::string_view property, std::string_view value) override {
    if (!SameName(property, property_)) return false;
    Apply(value);
    return true;
  }

 protected:
  virtual void Apply(std::string_view value) = 0;

 private:
  std::string name_;
  std::string_view property_;
};

class TextField : public Component {
 public:
  TextField(std::string name, std::string& text)
      : Component(std::move(name), "Text"), text_(text) {}
  std::string SavedValue() const override { return text_; }

 private:
  void Apply(std::string_view value) override { text_ = value; }
  std::string& text_;
};

class CheckBox : public Component {
 public:
  CheckBox(std::string name, bool& checked)
      : Component(std::move(name), "checked"), checked_(checked) {}
  std::string SavedValue() const override { return BoolText(checked_); }

 private:
  void Apply(std::string_view value) override { checked_ = ParseBool(Name(), value); }
  bool& checked_;
};

// One of the two authentication buttons: checking it unchecks the other; unchecking the
// one that is on turns the other on, so exactly one is always chosen.
class AuthButton : public Component {
 public:
  AuthButton(std::string name, SqlAuth& auth, SqlAuth mine)
      : Component(std::move(name), "checked"), auth_(auth), mine_(mine) {}
  std::string SavedValue() const override { return BoolText(auth_ == mine_); }

 private:
  void Apply(std::string_view value) override {
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
      : Component(std::move(name), "itemindex"), index_(index), count_(count) {}
  std::string SavedValue() const override { return std::to_string(index_); }

 private:
  void Apply(std::string_view value) override {
    const int32_t index = ParseInt(Name(), value);
    if (index >= 0 && index < count_) index_ = index;
  }
  int32_t& index_;
  int32_t count_;
};

class ComboBox : public Component {
 public:
  ComboBox(std::string name, CatalogBox& box)
      : Component(std::move(name), "itemindex"), box_(box) {}
  std::string SavedValue() const override { return std::to_string(box_.itemIndex); }

 private:
  void Apply(std::string_view value) override { box_.SetItemIndex(ParseInt(Name(), value)); }
  CatalogBox& box_;
};

class ListBox : public Component {
 public:
  ListBox(std::string name, TableList& list) : Component(std::move(name), "items"), list_(list) {}
  std::string SavedValue() const override { return JoinListItems(list_.Texts()); }

 private:
  void Apply(std::string_view value) override { list_.SetTexts(SplitListItems(value)); }
  TableList& list_;
};

}  // namespace

std::string JoinListItems(const std::vector<std::string>& items) {
  std::string joined;
  for (const std::string& item : items) joined += item + "\r\n";
  // Line breaks inside an item become "<Br>" too, as in the saved text of the whole list.
  std::string value;
  for (size_t i = 0; i < joined.size(); ++i) {
    if (joined[i] == '\r' && i + 1 < joined.size() && joined[i + 1] == '\n') {
      value += "<Br>";
      ++i;
    } else {
      value += joined[i];
    }
  }
  return value;
}

std::vector<std::string> SplitListItems(std::string_view value) {
  std::vector<std::string> items;
  std::string item;
  bool open = false;  // an item has begun and is not yet ended by a break
  for (size_t i = 0; i < value.size();) {
    size_t breakLength = 0;
    if (value.size() - i >= 4 && SameName(value.substr(i, 4), "<Br>")) {
      breakLength = 4;
    } else if (value[i] == '\r') {
      breakLength = i + 1 < value.size() && value[i + 1] == '\n' ? 2 : 1;
    } else if (value[i] == '\n') {
      breakLength = 1;
    }
    if (breakLength) {
      items.push_back(std::move(item));
      item.clear();
      open = false;
      i += breakLength;
    } else {
      item += value[i++];
      open = true;
    }
  }
  if (open) items.push_back(std::move(item));
  return items;
}

FormComponents::FormComponents(FormState& f) {
  auto text = [&](const char* name, std::string& field) {
    components_.push_back(std::make_unique<TextField>(name, field));
  };
  auto check = [&](std::string name, bool& field) {
    components_.push_back(std::make_unique<CheckBox>(std::move(name), field));
  };
  components_.push_back(std::make_unique<RadioGroup>("RGmy", f.RGmy, 10));
  text("edtsqlpassword", f.edtsqlpassword);
  text("edtsqluser", f.edtsqluser);
  text("edtsqlserverdb", f.edtsqlserverdb);
  components_.push_back(std::make_unique<ComboBox>("edtsqlCatalog", f.edtsqlCatalog));
  components_.push_back(std::make_unique<AuthButton>("RBConnw", f.sqlAuth, SqlAuth::Windows));
  components_.push_back(std::make_unique<AuthButton>("RBConnS", f.sqlAuth, SqlAuth::SqlServer));
  text("edtpassword", f.edtpassword);
  text("edtuser", f.edtuser);
  text("edtDB", f.edtDB);
  text("edtcomputer", f.edtcomputer);
  text("edtport", f.edtport);
  text("edtfilename", f.edtfilename);
  text("edtmdbpassword", f.edtmdbpassword);
  text("edtxlsfilename", f.edtxlsfilename);
  check("chkexcel", f.chkexcel);
  components_.push_back(std::make_unique<ListBox>("lbold", f.lbold));
  components_.push_back(std::make_unique<ListBox>("lbnew", f.lbnew));
  components_.push_back(std::make_unique<RadioGroup>("RGtableMode", f.RGtableMode, 3));
  text("edtDest", f.edtDest);
  text("edtSrc", f.edtSrc);
  for (size_t i = 0; i < f.N.size(); ++i) check("N" + std::to_string(i + 1), f.N[i]);
  check("miFindNext", f.miFindNext);
}

FormComponents::~FormComponents() = default;

std::vector<NamedComponent*> FormComponents::Components() {
  std::vector<NamedComponent*> view;
  view.reserve(components_.size());
  for (const auto& component : components_) view.push_back(component.get());
  return view;
}

}  // namespace mvq
