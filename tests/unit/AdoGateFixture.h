#pragma once
// Frame of the ADO gate unit tests: the scripted world installed, the run log and the user
// messages captured.
#include <memory>
#include <string>
#include <vector>

#include "support/RunLogCapture.h"
#include "support/ScriptedConnection.h"

namespace mvq::test {

class AdoGateTest : public RunLogCapture {
 protected:
  void SetUp() override {
    world = ScriptedWorld::Install();
    RunLogCapture::SetUp();
  }
  // Outlives the gates that derived fixtures hold, which talk to it while closing.
  std::shared_ptr<ScriptedWorld> world;
};

// Rows from..from+count-1 of one integer column, for page-sized results.
inline std::vector<std::vector<db::Variant>> NumberedRows(int64_t from, int64_t count) {
  std::vector<std::vector<db::Variant>> rows;
  rows.reserve(static_cast<size_t>(count));
  for (int64_t i = 0; i < count; ++i) rows.push_back({db::Variant(from + i)});
  return rows;
}

}  // namespace mvq::test
