// The settled list and the adjustment panel of the after-settlement window,
// and its reset, driven as a user drives them. Expected figures are worked out
// by hand: capital from cash price less down payment, each figure shown in
// two decimals and read back.
#include "after_settlement_world.h"

namespace hp::aftersettlement {
namespace {

using testing::Click;
using testing::Paste;
using Rows = std::vector<std::vector<std::string>>;

struct ChoiceCase {
  std::string name;
  std::vector<LineRow> lines;
  Rows rows;
  // Total rental, interest and capital repayment, then settled amount, capital
  // received, new installment price, adjusted capital balance, unearned income
  // balance and adjustments.
  std::vector<std::string> figures;
  // A new installment price 500 below the settled amount, then balance to
  // pay, adjusted capital balance, unearned income balance and adjustments.
  std::vector<std::string> lower_price;
};
void PrintTo(const ChoiceCase& c, std::ostream* os) { *os << c.name; }

class ChoosingAProcessing : public ::testing::TestWithParam<ChoiceCase> {};

TEST_P(ChoosingAProcessing, ListsTheSettledRentalsAndTheAdjustments) {
  const ChoiceCase& c = GetParam();
  testing::Module m;
  AddCustomerAndInvoice(m);
  AddSettled(m, 1, c.lines);
  WithScreen(m, [&](Screen& s) {
    ChooseProcessing(s);
    ASSERT_EQ(s.lvwPreDetails.Count(), static_cast<int>(c.rows.size()));
    for (int i = 0; i < s.lvwPreDetails.Count(); ++i) EXPECT_EQ(RowOf(s.lvwPreDetails, i), c.rows[i]) << "row " << i;
    // The new installment price starts as the settled amount, in plain
    // digits, so that nothing is left to pay.
    EXPECT_EQ((std::vector<std::string>{s.txtTotRental.Text(), s.txtTotInterest.Text(), s.txtTotCapitalRepayment.Text(),
                                        s.txtPrevoiusSettlements.Text(), s.txtReceipted.Text(), s.txtnewInstPrice.Text(),
                                        s.txtAdjCapitalBal.Text(), s.txtUnearnedIncomeBal.Text(),
                                        s.txtAdjustments.Text()}),
              c.figures);
    EXPECT_EQ((std::vector<std::string>{s.txtBalancetoPay.Text(), s.txtInstallmentPrice.Text(), s.txtNoofRentals.Text(),
                                        s.txtNoRetals.Text(), s.txtInvoice.Text(), s.txtInvDate.Text(), s.txtSP.Text()}),
              (std::vector<std::string>{"0", "140000.00", "10", "10", "INV1", "02/01/2024", "120000.00"}));
    EXPECT_TRUE(s.lvwPreDetails.Visible);
    EXPECT_FALSE(s.sstbDetails.Tabs[1].enabled);
    EXPECT_TRUE(s.Processed());
    Paste(s, "txtnewInstPrice", c.lower_price[0]);
    EXPECT_EQ((std::vector<std::string>{c.lower_price[0], s.txtBalancetoPay.Text(), s.txtAdjCapitalBal.Text(),
                                        s.txtUnearnedIncomeBal.Text(), s.txtAdjustments.Text()}),
              c.lower_price);
  });
  EXPECT_EQ(testing::CountRows(*m.con, "hpErrorLog"), 0);
}

std::vector<std::string> Row(const std::string& n, const std::string& date, const std::string& capital,
                             const std::string& amount, const std::string& interest, const std::string& repayment,
                             const std::string& balance, const std::string& cheque) {
  return {n, date, capital, amount, interest, repayment, balance, "Bank of Ceylon", cheque, amount, amount, "1.50"};
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
                   {Row("1", "31/01/2024", "100000.00", "5000.00", "1400.00", "3600.00", "96400.00", "C1"),
                    Row("2", "29/02/2024", "96400.00", "5000.00", "1299.75", "3700.25", "92699.75", "C2"),
                    Row("3", "31/05/2024", "92699.75", "5000.00", "1000.00", "4000.00", "88699.75", "C5")},
                   {"15000.00", "3699.75", "11300.25", "35000.00", "5500.25", "35000", "105000.00", "5800.00",
                    "99200.00"},
                   {"34500", "-500.00", "105500.00", "5800.00", "99700.00"}},
        // Nothing settled: the whole interest is unearned.
        ChoiceCase{"NoSettledLine",
                   Ten([](int i) { return LineRow{i, 0.0, 300}; }),
                   {},
                   {"0.00", "0.00", "0.00", "20000.00", "-3000", "20000", "120000.00", "3000.00", "117000.00"},
                   {"19500", "-500.00", "120500.00", "3000.00", "117500.00"}},
        // Settlements of 3000.00 against interest of 1200.00 over the whole
        // schedule: 1800 of capital received.
        ChoiceCase{"CapitalReceivedUsesTheInterestOfAllLines",
                   {{1, 1000.0, 300}, {2, 1000.0, 300}, {3, 1000.0, 300}, {4, 0.0, 300}},
                   {Row("1", "31/01/2024", "100000.00", "1000.00", "300.00", "700.00", "99300.00", "C1"),
                    Row("2", "29/02/2024", "99300.00", "1000.00", "300.00", "700.00", "98600.00", "C2"),
                    Row("3", "31/03/2024", "98600.00", "1000.00", "300.00", "700.00", "97900.00", "C3")},
                   {"3000.00", "900.00", "2100.00", "23000.00", "1800", "23000", "117000.00", "300.00",
                    "116700.00"},
                   {"22500", "-500.00", "117500.00", "300.00", "117200.00"}}),
    [](const auto& p) { return p.param.name; });

// Every settlement amount null, or no line at all: there is nothing to sum.
class ProcessingWithoutSettlementFigures : public ::testing::TestWithParam<std::vector<LineRow>> {};

TEST_P(ProcessingWithoutSettlementFigures, IsRefusedAndTheScreenStaysUsable) {
  testing::Module m;
  AddCustomerAndInvoice(m);
  AddSettled(m, 1, GetParam());
  AddSettled(m, 2, {{1, 1000.0, 300}, {2, 0.0, 300}});
  WithScreen(m, [&](Screen& s) {
    ChooseProcessing(s, 1);
    EXPECT_EQ(m.host.LastMessage(), kNoSettlementFigures);
    EXPECT_EQ(s.cboPrrocNo.ListIndex(), -1);
    EXPECT_EQ(s.lvwPreDetails.Count(), 0);
    EXPECT_EQ(s.txtPrevoiusSettlements.Text(), "");
    EXPECT_FALSE(s.Processed());
    testing::ChooseData(s, "cboPrrocNo", 2);
    EXPECT_EQ(ChequesOf(s.lvwPreDetails), (std::vector<std::string>{"C1"}));
    EXPECT_EQ(s.txtReceipted.Text(), "400");
  });
  EXPECT_EQ(testing::CountRows(*m.con, "hpErrorLog"), 0);
}

INSTANTIATE_TEST_SUITE_P(AfterSettlement, ProcessingWithoutSettlementFigures,
                         ::testing::Values(std::vector<LineRow>{{1, std::nullopt, 300}, {2, std::nullopt, 300}},
                                           std::vector<LineRow>{}),
                         [](const auto& p) { return p.param.empty() ? "NoLine" : "NullSettlements"; });

struct LimitCase {
  std::string name;
  std::string revised;
  std::vector<std::string> cheques;
  std::string total_rental, total_interest, unearned, adjustments;
};
void PrintTo(const LimitCase& c, std::ostream* os) { *os << c.name; }

class ReProcess : public ::testing::TestWithParam<LimitCase> {};

// Five settled lines (settlement 1000 + line, interest 100 x line), stored out
// of line order, line 3 carrying another department (still the processing's):
// the revised number keeps the first ones by line number.
TEST_P(ReProcess, KeepsTheFirstSettledLinesUpToTheRevisedNumber) {
  const LimitCase& c = GetParam();
  testing::Module m;
  AddCustomerAndInvoice(m);
  std::vector<LineRow> lines;
  for (int d : {4, 2, 5, 1, 3}) lines.push_back({d, 1000.0 + d, 100.0 * d, d == 3 ? 20 : 0});
  AddSettled(m, 1, lines);
  WithScreen(m, [&](Screen& s) {
    ChooseProcessing(s);
    // Settled 5015 + 20000 down: new price 25015, adjusted capital 114985.00.
    ASSERT_EQ(s.txtnewInstPrice.Text(), "25015");
    EXPECT_EQ(ChequesOf(s.lvwPreDetails), (std::vector<std::string>{"C1", "C2", "C3", "C4", "C5"}));
    Paste(s, "txtNoRetals", c.revised);
    Click(s, "cmdReProcess");
    EXPECT_EQ(ChequesOf(s.lvwPreDetails), c.cheques);
    for (int i = 0; i < s.lvwPreDetails.Count(); ++i) EXPECT_EQ(s.lvwPreDetails.Item(i).text, std::to_string(i + 1));
    EXPECT_EQ((std::vector<std::string>{s.txtTotRental.Text(), s.txtTotInterest.Text(), s.txtUnearnedIncomeBal.Text(),
                                        s.txtAdjustments.Text()}),
              (std::vector<std::string>{c.total_rental, c.total_interest, c.unearned, c.adjustments}));
    EXPECT_EQ(s.txtAdjCapitalBal.Text(), "114985.00");
    EXPECT_EQ(s.txtBalancetoPay.Text(), "0.00");
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

struct ResetCase {
  std::string name;
  std::vector<int> ticked;  // rows of the settled list (0-based)
  int clicks;
  std::vector<int> copied;  // which rows of the settled list land in the re-processing list
};
void PrintTo(const ResetCase& c, std::ostream* os) { *os << c.name; }

class Reset : public ::testing::TestWithParam<ResetCase> {};

// Five settled lines; Reset keeps the ticked rows and takes their count. A
// following Re-Process asks before it clears them and lists the first settled
// lines again.
TEST_P(Reset, KeepsTheTickedRowsAndTakesTheirCount) {
  const ResetCase& c = GetParam();
  testing::Module m;
  AddCustomerAndInvoice(m);
  std::vector<LineRow> lines;
  for (int d = 1; d <= 5; ++d) lines.push_back({d, 1000.0 * d, 100.0 * d});
  AddSettled(m, 1, lines);
  WithScreen(m, [&](Screen& s) {
    ChooseProcessing(s);
    ASSERT_EQ(s.lvwPreDetails.Count(), 5);
    Rows before;
    for (int i = 0; i < 5; ++i) before.push_back(RowOf(s.lvwPreDetails, i));
    const std::string interest = s.txtTotInterest.Text(), adjustments = s.txtAdjustments.Text();
    for (int i : c.ticked) testing::Tick(s, "lvwPreDetails", i, true);
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

    Paste(s, "txtNoRetals", "2");
    if (!c.copied.empty()) m.host.Answer(forms::MsgBoxResult::Yes);
    Click(s, "cmdReProcess");
    if (!c.copied.empty())
      EXPECT_EQ(m.host.LastMessage(), "Processed Data will be Cleared . \r Do you want to continue?");
    else
      EXPECT_TRUE(m.host.Messages().empty());
    EXPECT_EQ(ChequesOf(s.lvwPreDetails), (std::vector<std::string>{"C1", "C2"}));
    EXPECT_EQ(s.lvwReProcessing.Count(), 0);
    EXPECT_TRUE(s.lvwPreDetails.Visible);
    EXPECT_TRUE(s.Processed());
  });
}

INSTANTIATE_TEST_SUITE_P(AfterSettlement, Reset,
                         ::testing::Values(ResetCase{"RowsTwoAndFourTicked", {1, 3}, 1, {1, 3}},
                                           ResetCase{"NoRowTicked", {}, 1, {}},
                                           ResetCase{"SecondClickCopiesNothing", {2}, 2, {2}}),
                         [](const auto& p) { return p.param.name; });

}  // namespace
}  // namespace hp::aftersettlement
