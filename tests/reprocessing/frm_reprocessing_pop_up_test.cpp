// The rental line editor: manual lines, the checks of a line, the bank name
// and the pop-up menu's rules. (The walk through computed lines is driven by
// fixture::EnterCheques in every automatic save.)
#include <gtest/gtest.h>

#include "reprocessing_fixture.h"

namespace hp::reprocessing {
namespace {

using namespace fixture;

frmReProcessingPopUp& Dialog(forms::Form& d) { return dynamic_cast<frmReProcessingPopUp&>(d); }

TEST(RentalLineEditor, AddsAManualLineWithZerosStaysOpenAndCutsTheBankNameOnlyWhenAdding) {
  const std::string bank = "Commercial Bank of Ceylon";  // 25 characters
  testing::Module m;
  AddScenery(m);
  WithScreen(m, [&](frmReprocessing& s) {
    Choose(s, "optMan");
    Menu(m, s, "mnuAdd", -1, [&](forms::Form& d) {
      EXPECT_TRUE(Dialog(d).txtRentalAmount.Enabled);
      Paste(d, "dtpPeriod", "2024-02-29");
      Fill(d, "1000", bank, "S100", "1000");
      Click(d, "cmdOk");
      EXPECT_TRUE(d.IsLoaded());  // emptied for the next line
      EXPECT_EQ(Dialog(d).txtRentalAmount.Text() + Dialog(d).cboBankName.Text() + Dialog(d).txtchequeno.Text() +
                    Dialog(d).txtAmount.Text(),
                "");
    });
    ASSERT_EQ(s.lvwReProcessing.Count(), 1);
    std::string shown;
    for (int j = 0; j < 10; ++j) shown += s.lvwReProcessing.Item(0).SubItem(j) + "|";
    EXPECT_EQ(shown, "1|29/02/2024|0|1000.00|0|0|0|" + bank.substr(0, 20) + "|S100|1000.00|");
    Menu(m, s, "mnuEdit", 0, [&](forms::Form& d) {
      Paste(d, "cboBankName", bank);
      Click(d, "cmdOk");  // the only line: the dialog closes
    });
    EXPECT_EQ(s.lvwReProcessing.Item(0).SubItem(7), bank);
  });
}

// Three rentals of 1000 remain; lines of 1000 and 1500 are listed and line 1
// is selected when a line is added: the total leaves the selected line out.
TEST(RentalLineEditor, RefusesALineNamingItsFirstFault) {
  struct {
    const char *rental, *bank, *cheque, *amount;
    std::string message;  // empty: accepted
  } cases[] = {
      {"600", "B", "C", "600", ""},
      {"1600", "B", "C", "1600", "Rental Total Should be equal to 3000.00"},
      {"", "B", "C", "1", "Enter Rental Amount ."},
      {"0", "B", "C", "1", "Enter Rental Amount ."},
      {"100", "", "C", "100", "Enter Bank Name ."},
      {"100", "B", "", "100", "Enter Cheque Number ."},
      {"100", "B", "C", "", "Enter Amount ."},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.rental) + "/" + c.bank + "/" + c.cheque + "/" + c.amount);
    testing::Module m;
    AddScenery(m, Reprocessable{.rental = 1000, .remaining = 3, .first_capital = 2800});
    WithScreen(m, [&](frmReprocessing& s) {
      Choose(s, "optMan");
      ASSERT_EQ(s.txtTotRental.Text(), "3000.00");
      AddLines(m, s, {{"1000", "1000"}, {"1500", "1500"}});
      ASSERT_EQ(s.lvwReProcessing.Count(), 2);
      m.host.ClearMessages();
      Menu(m, s, "mnuAdd", /*select line 1*/ 0, [&](forms::Form& d) {
        Fill(d, c.rental, c.bank, c.cheque, c.amount);
        Click(d, "cmdOk");
      });
      EXPECT_EQ(m.host.LastMessage(), c.message);
      EXPECT_EQ(s.lvwReProcessing.Count(), c.message.empty() ? 3 : 2);
    });
  }
}

TEST(RentalLineEditor, PopupMenuAppearsAndOffersOnlyWhatMayBeDone) {
  struct {
    const char* name;
    const char* mode;  // option chosen
    bool chosen;       // a processing is chosen
    int lines;         // manual lines in the list
    bool edit_mode;    // a stored re-processing shown
    const char* menu;  // Add, Edit, Delete enabled ("-" not); nullptr: no menu
  } cases[] = {
      {"Automatic", "optAuto", true, 0, false, nullptr}, {"NoProcessing", "optMan", false, 0, false, nullptr},
      {"EmptyList", "optMan", true, 0, false, "A--"},    {"Lines", "optMan", true, 2, false, "AED"},
      {"EditMode", "optMan", true, 2, true, "---"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    testing::Module m;
    AddScenery(m);
    m.bas.GStrMasterNewEditFlag = c.edit_mode ? "E" : "N";
    WithScreen(m, [&](frmReprocessing& s) {
      if (c.edit_mode)
        s.optMan.SetValue(true);  // as stored
      else
        Click(s, c.mode);
      if (c.chosen) {
        ChooseData(s, "cboCustomer", 1);
        if (c.edit_mode) s.cboPrrocNo.AddItem("HP1", 1);
        ChooseData(s, "cboPrrocNo", 1);
      }
      for (int i = 0; i < c.lines; ++i) s.lvwReProcessing.Add(std::to_string(i + 1));
      if (!c.menu) {
        EXPECT_NO_THROW(s.Dispatch(RightClick()));
        return;
      }
      EXPECT_THROW(s.Dispatch(RightClick()), forms::ScriptError);  // the menu waits for a choice
      for (int i = 0; i < 3; ++i) EXPECT_EQ(s.lineEditing.mnupopup.items[i].enabled, c.menu[i] != '-') << i;
    });
  }
}

}  // namespace
}  // namespace hp::reprocessing
