// The rental line editor: the walk through computed lines, manual lines, the
// total check, the bank name and the pop-up menu's rules.
#include <gtest/gtest.h>

#include <algorithm>

#include "platform/forms/scripted_host.h"
#include "reprocessing_fixture.h"

namespace hp::reprocessing {
namespace {

using namespace fixture;

int TimesShown(const testing::Module& m) {
  const auto& shown = m.host.Shown();
  return static_cast<int>(std::count(shown.begin(), shown.end(), "frmReProcessingPopUp"));
}

// Opens Add from the menu and runs `drive` on the dialog.
void Add(testing::Module& m, frmReprocessing& s, std::function<void(forms::Form&)> drive, int select = -1) {
  m.host.OnShow("frmReProcessingPopUp", std::move(drive));
  m.host.ChooseMenu("mnuAdd");
  s.Dispatch(RightClick(select));
}

void Fill(forms::Form& d, const std::string& rental, const std::string& bank, const std::string& cheque,
          const std::string& amount) {
  Paste(d, "txtRentalAmount", rental);
  Paste(d, "cboBankName", bank);
  Paste(d, "txtchequeno", cheque);
  Paste(d, "txtAmount", amount);
}

TEST(RentalLineEditor, WalksEveryComputedLineThenCloses) {
  testing::Module m;
  AddScenery(m);
  WithScreen(m, [&](frmReprocessing& s) {
    Choose(s, "optAuto");
    Reprocess(m, s, "12");
    ASSERT_EQ(s.lvwReProcessing.Count(), 12);
    int walked = 0;
    m.host.OnShow("frmReProcessingPopUp", [&](forms::Form& d) {
      auto& dialog = dynamic_cast<frmReProcessingPopUp&>(d);
      while (d.IsLoaded() && walked < 20) {
        EXPECT_FALSE(dialog.dtpPeriod.Enabled);  // computed lines keep date and rental
        EXPECT_FALSE(dialog.txtRentalAmount.Enabled);
        EXPECT_EQ(dialog.txtRentalAmount.Text(), "1250.00");
        Paste(d, "cboBankName", "Hatton National Bank");
        Paste(d, "txtchequeno", std::to_string(++walked));
        Click(d, "cmdOk");
      }
    });
    DblClick(s, "lvwReProcessing", 0);
    EXPECT_EQ(walked, 12);
    EXPECT_EQ(m.bas.intSelectedRentalNo, 12);
    for (int i = 0; i < 12; ++i) EXPECT_EQ(s.lvwReProcessing.Item(i).SubItem(8), std::to_string(i + 1));
    EXPECT_EQ(s.ActiveControl(), &s.cmdOk);  // every rental has its cheque: OK is next
  });
}

TEST(RentalLineEditor, AddsAManualLineWithZerosAndStaysOpen) {
  testing::Module m;
  AddScenery(m);
  WithScreen(m, [&](frmReprocessing& s) {
    Choose(s, "optMan");
    Add(m, s, [&](forms::Form& d) {
      auto& dialog = dynamic_cast<frmReProcessingPopUp&>(d);
      EXPECT_TRUE(dialog.txtRentalAmount.Enabled);
      Paste(d, "dtpPeriod", "2024-02-29");
      Fill(d, "1000", "Sampath Bank", "S100", "1000");
      Click(d, "cmdOk");
      EXPECT_TRUE(d.IsLoaded());
      EXPECT_EQ(dialog.txtRentalAmount.Text(), "");
      EXPECT_EQ(dialog.cboBankName.Text(), "");
      EXPECT_EQ(dialog.txtchequeno.Text(), "");
      EXPECT_EQ(dialog.txtAmount.Text(), "");
    });
    ASSERT_EQ(s.lvwReProcessing.Count(), 1);
    const forms::ListItem& line = s.lvwReProcessing.Item(0);
    const std::vector<std::string> expected = {"1", "29/02/2024",   "0",    "1000.00", "0", "0",
                                               "0", "Sampath Bank", "S100", "1000.00"};
    for (int j = 0; j < 10; ++j) EXPECT_EQ(line.SubItem(j), expected[j]) << "sub-item " << j;
  });
}

struct TotalCase {
  std::string rental;
  std::string message;  // empty: accepted
};
void PrintTo(const TotalCase& c, std::ostream* os) { *os << c.rental; }

class RentalTotal : public ::testing::TestWithParam<TotalCase> {};

TEST_P(RentalTotal, LeavesOutTheSelectedLine) {
  testing::Module m;
  AddScenery(m, Reprocessable{.rental = 1000, .remaining = 3, .first_capital = 2800});
  WithScreen(m, [&](frmReprocessing& s) {
    Choose(s, "optMan");
    ASSERT_EQ(s.txtTotRental.Text(), "3000.00");
    Add(m, s, [&](forms::Form& d) {
      for (const char* rental : {"1000", "1500"}) {
        Fill(d, rental, "Sampath Bank", "S", rental);
        Click(d, "cmdOk");
      }
    });
    ASSERT_EQ(s.lvwReProcessing.Count(), 2);
    m.host.ClearMessages();
    Add(
        m, s,
        [&](forms::Form& d) {
          Fill(d, GetParam().rental, "Sampath Bank", "S", GetParam().rental);
          Click(d, "cmdOk");
        },
        /*select line 1*/ 0);
    EXPECT_EQ(m.host.LastMessage(), GetParam().message);
    EXPECT_EQ(s.lvwReProcessing.Count(), GetParam().message.empty() ? 3 : 2);
  });
}

INSTANTIATE_TEST_SUITE_P(Reprocessing, RentalTotal,
                         ::testing::Values(TotalCase{"600", ""},
                                           TotalCase{"1600", "Rental Total Should be equal to 3000.00"}));

struct RefusalCase {
  std::string rental, bank, cheque, amount, message;
};
void PrintTo(const RefusalCase& c, std::ostream* os) { *os << c.message; }

class LineRefusal : public ::testing::TestWithParam<RefusalCase> {};

TEST_P(LineRefusal, NamesTheFirstMissingEntry) {
  const RefusalCase& c = GetParam();
  testing::Module m;
  AddScenery(m);
  WithScreen(m, [&](frmReprocessing& s) {
    Choose(s, "optMan");
    Add(m, s, [&](forms::Form& d) {
      Fill(d, c.rental, c.bank, c.cheque, c.amount);
      Click(d, "cmdOk");
    });
    EXPECT_EQ(m.host.LastMessage(), c.message);
    EXPECT_EQ(s.lvwReProcessing.Count(), 0);
  });
}

INSTANTIATE_TEST_SUITE_P(Reprocessing, LineRefusal,
                         ::testing::Values(RefusalCase{"", "B", "C", "1", "Enter Rental Amount ."},
                                           RefusalCase{"0", "B", "C", "1", "Enter Rental Amount ."},
                                           RefusalCase{"100", "", "C", "100", "Enter Bank Name ."},
                                           RefusalCase{"100", "B", "", "100", "Enter Cheque Number ."},
                                           RefusalCase{"100", "B", "C", "", "Enter Amount ."}));

TEST(RentalLineEditor, CutsALongBankNameWhenAddingButNotWhenEditing) {
  const std::string bank = "Commercial Bank of Ceylon";  // 25 characters
  ASSERT_EQ(bank.size(), 25u);
  testing::Module m;
  AddScenery(m);
  WithScreen(m, [&](frmReprocessing& s) {
    Choose(s, "optMan");
    Add(m, s, [&](forms::Form& d) {
      Fill(d, "1000", bank, "C1", "1000");
      Click(d, "cmdOk");
    });
    EXPECT_EQ(s.lvwReProcessing.Item(0).SubItem(7), bank.substr(0, 20));
    m.host.OnShow("frmReProcessingPopUp", [&](forms::Form& d) {
      Paste(d, "cboBankName", bank);
      Click(d, "cmdOk");  // the only line: the dialog closes
    });
    m.host.ChooseMenu("mnuEdit");
    s.Dispatch(RightClick(0));
    EXPECT_EQ(s.lvwReProcessing.Item(0).SubItem(7), bank);
  });
}

struct MenuCase {
  std::string name;
  std::string mode;  // option chosen
  bool chosen;       // a processing is chosen
  int lines;         // manual lines in the list
  bool edit_mode;    // a stored re-processing shown
  bool shown;
  bool add, edit, remove;
};
void PrintTo(const MenuCase& c, std::ostream* os) { *os << c.name; }

class PopupMenu : public ::testing::TestWithParam<MenuCase> {};

TEST_P(PopupMenu, AppearsAndOffersOnlyWhatMayBeDone) {
  const MenuCase& c = GetParam();
  testing::Module m;
  AddScenery(m);
  m.bas.GStrMasterNewEditFlag = c.edit_mode ? "E" : "N";
  WithScreen(m, [&](frmReprocessing& s) {
    if (c.edit_mode) {
      s.optMan.SetValue(true);  // as stored
    } else {
      Click(s, c.mode);
    }
    if (c.chosen) {
      ChooseData(s, "cboCustomer", 1);
      if (c.edit_mode) s.cboPrrocNo.AddItem("HP1", 1);
      ChooseData(s, "cboPrrocNo", 1);
    }
    for (int i = 0; i < c.lines; ++i) s.lvwReProcessing.Add(std::to_string(i + 1));
    if (c.shown) {
      EXPECT_THROW(s.Dispatch(RightClick()), forms::ScriptError);  // the menu waits for a choice
      const forms::Menu& menu = s.lineEditing.mnupopup;
      EXPECT_EQ(menu.items[0].enabled, c.add);
      EXPECT_EQ(menu.items[1].enabled, c.edit);
      EXPECT_EQ(menu.items[2].enabled, c.remove);
    } else {
      EXPECT_NO_THROW(s.Dispatch(RightClick()));
    }
  });
}

INSTANTIATE_TEST_SUITE_P(Reprocessing, PopupMenu,
                         ::testing::Values(MenuCase{"Automatic", "optAuto", true, 0, false, false, false, false, false},
                                           MenuCase{"NoProcessing", "optMan", false, 0, false, false, false, false,
                                                    false},
                                           MenuCase{"EmptyList", "optMan", true, 0, false, true, true, false, false},
                                           MenuCase{"Lines", "optMan", true, 2, false, true, true, true, true},
                                           MenuCase{"EditMode", "optMan", true, 2, true, true, false, false, false}),
                         [](const auto& p) { return p.param.name; });

TEST(RentalLineEditor, EditAndDeleteWithNoLineSelectedDoNothing) {
  testing::Module m;
  AddScenery(m);
  WithScreen(m, [&](frmReprocessing& s) {
    Choose(s, "optMan");
    Add(m, s, [&](forms::Form& d) {
      for (const char* rental : {"1000", "2000"}) {
        Fill(d, rental, "Sampath Bank", "S", rental);
        Click(d, "cmdOk");
      }
    });
    s.lvwReProcessing.Select(-1);
    const int shown = TimesShown(m);
    m.host.ChooseMenu("mnuEdit");
    s.Dispatch(RightClick());
    m.host.ChooseMenu("mnuDelete");
    s.Dispatch(RightClick());
    EXPECT_EQ(TimesShown(m), shown);
    EXPECT_EQ(s.lvwReProcessing.Count(), 2);
  });
}

TEST(RentalLineEditor, OpensWithOkDisabledOnAStoredReprocessing) {
  testing::Module m;
  AddScenery(m);
  m.bas.GStrMasterNewEditFlag = "E";
  WithScreen(m, [&](frmReprocessing& s) {
    s.optAuto.SetValue(true);
    forms::ListItem& line = s.lvwReProcessing.Item(s.lvwReProcessing.Add("1"));
    for (const char* v : {"29/02/2024", "1000", "1000.00", "10", "990", "10", "Bank", "C1", "1000.00"})
      line.sub.push_back(v);
    bool opened = false;
    m.host.OnShow("frmReProcessingPopUp", [&](forms::Form& d) {
      auto& dialog = dynamic_cast<frmReProcessingPopUp&>(d);
      opened = true;
      EXPECT_FALSE(dialog.cmdOk.Enabled);
      EXPECT_FALSE(dialog.cboBankName.Enabled);
      EXPECT_FALSE(dialog.txtchequeno.Enabled);
      EXPECT_EQ(dialog.cboBankName.Text(), "Bank");
    });
    DblClick(s, "lvwReProcessing", 0);
    EXPECT_TRUE(opened);
  });
}

}  // namespace
}  // namespace hp::reprocessing
