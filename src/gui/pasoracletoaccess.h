#pragma once
// The main window: a four-page wizard without tabs over the shell's form state and page
// flow. The window draws FormState and WizardView and hands every button to the shell;
// the work behind next comes from a WizardSteps the caller supplies.
#include <QWidget>
#include <array>
#include <functional>
#include <memory>
#include <string>

#include "shell/FormState.h"
#include "shell/ListCommands.h"
#include "shell/PageFlow.h"
#include "shell/UserInterface.h"
#include "support/Messages.h"
#include "support/utProgress.h"

class QAction;
class QButtonGroup;
class QCheckBox;
class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QMenu;
class QPushButton;
class QRadioButton;
class QStackedWidget;

namespace mvq {

class DockArea;
class QtUserInterface;
class TableListView;
class TMyProgressUi;
class WidgetWindowRegistry;

// What the steps behind next get to work on: the window's form state, its view state and
// the user interface it shows messages with. All live as long as the window.
struct WizardContext {
  FormState& form;
  WizardView& view;
  UserInterface& ui;
  QWidget* window = nullptr;  // the main window, for dialogs of the steps
};

using StepsFactory = std::function<std::unique_ptr<WizardSteps>(WizardContext& context)>;

// The editor behind a click on edtSrc or edtDest: the edited string, the initial one on
// cancel.
using ConnectionEditor = std::function<std::string(QWidget* parent, const std::string& initial)>;

struct WindowOptions {
  StepsFactory steps;               // required
  UserInterface* ui = nullptr;      // null: the window's own message boxes and dialogs
  std::string settingsPath;         // empty: the settings file next to the executable
  std::string executablePath;       // empty: the running executable (help file, version)
  ConnectionEditor editConnection;  // empty: the connection string dialog
  // The progress window's cancel question; empty: a question box.
  std::function<bool(const std::string& text, const std::string& caption)> confirm;
};

// The window's font: "宋体" at 12 pixels where installed, else an installed Chinese font.
QFont WindowFont();

class TFrmoracletoaccess : public QWidget {
  Q_OBJECT
 public:
  // Creation: empty history, the version caption, the day's log name, the saved state.
  explicit TFrmoracletoaccess(WindowOptions options);
  ~TFrmoracletoaccess() override;

  const FormState& Form() const { return form_; }
  const WizardView& View() const { return view_; }
  const PageHistory& History() const { return flow_->History(); }
  QMenu* PopupMenu() const { return popupMenu_; }

  // Changes the form state from outside a handler (a batch of settings, a test): the
  // controls are read first and drawn again afterwards.
  void ChangeForm(const std::function<void(FormState& form)>& change);

  // The handlers, also reachable by the buttons, menu and lists.
  void btnnextConvertClick();
  void btnupClick();
  void btnNextdefClick();
  void Button11Click();
  void Button7Click();
  void btnaddClick();
  void btndelClick();
  void btnaddallClick();
  void btndelallClick();
  void PopupMenu1Popup(TableListView* list, const QPoint& position);
  void N1Click();
  void N3Click();
  void N5Click();
  void N7Click();
  void miFindNextClick();
  void lboldDragDrop(TableListView* target, const QString& sourceName, int dropIndex);
  void edtSrcClick(QLineEdit* edit);
  void RBConnwClick();
  void edtsqlpasswordExit();
  void BrowseClick(QLineEdit* edit, const char* filter);

 protected:
  void showEvent(QShowEvent* event) override;
  void closeEvent(QCloseEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void BuildWindow();
  QWidget* BuildMainPage();
  QWidget* BuildSettingsPage();
  QWidget* BuildExportPage();
  QWidget* BuildCustomPage();
  QWidget* BuildButtonPanel();
  void BuildPopupMenu();
  QString PlaceFile() const;
  void RestorePlace();
  void SavePlace();

  // Runs a handler as one user action: the controls are read into the form state, the
  // handler runs with errors shown in the error box, and the controls are drawn again.
  void Act(const std::function<void()>& handler);
  // A step forward (Next or CustomNext) as one action, its buttons off while it runs.
  void RunForwardStep(void (PageFlow::*step)());
  void ReadControls();
  // The controls drawn from the form and view state.
  void ShowState();
  void ShowLists();
  void ShowLayout();
  TableListView* ListNamed(const QString& name) const;
  TableList& ModelOf(const TableListView* list);
  std::string ExecutablePath() const;

  WindowOptions options_;
  FormState form_;
  WizardView view_;
  std::unique_ptr<QtUserInterface> ownUi_;
  UserInterface* ui_ = nullptr;
  std::unique_ptr<WizardContext> context_;
  std::unique_ptr<WizardSteps> steps_;
  std::unique_ptr<PageFlow> flow_;
  std::unique_ptr<ListSearch> search_;
  std::unique_ptr<WidgetWindowRegistry> registry_;
  std::unique_ptr<TMyProgressUi> progressUi_;
  ProgressUi* previousProgressUi_ = nullptr;
  MessageHandler previousMessage_;
  bool busy_ = false;            // a step behind next is running (and may process events)
  bool closeAfterStep_ = false;  // the user closed the window during that step

  // Controls, by their names.
  QStackedWidget* PageControl1 = nullptr;
  QGroupBox* RGmy = nullptr;
  QButtonGroup* RGmyButtons = nullptr;
  DockArea* tscover = nullptr;
  DockArea* pnlso = nullptr;
  QGroupBox* GBsql = nullptr;
  QGroupBox* gboracle = nullptr;
  QGroupBox* gbmdb = nullptr;
  QGroupBox* gbexcel = nullptr;
  QLineEdit* edtsqlserverdb = nullptr;
  QRadioButton* RBConnw = nullptr;
  QRadioButton* RBConnS = nullptr;
  QLabel* LabelSqlUser = nullptr;
  QLabel* LabelSqlPassword = nullptr;
  QLineEdit* edtsqluser = nullptr;
  QLineEdit* edtsqlpassword = nullptr;
  QComboBox* edtsqlCatalog = nullptr;
  QLineEdit* edtcomputer = nullptr;
  QLineEdit* edtDB = nullptr;
  QLineEdit* edtport = nullptr;
  QLineEdit* edtuser = nullptr;
  QLineEdit* edtpassword = nullptr;
  QLineEdit* edtfilename = nullptr;
  QPushButton* btnmdb = nullptr;
  QWidget* Panel2 = nullptr;
  QLineEdit* edtmdbpassword = nullptr;
  QLineEdit* edtxlsfilename = nullptr;
  QPushButton* btnexcel = nullptr;
  QCheckBox* chkexcel = nullptr;
  QGroupBox* gbold = nullptr;
  TableListView* lbold = nullptr;
  QWidget* Pnlbtn = nullptr;
  TableListView* lbnew = nullptr;
  QGroupBox* RGtableMode = nullptr;
  QButtonGroup* RGtableModeButtons = nullptr;
  QLineEdit* edtSrc = nullptr;
  QLineEdit* edtDest = nullptr;
  QWidget* Panel4 = nullptr;
  QPushButton* btnup = nullptr;
  QPushButton* btnnextConvert = nullptr;
  QPushButton* btnNextdef = nullptr;
  QMenu* popupMenu_ = nullptr;
  QAction* miFindNext = nullptr;
};

}  // namespace mvq
