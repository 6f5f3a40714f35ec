// The connection string editor of the custom page: the drivers it offers, its fields, the
// connection test, and cancel giving back the string it began with.
#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QTableWidget>
#include <QTimer>
#include <algorithm>
#include <memory>
#include <string>
#include <vector>

#include "gui/ConnectionDialog.h"
#include "platform/odbc/Drivers.h"
#include "support/ScriptedConnection.h"

namespace mvq {
namespace {

using Strings = std::vector<std::string>;

Strings Rows(const QTableWidget* table) {
  Strings rows;
  for (int r = 0; r < table->rowCount(); ++r) {
    rows.push_back(table->item(r, 0)->text().toStdString() + "=" +
                   table->item(r, 1)->text().toStdString());
  }
  return rows;
}

TEST(ConnectionDialog, OffersTheInstalledOdbcDrivers) {
  const Strings drivers = db::InstalledOdbcDrivers();
  // scripts/setup installs the SQLite driver; the list comes from odbcinst.ini.
  EXPECT_NE(std::find(drivers.begin(), drivers.end(), "SQLite3"), drivers.end());
  ConnectionDialog dialog("", drivers);
  auto* box = dialog.findChild<QComboBox*>("cbDriver");
  ASSERT_NE(box, nullptr);
  EXPECT_EQ(box->count(), static_cast<int>(drivers.size()) + 1);
  EXPECT_GE(box->findText("SQLite3"), 1);
}

TEST(ConnectionDialog, ShowsTheStringsFieldsAndRebuildsItFromThem) {
  ConnectionDialog dialog("DRIVER=SQLite3;Database=/tmp/a.db", {"SQLite3", "PostgreSQL Unicode"});
  auto* table = dialog.findChild<QTableWidget*>("tblFields");
  auto* box = dialog.findChild<QComboBox*>("cbDriver");
  auto* text = dialog.findChild<QLineEdit*>("edtConnection");
  ASSERT_TRUE(table && box && text);
  EXPECT_EQ(Rows(table), (Strings{"DRIVER=SQLite3", "Database=/tmp/a.db"}));
  EXPECT_EQ(box->currentText(), "SQLite3");

  table->item(1, 1)->setText("/data/b;c.db");
  EXPECT_EQ(dialog.ConnectionString(), "DRIVER=SQLite3;Database={/data/b;c.db}");
  EXPECT_EQ(text->text().toStdString(), dialog.ConnectionString());

  box->setCurrentIndex(box->findText("PostgreSQL Unicode"));
  emit box->activated(box->currentIndex());
  EXPECT_EQ(dialog.ConnectionString(), "DRIVER={PostgreSQL Unicode};Database={/data/b;c.db}");
  box->setCurrentIndex(0);
  emit box->activated(0);
  EXPECT_EQ(dialog.ConnectionString(), "Database={/data/b;c.db}");
  emit box->activated(box->findText("SQLite3"));
  EXPECT_EQ(dialog.ConnectionString(), "DRIVER=SQLite3;Database={/data/b;c.db}");

  dialog.SetConnectionString("DSN=sales;UID=sa;PWD={a;b}");
  EXPECT_EQ(Rows(table), (Strings{"DSN=sales", "UID=sa", "PWD={a;b}"}));
  EXPECT_EQ(box->currentIndex(), 0);
}

TEST(ConnectionDialog, TheTestConnectsOnceAndReportsWhatTheDriverSaid) {
  auto world = test::ScriptedWorld::Install();
  world->ScriptFor("DRIVER=SQLite3;Database=/tmp/a.db");
  test::Script& bad = world->ScriptFor("DSN=missing");
  bad.openError = db::DbError("Data source name not found", "IM002");

  Strings reports;
  ConnectionDialog dialog("DRIVER=SQLite3;Database=/tmp/a.db", {});
  dialog.SetReporter([&](const std::string& text) { reports.push_back(text); });
  EXPECT_EQ(dialog.TestConnection(), "测试连接成功");
  EXPECT_EQ(world->ScriptFor("DRIVER=SQLite3;Database=/tmp/a.db").calls,
            (Strings{"open", "close"}));
  dialog.SetConnectionString("DSN=missing");
  EXPECT_EQ(dialog.TestConnection(), "测试连接失败:Data source name not found");
  EXPECT_EQ(reports, (Strings{"测试连接成功", "测试连接失败:Data source name not found"}));
}

TEST(ConnectionDialog, AsksToKeepThePasswordOnlyWhenOneWouldBeLeftOut) {
  Strings reports;
  auto open = [&](const std::string& initial) {
    auto dialog = std::make_unique<ConnectionDialog>(initial, Strings{});
    dialog->SetReporter([&](const std::string& text) { reports.push_back(text); });
    return dialog;
  };
  auto keep = [](ConnectionDialog& dialog) {
    return dialog.findChild<QCheckBox*>("chkSavePassword");
  };

  // No password: no question, and nothing to leave out.
  auto plain = open("DSN=a;UID=u");
  ASSERT_NE(keep(*plain), nullptr);
  EXPECT_EQ(keep(*plain)->text(), "允许保存密码");
  EXPECT_FALSE(keep(*plain)->isChecked());
  plain->Confirm();
  EXPECT_EQ(plain->result(), QDialog::Accepted);
  EXPECT_TRUE(reports.empty());

  // A password typed in with the option off: asked once, then left out if OK is pressed again.
  auto typed = open("DSN=a;UID=u");
  typed->SetConnectionString("DSN=a;UID=u;PWD=s");
  EXPECT_TRUE(typed->PasswordDropped());
  typed->Confirm();
  EXPECT_EQ(reports, Strings{"请将\"允许保存密码\"设置为选中"});
  EXPECT_NE(typed->result(), QDialog::Accepted);
  typed->Confirm();
  EXPECT_EQ(typed->result(), QDialog::Accepted);
  EXPECT_EQ(typed->ConnectionString(), "DSN=a;UID=u");
  EXPECT_EQ(reports.size(), 1u);

  // Ticked, the password stays; a string that came with one starts ticked.
  auto ticked = open("DSN=a;UID=u");
  ticked->SetConnectionString("Provider=SQLOLEDB.1;Password=s;User ID=sa");
  keep(*ticked)->setChecked(true);
  ticked->Confirm();
  EXPECT_EQ(ticked->ConnectionString(), "Provider=SQLOLEDB.1;Password=s;User ID=sa");
  auto saved = open("DSN=a;pwd=s");
  EXPECT_TRUE(keep(*saved)->isChecked());
  saved->Confirm();
  EXPECT_EQ(saved->ConnectionString(), "DSN=a;pwd=s");
  EXPECT_EQ(reports.size(), 1u);
}

// Closes the editor once it is up, keeping or dropping a change made to it.
void AnswerEditor(bool accept) {
  QTimer::singleShot(0, [accept] {
    auto* dialog = qobject_cast<ConnectionDialog*>(QApplication::activeModalWidget());
    ASSERT_NE(dialog, nullptr);
    dialog->SetConnectionString("DSN=other");
    if (accept) {
      dialog->accept();
    } else {
      dialog->reject();
    }
  });
}

TEST(ConnectionDialog, CancelGivesBackTheInitialStringAndOkTheEditedOne) {
  AnswerEditor(false);
  EXPECT_EQ(EditConnectionString(nullptr, "DSN=first"), "DSN=first");
  AnswerEditor(true);
  EXPECT_EQ(EditConnectionString(nullptr, "DSN=first"), "DSN=other");
}

}  // namespace
}  // namespace mvq
