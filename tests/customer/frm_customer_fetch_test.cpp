#include "customer/frm_customer_fetch.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>

#include "support/module.h"
#include "support/records.h"
#include "support/ui.h"

namespace hp::customer {
namespace {

namespace t = hp::testing;

struct Dialog {
  t::Module m;
  frmCustomerFetch dlg{m.bas};

  Dialog() {
    t::AddCustomer(*m.con, {.id = 1, .name = "Silva", .mobile = "0771111111", .registrations = {"R-100", "R-200"}});
    t::AddCustomer(*m.con, {.id = 2, .name = "Basil Perera", .mobile = "0712222222"});
    t::AddCustomer(*m.con, {.id = 3, .name = "Silvia Unverified", .verified = false});
    t::AddCustomer(*m.con, {.id = 4, .name = "O'Neil", .mobile = "0711234567", .registrations = {"R-300"}});
    t::AddCustomer(*m.con, {.id = 5, .name = "fernando", .nic = "123456789V", .mobile = "120"});
  }
  // Shows the dialog, lets `user` act on it and returns the chosen customer.
  std::int32_t Show(const std::function<void(forms::Form&)>& user) {
    m.host.OnShow("frmCustomerFetch", user);
    m.host.ShowModal(dlg);
    return dlg.SelectedCustomerID;
  }
  std::vector<std::string> Column(int col) const {
    std::vector<std::string> v;
    for (int r = 1; r < dlg.flexMaster.Rows(); ++r) v.push_back(dlg.flexMaster.TextMatrix(r, col));
    return v;
  }
  static void Fetch(forms::Form& f, int entry, const std::string& text) {
    t::Choose(f, "cboFetch", entry), t::Paste(f, "txtFetch", text), t::Key(f, "txtFetch", 13);
  }
};

TEST(CustomerFetch, ListsVerifiedCustomersOncePerRegistrationAtMost500FromAFreshQueryEachTime) {
  struct Case {
    int entry;  // of cboFetch
    std::string text;
    std::vector<std::string> ids;  // sorted
  } cases[] = {{0, "sil", {"1", "1", "2"}}, {0, "o'nei", {"4"}}, {1, "6789v", {"5"}}, {4, "0711", {"4"}},
               {5, "R-2", {"1"}},           {0, "zzz", {""}},    {0, "", {"1", "1", "2", "4", "5"}}};
  Dialog d;
  d.Show([&](forms::Form& f) {
    EXPECT_EQ(d.dlg.flexMaster.TextMatrix(0, 2), "NIC No");
    for (const auto& c : cases) {
      SCOPED_TRACE(c.text);
      Dialog::Fetch(f, c.entry, c.text);
      auto ids = d.Column(0);
      std::sort(ids.begin(), ids.end());
      EXPECT_EQ(ids, c.ids);
      EXPECT_EQ(d.dlg.flexMaster.TextMatrix(0, 2), "NCC No");
      EXPECT_EQ(d.dlg.txtFetch.Text(), "");
    }
    t::Type(f, "txtFetch", "O'N");
    EXPECT_EQ(d.dlg.txtFetch.Text(), "ON") << "the apostrophe key is dropped";
    for (int i = 100; i < 700; ++i) t::AddCustomer(*d.m.con, {.id = i, .name = "Many " + std::to_string(i)});
    Dialog::Fetch(f, 0, "Many");
    EXPECT_EQ(d.dlg.flexMaster.Rows() - 1, 500);
  });
}

TEST(CustomerFetch, HandsBackTheChoiceAndResetsItWhenOpenedAgain) {
  Dialog d;
  EXPECT_EQ(d.Show([](forms::Form& f) { Dialog::Fetch(f, 0, "Basil"), t::ClickCell(f, "flexMaster", 1, 1); }), 2);
  EXPECT_EQ(d.Show([](forms::Form& f) { Dialog::Fetch(f, 0, "fern"), t::Click(f, "cmdOK"); }), 5);
  EXPECT_EQ(d.Show([](forms::Form& f) { t::Click(f, "cmdClose"); }), 0) << "closed without a choice";
  EXPECT_EQ(d.Show([](forms::Form& f) { t::Click(f, "cmdOK"); }), 0) << "the empty list holds nobody";
}

TEST(CustomerFetch, SearchSelectsTheFirstRowBeginningWithTheTextAndSortGoesBothWays) {
  struct Case {
    int column;
    std::string typed;
    std::string found_id;  // empty: not found
  } cases[] = {{5, "12", "5"}, {1, "BA", "8"}, {1, "z", "6"}, {1, "x", ""}};
  Dialog d;
  t::AddCustomer(*d.m.con, {.id = 6, .name = "Zoysa", .mobile = "5"});
  t::AddCustomer(*d.m.con, {.id = 7, .name = "Ahamed", .mobile = "13"});
  t::AddCustomer(*d.m.con, {.id = 8, .name = "bandara", .mobile = "121"});
  d.Show([&](forms::Form& f) {
    Dialog::Fetch(f, 0, "");
    for (const auto& c : cases) {
      SCOPED_TRACE(c.typed);
      const int before = d.dlg.flexMaster.Row;
      t::ChooseData(f, "cboSearch", c.column);
      t::Paste(f, "txtsearch", "");
      t::Type(f, "txtsearch", c.typed);
      if (c.found_id.empty()) EXPECT_EQ(d.dlg.flexMaster.Row, before);
      else EXPECT_EQ(d.dlg.flexMaster.TextMatrix(d.dlg.flexMaster.Row, 0), c.found_id);
    }
    t::Paste(f, "txtFetch", "e");
    t::Key(f, "txtFetch", 13);
    t::ChooseData(f, "cboColNames", 1);
    EXPECT_EQ(d.Column(1), (std::vector<std::string>{"Ahamed", "Basil Perera", "fernando", "O'Neil"}));
    t::Click(f, "optDescend");
    t::ChooseData(f, "cboColNames", 1);
    EXPECT_EQ(d.Column(1), (std::vector<std::string>{"O'Neil", "fernando", "Basil Perera", "Ahamed"}));
    t::Click(f, "cmdClose");
  });
}

}  // namespace
}  // namespace hp::customer
