#include "register/frm_cancel.h"

#include <gtest/gtest.h>

#include <functional>

#include "support/module.h"
#include "support/ui.h"

namespace hp::reg::test {
namespace {

namespace t = hp::testing;
using User = std::function<void(forms::Form&)>;

TEST(ReasonDialog, AcceptsAReasonOrLetsTheDeletionGoOnWithout) {
  struct Case {
    const char* name;
    User user;  // what the user does before the dialog is closed
    std::string reason;
    bool asked_for_reason;
  } cases[] = {
      {"TypedAndAcceptedUntrimmed", [](forms::Form& f) { t::Type(f, "txtcanreason", " lost "), t::Click(f, "cmdok"); },
       " lost ", false},
      {"ApostropheKeyDropped", [](forms::Form& f) { t::Type(f, "txtcanreason", "customer's"), t::Click(f, "cmdok"); },
       "customers", false},
      {"PastedApostropheKeptAndOkEnabled",
       [](forms::Form& f) { t::Paste(f, "txtcanreason", "O'Brien's"), t::Click(f, "cmdok"); }, "O'Brien's", false},
      {"BlankOkAsksForAReason",
       [](forms::Form& f) {
         t::Type(f, "txtcanreason", "x");
         t::Paste(f, "txtcanreason", "  ");
         t::Click(f, "cmdok");
         EXPECT_TRUE(f.IsLoaded());
         t::Type(f, "txtcanreason", "dup");
         t::Click(f, "cmdok");
       },
       "  dup", true},
      {"ClosedUntyped", [](forms::Form&) {}, "", false},
      {"ClosedWithAReasonTyped", [](forms::Form& f) { t::Type(f, "txtcanreason", "wrong invoice"); }, "wrong invoice",
       false},
      {"EscAccepts", [](forms::Form& f) { t::Type(f, "txtcanreason", "typo"), t::Key(f, "txtcanreason", 27); }, "typo",
       false},
      {"OkDisabledOnceBlankedByKeys",
       [](forms::Form& f) {
         t::Type(f, "txtcanreason", "a");
         t::Key(f, "txtcanreason", 8);
         EXPECT_THROW(t::Click(f, "cmdok"), forms::EventError);
       },
       "", false}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    t::Module m;
    std::string reason = "from an earlier deletion";
    frmcancel dlg(m.bas, reason);
    m.host.OnShow("frmcancel", [&](forms::Form& f) {
      EXPECT_EQ(reason, "") << "cleared when the dialog is activated";
      EXPECT_FALSE(dlg.cmdok.Enabled);
      c.user(f);
    });
    m.host.ShowModal(dlg);
    EXPECT_FALSE(dlg.IsLoaded());
    EXPECT_EQ(reason, c.reason);
    EXPECT_EQ(m.host.LastMessage(), c.asked_for_reason ? "Enter reason for deletion" : "");
  }
}

}  // namespace
}  // namespace hp::reg::test
