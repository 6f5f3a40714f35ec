#pragma once
// The settings file's records: strings scrambled with a fixed key and written as
// hexadecimal text behind a 16-bit length, and font records. Text is UTF-8 in memory and
// GBK bytes in the file.
#include <array>
#include <cstdint>
#include <istream>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>

#include "support/FontRecord.h"

namespace mvq {

inline constexpr std::array<uint8_t, 8> SettingsKey = {0x3C, 0x91, 0x5A, 0xE2,
                                                       0x07, 0xD4, 0x68, 0xBB};

// The most GBK bytes one string record carries: its length field counts at most 65535
// hexadecimal digits.
inline constexpr size_t kMaxStringBytes = 65535 / 2;

// Byte i becomes two upper-case hex digits of bytes[i] XOR SettingsKey[i mod 8].
std::string EncodeText(std::string_view bytes);
// The reverse; stops at the first pair that is not two hex digits (either case) and
// ignores an odd last character.
std::string DecodeText(std::string_view hex);

// A settings file that cannot be read, written or applied; the message names the file.
class SettingsError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

class TFzWriteStream {
 public:
  TFzWriteStream() = default;  // keeps the bytes in memory only
  explicit TFzWriteStream(std::string path);
  virtual ~TFzWriteStream() = default;
  TFzWriteStream(const TFzWriteStream&) = delete;
  TFzWriteStream& operator=(const TFzWriteStream&) = delete;

  // One string record. The record holds at most 65535 characters, so a text is cut to the
  // whole GBK characters that fit in 32767 bytes.
  void WriteString(const std::string& text);
  // 60, colour, 60-byte record; or 0 alone when there is no font description.
  void WriteFont(const std::optional<FontRecord>& font);
  // Replaces the file by what was written, mode 0600 (it holds passwords). Throws
  // SettingsError naming the path. Nothing is written for a memory stream.
  void Close();

  const std::string& Bytes() const { return bytes_; }
  const std::string& Path() const { return path_; }

 private:
  std::string path_;
  std::string bytes_;
};

class TFzReadStream {
 public:
  // origin names the input in error messages (the file's path).
  TFzReadStream(std::unique_ptr<std::istream> in, std::string origin);
  virtual ~TFzReadStream() = default;
  TFzReadStream(const TFzReadStream&) = delete;
  TFzReadStream& operator=(const TFzReadStream&) = delete;

  // One string record; a record running past the end throws SettingsError.
  std::string ReadString();
  // Reads a font record's size; when it is 60, the rest replaces font and true is
  // returned. Any other size leaves font unchanged.
  bool ReadFont(FontRecord& font);

  // True when no byte is left.
  bool AtEnd() { return in_->peek() == std::char_traits<char>::eof(); }
  const std::string& Origin() const { return origin_; }

 private:
  void Take(char* dst, size_t n, const char* what, uint64_t start);

  std::unique_ptr<std::istream> in_;
  std::string origin_;
  uint64_t offset_ = 0;
};

// Input helpers: a file opened for reading (throws SettingsError when it cannot be), and
// bytes in memory.
std::unique_ptr<std::istream> OpenSettingsInput(const std::string& path);
std::unique_ptr<std::istream> MemoryInput(std::string bytes);

}  // namespace mvq
