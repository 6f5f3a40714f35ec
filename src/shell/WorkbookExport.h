#pragma once
// The workbook writer as the export run sees it: opened on a file name, one table at a time,
// saved when closed. The Excel directions and the batch runner's custom-to-workbook run
// create one per run through a WorkbookFactory.
#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "engine/TableOutcome.h"

namespace mvq {

class WorkbookExport {
 public:
  virtual ~WorkbookExport() = default;
  // Writes the table outcome.table of the run's source as one or more sheets and settles
  // its outcome; an error that ends the run rises.
  virtual void ExportTable(TableOutcome& outcome) = 0;
  // Saves the workbook under its file name, replacing the file only with a complete one.
  // Called once, also after a cancel or an error, so the sheets written so far are kept.
  // A save that fails is a result: the message naming the cause and the path, its run-log
  // lines written.
  virtual std::optional<std::string> Close() = 0;
};

using WorkbookFactory = std::function<std::unique_ptr<WorkbookExport>(const std::string& fileName)>;

// Texpexcel on the file; its extension (.xls or .xlsx) chooses the format.
std::unique_ptr<WorkbookExport> OpenWorkbook(const std::string& fileName);

}  // namespace mvq
