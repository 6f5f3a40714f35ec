#include "platform/text/Gbk.h"

#include <iconv.h>

#include <cerrno>
#include <stdexcept>

#include "platform/text/Utf8.h"

namespace mvq::text {

namespace {

// One conversion with a substitute for what the target cannot hold or the source
// does not encode.
std::string Convert(const char* to, const char* from, std::string_view in, std::string_view bad,
                    size_t badWidth) {
  iconv_t cd = iconv_open(to, from);
  if (cd == reinterpret_cast<iconv_t>(-1)) throw std::runtime_error("iconv cannot convert to GBK");
  std::string out;
  out.reserve(in.size() * 3 / 2 + 8);
  char* src = const_cast<char*>(in.data());
  size_t srcLeft = in.size();
  char buf[4096];
  while (srcLeft > 0) {
    char* dst = buf;
    size_t dstLeft = sizeof buf;
    size_t r = iconv(cd, &src, &srcLeft, &dst, &dstLeft);
    out.append(buf, dst - buf);
    if (r == static_cast<size_t>(-1)) {
      if (errno == E2BIG) continue;
      // EILSEQ or EINVAL: substitute and skip the offending input.
      out += bad;
      size_t skip = badWidth;
      if (badWidth == 0) {  // UTF-8 input: skip one character, or one broken part of one
        skip = 0;
        NextCodePoint(std::string_view(src, srcLeft), skip);
      }
      if (skip > srcLeft) skip = srcLeft;
      src += skip;
      srcLeft -= skip;
    }
  }
  iconv_close(cd);
  return out;
}

}  // namespace

std::string Utf8ToGbk(std::string_view utf8) {
  return Convert("GBK", "UTF-8", utf8, "?", 0);
}

std::string GbkToUtf8(std::string_view gbk) {
  return Convert("UTF-8", "GBK", gbk, "\xEF\xBF\xBD", 1);
}

}  // namespace mvq::text
