#pragma once
// Edits a connection string for the custom direction: the installed ODBC drivers to pick
// from, the string's attributes as a table, the whole string as text, and a test of the
// connection, and whether the password is kept. Cancel gives back the string it started with.
#include <QDialog>
#include <functional>
#include <string>
#include <vector>

#include "shell/ConnectionStrings.h"

class QCheckBox;
class QComboBox;
class QLineEdit;
class QPushButton;
class QTableWidget;

namespace mvq {

class ConnectionDialog : public QDialog {
  Q_OBJECT
 public:
  // drivers fills the driver list; the test connects through db::NewConnection().
  ConnectionDialog(const std::string& initial, const std::vector<std::string>& drivers,
                   QWidget* parent = nullptr);

  // The string the dialog hands back: without its password unless "允许保存密码" is ticked.
  std::string ConnectionString() const;
  // Whether a password was entered that the string handed back would leave out.
  bool PasswordDropped() const;
  // OK: when a password would be dropped, the first press asks for the option to be
  // ticked and leaves the dialog open; otherwise (or pressed again) the dialog closes.
  void Confirm();
  // Replaces the string being edited; the table and the driver follow.
  void SetConnectionString(const std::string& text);

  // Opens a connection with the string and closes it again; the answer is shown in a box
  // and returned: "测试连接成功" or "测试连接失败:" + the driver's message.
  std::string TestConnection();

  // Where the answer of the test and the password hint go; a message box by default.
  void SetReporter(std::function<void(const std::string&)> report) { report_ = std::move(report); }

 private:
  // The string as edited, password and all.
  std::string EditedString() const;
  void Report(const std::string& text);
  void ShowAttributes();
  void TableEdited();
  void DriverChosen(int index);

  std::vector<ConnectionAttribute> attributes_;
  QComboBox* cbDriver_ = nullptr;
  QTableWidget* tblFields_ = nullptr;
  QLineEdit* edtConnection_ = nullptr;
  QCheckBox* chkSavePassword_ = nullptr;
  QPushButton* btnTest_ = nullptr;
  std::function<void(const std::string&)> report_;
  bool updating_ = false;
  bool passwordHintShown_ = false;
};

// Runs the dialog on initial; the edited string when confirmed, initial on cancel.
std::string EditConnectionString(QWidget* parent, const std::string& initial);

}  // namespace mvq
