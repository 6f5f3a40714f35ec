#include "gui/pasoracletoaccess.h"

#include <QAction>
#include <QApplication>
#include <QButtonGroup>
#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QFocusEvent>
#include <QFontDatabase>
#include <QFormLayout>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMouseEvent>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QSettings>
#include <QStackedWidget>
#include <QVBoxLayout>
#include <stdexcept>
#include <tuple>

#include "gui/ConnectionDialog.h"
#include "gui/DockArea.h"
#include "gui/HelpPage.h"
#include "gui/QtUserInterface.h"
#include "gui/TMyProgress.h"
#include "gui/TableListView.h"
#include "platform/desktop/FileVersion.h"
#include "platform/desktop/TopWindows.h"
#include "platform/desktop/WorkingSet.h"
#include "platform/files/AppDir.h"
#include "shell/ConnectionStrings.h"
#include "shell/Directions.h"
#include "shell/FormComponents.h"
#include "shell/ShellError.h"
#include "shell/ShellServices.h"
#include "support/utLog.h"

namespace mvq {

// The program's own top-level windows, for closing the help windows by title.
class WidgetWindowRegistry : public WindowRegistry {
 public:
  std::vector<WindowId> TopLevelWindows() override {
    std::vector<WindowId> ids;
    for (QWidget* widget : QApplication::topLevelWidgets()) {
      if (widget->isVisible()) ids.push_back(reinterpret_cast<WindowId>(widget));
    }
    return ids;
  }
  std::string WindowTitle(WindowId window) override {
    QWidget* widget = Find(window);
    return widget ? S(widget->windowTitle()) : std::string();
  }
  void CloseWindow(WindowId window) override {
    if (QWidget* widget = Find(window)) widget->close();
  }

 private:
  // Only windows that still exist: an identifier may outlive its window.
  static QWidget* Find(WindowId window) {
    for (QWidget* widget : QApplication::topLevelWidgets()) {
      if (reinterpret_cast<WindowId>(widget) == window) return widget;
    }
    return nullptr;
  }
};

namespace {

constexpr int kWindowWidth = 480;
constexpr int kWindowHeight = 402;
constexpr int kButtonPanelHeight = 50;
constexpr const char* kMdbFilter = "*.mdb|*.mdb";
constexpr const char* kXlsFilter = "*.xls|*.xls";
constexpr const char* kGeometryKey = "window/geometry";

QString SetIfChanged(QLineEdit* edit, const std::string& text) {
  const QString value = Q(text);
  if (edit->text() != value) edit->setText(value);
  return value;
}

QLineEdit* NewEdit(const char* name, QWidget* parent) {
  auto* edit = new QLineEdit(parent);
  edit->setObjectName(name);
  return edit;
}

QPushButton* NewButton(const char* name, const char* caption, QWidget* parent) {
  auto* button = new QPushButton(caption, parent);
  button->setObjectName(name);
  return button;
}

QGroupBox* NewGroup(const char* name, const char* caption, QWidget* parent) {
  auto* group = new QGroupBox(caption, parent);
  group->setObjectName(name);
  return group;
}

// A radio group: a titled box of buttons, numbered from 0, laid out in columns filled top
// to bottom.
QGroupBox* NewRadioGroup(const char* name, const char* caption, const QStringList& items,
                         int columns, QButtonGroup*& buttons, QWidget* parent) {
  QGroupBox* group = NewGroup(name, caption, parent);
  buttons = new QButtonGroup(group);
  auto* grid = new QGridLayout(group);
  grid->setContentsMargins(6, 0, 6, 0);
  const int rows = (static_cast<int>(items.size()) + columns - 1) / columns;
  for (int i = 0; i < items.size(); ++i) {
    auto* button = new QRadioButton(items[i], group);
    button->setObjectName(QString("%1_%2").arg(name).arg(i));
    buttons->addButton(button, i);
    grid->addWidget(button, i % rows, i / rows);
  }
  return group;
}

}  // namespace

QFont WindowFont() {
  const QStringList installed = QFontDatabase::families();
  QString family;
  for (const char* wanted : {"宋体", "SimSun", "NSimSun", "WenQuanYi Micro Hei", "Noto Sans CJK SC",
                             "Noto Serif CJK SC", "AR PL UMing CN"}) {
    if (installed.contains(QString::fromUtf8(wanted))) {
      family = QString::fromUtf8(wanted);
      break;
    }
  }
  if (family.isEmpty()) {
    const QStringList chinese = QFontDatabase::families(QFontDatabase::SimplifiedChinese);
    if (!chinese.isEmpty()) family = chinese.front();
  }
  QFont font = QApplication::font();
  if (!family.isEmpty()) font.setFamily(family);
  font.setPixelSize(12);
  return font;
}

TFrmoracletoaccess::TFrmoracletoaccess(WindowOptions options) : options_(std::move(options)) {
  if (!options_.steps) throw std::invalid_argument("the wizard window needs its steps");
  if (options_.ui) {
    ui_ = options_.ui;
  } else {
    ownUi_ = std::make_unique<QtUserInterface>(this);
    ui_ = ownUi_.get();
  }
  if (!options_.editConnection) options_.editConnection = EditConnectionString;
  if (options_.settingsPath.empty()) options_.settingsPath = SettingsFilePath();

  // Notices raised below the shell come to this window's boxes.
  previousMessage_ = SetMessageHandler([this](const std::string& text) { ui_->Message(text); });
  registry_ = std::make_unique<WidgetWindowRegistry>();
  SetWindowRegistry(registry_.get());
  SetEventPump([] { QCoreApplication::processEvents(); });
  progressUi_ = std::make_unique<TMyProgressUi>(options_.confirm);
  previousProgressUi_ = SetProgressUi(progressUi_.get());

  view_.sourceListCaption = SourceListCaption(Endpoint::Custom);
  context_ = std::make_unique<WizardContext>(WizardContext{form_, view_, *ui_, this});
  steps_ = options_.steps(*context_);
  flow_ = std::make_unique<PageFlow>(form_, view_, *steps_);
  search_ = std::make_unique<ListSearch>(form_.lbold);

  BuildWindow();

  RestorePlace();
  flow_->Start(GetFileVersionText(*ui_, FileVersionOf(ExecutablePath())));
  RunGuarded(*ui_, [] { SetLogFileForDay(); });
  RunGuarded(*ui_, [this] { LoadFormState(form_, options_.settingsPath); });
  ShowState();
}

TFrmoracletoaccess::~TFrmoracletoaccess() {
  SetProgressUi(previousProgressUi_);
  SetEventPump({});
  SetWindowRegistry(nullptr);
  SetMessageHandler(std::move(previousMessage_));
}

std::string TFrmoracletoaccess::ExecutablePath() const {
  return options_.executablePath.empty() ? mvq::ExecutablePath() : options_.executablePath;
}

// The window's size and place live beside the settings file, whose format stays as it is.
QString TFrmoracletoaccess::PlaceFile() const {
  return Q(ChangeFileExt(options_.settingsPath, ".ini"));
}

void TFrmoracletoaccess::RestorePlace() {
  const QSettings place(PlaceFile(), QSettings::IniFormat);
  const QByteArray geometry = place.value(kGeometryKey).toByteArray();
  if (!geometry.isEmpty()) restoreGeometry(geometry);
}

void TFrmoracletoaccess::SavePlace() {
  QSettings place(PlaceFile(), QSettings::IniFormat);
  place.setValue(kGeometryKey, saveGeometry());
  place.sync();
}

// ---- building ------------------------------------------------------------------------

void TFrmoracletoaccess::BuildWindow() {
  setObjectName(Q(std::string(kMainWindowName)));
  setFont(WindowFont());
  resize(kWindowWidth, kWindowHeight);
  if (const QScreen* screen = QGuiApplication::primaryScreen()) {
    const QRect free = screen->availableGeometry();
    move(free.x() + (free.width() - kWindowWidth) / 2,
         free.y() + (free.height() - kWindowHeight) / 2);
  }

  PageControl1 = new QStackedWidget(this);
  PageControl1->setObjectName("PageControl1");
  PageControl1->addWidget(BuildMainPage());
  PageControl1->addWidget(BuildSettingsPage());
  PageControl1->addWidget(BuildExportPage());
  PageControl1->addWidget(BuildCustomPage());

  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->setSpacing(0);
  layout->addWidget(PageControl1, 1);
  layout->addWidget(BuildButtonPanel());
  BuildPopupMenu();
}

QWidget* TFrmoracletoaccess::BuildMainPage() {
  auto* page = new QWidget;
  page->setObjectName("TsMian");
  page->setWindowTitle("主界面");
  QStringList items;
  for (const Direction& d : Directions()) items << Q(std::string(d.itemText));
  RGmy = NewRadioGroup("RGmy", "转换方式", items, 2, RGmyButtons, page);
  auto* layout = new QVBoxLayout(page);
  layout->addWidget(RGmy);
  return page;
}

QWidget* TFrmoracletoaccess::BuildSettingsPage() {
  tscover = new DockArea("tscover");
  tscover->setContentsMargins(4, 4, 4, 0);
  tscover->setWindowTitle("界面设置");

  pnlso = new DockArea("pnlso");
  tscover->AddGroup(pnlso);

  GBsql = NewGroup("GBsql", "SQL Server配置参数设置", nullptr);
  pnlso->AddGroup(GBsql);
  edtsqlserverdb = NewEdit("edtsqlserverdb", GBsql);
  RBConnw = new QRadioButton("Windows身份验证[&W]", GBsql);
  RBConnw->setObjectName("RBConnw");
  RBConnS = new QRadioButton("SQL Server身份验证[&Q]", GBsql);
  RBConnS->setObjectName("RBConnS");
  LabelSqlUser = new QLabel("用户名:", GBsql);
  LabelSqlUser->setObjectName("LabelSqlUser");
  edtsqluser = NewEdit("edtsqluser", GBsql);
  LabelSqlPassword = new QLabel("密码:", GBsql);
  LabelSqlPassword->setObjectName("LabelSqlPassword");
  edtsqlpassword = NewEdit("edtsqlpassword", GBsql);
  edtsqlpassword->setEchoMode(QLineEdit::Password);
  edtsqlCatalog = new QComboBox(GBsql);
  edtsqlCatalog->setObjectName("edtsqlCatalog");
  edtsqlCatalog->setEditable(true);
  edtsqlCatalog->setInsertPolicy(QComboBox::NoInsert);
  auto* sql = new QFormLayout(GBsql);
  sql->addRow("数据库服务名:", edtsqlserverdb);
  sql->addRow(RBConnw);
  sql->addRow(RBConnS);
  sql->addRow(LabelSqlUser, edtsqluser);
  sql->addRow(LabelSqlPassword, edtsqlpassword);
  sql->addRow("数据库名:", edtsqlCatalog);

  gboracle = NewGroup("gboracle", "oracle配置参数设置", nullptr);
  pnlso->AddGroup(gboracle);
  edtcomputer = NewEdit("edtcomputer", gboracle);
  edtDB = NewEdit("edtDB", gboracle);
  edtport = NewEdit("edtport", gboracle);
  edtuser = NewEdit("edtuser", gboracle);
  edtpassword = NewEdit("edtpassword", gboracle);
  edtpassword->setEchoMode(QLineEdit::Password);
  auto* oracle = new QFormLayout(gboracle);
  oracle->addRow("计算机名:", edtcomputer);
  oracle->addRow("数据库名:", edtDB);
  oracle->addRow("端口号:", edtport);
  oracle->addRow("用户名:", edtuser);
  oracle->addRow("密码:", edtpassword);

  gbmdb = NewGroup("gbmdb", "MDB文件", nullptr);
  tscover->AddGroup(gbmdb);
  edtfilename = NewEdit("edtfilename", gbmdb);
  btnmdb = NewButton("btnmdb", "浏览", gbmdb);
  Panel2 = new QWidget(gbmdb);
  Panel2->setObjectName("Panel2");
  edtmdbpassword = NewEdit("edtmdbpassword", Panel2);
  edtmdbpassword->setEchoMode(QLineEdit::Password);
  auto* mdbPassword = new QHBoxLayout(Panel2);
  mdbPassword->setContentsMargins(0, 0, 0, 0);
  mdbPassword->addWidget(new QLabel("密码:", Panel2));
  mdbPassword->addWidget(edtmdbpassword);
  Panel2->hide();  // nothing reads it; it only travels through the settings file
  auto* mdb = new QHBoxLayout(gbmdb);
  mdb->setContentsMargins(6, 2, 6, 2);
  mdb->addWidget(edtfilename, 1);
  mdb->addWidget(btnmdb);
  mdb->addWidget(Panel2);

  gbexcel = NewGroup("gbexcel", "Execl文件", nullptr);
  tscover->AddGroup(gbexcel);
  edtxlsfilename = NewEdit("edtxlsfilename", gbexcel);
  btnexcel = NewButton("btnexcel", "浏览", gbexcel);
  chkexcel = new QCheckBox("存在excel删除", gbexcel);
  chkexcel->setObjectName("chkexcel");
  auto* excel = new QGridLayout(gbexcel);
  excel->setContentsMargins(6, 2, 6, 2);
  excel->addWidget(edtxlsfilename, 0, 0);
  excel->addWidget(btnexcel, 0, 1);
  excel->addWidget(chkexcel, 1, 0, 1, 2);
  excel->setRowStretch(2, 1);

  connect(RBConnw, &QRadioButton::clicked, this, [this] { RBConnwClick(); });
  connect(RBConnS, &QRadioButton::clicked, this, [this] { RBConnwClick(); });
  connect(btnmdb, &QPushButton::clicked, this, [this] { BrowseClick(edtfilename, kMdbFilter); });
  connect(btnexcel, &QPushButton::clicked, this,
          [this] { BrowseClick(edtxlsfilename, kXlsFilter); });
  for (QWidget* watched :
       {static_cast<QWidget*>(edtsqlpassword), static_cast<QWidget*>(edtfilename),
        static_cast<QWidget*>(edtxlsfilename)}) {
    watched->installEventFilter(this);
  }
  return tscover;
}

QWidget* TFrmoracletoaccess::BuildExportPage() {
  auto* page = new QWidget;
  page->setObjectName("tsexp");
  page->setWindowTitle("导出");

  gbold = NewGroup("gbold", "", page);
  lbold = new TableListView("lbold", gbold);
  auto* oldLayout = new QVBoxLayout(gbold);
  oldLayout->addWidget(lbold);

  Pnlbtn = new QWidget(page);
  Pnlbtn->setObjectName("Pnlbtn");
  auto* btnadd = NewButton("btnadd", "增加", Pnlbtn);
  auto* btndel = NewButton("btndel", "删除", Pnlbtn);
  auto* btnaddall = NewButton("btnaddall", "全部添加", Pnlbtn);
  auto* btndelall = NewButton("btndelall", "全部删除", Pnlbtn);
  auto* buttons = new QVBoxLayout(Pnlbtn);
  buttons->addStretch();
  for (QPushButton* b : {btnadd, btndel, btnaddall, btndelall}) buttons->addWidget(b);
  buttons->addStretch();
  Pnlbtn->setFixedWidth(76);

  auto* gbnew = NewGroup("gbnew", "导出表列表", page);
  lbnew = new TableListView("lbnew", gbnew);
  auto* newLayout = new QVBoxLayout(gbnew);
  newLayout->addWidget(lbnew);

  const QStringList modes{"1、不处理", "2、删除记录，导入数据", "3、删除表，导入数据"};
  RGtableMode =
      NewRadioGroup("RGtableMode", "存在的表处理方式", modes, 3, RGtableModeButtons, page);
  RGtableMode->setFixedHeight(kTableModeHeight);

  // The two lists share what the button panel leaves, half each.
  auto* lists = new QHBoxLayout;
  lists->setSpacing(0);
  lists->addWidget(gbold, 1);
  lists->addWidget(Pnlbtn);
  lists->addWidget(gbnew, 1);
  auto* layout = new QVBoxLayout(page);
  layout->setContentsMargins(4, 4, 4, 0);
  layout->setSpacing(0);
  layout->addLayout(lists, 1);
  layout->addWidget(RGtableMode);

  connect(btnadd, &QPushButton::clicked, this, [this] { btnaddClick(); });
  connect(btndel, &QPushButton::clicked, this, [this] { btndelClick(); });
  connect(btnaddall, &QPushButton::clicked, this, [this] { btnaddallClick(); });
  connect(btndelall, &QPushButton::clicked, this, [this] { btndelallClick(); });
  for (TableListView* list : {lbold, lbnew}) {
    connect(list, &TableListView::itemsDropped, this,
            [this, list](const QString& source, int at) { lboldDragDrop(list, source, at); });
    connect(list, &QWidget::customContextMenuRequested, this,
            [this, list](const QPoint& at) { PopupMenu1Popup(list, at); });
  }
  return page;
}

QWidget* TFrmoracletoaccess::BuildCustomPage() {
  auto* page = new QWidget;
  page->setObjectName("tsdef");
  page->setWindowTitle("自定义");

  auto* source = NewGroup("gbsrc", "源数据库", page);
  edtSrc = NewEdit("edtSrc", source);
  auto* target = NewGroup("gbdest", "目标数据", page);
  edtDest = NewEdit("edtDest", target);
  // The strings are edited in the dialog only: a click, Enter, F2 or the button beside opens it.
  for (auto [edit, group, name] :
       {std::tuple{edtSrc, source, "btnEditSrc"}, std::tuple{edtDest, target, "btnEditDest"}}) {
    edit->setReadOnly(true);
    edit->setToolTip("单击设置数据源");
    edit->installEventFilter(this);
    auto* button = NewButton(name, "编辑…", group);
    button->setToolTip("编辑连接字符串（Enter或F2）");
    connect(button, &QPushButton::clicked, this, [this, edit = edit] { edtSrcClick(edit); });
    auto* row = new QHBoxLayout(group);
    row->addWidget(edit, 1);
    row->addWidget(button);
  }

  auto* row = new QHBoxLayout;
  row->addStretch();
  auto* Button2 = NewButton("Button2", "上一步", page);
  btnNextdef = NewButton("btnNextdef", "下一步", page);
  auto* Button8 = NewButton("Button8", "帮助", page);
  auto* Button13 = NewButton("Button13", "退出", page);
  for (QPushButton* b : {Button2, btnNextdef, Button8, Button13}) row->addWidget(b);

  auto* layout = new QVBoxLayout(page);
  layout->addWidget(source);
  layout->addWidget(target);
  layout->addStretch();
  layout->addLayout(row);

  connect(Button2, &QPushButton::clicked, this, [this] { Button11Click(); });
  connect(btnNextdef, &QPushButton::clicked, this, [this] { btnNextdefClick(); });
  connect(Button8, &QPushButton::clicked, this, [this] { Button7Click(); });
  connect(Button13, &QPushButton::clicked, this, [this] { close(); });
  return page;
}

QWidget* TFrmoracletoaccess::BuildButtonPanel() {
  Panel4 = new QWidget(this);
  QWidget* panel = Panel4;
  panel->setObjectName("Panel4");
  panel->setFixedHeight(kButtonPanelHeight);
  btnup = NewButton("btnup", "上一步", panel);
  btnnextConvert = NewButton("btnnextConvert", "下一步", panel);
  auto* btnhelp = NewButton("btnhelp", "帮助", panel);
  auto* btnexit = NewButton("btnexit", "退出", panel);
  auto* row = new QHBoxLayout(panel);
  row->addStretch();
  for (QPushButton* b : {btnup, btnnextConvert, btnhelp, btnexit}) row->addWidget(b);

  connect(btnup, &QPushButton::clicked, this, [this] { btnupClick(); });
  connect(btnnextConvert, &QPushButton::clicked, this, [this] { btnnextConvertClick(); });
  connect(btnhelp, &QPushButton::clicked, this, [this] { Button7Click(); });
  connect(btnexit, &QPushButton::clicked, this, [this] { close(); });
  return panel;
}

void TFrmoracletoaccess::BuildPopupMenu() {
  popupMenu_ = new QMenu(this);
  popupMenu_->setObjectName("PopupMenu1");
  struct Entry {
    const char* name;
    const char* caption;
    QKeyCombination key;
    void (TFrmoracletoaccess::*handler)();
  };
  const Entry entries[] = {
      {"N1", "全选", Qt::CTRL | Qt::Key_A, &TFrmoracletoaccess::N1Click},
      {"N3", "全不选", Qt::CTRL | Qt::Key_U, &TFrmoracletoaccess::N3Click},
      {"N5", "反选", Qt::CTRL | Qt::Key_K, &TFrmoracletoaccess::N5Click},
      {"N7", "查找", Qt::CTRL | Qt::Key_F, &TFrmoracletoaccess::N7Click},
      {"miFindNext", "查找下一个", Qt::CTRL | Qt::Key_N, &TFrmoracletoaccess::miFindNextClick},
  };
  int separator = 2;
  for (const Entry& entry : entries) {
    if (entry.handler != &TFrmoracletoaccess::N1Click) {
      QAction* line = popupMenu_->addSeparator();
      line->setObjectName(QString("N%1").arg(separator));
      separator += 2;
    }
    auto* action = new QAction(entry.caption, this);
    action->setObjectName(entry.name);
    action->setShortcut(QKeySequence(entry.key));
    // The shortcuts work anywhere in the window, whether or not the menu was ever opened.
    action->setShortcutContext(Qt::WindowShortcut);
    connect(action, &QAction::triggered, this,
            [this, handler = entry.handler] { (this->*handler)(); });
    popupMenu_->addAction(action);
    addAction(action);
    if (entry.handler == &TFrmoracletoaccess::miFindNextClick) miFindNext = action;
  }
}

// ---- state ---------------------------------------------------------------------------

void TFrmoracletoaccess::Act(const std::function<void()>& handler) {
  ReadControls();
  RunGuarded(*ui_, handler);
  ShowState();
}

void TFrmoracletoaccess::ChangeForm(const std::function<void(FormState& form)>& change) {
  ReadControls();
  change(form_);
  ShowState();
}

void TFrmoracletoaccess::ReadControls() {
  if (RGmyButtons->checkedId() >= 0) form_.RGmy = RGmyButtons->checkedId();
  form_.edtsqlserverdb = S(edtsqlserverdb->text());
  form_.sqlAuth = RBConnw->isChecked() ? SqlAuth::Windows : SqlAuth::SqlServer;
  form_.edtsqluser = S(edtsqluser->text());
  form_.edtsqlpassword = S(edtsqlpassword->text());
  CatalogBox& catalog = form_.edtsqlCatalog;
  catalog.text = S(edtsqlCatalog->currentText());
  catalog.items.clear();
  for (int i = 0; i < edtsqlCatalog->count(); ++i)
    catalog.items.push_back(S(edtsqlCatalog->itemText(i)));
  // A name typed over the chosen item chooses none.
  const int index = edtsqlCatalog->currentIndex();
  catalog.itemIndex =
      index >= 0 && edtsqlCatalog->itemText(index) == edtsqlCatalog->currentText() ? index : -1;
  form_.edtcomputer = S(edtcomputer->text());
  form_.edtDB = S(edtDB->text());
  form_.edtport = S(edtport->text());
  form_.edtuser = S(edtuser->text());
  form_.edtpassword = S(edtpassword->text());
  form_.edtfilename = S(edtfilename->text());
  form_.edtmdbpassword = S(edtmdbpassword->text());
  form_.edtxlsfilename = S(edtxlsfilename->text());
  form_.chkexcel = chkexcel->isChecked();
  lbold->ReadList(form_.lbold);
  lbnew->ReadList(form_.lbnew);
  if (RGtableModeButtons->checkedId() >= 0) form_.RGtableMode = RGtableModeButtons->checkedId();
  form_.edtSrc = S(edtSrc->text());
  form_.edtDest = S(edtDest->text());
}

void TFrmoracletoaccess::ShowState() {
  setWindowTitle(Q(view_.caption));
  PageControl1->setCurrentIndex(view_.activePage);
  // The custom page carries its own copies of the buttons.
  Panel4->setVisible(view_.activePage != kCustomPage);
  btnnextConvert->setText(Q(view_.nextCaption));
  btnnextConvert->setEnabled(view_.nextEnabled && !busy_);
  btnNextdef->setEnabled(view_.nextEnabled && !busy_);
  btnup->setVisible(view_.backVisible);
  if (view_.backVisible) btnup->raise();
  RGtableMode->setVisible(view_.tableModeVisible);
  gbold->setTitle(Q(view_.sourceListCaption));
  ShowLayout();

  if (QAbstractButton* b = RGmyButtons->button(form_.RGmy)) b->setChecked(true);
  SetIfChanged(edtsqlserverdb, form_.edtsqlserverdb);
  (form_.RBConnw() ? RBConnw : RBConnS)->setChecked(true);
  SetIfChanged(edtsqluser, form_.edtsqluser);
  SetIfChanged(edtsqlpassword, form_.edtsqlpassword);
  const bool login = form_.SqlLoginEnabled();
  for (QWidget* w : {static_cast<QWidget*>(LabelSqlUser), static_cast<QWidget*>(LabelSqlPassword),
                     static_cast<QWidget*>(edtsqluser), static_cast<QWidget*>(edtsqlpassword)}) {
    w->setEnabled(login);
  }
  {
    const CatalogBox& catalog = form_.edtsqlCatalog;
    const QSignalBlocker block(edtsqlCatalog);
    QStringList items;
    for (const std::string& item : catalog.items) items << Q(item);
    QStringList shown;
    for (int i = 0; i < edtsqlCatalog->count(); ++i) shown << edtsqlCatalog->itemText(i);
    if (shown != items) {
      edtsqlCatalog->clear();
      edtsqlCatalog->addItems(items);
    }
    edtsqlCatalog->setCurrentIndex(catalog.itemIndex);
    if (edtsqlCatalog->currentText() != Q(catalog.text))
      edtsqlCatalog->setEditText(Q(catalog.text));
  }
  SetIfChanged(edtcomputer, form_.edtcomputer);
  SetIfChanged(edtDB, form_.edtDB);
  SetIfChanged(edtport, form_.edtport);
  SetIfChanged(edtuser, form_.edtuser);
  SetIfChanged(edtpassword, form_.edtpassword);
  SetIfChanged(edtfilename, form_.edtfilename);
  SetIfChanged(edtmdbpassword, form_.edtmdbpassword);
  SetIfChanged(edtxlsfilename, form_.edtxlsfilename);
  chkexcel->setChecked(form_.chkexcel);
  ShowLists();
  if (QAbstractButton* b = RGtableModeButtons->button(form_.RGtableMode)) b->setChecked(true);
  SetIfChanged(edtSrc, form_.edtSrc);
  SetIfChanged(edtDest, form_.edtDest);
  miFindNext->setEnabled(!search_->SearchText().empty());
}

void TFrmoracletoaccess::ShowLists() {
  lbold->ShowList(form_.lbold);
  lbnew->ShowList(form_.lbnew);
}

void TFrmoracletoaccess::ShowLayout() {
  const SettingsLayout& layout = view_.layout;
  pnlso->SetPlacement(gboracle, layout.gboracle);
  pnlso->SetPlacement(GBsql, layout.GBsql);
  tscover->SetPlacement(pnlso, layout.pnlso);
  tscover->SetPlacement(gbmdb, layout.gbmdb);
  tscover->SetPlacement(gbexcel, layout.gbexcel);
}

TableListView* TFrmoracletoaccess::ListNamed(const QString& name) const {
  if (name == lbold->objectName()) return lbold;
  if (name == lbnew->objectName()) return lbnew;
  return nullptr;
}

TableList& TFrmoracletoaccess::ModelOf(const TableListView* list) {
  return list == lbnew ? form_.lbnew : form_.lbold;
}

// ---- window events -------------------------------------------------------------------

void TFrmoracletoaccess::showEvent(QShowEvent* event) {
  QWidget::showEvent(event);
  tscover->Arrange();
  pnlso->Arrange();
}

void TFrmoracletoaccess::closeEvent(QCloseEvent* event) {
  if (busy_) {
    // A step that processes events is still running: closing asks to cancel it, with the
    // progress window's own question, and the window closes once the step has ended.
    event->ignore();
    if (GetProgressState().windowOpen) {
      ProgressCancelClicked();
      closeAfterStep_ = GetProgressState().cancelled;
    } else {
      closeAfterStep_ = ConfirmBox("你确定终止吗", "终止");
    }
    return;
  }
  ReadControls();
  RunGuarded(*ui_, [this] { SaveFormState(form_, options_.settingsPath); });
  SavePlace();
  CloseWindowsByTitle("帮助");
  event->accept();
}

bool TFrmoracletoaccess::eventFilter(QObject* watched, QEvent* event) {
  if (watched == edtsqlpassword && event->type() == QEvent::FocusOut) {
    // Leaving the field for another control; not a dialog or menu taking the focus.
    const auto reason = static_cast<QFocusEvent*>(event)->reason();
    if (reason != Qt::ActiveWindowFocusReason && reason != Qt::PopupFocusReason && !busy_) {
      edtsqlpasswordExit();
    }
  } else if ((watched == edtfilename || watched == edtxlsfilename) &&
             event->type() == QEvent::MouseButtonDblClick) {
    BrowseClick(static_cast<QLineEdit*>(watched), watched == edtfilename ? kMdbFilter : kXlsFilter);
    return true;
  } else if ((watched == edtSrc || watched == edtDest) &&
             event->type() == QEvent::MouseButtonRelease &&
             static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton) {
    edtSrcClick(static_cast<QLineEdit*>(watched));
    return true;
  } else if ((watched == edtSrc || watched == edtDest) && event->type() == QEvent::KeyPress) {
    const int key = static_cast<QKeyEvent*>(event)->key();
    if (key == Qt::Key_Return || key == Qt::Key_Enter || key == Qt::Key_F2) {
      edtSrcClick(static_cast<QLineEdit*>(watched));
      return true;
    }
  }
  return QWidget::eventFilter(watched, event);
}

// ---- handlers ------------------------------------------------------------------------

void TFrmoracletoaccess::RunForwardStep(void (PageFlow::*step)()) {
  if (busy_) return;
  Act([this, step] {
    // Off for the length of the step, so a run processing events is never entered twice.
    busy_ = true;
    btnnextConvert->setEnabled(false);
    btnNextdef->setEnabled(false);
    struct Done {
      bool& busy;
      ~Done() { busy = false; }
    } done{busy_};
    ((*flow_).*step)();
  });
  if (closeAfterStep_) {
    closeAfterStep_ = false;
    close();
  }
}

void TFrmoracletoaccess::btnnextConvertClick() {
  RunForwardStep(&PageFlow::Next);
}

void TFrmoracletoaccess::btnupClick() {
  Act([this] { flow_->Back(); });
}

void TFrmoracletoaccess::btnNextdefClick() {
  RunForwardStep(&PageFlow::CustomNext);
}

void TFrmoracletoaccess::Button11Click() {
  Act([this] { flow_->CustomBack(); });
}

void TFrmoracletoaccess::Button7Click() {
  Act([this] {
    TrimWorkingSet();
    OpenDocument(*ui_, HelpDocument(ExecutablePath()), "open");
  });
}

void TFrmoracletoaccess::btnaddClick() {
  Act([this] { MoveSelectedItems(form_.lbold, form_.lbnew); });
}

void TFrmoracletoaccess::btndelClick() {
  Act([this] { MoveSelectedItems(form_.lbnew, form_.lbold); });
}

void TFrmoracletoaccess::btnaddallClick() {
  Act([this] { MoveAllItems(form_.lbold, form_.lbnew); });
}

void TFrmoracletoaccess::btndelallClick() {
  Act([this] { MoveAllItems(form_.lbnew, form_.lbold); });
}

void TFrmoracletoaccess::PopupMenu1Popup(TableListView* list, const QPoint& position) {
  Act([this, list] { search_->MenuOpened(ModelOf(list)); });
  popupMenu_->popup(list->viewport()->mapToGlobal(position));
}

void TFrmoracletoaccess::N1Click() {
  Act([this] { search_->SelectAll(true); });
}

void TFrmoracletoaccess::N3Click() {
  Act([this] { search_->SelectAll(false); });
}

void TFrmoracletoaccess::N5Click() {
  Act([this] { search_->Invert(); });
}

void TFrmoracletoaccess::N7Click() {
  Act([this] { search_->Find(*ui_); });
}

void TFrmoracletoaccess::miFindNextClick() {
  Act([this] { search_->FindNext(*ui_); });
}

void TFrmoracletoaccess::lboldDragDrop(TableListView* target, const QString& sourceName,
                                       int dropIndex) {
  TableListView* source = ListNamed(sourceName);
  if (!source) return;
  Act([&] { DropItems(ModelOf(target), ModelOf(source), dropIndex); });
}

void TFrmoracletoaccess::edtSrcClick(QLineEdit* edit) {
  Act([this, edit] {
    std::string& field = edit == edtDest ? form_.edtDest : form_.edtSrc;
    // The editor itself asks about a password it would not keep.
    field = options_.editConnection(this, field);
  });
}

void TFrmoracletoaccess::RBConnwClick() {
  Act([] {});  // the enabling follows the authentication chosen
}

void TFrmoracletoaccess::edtsqlpasswordExit() {
  Act([this] { steps_->FillCatalogList(); });
}

void TFrmoracletoaccess::BrowseClick(QLineEdit* edit, const char* filter) {
  Act([this, edit, filter] {
    BrowseFileName(*ui_, edit == edtxlsfilename ? form_.edtxlsfilename : form_.edtfilename, filter);
  });
}

}  // namespace mvq
