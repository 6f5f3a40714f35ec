#pragma once
// A font as the settings file stores it: a colour and a logical-font description.
#include <cstdint>
#include <string>

namespace mvq {

struct LogFont {
  int32_t height = 0;
  int32_t width = 0;
  int32_t escapement = 0;
  int32_t orientation = 0;
  int32_t weight = 0;
  uint8_t italic = 0;
  uint8_t underline = 0;
  uint8_t strikeOut = 0;
  uint8_t charSet = 0;
  uint8_t outPrecision = 0;
  uint8_t clipPrecision = 0;
  uint8_t quality = 0;
  uint8_t pitchAndFamily = 0;
  std::string faceName;  // UTF-8; the file keeps at most 31 GBK bytes of it
  bool operator==(const LogFont&) const = default;
};

struct FontRecord {
  int32_t color = 0;
  LogFont logFont;
  bool operator==(const FontRecord&) const = default;
};

}  // namespace mvq
