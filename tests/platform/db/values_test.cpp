// Bound values travel to the database and back unchanged, whatever the
// backend: whole numbers, doubles to the last bit, texts of any content,
// dates as ISO text, nulls.
#include <gtest/gtest.h>

#include <cstdint>
#include <limits>
#include <string>

#include "support/database.h"

namespace hp::db {
namespace {

using testing::FreshDatabase;

// A scratch table in the test's own database; portable column types.
std::unique_ptr<Connection> WithScratchTable() {
  auto con = FreshDatabase();
  // A temporary table: private to the connection, gone when it closes.
  con->Execute("create temp table rt (id integer primary key, n bigint, x double precision, s text, d date)");
  return con;
}

Value Stored(Connection& con, const char* column, const Value& v) {
  con.Execute("delete from rt");
  con.Execute(std::string("insert into rt (id, ") + column + ") values (?, ?)", {std::int64_t{1}, v});
  Recordset rs = con.Open(std::string("select ") + column + " from rt where id = ?", {std::int64_t{1}});
  EXPECT_EQ(rs.RecordCount(), 1);
  return rs.Eof() ? Value{} : rs.Field(0);
}

class WholeNumberRoundTrip : public ::testing::TestWithParam<std::int64_t> {};

TEST_P(WholeNumberRoundTrip, ComesBackTheSame) {
  auto con = WithScratchTable();
  Value back = Stored(*con, "n", GetParam());
  ASSERT_TRUE(std::holds_alternative<std::int64_t>(back)) << back.index();
  EXPECT_EQ(std::get<std::int64_t>(back), GetParam());
}

INSTANTIATE_TEST_SUITE_P(Values, WholeNumberRoundTrip,
                         ::testing::Values(0, 1, -1, 2147483647, 2147483648LL, (1LL << 53) + 1,
                                           std::numeric_limits<std::int64_t>::max(),
                                           std::numeric_limits<std::int64_t>::min()));

class DoubleRoundTrip : public ::testing::TestWithParam<double> {};

TEST_P(DoubleRoundTrip, ComesBackBitForBit) {
  auto con = WithScratchTable();
  Value back = Stored(*con, "x", GetParam());
  ASSERT_TRUE(std::holds_alternative<double>(back)) << back.index();
  EXPECT_EQ(std::get<double>(back), GetParam());
}

INSTANTIATE_TEST_SUITE_P(Values, DoubleRoundTrip,
                         ::testing::Values(0.0, 0.1, 0.1 + 0.2, 1.0 / 3.0, 12500.005, -2.675, 5000.0, 1.51 / 100.0,
                                           123456789012345.67, 1e-300, 2.2250738585072014e-308,
                                           std::numeric_limits<double>::denorm_min(),
                                           std::numeric_limits<double>::max(),
                                           -std::numeric_limits<double>::max(), 0.0151308439236521));

std::string LongText() {
  std::string s;
  while (s.size() < 10000) s += "it's \"a\"; -- ? /* $1 */ ";
  s.resize(10000);
  return s;
}

std::string ControlCharacters() {
  std::string s;
  for (int c = 1; c < 32; ++c) s += static_cast<char>(c);
  s += '\x7f';
  return s;
}

struct TextCase {
  const char* name;
  std::string text;
};
void PrintTo(const TextCase& c, std::ostream* os) { *os << c.name; }

class TextRoundTrip : public ::testing::TestWithParam<TextCase> {};

TEST_P(TextRoundTrip, ComesBackTheSame) {
  auto con = WithScratchTable();
  Value back = Stored(*con, "s", GetParam().text);
  ASSERT_TRUE(std::holds_alternative<std::string>(back)) << back.index();
  EXPECT_EQ(std::get<std::string>(back), GetParam().text);
}

TEST_P(TextRoundTrip, FindsItselfInACondition) {
  auto con = WithScratchTable();
  con->Execute("insert into rt (id, s) values (1, ?)", {GetParam().text});
  con->Execute("insert into rt (id, s) values (2, ?)", {std::string("other")});
  Recordset rs = con->Open("select id from rt where s = ?", {GetParam().text});
  ASSERT_EQ(rs.RecordCount(), 1);
  EXPECT_EQ(AsInt(rs.Field("id")), 1);
}

INSTANTIATE_TEST_SUITE_P(
    Texts, TextRoundTrip,
    ::testing::Values(TextCase{"Empty", ""}, TextCase{"Apostrophe", "People's Bank"},
                      TextCase{"Quotes", "say \"hi\" and 'bye'"}, TextCase{"Semicolon", "a; drop table rt;"},
                      TextCase{"DashDash", "-- not a comment"}, TextCase{"Placeholders", "? $1 ?? :x"},
                      TextCase{"Backslashes", "C:\\reports\\\\x\\'"},
                      TextCase{"Unicode", "Ünïcødé 漢字 ශ්‍රී ලංකා 😀"}, TextCase{"Long", LongText()},
                      TextCase{"Controls", ControlCharacters()}, TextCase{"Blanks", "  padded  "}),
    [](const auto& param_info) { return std::string(param_info.param.name); });

TEST(ValueRoundTrip, NullStaysNullInEveryKindOfColumn) {
  auto con = WithScratchTable();
  for (const char* column : {"n", "x", "s", "d"}) {
    Value back = Stored(*con, column, Value{});
    EXPECT_TRUE(IsNull(back)) << column;
  }
}

TEST(ValueRoundTrip, DatesComeBackAsIsoTextAndCompareAsDates) {
  auto con = WithScratchTable();
  const char* dates[] = {"2024-01-31", "2024-02-29", "2023-12-31", "2024-10-01"};
  std::int64_t id = 0;
  for (const char* d : dates) con->Execute("insert into rt (id, d) values (?, ?)", {++id, std::string(d)});
  Recordset rs = con->Open("select d from rt where id = ?", {std::int64_t{2}});
  EXPECT_EQ(AsText(rs.Field("d")), "2024-02-29");

  Recordset between = con->Open("select id from rt where d between ? and ? order by d",
                                {std::string("2024-01-01"), std::string("2024-02-29")});
  ASSERT_EQ(between.RecordCount(), 2);
  EXPECT_EQ(AsInt(between.Field(0)), 1);
  between.MoveNext();
  EXPECT_EQ(AsInt(between.Field(0)), 2);

  // Ordered as dates, which ISO text also gives: October after February.
  Recordset latest = con->Open("select max(d) from rt");
  EXPECT_EQ(AsText(latest.Field(0)), "2024-10-01");
}

TEST(ValueRoundTrip, PlaceholderMarksInsideLiteralsAndCommentsAreText) {
  auto con = WithScratchTable();
  Recordset rs = con->Open("select 'a?b' as lit, ? as v, 'it''s ?' as q -- is this a mark?\n", {std::int64_t{7}});
  ASSERT_EQ(rs.RecordCount(), 1);
  EXPECT_EQ(AsText(rs.Field("lit")), "a?b");
  EXPECT_EQ(AsInt(rs.Field("v")), 7);
  EXPECT_EQ(AsText(rs.Field("q")), "it's ?");
}

TEST(ValueRoundTrip, MoreValuesThanPlaceholdersIsRefused) {
  auto con = WithScratchTable();
  EXPECT_THROW(con->Execute("insert into rt (id) values (?)", {std::int64_t{1}, std::int64_t{2}}), DbError);
  EXPECT_EQ(AsInt(con->Open("select count(*) from rt").Field(0)), 0);
}

TEST(ValueRoundTrip, WholeNumbersAndDoublesMixInArithmetic) {
  auto con = WithScratchTable();
  con->Execute("insert into rt (id, n, x) values (1, ?, ?)", {std::int64_t{24}, 5000.5});
  Recordset rs = con->Open("select n * x as total, x + ? as more from rt where n > ?", {0.25, std::int64_t{10}});
  ASSERT_EQ(rs.RecordCount(), 1);
  EXPECT_EQ(AsDouble(rs.Field("total")), 24 * 5000.5);
  EXPECT_EQ(AsDouble(rs.Field("more")), 5000.75);
}

// LIKE ignores case on both backends, as the search dialogs expect.
TEST(ValueRoundTrip, LikeIgnoresCase) {
  auto con = WithScratchTable();
  std::int64_t id = 0;
  for (const char* name : {"Silva", "Basil Perera", "SILVER", "fernando"})
    con->Execute("insert into rt (id, s) values (?, ?)", {++id, std::string(name)});
  auto matches = [&](const std::string& pattern) {
    return AsInt(con->Open("select count(*) from rt where s like ?", {pattern}).Field(0));
  };
  EXPECT_EQ(matches("%sil%"), 3);
  EXPECT_EQ(matches("FERN%"), 1);
  EXPECT_EQ(matches("%o'n%"), 0);
  EXPECT_EQ(AsInt(con->Open("select count(*) from rt where s not like ?", {std::string("%SIL%")}).Field(0)), 1);
}

// A bound whole number may stand where the SQL wants an integer argument, and
// a large one still compares with a bigint column.
TEST(ValueRoundTrip, WholeNumbersServeAsFunctionArguments) {
  auto con = WithScratchTable();
  con->Execute("insert into rt (id, n, s) values (1, ?, ?)", {std::int64_t{5000000000LL}, std::string("HP0042")});
  Recordset rs = con->Open("select substr(s, 1, ?) as prefix, substr(s, ?) as tail from rt where n = ?",
                           {std::int64_t{2}, std::int64_t{3}, std::int64_t{5000000000LL}});
  ASSERT_EQ(rs.RecordCount(), 1);
  EXPECT_EQ(AsText(rs.Field("prefix")), "HP");
  EXPECT_EQ(AsText(rs.Field("tail")), "0042");
  EXPECT_EQ(AsInt(con->Open("select count(*) from rt where n > ? and id < ?", {std::int64_t{1}, std::int64_t{2}})
                      .Field(0)),
            1);
}

TEST(ValueRoundTrip, TextHoldingNulIsRefusedOnPostgres) {
  if (!testing::OnPostgres()) GTEST_SKIP() << "SQLite stores NUL characters";
  auto con = WithScratchTable();
  EXPECT_THROW(con->Execute("insert into rt (id, s) values (1, ?)", {std::string("a\0b", 3)}), DbError);
  EXPECT_EQ(AsInt(con->Open("select count(*) from rt").Field(0)), 0);
}

}  // namespace
}  // namespace hp::db
