#pragma once
// Qt's own texts (message box and file dialog buttons, the find dialog, context menus) in
// Simplified Chinese, as the rest of the window speaks, from the Qt translations installed
// with the system (Debian: qt6-translations-l10n).
#include <QCoreApplication>

namespace mvq {

// Loads qtbase's Chinese translation into the application. False, and Qt stays in English,
// when the translations are not installed.
bool InstallQtChinese(QCoreApplication& application);

}  // namespace mvq
