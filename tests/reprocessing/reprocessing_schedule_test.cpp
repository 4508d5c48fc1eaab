// The figures of a re-processing as the screen shows them: loading, the
// Enter-key derivations, the checks before re-processing and manual lines.
// (Automatic schedules are checked as stored, in reprocessing_save_test.)
#include "reprocessing/reprocessing_schedule.h"

#include <gtest/gtest.h>

#include "reprocessing_fixture.h"

namespace hp::reprocessing {
namespace {

using namespace fixture;

TEST(ReprocessingLoad, ListsTheRemainingRentalsAndRefusesAProcessingWithNoneLeft) {
  testing::Module m;
  AddScenery(m);
  AddReprocessable(*m.con, Reprocessable{.id = 2, .number = "HP2", .remaining = 6});
  WithScreen(m, [&](frmReprocessing& s) {
    EXPECT_FALSE(s.cbodepartment.Enabled);  // the session's department, preset
    EXPECT_EQ(s.cbodepartment.SelectedData(), 10);
    Choose(s, "optAuto");
    EXPECT_EQ(s.lvwReProcessing.Count(), 12);
    EXPECT_EQ(s.txtNoRetals.Text(), "12");  // 15000.00 / 1250.00
    EXPECT_EQ(s.txtTotRental.Text(), "15000.00");
    EXPECT_EQ(s.txtBal.Text(), "12500.00");       // the first remaining line's capital
    EXPECT_EQ(s.txtReceipted.Text(), "3750.00");  // three settled rentals
    EXPECT_EQ(s.txtInvoice.Text(), "INV1");
    EXPECT_EQ(s.txtMonthlyRate.Text(), "1.25");
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

TEST(ReprocessingEnterKey, DerivesTheOtherBoxOrRefusesAMissingDivisor) {
  struct {
    const char *box, *text, *message, *other_box, *other_text;
  } cases[] = {
      {"txtNoRetals", "10", "", "txtRentalAmount", "1500.00"},
      {"txtRentalAmount", "1500", "", "txtNoRetals", "10.00"},
      {"txtNoRetals", "", "Enter No of Rentals .", "txtRentalAmount", "1250.00"},
      {"txtNoRetals", "0", "Enter No of Rentals .", "txtRentalAmount", "1250.00"},
      {"txtRentalAmount", "", "Enter Rental Amount .", "txtNoRetals", "12"},
      {"txtRentalAmount", "0.00", "Enter Rental Amount .", "txtNoRetals", "12"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.box) + " \"" + c.text + "\"");
    testing::Module m;
    AddScenery(m);
    WithScreen(m, [&](frmReprocessing& s) {
      Choose(s, "optAuto");
      m.host.ClearMessages();
      Paste(s, c.box, c.text);
      Key(s, c.box, 13);
      EXPECT_EQ(m.host.LastMessage(), c.message);
      EXPECT_EQ(dynamic_cast<forms::TextBox*>(s.Find(c.other_box))->Text(), c.other_text);
    });
  }
}

TEST(ReprocessingAutomatic, ComputesOnlyWhatAddsUpToTheRemainingTotal) {
  struct {
    const char *rentals, *rental;
    std::string message;  // empty: re-processed into 10 lines
    const char* total;    // shown afterwards
  } cases[] = {
      {"10", "1500.00", "", "15000.00"},
      {"10", "1499.70", "Total Rental Should be Equal to 15000.00  .", "15000.00"},
      {"10", "1499.96", "", "14999.60"},  // rounds to the remaining total
      {"10.5", "1428.57", "Enter No of Rentals .", "15000.00"},
      {"0", "1500.00", "Enter No of Rentals .", "15000.00"},
      {"10", "0", "Enter Rental Amount .", "15000.00"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.rentals) + " x " + c.rental);
    testing::Module m;
    AddScenery(m);
    WithScreen(m, [&](frmReprocessing& s) {
      Choose(s, "optAuto");
      Paste(s, "txtNoRetals", c.rentals);
      Paste(s, "txtRentalAmount", c.rental);
      if (c.message.empty()) m.host.Answer(MsgBoxResult::Yes);
      Click(s, "cmdReProcess");
      if (!c.message.empty()) {
        EXPECT_EQ(m.host.LastMessage(), c.message);
      }
      EXPECT_EQ(s.lvwCashFlow.Count(), c.message.empty() ? 10 : 0);
      EXPECT_EQ(s.lvwReProcessing.Count(), c.message.empty() ? 10 : 12);
      EXPECT_EQ(s.txtTotRental.Text(), c.total);
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
    const char* shown[] = {"6000.00", "5000.00", "4000.00"};
    for (int i = 0; i < 3; ++i) {
      const forms::ListItem& line = s.lvwReProcessing.Item(i);
      EXPECT_EQ(line.SubItem(1), due[i]);
      EXPECT_EQ(line.SubItem(7), "Sampath Bank");
      EXPECT_EQ(line.SubItem(3), shown[i]);
      EXPECT_EQ(line.SubItem(9), shown[i]);  // the amount follows the rental
      EXPECT_NEAR(Cell(s.lvwReProcessing, i, 2), c, 1e-9);
      const double interest = Round4(1.25 / 100 * c);
      EXPECT_NEAR(Cell(s.lvwReProcessing, i, 4), interest, 1e-9);
      c = Round4(c - Round4(rentals[i] - interest));
    }
    EXPECT_EQ(s.txtNoRetals.Text(), "3");
    EXPECT_EQ(s.txtRentalAmount.Text(), "0");
  });
}

}  // namespace
}  // namespace hp::reprocessing
