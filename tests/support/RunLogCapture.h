#pragma once
// A test frame that sends the run log to a temporary folder under a fixed clock and records
// user messages instead of showing them; LogLines() reads the log back without time stamps.
#include <gtest/gtest.h>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>
#include <string>
#include <vector>

#include "platform/text/Gbk.h"
#include "support/Messages.h"
#include "support/TempDir.h"
#include "support/utLog.h"

namespace mvq::test {

// The entries of the run log in file, each stamped with stamp, without it; an entry whose
// text held line breaks comes back whole, joined with CR LF.
inline std::vector<std::string> ReadRunLog(const std::string& file, const std::string& stamp) {
  std::ifstream in(file, std::ios::binary);
  std::string text = mvq::text::GbkToUtf8(
      std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()));
  std::vector<std::string> lines;
  size_t at = 0;
  while (at < text.size()) {
    size_t end = text.find("\r\n", at);
    EXPECT_NE(end, std::string::npos) << "a log line without CR LF";
    if (end == std::string::npos) end = text.size();
    std::string line = text.substr(at, end - at);
    if (line.rfind(stamp, 0) == 0) {
      lines.push_back(line.substr(stamp.size()));
    } else {
      // A text holding line breaks continues on the next physical lines unstamped.
      EXPECT_FALSE(lines.empty()) << "the log does not start with a time stamp: " << line;
      if (!lines.empty()) lines.back() += "\r\n" + line;
    }
    at = end + 2;
  }
  return lines;
}

class RunLogCapture : public ::testing::Test {
 protected:
  static constexpr const char* kStamp = "2024.03.07 09:05:01 ";

  void SetUp() override {
    // A fixture set up again within one test gets a folder of its own.
    temp_.emplace();
    dir = temp_->path().string();
    SetLogClock([] {
      std::tm t{};
      t.tm_year = 124;
      t.tm_mon = 2;
      t.tm_mday = 7;
      t.tm_hour = 9;
      t.tm_min = 5;
      t.tm_sec = 1;
      return t;
    });
    savedLogName_ = LogFileName;
    SetLogFileForDay(dir + "/");
    savedHandler_ = SetMessageHandler([this](const std::string& m) { messages.push_back(m); });
  }

  void TearDown() override {
    SetMessageHandler(std::move(savedHandler_));
    SetLogClock({});
    LogFileName = savedLogName_;
    temp_.reset();
  }

  std::vector<std::string> LogLines() { return ReadRunLog(LogFileName, kStamp); }

  std::string dir;  // a fresh folder, removed after the test
  std::vector<std::string> messages;

 private:
  std::optional<TempDir> temp_;
  std::string savedLogName_;
  MessageHandler savedHandler_;
};

}  // namespace mvq::test
