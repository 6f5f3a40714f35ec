#include "support/utFzStream.h"

#include <sys/stat.h>

#include <algorithm>
#include <cerrno>

#include "platform/text/AsciiCase.h"
#include "platform/text/Gbk.h"

namespace mvq {

namespace {

bool StartsWith(std::string_view s, std::string_view prefix) {
  return s.substr(0, prefix.size()) == prefix;
}

std::string ReplaceAll(std::string s, std::string_view from, std::string_view to) {
  for (size_t pos = 0; (pos = s.find(from, pos)) != std::string::npos; pos += to.size())
    s.replace(pos, from.size(), to);
  return s;
}

std::string ReplaceBrTags(std::string_view value) {
  std::string out;
  for (size_t i = 0; i < value.size();) {
    if (text::SameIgnoringCase(value.substr(i, 4), "<Br>")) {
      out += "\r\n";
      i += 4;
    } else {
      out += value[i++];
    }
  }
  return out;
}

// A list's whole text, one item per line: CR LF, LF or CR end a line, and a break at the
// very end adds no empty item.
std::vector<std::string> SplitLines(std::string_view text) {
  std::vector<std::string> lines;
  size_t start = 0;
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] != '\r' && text[i] != '\n') continue;
    lines.emplace_back(text.substr(start, i - start));
    if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') ++i;
    start = i + 1;
  }
  if (start < text.size()) lines.emplace_back(text.substr(start));
  return lines;
}

// The items each followed by a line break written as "<Br>". Only whole items go in: the
// record has room for `budget` bytes, and half a table name would come back as a wrong one.
std::string JoinItems(const std::vector<std::string>& items, size_t budget) {
  std::string value;
  size_t gbkBytes = 0;
  for (const std::string& item : items) {
    std::string piece = ReplaceAll(item + "\r\n", "\r\n", "<Br>");
    size_t width = text::Utf8ToGbk(piece).size();
    if (gbkBytes + width > budget) break;
    gbkBytes += width;
    value += piece;
  }
  return value;
}

bool FileExists(const std::string& path) {
  struct stat st {};
  return ::stat(path.c_str(), &st) == 0 || errno != ENOENT;
}

}  // namespace

void TFzSaveSet::SaveControl(const NamedComponent& window) {
  auto components = window.HasParent() ? window.ChildControls() : window.OwnedComponents();
  for (const NamedComponent* c : components) SaveComponent(*c);
  SaveFonts(window);
}

void TFzSaveSet::SaveComponent(const NamedComponent& component) {
  switch (component.Kind()) {
    case ComponentKind::ListBox:
      return SaveProperty(component, "items");
    case ComponentKind::ComboBox:
      return SaveProperty(component, "itemindex");
    default:
      break;
  }
  for (const char* name : {"Text", "ItemIndex", "checked", "Value"}) {
    if (HasProperty(component, name)) {
      std::string written = text::SameIgnoringCase(name, "ItemIndex") ? "itemindex" : name;
      return SaveProperty(component, written);
    }
  }
}

void TFzSaveSet::SaveProperty(const NamedComponent& component, const std::string& property) {
  std::string head = component.Name() + "," + property + ",";
  if (component.Kind() == ComponentKind::ListBox && text::SameIgnoringCase(property, "items")) {
    size_t used = text::Utf8ToGbk(head).size();
    WriteString(head +
                JoinItems(component.Items(), kMaxStringBytes - std::min(used, kMaxStringBytes)));
    return;
  }
  auto published = PublishedName(component, property);
  if (published) WriteString(head + component.GetPropertyText(*published));
}

void TFzSaveSet::SaveFonts(const NamedComponent& window) {
  WriteString(kSectionEnd);
  for (const NamedComponent* c : window.OwnedComponents()) {
    if (c->Tag() != kFontButtonTag || c->Kind() != ComponentKind::BitBtn) continue;
    WriteString(c->Name());
    WriteFont(c->Font());
  }
  WriteString(kSectionEnd);
}

void TFzGetSet::LoadControl(NamedComponent& window) {
  window_ = &window;
  for (std::string s = ReadString(); !StartsWith(s, "---"); s = ReadString()) ApplyProperty(s);
  LoadFonts(window);
}

void TFzGetSet::ApplyProperty(const std::string& line) {
  if (!window_) return;
  size_t c1 = line.find(',');
  if (c1 == std::string::npos) return;
  size_t c2 = line.find(',', c1 + 1);
  if (c2 == std::string::npos) return;
  std::string name = line.substr(0, c1);
  std::string property = line.substr(c1 + 1, c2 - c1 - 1);
  std::string value = line.substr(c2 + 1);

  NamedComponent* target = FindOwned(*window_, name);
  if (!target) target = FindChild(*window_, name);
  if (!target) return;
  if (target->Kind() == ComponentKind::ListBox && text::SameIgnoringCase(property, "ITEMS")) {
    target->SetItems(SplitLines(ReplaceBrTags(value)));
    return;
  }
  // A property the component no longer publishes is skipped like a component that has gone.
  auto published = PublishedName(*target, property);
  if (!published) return;
  try {
    target->SetPropertyText(*published, value);
  } catch (const PropertyError& e) {
    throw SettingsError("settings file " + Origin() + ": cannot set " + name + "." + property +
                        " to \"" + value + "\": " + e.what());
  }
}

void TFzGetSet::LoadFonts(NamedComponent& window) {
  for (std::string s = ReadString(); !StartsWith(s, "---"); s = ReadString()) {
    NamedComponent* button = FindOwned(window, s);
    if (!button) return;  // the section ends at a name the window does not have
    if (button->Kind() != ComponentKind::BitBtn)
      throw SettingsError("settings file " + Origin() + ": the font section names " + s +
                          ", which is not a bitmap button");
    FontRecord font = button->Font().value_or(FontRecord{});
    if (ReadFont(font)) button->SetFont(font);
  }
}

TFzAppSaveSet::TFzAppSaveSet(const NamedComponent& application, const std::string& path)
    : TFzSaveSet(path) {
  SaveAll(application);
  Close();
}

TFzAppSaveSet::TFzAppSaveSet(const NamedComponent& application) {
  SaveAll(application);
}

void TFzAppSaveSet::SaveAll(const NamedComponent& application) {
  for (const NamedComponent* window : application.OwnedComponents()) {
    if (window->Name().empty()) continue;
    WriteString(kWindowMark);
    WriteString(window->Name());
    SaveControl(*window);
  }
  WriteString(kFileEnd);
}

TFzAppGetSet::TFzAppGetSet(NamedComponent& application, const std::string& path)
    : TFzGetSet(FileExists(path) ? OpenSettingsInput(path) : MemoryInput(""), path) {
  if (FileExists(path)) LoadAll(application);
}

TFzAppGetSet::TFzAppGetSet(NamedComponent& application, std::unique_ptr<std::istream> in,
                           std::string origin)
    : TFzGetSet(std::move(in), std::move(origin)) {
  LoadAll(application);
}

void TFzAppGetSet::LoadAll(NamedComponent& application) {
  // Every pass reads at least one record, so any input ends the loop.
  std::string s = ReadString();
  for (;;) {
    if (StartsWith(s, "|||")) break;
    if (StartsWith(s, "***")) s = ReadString();
    NamedComponent* window = FindOwned(application, s);
    if (!window) break;
    LoadControl(*window);
    s = ReadString();
  }
}

void SaveAppSettings(const NamedComponent& application, const std::string& path) {
  TFzAppSaveSet save(application, path);
}

void LoadAppSettings(NamedComponent& application, const std::string& path) {
  TFzAppGetSet load(application, path);
}

}  // namespace mvq
