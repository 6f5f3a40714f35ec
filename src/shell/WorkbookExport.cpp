#include "shell/WorkbookExport.h"

#include "excel/utexpexcel.h"

namespace mvq {
namespace {

class TexpexcelExport : public WorkbookExport {
 public:
  explicit TexpexcelExport(const std::string& fileName) : book_(fileName) {}
  void ExportTable(TableOutcome& outcome) override { book_.ExportTable(outcome); }
  std::optional<std::string> Close() override {
    try {
      book_.Close();
    } catch (...) {
      if (book_.SaveError().empty()) throw;
      return book_.SaveError();
    }
    return std::nullopt;
  }

 private:
  Texpexcel book_;
};

}  // namespace

std::unique_ptr<WorkbookExport> OpenWorkbook(const std::string& fileName) {
  return std::make_unique<TexpexcelExport>(fileName);
}

}  // namespace mvq
