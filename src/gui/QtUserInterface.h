#pragma once
// The wizard's questions and notices as Qt message boxes and dialogs.
#include <QPointer>
#include <QWidget>

#include "shell/UserInterface.h"

namespace mvq {

class QtUserInterface : public UserInterface {
 public:
  // Boxes are centred on parent (may be null).
  explicit QtUserInterface(QWidget* parent = nullptr) : parent_(parent) {}

  void Message(const std::string& text) override;
  bool Question(const std::string& text) override;
  void ShowError(const std::string& text) override;
  void ShowErrorBox(const std::string& caption, const std::string& text) override;
  std::optional<std::string> ChooseFile(const std::string& initialFile,
                                        const std::string& filter) override;
  std::optional<std::string> InputBox(const std::string& caption, const std::string& prompt,
                                      const std::string& initialText) override;
  int ShellOpen(const std::string& file, const std::string& verb) override;

 private:
  QPointer<QWidget> parent_;
};

// "*.mdb|*.mdb" (description|pattern pairs) as a Qt name filter "*.mdb (*.mdb)".
QString QtNameFilter(const std::string& filter);

inline QString Q(const std::string& text) {
  return QString::fromStdString(text);
}
inline std::string S(const QString& text) {
  return text.toStdString();
}

}  // namespace mvq
