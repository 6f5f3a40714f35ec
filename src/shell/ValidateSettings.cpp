#include "shell/ValidateSettings.h"

#include <filesystem>
#include <system_error>

#include "engine/DirectionTable.h"
#include "shell/ShellError.h"

namespace mvq {
namespace {

namespace fs = std::filesystem;

void RequireField(const std::string& field, const char* error) {
  if (field.empty()) throw ShellError(error);
}

}  // namespace

bool FileExists(const std::string& fileName) {
  std::error_code ec;
  const fs::file_status status = fs::status(fs::path(fileName), ec);
  return !ec && fs::exists(status) && !fs::is_directory(status);
}

bool ValidateSettings(const SettingsLayout& layout, int32_t direction, const FormState& form,
                      UserInterface& ui, const CreateMdbFileFn& createMdbFile) {
  if (layout.gbmdb.Visible()) {
    const std::string& file = form.edtfilename;
    if (file.empty()) {
      ui.Message("mdb不能为空");
      return false;
    }
    if (!FileExists(file)) {
      // Reading a file that is not there would only create an empty one.
      if (AccessIsSource(direction)) {
        ui.Message("access文件" + file + ",不存在");
        return false;
      }
      createMdbFile(file);
    }
  }

  if (layout.gbexcel.Visible()) {
    const std::string& file = form.edtxlsfilename;
    if (file.empty()) {
      ui.Message("输出的excel不能为空");
      return false;
    }
    // With chkexcel the old workbook stays until the new one is saved complete over it, so
    // a run that fails or is cancelled leaves it as it was.
    if (FileExists(file) && !form.chkexcel) throw ShellError("文件" + file + "已存在");
  }

  if (layout.gboracle.Visible()) {
    RequireField(form.edtcomputer, "oracle设置中计算名不能为空");
    RequireField(form.edtDB, "oracle设置中数据库名不能为空");
    RequireField(form.edtport, "oracle设置中端口不能为空");
    RequireField(form.edtuser, "oracle设置中用户名不能为空");
  }

  if (layout.GBsql.Visible()) {
    RequireField(form.edtsqlserverdb, "SQL Server设置中数据库服务不能为空");
    // Checked under Windows authentication too: the field keeps its text while disabled.
    RequireField(form.edtsqluser, "SQL Server设置中用户名不能为空");
    RequireField(form.edtsqlCatalog.text, "SQL Server设置中数据库名不能为空");
  }
  return true;
}

}  // namespace mvq
