// The wizard's form state through the settings file's walk: which lines the main window
// writes, in which order, and how the lines come back.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "shell/FormComponents.h"
#include "support/TempDir.h"
#include "support/utFzStream.h"

namespace mvq {
namespace {

using Lines = std::vector<std::string>;

const std::string kStar(28, '*');
const std::string kDash(18, '-');
const std::string kBars(21, '|');

// The property lines of the saved file, between the window's name and its sections.
Lines Save(FormState& form) {
  TFzAppSaveSet save{FormApplication(form)};
  TFzReadStream read(MemoryInput(save.Bytes()), "mem");
  Lines records;
  while (!read.AtEnd()) records.push_back(read.ReadString());
  EXPECT_GE(records.size(), 5u);
  EXPECT_EQ(records[0], kStar);
  EXPECT_EQ(records[1], "Frmoracletoaccess");
  EXPECT_EQ(Lines(records.end() - 3, records.end()), (Lines{kDash, kDash, kBars}));
  return Lines(records.begin() + 2, records.end() - 3);
}

std::string FileOf(const Lines& lines) {
  TFzWriteStream write;
  write.WriteString(kStar);
  write.WriteString("Frmoracletoaccess");
  for (const std::string& line : lines) write.WriteString(line);
  write.WriteString(kDash);
  write.WriteString(kDash);
  write.WriteString(kBars);
  return write.Bytes();
}

void Restore(FormState& form, const Lines& lines) {
  FormApplication application(form);
  TFzAppGetSet load(application, MemoryInput(FileOf(lines)), "mem");
}

TEST(FormComponents, DefaultsAreSavedInTheFilesOrder) {
  FormState form;
  EXPECT_EQ(Save(form), (Lines{"RGmy,itemindex,0",
                               "edtsqlpassword,Text,",
                               "edtsqluser,Text,sa",
                               "edtsqlserverdb,Text,",
                               "edtsqlCatalog,itemindex,-1",
                               "RBConnw,checked,False",
                               "RBConnS,checked,True",
                               "edtpassword,Text,",
                               "edtuser,Text,",
                               "edtDB,Text,",
                               "edtcomputer,Text,127.0.0.1",
                               "edtport,Text,1521",
                               "edtfilename,Text," + DefaultDocumentPath("1.mdb"),
                               "edtmdbpassword,Text,",
                               "edtxlsfilename,Text," + DefaultDocumentPath("1.xls"),
                               "chkexcel,checked,False",
                               "lbold,items,",
                               "lbnew,items,",
                               "RGtableMode,itemindex,0",
                               "edtDest,Text,",
                               "edtSrc,Text,",
                               "N1,checked,False",
                               "N2,checked,False",
                               "N3,checked,False",
                               "N4,checked,False",
                               "N5,checked,False",
                               "N6,checked,False",
                               "N7,checked,False",
                               "N8,checked,False",
                               "miFindNext,checked,False"}));
}

TEST(FormComponents, EverySavedFieldComesBack) {
  FormState form;
  form.RGmy = 7;
  form.edtsqlpassword = "p,w";
  form.edtsqluser = "admin";
  form.edtsqlserverdb = "db01\\SQLEXPRESS";
  form.edtsqlCatalog.SetItems({"master", "sales"});
  form.edtsqlCatalog.SetItemIndex(1);
  form.sqlAuth = SqlAuth::Windows;
  form.edtpassword = "tiger";
  form.edtuser = "scott";
  form.edtDB = "ORCL";
  form.edtcomputer = "10.0.0.5";
  form.edtport = "1522";
  form.edtfilename = "/data/源.mdb";
  form.edtmdbpassword = "secret";
  form.edtxlsfilename = "/data/out.xls";
  form.chkexcel = true;
  form.lbold.SetTexts({"EMP", "DEPT", "员工"});
  form.lbnew.SetTexts({"Z", "A"});
  form.RGtableMode = 2;
  form.edtDest = "Driver=SQLite3;Database=/tmp/b.db";
  form.edtSrc = "DSN=src;UID=a,b";
  form.N[3] = true;
  form.miFindNext = true;
  const Lines saved = Save(form);

  FormState restored;
  restored.edtsqlCatalog.items = {"master", "sales"};  // restored only when the list is there
  Restore(restored, saved);
  EXPECT_EQ(Save(restored), saved);
  EXPECT_EQ(restored.edtsqlCatalog.text, "sales");
  EXPECT_TRUE(restored.RBConnw());
  EXPECT_FALSE(restored.SqlLoginEnabled());
  EXPECT_EQ(restored.lbold.Texts(), (std::vector<std::string>{"DEPT", "EMP", "员工"}));
  EXPECT_EQ(restored.edtSrc, "DSN=src;UID=a,b");
}

TEST(FormComponents, AListComesBackSortedWhateverOrderADropGaveIt) {
  FormState form;
  form.lbnew.Insert(0, "Z");
  form.lbnew.Insert(1, "A");
  const Lines saved = Save(form);
  EXPECT_EQ(saved.at(17), "lbnew,items,Z<Br>A<Br>");
  FormState restored;
  Restore(restored, saved);
  EXPECT_EQ(restored.lbnew.Texts(), (std::vector<std::string>{"A", "Z"}));
}

TEST(FormComponents, LinesAreSplitAtTheFirstTwoCommas) {
  FormState form;
  Restore(form, {"edtuser,Text,a,b,,c", "EDTDB,text,x", "edtport", "edtcomputer,Text",
                 "nosuch,Text,1", "edtpassword,Enabled,False", "lbnew,ITEMS,Q<BR>P<br>"});
  EXPECT_EQ(form.edtuser, "a,b,,c");
  EXPECT_EQ(form.edtDB, "x");
  EXPECT_EQ(form.edtport, "1521");
  EXPECT_EQ(form.edtcomputer, "127.0.0.1");
  EXPECT_EQ(form.edtpassword, "");
  EXPECT_EQ(form.lbnew.Texts(), (std::vector<std::string>{"P", "Q"}));
}

TEST(FormComponents, TheLaterAuthenticationLineWins) {
  FormState form;
  Restore(form, {"RBConnw,checked,True", "RBConnS,checked,False"});
  EXPECT_TRUE(form.RBConnw());
  Restore(form, {"RBConnw,checked,False"});
  EXPECT_TRUE(form.RBConnS());
  Restore(form, {"RBConnw,checked,true", "RBConnS,checked,TRUE"});
  EXPECT_TRUE(form.RBConnS());
  EXPECT_TRUE(form.SqlLoginEnabled());
}

TEST(FormComponents, UnconvertibleValuesThrowAfterEarlierLinesApplied) {
  for (const char* bad : {"RGmy,itemindex,abc", "RGtableMode,itemindex,", "RGmy,itemindex,3x",
                          "chkexcel,checked,yes", "edtsqlCatalog,itemindex,one"}) {
    FormState form;
    EXPECT_THROW(Restore(form, {"edtuser,Text,scott", bad, "edtDB,Text,late"}), SettingsError)
        << bad;
    EXPECT_EQ(form.edtuser, "scott");
    EXPECT_EQ(form.edtDB, "");
    EXPECT_EQ(form.RGmy, 0);
  }
}

TEST(FormComponents, ChoicesOutsideTheItemsAreNotTaken) {
  FormState form;
  Restore(form, {"RGmy,itemindex,4", "RGmy,itemindex,10", "RGmy,itemindex,-1",
                 "RGtableMode,itemindex,1", "RGtableMode,itemindex,3"});
  EXPECT_EQ(form.RGmy, 4);
  EXPECT_EQ(form.RGtableMode, 1);
  // The database list is empty at start: the saved choice cannot be restored.
  form.edtsqlCatalog.text = "typed";
  Restore(form, {"edtsqlCatalog,itemindex,2"});
  EXPECT_EQ(form.edtsqlCatalog.itemIndex, -1);
  EXPECT_EQ(form.edtsqlCatalog.text, "typed");
}

TEST(CatalogBox, ADatabaseListChoosesItsFirstName) {
  CatalogBox box;
  box.text = "typed";
  box.SetItems({"master", "model"});
  EXPECT_EQ(box.itemIndex, 0);
  EXPECT_EQ(box.text, "master");
  box.SetItems({});
  EXPECT_EQ(box.itemIndex, -1);
  EXPECT_EQ(box.text, "master");
}

}  // namespace
}  // namespace mvq

namespace mvq {
namespace {

TEST(FormComponents, TheStateGoesThroughARealFileAndAMissingFileChangesNothing) {
  test::TempDir dir;
  const std::string path = dir.File("mvq.set");
  FormState form;
  LoadFormState(form, path);
  EXPECT_EQ(form.edtsqluser, "sa");
  form.edtSrc = "DRIVER=SQLite3;Database=/tmp/a.db";
  form.lbnew.SetTexts({"EMP"});
  SaveFormState(form, path);
  FormState restored;
  LoadFormState(restored, path);
  EXPECT_EQ(restored.edtSrc, form.edtSrc);
  EXPECT_EQ(restored.lbnew.Texts(), Lines{"EMP"});
}

}  // namespace
}  // namespace mvq
