#pragma once
// printf-style formatting into a std::string for the fixed report patterns ("表%s", "%d条").
#include <cstdarg>
#include <cstdio>
#include <string>

namespace mvq {

// Only for patterns written in this program: never pass user text as the pattern.
[[gnu::format(printf, 1, 2)]] inline std::string StrFormat(const char* pattern, ...) {
  va_list ap;
  va_start(ap, pattern);
  va_list copy;
  va_copy(copy, ap);
  int n = std::vsnprintf(nullptr, 0, pattern, copy);
  va_end(copy);
  std::string out(n > 0 ? static_cast<size_t>(n) : 0, '\0');
  if (n > 0) std::vsnprintf(out.data(), out.size() + 1, pattern, ap);
  va_end(ap);
  return out;
}

}  // namespace mvq
