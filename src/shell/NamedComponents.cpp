#include "shell/NamedComponents.h"

#include <algorithm>

namespace mvq {
namespace {

char AsciiLower(char c) {
  return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

}  // namespace

bool SameName(std::string_view a, std::string_view b) {
  return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
           return AsciiLower(x) == AsciiLower(y);
         });
}

NamedComponent* ComponentTree::FindComponent(std::string_view name) {
  for (NamedComponent* component : Components()) {
    if (SameName(component->Name(), name)) return component;
  }
  return nullptr;
}

std::vector<std::string> SavedPropertyLines(ComponentTree& tree) {
  std::vector<std::string> lines;
  for (NamedComponent* component : tree.Components()) {
    const std::string_view property = component->SavedProperty();
    if (property.empty()) continue;
    lines.push_back(component->Name() + "," + std::string(property) + "," +
                    component->SavedValue());
  }
  return lines;
}

void ApplyPropertyLine(ComponentTree& tree, std::string_view line) {
  const size_t first = line.find(',');
  if (first == std::string_view::npos) return;
  const std::string_view rest = line.substr(first + 1);
  const size_t second = rest.find(',');
  if (second == std::string_view::npos) return;
  NamedComponent* component = tree.FindComponent(line.substr(0, first));
  if (!component) return;
  component->ApplyValue(rest.substr(0, second), rest.substr(second + 1));
}

}  // namespace mvq
