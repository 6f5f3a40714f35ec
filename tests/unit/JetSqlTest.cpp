// The statements the Access target takes, as the builders and server functions write them.
#include <gtest/gtest.h>

#include "platform/jet/JetSql.h"

namespace mvq::jet {
namespace {

TableSchema Created(const std::string& sql) {
  Statement st = ParseStatement(sql);
  EXPECT_TRUE(std::holds_alternative<CreateTable>(st)) << sql;
  return std::get<CreateTable>(st).schema;
}

TEST(JetSql, CreateTableTakesEveryAccessTypeAndTheKey) {
  TableSchema t = Created(
      "create Table [订单 明细] (\r\n  [ID] integer not null ,\r\n  [NAME] varchar(30),\r\n  "
      "[NOTE] memo,\r\n"
      "  [B] byte, [I] smallint, [F] single, [D] double, [C] currency, [N] numeric(12,3),\r\n"
      "  [T] datetime, [Y] yesno, [P] OLEObject, [Q] LongBinary, [S] counter, [BIG] bigint,\r\n"
      "  primary key ([ID],[NAME]))\r\n");
  EXPECT_EQ(t.name, "订单 明细");
  std::vector<ColType> types;
  for (const Column& c : t.columns) types.push_back(c.type);
  EXPECT_EQ(types,
            (std::vector<ColType>{ColType::Long, ColType::Text, ColType::Memo, ColType::Byte,
                                  ColType::Int, ColType::Float, ColType::Double, ColType::Money,
                                  ColType::Numeric, ColType::DateTime, ColType::Bool, ColType::Ole,
                                  ColType::Ole, ColType::Long, ColType::Numeric}));
  EXPECT_EQ(t.columns[1].length, 60);
  EXPECT_EQ(t.columns[8].precision, 12);
  EXPECT_EQ(t.columns[8].scale, 3);
  EXPECT_TRUE(t.columns[13].autoNumber);
  ASSERT_EQ(t.indexes.size(), 1u);
  EXPECT_TRUE(t.indexes[0].primary);
  EXPECT_EQ(t.indexes[0].columns, (std::vector<uint16_t>{0, 1}));
}

TEST(JetSql, DefaultsNullsAndAColumnKeyAreTaken) {
  TableSchema t = Created(
      "create Table [E] ([A] long default 0 not null primary key,[B] date default sysdate,"
      "[C] varchar(10) null, [D] double precision)");
  ASSERT_EQ(t.columns.size(), 4u);
  EXPECT_EQ(t.columns[3].type, ColType::Double);
  ASSERT_EQ(t.indexes.size(), 1u);
  EXPECT_EQ(t.indexes[0].columns, (std::vector<uint16_t>{0}));
}

TEST(JetSql, DropAndDeleteNameTheirTable) {
  EXPECT_EQ(std::get<DropTable>(ParseStatement("drop table [销售 表]")).name, "销售 表");
  EXPECT_EQ(std::get<DeleteRows>(ParseStatement("delete from [T];")).name, "T");
  EXPECT_EQ(std::get<DeleteRows>(ParseStatement("DELETE * FROM emp")).name, "emp");
}

TEST(JetSql, WhatAccessCannotHoldOrThisTargetDoesNotRunIsRefused) {
  for (const char* sql :
       {"update T set a = 1", "delete from T where a = 1", "create table T ([A] varchar(300))",
        "create table T ([A] sometype)", "create table T ([A] numeric(40,2))",
        "create view V as select 1", "create table [T ([A] long)"})
    EXPECT_THROW(ParseStatement(sql), JetError) << sql;
}

}  // namespace
}  // namespace mvq::jet
