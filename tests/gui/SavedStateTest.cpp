// The window's controls saved at close and restored at the next start, through the real
// settings file.
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFocusEvent>
#include <QRadioButton>
#include <QTest>

#include "WindowFixture.h"
#include "support/utFzStream.h"

namespace mvq::test {
namespace {

using Strings = std::vector<std::string>;

// Types text key by key; QTest::keyClicks cannot send Chinese characters.
void Type(QWidget* widget, const QString& text) {
  widget->setFocus();
  for (const QChar c : text)
    QTest::sendKeyEvent(QTest::Click, widget, Qt::Key_unknown, QString(c), Qt::NoModifier);
}

Strings Records(const std::string& path) {
  TFzReadStream read(OpenSettingsInput(path), path);
  Strings records;
  while (!read.AtEnd()) records.push_back(read.ReadString());
  return records;
}

TEST_F(WindowTest, EverySavedControlComesBackAtTheNextStart) {
  Choose(7);
  Edit("edtsqlserverdb")->setText("db01\\SQLEXPRESS");
  Edit("edtsqluser")->setText("admin");
  Edit("edtsqlpassword")->setText("p,w");
  QFocusEvent leave(QEvent::FocusOut, Qt::TabFocusReason);
  QApplication::sendEvent(Edit("edtsqlpassword"), &leave);
  Find<QComboBox>("edtsqlCatalog")->setCurrentIndex(1);
  Find<QRadioButton>("RBConnw")->click();
  Edit("edtcomputer")->setText("10.0.0.5");
  Type(Edit("edtDB"), "库ORCL");
  Edit("edtport")->setText("1522");
  Edit("edtuser")->setText("scott");
  Edit("edtpassword")->setText("tiger");
  Edit("edtfilename")->setText("/data/源.mdb");
  Edit("edtmdbpassword")->setText("secret");
  Edit("edtxlsfilename")->setText("/data/out,1.xls");
  Find<QCheckBox>("chkexcel")->setChecked(true);
  Find<QRadioButton>("RGtableMode_2")->click();
  Edit("edtSrc")->setText("DRIVER=SQLite3;Database=/tmp/a.db");
  Edit("edtDest")->setText("DSN=target;UID=a,b");
  window->ChangeForm([](FormState& form) {
    form.lbold.SetTexts({"EMP", "DEPT", "员工"});
    form.lbnew.Insert(0, "Z");  // the order a drop gives
    form.lbnew.Insert(1, "A");
  });

  Click("btnexit");
  EXPECT_FALSE(window->isVisible());
  EXPECT_TRUE(ui.calls.empty()) << ui.calls.front();

  // The main window's components, in their order, one line each.
  const Strings records = Records(SettingsPath());
  ASSERT_GE(records.size(), 5u);
  EXPECT_EQ(records[0], std::string(28, '*'));
  EXPECT_EQ(records[1], "Frmoracletoaccess");
  Strings names;
  for (size_t i = 2; i + 3 < records.size(); ++i)
    names.push_back(records[i].substr(0, records[i].find(',')));
  EXPECT_EQ(names, (Strings{"RGmy",
                            "edtsqlpassword",
                            "edtsqluser",
                            "edtsqlserverdb",
                            "edtsqlCatalog",
                            "RBConnw",
                            "RBConnS",
                            "edtpassword",
                            "edtuser",
                            "edtDB",
                            "edtcomputer",
                            "edtport",
                            "edtfilename",
                            "edtmdbpassword",
                            "edtxlsfilename",
                            "chkexcel",
                            "lbold",
                            "lbnew",
                            "RGtableMode",
                            "edtDest",
                            "edtSrc",
                            "N1",
                            "N2",
                            "N3",
                            "N4",
                            "N5",
                            "N6",
                            "N7",
                            "N8",
                            "miFindNext"}));
  EXPECT_EQ(records[2], "RGmy,itemindex,7");
  EXPECT_EQ(records[6], "edtsqlCatalog,itemindex,1");
  EXPECT_EQ(records[19], "lbnew,items,Z<Br>A<Br>");
  EXPECT_EQ(Strings(records.end() - 3, records.end()),
            (Strings{std::string(18, '-'), std::string(18, '-'), std::string(21, '|')}));

  Open();
  EXPECT_TRUE(ui.calls.empty()) << ui.calls.front();
  EXPECT_TRUE(Find<QRadioButton>("RGmy_7")->isChecked());
  EXPECT_EQ(Edit("edtsqlserverdb")->text(), "db01\\SQLEXPRESS");
  EXPECT_EQ(Edit("edtsqluser")->text(), "admin");
  EXPECT_EQ(Edit("edtsqlpassword")->text(), "p,w");
  EXPECT_TRUE(Find<QRadioButton>("RBConnw")->isChecked());
  EXPECT_FALSE(Find<QRadioButton>("RBConnS")->isChecked());
  EXPECT_FALSE(Edit("edtsqluser")->isEnabled());
  // Saved by its index into a list that is empty at start: the name does not come back.
  EXPECT_EQ(Find<QComboBox>("edtsqlCatalog")->currentText(), "");
  EXPECT_EQ(Edit("edtcomputer")->text(), "10.0.0.5");
  EXPECT_EQ(Edit("edtDB")->text().toStdString(), "库ORCL");
  EXPECT_EQ(Edit("edtport")->text(), "1522");
  EXPECT_EQ(Edit("edtuser")->text(), "scott");
  EXPECT_EQ(Edit("edtpassword")->text(), "tiger");
  EXPECT_EQ(Edit("edtfilename")->text().toStdString(), "/data/源.mdb");
  EXPECT_EQ(Edit("edtmdbpassword")->text(), "secret");
  EXPECT_EQ(Edit("edtxlsfilename")->text(), "/data/out,1.xls");
  EXPECT_TRUE(Find<QCheckBox>("chkexcel")->isChecked());
  EXPECT_EQ(Shown(List("lbold")), (Strings{"DEPT", "EMP", "员工"}));
  EXPECT_EQ(Shown(List("lbnew")), (Strings{"A", "Z"}));
  EXPECT_TRUE(Find<QRadioButton>("RGtableMode_2")->isChecked());
  EXPECT_EQ(Edit("edtSrc")->text(), "DRIVER=SQLite3;Database=/tmp/a.db");
  EXPECT_EQ(Edit("edtDest")->text(), "DSN=target;UID=a,b");
  // Restoring leaves the window on the direction page with an empty history.
  EXPECT_EQ(Page(), kMainPage);
  EXPECT_TRUE(History().empty());
}

TEST_F(WindowTest, AValueThatDoesNotConvertIsShownAndTheLinesBeforeItStay) {
  window.reset();
  TFzWriteStream file(SettingsPath());
  for (const char* record :
       {"****************************", "Frmoracletoaccess", "RGmy,itemindex,3",
        "edtuser,Text,scott", "nosuch,Text,x", "RGtableMode,itemindex,abc", "edtDB,Text,late",
        "------------------", "------------------", "|||||||||||||||||||||"}) {
    file.WriteString(record);
  }
  file.Close();
  Open();
  ASSERT_EQ(ui.calls.size(), 1u);
  EXPECT_EQ(ui.calls[0].rfind("error: ", 0), 0u) << ui.calls[0];
  EXPECT_NE(ui.calls[0].find("RGtableMode"), std::string::npos) << ui.calls[0];
  EXPECT_TRUE(Find<QRadioButton>("RGmy_3")->isChecked());
  EXPECT_EQ(Edit("edtuser")->text(), "scott");
  EXPECT_EQ(Edit("edtDB")->text(), "");
  EXPECT_TRUE(Find<QRadioButton>("RGtableMode_0")->isChecked());
}

TEST_F(WindowTest, ASettingsFileThatCannotBeWrittenIsReportedAndTheWindowStillCloses) {
  ASSERT_TRUE(QDir().mkpath(QString::fromStdString(SettingsPath())));  // a folder in its place
  window->close();
  EXPECT_FALSE(window->isVisible());
  ASSERT_EQ(ui.calls.size(), 1u);
  EXPECT_EQ(ui.calls[0].rfind("error: ", 0), 0u) << ui.calls[0];
}

}  // namespace
}  // namespace mvq::test
