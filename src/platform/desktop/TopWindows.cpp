#include "platform/desktop/TopWindows.h"

#include "platform/text/AsciiCase.h"
#include "platform/text/Gbk.h"
#include "platform/text/Utf8.h"

namespace mvq {

namespace {

WindowRegistry*& Registry() {
  static WindowRegistry* registry = nullptr;
  return registry;
}

// The part of a title a 255-character buffer holds: 254 bytes of GBK, whole characters.
std::string TitleBufferPart(const std::string& title) {
  constexpr size_t kMaxBytes = 254;
  if (title.size() <= kMaxBytes) return title;  // GBK is never longer than UTF-8
  std::string out;
  size_t gbkBytes = 0;
  for (size_t i = 0; i < title.size();) {
    size_t next = i;
    text::NextCodePoint(title, next);
    const size_t len = next - i;
    size_t width = text::Utf8ToGbk(title.substr(i, len)).size();
    if (gbkBytes + width > kMaxBytes) break;
    gbkBytes += width;
    out.append(title, i, len);
    i += len;
  }
  return out;
}

}  // namespace

WindowRegistry* SetWindowRegistry(WindowRegistry* registry) {
  WindowRegistry* previous = Registry();
  Registry() = registry;
  return previous;
}

void CloseWindowsByTitle(const std::string& text) {
  WindowRegistry* registry = Registry();
  if (!registry || text.empty()) return;
  std::string needle = text::AsciiLower(text);
  // A snapshot: closing one window may reorder or remove others.
  for (WindowId window : registry->TopLevelWindows()) {
    std::string title = text::AsciiLower(TitleBufferPart(registry->WindowTitle(window)));
    if (title.find(needle) != std::string::npos) registry->CloseWindow(window);
  }
}

}  // namespace mvq
