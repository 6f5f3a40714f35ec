#include "support/utFzRecords.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <sstream>

#include "platform/text/Gbk.h"

namespace mvq {

namespace {

constexpr int32_t kFontRecordSize = 60;
constexpr size_t kFaceNameBytes = 32;

int HexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  return -1;
}

// The longest prefix of whole GBK characters (one byte, or a lead byte 81-FE and its
// trail) within max bytes.
size_t GbkPrefix(std::string_view gbk, size_t max) {
  size_t i = 0;
  while (i < gbk.size()) {
    unsigned char c = static_cast<unsigned char>(gbk[i]);
    size_t width = c >= 0x81 && c <= 0xFE && i + 1 < gbk.size() ? 2 : 1;
    if (i + width > max) break;
    i += width;
  }
  return i;
}

void PutInt32(std::string& out, int32_t v) {
  auto u = static_cast<uint32_t>(v);
  for (int i = 0; i < 4; ++i) out += static_cast<char>((u >> (8 * i)) & 0xFF);
}

int32_t GetInt32(const char* p) {
  uint32_t u = 0;
  for (int i = 0; i < 4; ++i)
    u |= static_cast<uint32_t>(static_cast<unsigned char>(p[i])) << (8 * i);
  return static_cast<int32_t>(u);
}

std::string Errno(const std::string& what, const std::string& path) {
  return "cannot " + what + " the settings file " + path + ": " + std::strerror(errno);
}

}  // namespace

std::string EncodeText(std::string_view bytes) {
  static const char digits[] = "0123456789ABCDEF";
  std::string hex;
  hex.reserve(bytes.size() * 2);
  for (size_t i = 0; i < bytes.size(); ++i) {
    uint8_t b = static_cast<uint8_t>(bytes[i]) ^ SettingsKey[i % SettingsKey.size()];
    hex += digits[b >> 4];
    hex += digits[b & 0x0F];
  }
  return hex;
}

std::string DecodeText(std::string_view hex) {
  std::string bytes;
  bytes.reserve(hex.size() / 2);
  for (size_t k = 0; k < hex.size() / 2; ++k) {
    int hi = HexValue(hex[2 * k]);
    int lo = HexValue(hex[2 * k + 1]);
    if (hi < 0 || lo < 0) break;
    bytes += static_cast<char>((hi << 4 | lo) ^ SettingsKey[k % SettingsKey.size()]);
  }
  return bytes;
}

TFzWriteStream::TFzWriteStream(std::string path) : path_(std::move(path)) {}

void TFzWriteStream::WriteString(const std::string& text) {
  std::string gbk = text::Utf8ToGbk(text);
  gbk.resize(GbkPrefix(gbk, kMaxStringBytes));
  std::string hex = EncodeText(gbk);
  bytes_ += static_cast<char>(hex.size() & 0xFF);
  bytes_ += static_cast<char>(hex.size() >> 8);
  bytes_ += hex;
}

void TFzWriteStream::WriteFont(const std::optional<FontRecord>& font) {
  if (!font) {
    PutInt32(bytes_, 0);
    return;
  }
  const LogFont& lf = font->logFont;
  PutInt32(bytes_, kFontRecordSize);
  PutInt32(bytes_, font->color);
  for (int32_t v : {lf.height, lf.width, lf.escapement, lf.orientation, lf.weight})
    PutInt32(bytes_, v);
  for (uint8_t v : {lf.italic, lf.underline, lf.strikeOut, lf.charSet, lf.outPrecision,
                    lf.clipPrecision, lf.quality, lf.pitchAndFamily})
    bytes_ += static_cast<char>(v);
  std::string face = text::Utf8ToGbk(lf.faceName);
  face.resize(GbkPrefix(face, kFaceNameBytes - 1));  // room for the terminator
  face.resize(kFaceNameBytes, '\0');
  bytes_ += face;
}

void TFzWriteStream::Close() {
  if (path_.empty()) return;
  // Written beside the old file and renamed over it, so a failed save keeps the old one
  // and a read-only old file is replaced all the same.
  size_t slash = path_.rfind('/');
  std::string dir = slash == std::string::npos ? "" : path_.substr(0, slash + 1);
  std::string tmp = dir + ".mvq-settings.XXXXXX";
  int fd = ::mkostemp(tmp.data(), O_CLOEXEC);  // mode 0600
  if (fd < 0) throw SettingsError(Errno("create", path_));
  const char* p = bytes_.data();
  size_t left = bytes_.size();
  while (left > 0) {
    ssize_t n = ::write(fd, p, left);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) {
      std::string message = Errno("write", path_);
      ::close(fd);
      ::unlink(tmp.c_str());
      throw SettingsError(message);
    }
    p += n;
    left -= static_cast<size_t>(n);
  }
  if (::fchmod(fd, 0600) != 0 || ::close(fd) != 0 || ::rename(tmp.c_str(), path_.c_str()) != 0) {
    std::string message = Errno("write", path_);
    ::unlink(tmp.c_str());
    throw SettingsError(message);
  }
}

TFzReadStream::TFzReadStream(std::unique_ptr<std::istream> in, std::string origin)
    : in_(std::move(in)), origin_(std::move(origin)) {}

void TFzReadStream::Take(char* dst, size_t n, const char* what, uint64_t start) {
  in_->read(dst, static_cast<std::streamsize>(n));
  if (static_cast<size_t>(in_->gcount()) != n) {
    throw SettingsError("settings file " + origin_ + ": " + what + " at offset " +
                        std::to_string(start) + " runs past the end of the file");
  }
  offset_ += n;
}

std::string TFzReadStream::ReadString() {
  uint64_t start = offset_;
  char len[2];
  Take(len, 2, "string record", start);
  size_t n = static_cast<unsigned char>(len[0]) | static_cast<unsigned char>(len[1]) << 8;
  std::string hex(n, '\0');
  Take(hex.data(), n, "string record", start);
  return text::GbkToUtf8(DecodeText(hex));
}

bool TFzReadStream::ReadFont(FontRecord& font) {
  uint64_t start = offset_;
  char size[4];
  Take(size, 4, "font record", start);
  if (GetInt32(size) != kFontRecordSize) return false;
  char rec[4 + kFontRecordSize];
  Take(rec, sizeof rec, "font record", start);
  FontRecord f;
  f.color = GetInt32(rec);
  int32_t* ints[] = {&f.logFont.height, &f.logFont.width, &f.logFont.escapement,
                     &f.logFont.orientation, &f.logFont.weight};
  for (int i = 0; i < 5; ++i) *ints[i] = GetInt32(rec + 4 + 4 * i);
  uint8_t* bytes[] = {&f.logFont.italic,  &f.logFont.underline,     &f.logFont.strikeOut,
                      &f.logFont.charSet, &f.logFont.outPrecision,  &f.logFont.clipPrecision,
                      &f.logFont.quality, &f.logFont.pitchAndFamily};
  for (int i = 0; i < 8; ++i) *bytes[i] = static_cast<uint8_t>(rec[24 + i]);
  std::string_view face(rec + 32, kFaceNameBytes);
  f.logFont.faceName = text::GbkToUtf8(face.substr(0, face.find('\0')));
  font = std::move(f);
  return true;
}

std::unique_ptr<std::istream> OpenSettingsInput(const std::string& path) {
  struct stat st {};
  if (::stat(path.c_str(), &st) != 0) throw SettingsError(Errno("open", path));
  if (S_ISDIR(st.st_mode)) {
    errno = EISDIR;
    throw SettingsError(Errno("open", path));
  }
  auto in = std::make_unique<std::ifstream>(path, std::ios::binary);
  if (!*in) throw SettingsError(Errno("open", path));
  return in;
}

std::unique_ptr<std::istream> MemoryInput(std::string bytes) {
  return std::make_unique<std::istringstream>(std::move(bytes), std::ios::binary);
}

}  // namespace mvq
