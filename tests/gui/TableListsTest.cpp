// The export page's two lists: buttons, drops, the popup menu with its shortcuts, find and
// find next, as the user sees them in the list views.
#include <QAction>
#include <QDragEnterEvent>
#include <QMenu>
#include <QMimeData>
#include <QTest>

#include "WindowFixture.h"

namespace mvq::test {
namespace {

using Strings = std::vector<std::string>;

class TableListsTest : public WindowTest {
 protected:
  void SetUp() override {
    WindowTest::SetUp();
    Choose(2);
    Next();
    Next();
    ASSERT_EQ(Page(), kExportPage);
    lbold = List("lbold");
    lbnew = List("lbnew");
  }

  void Fill(const Strings& source, const Strings& target) {
    window->ChangeForm([&](FormState& form) {
      form.lbold.SetTexts(source);
      form.lbnew.SetTexts(target);
    });
  }

  // Selects, as the user would, the items with these texts (and only them).
  static void Select(QListWidget* list, const Strings& texts) {
    list->clearSelection();
    for (const std::string& text : texts) {
      const auto found = list->findItems(QString::fromStdString(text), Qt::MatchExactly);
      ASSERT_EQ(found.size(), 1) << text;
      found.front()->setSelected(true);
    }
  }

  // Qt delivers drops only inside a real drag; the view's drop handling is reached here.
  static bool Drop(TableListView* target, const QByteArray& source, QPoint at) {
    QMimeData mime;
    mime.setData(TableListView::kDragFormat, source);
    return target->DropAt(&mime, at);
  }

  static QPoint OnItem(QListWidget* list, int row) {
    return list->visualItemRect(list->item(row)).center();
  }

  static QPoint BelowLastItem(QListWidget* list) {
    return QPoint(5, list->viewport()->height() - 3);
  }

  QAction* Action(const char* name) { return Find<QAction>(name); }

  void OpenMenuOn(QListWidget* list) {
    emit list->customContextMenuRequested(QPoint(2, 2));
    window->PopupMenu()->hide();
  }

  TableListView* lbold = nullptr;
  TableListView* lbnew = nullptr;
};

TEST_F(TableListsTest, ButtonsMoveTheSelectedOrAllItemsToTheirSortedPlaces) {
  Fill({"EMP", "DEPT", "SALGRADE", "BONUS"}, {"CUSTOMERS"});
  Select(lbold, {"SALGRADE", "BONUS"});
  Click("btnadd");
  EXPECT_EQ(Shown(lbold), (Strings{"DEPT", "EMP"}));
  EXPECT_EQ(Shown(lbnew), (Strings{"BONUS", "CUSTOMERS", "SALGRADE"}));
  EXPECT_EQ(window->Form().lbnew.Texts(), Shown(lbnew));

  Select(lbnew, {"CUSTOMERS"});
  Click("btndel");
  EXPECT_EQ(Shown(lbold), (Strings{"CUSTOMERS", "DEPT", "EMP"}));

  Click("btndelall");
  EXPECT_EQ(Shown(lbold), (Strings{"BONUS", "CUSTOMERS", "DEPT", "EMP", "SALGRADE"}));
  EXPECT_TRUE(Shown(lbnew).empty());
  Click("btnaddall");
  EXPECT_TRUE(Shown(lbold).empty());
  EXPECT_EQ(Shown(lbnew).size(), 5u);
  // With nothing on the left, "全部添加" changes neither list.
  Click("btnaddall");
  EXPECT_EQ(Shown(lbnew).size(), 5u);
  lbnew->clearSelection();
  Click("btndel");
  EXPECT_EQ(Shown(lbnew).size(), 5u);
  EXPECT_EQ(lbnew->selectionMode(), QAbstractItemView::ExtendedSelection);
  EXPECT_TRUE(lbold->dragEnabled());
}

TEST_F(TableListsTest, DropsOnAnItemGoAboveItInOrderAndBelowTheLastItemGoToTheirSortedPlaces) {
  Fill({"B1", "B2", "B3", "B4"}, {"N1", "N3", "N5"});
  Select(lbold, {"B2", "B3", "B4"});
  EXPECT_TRUE(Drop(lbnew, "lbold", OnItem(lbnew, 1)));
  EXPECT_EQ(Shown(lbnew), (Strings{"N1", "B2", "B3", "B4", "N3", "N5"}));
  EXPECT_EQ(SelectedShown(lbnew), Strings{"B2"});
  EXPECT_EQ(Shown(lbold), Strings{"B1"});
  // The order a drop gave is kept until the list is sorted anew.
  EXPECT_EQ(window->Form().lbnew.Texts(), Shown(lbnew));

  Select(lbnew, {"B3", "N5"});
  EXPECT_TRUE(Drop(lbold, "lbnew", BelowLastItem(lbold)));
  EXPECT_EQ(Shown(lbold), (Strings{"B1", "B3", "N5"}));
  EXPECT_TRUE(SelectedShown(lbold).empty());
  EXPECT_EQ(Shown(lbnew), (Strings{"N1", "B2", "B4", "N3"}));

  // Within one list: the dragged items move above the item they are dropped on.
  Select(lbnew, {"N3"});
  EXPECT_TRUE(Drop(lbnew, "lbnew", OnItem(lbnew, 0)));
  EXPECT_EQ(Shown(lbnew), (Strings{"N3", "N1", "B2", "B4"}));
  EXPECT_EQ(SelectedShown(lbnew), Strings{"N3"});

  // Nothing selected, or a drag from elsewhere: nothing moves.
  lbold->clearSelection();
  Drop(lbnew, "lbold", OnItem(lbnew, 0));
  Select(lbold, {"B1"});
  Drop(lbnew, "somewhere", OnItem(lbnew, 0));
  EXPECT_EQ(Shown(lbnew), (Strings{"N3", "N1", "B2", "B4"}));
  EXPECT_EQ(Shown(lbold), (Strings{"B1", "B3", "N5"}));
}

TEST_F(TableListsTest, EveryDragOfAListIsWelcomeAnywhereAndOtherDragsAreNot) {
  QMimeData plain;
  plain.setText("EMP");
  EXPECT_FALSE(lbnew->DropAt(&plain, QPoint(3, 3)));
  QMimeData ours;
  ours.setData(TableListView::kDragFormat, "lbnew");
  QDragEnterEvent enter(QPoint(3, 3), Qt::MoveAction, &ours, Qt::LeftButton, Qt::NoModifier);
  QApplication::sendEvent(lbnew->viewport(), &enter);
  EXPECT_TRUE(enter.isAccepted());
  QMimeData text;
  text.setText("EMP");
  QDragEnterEvent foreign(QPoint(3, 3), Qt::MoveAction, &text, Qt::LeftButton, Qt::NoModifier);
  QApplication::sendEvent(lbold->viewport(), &foreign);
  EXPECT_FALSE(foreign.isAccepted());
}

TEST_F(TableListsTest, ThePopupMenuHasItsEntriesSeparatorsAndShortcuts) {
  const QList<QAction*> actions = window->PopupMenu()->actions();
  ASSERT_EQ(actions.size(), 9);
  const char* names[] = {"N1", "N2", "N3", "N4", "N5", "N6", "N7", "N8", "miFindNext"};
  const char* captions[] = {"全选", "", "全不选", "", "反选", "", "查找", "", "查找下一个"};
  const char* keys[] = {"Ctrl+A", "", "Ctrl+U", "", "Ctrl+K", "", "Ctrl+F", "", "Ctrl+N"};
  for (int i = 0; i < 9; ++i) {
    EXPECT_EQ(actions[i]->objectName(), names[i]);
    EXPECT_EQ(actions[i]->isSeparator(), i % 2 == 1) << names[i];
    EXPECT_EQ(actions[i]->text(), captions[i]) << names[i];
    EXPECT_EQ(actions[i]->shortcut(), QKeySequence(keys[i])) << names[i];
  }
  // The codes the shortcuts were given: key code plus 16384 for Ctrl.
  const int codes[] = {16449, 16469, 16459, 16454, 16462};
  for (int i = 0; i < 5; ++i) {
    const QKeyCombination key = actions[2 * i]->shortcut()[0];
    EXPECT_EQ(key.keyboardModifiers(), Qt::ControlModifier);
    EXPECT_EQ(key.key() + 16384, codes[i]);
  }
  // "查找下一个" only once there is something to find again.
  EXPECT_FALSE(Action("miFindNext")->isEnabled());
  OpenMenuOn(lbold);
  EXPECT_FALSE(Action("miFindNext")->isEnabled());
  ui.inputs = {std::string("x")};
  Action("N7")->trigger();
  EXPECT_TRUE(Action("miFindNext")->isEnabled());
}

TEST_F(TableListsTest, ShortcutsActOnTheSourceListUntilTheMenuOpensThenOnItsList) {
  Fill({"A", "B", "C"}, {"X", "Y"});
  window->activateWindow();
  ASSERT_TRUE(QTest::qWaitForWindowActive(window.get()));
  lbnew->setFocus();
  QTest::keyClick(lbnew, Qt::Key_A, Qt::ControlModifier);
  EXPECT_EQ(SelectedShown(lbold), (Strings{"A", "B", "C"}));
  EXPECT_TRUE(SelectedShown(lbnew).empty());
  Select(lbold, {"B"});
  QTest::keyClick(lbnew, Qt::Key_K, Qt::ControlModifier);
  EXPECT_EQ(SelectedShown(lbold), (Strings{"A", "C"}));

  OpenMenuOn(lbnew);
  lbold->setFocus();
  QTest::keyClick(lbold, Qt::Key_A, Qt::ControlModifier);
  EXPECT_EQ(SelectedShown(lbnew), (Strings{"X", "Y"}));
  EXPECT_EQ(SelectedShown(lbold), (Strings{"A", "C"}));
  QTest::keyClick(lbold, Qt::Key_U, Qt::ControlModifier);
  EXPECT_TRUE(SelectedShown(lbnew).empty());
  ui.inputs = {std::string("y")};
  QTest::keyClick(lbold, Qt::Key_F, Qt::ControlModifier);
  EXPECT_EQ(SelectedShown(lbnew), Strings{"Y"});
  EXPECT_EQ(lbnew->currentRow(), 1);
  QTest::keyClick(lbold, Qt::Key_N, Qt::ControlModifier);  // from the last item: itself again
  EXPECT_EQ(SelectedShown(lbnew), Strings{"Y"});
  EXPECT_TRUE(ui.Messages().empty());
}

TEST_F(TableListsTest, FindStartsAtTheCurrentItemAndFindNextMovesOnWithoutWrapping) {
  Fill({"SCOTT.EMP", "emp_hist", "DEPT", "员工", "员工档案"}, {});
  ASSERT_EQ(Shown(lbold), (Strings{"DEPT", "emp_hist", "SCOTT.EMP", "员工", "员工档案"}));
  ui.inputs = {std::string("emp"), std::string("emp"), std::string("档"), std::string("xyz"),
               std::nullopt};
  Action("N7")->trigger();
  EXPECT_EQ(SelectedShown(lbold), Strings{"emp_hist"});
  EXPECT_EQ(lbold->currentRow(), 1);
  Action("N7")->trigger();  // again from the same item: the same item
  EXPECT_EQ(lbold->currentRow(), 1);
  Action("miFindNext")->trigger();
  EXPECT_EQ(SelectedShown(lbold), Strings{"SCOTT.EMP"});
  Action("miFindNext")->trigger();
  EXPECT_EQ(ui.Messages(), Strings{"没有找到下一个类似emp"});
  EXPECT_EQ(SelectedShown(lbold), Strings{"SCOTT.EMP"});

  // The user moves the current item; find begins there.
  lbold->setCurrentRow(3, QItemSelectionModel::NoUpdate);
  Action("N7")->trigger();
  EXPECT_EQ(SelectedShown(lbold), Strings{"员工档案"});
  Action("N7")->trigger();
  EXPECT_EQ(ui.Messages().back(), "没有找到类似xyz");
  EXPECT_EQ(SelectedShown(lbold), Strings{"员工档案"});
  // Cancel forgets the search: find next then does nothing.
  Action("N7")->trigger();
  Action("miFindNext")->trigger();
  EXPECT_EQ(ui.Messages().size(), 2u);
  EXPECT_EQ(ui.calls.front(), "input: 输入查找的内容 | 输入查找的内容 | ");
}

TEST_F(TableListsTest, FindNextScrollsTheFoundItemToTheTop) {
  Strings names;
  for (int i = 0; i < 60; ++i)
    names.push_back(QString("T%1").arg(i, 2, 10, QChar('0')).toStdString());
  names[40] = "T40_KEY";
  Fill(names, {});
  QApplication::processEvents();
  ui.inputs = {std::string("key")};
  lbold->setCurrentRow(0, QItemSelectionModel::NoUpdate);
  Action("N7")->trigger();
  EXPECT_EQ(lbold->currentRow(), 40);
  lbold->setCurrentRow(30, QItemSelectionModel::NoUpdate);
  lbold->scrollToTop();
  Action("miFindNext")->trigger();
  EXPECT_EQ(lbold->currentRow(), 40);
  EXPECT_EQ(lbold->indexAt(QPoint(1, 1)).row(), 40);
}

}  // namespace
}  // namespace mvq::test
