#include <gtest/gtest.h>

#include <set>
#include <stdexcept>
#include <string>

#include "engine/DirectionTable.h"
#include "shell/Directions.h"

namespace mvq {
namespace {

// The group each kind of end is set up in; the server groups sit inside pnlso.
std::string GroupOf(Endpoint end) {
  switch (end) {
    case Endpoint::Oracle:
      return "gboracle";
    case Endpoint::SqlServer:
      return "GBsql";
    case Endpoint::Access:
      return "gbmdb";
    case Endpoint::Excel:
      return "gbexcel";
    case Endpoint::Custom:
      break;
  }
  return "";
}

std::set<std::string> VisibleGroups(const SettingsLayout& l) {
  std::set<std::string> groups;
  if (l.gboracle.Visible()) groups.insert("gboracle");
  if (l.GBsql.Visible()) groups.insert("GBsql");
  if (l.gbmdb.Visible()) groups.insert("gbmdb");
  if (l.gbexcel.Visible()) groups.insert("gbexcel");
  return groups;
}

// The page-level placement of an end's group: a server group is placed by pnlso.
GroupPlacement PagePlacement(const SettingsLayout& l, Endpoint end) {
  switch (end) {
    case Endpoint::Oracle:
    case Endpoint::SqlServer:
      return l.pnlso;
    case Endpoint::Access:
      return l.gbmdb;
    default:
      return l.gbexcel;
  }
}

GatewaySlot SlotOf(Endpoint end) {
  switch (end) {
    case Endpoint::Oracle:
      return GatewaySlot::OracleGate;
    case Endpoint::SqlServer:
      return GatewaySlot::SqlGate;
    case Endpoint::Access:
      return GatewaySlot::MdbGate;
    default:
      return GatewaySlot::ExcelWriter;
  }
}

TEST(Directions, ItemTextsAreTheTenChoicesInOrder) {
  const char* texts[] = {"Oracle-->SQL Server", "SQL Server-->Oracle", "Oracle-->Access",
                         "Access-->Oracle",     "SQL Server-->Access", "Access-->SQL Server",
                         "Oracle-->Execl",      "SQL Server-->Execl",  "Access-->Execl",
                         "自定义转换"};
  for (int32_t n = 0; n < kDirectionCount; ++n) {
    EXPECT_EQ(GetDirection(n).number, n);
    EXPECT_EQ(GetDirection(n).itemText, texts[n]) << n;
  }
  EXPECT_THROW(GetDirection(-1), std::out_of_range);
  EXPECT_THROW(GetDirection(10), std::out_of_range);
}

// Every direction's page, 1's swapped halves and 8's hidden server panel among them.
TEST(Directions, EachShowsExactlyItsTwoGroupsWithTheSourceFirst) {
  for (int32_t n = 0; n < kCustomDirection; ++n) {
    ASSERT_TRUE(GetDirection(n).layout) << n;
    const SettingsLayout& l = *GetDirection(n).layout;
    const DirectionRow& d = DirectionOf(n);
    EXPECT_EQ(VisibleGroups(l), (std::set<std::string>{GroupOf(d.source), GroupOf(d.target)})) << n;
    EXPECT_EQ(l.pnlso.Visible(), l.gboracle.Visible() || l.GBsql.Visible()) << n;

    const bool bothServers = l.gboracle.Visible() && l.GBsql.Visible();
    if (bothServers) {
      // Side by side inside pnlso, which has the page to itself.
      const GroupPlacement& left = d.source == Endpoint::Oracle ? l.gboracle : l.GBsql;
      const GroupPlacement& right = d.source == Endpoint::Oracle ? l.GBsql : l.gboracle;
      EXPECT_EQ(left.dock, Dock::Left) << n;
      EXPECT_EQ(right.dock, Dock::Fill) << n;
      EXPECT_EQ(l.pnlso.dock, Dock::Fill) << n;
    } else {
      const GroupPlacement first = PagePlacement(l, d.source);
      EXPECT_EQ(first.dock, Dock::Top) << n;
      EXPECT_EQ(first.height, d.source == Endpoint::Access ? 50 : 225) << n;
      EXPECT_EQ(PagePlacement(l, d.target).dock, Dock::Fill) << n;
      // A lone server group fills pnlso.
      if (l.gboracle.Visible()) {
        EXPECT_EQ(l.gboracle.dock, Dock::Fill) << n;
      }
      if (l.GBsql.Visible()) {
        EXPECT_EQ(l.GBsql.dock, Dock::Fill) << n;
      }
    }
  }
}

TEST(Directions, CustomKeepsTheSettingsPageAsItWas) {
  SettingsLayout layout;
  ArrangeSettingsPage(layout, 1);
  ArrangeSettingsPage(layout, kCustomDirection);
  EXPECT_EQ(layout, *GetDirection(1).layout);
  ArrangeSettingsPage(layout, 8);
  ArrangeSettingsPage(layout, kCustomDirection);
  EXPECT_EQ(layout, *GetDirection(8).layout);
  EXPECT_FALSE(GetDirection(kCustomDirection).layout);
}

TEST(Directions, GatewaySlotsFollowTheEnds) {
  for (int32_t n = 0; n < kCustomDirection; ++n) {
    const DirectionRow& d = DirectionOf(n);
    EXPECT_EQ(d.sourceSlot, SlotOf(d.source)) << n;
    EXPECT_EQ(d.targetSlot, SlotOf(d.target)) << n;
  }
  EXPECT_EQ(DirectionOf(9).sourceSlot, GatewaySlot::CustomSourceGate);
  EXPECT_EQ(DirectionOf(9).targetSlot, GatewaySlot::CustomTargetGate);
}

TEST(Directions, ServerScriptsGoWhereTheServerGroupsShow) {
  for (int32_t n = 0; n < kCustomDirection; ++n) {
    const DirectionRow& d = DirectionOf(n);
    EXPECT_EQ(d.oracleScript.has_value(), GetDirection(n).layout->gboracle.Visible()) << n;
    EXPECT_EQ(d.sqlScripts.has_value(), GetDirection(n).layout->GBsql.Visible()) << n;
  }
  EXPECT_EQ(DirectionOf(0).oracleScript, ScriptField::mooracletoserver);
  for (int32_t n : {1, 2, 3, 6})
    EXPECT_EQ(DirectionOf(n).oracleScript, ScriptField::Mooracletoacess);
  EXPECT_EQ(DirectionOf(4).sqlScripts->getaccesstype, ScriptField::mogetaccesstype);
  EXPECT_EQ(DirectionOf(4).sqlScripts->gettablesql, ScriptField::mogettablesql);
  for (int32_t n : {0, 1, 5, 7}) {
    EXPECT_EQ(DirectionOf(n).sqlScripts->getaccesstype, ScriptField::s2omogetaccesstype) << n;
    EXPECT_EQ(DirectionOf(n).sqlScripts->gettablesql, ScriptField::s2omogettablesql) << n;
  }
  EXPECT_FALSE(DirectionOf(9).oracleScript);
  EXPECT_FALSE(DirectionOf(9).sqlScripts);
}

TEST(Directions, OnlyTheExcelDirectionsHaveNoExistingTableMode) {
  for (int32_t n = 0; n < kDirectionCount; ++n) {
    EXPECT_EQ(IsExcelTarget(n), n >= 6 && n <= 8) << n;
  }
  EXPECT_EQ(SourceListCaption(DirectionOf(2).source), "Oracle表列表");
  EXPECT_EQ(SourceListCaption(DirectionOf(8).source), "Access表列表");
  EXPECT_EQ(SourceListCaption(DirectionOf(7).source), "SQL Server表列表");
  EXPECT_EQ(SourceListCaption(DirectionOf(9).source), "源数据库列表");
}

// What the pipeline and the workbook export read from the row of each direction.
TEST(DirectionTable, EachRowPlugsItsEndsTogether) {
  for (int32_t n = 0; n < kDirectionCount; ++n) {
    const DirectionRow& d = DirectionOf(n);
    EXPECT_EQ(d.number, n);
    const bool toWorkbook = d.target == Endpoint::Excel;
    EXPECT_EQ(d.copy == CopyVariant::None, toWorkbook) << n;
    EXPECT_EQ(d.createText == CreateTextFrom::None, toWorkbook) << n;
    EXPECT_EQ(IsCustomDirection(n), n == kCustomDirection) << n;
  }
  // The CREATE TABLE text: the server functions for server sources, the builders otherwise.
  EXPECT_EQ(DirectionOf(0).createText, CreateTextFrom::OracleFunction);
  EXPECT_EQ(DirectionOf(2).createText, CreateTextFrom::OracleFunction);
  EXPECT_EQ(DirectionOf(1).createText, CreateTextFrom::SqlServerFunction);
  EXPECT_EQ(DirectionOf(4).createText, CreateTextFrom::SqlServerFunction);
  EXPECT_EQ(DirectionOf(3).createText, CreateTextFrom::AccessForOracle);
  EXPECT_EQ(DirectionOf(5).createText, CreateTextFrom::AccessForSqlServer);
  EXPECT_EQ(DirectionOf(9).createText, CreateTextFrom::ProviderOfTarget);
  EXPECT_TRUE(FromServerFunction(DirectionOf(1).createText));
  EXPECT_FALSE(FromServerFunction(DirectionOf(5).createText));
  EXPECT_FALSE(FromServerFunction(DirectionOf(9).createText));
  // The success value is the target gate's: Oracle 1, SQL Server -1 (its uncounted), else 0.
  for (int32_t n : {1, 3}) EXPECT_EQ(DirectionOf(n).createOkFrom, 1) << n;
  for (int32_t n : {0, 5}) EXPECT_EQ(DirectionOf(n).createOkFrom, -1) << n;
  for (int32_t n : {2, 4, 9}) EXPECT_EQ(DirectionOf(n).createOkFrom, 0) << n;
  EXPECT_EQ(DirectionOf(0).copy, CopyVariant::OracleToAdo);
  EXPECT_EQ(DirectionOf(3).copy, CopyVariant::AdoToOracle);
  EXPECT_EQ(DirectionOf(4).copy, CopyVariant::AdoToAdo);
  EXPECT_EQ(DirectionOf(9).copy, CopyVariant::Custom);
  EXPECT_EQ(DirectionOf(6).workbook, WorkbookReader::OraclePages);
  EXPECT_EQ(DirectionOf(7).workbook, WorkbookReader::SqlServerPages);
  EXPECT_EQ(DirectionOf(8).workbook, WorkbookReader::AccessPages);
  EXPECT_EQ(DirectionOf(9).workbook, WorkbookReader::CustomStream);
  EXPECT_THROW(DirectionOf(10), std::out_of_range);
}

}  // namespace
}  // namespace mvq
