#include "register/frm_master.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <optional>

#include "register/register_world.h"

namespace hp::reg::test {
namespace {

TEST(RegisterLoad, ListsTheCompanyYearAndDepartmentFromTheLookBackDate) {
  for (int department : {10, 0}) {
    SCOPED_TRACE(department);
    Register r;
    r.Add({.id = 1, .number = "HP1", .date = "2024-02-13"}), r.Add({.id = 2, .number = "HP2", .date = "2024-02-14"});
    r.Add({.id = 3, .number = "HP3"}), r.Add({.id = 4, .number = "OT4", .department = 20});
    r.Add({.id = 5, .number = "HP5", .financial = 2}), r.Add({.id = 6, .number = "C2", .company = 2});
    r.m.bas.intdepartmentid = department;
    r.Open();
    auto listed = r.Column(kColNumber);
    std::sort(listed.begin(), listed.end());
    using Numbers = std::vector<std::string>;
    EXPECT_EQ(listed, (department ? Numbers{"HP2", "HP3"} : Numbers{"HP2", "HP3", "OT4"}));
    EXPECT_EQ(r.m.bas.strSql.find("hphDepartmentID") != std::string::npos, department != 0);
    EXPECT_EQ(db::AsText(r.m.bas.strSqlParams.back()), "2024-02-14");
    EXPECT_EQ(r.m.bas.strSql.find("2024"), std::string::npos) << "values are bound, not written into the text";
  }
}

TEST(RegisterLoad, EmptyRegisterShowsHeadingsAndOneEmptyRowWithoutEditOrDelete) {
  Register r;
  r.Open();
  EXPECT_EQ(r.Grid().Rows(), 2);
  EXPECT_EQ(r.Grid().TextMatrix(0, kColNumber), "Processing No");
  EXPECT_EQ(r.frm->cboSearch.ListCount(), 6);
  EXPECT_TRUE(r.frm->cmdNew.Enabled);
  EXPECT_FALSE(r.frm->CmdEdit.Enabled || r.frm->CmdDelete.Enabled);
  EXPECT_EQ(r.m.bas.registerGrid, &r.Grid());
  t::Click(*r.frm, "CmdClose");
  EXPECT_EQ(r.m.bas.registerGrid, nullptr);
}

TEST(RegisterRights, EnableNewEditAndDeleteByTheirLettersAndKeysOpenOnlyWhatIsEnabled) {
  for (int mask = 0; mask < 9; ++mask) {
    std::string rights = std::string(mask & 1 ? "N" : "") + (mask & 2 ? "E" : "") + (mask & 4 ? "D" : "");
    SCOPED_TRACE(mask == 8 ? "no rights row, rights left from before" : rights);
    Register r;
    if (mask == 8) r.m.con->Execute("delete from auserrights");
    else t::SetRights(*r.m.con, 1, 1, rights);
    r.m.bas.strFunctionRights = "NED";
    r.Add({.id = 7, .number = "HP7", .lines = Lines(3, "2024-04-15", 5000)});
    r.Open();
    EXPECT_EQ(r.frm->cmdNew.Enabled, (mask & 1) != 0);
    EXPECT_EQ(r.frm->CmdEdit.Enabled, (mask & 2) != 0);
    EXPECT_EQ(r.frm->CmdDelete.Enabled, (mask & 4) != 0);
    t::ClickCell(*r.frm, "flexMaster", 1, kColCustomer);
    EXPECT_EQ(r.frm->CmdDelete.Enabled, (mask & 4) != 0);
    std::string opened;
    r.m.host.OnShow("frmProcessing", [&](Form&) { opened += "E"; });
    r.m.host.OnShow("frmSelection", [&](Form&) { opened += r.m.bas.GStrMasterNewEditFlag; });
    t::Key(*r.frm, "flexMaster", 13);
    t::DblClick(*r.frm, "flexMaster");
    EXPECT_EQ(r.m.bas.lngEditProcessingID, mask & 2 ? 7 : 0);
    t::Key(*r.frm, "txtsearch", 10);  // Ctrl+Enter: New, with the new flag
    if (mask & 1) t::Click(*r.frm, "cmdNew");
    EXPECT_EQ(opened, std::string(mask & 2 ? "EE" : "") + (mask & 1 ? "NN" : ""));
  }
}

TEST(RegisterRows, DeleteOnlyForLiveUnpostedRowsOutsideTheFrozenPeriod) {
  struct Case {
    const char* name;
    bool deletable = false;
    int cancel = 0, amended = 0, posted = -1, lines = 3;  // posted: which line, if any
    std::optional<std::string> freeze = std::nullopt;
    bool red = false;
  } cases[] = {{.name = "Live", .deletable = true},
               {.name = "LiveWithoutLines", .deletable = true, .lines = 0},
               {.name = "Cancelled", .cancel = 1, .red = true},
               {.name = "Amended", .amended = 1},
               {.name = "FirstLinePosted", .posted = 0},
               {.name = "LastLinePosted", .posted = 2},
               {.name = "OnTheFreezeDate", .freeze = "2024-03-10"},
               {.name = "FrozenWithoutLines", .lines = 0, .freeze = "2024-03-12"},
               {.name = "AfterTheFreezeDate", .deletable = true, .freeze = "2024-03-09"}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Register r;
    r.Add({.id = 1, .number = "HP1", .date = "2024-03-01", .lines = Lines(3, "2024-04-01", 5000)});
    ProcessingSpec p{.id = 2, .number = "HP2", .date = "2024-03-10", .invoice = 2, .amended = c.amended,
                     .cancel = c.cancel, .lines = Lines(c.lines, "2024-04-10", 5000)};
    if (c.posted >= 0) p.lines[c.posted].posted = 1;
    r.Add(p);
    if (c.freeze) t::SetFreezeDate(*r.m.con, c.freeze);
    r.Open();
    r.Select(1);
    r.Select(2);
    EXPECT_EQ(r.frm->CmdDelete.Enabled, c.deletable);
    for (int col = 0; col <= kColCancelled; ++col)
      EXPECT_EQ(r.Grid().CellForeColor(r.RowOf(2), col) == forms::kRed, c.red) << "column " << col;
    r.Select(1);  // the next row decides for itself
    EXPECT_EQ(r.frm->CmdDelete.Enabled, !c.freeze);
  }
}

// Listed in date order 2, 3, 1; numbers and dates run against the identifiers;
// names and invoice numbers sort as text.
void AddThree(Register& r) {
  r.Add({.id = 1, .number = "HP9", .date = "2024-03-10", .customer = 1, .invoice = 1}, "Zed", "5");
  r.Add({.id = 2, .number = "HP10", .date = "2024-03-01", .customer = 2, .invoice = 2, .amended = 1}, "apple", "13");
  r.Add({.id = 3, .number = "HP11", .date = "2024-03-05", .customer = 3, .invoice = 3, .cancel = 1}, "Mango", "120");
}

TEST(RegisterSort, SortsEveryColumnBothWaysNumbersAndDatesByIdentifier) {
  using Ids = std::vector<std::string>;
  struct Case {
    int column;
    Ids ascending, descending;
  } cases[] = {{kColNumber, {"1", "2", "3"}, {"3", "2", "1"}},   {kColDate, {"1", "2", "3"}, {"3", "2", "1"}},
               {kColCustomer, {"3", "1", "2"}, {"2", "1", "3"}}, {kColInvoice, {"1", "2", "3"}, {"3", "2", "1"}},
               {kColCancelled, {"2", "1", "3"}, {"3", "2", "1"}}};
  for (const Case& c : cases) {
    for (bool ascending : {true, false}) {
      SCOPED_TRACE(::testing::Message() << "column " << c.column << (ascending ? " ascending" : " descending"));
      Register r;
      AddThree(r);
      r.Open();
      ASSERT_EQ(r.Column(kColId), (Ids{"2", "3", "1"}));
      t::Click(*r.frm, ascending ? "optAscend" : "optDescend");
      t::ChooseData(*r.frm, "cboColNames", c.column);
      EXPECT_EQ(r.Column(kColId), ascending ? c.ascending : c.descending);
    }
  }
}

TEST(RegisterSearch, FindsTheFirstRowBeginningWithTheTextInTextOrder) {
  struct Case {
    int column;
    std::string typed, found;  // processing number; empty: nothing found
  } cases[] = {{kColInvoice, "12", "HP4"}, {kColInvoice, "9", ""},       {kColCustomer, "apP", "HP2"},
               {kColCustomer, "sil", "HP5"}, {kColCustomer, "silv", "HP3"}, {kColCustomer, "q", ""}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.typed);
    Register r;
    const char* customers[] = {"Zed", "apple", "Silva", "Mango", "silk"};
    const char* invoices[] = {"5", "121", "13", "120", "7"};
    for (int i = 1; i <= 5; ++i)
      r.Add({.id = i, .number = "HP" + std::to_string(i), .date = "2024-03-1" + std::to_string(i), .customer = i,
             .invoice = i},
            customers[i - 1], invoices[i - 1]);
    r.Open();
    t::ClickCell(*r.frm, "flexMaster", 2, kColNumber);
    t::ChooseData(*r.frm, "cboSearch", c.column);
    t::Type(*r.frm, "txtsearch", c.typed);
    forms::FlexGrid& g = r.Grid();
    if (c.found.empty()) {
      EXPECT_EQ(g.Row, 2);
    } else {
      EXPECT_EQ(g.TextMatrix(g.Row, kColNumber), c.found);
      EXPECT_TRUE(g.TopRow == g.Row && g.ColSel == kColCancelled);
    }
  }
}

}  // namespace
}  // namespace hp::reg::test
