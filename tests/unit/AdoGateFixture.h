#pragma once
// Shared frame of the ADO gate tests: the scripted world installed, the run log written to a
// temporary folder under a fixed clock, and user messages recorded instead of shown.
#include <gtest/gtest.h>
#include <stdlib.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

#include "platform/text/Gbk.h"
#include "support/Messages.h"
#include "support/ScriptedConnection.h"
#include "support/utLog.h"

namespace mvq::test {

class AdoGateTest : public ::testing::Test {
 protected:
  static constexpr const char* kStamp = "2024.03.07 09:05:01 ";

  void SetUp() override {
    world = ScriptedWorld::Install();
    char pattern[] = "/tmp/mvq-ado-XXXXXX";
    ASSERT_NE(mkdtemp(pattern), nullptr);
    dir_ = pattern;
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
    SetLogFileForDay(dir_ + "/");
    savedHandler_ = SetMessageHandler([this](const std::string& m) { messages.push_back(m); });
  }

  void TearDown() override {
    SetMessageHandler(std::move(savedHandler_));
    SetLogClock({});
    LogFileName = savedLogName_;
    std::filesystem::remove_all(dir_);
  }

  // The run log's lines without their time stamp (every line must carry it).
  std::vector<std::string> LogLines() {
    std::ifstream in(LogFileName, std::ios::binary);
    std::string text = mvq::text::GbkToUtf8(
        std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()));
    std::vector<std::string> lines;
    size_t at = 0;
    while (at < text.size()) {
      size_t end = text.find("\r\n", at);
      EXPECT_NE(end, std::string::npos) << "a log line without CR LF";
      if (end == std::string::npos) end = text.size();
      std::string line = text.substr(at, end - at);
      EXPECT_EQ(line.rfind(kStamp, 0), 0u) << line;
      lines.push_back(line.substr(std::string(kStamp).size()));
      at = end + 2;
    }
    return lines;
  }

  std::shared_ptr<ScriptedWorld> world;
  std::vector<std::string> messages;

 private:
  std::string dir_;
  std::string savedLogName_;
  MessageHandler savedHandler_;
};

// Rows 1..n of one integer column, for page-sized results.
inline std::vector<std::vector<db::Variant>> NumberedRows(int64_t from, int64_t count) {
  std::vector<std::vector<db::Variant>> rows;
  rows.reserve(static_cast<size_t>(count));
  for (int64_t i = 0; i < count; ++i) rows.push_back({db::Variant(from + i)});
  return rows;
}

}  // namespace mvq::test
