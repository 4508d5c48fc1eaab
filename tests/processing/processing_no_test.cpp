#include "processing/processing_no.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "support/module.h"
#include "support/records.h"

namespace hp::processing {
namespace {

using testing::AddProcessing;
using testing::Module;

struct Existing {
  std::string number;
  int department = 10, financial = 1, cancel = 0, amended = 0;
};
struct PrefixRow {
  int department, financial;
  std::string prefix;
};
struct NumberingCase {
  std::string name;
  std::vector<PrefixRow> prefixes;  // replace the standard "HP" of department 10, year 1
  std::vector<Existing> existing;
  int department = 10;  // the department the header records
  int session_department = 10;
  int financial = 1;
  std::string expected;      // the next number, or
  std::string error_naming;  // the number a NumberingError must name
};
const PrefixRow kHP{10, 1, "HP"};

std::vector<Existing> Numbers(std::initializer_list<const char*> numbers) {
  std::vector<Existing> v;
  for (const char* n : numbers) v.push_back({n});
  return v;
}

void PrintTo(const NumberingCase& c, std::ostream* os) { *os << c.name; }
class NumberingTest : public ::testing::TestWithParam<NumberingCase> {};

TEST_P(NumberingTest, FormsTheNextNumber) {
  const NumberingCase& c = GetParam();
  Module m;
  m.con->Execute("delete from aPrefix");
  for (const auto& p : c.prefixes) testing::AddPrefix(*m.con, p.department, p.financial, p.prefix);
  int id = 100;
  for (const auto& e : c.existing)
    AddProcessing(*m.con, {.id = ++id, .number = e.number, .department = e.department, .financial = e.financial,
                           .amended = e.amended, .cancel = e.cancel});
  m.bas.intdepartmentid = c.session_department;
  m.bas.intfinancialId = c.financial;
  if (c.error_naming.empty()) {
    EXPECT_EQ(GenerateProcessingNo(m.bas, c.department), c.expected);
    return;
  }
  try {
    GenerateProcessingNo(m.bas, c.department);
    FAIL() << "a number was formed although " << c.error_naming << " has no numeric tail";
  } catch (const NumberingError& e) {
    EXPECT_NE(std::string(e.what()).find("\"" + c.error_naming + "\""), std::string::npos) << e.what();
  }
}

INSTANTIATE_TEST_SUITE_P(
    Numbers, NumberingTest,
    ::testing::Values(
        NumberingCase{.name = "NoPrefixRowFirst", .expected = "1"},
        NumberingCase{.name = "NoPrefixRowCountsOn", .existing = Numbers({"1", "2"}), .expected = "3"},
        NumberingCase{.name = "FirstOfThePrefix", .prefixes = {kHP}, .expected = "HP1"},
        NumberingCase{.name = "NumericNotTextOrder", .prefixes = {kHP},
                      .existing = Numbers({"HP9", "HP10", "HP1", "HP2", "HP3", "HP4", "HP5", "HP6", "HP7", "HP8"}),
                      .expected = "HP11"},
        NumberingCase{.name = "CancelledAndAmendedStillCount", .prefixes = {kHP},
                      .existing = {{"HP1"}, {"HP2", 10, 1, 0, 1}, {"HP3", 10, 1, 1, 0}}, .expected = "HP4"},
        NumberingCase{.name = "OtherDepartmentsAndYearsIgnored", .prefixes = {kHP},
                      .existing = {{"HP1"}, {"HP8", 20}, {"HP9", 10, 2}}, .expected = "HP2"},
        NumberingCase{.name = "NewDepartmentStartsAtOne", .prefixes = {kHP, {20, 1, "HP"}},
                      .existing = Numbers({"HP1", "HP2", "HP3"}), .department = 20, .expected = "HP1"},
        NumberingCase{.name = "NewYearStartsAtOne", .prefixes = {kHP, {10, 2, "HP"}}, .existing = Numbers({"HP5"}),
                      .financial = 2, .expected = "HP1"},
        NumberingCase{.name = "ChangedPrefixRestarts", .prefixes = {{10, 1, "PR"}},
                      .existing = Numbers({"HP1", "HP2", "HP3"}), .expected = "PR1"},
        NumberingCase{.name = "SessionWithoutDepartmentUsesTheHeaders", .prefixes = {kHP},
                      .existing = Numbers({"HP1", "HP2"}), .session_department = 0, .expected = "HP3"},
        NumberingCase{.name = "SessionDepartmentIsNotTheHeaders", .prefixes = {kHP, {20, 1, "VX"}},
                      .existing = {{"HP4"}, {"VX1", 20}}, .department = 20, .session_department = 10,
                      .expected = "VX2"},
        NumberingCase{.name = "DepartmentZeroTakesThePrefixOfTheYear", .prefixes = {kHP},
                      .existing = {{"HP6", 0}}, .department = 0, .expected = "HP7"},
        NumberingCase{.name = "LeadingZerosReadAsNumbers", .prefixes = {kHP}, .existing = Numbers({"HP007"}),
                      .expected = "HP8"},
        NumberingCase{.name = "PrefixLengthInCharacters", .prefixes = {{10, 1, "\xC3\x85" "B"}},
                      .existing = Numbers({"\xC3\x85" "B4"}), .expected = "\xC3\x85" "B5"},
        NumberingCase{.name = "NonNumericTail", .prefixes = {kHP}, .existing = Numbers({"HP1", "HPX2"}),
                      .error_naming = "HPX2"},
        NumberingCase{.name = "PrefixAlone", .prefixes = {kHP}, .existing = Numbers({"HP"}), .error_naming = "HP"},
        NumberingCase{.name = "NegativeTail", .prefixes = {kHP}, .existing = Numbers({"HP-3"}),
                      .error_naming = "HP-3"}),
    [](const auto& info) { return info.param.name; });

TEST(ProcessingKeysTest, IdentifierRunsOverEveryCompany) {
  Module m;
  AddProcessing(*m.con, {.id = 3, .number = "HP1"});
  AddProcessing(*m.con, {.id = 40, .number = "X1", .company = 2, .department = 30});
  db::Transaction tx(*m.con);
  ProcessingKeys keys = DrawProcessingKeys(m.bas, 10);
  EXPECT_EQ(keys.id, 41);
  EXPECT_EQ(keys.number, "HP2");
}

TEST(ProcessingKeysTest, RefusedOutsideTheSaveTransaction) {
  Module m;
  EXPECT_THROW(DrawProcessingKeys(m.bas, 10), std::logic_error);
}

}  // namespace
}  // namespace hp::processing
