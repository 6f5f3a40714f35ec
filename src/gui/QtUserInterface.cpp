#include "gui/QtUserInterface.h"

#include <QFileDialog>
#include <QFileInfo>
#include <QInputDialog>
#include <QMessageBox>
#include <QStringList>

#include "platform/desktop/OpenDocument.h"
#include "shell/ShellServices.h"
#include "support/Messages.h"

namespace mvq {

namespace {

QString Title() {
  return Q(std::string(kAppTitle));
}

}  // namespace

QString QtNameFilter(const std::string& filter) {
  const QStringList parts = Q(filter).split('|');
  QStringList filters;
  for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
    filters << parts[i] + " (" + QString(parts[i + 1]).replace(';', ' ') + ")";
  }
  if (filters.isEmpty() && !filter.empty()) filters << Q(filter);
  return filters.join(";;");
}

void QtUserInterface::Message(const std::string& text) {
  QMessageBox box(QMessageBox::NoIcon, Title(), Q(text), QMessageBox::Ok, parent_);
  box.exec();
}

bool QtUserInterface::Question(const std::string& text) {
  QMessageBox box(QMessageBox::Question, Title(), Q(text), QMessageBox::Yes | QMessageBox::No,
                  parent_);
  return box.exec() == QMessageBox::Yes;
}

void QtUserInterface::ShowError(const std::string& text) {
  QMessageBox box(QMessageBox::Critical, Title(), Q(text), QMessageBox::Ok, parent_);
  box.exec();
}

void QtUserInterface::ShowErrorBox(const std::string& caption, const std::string& text) {
  QMessageBox box(QMessageBox::Critical, Q(caption), Q(text), QMessageBox::Ok, parent_);
  box.exec();
}

std::optional<std::string> QtUserInterface::ChooseFile(const std::string& initialFile,
                                                       const std::string& filter) {
  // An open dialog that also takes a name not there yet: a missing Access file is created.
  QFileDialog dialog(parent_, QString(), QString(), QtNameFilter(filter));
  dialog.setAcceptMode(QFileDialog::AcceptOpen);
  dialog.setFileMode(QFileDialog::AnyFile);
  const QFileInfo initial(Q(initialFile));
  if (initial.dir().exists()) dialog.setDirectory(initial.dir());
  dialog.selectFile(initial.fileName());
  if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return std::nullopt;
  return S(dialog.selectedFiles().front());
}

std::optional<std::string> QtUserInterface::InputBox(const std::string& caption,
                                                     const std::string& prompt,
                                                     const std::string& initialText) {
  bool ok = false;
  const QString text =
      QInputDialog::getText(parent_, Q(caption), Q(prompt), QLineEdit::Normal, Q(initialText), &ok);
  if (!ok) return std::nullopt;
  return S(text);
}

int QtUserInterface::ShellOpen(const std::string& file, const std::string& verb) {
  return OpenDocument(file, verb);  // the caller of ShellOpen shows the error box
}

}  // namespace mvq
