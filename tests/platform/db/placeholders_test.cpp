// The statement text the PostgreSQL backend sends ('?' numbered $1..$n and
// LIKE sent as ILIKE, only where they are SQL), and the SQLSTATE numbers of
// its errors.
#include <gtest/gtest.h>

#include "platform/db/postgres_connection.h"

namespace hp::db {
namespace {

struct PlaceholderCase {
  const char* sql;
  const char* sent;
  int count;
};
void PrintTo(const PlaceholderCase& c, std::ostream* os) { *os << c.sql; }

class ServerStatementTest : public ::testing::TestWithParam<PlaceholderCase> {};

TEST_P(ServerStatementTest, RewritesOnlyWhatIsSql) {
  const auto& c = GetParam();
  int count = -1;
  EXPECT_EQ(ServerStatement(c.sql, count), c.sent);
  EXPECT_EQ(count, c.count);
}

INSTANTIATE_TEST_SUITE_P(
    Texts, ServerStatementTest,
    ::testing::Values(
        PlaceholderCase{"select 1", "select 1", 0},
        PlaceholderCase{"select * from t where a=? and b=?", "select * from t where a=$1 and b=$2", 2},
        PlaceholderCase{"insert into t (a,b,c) values (?,?,?)", "insert into t (a,b,c) values ($1,$2,$3)", 3},
        // inside quoted texts, with doubled quotes
        PlaceholderCase{"select 'a?b', ? from t where c='it''s ?'", "select 'a?b', $1 from t where c='it''s ?'", 1},
        PlaceholderCase{"select '''?''' , ?", "select '''?''' , $1", 1},
        // backslash escapes only in E'' texts
        PlaceholderCase{"select E'a\\'?', ?", "select E'a\\'?', $1", 1},
        PlaceholderCase{"select 'a\\', ?", "select 'a\\', $1", 1},
        PlaceholderCase{"select name'x' , ?", "select name'x' , $1", 1},
        // quoted names
        PlaceholderCase{"select \"we?ird\"\"?\" from t where x=?", "select \"we?ird\"\"?\" from t where x=$1", 1},
        // comments
        PlaceholderCase{"select ? -- why?\n, ?", "select $1 -- why?\n, $2", 2},
        PlaceholderCase{"select ? /* a? /* nested? */ still? */ , ?", "select $1 /* a? /* nested? */ still? */ , $2",
                        2},
        PlaceholderCase{"select 5-?", "select 5-$1", 1},
        // dollar quotes
        PlaceholderCase{"select $$a?$$, ?", "select $$a?$$, $1", 1},
        PlaceholderCase{"select $q$ it's ? $$ $q$ , ?", "select $q$ it's ? $$ $q$ , $1", 1},
        PlaceholderCase{"select a$b, ?", "select a$b, $1", 1},
        // unterminated quotes swallow the rest rather than guess
        PlaceholderCase{"select 'open ?", "select 'open ?", 0},
        PlaceholderCase{"select ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?", "select $1, $2, $3, $4, $5, $6, $7, $8, $9, $10, $11",
                        11},
        // LIKE, in any case, but not inside names, texts or comments
        PlaceholderCase{"select 1 from t where a like ? and b NOT LIKE ?", "select 1 from t where a ilike $1 and b NOT ilike $2", 2},
        PlaceholderCase{"select likes, unlike, \"like\", 'like' from t -- like", "select likes, unlike, \"like\", 'like' from t -- like", 0},
        PlaceholderCase{"select x from t where (a)Like(?)", "select x from t where (a)ilike($1)", 1}));

struct StateCase {
  const char* state;
  long code;
};
void PrintTo(const StateCase& c, std::ostream* os) { *os << c.state; }

class SqlStateCodeTest : public ::testing::TestWithParam<StateCase> {};

TEST_P(SqlStateCodeTest, PacksSixBitsPerCharacter) { EXPECT_EQ(SqlStateCode(GetParam().state), GetParam().code); }

INSTANTIATE_TEST_SUITE_P(States, SqlStateCodeTest,
                         ::testing::Values(StateCase{"00000", 0},
                                           // 2 + 3*64 + 5*64^2 + 0*64^3 + 5*64^4
                                           StateCase{"23505", 2 + 3 * 64 + 5 * 4096 + 5 * 16777216L},
                                           // 'P' - '0' = 32
                                           StateCase{"40P01", 4 + 0 * 64 + 32 * 4096 + 0 + 1 * 16777216L},
                                           StateCase{"2350", 0}, StateCase{"23505x", 0}, StateCase{"23a05", 0}));

TEST(SqlStateCodeTest, DistinctStatesGiveDistinctCodes) {
  EXPECT_NE(SqlStateCode("40001"), SqlStateCode("40P01"));
  EXPECT_NE(SqlStateCode("55P03"), SqlStateCode("23505"));
  EXPECT_NE(SqlStateCode("23505"), SqlStateCode("23503"));
}

}  // namespace
}  // namespace hp::db
