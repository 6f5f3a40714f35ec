#include "gui/ConnectionDialog.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>

#include "gui/QtUserInterface.h"
#include "platform/odbc/Connection.h"
#include "platform/odbc/DbError.h"
#include "platform/odbc/Drivers.h"
#include "platform/text/AsciiCase.h"
#include "shell/ShellServices.h"
#include "support/NamedComponent.h"

namespace mvq {

namespace {

// A driver name as an ODBC string writes it: braced when it holds blanks or ";".
std::string DriverValue(const std::string& name) {
  if (name.find_first_of(" ;{}") == std::string::npos) return name;
  return "{" + name + "}";
}

bool IsDriverKey(const std::string& key) {
  return text::SameIgnoringCase(key, "Driver");
}

bool IsPasswordKey(const std::string& key) {
  return text::SameIgnoringCase(key, "Password") || text::SameIgnoringCase(key, "PWD");
}

bool HoldsPassword(const std::vector<ConnectionAttribute>& attributes) {
  for (const ConnectionAttribute& a : attributes) {
    if (IsPasswordKey(a.key) && !a.value.empty()) return true;
  }
  return false;
}

std::string Unbraced(std::string value) {
  if (value.size() >= 2 && value.front() == '{' && value.back() == '}') {
    value = value.substr(1, value.size() - 2);
  }
  return value;
}

}  // namespace

ConnectionDialog::ConnectionDialog(const std::string& initial,
                                   const std::vector<std::string>& drivers, QWidget* parent)
    : QDialog(parent) {
  setObjectName("ConnectionDialog");
  setWindowTitle("数据连接属性");
  resize(460, 360);

  cbDriver_ = new QComboBox(this);
  cbDriver_->setObjectName("cbDriver");
  cbDriver_->addItem(QString());
  for (const std::string& name : drivers) cbDriver_->addItem(Q(name));

  tblFields_ = new QTableWidget(0, 2, this);
  tblFields_->setObjectName("tblFields");
  tblFields_->setHorizontalHeaderLabels({"名称", "值"});
  tblFields_->horizontalHeader()->setStretchLastSection(true);
  tblFields_->verticalHeader()->hide();

  auto* btnAdd = new QPushButton("增加", this);
  btnAdd->setObjectName("btnAddField");
  auto* btnRemove = new QPushButton("删除", this);
  btnRemove->setObjectName("btnRemoveField");
  edtConnection_ = new QLineEdit(this);
  edtConnection_->setObjectName("edtConnection");
  chkSavePassword_ = new QCheckBox(Q(std::string(kSavePasswordOption)), this);
  chkSavePassword_->setObjectName("chkSavePassword");
  btnTest_ = new QPushButton("测试连接", this);
  btnTest_->setObjectName("btnTest");
  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
  buttons->button(QDialogButtonBox::Ok)->setText("确定");
  buttons->button(QDialogButtonBox::Cancel)->setText("取消");

  auto* form = new QFormLayout;
  form->addRow("驱动程序:", cbDriver_);
  auto* rowButtons = new QHBoxLayout;
  rowButtons->addWidget(btnAdd);
  rowButtons->addWidget(btnRemove);
  rowButtons->addStretch();
  auto* bottom = new QHBoxLayout;
  bottom->addWidget(btnTest_);
  bottom->addStretch();
  bottom->addWidget(buttons);
  auto* layout = new QVBoxLayout(this);
  layout->addLayout(form);
  layout->addWidget(tblFields_);
  layout->addLayout(rowButtons);
  layout->addWidget(new QLabel("连接字符串:", this));
  layout->addWidget(edtConnection_);
  layout->addWidget(chkSavePassword_);
  layout->addLayout(bottom);

  connect(cbDriver_, &QComboBox::activated, this, &ConnectionDialog::DriverChosen);
  connect(tblFields_, &QTableWidget::itemChanged, this, [this] { TableEdited(); });
  connect(edtConnection_, &QLineEdit::textEdited, this,
          [this](const QString& text) { SetConnectionString(S(text)); });
  connect(btnAdd, &QPushButton::clicked, this, [this] {
    tblFields_->insertRow(tblFields_->rowCount());
    tblFields_->setCurrentCell(tblFields_->rowCount() - 1, 0);
  });
  connect(btnRemove, &QPushButton::clicked, this, [this] {
    const int row = tblFields_->currentRow();
    if (row < 0) return;
    tblFields_->removeRow(row);
    TableEdited();
  });
  connect(btnTest_, &QPushButton::clicked, this, [this] { TestConnection(); });
  connect(buttons, &QDialogButtonBox::accepted, this, &ConnectionDialog::Confirm);
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

  SetConnectionString(initial);
  // A string that came with its password keeps it unless the user says otherwise.
  chkSavePassword_->setChecked(HoldsPassword(attributes_));
}

std::string ConnectionDialog::EditedString() const {
  return JoinConnectionString(attributes_);
}

std::string ConnectionDialog::ConnectionString() const {
  if (chkSavePassword_->isChecked()) return EditedString();
  std::vector<ConnectionAttribute> kept;
  for (const ConnectionAttribute& a : attributes_) {
    if (!IsPasswordKey(a.key)) kept.push_back(a);
  }
  return JoinConnectionString(kept);
}

bool ConnectionDialog::PasswordDropped() const {
  return HoldsPassword(attributes_) && !chkSavePassword_->isChecked();
}

void ConnectionDialog::Confirm() {
  // Asked once: a second OK means the password is meant to be left out.
  if (PasswordDropped() && !passwordHintShown_) {
    passwordHintShown_ = true;
    Report(std::string(kSavePasswordHint));
    chkSavePassword_->setFocus();
    return;
  }
  accept();
}

void ConnectionDialog::Report(const std::string& text) {
  if (report_) {
    report_(text);
    return;
  }
  QMessageBox box(QMessageBox::NoIcon, windowTitle(), Q(text), QMessageBox::Ok, this);
  box.exec();
}

void ConnectionDialog::SetConnectionString(const std::string& text) {
  attributes_ = SplitConnectionString(text);
  updating_ = true;
  ShowAttributes();
  // The text field keeps what was typed, cursor and all, while it is being typed in.
  if (!edtConnection_->hasFocus()) edtConnection_->setText(Q(text));
  updating_ = false;
}

void ConnectionDialog::ShowAttributes() {
  const QSignalBlocker block(tblFields_);
  tblFields_->setRowCount(static_cast<int>(attributes_.size()));
  for (size_t i = 0; i < attributes_.size(); ++i) {
    const int row = static_cast<int>(i);
    tblFields_->setItem(row, 0, new QTableWidgetItem(Q(attributes_[i].key)));
    tblFields_->setItem(row, 1, new QTableWidgetItem(Q(attributes_[i].value)));
  }
  const QString driver = Q(Unbraced(AttributeValue(attributes_, "Driver")));
  const int index = cbDriver_->findText(driver);
  cbDriver_->setCurrentIndex(index >= 0 ? index : 0);
}

void ConnectionDialog::TableEdited() {
  if (updating_) return;
  attributes_.clear();
  for (int row = 0; row < tblFields_->rowCount(); ++row) {
    const QTableWidgetItem* key = tblFields_->item(row, 0);
    const QTableWidgetItem* value = tblFields_->item(row, 1);
    attributes_.push_back(
        {key ? S(key->text()) : std::string(), value ? S(value->text()) : std::string()});
  }
  const std::string text = EditedString();
  edtConnection_->setText(Q(text));
  const QString driver = Q(Unbraced(AttributeValue(attributes_, "Driver")));
  const int index = cbDriver_->findText(driver);
  const QSignalBlocker block(cbDriver_);
  cbDriver_->setCurrentIndex(index >= 0 ? index : 0);
}

void ConnectionDialog::DriverChosen(int index) {
  const std::string name = S(cbDriver_->itemText(index));
  bool found = false;
  for (auto it = attributes_.begin(); it != attributes_.end();) {
    if (!IsDriverKey(it->key)) {
      ++it;
      continue;
    }
    if (name.empty() || found) {
      it = attributes_.erase(it);
      continue;
    }
    it->value = DriverValue(name);
    found = true;
    ++it;
  }
  if (!found && !name.empty())
    attributes_.insert(attributes_.begin(), {"DRIVER", DriverValue(name)});
  const std::string text = EditedString();
  updating_ = true;
  ShowAttributes();
  edtConnection_->setText(Q(text));
  updating_ = false;
}

std::string ConnectionDialog::TestConnection() {
  std::string answer;
  try {
    auto connection = db::NewConnection();
    connection->Open(EditedString());
    connection->Close();
    answer = "测试连接成功";
  } catch (const db::DbError& e) {
    answer = "测试连接失败:" + e.DriverMessage();
  } catch (const std::exception& e) {
    answer = std::string("测试连接失败:") + e.what();
  }
  Report(answer);
  return answer;
}

std::string EditConnectionString(QWidget* parent, const std::string& initial) {
  ConnectionDialog dialog(initial, db::InstalledOdbcDrivers(), parent);
  if (dialog.exec() != QDialog::Accepted) return initial;
  return dialog.ConnectionString();
}

}  // namespace mvq
