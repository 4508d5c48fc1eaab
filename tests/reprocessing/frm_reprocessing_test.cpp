// The re-processing screen around its schedule: the choice of customer, and
// OK refusing a schedule not processed for the inputs on the screen.
#include <gtest/gtest.h>

#include "reprocessing_fixture.h"

namespace hp::reprocessing {
namespace {

using namespace fixture;

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

// What changes the inputs of a processed schedule, or empties the count.
using Step = std::function<void(testing::Module&, frmReprocessing&)>;
Step Set(const char* box, const char* text) {
  return [=](auto&, frmReprocessing& s) { Paste(s, box, text); };
}
Step Pick(int id) {
  return [=](auto&, frmReprocessing& s) { ChooseData(s, "cboPrrocNo", id); };
}
Step Delete(int line) {
  return [=](auto& m, frmReprocessing& s) { Menu(m, s, "mnuDelete", line); };
}
Step Add(const char* rental) {
  return [=](auto& m, frmReprocessing& s) { AddLines(m, s, {{rental, rental}}); };
}
Step Mode(const char* option) {  // answering No: the lines stay
  return [=](testing::Module& m, frmReprocessing& s) {
    m.host.Answer(MsgBoxResult::No);
    Click(s, option);
  };
}
void CloseSaying(testing::Module& m, frmReprocessing& s) {  // Close, "Save Changes?" Yes
  m.host.Answer(MsgBoxResult::Yes);
  Click(s, "cmdClose");
  EXPECT_EQ(m.host.Messages().at(m.host.Messages().size() - 2).prompt, "Save Changes?");
  EXPECT_EQ(m.host.LastMessage(), "Process the details .");
}

// After a schedule was processed (automatic: 10 rentals with cheques; manual:
// three lines), `steps`; OK then answers `message` and stores nothing. Most
// steps keep the count equal to the lines listed: only the forgotten
// schedule stops those saves.
struct StaleCase {
  const char* name;
  const char* mode;
  std::vector<Step> steps;
  std::string message = "Process the details .";
};
const StaleCase kStale[] = {
    {"NoOfRentalsChangedAndBack", "optAuto", {Set("txtNoRetals", "12"), Set("txtNoRetals", "10")}},
    {"RentalChanged", "optAuto", {Set("txtRentalAmount", "1250.00")}},
    {"AnotherProcessing", "optAuto", {Pick(2)}},
    {"AutomaticToManual", "optAuto", {Mode("optMan")}},
    {"ManualToAutomatic", "optMan", {Mode("optAuto")}},
    {"LineDeleted", "optMan", {Delete(2)}},
    {"LineDeletedAndAddedAgain", "optMan", {Delete(2), Add("4000")}},
    {"CloseAnsweringSave", "optAuto", {Set("txtRentalAmount", "1250.00"), CloseSaying}},
    {"NoOfRentalsFractional", "optAuto", {Set("txtNoRetals", "12.5")}, "Enter No of Rentals ."},
    {"NoOfRentalsZero", "optAuto", {Set("txtNoRetals", "0")}, "Enter No of Rentals ."},
    {"NoOfRentalsEmpty", "optAuto", {Set("txtNoRetals", "")}, "Enter No of Rentals ."},
};

TEST(ReprocessingOk, RefusesAScheduleNotProcessedForTheInputsShownAndStoresNothing) {
  for (const StaleCase& c : kStale) {
    SCOPED_TRACE(c.name);
    testing::Module m;
    AddScenery(m);
    AddReprocessable(*m.con, Reprocessable{.id = 2, .number = "HP2", .remaining = 6});
    const std::vector<long> before = Stored(*m.con);
    WithScreen(m, [&](frmReprocessing& s) {
      Choose(s, c.mode);
      if (std::string(c.mode) == "optAuto") {
        Reprocess(m, s, "10");
        EnterCheques(m, s);
      } else {
        AddLines(m, s, {{"6000", "6000"}, {"5000", "5000"}, {"4000", "4000"}});
        Click(s, "cmdReProcess");
      }
      ASSERT_GT(s.lvwCashFlow.Count(), 0);
      for (const Step& step : c.steps) step(m, s);
      EXPECT_EQ(s.lvwCashFlow.Count(), 0);  // no cash flow of other inputs shown
      EXPECT_EQ(s.txtAdjustments.Text(), "");
      Click(s, "cmdOk");
      EXPECT_EQ(m.host.LastMessage(), c.message);
      EXPECT_TRUE(s.IsLoaded());
    });
    EXPECT_EQ(Stored(*m.con), before);  // no header, lines, cash flow or audit; none amended
  }
}

}  // namespace
}  // namespace hp::reprocessing
