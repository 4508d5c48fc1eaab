// The figures of a re-processing as the screen shows them: loading, the
// Enter-key derivations, the checks before re-processing, due dates, the
// adjustment to the carrying amount and manual lines.
#include "reprocessing/reprocessing_schedule.h"

#include <gtest/gtest.h>

#include "reprocessing_fixture.h"

namespace hp::reprocessing {
namespace {

using namespace fixture;

TEST(ReprocessingLoad, ListsTheRemainingRentalsAndDerivesTheirCount) {
  testing::Module m;
  AddScenery(m);
  WithScreen(m, [&](frmReprocessing& s) {
    Choose(s, "optAuto");
    EXPECT_EQ(s.lvwReProcessing.Count(), 12);
    EXPECT_EQ(s.txtNoRetals.Text(), "12");  // 15000.00 / 1250.00
    EXPECT_EQ(s.txtTotRental.Text(), "15000.00");
    EXPECT_EQ(s.txtBal.Text(), "12500.00");       // the first remaining line's capital
    EXPECT_EQ(s.txtReceipted.Text(), "3750.00");  // three settled rentals
    EXPECT_EQ(s.txtInvoice.Text(), "INV1");
    EXPECT_EQ(s.txtMonthlyRate.Text(), "1.25");
    EXPECT_EQ(s.lvwReProcessing.Item(0).SubItem(1), "31/01/2024");
  });
}

TEST(ReprocessingLoad, AProcessingWithNothingLeftIsRefusedAndTheScreenStaysUsable) {
  testing::Module m;
  AddScenery(m);
  AddReprocessable(*m.con, Reprocessable{.id = 2, .number = "HP2", .remaining = 6});
  WithScreen(m, [&](frmReprocessing& s) {
    Click(s, "optAuto");
    ChooseData(s, "cboCustomer", 1);
    // Settled by someone else after the list was filled.
    m.con->Execute("update aHpProcessingDetail set hpdSettlementAmount=hpdRental where hpdProcessingID=?",
                   {std::int64_t{1}});
    ChooseData(s, "cboPrrocNo", 1);
    EXPECT_EQ(m.host.LastMessage(), kNoRemainingRentals);
    EXPECT_EQ(s.cboPrrocNo.ListIndex(), -1);
    EXPECT_EQ(s.lvwReProcessing.Count(), 0);
    Click(s, "cmdReProcess");
    EXPECT_EQ(m.host.LastMessage(), "Select a Processing No .");
    ChooseData(s, "cboPrrocNo", 2);
    EXPECT_EQ(s.lvwReProcessing.Count(), 6);
  });
}

struct EnterCase {
  std::string box, text, message, other_box, other_text;
};
void PrintTo(const EnterCase& c, std::ostream* os) { *os << c.box << " \"" << c.text << "\""; }

class EnterKey : public ::testing::TestWithParam<EnterCase> {};

TEST_P(EnterKey, DerivesTheOtherBoxOrRefusesAMissingDivisor) {
  const EnterCase& c = GetParam();
  testing::Module m;
  AddScenery(m);
  WithScreen(m, [&](frmReprocessing& s) {
    Choose(s, "optAuto");
    m.host.ClearMessages();
    Paste(s, c.box, c.text);
    Key(s, c.box, 13);
    EXPECT_EQ(m.host.LastMessage(), c.message);
    auto* other = dynamic_cast<forms::TextBox*>(s.Find(c.other_box));
    EXPECT_EQ(other->Text(), c.other_text);
  });
}

INSTANTIATE_TEST_SUITE_P(
    Reprocessing, EnterKey,
    ::testing::Values(EnterCase{"txtNoRetals", "10", "", "txtRentalAmount", "1500.00"},
                      EnterCase{"txtRentalAmount", "1500", "", "txtNoRetals", "10.00"},
                      EnterCase{"txtNoRetals", "", "Enter No of Rentals .", "txtRentalAmount", "1250.00"},
                      EnterCase{"txtNoRetals", "0", "Enter No of Rentals .", "txtRentalAmount", "1250.00"},
                      EnterCase{"txtRentalAmount", "", "Enter Rental Amount .", "txtNoRetals", "12"},
                      EnterCase{"txtRentalAmount", "0.00", "Enter Rental Amount .", "txtNoRetals", "12"}));

struct AutoCase {
  std::string rentals, rental;  // rental empty: as Enter derives it
  std::string message;          // empty: re-processed
  int lines;
  std::string total;
};
void PrintTo(const AutoCase& c, std::ostream* os) { *os << c.rentals << " x " << c.rental; }

class AutomaticChecks : public ::testing::TestWithParam<AutoCase> {};

TEST_P(AutomaticChecks, ComputeOnlyWhatAddsUpToTheRemainingTotal) {
  const AutoCase& c = GetParam();
  testing::Module m;
  AddScenery(m);
  WithScreen(m, [&](frmReprocessing& s) {
    Choose(s, "optAuto");
    Paste(s, "txtNoRetals", c.rentals);
    if (!c.rental.empty()) Paste(s, "txtRentalAmount", c.rental);
    if (c.message.empty()) m.host.Answer(MsgBoxResult::Yes);
    Click(s, "cmdReProcess");
    if (c.message.empty()) {
      EXPECT_EQ(s.lvwReProcessing.Count(), c.lines);
      EXPECT_EQ(s.lvwCashFlow.Count(), c.lines);
      EXPECT_EQ(s.txtTotRental.Text(), c.total);
    } else {
      EXPECT_EQ(m.host.LastMessage(), c.message);
      EXPECT_EQ(s.lvwCashFlow.Count(), 0);  // nothing computed
      EXPECT_EQ(s.lvwReProcessing.Count(), 12);
    }
  });
}

INSTANTIATE_TEST_SUITE_P(Reprocessing, AutomaticChecks,
                         ::testing::Values(AutoCase{"10", "1500.00", "", 10, "15000.00"},
                                           AutoCase{"10", "1499.70", "Total Rental Should be Equal to 15000.00  .", 0,
                                                    ""},
                                           AutoCase{"10", "1499.96", "", 10, "14999.60"},
                                           AutoCase{"10.5", "1428.57", "Enter No of Rentals .", 0, ""},
                                           AutoCase{"0", "1500.00", "Enter No of Rentals .", 0, ""},
                                           AutoCase{"10", "0", "Enter Rental Amount .", 0, ""}));

TEST(ReprocessingAutomatic, DueDatesCountWholeMonthsFromTheFirstChequeDate) {
  testing::Module m;
  AddScenery(m);  // first remaining cheque on 31 January 2024
  WithScreen(m, [&](frmReprocessing& s) {
    Choose(s, "optAuto");
    Reprocess(m, s, "10");
    const char* due[] = {"29/02/2024", "31/03/2024", "30/04/2024", "31/05/2024"};
    for (int i = 0; i < 4; ++i) EXPECT_EQ(s.lvwReProcessing.Item(i).SubItem(1), due[i]) << "line " << i + 1;
  });
}

class Adjustment : public ::testing::TestWithParam<double> {};

TEST_P(Adjustment, IsTheNewRentalsWorthLessTheCapitalBalance) {
  const double capital = GetParam();
  testing::Module m;
  AddScenery(m, Reprocessable{.first_capital = capital});
  WithScreen(m, [&](frmReprocessing& s) {
    Choose(s, "optAuto");
    Reprocess(m, s, "10");
    const ExpectedSchedule e = Expect(1.25, capital, 10, 1500);
    EXPECT_NEAR(std::stod(s.txtAdjustments.Text()), e.adjustment, 1e-9);
    EXPECT_EQ(e.adjustment > 0, capital < 14000) << "10 x 1500.00 at 1.25% are worth about 14018.70";
    // The rentals repay the adjusted balance at (about) the loaded rate.
    EXPECT_EQ(s.txtAdjCapitalBal.Text(), s.txttotDiscCashFlow.Text());
    EXPECT_EQ(s.txtMonthlyRate.Text(), "1.25");
    for (int i = 0; i < 10; ++i) EXPECT_NEAR(Cell(s.lvwReProcessing, i, 4), e.interest[i], 1e-9) << i;
  });
}

INSTANTIATE_TEST_SUITE_P(Reprocessing, Adjustment, ::testing::Values(13000.0, 14500.0));

TEST(ReprocessingManual, KeepsWhatWasTypedAndOverwritesTheAmount) {
  testing::Module m;
  AddScenery(m);
  WithScreen(m, [&](frmReprocessing& s) {
    Choose(s, "optMan");
    EXPECT_EQ(s.lvwReProcessing.Count(), 0);  // manual lines start from nothing
    AddLines(m, s, {{"6000", "4000"}, {"5000", "5000"}, {"4000", "100"}});
    ASSERT_EQ(s.lvwReProcessing.Count(), 3);
    Click(s, "cmdReProcess");
    const double B = 12500;
    double total = 0;
    std::vector<double> rentals = {6000, 5000, 4000};
    for (int i = 0; i < 3; ++i) total += Round2(rentals[i] / std::pow(1.0125, i + 1));
    double c = Round4(Round2(Round2(total) - B) + B);
    const char* due[] = {"29/02/2024", "31/03/2024", "30/04/2024"};
    for (int i = 0; i < 3; ++i) {
      const forms::ListItem& line = s.lvwReProcessing.Item(i);
      EXPECT_EQ(line.SubItem(3), Money(rentals[i]));
      EXPECT_EQ(line.SubItem(7), "Sampath Bank");
      EXPECT_EQ(line.SubItem(8), "S" + std::to_string(i + 1));
      EXPECT_EQ(line.SubItem(9), Money(rentals[i]));  // the amount follows the rental
      EXPECT_EQ(line.SubItem(1), due[i]);
      EXPECT_NEAR(Cell(s.lvwReProcessing, i, 2), c, 1e-9);
      double interest = Round4(1.25 / 100 * c);
      EXPECT_NEAR(Cell(s.lvwReProcessing, i, 4), interest, 1e-9);
      c = Round4(c - Round4(rentals[i] - interest));
    }
    EXPECT_EQ(s.txtNoRetals.Text(), "3");
    EXPECT_EQ(s.txtRentalAmount.Text(), "0");
  });
}

TEST(ReprocessingManual, LinesThatMissTheTotalAreRefused) {
  testing::Module m;
  AddScenery(m);
  WithScreen(m, [&](frmReprocessing& s) {
    Choose(s, "optMan");
    AddLines(m, s, {{"6000", "6000"}, {"5000", "5000"}, {"3000", "3000"}});
    Click(s, "cmdReProcess");
    EXPECT_EQ(m.host.LastMessage(), "Total Rental Should be Equal to 15000.00  .");
    EXPECT_EQ(s.lvwCashFlow.Count(), 0);
  });
}

}  // namespace
}  // namespace hp::reprocessing
