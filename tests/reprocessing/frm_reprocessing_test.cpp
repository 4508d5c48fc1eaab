// The re-processing screen around its schedule: the department, the choice
// of customer, and what forgets a processed schedule.
#include <gtest/gtest.h>

#include "reprocessing_fixture.h"

namespace hp::reprocessing {
namespace {

using namespace fixture;

struct DepartmentCase {
  int session_department;
  bool enabled;
  std::int64_t chosen;  // item data chosen, 0: none
};
void PrintTo(const DepartmentCase& c, std::ostream* os) { *os << "session department " << c.session_department; }

class Department : public ::testing::TestWithParam<DepartmentCase> {};

TEST_P(Department, IsPresetOnlyWhenTheSessionHasOneTheCompanyKnows) {
  testing::Module m;
  m.bas.intdepartmentid = GetParam().session_department;
  WithScreen(m, [&](frmReprocessing& s) {
    EXPECT_EQ(s.cbodepartment.Enabled, GetParam().enabled);
    EXPECT_EQ(s.cbodepartment.SelectedData(), GetParam().chosen);
  });
}

INSTANTIATE_TEST_SUITE_P(Reprocessing, Department,
                         ::testing::Values(DepartmentCase{0, true, 0}, DepartmentCase{10, false, 10},
                                           DepartmentCase{99, true, 0}));

TEST(ReprocessingCustomer, AnotherCustomerIsChosenOnlyAfterAskingToClear) {
  testing::Module m;
  AddScenery(m);
  AddScenery(m, Reprocessable{.id = 2, .number = "HP2", .customer = 2, .remaining = 5});
  WithScreen(m, [&](frmReprocessing& s) {
    Choose(s, "optAuto");
    ChooseData(s, "cboCustomer", 1);  // the same again: nothing happens
    EXPECT_EQ(s.lvwReProcessing.Count(), 12);
    EXPECT_TRUE(m.host.Messages().empty());
    m.host.Answer(MsgBoxResult::No);
    ChooseData(s, "cboCustomer", 2);
    EXPECT_EQ(m.host.LastMessage(), "All Details Will Be Cleared .\r Do you Want to Continue?");
    EXPECT_EQ(s.cboCustomer.SelectedData(), 1);
    EXPECT_EQ(s.lvwReProcessing.Count(), 12);
    m.host.Answer(MsgBoxResult::Yes);
    ChooseData(s, "cboCustomer", 2);
    EXPECT_EQ(s.lvwReProcessing.Count(), 0);
    ASSERT_EQ(s.cboPrrocNo.ListCount(), 1);
    EXPECT_EQ(s.cboPrrocNo.ItemData(0), 2);
  });
}

TEST(ReprocessingClose, SaveChangesYesThatCannotSaveKeepsTheScreen) {
  testing::Module m;
  AddScenery(m);
  WithScreen(m, [&](frmReprocessing& s) {
    Choose(s, "optAuto");
    m.host.Answer(MsgBoxResult::Yes);
    Click(s, "cmdClose");
    EXPECT_EQ(m.host.Messages().at(m.host.Messages().size() - 2).prompt, "Save Changes?");
    EXPECT_EQ(m.host.LastMessage(), "Process the details .");
    EXPECT_TRUE(s.IsLoaded());
  });
  EXPECT_EQ(testing::CountRows(*m.con, "aHpProcessingHeader"), 1);
}

struct Change {
  std::string name;
  std::string mode;
  std::function<void(testing::Module&, frmReprocessing&)> act;
};
void PrintTo(const Change& c, std::ostream* os) { *os << c.name; }

class ProcessedSchedule : public ::testing::TestWithParam<Change> {};

TEST_P(ProcessedSchedule, IsForgottenWhenItsInputsChange) {
  const Change& c = GetParam();
  testing::Module m;
  AddScenery(m);
  WithScreen(m, [&](frmReprocessing& s) {
    Choose(s, c.mode);
    if (c.mode == "optAuto") {
      Reprocess(m, s, "10");
      EnterCheques(m, s);
    } else {
      AddLines(m, s, {{"6000", "6000"}, {"5000", "5000"}, {"4000", "4000"}});
      Click(s, "cmdReProcess");
    }
    ASSERT_EQ(s.lvwCashFlow.Count(), s.lvwReProcessing.Count());
    c.act(m, s);
    EXPECT_EQ(s.lvwCashFlow.Count(), 0);  // no cash flow of other inputs
    EXPECT_EQ(s.txtAdjustments.Text(), "");
    Click(s, "cmdOk");
    EXPECT_EQ(m.host.LastMessage(), "Process the details .");
    EXPECT_TRUE(s.IsLoaded());
  });
  EXPECT_EQ(testing::CountRows(*m.con, "aHpProcessingHeader"), 1);
  EXPECT_EQ(testing::CountRows(*m.con, "aHpProcessingHeader", "hphAmended=1"), 0);
}

INSTANTIATE_TEST_SUITE_P(
    Reprocessing, ProcessedSchedule,
    ::testing::Values(
        Change{"NoOfRentals", "optAuto", [](auto&, frmReprocessing& s) { Paste(s, "txtNoRetals", "12"); }},
        Change{"Rental", "optAuto", [](auto&, frmReprocessing& s) { Paste(s, "txtRentalAmount", "1250.00"); }},
        Change{"Mode", "optAuto",
               [](testing::Module& m, frmReprocessing& s) {
                 m.host.Answer(MsgBoxResult::No);
                 Click(s, "optMan");
               }},
        Change{"Processing", "optAuto", [](auto&, frmReprocessing& s) { ChooseData(s, "cboPrrocNo", 1); }},
        Change{"LineDeleted", "optMan",
               [](testing::Module& m, frmReprocessing& s) {
                 m.host.ChooseMenu("mnuDelete");
                 s.Dispatch(RightClick(2));
                 EXPECT_EQ(s.lvwReProcessing.Count(), 2);
               }}),
    [](const auto& p) { return p.param.name; });

}  // namespace
}  // namespace hp::reprocessing
