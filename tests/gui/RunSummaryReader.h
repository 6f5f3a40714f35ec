#pragma once
// Reads the summary that ends a run through the window, then closes it.
#include <QApplication>
#include <QDialog>
#include <QLabel>
#include <QTableWidget>
#include <QTimer>
#include <string>
#include <vector>

namespace mvq::test {

// What the summary showed: its headline and, per table, name | result | existing-table step |
// counted | written | reason.
struct Shown {
  std::string headline;
  std::vector<std::string> rows;
  bool seen = false;
};

// Reads the summary once it is up and closes it. The run processes events before the
// summary opens, so the check comes again until the summary is there.
inline void ReadSummary(Shown& shown, int triesLeft = 3000) {
  QTimer::singleShot(triesLeft == 3000 ? 0 : 10, [&shown, triesLeft] {
    auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget());
    if (!dialog || dialog->objectName() != "RunSummaryDialog") {
      if (triesLeft > 0) ReadSummary(shown, triesLeft - 1);
      return;
    }
    shown.seen = true;
    shown.headline = dialog->findChild<QLabel*>("lblHeadline")->text().toStdString();
    const auto* table = dialog->findChild<QTableWidget*>("tblOutcomes");
    for (int r = 0; r < table->rowCount(); ++r) {
      std::string row;
      for (int c : {0, 1, 2, 3, 4, 6}) {
        if (c) row += " | ";
        row += table->item(r, c)->text().toStdString();
      }
      shown.rows.push_back(row);
    }
    dialog->accept();
  });
}

}  // namespace mvq::test
