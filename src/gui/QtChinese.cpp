#include "gui/QtChinese.h"

#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>

namespace mvq {

bool InstallQtChinese(QCoreApplication& application) {
  auto* translator = new QTranslator(&application);
  const QString folder = QLibraryInfo::path(QLibraryInfo::TranslationsPath);
  if (!translator->load(QLocale(QLocale::Chinese, QLocale::China), "qtbase", "_", folder)) {
    delete translator;
    return false;
  }
  return QCoreApplication::installTranslator(translator);
}

}  // namespace mvq
