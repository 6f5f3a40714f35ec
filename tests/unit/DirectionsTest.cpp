#include <gtest/gtest.h>

#include <set>
#include <stdexcept>
#include <string>

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

TEST(Directions, EachShowsExactlyItsTwoGroupsWithTheSourceFirst) {
  for (int32_t n = 0; n < kCustomDirection; ++n) {
    const Direction& d = GetDirection(n);
    ASSERT_TRUE(d.layout) << n;
    const SettingsLayout& l = *d.layout;
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

TEST(Directions, SqlServerToOracleSwapsTheHalves) {
  EXPECT_EQ(GetDirection(1).layout->GBsql.dock, Dock::Left);
  EXPECT_EQ(GetDirection(1).layout->gboracle.dock, Dock::Fill);
  EXPECT_EQ(GetDirection(0).layout->gboracle.dock, Dock::Left);
  EXPECT_EQ(GetDirection(0).layout->GBsql.dock, Dock::Fill);
}

TEST(Directions, AccessToExcelHidesTheServerPanel) {
  const SettingsLayout& l = *GetDirection(8).layout;
  EXPECT_FALSE(l.pnlso.Visible());
  EXPECT_FALSE(l.gboracle.Visible());
  EXPECT_FALSE(l.GBsql.Visible());
  EXPECT_EQ(l.gbmdb, (GroupPlacement{Dock::Top, 50}));
  EXPECT_EQ(l.gbexcel.dock, Dock::Fill);
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
    const Direction& d = GetDirection(n);
    EXPECT_EQ(d.sourceSlot, SlotOf(d.source)) << n;
    EXPECT_EQ(d.targetSlot, SlotOf(d.target)) << n;
  }
  EXPECT_EQ(GetDirection(9).sourceSlot, GatewaySlot::CustomSourceGate);
  EXPECT_EQ(GetDirection(9).targetSlot, GatewaySlot::CustomTargetGate);
}

TEST(Directions, ServerScriptsGoWhereTheServerGroupsShow) {
  for (int32_t n = 0; n < kCustomDirection; ++n) {
    const Direction& d = GetDirection(n);
    EXPECT_EQ(d.oracleScript.has_value(), d.layout->gboracle.Visible()) << n;
    EXPECT_EQ(d.sqlScripts.has_value(), d.layout->GBsql.Visible()) << n;
  }
  EXPECT_EQ(GetDirection(0).oracleScript, ScriptField::mooracletoserver);
  for (int32_t n : {1, 2, 3, 6})
    EXPECT_EQ(GetDirection(n).oracleScript, ScriptField::Mooracletoacess);
  EXPECT_EQ(GetDirection(4).sqlScripts->getaccesstype, ScriptField::mogetaccesstype);
  EXPECT_EQ(GetDirection(4).sqlScripts->gettablesql, ScriptField::mogettablesql);
  for (int32_t n : {0, 1, 5, 7}) {
    EXPECT_EQ(GetDirection(n).sqlScripts->getaccesstype, ScriptField::s2omogetaccesstype) << n;
    EXPECT_EQ(GetDirection(n).sqlScripts->gettablesql, ScriptField::s2omogettablesql) << n;
  }
  EXPECT_FALSE(GetDirection(9).oracleScript);
  EXPECT_FALSE(GetDirection(9).sqlScripts);
}

TEST(Directions, OnlyTheExcelDirectionsHaveNoExistingTableMode) {
  for (int32_t n = 0; n < kDirectionCount; ++n) {
    EXPECT_EQ(IsExcelTarget(n), n >= 6 && n <= 8) << n;
  }
  EXPECT_EQ(SourceListCaption(GetDirection(2).source), "Oracle表列表");
  EXPECT_EQ(SourceListCaption(GetDirection(8).source), "Access表列表");
  EXPECT_EQ(SourceListCaption(GetDirection(7).source), "SQL Server表列表");
  EXPECT_EQ(SourceListCaption(GetDirection(9).source), "源数据库列表");
}

}  // namespace
}  // namespace mvq
