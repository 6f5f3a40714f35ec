// Saving and restoring a window's controls through the settings file.
#include <sys/stat.h>

#include <gtest/gtest.h>

#include "support/MemoryComponent.h"
#include "support/TempDir.h"
#include "support/utFzStream.h"

namespace mvq {
namespace {

using test::TempDir;

// The main window's input controls, nested as the window nests them, plus some that
// publish nothing the file saves.
struct MainWindow {
  MemoryApplication app;
  MemoryComponent* form = nullptr;

  MainWindow() {
    form = &app.AddWindow(MakeWindow("Frmoracletoaccess"));
    auto& pages = form->Add(MakePanel("PageControl1"));
    auto& first = pages.Add(MakePanel("TsMian"));
    first.Add(MakeRadioGroup("RGmy", {"0", "1", "2", "3", "4", "5", "6", "7", "8", "9"}, 0));
    auto& settings = pages.Add(MakePanel("tscover"));
    auto& sql = settings.Add(MakePanel("GBsql"));
    sql.Add(MakeEdit("edtsqlpassword"));
    sql.Add(MakeEdit("edtsqluser", "sa"));
    sql.Add(MakeEdit("edtsqlserverdb"));
    sql.Add(MakeComboBox("edtsqlCatalog"));
    sql.Add(MakeCheckBox("RBConnw", true));
    sql.Add(MakeCheckBox("RBConnS"));
    sql.Add(MakeLabel("Label1", "用户名"));
    auto& ora = settings.Add(MakePanel("gboracle"));
    for (const char* n : {"edtpassword", "edtuser", "edtDB", "edtcomputer"}) ora.Add(MakeEdit(n));
    ora.Add(MakeEdit("edtport", "1521"));
    auto& files = settings.Add(MakePanel("gbmdb"));
    files.Add(MakeEdit("edtfilename"));
    files.Add(MakeEdit("edtmdbpassword"));
    files.Add(MakeEdit("edtxlsfilename"));
    files.Add(MakeCheckBox("chkexcel"));
    auto& lists = pages.Add(MakePanel("tsexp"));
    lists.Add(MakeListBox("lbold"));
    lists.Add(MakeListBox("lbnew"));
    lists.Add(MakeRadioGroup("RGtableMode", {"skip", "delete", "drop"}, 0));
    auto& custom = pages.Add(MakePanel("tsdef"));
    custom.Add(MakeEdit("edtDest"));
    custom.Add(MakeEdit("edtSrc"));
    form->Add(MakeSpinEdit("seRows", 10));
  }

  MemoryComponent& operator[](const std::string& name) {
    return *static_cast<MemoryComponent*>(FindOwned(*form, name));
  }
};

std::vector<std::string> Records(const std::string& bytes) {
  TFzReadStream r(MemoryInput(bytes), "mem");
  std::vector<std::string> out;
  while (!r.AtEnd()) out.push_back(r.ReadString());
  return out;
}

std::string File(const std::vector<std::string>& strings) {
  TFzWriteStream w;
  for (const auto& s : strings) w.WriteString(s);
  return w.Bytes();
}

const std::string kStar(28, '*');
const std::string kDash(18, '-');
const std::string kBars(21, '|');

TEST(SettingsWalk, SavesOneLinePerInputControlInTheWindowsOrder) {
  MainWindow w;
  w["RGmy"].SetPropertyText("ItemIndex", "2");
  w["edtSrc"].SetPropertyText("Text", "DSN=a,b");
  w["lbnew"].SetItems({"A", "B"});
  w["edtsqlCatalog"].SetItems({"master", "pubs"});
  w["edtsqlCatalog"].SetPropertyText("ItemIndex", "1");

  TFzAppSaveSet save(w.app);
  std::vector<std::string> expected = {kStar,
                                       "Frmoracletoaccess",
                                       "RGmy,itemindex,2",
                                       "edtsqlpassword,Text,",
                                       "edtsqluser,Text,sa",
                                       "edtsqlserverdb,Text,",
                                       "edtsqlCatalog,itemindex,1",
                                       "RBConnw,checked,True",
                                       "RBConnS,checked,False",
                                       "edtpassword,Text,",
                                       "edtuser,Text,",
                                       "edtDB,Text,",
                                       "edtcomputer,Text,",
                                       "edtport,Text,1521",
                                       "edtfilename,Text,",
                                       "edtmdbpassword,Text,",
                                       "edtxlsfilename,Text,",
                                       "chkexcel,checked,False",
                                       "lbold,items,",
                                       "lbnew,items,A<Br>B<Br>",
                                       "RGtableMode,itemindex,0",
                                       "edtDest,Text,",
                                       "edtSrc,Text,DSN=a,b",
                                       "seRows,Value,10",
                                       kDash,
                                       kDash,
                                       kBars};
  EXPECT_EQ(Records(save.Bytes()), expected);
}

TEST(SettingsWalk, RestoresWhatWasSavedWithListsCommasAndChineseIntact) {
  TempDir dir;
  std::string path = dir.File("mvq.set");
  {
    MainWindow w;
    w["RGmy"].SetPropertyText("ItemIndex", "9");
    w["edtsqlpassword"].SetPropertyText("Text", "p,a,,ss");
    w["RBConnw"].SetPropertyText("Checked", "False");
    w["RBConnS"].SetPropertyText("Checked", "True");
    w["edtuser"].SetPropertyText("Text", "用户");
    w["lbold"].SetItems({"EMP", "DEPT", "表一"});
    w["lbnew"].SetItems({"A", "B"});
    w["edtsqlCatalog"].SetItems({"master", "pubs"});
    w["edtsqlCatalog"].SetPropertyText("ItemIndex", "1");
    w["seRows"].SetPropertyText("Value", "-5");
    SaveAppSettings(w.app, path);
  }
  MainWindow w;
  LoadAppSettings(w.app, path);
  EXPECT_EQ(w["RGmy"].Property("ItemIndex"), "9");
  EXPECT_EQ(w["edtsqlpassword"].Property("Text"), "p,a,,ss");
  EXPECT_EQ(w["RBConnw"].Property("Checked"), "False");
  EXPECT_EQ(w["RBConnS"].Property("Checked"), "True");
  EXPECT_EQ(w["edtuser"].Property("Text"), "用户");
  EXPECT_EQ(w["edtsqluser"].Property("Text"), "sa");
  EXPECT_EQ(w["lbold"].Items(), (std::vector<std::string>{"EMP", "DEPT", "表一"}));
  EXPECT_EQ(w["lbnew"].Items(), (std::vector<std::string>{"A", "B"}));
  // The catalog list is empty at start-up, so its saved index selects nothing.
  EXPECT_EQ(w["edtsqlCatalog"].Property("ItemIndex"), "-1");
  EXPECT_EQ(w["seRows"].Property("Value"), "-5");
}

TEST(SettingsWalk, NamesAreMatchedWithoutLetterCaseAndUnknownLinesAreSkipped) {
  MainWindow w;
  std::string bytes =
      File({kStar, "FRMORACLETOACCESS", "rgmy,ITEMINDEX,3", "EDTUSER,text,scott", "nosuch,Text,x",
            "edtDB,NoSuchProperty,x", "no commas", "edtDB;Text", "edtcomputer,Text",
            "LBNEW,Items,x<br>Y<BR>z", "RBConnS,CHECKED,true", kDash, kDash, kBars});
  TFzAppGetSet(w.app, MemoryInput(bytes), "mem");
  EXPECT_EQ(w["RGmy"].Property("ItemIndex"), "3");
  EXPECT_EQ(w["edtuser"].Property("Text"), "scott");
  EXPECT_EQ(w["edtDB"].Property("Text"), "");
  EXPECT_EQ(w["edtcomputer"].Property("Text"), "");
  EXPECT_EQ(w["lbnew"].Items(), (std::vector<std::string>{"x", "Y", "z"}));
  EXPECT_EQ(w["RBConnS"].Property("Checked"), "True");
}

TEST(SettingsWalk, ALaterLineWinsAndAListTakesBareLineBreaks) {
  MainWindow w;
  std::string bytes = File({kStar, "Frmoracletoaccess", "edtuser,Text,first", "edtuser,Text,second",
                            "lbold,items,a\nb\rc<Br><Br>d", kDash, kDash, kBars});
  TFzAppGetSet(w.app, MemoryInput(bytes), "mem");
  EXPECT_EQ(w["edtuser"].Property("Text"), "second");
  EXPECT_EQ(w["lbold"].Items(), (std::vector<std::string>{"a", "b", "c", "", "d"}));
}

TEST(SettingsWalk, ReadErrorsStopTheRestoreAfterTheValuesBeforeThem) {
  std::vector<std::string> lines = {kStar,
                                    "Frmoracletoaccess",
                                    "edtuser,Text,u1",
                                    "RGmy,itemindex,4",
                                    "edtDB,Text,orcl",
                                    kDash,
                                    kDash,
                                    kBars};
  std::string whole = File(lines);
  // A file ending right after the window's name: nothing of the window is applied.
  {
    MainWindow w;
    std::string cut = File({kStar, "Frmoracletoaccess"});
    EXPECT_THROW(TFzAppGetSet(w.app, MemoryInput(cut), "mem"), SettingsError);
    EXPECT_EQ(w["edtuser"].Property("Text"), "");
  }
  // The fourth line's record runs past the end: the two lines before it stay applied.
  {
    MainWindow w;
    std::string cut = File({kStar, "Frmoracletoaccess", "edtuser,Text,u1", "RGmy,itemindex,4"}) +
                      std::string("\x10\x00", 2) + "0DA3";
    try {
      TFzAppGetSet(w.app, MemoryInput(cut), "/x/mvq.set");
      ADD_FAILURE() << "no error";
    } catch (const SettingsError& e) {
      EXPECT_NE(std::string(e.what()).find("/x/mvq.set"), std::string::npos) << e.what();
    }
    EXPECT_EQ(w["edtuser"].Property("Text"), "u1");
    EXPECT_EQ(w["RGmy"].Property("ItemIndex"), "4");
    EXPECT_EQ(w["edtDB"].Property("Text"), "");
  }
  // Every shorter prefix of a good file fails cleanly; the whole one does not.
  for (size_t n = 0; n < whole.size(); ++n) {
    MainWindow w;
    EXPECT_THROW(TFzAppGetSet(w.app, MemoryInput(whole.substr(0, n)), "mem"), SettingsError) << n;
  }
  MainWindow w;
  EXPECT_NO_THROW(TFzAppGetSet(w.app, MemoryInput(whole), "mem"));
  EXPECT_EQ(w["edtDB"].Property("Text"), "orcl");
}

TEST(SettingsWalk, AValueThatDoesNotConvertIsAnErrorAfterTheLinesBeforeIt) {
  MainWindow w;
  std::string bytes = File({kStar, "Frmoracletoaccess", "edtuser,Text,kept", "RGmy,itemindex,abc",
                            "edtDB,Text,never", kDash, kDash, kBars});
  try {
    TFzAppGetSet(w.app, MemoryInput(bytes), "mem");
    ADD_FAILURE() << "no error";
  } catch (const SettingsError& e) {
    std::string what = e.what();
    EXPECT_NE(what.find("RGmy.itemindex"), std::string::npos) << what;
    EXPECT_NE(what.find("abc"), std::string::npos) << what;
  }
  EXPECT_EQ(w["edtuser"].Property("Text"), "kept");
  EXPECT_EQ(w["RGmy"].Property("ItemIndex"), "0");
  EXPECT_EQ(w["edtDB"].Property("Text"), "");

  MainWindow b;
  bytes = File({kStar, "Frmoracletoaccess", "chkexcel,checked,yes", kDash, kDash, kBars});
  EXPECT_THROW(TFzAppGetSet(b.app, MemoryInput(bytes), "mem"), SettingsError);
}

TEST(SettingsWalk, AWindowNameTheApplicationLacksEndsTheRestoreQuietly) {
  MainWindow w;
  std::string bytes = File({kStar, "Gone", "edtuser,Text,x", kDash, kDash, kStar,
                            "Frmoracletoaccess", "edtuser,Text,y", kDash, kDash, kBars});
  EXPECT_NO_THROW(TFzAppGetSet(w.app, MemoryInput(bytes), "mem"));
  EXPECT_EQ(w["edtuser"].Property("Text"), "");
}

TEST(SettingsWalk, EveryNamedWindowIsSavedAndRestoredInOrder) {
  MemoryApplication app;
  auto& main = app.AddWindow(MakeWindow("Main"));
  main.Add(MakeEdit("e1", "one"));
  app.AddWindow(MakeWindow(""));  // unnamed windows are not saved
  auto& second = app.AddWindow(MakeWindow("Second"));
  second.Add(MakeEdit("e2", "two"));
  TFzAppSaveSet save(app);
  EXPECT_EQ(Records(save.Bytes()),
            (std::vector<std::string>{kStar, "Main", "e1,Text,one", kDash, kDash, kStar, "Second",
                                      "e2,Text,two", kDash, kDash, kBars}));

  MemoryApplication copy;
  auto& m = copy.AddWindow(MakeWindow("Main"));
  m.Add(MakeEdit("e1"));
  auto& s = copy.AddWindow(MakeWindow("second"));
  s.Add(MakeEdit("E2"));
  TFzAppGetSet(copy, MemoryInput(save.Bytes()), "mem");
  EXPECT_EQ(static_cast<MemoryComponent*>(FindOwned(m, "e1"))->Property("Text"), "one");
  EXPECT_EQ(static_cast<MemoryComponent*>(FindOwned(s, "e2"))->Property("Text"), "two");
}

TEST(SettingsWalk, AControlWithAParentSavesItsDirectChildrenOnly) {
  auto frame = MakePanel("frame");
  auto& inner = frame->Add(MakePanel("inner"));
  inner.Add(MakeEdit("deep", "d"));
  frame->Add(MakeEdit("direct", "x"));
  auto owner = MakeWindow("w");
  auto& placed = owner->Add(std::move(frame));
  TFzSaveSet save;
  save.SaveControl(placed);
  EXPECT_EQ(Records(save.Bytes()), (std::vector<std::string>{"direct,Text,x", kDash, kDash}));

  // Restoring looks among owned components first, then among direct child controls.
  TFzGetSet get(MemoryInput(File({"deep,Text,D", "direct,Text,X", kDash, kDash})), "mem");
  get.LoadControl(placed);
  EXPECT_EQ(static_cast<MemoryComponent*>(FindChild(placed, "direct"))->Property("Text"), "X");
  EXPECT_EQ(static_cast<MemoryComponent*>(FindOwned(*owner, "deep"))->Property("Text"), "d");
}

FontRecord Font(const std::string& face, int32_t height) {
  FontRecord f;
  f.color = 0x0000FF;
  f.logFont.height = height;
  f.logFont.weight = 400;
  f.logFont.charSet = 134;
  f.logFont.faceName = face;
  return f;
}

TEST(SettingsWalk, BitmapButtonsTagged89KeepTheirFonts) {
  MemoryApplication app;
  auto& win = app.AddWindow(MakeWindow("W"));
  win.Add(MakeBitBtn("bbSave", 89, Font("宋体", -12)));
  win.Add(MakeBitBtn("bbOther", 0, Font("Arial", -20)));
  win.Add(MakeBitBtn("bbPlain", 89, std::nullopt));
  TFzAppSaveSet save(app);

  TFzReadStream r(MemoryInput(save.Bytes()), "mem");
  for (const char* s : {"****************************", "W", "------------------", "bbSave"})
    EXPECT_EQ(r.ReadString(), s);
  FontRecord f;
  EXPECT_TRUE(r.ReadFont(f));
  EXPECT_EQ(f, Font("宋体", -12));
  EXPECT_EQ(r.ReadString(), "bbPlain");
  EXPECT_FALSE(r.ReadFont(f));
  EXPECT_EQ(r.ReadString(), kDash);
  EXPECT_EQ(r.ReadString(), kBars);

  MemoryApplication copy;
  auto& cw = copy.AddWindow(MakeWindow("W"));
  auto& saved = cw.Add(MakeBitBtn("bbSave", 89, Font("Tahoma", -9)));
  auto& plain = cw.Add(MakeBitBtn("bbPlain", 89, Font("Tahoma", -9)));
  TFzAppGetSet(copy, MemoryInput(save.Bytes()), "mem");
  EXPECT_EQ(saved.Font(), Font("宋体", -12));
  EXPECT_EQ(plain.Font(), Font("Tahoma", -9));
}

TEST(SettingsWalk, FontSectionsNamingUnknownOrWrongComponentsAreHandled) {
  // A name the window lacks ends the section; the restore goes on with the next window.
  MemoryApplication app;
  auto& w1 = app.AddWindow(MakeWindow("W1"));
  auto& w2 = app.AddWindow(MakeWindow("W2"));
  w2.Add(MakeEdit("e", ""));
  w1.Add(MakeEdit("notAButton", ""));
  std::string bytes =
      File({kStar, "W1", kDash, "gone", kStar, "W2", "e,Text,restored", kDash, kDash, kBars});
  TFzAppGetSet(app, MemoryInput(bytes), "mem");
  EXPECT_EQ(static_cast<MemoryComponent*>(FindOwned(w2, "e"))->Property("Text"), "restored");

  // A name that is no bitmap button: its font record cannot be told from a string record.
  bytes = File({kStar, "W1", kDash, "notAButton"}) + std::string(68, '\0');
  EXPECT_THROW(TFzAppGetSet(app, MemoryInput(bytes), "mem"), SettingsError);
}

TEST(SettingsWalk, ListsLongerThanARecordKeepTheWholeItemsThatFit) {
  MemoryApplication app;
  auto& w = app.AddWindow(MakeWindow("W"));
  std::vector<std::string> items;
  for (int i = 0; i < 3000; ++i) items.push_back("TABLE_" + std::to_string(100000 + i));
  w.Add(MakeListBox("lbnew_with_a_long_name", items));
  TFzAppSaveSet save(app);

  MemoryApplication copy;
  auto& list = copy.AddWindow(MakeWindow("W")).Add(MakeListBox("lbnew_with_a_long_name"));
  TFzAppGetSet(copy, MemoryInput(save.Bytes()), "mem");
  // "lbnew_with_a_long_name,items," takes 29 of the record's 32767 bytes; each item is 12
  // bytes + "<Br>", so 2046 whole items fit.
  ASSERT_EQ(list.Items().size(), 2046u);
  EXPECT_EQ(list.Items().back(), items[2045]);
}

TEST(SettingsWalk, TheFileIsPrivateReplacesAReadOnlyOneAndNamesItsPathOnFailure) {
  TempDir dir;
  std::string path = dir.File("mvq.set");
  test::WriteBytes(path, "old");
  ASSERT_EQ(::chmod(path.c_str(), 0444), 0);
  MainWindow w;
  w["edtpassword"].SetPropertyText("Text", "secret");
  SaveAppSettings(w.app, path);
  struct stat st {};
  ASSERT_EQ(::stat(path.c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0600u);
  EXPECT_EQ(test::ReadBytes(path), TFzAppSaveSet(w.app).Bytes());

  std::string bad = dir.File("plain-file/mvq.set");
  test::WriteBytes(dir.File("plain-file"), "");
  try {
    SaveAppSettings(w.app, bad);
    ADD_FAILURE() << "no error";
  } catch (const SettingsError& e) {
    EXPECT_NE(std::string(e.what()).find(bad), std::string::npos) << e.what();
  }
  EXPECT_THROW(LoadAppSettings(w.app, dir.Folder()), SettingsError);  // a directory
}

TEST(SettingsWalk, NoFileRestoresNothingAndAnEmptyFileIsAReadError) {
  TempDir dir;
  MainWindow w;
  EXPECT_NO_THROW(LoadAppSettings(w.app, dir.File("none.set")));
  EXPECT_EQ(w["edtsqluser"].Property("Text"), "sa");
  test::WriteBytes(dir.File("empty.set"), "");
  EXPECT_THROW(LoadAppSettings(w.app, dir.File("empty.set")), SettingsError);
}

}  // namespace
}  // namespace mvq
