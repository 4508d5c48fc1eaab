// The settled list and the adjustment panel of the after-settlement screen,
// and its reset, driven as a user drives them. Expected figures are worked out
// by hand from the rules: capital from cash price less down payment, each
// figure shown in two decimals and read back.
#include <gtest/gtest.h>

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "aftersettlement/frm_reprocessing_after_settlemt.h"
#include "platform/text/date_text.h"
#include "support/module.h"
#include "support/records.h"
#include "support/ui.h"

namespace hp::aftersettlement {
namespace {

using forms::MsgBoxResult;
using testing::ChooseData;
using testing::Click;
using testing::Paste;
using testing::Tick;

// One stored rental line: its line number, settlement amount and interest.
// Due on 31 January 2024 plus (line - 1) months, cheque "C<line>", rental
// 5000, monthly rate 1.5.
struct LineRow {
  int detail;
  std::optional<double> settlement;
  double interest;
};

testing::LineSpec Spec(const LineRow& r) {
  testing::LineSpec l;
  l.cheque_date = text::IsoDate(text::AddMonths(text::Date{2024, 1, 31}, r.detail - 1));
  l.rental = 5000;
  l.interest = r.interest;
  l.capital = 99999;  // never read: the capital is rebuilt
  l.bank = "Bank of Ceylon";
  l.cheque_no = "C" + std::to_string(r.detail);
  l.settlement = r.settlement;
  l.rate = 1.5;
  return l;
}

// Customer 1 with invoice 1 (INV1 of 2 January 2024, installment price
// 140000.00), once per module.
void AddCustomerAndInvoice(testing::Module& m) {
  testing::CustomerSpec c;
  c.name = "Nimal Perera";
  testing::AddCustomer(*m.con, c);
  testing::InvoiceSpec inv;
  inv.processed = true;
  testing::AddInvoice(*m.con, inv);
}

// Processing `id` (cash price 120000, down payment 20000, ten rentals) with
// its lines stored in the order given.
void AddSettled(testing::Module& m, int id, const std::vector<LineRow>& lines) {
  testing::ProcessingSpec p;
  p.id = id;
  p.number = "HP" + std::to_string(id);
  p.rentals = 10;
  p.rate = 1.5;
  testing::AddProcessing(*m.con, p);
  for (const LineRow& r : lines) testing::AddProcessingLine(*m.con, 1, id, r.detail, Spec(r));
}

std::vector<LineRow> Ten(const std::function<LineRow(int)>& line) {
  std::vector<LineRow> rows;
  for (int i = 1; i <= 10; ++i) rows.push_back(line(i));
  return rows;
}

void WithScreen(testing::Module& m, const std::function<void(frmReprocessingAfterSettlemt&)>& body) {
  m.bas.GStrMasterNewEditFlag = "N";
  m.host.OnShow("frmReprocessingAfterSettlemt", [&](forms::Form& f) {
    auto& s = dynamic_cast<frmReprocessingAfterSettlemt&>(f);
    body(s);
    s.Tag.clear();
  });
  frmReprocessingAfterSettlemt screen(m.bas);
  m.host.ShowModal(screen);
}

void ChooseProcessing(frmReprocessingAfterSettlemt& s, int id = 1) {
  Click(s, "optAuto");
  ChooseData(s, "cboCustomer", 1);
  ChooseData(s, "cboPrrocNo", id);
}

std::vector<std::string> RowOf(const forms::ListView& list, int i) {
  std::vector<std::string> row{list.Item(i).text};
  for (int j = 1; j <= 11; ++j) row.push_back(list.Item(i).SubItem(j));
  return row;
}

std::vector<std::string> ChequesOf(const forms::ListView& list) {
  std::vector<std::string> cheques;
  for (int i = 0; i < list.Count(); ++i) cheques.push_back(list.Item(i).SubItem(kChequeNo));
  return cheques;
}

// ---- Choosing a processing ------------------------------------------------------

struct ChoiceCase {
  std::string name;
  std::vector<LineRow> lines;
  std::vector<std::vector<std::string>> rows;
  std::vector<std::string> totals;  // rental, interest, capital repayment
  std::string settled, receipted, new_price, adj_capital, unearned, adjustments;
};
void PrintTo(const ChoiceCase& c, std::ostream* os) { *os << c.name; }

class ChoosingAProcessing : public ::testing::TestWithParam<ChoiceCase> {};

TEST_P(ChoosingAProcessing, ListsTheSettledRentalsAndTheAdjustments) {
  const ChoiceCase& c = GetParam();
  testing::Module m;
  AddCustomerAndInvoice(m);
  AddSettled(m, 1, c.lines);
  WithScreen(m, [&](frmReprocessingAfterSettlemt& s) {
    ChooseProcessing(s);
    ASSERT_EQ(s.lvwPreDetails.Count(), static_cast<int>(c.rows.size()));
    for (int i = 0; i < s.lvwPreDetails.Count(); ++i) EXPECT_EQ(RowOf(s.lvwPreDetails, i), c.rows[i]) << "row " << i;
    EXPECT_EQ((std::vector<std::string>{s.txtTotRental.Text(), s.txtTotInterest.Text(),
                                        s.txtTotCapitalRepayment.Text()}),
              c.totals);
    EXPECT_EQ(s.txtPrevoiusSettlements.Text(), c.settled);
    EXPECT_EQ(s.txtReceipted.Text(), c.receipted);
    // The new installment price starts as the settled amount, in plain
    // digits, so that nothing is left to pay.
    EXPECT_EQ(s.txtnewInstPrice.Text(), c.new_price);
    EXPECT_EQ(s.txtBalancetoPay.Text(), "0");
    EXPECT_EQ(s.txtInstallmentPrice.Text(), "140000.00");
    EXPECT_EQ(s.txtAdjCapitalBal.Text(), c.adj_capital);
    EXPECT_EQ(s.txtUnearnedIncomeBal.Text(), c.unearned);
    EXPECT_EQ(s.txtAdjustments.Text(), c.adjustments);
    EXPECT_EQ(s.txtNoofRentals.Text(), "10");
    EXPECT_EQ(s.txtNoRetals.Text(), "10");
    EXPECT_EQ(s.txtInvoice.Text(), "INV1");
    EXPECT_EQ(s.txtInvDate.Text(), "02/01/2024");
    EXPECT_EQ(s.txtSP.Text(), "120000.00");
    EXPECT_TRUE(s.lvwPreDetails.Visible);
    EXPECT_FALSE(s.sstbDetails.Tabs[1].enabled);
    EXPECT_TRUE(s.Processed());
  });
  EXPECT_EQ(testing::CountRows(*m.con, "hpErrorLog"), 0);
}

INSTANTIATE_TEST_SUITE_P(
    AfterSettlement, ChoosingAProcessing,
    ::testing::Values(
        // Lines 1, 2 and 5 of ten settled; interest 1500 - 100 x line, line 2's
        // 1299.75. Settled 15000, all interest 9499.75.
        ChoiceCase{"SettledLinesOneTwoAndFiveOfTen",
                   Ten([](int i) {
                     return LineRow{i, i == 1 || i == 2 || i == 5 ? 5000.0 : 0.0, i == 2 ? 1299.75 : 1500.0 - 100 * i};
                   }),
                   {{"1", "31/01/2024", "100000.00", "5000.00", "1400.00", "3600.00", "96400.00", "Bank of Ceylon",
                     "C1", "5000.00", "5000.00", "1.50"},
                    {"2", "29/02/2024", "96400.00", "5000.00", "1299.75", "3700.25", "92699.75", "Bank of Ceylon",
                     "C2", "5000.00", "5000.00", "1.50"},
                    {"3", "31/05/2024", "92699.75", "5000.00", "1000.00", "4000.00", "88699.75", "Bank of Ceylon",
                     "C5", "5000.00", "5000.00", "1.50"}},
                   {"15000.00", "3699.75", "11300.25"},
                   "35000.00",
                   "5500.25",
                   "35000",
                   "105000.00",
                   "5800.00",
                   "99200.00"},
        // Nothing settled: the whole interest is unearned.
        ChoiceCase{"NoSettledLine",
                   Ten([](int i) { return LineRow{i, 0.0, 300}; }),
                   {},
                   {"0.00", "0.00", "0.00"},
                   "20000.00",
                   "-3000",
                   "20000",
                   "120000.00",
                   "3000.00",
                   "117000.00"},
        // Settlements of 3000.00 against interest of 1200.00 over the whole
        // schedule: 1800 of capital received.
        ChoiceCase{"CapitalReceivedUsesTheInterestOfAllLines",
                   {{1, 1000.0, 300}, {2, 1000.0, 300}, {3, 1000.0, 300}, {4, 0.0, 300}},
                   {{"1", "31/01/2024", "100000.00", "1000.00", "300.00", "700.00", "99300.00", "Bank of Ceylon",
                     "C1", "1000.00", "1000.00", "1.50"},
                    {"2", "29/02/2024", "99300.00", "1000.00", "300.00", "700.00", "98600.00", "Bank of Ceylon",
                     "C2", "1000.00", "1000.00", "1.50"},
                    {"3", "31/03/2024", "98600.00", "1000.00", "300.00", "700.00", "97900.00", "Bank of Ceylon",
                     "C3", "1000.00", "1000.00", "1.50"}},
                   {"3000.00", "900.00", "2100.00"},
                   "23000.00",
                   "1800",
                   "23000",
                   "117000.00",
                   "300.00",
                   "116700.00"}),
    [](const auto& p) { return p.param.name; });

TEST(ChoosingAProcessing, TakesTheLinesOfTheProcessingInTheCompanyWhateverTheirDepartment) {
  testing::Module m;
  AddCustomerAndInvoice(m);
  testing::AddCompany(*m.con, 2, "Other Traders");
  AddSettled(m, 1, {{1, 1000.0, 300}, {2, 0.0, 300}});
  // A line carrying another department is still the processing's ...
  testing::LineSpec other_department = Spec({3, 1000.0, 300});
  other_department.department = 20;
  testing::AddProcessingLine(*m.con, 1, 1, 3, other_department);
  // ... a line of another company under the same identifier is not.
  testing::AddProcessingLine(*m.con, 2, 1, 4, Spec({4, 7000.0, 5000}));
  WithScreen(m, [&](frmReprocessingAfterSettlemt& s) {
    ChooseProcessing(s);
    EXPECT_EQ(ChequesOf(s.lvwPreDetails), (std::vector<std::string>{"C1", "C3"}));
    EXPECT_EQ(s.txtPrevoiusSettlements.Text(), "22000.00");
    EXPECT_EQ(s.txtReceipted.Text(), "1100");           // 2000 - 900
    EXPECT_EQ(s.txtUnearnedIncomeBal.Text(), "300.00");  // 900 - 600
  });
}

// Every settlement amount null, or no line at all: there is nothing to sum.
class ProcessingWithoutSettlementFigures : public ::testing::TestWithParam<std::vector<LineRow>> {};

TEST_P(ProcessingWithoutSettlementFigures, IsRefusedAndTheScreenStaysUsable) {
  testing::Module m;
  AddCustomerAndInvoice(m);
  AddSettled(m, 1, GetParam());
  AddSettled(m, 2, {{1, 1000.0, 300}, {2, 0.0, 300}});
  WithScreen(m, [&](frmReprocessingAfterSettlemt& s) {
    ChooseProcessing(s, 1);
    EXPECT_EQ(m.host.LastMessage(), kNoSettlementFigures);
    EXPECT_EQ(s.cboPrrocNo.ListIndex(), -1);
    EXPECT_EQ(s.lvwPreDetails.Count(), 0);
    EXPECT_EQ(s.txtPrevoiusSettlements.Text(), "");
    EXPECT_FALSE(s.Processed());
    ChooseData(s, "cboPrrocNo", 2);
    EXPECT_EQ(ChequesOf(s.lvwPreDetails), (std::vector<std::string>{"C1"}));
    EXPECT_EQ(s.txtReceipted.Text(), "400");
  });
  EXPECT_EQ(testing::CountRows(*m.con, "hpErrorLog"), 0);
}

INSTANTIATE_TEST_SUITE_P(AfterSettlement, ProcessingWithoutSettlementFigures,
                         ::testing::Values(std::vector<LineRow>{{1, std::nullopt, 300}, {2, std::nullopt, 300}},
                                           std::vector<LineRow>{}));

// ---- Re-Process -------------------------------------------------------------------------

struct LimitCase {
  std::string name;
  std::string revised;
  std::vector<std::string> cheques;
  std::string total_rental, total_interest, unearned, adjustments;
};
void PrintTo(const LimitCase& c, std::ostream* os) { *os << c.name; }

class ReProcess : public ::testing::TestWithParam<LimitCase> {};

// Five settled lines (settlement 1000 + line, interest 100 x line), stored out
// of line order: the revised number keeps the first ones by line number.
TEST_P(ReProcess, KeepsTheFirstSettledLinesUpToTheRevisedNumber) {
  const LimitCase& c = GetParam();
  testing::Module m;
  AddCustomerAndInvoice(m);
  std::vector<LineRow> lines;
  for (int d : {4, 2, 5, 1, 3}) lines.push_back({d, 1000.0 + d, 100.0 * d});
  AddSettled(m, 1, lines);
  WithScreen(m, [&](frmReprocessingAfterSettlemt& s) {
    ChooseProcessing(s);
    // Settled 5015 + 20000 down: new price 25015, adjusted capital 114985.00.
    ASSERT_EQ(s.txtnewInstPrice.Text(), "25015");
    EXPECT_EQ(ChequesOf(s.lvwPreDetails), (std::vector<std::string>{"C1", "C2", "C3", "C4", "C5"}));
    Paste(s, "txtNoRetals", c.revised);
    Click(s, "cmdReProcess");
    EXPECT_EQ(ChequesOf(s.lvwPreDetails), c.cheques);
    for (int i = 0; i < s.lvwPreDetails.Count(); ++i) EXPECT_EQ(s.lvwPreDetails.Item(i).text, std::to_string(i + 1));
    EXPECT_EQ(s.txtTotRental.Text(), c.total_rental);
    EXPECT_EQ(s.txtTotInterest.Text(), c.total_interest);
    EXPECT_EQ(s.txtUnearnedIncomeBal.Text(), c.unearned);
    EXPECT_EQ(s.txtAdjCapitalBal.Text(), "114985.00");
    EXPECT_EQ(s.txtBalancetoPay.Text(), "0.00");
    EXPECT_EQ(s.txtAdjustments.Text(), c.adjustments);
    EXPECT_TRUE(s.Processed());
  });
}

INSTANTIATE_TEST_SUITE_P(
    AfterSettlement, ReProcess,
    ::testing::Values(LimitCase{"TwoOfFive", "2", {"C1", "C2"}, "2003.00", "300.00", "1200.00", "113785.00"},
                      LimitCase{"Zero", "0", {}, "0.00", "0.00", "1500.00", "113485.00"},
                      LimitCase{"MoreThanSettled", "9", {"C1", "C2", "C3", "C4", "C5"}, "5015.00", "1500.00", "0.00",
                                "114985.00"}),
    [](const auto& p) { return p.param.name; });

TEST(NewInstallmentPrice, FiveHundredBelowTheSettledAmount) {
  testing::Module m;
  AddCustomerAndInvoice(m);
  AddSettled(m, 1, {{1, 1000.0, 300}, {2, 1000.0, 300}, {3, 1000.0, 300}, {4, 0.0, 300}});
  WithScreen(m, [&](frmReprocessingAfterSettlemt& s) {
    ChooseProcessing(s);
    ASSERT_EQ(s.txtAdjCapitalBal.Text(), "117000.00");
    Paste(s, "txtnewInstPrice", "22500");
    EXPECT_EQ(s.txtBalancetoPay.Text(), "-500.00");
    EXPECT_EQ(s.txtAdjCapitalBal.Text(), "117500.00");
    EXPECT_EQ(s.txtUnearnedIncomeBal.Text(), "300.00");
    EXPECT_EQ(s.txtAdjustments.Text(), "117200.00");
  });
}

// ---- Reset ------------------------------------------------------------------------------

struct ResetCase {
  std::string name;
  std::vector<int> ticked;  // rows of the settled list (0-based)
  int clicks;
  std::vector<int> copied;  // which rows of the settled list land in the re-processing list
};
void PrintTo(const ResetCase& c, std::ostream* os) { *os << c.name; }

class Reset : public ::testing::TestWithParam<ResetCase> {};

TEST_P(Reset, KeepsTheTickedRowsAndTakesTheirCount) {
  const ResetCase& c = GetParam();
  testing::Module m;
  AddCustomerAndInvoice(m);
  std::vector<LineRow> lines;
  for (int d = 1; d <= 5; ++d) lines.push_back({d, 1000.0 * d, 100.0 * d});
  AddSettled(m, 1, lines);
  WithScreen(m, [&](frmReprocessingAfterSettlemt& s) {
    ChooseProcessing(s);
    ASSERT_EQ(s.lvwPreDetails.Count(), 5);
    std::vector<std::vector<std::string>> before;
    for (int i = 0; i < 5; ++i) before.push_back(RowOf(s.lvwPreDetails, i));
    const std::string interest = s.txtTotInterest.Text(), adjustments = s.txtAdjustments.Text();
    for (int i : c.ticked) Tick(s, "lvwPreDetails", i, true);
    for (int i = 0; i < c.clicks; ++i) Click(s, "cmdelete");

    ASSERT_EQ(s.lvwReProcessing.Count(), static_cast<int>(c.copied.size()));
    for (size_t k = 0; k < c.copied.size(); ++k) {
      std::vector<std::string> expected = before[c.copied[k]];
      expected[0] = std::to_string(k + 1);
      EXPECT_EQ(RowOf(s.lvwReProcessing, static_cast<int>(k)), expected);
    }
    EXPECT_EQ(s.txtNoRetals.Text(), std::to_string(c.copied.size()));
    EXPECT_EQ(s.lvwPreDetails.Count(), 0);
    EXPECT_FALSE(s.lvwPreDetails.Visible);
    EXPECT_EQ(s.txtTotInterest.Text(), interest);
    EXPECT_EQ(s.txtAdjustments.Text(), adjustments);
    EXPECT_FALSE(s.Processed());
    EXPECT_TRUE(m.host.Messages().empty());
  });
}

INSTANTIATE_TEST_SUITE_P(AfterSettlement, Reset,
                         ::testing::Values(ResetCase{"RowsTwoAndFourTicked", {1, 3}, 1, {1, 3}},
                                           ResetCase{"NoRowTicked", {}, 1, {}},
                                           ResetCase{"SecondClickCopiesNothing", {2}, 2, {2}}),
                         [](const auto& p) { return p.param.name; });

TEST(Reset, AFollowingReProcessAsksAndListsTheFirstSettledLines) {
  testing::Module m;
  AddCustomerAndInvoice(m);
  std::vector<LineRow> lines;
  for (int d = 1; d <= 5; ++d) lines.push_back({d, 1000.0 * d, 100.0 * d});
  AddSettled(m, 1, lines);
  WithScreen(m, [&](frmReprocessingAfterSettlemt& s) {
    ChooseProcessing(s);
    Tick(s, "lvwPreDetails", 1, true);
    Tick(s, "lvwPreDetails", 3, true);
    Click(s, "cmdelete");
    m.host.Answer(MsgBoxResult::Yes);
    Click(s, "cmdReProcess");
    EXPECT_EQ(m.host.LastMessage(), "Processed Data will be Cleared . \r Do you want to continue?");
    EXPECT_EQ(ChequesOf(s.lvwPreDetails), (std::vector<std::string>{"C1", "C2"}));
    EXPECT_EQ(s.lvwReProcessing.Count(), 0);
    EXPECT_TRUE(s.lvwPreDetails.Visible);
    EXPECT_TRUE(s.Processed());
  });
}

}  // namespace
}  // namespace hp::aftersettlement
