// The wizard window's program: the application, the main window, the message loop, and
// the last-resort handler that shows an error that escaped a handler in an error box.
#include <QApplication>
#include <exception>

#include "gui/QtChinese.h"
#include "gui/QtUserInterface.h"
#include "gui/WindowSteps.h"
#include "gui/pasoracletoaccess.h"
#include "shell/ShellError.h"
#include "shell/ShellServices.h"

namespace {

class Application : public QApplication {
 public:
  using QApplication::QApplication;

  // Handlers catch their own errors; whatever still escapes one ends up here rather than
  // unwinding through the event loop.
  bool notify(QObject* receiver, QEvent* event) override {
    try {
      return QApplication::notify(receiver, event);
    } catch (const std::exception& e) {
      mvq::QtUserInterface(activeWindow()).ShowError(mvq::ErrorBoxText(e.what()));
    } catch (...) {
      mvq::QtUserInterface(activeWindow()).ShowError("未知错误.");
    }
    return false;
  }
};

}  // namespace

int main(int argc, char** argv) {
  Application app(argc, argv);
  QApplication::setApplicationName("mvq");
  QApplication::setFont(mvq::WindowFont());
  mvq::InstallQtChinese(app);
  try {
    mvq::WindowOptions options;
    options.steps = [](mvq::WizardContext& c) { return std::make_unique<mvq::WindowSteps>(c); };
    mvq::TFrmoracletoaccess window(std::move(options));
    window.show();
    return QApplication::exec();
  } catch (const std::exception& e) {
    mvq::QtUserInterface().ShowError(mvq::ErrorBoxText(e.what()));
    return 1;
  }
}
