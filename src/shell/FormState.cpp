#include "shell/FormState.h"

#include <utility>

#include "platform/files/DocumentsDir.h"

namespace mvq {

std::string DefaultDocumentPath(const std::string& name) {
  const std::string folder = DocumentsDir();
  if (folder.empty()) return name;
  return folder.back() == '/' ? folder + name : folder + "/" + name;
}

void CatalogBox::SetItems(std::vector<std::string> names) {
  items = std::move(names);
  itemIndex = -1;
  SetItemIndex(0);
}

void CatalogBox::SetItemIndex(int32_t index) {
  if (index < 0 || index >= static_cast<int32_t>(items.size())) {
    itemIndex = -1;
    return;
  }
  itemIndex = index;
  text = items[static_cast<size_t>(index)];
}

}  // namespace mvq
