#include "gui/TMyProgress.h"

#include <QApplication>
#include <QCloseEvent>
#include <QMessageBox>
#include <QScreen>

#include "gui/QtUserInterface.h"

namespace mvq {

namespace {

constexpr int kClientWidth = 326;
constexpr int kBarLeft = 9;
constexpr int kBarWidth = 304;
constexpr int kBarHeight = 16;
constexpr int kWindowTop = 200;

}  // namespace

TMyProgress::TMyProgress(int levels, bool withCancel)
    : QWidget(nullptr, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint) {
  setObjectName("TMyProgress");
  setWindowTitle("进度");
  setFixedSize(kClientWidth, 35 * levels + 61);
  for (int i = 0; i < levels; ++i) {
    auto* bar = new QProgressBar(this);
    bar->setObjectName(QString("bar%1").arg(i));
    bar->setRange(0, 100);
    bar->setValue(0);
    bar->setTextVisible(false);
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
  if (level >= 0 && level < static_cast<int>(bars_.size())) Bar(level)->setValue(percent);
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
  event->ignore();
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
