// Storing a re-processing after settlement: what the rows hold, all or
// nothing, a stored one saved again under its own identifier and number, and
// what may not be saved.
#include <gtest/gtest.h>

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "aftersettlement/frm_reprocessing_after_settlemt.h"
#include "platform/forms/flex_grid.h"
#include "platform/text/date_text.h"
#include "reprocessing/reprocessing_records.h"
#include "support/database.h"
#include "support/module.h"
#include "support/records.h"
#include "support/ui.h"

namespace hp::aftersettlement {
namespace {

using forms::MsgBoxResult;
using testing::ChooseData;
using testing::Click;
using testing::CountRows;
using testing::Paste;
using testing::Tick;

db::Value I(std::int64_t v) { return v; }

// The register's grid, refreshed by a save from the register's own query.
struct Register : forms::Form {
  explicit Register(testing::Module& m) : Form(m.host, "FrmMaster"), flexMaster(*this, "flexMaster") {
    flexMaster.SetCols(3);
    flexMaster.SetRows(2);
    m.bas.registerGrid = &flexMaster;
    m.bas.strSql = "select hphProcessingID, hphProcessingNo, hphAmended from aHpProcessingHeader where hphCompanyID=?";
    m.bas.strSqlParams = {std::int64_t{1}};
  }
  forms::FlexGrid flexMaster;
};

testing::LineSpec Line(int detail, std::optional<double> settlement, double interest, const std::string& cheque) {
  testing::LineSpec l;
  l.cheque_date = text::IsoDate(text::AddMonths(text::Date{2024, 1, 31}, detail - 1));
  l.rental = 5000;
  l.interest = interest;
  l.bank = "Bank of Ceylon";
  l.cheque_no = cheque;
  l.settlement = settlement;
  l.rate = 1.5;
  return l;
}

// Customer 1, invoice 1 (installment price 140000.00) and processing 1 of ten
// rentals (cash price 120000, down payment 20000) with lines 1, 2 and 5
// settled (5000 each); interest 1500 - 100 x line.
void AddScenery(testing::Module& m, int amended = 0) {
  testing::CustomerSpec c;
  c.name = "Nimal Perera";
  testing::AddCustomer(*m.con, c);
  testing::InvoiceSpec inv;
  inv.processed = true;
  testing::AddInvoice(*m.con, inv);
  testing::ProcessingSpec p;
  p.rentals = 10;
  p.rate = 1.5;
  p.amended = amended;
  testing::AddProcessing(*m.con, p);
  for (int d = 1; d <= 10; ++d)
    testing::AddProcessingLine(*m.con, 1, 1, d,
                               Line(d, d == 1 || d == 2 || d == 5 ? 5000.0 : 0.0, 1500.0 - 100 * d,
                                    "C" + std::to_string(d)));
}

// Processing 2: a stored re-processing after settlement of processing 1
// (which it amended), created by "creator", with three lines stored out of
// line order, one cash-flow row, and a remark left from a cancellation that
// was never made.
void AddStoredReprocessing(testing::Module& m) {
  AddScenery(m, 1);
  testing::ProcessingSpec p;
  p.id = 2;
  p.number = "HP2";
  p.reference = 1;
  p.after_settlement = 1;
  p.adjustment_posted = 0;
  p.rentals = 3;
  p.rate = 1.5;
  p.installment_price = 34000;
  p.user_name = "creator";
  testing::AddProcessing(*m.con, p);
  for (int d : {3, 1, 2}) testing::AddProcessingLine(*m.con, 1, 2, d, Line(d, 1000.0 * d, 100, "S" + std::to_string(d)));
  testing::AddCashFlowLine(*m.con, 1, 2, 1, 0.98, 5000, 4900);
  testing::SetReprocessingFigures(*m.con, 2, 106000, 6800);
  m.con->Execute(
      "update aHpProcessingHeader set hphRemarks='first save', hphReprocessingType='M', hphcancelRemarks='typo' "
      "where hphProcessingID=2");
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

// Opens stored processing 2 as the register's Edit does.
void WithStored(testing::Module& m, const std::function<void(frmReprocessingAfterSettlemt&)>& body) {
  m.bas.GStrMasterNewEditFlag = "E";
  m.bas.lngEditProcessingID = 2;
  frmReprocessingAfterSettlemt screen(m.bas);
  screen.Load();
  ASSERT_TRUE(screen.LoadStored(2)) << m.host.LastMessage();
  m.host.OnShow("frmReprocessingAfterSettlemt", [&](forms::Form& f) {
    auto& s = dynamic_cast<frmReprocessingAfterSettlemt&>(f);
    body(s);
    s.Tag.clear();
  });
  m.host.ShowModal(screen);
}

// Chooses processing 1 and re-processes it to two rentals.
void ChooseAndReprocess(frmReprocessingAfterSettlemt& s, const std::string& revised = "2") {
  Click(s, "optAuto");
  ChooseData(s, "cboCustomer", 1);
  ChooseData(s, "cboPrrocNo", 1);
  Paste(s, "txtNoRetals", revised);
  Click(s, "cmdReProcess");
}

// Makes inserts into `table` fail, on either backend.
void FailInserts(db::Connection& con, const std::string& table) {
  if (testing::OnPostgres()) {
    con.Execute(
        "create function fail_insert() returns trigger language plpgsql as "
        "$$ begin raise exception 'boom'; end $$");
    con.Execute("create trigger t before insert on " + table + " for each row execute function fail_insert()");
  } else {
    con.Execute("CREATE TRIGGER t BEFORE INSERT ON " + table + " BEGIN SELECT RAISE(ABORT,'boom'); END");
  }
}

// Everything stored of processing 2, to compare before and after.
std::vector<std::string> StoredRows(testing::Module& m) {
  std::vector<std::string> rows;
  auto add = [&](const std::string& sql) {
    db::Recordset rs = m.con->Open(sql, {I(2)});
    for (; !rs.Eof(); rs.MoveNext()) {
      std::string row;
      for (int i = 0; i < rs.FieldCount(); ++i) row += db::AsText(rs.Field(i)) + "|";
      rows.push_back(row);
    }
  };
  add("select * from aHpProcessingHeader where hphProcessingID=?");
  add("select * from aHpProcessingDetail where hpdProcessingID=? order by hpddetailID");
  add("select * from ahpProcessingCashFlowDetail where hpcProcessingID=? order by hpcdetailID");
  return rows;
}

// ---- New ----------------------------------------------------------------------------

TEST(AfterSettlementSave, StoresTheSettledListAsANewProcessing) {
  testing::Module m;
  AddScenery(m);
  Register reg(m);
  WithScreen(m, [&](frmReprocessingAfterSettlemt& s) {
    ChooseAndReprocess(s);
    Paste(s, "txtnewInstPrice", "34000");
    Paste(s, "txtRemarks", "settled early");
    Click(s, "cmdOk");
    EXPECT_FALSE(s.IsLoaded()) << m.host.LastMessage();
  });
  db::Recordset h = m.con->Open("select * from aHpProcessingHeader where hphReferenceID=?", {I(1)});
  ASSERT_EQ(h.RecordCount(), 1);
  EXPECT_EQ(db::AsInt(h.Field("hphProcessingID")), 2);
  EXPECT_EQ(db::AsText(h.Field("hphProcessingNo")), "HP2");
  EXPECT_EQ(db::AsInt(h.Field("hphreprocessaftersettlement")), 1);
  EXPECT_EQ(db::AsInt(h.Field("hphAdjustmentPosted")), 0);
  EXPECT_EQ(db::AsInt(h.Field("hphAmended")), 0);
  EXPECT_EQ(db::AsInt(h.Field("hphCancel")), 0);
  EXPECT_EQ(db::AsInt(h.Field("hphNoOfRentals")), 2);
  EXPECT_EQ(db::AsInt(h.Field("hphInvoiceID")), 1);
  EXPECT_DOUBLE_EQ(db::AsDouble(h.Field("hphInstallmentPrice")), 34000);
  EXPECT_DOUBLE_EQ(db::AsDouble(h.Field("hphAdjustmentAmount")), 106000);  // 140000 - 34000
  EXPECT_DOUBLE_EQ(db::AsDouble(h.Field("hphBalanceInterest")), 6800);     // 9500 - 1400 - 1300
  EXPECT_DOUBLE_EQ(db::AsDouble(h.Field("hphCashPrice")), 120000);
  EXPECT_DOUBLE_EQ(db::AsDouble(h.Field("hphInterestRate")), 1.5);
  EXPECT_EQ(db::AsText(h.Field("hphReprocessingType")), "A");
  EXPECT_EQ(db::AsText(h.Field("hphRemarks")), "settled early");
  EXPECT_EQ(db::AsText(h.Field("hphUserName")), "clerk");
  EXPECT_EQ(db::AsText(h.Field("hphProcessingdate")).substr(0, 10), "2024-03-15");

  db::Recordset d = m.con->Open("select * from aHpProcessingDetail where hpdProcessingID=? order by hpddetailID",
                                {I(2)});
  ASSERT_EQ(d.RecordCount(), 2);
  const double capital[] = {100000, 96400}, balance[] = {96400, 92700}, interest[] = {1400, 1300};
  for (int i = 0; i < 2; ++i, d.MoveNext()) {
    SCOPED_TRACE(i);
    EXPECT_EQ(db::AsInt(d.Field("hpddetailID")), i + 1);
    EXPECT_EQ(db::AsText(d.Field("hpdChequeNo")), "C" + std::to_string(i + 1));
    EXPECT_DOUBLE_EQ(db::AsDouble(d.Field("hpdCapital")), capital[i]);
    EXPECT_DOUBLE_EQ(db::AsDouble(d.Field("hpdInterest")), interest[i]);
    EXPECT_DOUBLE_EQ(db::AsDouble(d.Field("hpdCapitalBalance")), balance[i]);
    EXPECT_DOUBLE_EQ(db::AsDouble(d.Field("hpdSettlementAmount")), 5000);
    EXPECT_EQ(db::AsInt(d.Field("hpdDepartmentID")), 10);
    EXPECT_EQ(db::AsInt(d.Field("hpdPosted")), 0);
  }
  EXPECT_EQ(CountRows(*m.con, "ahpProcessingCashFlowDetail"), 0);
  EXPECT_EQ(CountRows(*m.con, "aHpProcessingHeader", "hphProcessingID=1 and hphAmended=1"), 1);
  EXPECT_EQ(CountRows(*m.con, "hpAuditTrail", "RecordID=2 and RecordNo='HP2' and Action='N'"), 1);
  EXPECT_EQ(reg.flexMaster.TextMatrix(1, 0), "2");
  EXPECT_EQ(reg.flexMaster.TextMatrix(1, 1), "HP2");
}

TEST(AfterSettlementSave, AProcessingAmendedMeanwhileIsNotReprocessedTwice) {
  testing::Module m;
  AddScenery(m);
  Register reg(m);
  WithScreen(m, [&](frmReprocessingAfterSettlemt& s) {
    ChooseAndReprocess(s);
    m.con->Execute("update aHpProcessingHeader set hphAmended=1 where hphProcessingID=1");
    Click(s, "cmdOk");
    EXPECT_TRUE(s.IsLoaded());
    EXPECT_EQ(m.host.LastMessage(), reprocessing::kAlreadyAmended);
  });
  EXPECT_EQ(CountRows(*m.con, "aHpProcessingHeader"), 1);
  EXPECT_EQ(CountRows(*m.con, "aHpProcessingDetail"), 10);
  EXPECT_EQ(CountRows(*m.con, "hpAuditTrail"), 0);
  EXPECT_EQ(reg.flexMaster.TextMatrix(1, 0), "");
}

// OK stores only a settled list built for the inputs shown.
struct StaleCase {
  std::string name;
  std::function<void(testing::Module&, frmReprocessingAfterSettlemt&)> act;
  int rentals;  // what Re-Process then stores
};
void PrintTo(const StaleCase& c, std::ostream* os) { *os << c.name; }

class StaleSchedule : public ::testing::TestWithParam<StaleCase> {};

TEST_P(StaleSchedule, IsNotStoredUntilReProcessed) {
  testing::Module m;
  AddScenery(m);
  WithScreen(m, [&](frmReprocessingAfterSettlemt& s) {
    ChooseAndReprocess(s);
    GetParam().act(m, s);
    Click(s, "cmdOk");
    EXPECT_EQ(m.host.LastMessage(), "Process the details .");
    EXPECT_EQ(CountRows(*m.con, "aHpProcessingHeader"), 1);
    if (s.lvwReProcessing.Count() > 0) m.host.Answer(MsgBoxResult::Yes);
    Click(s, "cmdReProcess");
    Click(s, "cmdOk");
    EXPECT_FALSE(s.IsLoaded()) << m.host.LastMessage();
  });
  EXPECT_EQ(CountRows(*m.con, "aHpProcessingDetail", "hpdProcessingID=2"), GetParam().rentals);
  EXPECT_EQ(CountRows(*m.con, "aHpProcessingHeader", "hphProcessingID=2 and hphNoOfRentals=?",
                      {I(GetParam().rentals)}),
            1);
}

INSTANTIATE_TEST_SUITE_P(
    AfterSettlement, StaleSchedule,
    ::testing::Values(StaleCase{"AfterReset",
                                [](testing::Module&, frmReprocessingAfterSettlemt& s) {
                                  Tick(s, "lvwPreDetails", 0, true);
                                  Click(s, "cmdelete");
                                },
                                1},
                      StaleCase{"RevisedNumberChangedAfterReProcess",
                                [](testing::Module&, frmReprocessingAfterSettlemt& s) {
                                  Paste(s, "txtNoRetals", "3");
                                },
                                3}),
    [](const auto& p) { return p.param.name; });

// ---- Edit ---------------------------------------------------------------------------

TEST(AfterSettlementEdit, SavesAgainUnderTheSameIdentifierAndNumber) {
  testing::Module m;
  AddStoredReprocessing(m);
  Register reg(m);
  WithStored(m, [&](frmReprocessingAfterSettlemt& s) {
    EXPECT_EQ(s.txtPNo.Text(), "HP2");
    EXPECT_EQ(s.cboPrrocNo.SelectedData(), 1);
    EXPECT_FALSE(s.cboPrrocNo.Enabled);
    EXPECT_EQ(s.txtNoRetals.Text(), "3");
    EXPECT_EQ(s.txtNoofRentals.Text(), "10");
    EXPECT_EQ(s.txtInvoice.Text(), "INV1");
    EXPECT_EQ(s.txtnewInstPrice.Text(), "34000.00");
    EXPECT_EQ(s.txtAdjCapitalBal.Text(), "106000.00");
    EXPECT_EQ(s.txtUnearnedIncomeBal.Text(), "6800.00");
    EXPECT_EQ(s.txtAdjustments.Text(), "99200.00");
    ASSERT_EQ(s.lvwPreDetails.Count(), 3);
    for (int i = 0; i < 3; ++i) {
      EXPECT_EQ(s.lvwPreDetails.Item(i).text, std::to_string(i + 1));
      EXPECT_EQ(s.lvwPreDetails.Item(i).SubItem(kChequeNo), "S" + std::to_string(i + 1));  // line order
    }
    EXPECT_EQ(s.txtTotRental.Text(), "15000.00");
    Paste(s, "txtnewInstPrice", "33000");
    Paste(s, "txtRemarks", "price corrected");
    Click(s, "cmdOk");
    EXPECT_FALSE(s.IsLoaded()) << m.host.LastMessage();
  });
  db::Recordset h = m.con->Open("select * from aHpProcessingHeader where hphProcessingNo='HP2'");
  ASSERT_EQ(h.RecordCount(), 1);
  EXPECT_EQ(db::AsInt(h.Field("hphProcessingID")), 2);
  EXPECT_EQ(db::AsInt(h.Field("hphReferenceID")), 1);
  EXPECT_EQ(db::AsInt(h.Field("hphreprocessaftersettlement")), 1);
  EXPECT_DOUBLE_EQ(db::AsDouble(h.Field("hphInstallmentPrice")), 33000);
  EXPECT_DOUBLE_EQ(db::AsDouble(h.Field("hphAdjustmentAmount")), 107000);
  EXPECT_DOUBLE_EQ(db::AsDouble(h.Field("hphBalanceInterest")), 6800);
  EXPECT_EQ(db::AsInt(h.Field("hphNoOfRentals")), 3);
  EXPECT_EQ(db::AsText(h.Field("hphRemarks")), "price corrected");
  // Carried over as stored.
  EXPECT_EQ(db::AsText(h.Field("hphReprocessingType")), "M");
  EXPECT_EQ(db::AsText(h.Field("hphcancelRemarks")), "typo");
  EXPECT_EQ(db::AsInt(h.Field("hphAmended")), 0);
  EXPECT_EQ(db::AsInt(h.Field("hphCancel")), 0);
  EXPECT_EQ(db::AsText(h.Field("hphUserName")), "creator");
  EXPECT_EQ(db::AsText(h.Field("hphUpdateUserName")), "clerk");
  EXPECT_FALSE(db::IsNull(h.Field("hphUpdateTime")));

  db::Recordset d = m.con->Open("select hpddetailID, hpdChequeNo, hpdSettlementAmount from aHpProcessingDetail "
                                "where hpdProcessingID=2 order by hpddetailID");
  ASSERT_EQ(d.RecordCount(), 3);
  for (int i = 1; i <= 3; ++i, d.MoveNext()) {
    EXPECT_EQ(db::AsInt(d.Field(0)), i);
    EXPECT_EQ(db::AsText(d.Field(1)), "S" + std::to_string(i));
    EXPECT_DOUBLE_EQ(db::AsDouble(d.Field(2)), 1000.0 * i);
  }
  EXPECT_EQ(CountRows(*m.con, "ahpProcessingCashFlowDetail"), 0);
  EXPECT_EQ(CountRows(*m.con, "aHpProcessingHeader", "hphProcessingID=1 and hphAmended=1"), 1);
  EXPECT_EQ(CountRows(*m.con, "hpAuditTrail", "RecordID=2 and RecordNo='HP2' and Action='E'"), 1);
}

struct FailureCase {
  std::string name;
  bool edit;
};
void PrintTo(const FailureCase& c, std::ostream* os) { *os << c.name; }

class FailingSave : public ::testing::TestWithParam<FailureCase> {};

// A statement failing after the stored rows were deleted (the lines cannot
// be written): the processing stays exactly as it was.
TEST_P(FailingSave, LeavesTheStoredProcessingAsItWas) {
  testing::Module m;
  const bool edit = GetParam().edit;
  if (edit)
    AddStoredReprocessing(m);
  else
    AddScenery(m);
  Register reg(m);
  const std::vector<std::string> before = StoredRows(m);
  const long headers = CountRows(*m.con, "aHpProcessingHeader"), lines = CountRows(*m.con, "aHpProcessingDetail");
  FailInserts(*m.con, "aHpProcessingDetail");
  auto save = [&](frmReprocessingAfterSettlemt& s) {
    if (!edit) ChooseAndReprocess(s);
    Paste(s, "txtRemarks", "changed");
    Click(s, "cmdOk");
    EXPECT_TRUE(s.IsLoaded());
    EXPECT_EQ(m.host.LastMessage(), shell::kSaveFailed);
  };
  if (edit)
    WithStored(m, save);
  else
    WithScreen(m, save);
  EXPECT_EQ(StoredRows(m), before);
  EXPECT_EQ(CountRows(*m.con, "aHpProcessingHeader"), headers);
  EXPECT_EQ(CountRows(*m.con, "aHpProcessingDetail"), lines);
  EXPECT_EQ(CountRows(*m.con, "aHpProcessingHeader", "hphProcessingID=1 and hphAmended=1"), edit ? 1 : 0);
  EXPECT_EQ(CountRows(*m.con, "hpAuditTrail"), 0);
  EXPECT_EQ(CountRows(*m.con, "hpErrorLog", "RoutineName='cmdOk_Click'"), 1);
  EXPECT_EQ(reg.flexMaster.TextMatrix(1, 1), "");
  EXPECT_FALSE(m.con->InTransaction());
}

INSTANTIATE_TEST_SUITE_P(AfterSettlement, FailingSave,
                         ::testing::Values(FailureCase{"New", false}, FailureCase{"Edit", true}),
                         [](const auto& p) { return p.param.name; });

// The stored processing changed after it was opened: saving it again is
// refused and nothing changes.
struct RefusalCase {
  std::string name;
  std::string change;
  std::string message;
};
void PrintTo(const RefusalCase& c, std::ostream* os) { *os << c.name; }

class EditRefused : public ::testing::TestWithParam<RefusalCase> {};

TEST_P(EditRefused, WhenTheStoredProcessingMayNotChange) {
  testing::Module m;
  AddStoredReprocessing(m);
  WithStored(m, [&](frmReprocessingAfterSettlemt& s) {
    m.con->Execute(GetParam().change);
    const std::vector<std::string> before = StoredRows(m);
    Paste(s, "txtRemarks", "changed");
    Click(s, "cmdOk");
    EXPECT_TRUE(s.IsLoaded());
    EXPECT_EQ(m.host.LastMessage(), GetParam().message);
    EXPECT_EQ(StoredRows(m), before);
  });
  EXPECT_EQ(CountRows(*m.con, "hpAuditTrail"), 0);
  EXPECT_EQ(CountRows(*m.con, "hpErrorLog"), 0);
}

INSTANTIATE_TEST_SUITE_P(
    AfterSettlement, EditRefused,
    ::testing::Values(
        RefusalCase{"Cancelled", "update aHpProcessingHeader set hphCancel=1 where hphProcessingID=2", kEditCancelled},
        RefusalCase{"Amended", "update aHpProcessingHeader set hphAmended=1 where hphProcessingID=2", kEditAmended},
        RefusalCase{"AdjustmentPosted", "update aHpProcessingHeader set hphAdjustmentPosted=1 where hphProcessingID=2",
                    kEditPosted},
        RefusalCase{"LinePosted", "update aHpProcessingDetail set hpdPosted=1 where hpdProcessingID=2 and hpddetailID=3",
                    kEditPosted},
        RefusalCase{"NullAfterSettlementFlag",
                    "update aHpProcessingHeader set hphreprocessaftersettlement=null where hphProcessingID=2",
                    kEditNotAfterSettlement}),
    [](const auto& p) { return p.param.name; });

class StoredNotOpened : public ::testing::TestWithParam<RefusalCase> {};

TEST_P(StoredNotOpened, TellsWhy) {
  testing::Module m;
  AddStoredReprocessing(m);
  m.con->Execute(GetParam().change);
  m.bas.GStrMasterNewEditFlag = "E";
  m.bas.lngEditProcessingID = 2;
  frmReprocessingAfterSettlemt s(m.bas);
  s.Load();
  EXPECT_FALSE(s.LoadStored(2));
  EXPECT_EQ(m.host.LastMessage(), GetParam().message);
}

INSTANTIATE_TEST_SUITE_P(
    AfterSettlement, StoredNotOpened,
    ::testing::Values(
        RefusalCase{"AdjustmentPosted", "update aHpProcessingHeader set hphAdjustmentPosted=1 where hphProcessingID=2",
                    kEditPosted},
        RefusalCase{"NullAfterSettlementFlag",
                    "update aHpProcessingHeader set hphreprocessaftersettlement=null where hphProcessingID=2",
                    kEditNotAfterSettlement}),
    [](const auto& p) { return p.param.name; });

}  // namespace
}  // namespace hp::aftersettlement
