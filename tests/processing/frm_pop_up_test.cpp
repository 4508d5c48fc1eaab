#include "processing/frm_pop_up.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "processing/frm_processing.h"
#include "screen_fixture.h"

namespace hp::processing {
namespace {

using fixture::Focus;
using fixture::Processed;
using fixture::Screen;
using testing::Click;
using testing::DblClick;
using testing::Paste;

std::string Cheque(frmProcessing& f, int line) {
  const forms::ListItem& item = f.lvwProcessing.Item(line);
  return item.SubItem(1) + " " + item.SubItem(7) + " " + item.SubItem(8);
}

TEST(ChequeDialog, AcceptingALineMovesOnToTheNext) {
  Screen s;
  frmProcessing& f = Processed(s);
  std::vector<std::string> seen;
  s.m.host.OnShow("frmPopUp", [&](forms::Form& form) {
    auto& p = dynamic_cast<frmPopUp&>(form);
    seen = {p.Caption, text::IsoDate(p.dtpPeriod.Value), p.cboBankName.Text(), p.txtchequeno.Text(),
            p.txtAmount.Text()};
    Paste(p, "cboBankName", "Hatton Bank");
    Paste(p, "txtchequeno", "X3");
    Click(p, "cmdOK");
    EXPECT_TRUE(p.IsLoaded());
    EXPECT_EQ(s.m.bas.intSelectedRentalNo, 4);
    EXPECT_EQ(f.lvwProcessing.SelectedIndex(), 3);
    EXPECT_EQ(text::IsoDate(p.dtpPeriod.Value) + " " + p.txtchequeno.Text() + " " + p.txtAmount.Text(),
              "2024-05-31 CHQ4 5000.00");
    EXPECT_EQ(Focus(p), "cboBankName");
    Click(p, "cmdClose");
  });
  DblClick(f, "lvwProcessing", 2);
  EXPECT_EQ(seen, (std::vector<std::string>{"Period", "2024-04-30", "People's Bank", "CHQ3", "5000.00"}));
  EXPECT_EQ(Cheque(f, 2), "30/04/2024 Hatton Bank X3");
  EXPECT_EQ(Cheque(f, 3), "31/05/2024 People's Bank CHQ4");  // Close wrote nothing
  // The dialog completes lines; the schedule is still the one processed.
  Click(f, "cmdOK");
  EXPECT_FALSE(f.IsLoaded()) << s.m.host.LastMessage();
  EXPECT_EQ(fixture::Cell(s.con(), "select hpdChequeNo from aHpProcessingDetail where hpddetailID=3"), "X3");
}

// Back from the dialog after the last line, the screen offers OK.
TEST(ChequeDialog, AfterTheLastLineTheScreenOffersOk) {
  Screen s;
  fixture::AddWorkedExample(s.con());
  frmProcessing frm(s.m.bas);
  std::string focus_after;
  s.m.host.OnShow("frmPopUp", [](forms::Form& p) { Click(p, "cmdOK"); });
  s.m.host.OnShow("frmProcessing", [&](forms::Form& f) {
    fixture::ChooseAndProcess(f);
    DblClick(f, "lvwProcessing", 23);
    focus_after = Focus(f);
    Click(f, "cmdOK");
  });
  s.m.host.ShowModal(frm);
  EXPECT_EQ(focus_after, "cmdOK");
}

// Refused entries keep the dialog open on the same line and change nothing.
TEST(ChequeDialog, RefusedEntriesKeepTheLine) {
  struct {
    const char* name;
    const char* amount;  // the line's amount (nullptr: as processed)
    const char *box, *text, *message, *focus;
  } cases[] = {
      {"NoBank", nullptr, "cboBankName", " ", "Enter Bank Name .", "cboBankName"},
      {"NoChequeNumber", nullptr, "txtchequeno", "", "Enter Cheque Number .", "txtchequeno"},
      {"NoAmount", "", nullptr, nullptr, "Enter Amount .", "cmdOK"},
      {"AmountNotTheRental", "4000", nullptr, nullptr, "Amount and Rental Amount Should be Equal .", "cmdOK"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    Screen s;
    frmProcessing& f = Processed(s);
    if (c.amount) f.lvwProcessing.Item(4).SetSubItem(9, c.amount);
    const forms::ListItem before = f.lvwProcessing.Item(4);
    s.m.bas.intSelectedRentalNo = 5;
    frmPopUp p(s.m.bas, f.lvwProcessing);
    p.Load();
    ASSERT_TRUE(p.ShowRental());
    if (c.box) Paste(p, c.box, c.text);
    Click(p, "cmdOK");
    EXPECT_EQ(s.m.host.LastMessage(), c.message);
    EXPECT_EQ(Focus(p), c.focus);
    EXPECT_TRUE(p.IsLoaded());
    EXPECT_EQ(s.m.bas.intSelectedRentalNo, 5);
    EXPECT_EQ(f.lvwProcessing.Item(4).sub, before.sub);
  }
}

// Banks of the company's stored lines, each once; another company's are not offered.
TEST(ChequeDialog, OffersEachBankOfTheCompanyOnceAndTakesATypedOne) {
  Screen s;
  auto lines = [](int n, const char* bank) {  // the last line at `bank`
    std::vector<testing::LineSpec> v = testing::Lines(n, "2024-02-29", 5000);
    v.back().bank = bank;
    return v;
  };
  testing::AddProcessing(s.con(), {.id = 1, .number = "HP1", .lines = lines(3, "Hatton Bank")});
  testing::AddProcessing(s.con(), {.id = 2, .number = "HP2", .lines = lines(2, "People's Bank")});
  testing::AddProcessing(s.con(), {.id = 3, .company = 2, .department = 30, .lines = lines(1, "Other Company Bank")});
  frmProcessing& f = Processed(s);
  frmPopUp p(s.m.bas, f.lvwProcessing);
  p.Load();
  std::vector<std::string> banks;
  for (int i = 0; i < p.cboBankName.ListCount(); ++i) banks.push_back(p.cboBankName.List(i));
  EXPECT_EQ(banks, (std::vector<std::string>{"Hatton Bank", "People's Bank"}));
  s.m.bas.intSelectedRentalNo = 1;
  ASSERT_TRUE(p.ShowRental());
  Paste(p, "cboBankName", "Sampath Bank");
  Click(p, "cmdOK");
  EXPECT_EQ(f.lvwProcessing.Item(0).SubItem(7), "Sampath Bank");
}

}  // namespace
}  // namespace hp::processing
