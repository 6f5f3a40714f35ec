// libFuzzer target for the settings-file reader. Any input must end in a restore or a
// SettingsError; and whatever a restore leaves behind must save and restore to the same file.
#include <cstdint>
#include <cstdlib>
#include <string>

#include "support/MemoryComponent.h"
#include "support/utFzStream.h"

namespace {

using namespace mvq;

struct Tree {
  MemoryApplication app;
  Tree() {
    auto& form = app.AddWindow(MakeWindow("Frmoracletoaccess"));
    auto& page = form.Add(MakePanel("tscover"));
    page.Add(MakeRadioGroup("RGmy", {"a", "b", "c"}, 0));
    page.Add(MakeEdit("edtuser"));
    page.Add(MakeComboBox("edtsqlCatalog", {"master"}, 0));
    page.Add(MakeCheckBox("RBConnS"));
    page.Add(MakeListBox("lbnew"));
    page.Add(MakeSpinEdit("seRows"));
    form.Add(MakeBitBtn("bbOk", 89, FontRecord{}));
    form.Add(MakeBitBtn("bbNo", 89, std::nullopt));
    auto& other = app.AddWindow(MakeWindow("W2"));
    other.Add(MakeEdit("e"));
    other.Add(MakeListBox("l"));
  }
};

void Load(Tree& tree, const std::string& bytes) {
  try {
    TFzAppGetSet(tree.app, MemoryInput(bytes), "fuzz");
  } catch (const SettingsError&) {
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  Tree first;
  Load(first, std::string(reinterpret_cast<const char*>(data), size));
  std::string saved = TFzAppSaveSet(first.app).Bytes();

  Tree second;
  try {
    TFzAppGetSet(second.app, MemoryInput(saved), "saved");
  } catch (const SettingsError&) {
    std::abort();  // what we wrote must read back
  }
  if (TFzAppSaveSet(second.app).Bytes() != saved) std::abort();
  return 0;
}
