#pragma once
// The checks made on the settings page before anything is connected.
#include <cstdint>
#include <functional>
#include <string>

#include "shell/Directions.h"
#include "shell/FormState.h"
#include "shell/UserInterface.h"

namespace mvq {

// Creates an empty Access database under the given name; throws when it cannot.
using CreateMdbFileFn = std::function<void(const std::string& fileName)>;

// Checks the groups the layout shows, in the order Access, Excel, Oracle, SQL Server.
// An empty file name is a message and the answer false; an empty server field, or an
// existing workbook without chkexcel, throws ShellError. A missing Access target is created;
// a missing Access source is a message and the answer false. An existing workbook is left
// for the save to replace. True when everything passed.
bool ValidateSettings(const SettingsLayout& layout, int32_t direction, const FormState& form,
                      UserInterface& ui, const CreateMdbFileFn& createMdbFile);

// A file (not a folder) exists under that name.
bool FileExists(const std::string& fileName);

}  // namespace mvq
