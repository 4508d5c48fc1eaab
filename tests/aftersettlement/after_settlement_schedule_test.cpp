// The after-settlement window's settled list, adjustment panel and reset,
// driven as a user drives them; expected figures are worked out by hand.
#include "after_settlement_world.h"

namespace hp::aftersettlement {
namespace {

// A settled row; bank, amount, settlement (the rental) and rate as every line has them.
Texts Row(const std::string& n, const std::string& date, const std::string& capital, const std::string& amount,
          const std::string& interest, const std::string& repayment, const std::string& balance, const std::string& cheque) {
  return {n, date, capital, amount, interest, repayment, balance, "Bank of Ceylon", cheque, amount, amount, "1.50"};
}

TEST(ChoosingAProcessing, ListsTheSettledRentalsAndTheAdjustments) {
  struct Case {
    const char* name;
    std::vector<LineRow> lines;
    Rows rows;
    std::string figures;  // as the boxes named below
    // A new installment price 500 below the settled amount, then the boxes it changes.
    std::string lower_price, after_lower;
  } cases[] = {
      // Lines 1, 2 and 5 of ten settled; interest 1500 - 100 x line, line 2's
      // 1299.75. Settled 15000, all interest 9499.75.
      {"SettledLinesOneTwoAndFiveOfTen",
       Ten([](int i) { return LineRow{i, i == 1 || i == 2 || i == 5 ? 5000.0 : 0.0, i == 2 ? 1299.75 : 1500.0 - 100 * i}; }),
       {Row("1", "31/01/2024", "100000.00", "5000.00", "1400.00", "3600.00", "96400.00", "C1"),
        Row("2", "29/02/2024", "96400.00", "5000.00", "1299.75", "3700.25", "92699.75", "C2"),
        Row("3", "31/05/2024", "92699.75", "5000.00", "1000.00", "4000.00", "88699.75", "C5")},
       "15000.00|3699.75|11300.25|35000.00|5500.25|35000|105000.00|5800.00|99200.00|",
       "34500", "-500.00|105500.00|5800.00|99700.00|"},
      // Nothing settled: the whole interest is unearned.
      {"NoSettledLine", Ten([](int i) { return LineRow{i, 0.0, 300}; }), {},
       "0.00|0.00|0.00|20000.00|-3000|20000|120000.00|3000.00|117000.00|", "19500", "-500.00|120500.00|3000.00|117500.00|"},
      // Settlements of 3000.00 against interest of 1200.00 over the whole
      // schedule: 1800 of capital received.
      {"CapitalReceivedUsesTheInterestOfAllLines",
       {{1, 1000.0, 300}, {2, 1000.0, 300}, {3, 1000.0, 300}, {4, 0.0, 300}},
       {Row("1", "31/01/2024", "100000.00", "1000.00", "300.00", "700.00", "99300.00", "C1"),
        Row("2", "29/02/2024", "99300.00", "1000.00", "300.00", "700.00", "98600.00", "C2"),
        Row("3", "31/03/2024", "98600.00", "1000.00", "300.00", "700.00", "97900.00", "C3")},
       "3000.00|900.00|2100.00|23000.00|1800|23000|117000.00|300.00|116700.00|",
       "22500", "-500.00|117500.00|300.00|117200.00|"}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    World w;
    w.Settled(1, c.lines);
    w.Show([&](Screen& s) {
      ChooseProcessing(s);
      EXPECT_EQ(RowsOf(s.lvwPreDetails), c.rows);
      // The new installment price starts as the settled amount: nothing left to pay.
      EXPECT_EQ(Boxes(s, "txtTotRental txtTotInterest txtTotCapitalRepayment txtPrevoiusSettlements txtReceipted "
                         "txtnewInstPrice txtAdjCapitalBal txtUnearnedIncomeBal txtAdjustments"),
                c.figures);
      EXPECT_EQ(Boxes(s, "txtBalancetoPay txtInstallmentPrice txtNoofRentals txtNoRetals txtInvoice txtInvDate txtSP"),
                "0|140000.00|10|10|INV1|02/01/2024|120000.00|");
      EXPECT_TRUE(s.lvwPreDetails.Visible && s.Processed());
      EXPECT_FALSE(s.sstbDetails.Tabs[1].enabled);
      t::Paste(s, "txtnewInstPrice", c.lower_price);
      EXPECT_EQ(Boxes(s, "txtBalancetoPay txtAdjCapitalBal txtUnearnedIncomeBal txtAdjustments"), c.after_lower);
    });
    EXPECT_EQ(w.Count("hpErrorLog"), 0);
  }
}

// Every settlement amount null, or no line at all: there is nothing to sum.
TEST(ChoosingAProcessing, WithoutSettlementFiguresIsRefusedAndTheScreenStaysUsable) {
  for (const auto& lines : {std::vector<LineRow>{{1, std::nullopt, 300}, {2, std::nullopt, 300}}, std::vector<LineRow>{}}) {
    SCOPED_TRACE(lines.empty() ? "NoLine" : "NullSettlements");
    World w;
    w.Settled(1, lines);
    w.Settled(2, {{1, 1000.0, 300}, {2, 0.0, 300}});
    w.Show([&](Screen& s) {
      ChooseProcessing(s, 1);
      EXPECT_EQ(w.m.host.LastMessage(), kNoSettlementFigures);
      EXPECT_EQ(s.cboPrrocNo.ListIndex(), -1);
      EXPECT_TRUE(s.lvwPreDetails.Count() == 0 && s.txtPrevoiusSettlements.Text().empty() && !s.Processed());
      t::ChooseData(s, "cboPrrocNo", 2);
      EXPECT_EQ(ChequesOf(s.lvwPreDetails), Texts{"C1"});
      EXPECT_EQ(s.txtReceipted.Text(), "400");
    });
    EXPECT_EQ(w.Count("hpErrorLog"), 0);
  }
}

// Five settled lines (settlement 1000 + line, interest 100 x line) stored out of
// order, line 3 of another department: the revised number keeps the first ones.
TEST(ReProcess, KeepsTheFirstSettledLinesUpToTheRevisedNumber) {
  struct Case {
    const char* revised;
    Texts cheques;
    std::string figures;  // total rental and interest, unearned income balance, adjustments
  } cases[] = {{"2", {"C1", "C2"}, "2003.00|300.00|1200.00|113785.00|"},
               {"0", {}, "0.00|0.00|1500.00|113485.00|"},
               {"9", {"C1", "C2", "C3", "C4", "C5"}, "5015.00|1500.00|0.00|114985.00|"}};  // more than settled
  for (const Case& c : cases) {
    SCOPED_TRACE(c.revised);
    World w;
    std::vector<LineRow> lines;
    for (int d : {4, 2, 5, 1, 3}) lines.push_back({d, 1000.0 + d, 100.0 * d, d == 3 ? 20 : 0});
    w.Settled(1, lines);
    w.Show([&](Screen& s) {
      ChooseProcessing(s);
      // Settled 5015 + 20000 down: new price 25015, adjusted capital 114985.00.
      ASSERT_EQ(s.txtnewInstPrice.Text(), "25015");
      EXPECT_EQ(ChequesOf(s.lvwPreDetails), (Texts{"C1", "C2", "C3", "C4", "C5"}));
      t::Paste(s, "txtNoRetals", c.revised);
      t::Click(s, "cmdReProcess");
      EXPECT_EQ(ChequesOf(s.lvwPreDetails), c.cheques);
      for (int i = 0; i < s.lvwPreDetails.Count(); ++i) EXPECT_EQ(s.lvwPreDetails.Item(i).text, std::to_string(i + 1));
      EXPECT_EQ(Boxes(s, "txtTotRental txtTotInterest txtUnearnedIncomeBal txtAdjustments"), c.figures);
      EXPECT_EQ(Boxes(s, "txtAdjCapitalBal txtBalancetoPay"), "114985.00|0.00|");
      EXPECT_TRUE(s.Processed());
    });
  }
}

// A Re-Process after the Reset asks before clearing the kept rows, then lists the first settled lines again.
TEST(Reset, KeepsTheTickedRowsAndTakesTheirCount) {
  struct Case {
    const char* name;
    std::vector<int> ticked;  // rows of the settled list (0-based)
    int clicks;
    std::vector<int> copied;  // which rows of the settled list land in the re-processing list
  } cases[] = {{"RowsTwoAndFourTicked", {1, 3}, 1, {1, 3}}, {"NoRowTicked", {}, 1, {}},
               {"SecondClickCopiesNothing", {2}, 2, {2}}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    World w;
    std::vector<LineRow> lines;
    for (int d = 1; d <= 5; ++d) lines.push_back({d, 1000.0 * d, 100.0 * d});
    w.Settled(1, lines);
    w.Show([&](Screen& s) {
      ChooseProcessing(s);
      const Rows before = RowsOf(s.lvwPreDetails);
      ASSERT_EQ(before.size(), 5u);
      const std::string figures = Boxes(s, "txtTotInterest txtAdjustments");
      for (int i : c.ticked) t::Tick(s, "lvwPreDetails", i, true);
      for (int i = 0; i < c.clicks; ++i) t::Click(s, "cmdelete");
      Rows copied;
      for (int i : c.copied) copied.push_back(before[i]), copied.back()[0] = std::to_string(copied.size());
      EXPECT_EQ(RowsOf(s.lvwReProcessing), copied);
      EXPECT_EQ(s.txtNoRetals.Text(), std::to_string(c.copied.size()));
      EXPECT_EQ(s.lvwPreDetails.Count(), 0);
      EXPECT_FALSE(s.lvwPreDetails.Visible || s.Processed());
      EXPECT_EQ(Boxes(s, "txtTotInterest txtAdjustments"), figures);
      EXPECT_TRUE(w.m.host.Messages().empty());

      t::Paste(s, "txtNoRetals", "2");
      if (!c.copied.empty()) w.m.host.Answer(forms::MsgBoxResult::Yes);
      t::Click(s, "cmdReProcess");
      EXPECT_EQ(w.m.host.LastMessage(),
                c.copied.empty() ? "" : "Processed Data will be Cleared . \r Do you want to continue?");
      EXPECT_EQ(ChequesOf(s.lvwPreDetails), (Texts{"C1", "C2"}));
      EXPECT_EQ(s.lvwReProcessing.Count(), 0);
      EXPECT_TRUE(s.lvwPreDetails.Visible && s.Processed());
    });
  }
}

}  // namespace
}  // namespace hp::aftersettlement
