#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "shell/ListCommands.h"
#include "shell/TableList.h"
#include "support/RecordingUi.h"

namespace mvq {
namespace {

using Names = std::vector<std::string>;

TableList ListOf(const Names& names) {
  TableList list;
  list.SetTexts(names);
  return list;
}

void Select(TableList& list, const Names& names) {
  for (int i = 0; i < list.Count(); ++i) {
    for (const std::string& name : names) {
      if (list.Text(i) == name) list.SetSelected(i, true);
    }
  }
}

Names SelectedNames(const TableList& list) {
  Names names;
  for (int i = 0; i < list.Count(); ++i) {
    if (list.Selected(i)) names.push_back(list.Text(i));
  }
  return names;
}

TEST(TableList, AddsAtTheSortedPlaceIgnoringCaseChineseByPinyin) {
  TableList list = ListOf({"zeta", "中国", "Alpha", "上海", "beta", "北京", "EMP_HIST", "emp"});
  EXPECT_EQ(list.Texts(),
            (Names{"Alpha", "beta", "emp", "EMP_HIST", "zeta", "北京", "上海", "中国"}));
  EXPECT_EQ(list.Add("beta", 9), 2);  // after the equal name
  EXPECT_EQ(list.Object(2), 9);
  EXPECT_EQ(list.Add("BETA"), 1);  // same letters: the exact bytes decide
}

TEST(TableList, AnInsertedItemStaysWhereItWasPut) {
  TableList list = ListOf({"A", "C", "E"});
  list.Insert(0, "Z", 7);
  list.Insert(99, "B");  // outside the list: appended
  EXPECT_EQ(list.Texts(), (Names{"Z", "A", "C", "E", "B"}));
  EXPECT_EQ(list.Object(0), 7);
  list.Add("D");
  EXPECT_EQ(list.Text(0), "Z");
  EXPECT_EQ(list.Count(), 6);
}

TEST(TableList, TheCurrentItemFollowsItsItem) {
  TableList list = ListOf({"A", "B", "C", "D"});
  list.SetCurrent(2);  // C
  list.Insert(0, "X");
  EXPECT_EQ(list.Text(list.Current()), "C");
  list.Delete(0);
  EXPECT_EQ(list.Text(list.Current()), "C");
  list.Delete(2);  // C itself: the next one takes the focus
  EXPECT_EQ(list.Text(list.Current()), "D");
  list.Delete(2);  // the last one: focus moves up
  EXPECT_EQ(list.Text(list.Current()), "B");
  list.Clear();
  EXPECT_EQ(list.Current(), -1);
  list.SetCurrent(5);
  EXPECT_EQ(list.Current(), -1);
  EXPECT_THROW(list.Delete(0), std::out_of_range);
}

TEST(ListCommands, SelectAllAndInvert) {
  TableList list = ListOf({"A", "B", "C"});
  SelectAllItems(list, true);
  EXPECT_EQ(SelectedNames(list), (Names{"A", "B", "C"}));
  list.SetSelected(1, false);
  InvertSelection(list);
  EXPECT_EQ(SelectedNames(list), (Names{"B"}));
  SelectAllItems(list, false);
  EXPECT_TRUE(SelectedNames(list).empty());
}

TEST(ListCommands, MoveSelectedCarriesNumbersAndSortsIn) {
  TableList from;
  from.Add("DEPT", 1);
  from.Add("EMP", 2);
  from.Add("SALGRADE", 3);
  TableList to = ListOf({"BONUS", "EMP_HIST"});
  Select(from, {"DEPT", "SALGRADE"});
  MoveSelectedItems(from, to);
  EXPECT_EQ(from.Texts(), (Names{"EMP"}));
  EXPECT_EQ(to.Texts(), (Names{"BONUS", "DEPT", "EMP_HIST", "SALGRADE"}));
  EXPECT_EQ(to.Object(1), 1);
  EXPECT_EQ(to.Object(3), 3);
  EXPECT_TRUE(SelectedNames(to).empty());

  MoveSelectedItems(from, to);  // nothing selected
  EXPECT_EQ(from.Count(), 1);
  EXPECT_EQ(to.Count(), 4);
}

TEST(ListCommands, MoveAllEmptiesTheFirstList) {
  TableList from = ListOf({"B", "A"});
  TableList to = ListOf({"C"});
  TableList empty;
  MoveAllItems(empty, to);
  EXPECT_EQ(to.Texts(), (Names{"C"}));
  MoveAllItems(from, to);
  EXPECT_TRUE(from.Empty());
  EXPECT_EQ(to.Texts(), (Names{"A", "B", "C"}));
}

TEST(FindItem, MatchesAnywhereIgnoringAsciiCase) {
  TableList list = ListOf({"DEPT", "SCOTT.EMP", "emp_hist", "员工表", "部门"});
  ASSERT_EQ(list.Texts(), (Names{"DEPT", "emp_hist", "SCOTT.EMP", "部门", "员工表"}));
  EXPECT_EQ(FindItem("emp", list), 1);
  list.SetCurrent(2);
  EXPECT_EQ(FindItem("emp", list), 2);  // the start item itself counts
  list.SetCurrent(3);
  EXPECT_EQ(FindItem("emp", list), -1);  // no wrap
  list.SetCurrent(-1);
  EXPECT_EQ(FindItem("表", list), 4);
  EXPECT_EQ(FindItem("门", list), 3);
  EXPECT_EQ(FindItem("员表", list), -1);
  EXPECT_EQ(FindItem("x", TableList{}), -1);
}

TEST(ListSearch, FindSelectsOnlyTheMatchAndStartsAtTheCurrentItem) {
  TableList lbold = ListOf({"BONUS", "SCOTT.EMP", "emp_hist"});
  ListSearch search(lbold);
  test::RecordingUi ui;
  Select(lbold, {"BONUS"});
  ui.inputs = {"emp", "emp"};
  search.Find(ui);
  EXPECT_EQ(SelectedNames(lbold), (Names{"emp_hist"}));
  EXPECT_EQ(lbold.Current(), 1);
  search.Find(ui);  // same text, not moved: same item
  EXPECT_EQ(lbold.Current(), 1);
  EXPECT_EQ(ui.calls, (Names{"input: 输入查找的内容 | 输入查找的内容 | ",
                             "input: 输入查找的内容 | 输入查找的内容 | "}));

  search.FindNext(ui);
  EXPECT_EQ(SelectedNames(lbold), (Names{"SCOTT.EMP"}));
  EXPECT_EQ(lbold.Current(), 2);
  EXPECT_EQ(lbold.TopIndex(), 2);
  // At the last item the search starts there again and finds it.
  search.FindNext(ui);
  EXPECT_EQ(lbold.Current(), 2);
  EXPECT_EQ(ui.Messages(), Names{});
}

TEST(ListSearch, MissesAreMessagesThatChangeNothing) {
  TableList lbold = ListOf({"A1", "B1", "C1"});
  ListSearch search(lbold);
  test::RecordingUi ui;
  ui.inputs = {"员工"};
  Select(lbold, {"B1"});
  lbold.SetCurrent(0);
  search.Find(ui);
  ui.inputs = {"A"};
  search.Find(ui);
  search.FindNext(ui);
  EXPECT_EQ(ui.Messages(), (Names{"没有找到类似员工", "没有找到下一个类似A"}));
  EXPECT_EQ(SelectedNames(lbold), (Names{"A1"}));
  EXPECT_EQ(lbold.Current(), 0);
}

TEST(ListSearch, CancelledInputClearsTheTextAndDisablesFindNext) {
  TableList lbold = ListOf({"A"});
  TableList lbnew;
  ListSearch search(lbold);
  test::RecordingUi ui;
  ui.inputs = {"a"};
  search.Find(ui);
  EXPECT_TRUE(search.MenuOpened(lbold));
  ui.inputs = {std::nullopt};
  search.Find(ui);
  EXPECT_EQ(search.SearchText(), "");
  EXPECT_FALSE(search.MenuOpened(lbnew));
  search.FindNext(ui);  // nothing to search for
  EXPECT_EQ(ui.calls.size(), 2u);
}

TEST(ListSearch, MenuCommandsActOnTheSourceListUntilTheMenuOpensElsewhere) {
  TableList lbold = ListOf({"A", "B"});
  TableList lbnew = ListOf({"C"});
  ListSearch search(lbold);
  search.SelectAll(true);
  EXPECT_EQ(SelectedNames(lbold), (Names{"A", "B"}));
  search.MenuOpened(lbnew);
  search.Invert();
  EXPECT_EQ(SelectedNames(lbnew), (Names{"C"}));
  EXPECT_EQ(SelectedNames(lbold), (Names{"A", "B"}));
  test::RecordingUi ui;
  ui.inputs = {"a"};
  search.Find(ui);  // on lbnew, which has no A
  EXPECT_EQ(ui.Messages(), (Names{"没有找到类似a"}));
}

TEST(DropItems, BelowTheLastItemTheySortIn) {
  TableList source = ListOf({"B", "D", "F", "H"});
  TableList target = ListOf({"A", "E", "G"});
  Select(source, {"B", "F", "H"});
  DropItems(target, source, -1);
  EXPECT_EQ(target.Texts(), (Names{"A", "B", "E", "F", "G", "H"}));
  EXPECT_EQ(source.Texts(), (Names{"D"}));
  EXPECT_TRUE(SelectedNames(target).empty());
}

TEST(DropItems, OnAnItemTheyGoAboveItInTopDownOrder) {
  TableList source;
  source.Add("B", 2);
  source.Add("D", 4);
  source.Add("F", 6);
  source.Add("H", 8);
  TableList target = ListOf({"A", "E", "G"});
  target.SetSelected(2, true);
  Select(source, {"B", "F", "H"});
  DropItems(target, source, 1);
  EXPECT_EQ(target.Texts(), (Names{"A", "B", "F", "H", "E", "G"}));
  EXPECT_EQ(target.Object(2), 6);
  // The item now at the drop position is selected, next to what was selected before.
  EXPECT_EQ(SelectedNames(target), (Names{"B", "G"}));
  EXPECT_EQ(source.Texts(), (Names{"D"}));
}

TEST(DropItems, WithinOneListTheyMove) {
  TableList list = ListOf({"A", "B", "C", "D", "E"});
  Select(list, {"A", "B"});
  DropItems(list, list, 3);
  EXPECT_EQ(list.Texts(), (Names{"C", "A", "B", "D", "E"}));
  EXPECT_EQ(SelectedNames(list), (Names{"D"}));

  SelectAllItems(list, false);
  Select(list, {"E"});
  DropItems(list, list, 0);
  EXPECT_EQ(list.Texts(), (Names{"E", "C", "A", "B", "D"}));

  SelectAllItems(list, false);
  Select(list, {"E"});
  DropItems(list, list, -1);  // re-added at its sorted place among unsorted ones
  EXPECT_EQ(list.Count(), 5);
  EXPECT_TRUE(SelectedNames(list).empty());
}

TEST(DropItems, NothingSelectedDoesNothing) {
  TableList source = ListOf({"A"});
  TableList target = ListOf({"B"});
  DropItems(target, source, 0);
  EXPECT_EQ(target.Texts(), (Names{"B"}));
  EXPECT_TRUE(SelectedNames(target).empty());
  EXPECT_EQ(source.Texts(), (Names{"A"}));
}

}  // namespace
}  // namespace mvq
