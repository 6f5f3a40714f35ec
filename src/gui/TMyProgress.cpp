#include "gui/TMyProgress.h"

#include <QApplication>
#include <QCloseEvent>
#include <QMessageBox>
#include <QScreen>
#include <algorithm>

#include "gui/QtUserInterface.h"

namespace mvq {

namespace {

constexpr int kClientWidth = 326;
constexpr int kBarLeft = 9;
constexpr int kBarWidth = 304;
constexpr int kBarHeight = 16;
constexpr int kWindowTop = 200;

}  // namespace

std::string ProgressBarText(int levels, int level, int32_t position, int32_t maximum) {
  if (levels >= 2 && level == levels - 1) {
    return "已复制" + std::to_string(position) + "行，共" + std::to_string(maximum) + "行";
  }
  // The table level's maximum is the table count less one. The conversion run steps it after
  // each table, the workbook run (a single level) before each.
  const int64_t tables = std::max<int64_t>(int64_t{maximum} + 1, 1);
  const int64_t current =
      std::clamp<int64_t>(levels >= 2 ? int64_t{position} + 1 : position, 1, tables);
  return "第" + std::to_string(current) + "个表，共" + std::to_string(tables) + "个";
}

TMyProgress::TMyProgress(int levels, bool withCancel)
    : QWidget(nullptr, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                           (withCancel ? Qt::WindowCloseButtonHint : Qt::WindowType(0))) {
  setObjectName("TMyProgress");
  setWindowTitle("进度");
  setFixedSize(kClientWidth, 35 * levels + 61);
  for (int i = 0; i < levels; ++i) {
    auto* bar = new QProgressBar(this);
    bar->setObjectName(QString("bar%1").arg(i));
    bar->setRange(0, 100);
    bar->setValue(0);
    bar->setTextVisible(true);
    bar->setAlignment(Qt::AlignCenter);
    bar->setFormat(Q(ProgressBarText(levels, i, 0, 0)));
    bar->setGeometry(kBarLeft, 30 * i + 25, kBarWidth, kBarHeight);
    bars_.push_back(bar);
  }
  if (withCancel) {
    cancel_ = new QPushButton("取消", this);
    cancel_->setObjectName("btnCancel");
    cancel_->setGeometry(246, 30 * levels + 24, 62, 26);
    cancel_->setAttribute(Qt::WA_Hover);  // highlighted while the pointer is on it
    connect(cancel_, &QPushButton::clicked, this, [] { ProgressCancelClicked(); });
  }
  const QScreen* screen = QGuiApplication::primaryScreen();
  const int screenWidth = screen ? screen->geometry().width() : kClientWidth;
  move((screenWidth - kClientWidth) / 2, kWindowTop);
}

void TMyProgress::Show() {
  show();
}

void TMyProgress::SetBarPercent(int level, int percent) {
  if (level < 0 || level >= static_cast<int>(bars_.size())) return;
  Bar(level)->setValue(percent);
  Bar(level)->setFormat(Q(ProgressBarText(static_cast<int>(bars_.size()), level,
                                          ProgressPosition(level), ProgressMaximum(level))));
}

void TMyProgress::SetCaption(const std::string& caption) {
  setWindowTitle(Q(caption));
}

void TMyProgress::SetStayOnTop(bool on) {
  if (StaysOnTop() == on) return;
  const bool visible = isVisible();
  setWindowFlag(Qt::WindowStaysOnTopHint, on);  // hides the window; show it again
  if (visible) show();
}

void TMyProgress::BringToFront() {
  if (QGuiApplication::applicationState() == Qt::ApplicationActive) raise();
}

void TMyProgress::ProcessPendingEvents() {
  QCoreApplication::processEvents();
}

void TMyProgress::closeEvent(QCloseEvent* event) {
  // Only the run closes the window; its close button asks to cancel the run, as 取消 does.
  event->ignore();
  if (cancel_) ProgressCancelClicked();
}

std::unique_ptr<ProgressWindow> TMyProgressUi::CreateWindow(int levels, bool withCancel) {
  return std::make_unique<TMyProgress>(levels, withCancel);
}

bool TMyProgressUi::Confirm(const std::string& text, const std::string& caption) {
  if (confirm_) return confirm_(text, caption);
  QMessageBox box(QMessageBox::Question, Q(caption), Q(text), QMessageBox::Ok | QMessageBox::Cancel,
                  OpenProgressWindow());
  box.setDefaultButton(QMessageBox::Cancel);
  return box.exec() == QMessageBox::Ok;
}

TMyProgress* OpenProgressWindow() {
  for (QWidget* widget : QApplication::topLevelWidgets()) {
    if (auto* window = qobject_cast<TMyProgress*>(widget)) return window;
  }
  return nullptr;
}

}  // namespace mvq
