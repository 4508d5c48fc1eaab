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
using fixture::Screen;
using testing::Click;
using testing::DblClick;
using testing::Paste;

// The worked example processed on the screen: 24 lines with the register's
// cheques CHQ1..CHQ24 at People's Bank.
frmProcessing& Processed(Screen& s) {
  fixture::AddWorkedExample(s.con());
  frmProcessing& f = s.Open();
  fixture::ChooseAndProcess(f);
  return f;
}

std::string Cheque(frmProcessing& f, int line) {
  const forms::ListItem& item = f.lvwProcessing.Item(line);
  return item.SubItem(1) + " " + item.SubItem(7) + " " + item.SubItem(8);
}

TEST(ChequeDialogTest, AcceptingALineMovesOnToTheNext) {
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
  // Line 3 keeps what was accepted; Close wrote nothing into line 4.
  EXPECT_EQ(Cheque(f, 2), "30/04/2024 Hatton Bank X3");
  EXPECT_EQ(Cheque(f, 3), "31/05/2024 People's Bank CHQ4");
  // The dialog completes lines; the schedule is still the one processed.
  Click(f, "cmdOK");
  EXPECT_FALSE(f.IsLoaded()) << s.m.host.LastMessage();
  EXPECT_EQ(fixture::Cell(s.con(), "select hpdChequeNo from aHpProcessingDetail where hpddetailID=3"), "X3");
}

// Refused entries keep the dialog open on the same line and change nothing.
struct ChequeRefusal {
  const char* name;
  std::function<void(frmProcessing&)> arrange_line;  // before the dialog opens
  std::function<void(frmPopUp&)> act;
  const char* message;
  const char* focus;  // nullptr: where it was (the OK button)
};
void PrintTo(const ChequeRefusal& c, std::ostream* os) { *os << c.name; }
class ChequeRefusalTest : public ::testing::TestWithParam<ChequeRefusal> {};

TEST_P(ChequeRefusalTest, KeepsTheLine) {
  const ChequeRefusal& c = GetParam();
  Screen s;
  frmProcessing& f = Processed(s);
  if (c.arrange_line) c.arrange_line(f);
  const forms::ListItem before = f.lvwProcessing.Item(4);
  s.m.bas.intSelectedRentalNo = 5;
  frmPopUp p(s.m.bas, f.lvwProcessing);
  p.Load();
  ASSERT_TRUE(p.ShowRental());
  if (c.act) c.act(p);
  Click(p, "cmdOK");
  EXPECT_EQ(s.m.host.LastMessage(), c.message);
  EXPECT_EQ(Focus(p), c.focus ? c.focus : "cmdOK");
  EXPECT_TRUE(p.IsLoaded());
  EXPECT_EQ(s.m.bas.intSelectedRentalNo, 5);
  EXPECT_EQ(f.lvwProcessing.Item(4).sub, before.sub);
}

INSTANTIATE_TEST_SUITE_P(
    Entries, ChequeRefusalTest,
    ::testing::Values(
        ChequeRefusal{"NoBank", nullptr, [](frmPopUp& p) { Paste(p, "cboBankName", " "); }, "Enter Bank Name .",
                      "cboBankName"},
        ChequeRefusal{"NoChequeNumber", nullptr, [](frmPopUp& p) { Paste(p, "txtchequeno", ""); },
                      "Enter Cheque Number .", "txtchequeno"},
        ChequeRefusal{"NoAmount", [](frmProcessing& f) { f.lvwProcessing.Item(4).SetSubItem(9, ""); }, nullptr,
                      "Enter Amount .", nullptr},
        ChequeRefusal{"AmountNotTheRental", [](frmProcessing& f) { f.lvwProcessing.Item(4).SetSubItem(9, "4000"); },
                      nullptr, "Amount and Rental Amount Should be Equal .", nullptr}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(ChequeDialogTest, AStoredProcessingIsOnlyShown) {
  Screen s;
  frmProcessing& f = Processed(s);
  s.m.bas.GStrMasterNewEditFlag = "E";
  s.m.bas.intSelectedRentalNo = 1;
  frmPopUp p(s.m.bas, f.lvwProcessing);
  p.Load();
  ASSERT_TRUE(p.ShowRental());
  EXPECT_FALSE(p.cmdOK.Enabled);
  EXPECT_FALSE(p.txtAmount.Enabled);
  EXPECT_THROW(Click(p, "cmdOK"), forms::EventError);
}

TEST(ChequeDialogTest, OffersEachBankOfTheCompanyOnce) {
  Screen s;
  std::vector<testing::LineSpec> lines = testing::Lines(3, "2024-02-29", 5000);
  lines[1].bank = "Hatton Bank";
  testing::AddProcessing(s.con(), {.id = 1, .number = "HP1", .lines = lines});
  testing::AddProcessing(s.con(), {.id = 2, .number = "HP2", .lines = testing::Lines(2, "2024-02-29", 5000)});
  std::vector<testing::LineSpec> other = testing::Lines(1, "2024-02-29", 5000);
  other[0].bank = "Other Company Bank";
  testing::AddProcessing(s.con(), {.id = 3, .number = "HP1", .company = 2, .department = 30, .lines = other});
  frmProcessing& f = Processed(s);
  frmPopUp p(s.m.bas, f.lvwProcessing);
  p.Load();
  std::vector<std::string> banks;
  for (int i = 0; i < p.cboBankName.ListCount(); ++i) banks.push_back(p.cboBankName.List(i));
  EXPECT_EQ(banks, (std::vector<std::string>{"Hatton Bank", "People's Bank"}));
  // A bank typed that is not in the list is taken as typed.
  s.m.bas.intSelectedRentalNo = 1;
  ASSERT_TRUE(p.ShowRental());
  Paste(p, "cboBankName", "Sampath Bank");
  Click(p, "cmdOK");
  EXPECT_EQ(f.lvwProcessing.Item(0).SubItem(7), "Sampath Bank");
}

TEST(ChequeDialogTest, AfterTheLastLineTheScreenOffersOk) {
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
  EXPECT_FALSE(frm.IsLoaded());
}

}  // namespace
}  // namespace hp::processing
