#include <gtest/gtest.h>
#include <stdlib.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <stdexcept>
#include <string>
#include <vector>

#include "shell/ShellError.h"
#include "shell/ValidateSettings.h"
#include "support/RecordingUi.h"
#include "support/TempDir.h"

namespace mvq {
namespace {

namespace fs = std::filesystem;

class ValidateSettingsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    // Every field filled, both files absent.
    form.edtDB = "ORCL";
    form.edtuser = "scott";
    form.edtsqlserverdb = "srv";
    form.edtsqlCatalog.text = "sales";
    form.edtfilename = Path("数据.mdb");
    form.edtxlsfilename = Path("out.xls");
  }

  std::string Path(const std::string& name) const { return (dir / name).string(); }
  static void Touch(const std::string& file) { std::ofstream(file) << "x"; }

  // Runs the checks for a direction; a ShellError is recorded like the top-level handler
  // shows it, so the test sees messages and errors in one sequence.
  bool Validate(int32_t direction) {
    bool result = false;
    RunGuarded(ui, [&] {
      result = ValidateSettings(*GetDirection(direction).layout, direction, form, ui, create);
    });
    return result;
  }

  test::TempDir temp;
  const fs::path dir = temp.path();
  FormState form;
  test::RecordingUi ui;
  std::vector<std::string> created;
  CreateMdbFileFn create = [this](const std::string& file) {
    created.push_back(file);
    Touch(file);
  };
};

TEST_F(ValidateSettingsTest, AllFilledPassesAndCreatesAMissingTargetMdbSilently) {
  EXPECT_TRUE(Validate(2));
  EXPECT_TRUE(ui.calls.empty());
  EXPECT_EQ(created, (std::vector<std::string>{Path("数据.mdb")}));
  EXPECT_TRUE(Validate(2));  // now it exists
  EXPECT_EQ(created.size(), 1u);
}

TEST_F(ValidateSettingsTest, EmptyMdbNameIsAMessageBeforeAnyOtherCheck) {
  form.edtfilename.clear();
  form.edtuser.clear();
  EXPECT_FALSE(Validate(3));
  EXPECT_EQ(ui.calls, (std::vector<std::string>{"message: mdb不能为空"}));
  EXPECT_TRUE(created.empty());
}

TEST_F(ValidateSettingsTest, AMissingSourceMdbIsAnnouncedAndNotCreated) {
  for (int32_t direction : {3, 5, 8}) {
    ui.calls.clear();
    fs::remove(form.edtfilename);
    EXPECT_FALSE(Validate(direction));
    EXPECT_EQ(ui.calls,
              (std::vector<std::string>{"message: access文件" + form.edtfilename + ",不存在"}));
    EXPECT_TRUE(created.empty());
    EXPECT_FALSE(fs::exists(form.edtfilename));
  }
}

TEST_F(ValidateSettingsTest, AFailedCreationAbandonsTheStep) {
  create = [](const std::string&) { throw std::runtime_error("没有可以创建Access文件的驱动"); };
  EXPECT_FALSE(Validate(4));
  EXPECT_EQ(ui.calls, (std::vector<std::string>{"error: 没有可以创建Access文件的驱动."}));
}

TEST_F(ValidateSettingsTest, ExcelFileChecks) {
  form.edtxlsfilename.clear();
  form.edtuser.clear();
  EXPECT_FALSE(Validate(6));
  EXPECT_EQ(ui.calls, (std::vector<std::string>{"message: 输出的excel不能为空"}));

  // An existing workbook is refused before the Oracle fields are looked at.
  ui.calls.clear();
  form.edtxlsfilename = Path("out.xls");
  Touch(form.edtxlsfilename);
  EXPECT_FALSE(Validate(6));
  EXPECT_EQ(ui.calls, (std::vector<std::string>{"error: 文件" + form.edtxlsfilename + "已存在."}));
  EXPECT_TRUE(fs::exists(form.edtxlsfilename));

  // With chkexcel it passes and stays, to be replaced only by a saved workbook.
  ui.calls.clear();
  form.edtuser = "scott";
  form.chkexcel = true;
  EXPECT_TRUE(Validate(6));
  EXPECT_TRUE(ui.calls.empty());
  EXPECT_TRUE(fs::exists(form.edtxlsfilename));
}

TEST_F(ValidateSettingsTest, MdbComesBeforeExcel) {
  form.edtfilename.clear();
  form.edtxlsfilename.clear();
  EXPECT_FALSE(Validate(8));
  EXPECT_EQ(ui.Messages(), (std::vector<std::string>{"mdb不能为空"}));
}

TEST_F(ValidateSettingsTest, AFolderIsNotAnExistingWorkbook) {
  fs::create_directory(form.edtxlsfilename);
  EXPECT_TRUE(Validate(7));
  EXPECT_TRUE(fs::is_directory(form.edtxlsfilename));
}

TEST_F(ValidateSettingsTest, OracleFieldsInOrderPasswordOptional) {
  struct Case {
    std::string FormState::*field;
    const char* error;
  };
  const Case cases[] = {{&FormState::edtcomputer, "oracle设置中计算名不能为空"},
                        {&FormState::edtDB, "oracle设置中数据库名不能为空"},
                        {&FormState::edtport, "oracle设置中端口不能为空"},
                        {&FormState::edtuser, "oracle设置中用户名不能为空"}};
  // Emptying the fields from the last to the first, each time the earliest empty one wins.
  for (int i = 3; i >= 0; --i) {
    form.*cases[i].field = "";
    ui.calls.clear();
    EXPECT_FALSE(Validate(1));
    ASSERT_FALSE(ui.calls.empty());
    EXPECT_EQ(ui.calls.front(), std::string("error: ") + cases[i].error + ".");
  }
  form = FormState{};
  form.edtDB = "ORCL";
  form.edtuser = "scott";
  form.edtpassword.clear();
  form.edtfilename = Path("a.mdb");
  ui.calls.clear();
  EXPECT_TRUE(Validate(2));
}

TEST_F(ValidateSettingsTest, SqlServerFieldsInOrderUserCheckedUnderWindowsAuth) {
  form.edtsqlCatalog.text.clear();
  EXPECT_FALSE(Validate(4));
  form.edtsqluser.clear();
  form.sqlAuth = SqlAuth::Windows;
  EXPECT_FALSE(Validate(4));
  form.edtsqlserverdb.clear();
  EXPECT_FALSE(Validate(4));
  EXPECT_EQ(ui.calls, (std::vector<std::string>{"error: SQL Server设置中数据库名不能为空.",
                                                "error: SQL Server设置中用户名不能为空.",
                                                "error: SQL Server设置中数据库服务不能为空."}));
  // The password may be empty.
  form.edtsqlserverdb = "srv";
  form.edtsqluser = "sa";
  form.edtsqlCatalog.text = "sales";
  form.edtsqlpassword.clear();
  EXPECT_TRUE(Validate(4));
}

TEST_F(ValidateSettingsTest, HiddenGroupsAreNotChecked) {
  form.edtDB.clear();
  form.edtsqlserverdb.clear();
  form.edtfilename.clear();
  form.edtxlsfilename = Path("new.xls");
  SettingsLayout excelOnly;
  excelOnly.gbexcel = {Dock::Fill};
  EXPECT_TRUE(ValidateSettings(excelOnly, 6, form, ui, create));
  EXPECT_TRUE(ui.calls.empty());
}

}  // namespace
}  // namespace mvq
