#pragma once
// The form-state settings file: at close every named window's input controls are saved,
// one property per component chosen by its kind; at start-up the lines are applied back
// by component and property name.
#include <istream>
#include <memory>
#include <string>

#include "support/NamedComponent.h"
#include "support/utFzRecords.h"

namespace mvq {

inline constexpr const char* kWindowMark = "****************************";  // 28
inline constexpr const char* kSectionEnd = "------------------";            // 18
inline constexpr const char* kFileEnd = "|||||||||||||||||||||";            // 21
inline constexpr int kFontButtonTag = 89;  // bitmap buttons whose font is saved

class TFzSaveSet : public TFzWriteStream {
 public:
  using TFzWriteStream::TFzWriteStream;

  // The window's property lines, then its font section.
  void SaveControl(const NamedComponent& window);
  // Chooses the property by the component's kind and saves it; most kinds save nothing.
  void SaveComponent(const NamedComponent& component);
  // One line "name,property,value".
  void SaveProperty(const NamedComponent& component, const std::string& property);
  // The font section: each owned bitmap button tagged 89, its name and font record.
  void SaveFonts(const NamedComponent& window);
};

class TFzGetSet : public TFzReadStream {
 public:
  using TFzReadStream::TFzReadStream;

  // Applies the window's property lines, then reads its font section.
  void LoadControl(NamedComponent& window);
  // Applies "name,property,value" to the window being restored. Lines without two commas,
  // unknown components and properties the component does not publish are skipped; a value
  // that does not convert throws SettingsError.
  void ApplyProperty(const std::string& line);
  void LoadFonts(NamedComponent& window);

 protected:
  NamedComponent* window_ = nullptr;
};

// Writes the whole file for the application's named windows.
class TFzAppSaveSet : public TFzSaveSet {
 public:
  TFzAppSaveSet(const NamedComponent& application, const std::string& path);
  // Into memory only (Bytes()).
  explicit TFzAppSaveSet(const NamedComponent& application);

 private:
  void SaveAll(const NamedComponent& application);
};

// Reads the whole file back into the application's windows. It stops at a window name the
// application does not have; a read or conversion error throws SettingsError after the
// values before it have been applied.
class TFzAppGetSet : public TFzGetSet {
 public:
  // Nothing happens when the file does not exist.
  TFzAppGetSet(NamedComponent& application, const std::string& path);
  TFzAppGetSet(NamedComponent& application, std::unique_ptr<std::istream> in, std::string origin);

 private:
  void LoadAll(NamedComponent& application);
};

void SaveAppSettings(const NamedComponent& application, const std::string& path);
void LoadAppSettings(NamedComponent& application, const std::string& path);

}  // namespace mvq
