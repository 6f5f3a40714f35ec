#include "platform/jet/JetText.h"

namespace mvq::jet {

Bytes Utf16Le(const std::u16string& s) {
  Bytes b;
  b.reserve(s.size() * 2);
  for (char16_t c : s) {
    b.push_back(uint8_t(c));
    b.push_back(uint8_t(c >> 8));
  }
  return b;
}

Bytes CompressedText(const std::u16string& s) {
  bool narrow = !s.empty();
  for (char16_t c : s)
    if (c == 0 || c > 0xff) narrow = false;
  if (!narrow || s.size() + 2 >= s.size() * 2) return Utf16Le(s);
  Bytes b{0xff, 0xfe};
  for (char16_t c : s) b.push_back(uint8_t(c));
  return b;
}

std::u16string StoredText(const Bytes& b) {
  std::u16string s;
  if (b.size() >= 2 && b[0] == 0xff && b[1] == 0xfe) {
    // Compressed: a zero byte switches between one byte and two bytes a character.
    bool narrow = true;
    for (size_t i = 2; i < b.size();) {
      if (b[i] == 0) {
        narrow = !narrow;
        ++i;
      } else if (narrow) {
        s.push_back(char16_t(b[i++]));
      } else if (i + 1 < b.size()) {
        s.push_back(char16_t(b[i] | (b[i + 1] << 8)));
        i += 2;
      } else {
        break;
      }
    }
  } else {
    for (size_t i = 0; i + 1 < b.size(); i += 2) s.push_back(char16_t(b[i] | (b[i + 1] << 8)));
  }
  return s;
}

}  // namespace mvq::jet
