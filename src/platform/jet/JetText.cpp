#include "platform/jet/JetText.h"

namespace mvq::jet {

std::u16string ToUtf16(const std::string& in) {
  std::u16string out;
  out.reserve(in.size());
  for (size_t i = 0; i < in.size();) {
    unsigned char c = static_cast<unsigned char>(in[i]);
    uint32_t cp = 0xFFFD;
    size_t len = c < 0x80 ? 1 : (c >> 5) == 6 ? 2 : (c >> 4) == 14 ? 3 : (c >> 3) == 30 ? 4 : 0;
    if (len == 0 || i + len > in.size()) {
      ++i;
    } else {
      cp = len == 1 ? c : len == 2 ? (c & 0x1f) : len == 3 ? (c & 0x0f) : (c & 0x07);
      bool ok = true;
      for (size_t k = 1; k < len; ++k) {
        unsigned char cc = static_cast<unsigned char>(in[i + k]);
        if ((cc & 0xc0) != 0x80) ok = false;
        cp = (cp << 6) | (cc & 0x3f);
      }
      if (!ok) cp = 0xFFFD;
      i += ok ? len : 1;
    }
    if (cp >= 0x10000) {
      cp -= 0x10000;
      out.push_back(char16_t(0xD800 + (cp >> 10)));
      out.push_back(char16_t(0xDC00 + (cp & 0x3ff)));
    } else {
      out.push_back(char16_t(cp));
    }
  }
  return out;
}

size_t Utf16Length(const std::string& utf8) {
  return ToUtf16(utf8).size();
}

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

std::string FromUtf16(const std::u16string& s) {
  std::string out;
  for (size_t i = 0; i < s.size(); ++i) {
    uint32_t cp = s[i];
    if (cp >= 0xD800 && cp < 0xDC00 && i + 1 < s.size() && s[i + 1] >= 0xDC00 && s[i + 1] < 0xE000)
      cp = 0x10000 + ((cp - 0xD800) << 10) + (s[++i] - 0xDC00);
    if (cp < 0x80) {
      out.push_back(char(cp));
    } else if (cp < 0x800) {
      out.push_back(char(0xc0 | (cp >> 6)));
      out.push_back(char(0x80 | (cp & 0x3f)));
    } else if (cp < 0x10000) {
      out.push_back(char(0xe0 | (cp >> 12)));
      out.push_back(char(0x80 | ((cp >> 6) & 0x3f)));
      out.push_back(char(0x80 | (cp & 0x3f)));
    } else {
      out.push_back(char(0xf0 | (cp >> 18)));
      out.push_back(char(0x80 | ((cp >> 12) & 0x3f)));
      out.push_back(char(0x80 | ((cp >> 6) & 0x3f)));
      out.push_back(char(0x80 | (cp & 0x3f)));
    }
  }
  return out;
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
