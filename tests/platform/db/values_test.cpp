// Bound values travel to the database and back unchanged, whatever the
// backend: whole numbers, doubles to the last bit, texts of any content,
// dates as ISO text, nulls. On PostgreSQL the statement text sent has '?'
// numbered $1..$n and LIKE sent as ILIKE, only where they are SQL.
#include <gtest/gtest.h>

#include <cstdint>
#include <limits>
#include <string>
#include <vector>

#include "platform/db/postgres_connection.h"
#include "support/database.h"

namespace hp::db {
namespace {

// A temporary table, private to the connection; portable column types.
std::unique_ptr<Connection> WithScratchTable() {
  auto con = testing::FreshDatabase();
  con->Execute("create temp table rt (id integer primary key, n bigint, x double precision, s text, d date)");
  return con;
}

std::int64_t Count(Connection& con, const std::string& condition, const Params& params = {}) {
  return AsInt(con.Open("select count(*) from rt where " + condition, params).Field(0));
}

TEST(ValueRoundTrip, ComesBackTheSameAndFindsItselfInACondition) {
  using L = std::numeric_limits<double>;
  using namespace std::string_literals;
  std::string long_text, controls;
  while (long_text.size() < 10000) long_text += "it's \"a\"; -- ? /* $1 */ ";
  long_text.resize(10000);
  for (int c = 1; c < 32; ++c) controls += static_cast<char>(c);
  controls += '\x7f';
  const std::pair<std::string, std::vector<Value>> columns[] = {
      {"n", {std::int64_t{0}, std::int64_t{1}, std::int64_t{-1}, std::int64_t{2147483647}, std::int64_t{2147483648LL},
             std::int64_t{(1LL << 53) + 1}, std::numeric_limits<std::int64_t>::max(),
             std::numeric_limits<std::int64_t>::min(), Value{}}},
      {"x", {0.0, 0.1, 0.1 + 0.2, 1.0 / 3.0, 12500.005, -2.675, 5000.0, 1.51 / 100.0, 123456789012345.67, 1e-300,
             2.2250738585072014e-308, L::denorm_min(), L::max(), -L::max(), 0.0151308439236521, Value{}}},
      {"s", {""s, "People's Bank"s, "say \"hi\" and 'bye'"s, "a; drop table rt;"s, "-- not a comment"s, "? $1 ?? :x"s,
             "C:\\reports\\\\x\\'"s, "Ünïcødé 漢字 ශ්‍රී ලංකා 😀"s, long_text, controls, "  padded  "s, Value{}}},
      {"d", {Value{}}},
  };
  auto con = WithScratchTable();
  for (const auto& [column, values] : columns) {
    for (size_t i = 0; i < values.size(); ++i) {
      SCOPED_TRACE(column + " #" + std::to_string(i));
      const Value& v = values[i];
      con->Execute("delete from rt");
      con->Execute("insert into rt (id, " + column + ") values (1, ?)", {v});
      con->Execute("insert into rt (id, n, x, s) values (2, 42, 7.5, 'other')");
      Recordset rs = con->Open("select " + column + " from rt where id = 1");
      ASSERT_EQ(rs.RecordCount(), 1);
      EXPECT_EQ(rs.Field(0), v) << "came back as alternative " << rs.Field(0).index();
      EXPECT_EQ(Count(*con, column + " = ?", {v}), IsNull(v) ? 0 : 1);  // null equals nothing
    }
  }
}

TEST(ValueRoundTrip, DatesComeBackAsIsoTextAndCompareAsDates) {
  auto con = WithScratchTable();
  std::int64_t id = 0;
  for (const char* d : {"2024-01-31", "2024-02-29", "2023-12-31", "2024-10-01"})
    con->Execute("insert into rt (id, d) values (?, ?)", {++id, std::string(d)});
  EXPECT_EQ(AsText(con->Open("select d from rt where id = 2").Field("d")), "2024-02-29");
  Recordset between = con->Open("select id from rt where d between ? and ? order by d",
                                {std::string("2024-01-01"), std::string("2024-02-29")});
  ASSERT_EQ(between.RecordCount(), 2);
  EXPECT_EQ(AsInt(between.Field(0)), 1);
  between.MoveNext();
  EXPECT_EQ(AsInt(between.Field(0)), 2);
  EXPECT_EQ(AsText(con->Open("select max(d) from rt").Field(0)), "2024-10-01");  // October after February
}

TEST(ValueRoundTrip, PlaceholderMarksInsideLiteralsAndCommentsAreTextAndExtraValuesAreRefused) {
  auto con = WithScratchTable();
  Recordset rs = con->Open("select 'a?b' as lit, ? as v, 'it''s ?' as q -- is this a mark?\n", {std::int64_t{7}});
  ASSERT_EQ(rs.RecordCount(), 1);
  EXPECT_EQ(AsText(rs.Field("lit")), "a?b");
  EXPECT_EQ(AsInt(rs.Field("v")), 7);
  EXPECT_EQ(AsText(rs.Field("q")), "it's ?");
  EXPECT_THROW(con->Execute("insert into rt (id) values (?)", {std::int64_t{1}, std::int64_t{2}}), DbError);
  EXPECT_EQ(Count(*con, "1=1"), 0);
}

// Bound whole numbers mix with doubles in arithmetic, stand where the SQL
// wants an integer argument, and still compare with a bigint column when large.
TEST(ValueRoundTrip, WholeNumbersServeInArithmeticAndAsFunctionArguments) {
  auto con = WithScratchTable();
  con->Execute("insert into rt (id, n, x, s) values (1, ?, ?, ?)", {std::int64_t{24}, 5000.5, std::string("HP0042")});
  Recordset rs = con->Open("select n * x as total, x + ? as more from rt where n > ?", {0.25, std::int64_t{10}});
  ASSERT_EQ(rs.RecordCount(), 1);
  EXPECT_EQ(AsDouble(rs.Field("total")), 24 * 5000.5);
  EXPECT_EQ(AsDouble(rs.Field("more")), 5000.75);

  con->Execute("update rt set n = ?", {std::int64_t{5000000000LL}});
  rs = con->Open("select substr(s, 1, ?) as prefix, substr(s, ?) as tail from rt where n = ?",
                 {std::int64_t{2}, std::int64_t{3}, std::int64_t{5000000000LL}});
  ASSERT_EQ(rs.RecordCount(), 1);
  EXPECT_EQ(AsText(rs.Field("prefix")), "HP");
  EXPECT_EQ(AsText(rs.Field("tail")), "0042");
  EXPECT_EQ(Count(*con, "n > ? and id < ?", {std::int64_t{1}, std::int64_t{2}}), 1);
}

// LIKE ignores case on both backends, as the search dialogs expect.
TEST(ValueRoundTrip, LikeIgnoresCase) {
  auto con = WithScratchTable();
  std::int64_t id = 0;
  for (const char* name : {"Silva", "Basil Perera", "SILVER", "fernando"})
    con->Execute("insert into rt (id, s) values (?, ?)", {++id, std::string(name)});
  EXPECT_EQ(Count(*con, "s like ?", {std::string("%sil%")}), 3);
  EXPECT_EQ(Count(*con, "s like ?", {std::string("FERN%")}), 1);
  EXPECT_EQ(Count(*con, "s like ?", {std::string("%o'n%")}), 0);
  EXPECT_EQ(Count(*con, "s not like ?", {std::string("%SIL%")}), 1);
}

TEST(ValueRoundTrip, TextHoldingNulIsRefusedOnPostgres) {
  if (!testing::OnPostgres()) GTEST_SKIP() << "SQLite stores NUL characters";
  auto con = WithScratchTable();
  EXPECT_THROW(con->Execute("insert into rt (id, s) values (1, ?)", {std::string("a\0b", 3)}), DbError);
  EXPECT_EQ(Count(*con, "1=1"), 0);
}

TEST(ServerStatementTest, RewritesOnlyWhatIsSql) {
  struct Case {
    const char* sql;
    const char* sent;
    int count;
  } cases[] = {
      {"select 1", "select 1", 0},
      {"select * from t where a=? and b=?", "select * from t where a=$1 and b=$2", 2},
      // inside quoted texts, with doubled quotes
      {"select 'a?b', ? from t where c='it''s ?'", "select 'a?b', $1 from t where c='it''s ?'", 1},
      {"select '''?''' , ?", "select '''?''' , $1", 1},
      // backslash escapes only in E'' texts
      {"select E'a\\'?', ?", "select E'a\\'?', $1", 1},
      {"select 'a\\', ?", "select 'a\\', $1", 1},
      {"select name'x' , ?", "select name'x' , $1", 1},
      {"select \"we?ird\"\"?\" from t where x=?", "select \"we?ird\"\"?\" from t where x=$1", 1},
      {"select ? -- why?\n, ?", "select $1 -- why?\n, $2", 2},
      {"select ? /* a? /* nested? */ still? */ , ?", "select $1 /* a? /* nested? */ still? */ , $2", 2},
      {"select 5-?", "select 5-$1", 1},
      {"select $$a?$$, ?", "select $$a?$$, $1", 1},
      {"select $q$ it's ? $$ $q$ , ?", "select $q$ it's ? $$ $q$ , $1", 1},
      {"select a$b, ?", "select a$b, $1", 1},
      {"select 'open ?", "select 'open ?", 0},  // unterminated: the rest is text
      {"select ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?", "select $1, $2, $3, $4, $5, $6, $7, $8, $9, $10, $11", 11},
      // LIKE in any case, but not inside names, texts or comments
      {"select 1 from t where a like ? and b NOT LIKE ?", "select 1 from t where a ilike $1 and b NOT ilike $2", 2},
      {"select likes, unlike, \"like\", 'like' from t -- like", "select likes, unlike, \"like\", 'like' from t -- like",
       0},
      {"select x from t where (a)Like(?)", "select x from t where (a)ilike($1)", 1},
  };
  for (const auto& c : cases) {
    int count = -1;
    EXPECT_EQ(ServerStatement(c.sql, count), c.sent);
    EXPECT_EQ(count, c.count) << c.sql;
  }
}

TEST(SqlStateCodeTest, PacksSixBitsPerCharacter) {
  struct Case {
    const char* state;
    long code;
  } cases[] = {
      {"00000", 0},
      {"23505", 2 + 3 * 64 + 5 * 4096 + 5 * 16777216L},  // digit i times 64^i
      {"40P01", 4 + 32 * 4096 + 1 * 16777216L},          // 'P' - '0' = 32
      {"2350", 0},
      {"23505x", 0},
      {"23a05", 0},
  };
  for (const auto& c : cases) EXPECT_EQ(SqlStateCode(c.state), c.code) << c.state;
}

}  // namespace
}  // namespace hp::db
