#include "support/Messages.h"

#include <chrono>
#include <cstdio>

namespace mvq {

namespace {
MessageHandler& Handler() {
  static MessageHandler handler;
  return handler;
}
std::function<uint32_t()>& Ticks() {
  static std::function<uint32_t()> source;
  return source;
}
}  // namespace

void ShowMessage(const std::string& text) {
  if (Handler()) {
    Handler()(text);
  } else {
    std::fprintf(stderr, "%s\n", text.c_str());
  }
}

MessageHandler SetMessageHandler(MessageHandler handler) {
  auto previous = std::move(Handler());
  Handler() = std::move(handler);
  return previous;
}

uint32_t GetTickCount() {
  if (Ticks()) return Ticks()();
  using namespace std::chrono;
  return static_cast<uint32_t>(
      duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count());
}

void SetTickSource(std::function<uint32_t()> source) {
  Ticks() = std::move(source);
}

}  // namespace mvq
