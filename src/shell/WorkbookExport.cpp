#include "shell/WorkbookExport.h"

#include "shell/ShellError.h"

namespace mvq {

std::unique_ptr<WorkbookExport> OpenWorkbook(const std::string& fileName) {
  throw ShellError("此版本不能写Excel文件:" + fileName);
}

}  // namespace mvq
