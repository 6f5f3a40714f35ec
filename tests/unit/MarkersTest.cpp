// Oracle-style ":1" / ":NAME" markers translated to ODBC "?" markers.
#include <gtest/gtest.h>

#include "platform/odbc/Markers.h"

namespace mvq::db {
namespace {

std::vector<std::string> Texts(const Params& params) {
  std::vector<std::string> out;
  for (const auto& p : params) out.push_back(p.value.AsText());
  return out;
}

TEST(ColonMarkers, PositionalMarkersTakeTheirValueByNumber) {
  auto m = TranslateColonMarkers("select * from t where a=:2 and b=:1 or c=:2",
                                 {{Variant("one")}, {Variant(2)}});
  EXPECT_EQ(m.sql, "select * from t where a=? and b=? or c=?");
  EXPECT_EQ(Texts(m.params), (std::vector<std::string>{"2", "one", "2"}));
  m = TranslateColonMarkers("values(:10,:1)", Params(10, Param{Variant(7)}));
  EXPECT_EQ(m.sql, "values(?,?)");
  EXPECT_EQ(m.params.size(), 2u);
}

TEST(ColonMarkers, NamedMarkersTakeTheValueOfTheirNameInAnyCase) {
  Params p = {{Variant("x"), "Name"}, {Variant(5), "ID"}, {Variant("blob"), "lob_1"}};
  auto m = TranslateColonMarkers("update emp set name=:NAME, doc=:Lob_1 where id=:id", p);
  EXPECT_EQ(m.sql, "update emp set name=?, doc=? where id=?");
  EXPECT_EQ(Texts(m.params), (std::vector<std::string>{"x", "blob", "5"}));
}

TEST(ColonMarkers, QuotesCommentsAndOperatorsAreLeftAlone) {
  Params p = {{Variant(1)}};
  const std::string sql =
      "select ':1', \"a:1\", q'[it's :1]', x::int /* :1 */ from t -- :1\n"
      "where d = to_date('10:30', 'hh24:mi') and v := :1 and 'it''s :1'=:1";
  auto m = TranslateColonMarkers(sql, p);
  EXPECT_EQ(m.sql,
            "select ':1', \"a:1\", q'[it's :1]', x::int /* :1 */ from t -- :1\n"
            "where d = to_date('10:30', 'hh24:mi') and v := ? and 'it''s :1'=?");
  EXPECT_EQ(m.params.size(), 2u);
}

TEST(ColonMarkers, ChineseTextAroundMarkersSurvives) {
  Params p = {{Variant("张三"), "姓名"}};
  auto m = TranslateColonMarkers("select '：1' from 表 where 姓名=:姓名", p);
  EXPECT_EQ(m.sql, "select '：1' from 表 where 姓名=?");
  EXPECT_EQ(Texts(m.params), (std::vector<std::string>{"张三"}));
}

TEST(ColonMarkers, StatementsWithoutValuesAreSentAsWritten) {
  const std::string body = "begin x := :new.a; end;";
  auto m = TranslateColonMarkers(body, {});
  EXPECT_EQ(m.sql, body);
  EXPECT_TRUE(m.params.empty());
}

TEST(ColonMarkers, UnclosedQuotesAndCommentsRunToTheEnd) {
  auto m = TranslateColonMarkers("select :1, 'open :1", {{Variant(1)}});
  EXPECT_EQ(m.sql, "select ?, 'open :1");
  m = TranslateColonMarkers("select :1 /* open :1", {{Variant(1)}});
  EXPECT_EQ(m.sql, "select ? /* open :1");
}

TEST(ColonMarkers, AMarkerWithoutAValueIsAnError) {
  Params p = {{Variant(1), "a"}};
  EXPECT_THROW(TranslateColonMarkers("select :2 from dual", p), DbError);
  EXPECT_THROW(TranslateColonMarkers("select :0 from dual", p), DbError);
  try {
    TranslateColonMarkers("select :b from dual", p);
    ADD_FAILURE();
  } catch (const DbError& e) {
    EXPECT_EQ(e.SqlState(), "07002");
    EXPECT_NE(e.DriverMessage().find(":b"), std::string::npos);
  }
}

}  // namespace
}  // namespace mvq::db
