// The re-processing screen around its schedule: loading, the Enter-key
// derivations, the checks before re-processing, manual lines, the choice of
// customer, and OK refusing a schedule not processed for the inputs shown.
// (Automatic schedules are checked as stored, in reprocessing_save_test.)
#include <gtest/gtest.h>

#include "reprocessing/reprocessing_schedule.h"
#include "reprocessing_fixture.h"

namespace hp::reprocessing {
namespace {

using namespace fixture;

std::string Texts(forms::Form& f, std::initializer_list<const char*> boxes) {
  std::string out;
  for (const char* b : boxes) out += dynamic_cast<forms::TextBox*>(f.Find(b))->Text() + "|";
  return out;
}

TEST(ReprocessingLoad, ListsTheRemainingRentalsAndLetsGoAProcessingWithNoneLeft) {
  testing::Module m;
  AddScenery(m);
  AddReprocessable(*m.con, Reprocessable{.id = 2, .number = "HP2", .remaining = 6});
  WithScreen(m, [&](frmReprocessing& s) {
    EXPECT_FALSE(s.cbodepartment.Enabled);  // the session's department, preset
    EXPECT_EQ(s.cbodepartment.SelectedData(), 10);
    Choose(s, "optAuto");
    EXPECT_EQ(s.lvwReProcessing.Count(), 12);
    // 15000.00 / 1250.00 rentals; balance: the first remaining line's capital; three settled.
    EXPECT_EQ(Texts(s, {"txtNoRetals", "txtTotRental", "txtBal", "txtReceipted", "txtInvoice", "txtMonthlyRate"}),
              "12|15000.00|12500.00|3750.00|INV1|1.25|");
    EXPECT_EQ(s.lvwReProcessing.Item(0).SubItem(1), "31/01/2024");
    // Settled by someone else after the list was filled: let go, the screen
    // stays usable.
    m.con->Execute("update aHpProcessingDetail set hpdSettlementAmount=hpdRental where hpdProcessingID=2");
    ChooseData(s, "cboPrrocNo", 2);
    EXPECT_EQ(m.host.LastMessage(), kNoRemainingRentals);
    EXPECT_EQ(s.cboPrrocNo.ListIndex(), -1);
    EXPECT_EQ(s.lvwReProcessing.Count(), 0);
    Click(s, "cmdReProcess");
    EXPECT_EQ(m.host.LastMessage(), "Select a Processing No .");
    ChooseData(s, "cboPrrocNo", 1);
    EXPECT_EQ(s.lvwReProcessing.Count(), 12);
  });
}

// Typed into the automatic boxes, then Enter in one of them (deriving the
// other, or refusing a missing divisor) or Re-Process (laying out only what
// adds up to the remaining total). Shown after: rentals|rental|total|cash-flow
// lines|rental lines.
TEST(ReprocessingAutomatic, DerivesTheOtherBoxAndComputesOnlyWhatAddsUpToTheRemainingTotal) {
  constexpr char kRentals[] = "Enter No of Rentals .", kRental[] = "Enter Rental Amount .",
                 kCleared[] = "Processed Data will be Cleared . \r Do you want to continue?";
  struct {
    const char *rentals, *rental;  // nullptr: as loaded
    const char* enter;             // the box Enter is pressed in; nullptr: Re-Process
    const char *message, *shown;
  } cases[] = {
      {"10", nullptr, "txtNoRetals", "", "10|1500.00|15000.00|0|12"},
      {nullptr, "1500", "txtRentalAmount", "", "10.00|1500|15000.00|0|12"},
      {"", nullptr, "txtNoRetals", kRentals, "|1250.00|15000.00|0|12"},
      {"0", nullptr, "txtNoRetals", kRentals, "0|1250.00|15000.00|0|12"},
      {nullptr, "", "txtRentalAmount", kRental, "12||15000.00|0|12"},
      {nullptr, "0.00", "txtRentalAmount", kRental, "12|0.00|15000.00|0|12"},
      {"10", "1500.00", nullptr, kCleared, "10|1500.00|15000.00|10|10"},
      {"10", "1499.70", nullptr, "Total Rental Should be Equal to 15000.00  .", "10|1499.70|15000.00|0|12"},
      {"10", "1499.96", nullptr, kCleared, "10|1499.96|14999.60|10|10"},  // rounds to the remaining total
      {"10.5", "1428.57", nullptr, kRentals, "10.5|1428.57|15000.00|0|12"},
      {"0", "1500.00", nullptr, kRentals, "0|1500.00|15000.00|0|12"},
      {"10", "0", nullptr, kRental, "10|0|15000.00|0|12"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(fmt::format("{} x {} {}", c.rentals ? c.rentals : "-", c.rental ? c.rental : "-",
                             c.enter ? c.enter : "cmdReProcess"));
    testing::Module m;
    AddScenery(m);
    WithScreen(m, [&](frmReprocessing& s) {
      Choose(s, "optAuto");
      m.host.ClearMessages();
      if (c.rentals) Paste(s, "txtNoRetals", c.rentals);
      if (c.rental) Paste(s, "txtRentalAmount", c.rental);
      if (std::string_view(c.message) == kCleared) m.host.Answer(MsgBoxResult::Yes);
      c.enter ? Key(s, c.enter, 13) : Click(s, "cmdReProcess");
      EXPECT_EQ(m.host.LastMessage(), c.message);
      EXPECT_EQ(fmt::format("{}{}|{}", Texts(s, {"txtNoRetals", "txtRentalAmount", "txtTotRental"}),
                            s.lvwCashFlow.Count(), s.lvwReProcessing.Count()),
                c.shown);
    });
  }
}

TEST(ReprocessingManual, RefusesLinesMissingTheTotalAndKeepsWhatWasTypedButTheAmount) {
  testing::Module m;
  AddScenery(m);
  WithScreen(m, [&](frmReprocessing& s) {
    Choose(s, "optMan");
    EXPECT_EQ(s.lvwReProcessing.Count(), 0);  // manual lines start from nothing
    AddLines(m, s, {{"6000", "4000"}, {"5000", "5000"}, {"3000", "3000"}});
    Click(s, "cmdReProcess");
    EXPECT_EQ(m.host.LastMessage(), "Total Rental Should be Equal to 15000.00  .");
    EXPECT_EQ(s.lvwCashFlow.Count(), 0);
    Menu(m, s, "mnuDelete", 2);
    AddLines(m, s, {{"4000", "100"}});
    ASSERT_EQ(s.lvwReProcessing.Count(), 3);
    Click(s, "cmdReProcess");
    const double rentals[] = {6000, 5000, 4000};
    double total = 0;
    for (int i = 0; i < 3; ++i) total += Round2(rentals[i] / std::pow(1.0125, i + 1));
    double c = Round4(Round2(Round2(total) - 12500) + 12500);  // at the loaded rate
    const char* due[] = {"29/02/2024", "31/03/2024", "30/04/2024"};
    for (int i = 0; i < 3; ++i) {
      const forms::ListItem& line = s.lvwReProcessing.Item(i);
      const std::string shown = fmt::format("{:.2f}", rentals[i]);  // the amount follows the rental
      EXPECT_EQ(line.SubItem(1) + line.SubItem(3) + line.SubItem(7) + line.SubItem(9),
                due[i] + shown + "Sampath Bank" + shown);
      EXPECT_NEAR(Cell(s.lvwReProcessing, i, 2), c, 1e-9);
      const double interest = Round4(1.25 / 100 * c);
      EXPECT_NEAR(Cell(s.lvwReProcessing, i, 4), interest, 1e-9);
      c = Round4(c - Round4(rentals[i] - interest));
    }
    EXPECT_EQ(Texts(s, {"txtNoRetals", "txtRentalAmount"}), "3|0|");
  });
}

TEST(ReprocessingCustomer, AnotherCustomerIsChosenOnlyAfterAskingToClear) {
  testing::Module m;
  AddScenery(m);
  AddScenery(m, Reprocessable{.id = 2, .number = "HP2", .customer = 2, .remaining = 5});
  WithScreen(m, [&](frmReprocessing& s) {
    Choose(s, "optAuto");
    ChooseData(s, "cboCustomer", 1);  // the same again: nothing happens
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
Step Delete(int line) {
  return [=](auto& m, frmReprocessing& s) { Menu(m, s, "mnuDelete", line); };
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
}

// After a schedule was processed (automatic: 10 rentals with cheques; manual:
// three lines), `steps`; OK then answers `message` and stores nothing. Most
// steps keep the count equal to the lines listed: only the forgotten
// schedule stops those saves.
TEST(ReprocessingOk, RefusesAScheduleNotProcessedForTheInputsShownAndStoresNothing) {
  struct {
    const char* name;
    const char* mode;
    std::vector<Step> steps;
    std::string message = "Process the details .";
  } cases[] = {
      {"NoOfRentalsChangedAndBack", "optAuto", {Set("txtNoRetals", "12"), Set("txtNoRetals", "10")}},
      {"RentalChanged", "optAuto", {Set("txtRentalAmount", "1250.00")}},
      {"AnotherProcessing", "optAuto", {[](auto&, frmReprocessing& s) { ChooseData(s, "cboPrrocNo", 2); }}},
      {"AutomaticToManual", "optAuto", {Mode("optMan")}},
      {"ManualToAutomatic", "optMan", {Mode("optAuto")}},
      {"LineDeleted", "optMan", {Delete(2)}},
      {"LineDeletedAndAddedAgain", "optMan",
       {Delete(2), [](auto& m, frmReprocessing& s) { AddLines(m, s, {{"4000", "4000"}}); }}},
      {"CloseAnsweringSave", "optAuto", {Set("txtRentalAmount", "1250.00"), CloseSaying}},
      {"NoOfRentalsFractional", "optAuto", {Set("txtNoRetals", "12.5")}, "Enter No of Rentals ."},
      {"NoOfRentalsEmpty", "optAuto", {Set("txtNoRetals", "")}, "Enter No of Rentals ."},
  };
  for (const auto& c : cases) {
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
