// Storing a re-processing after settlement: what the rows hold, a stored one
// saved again under its own identifier and number, and every OK that must
// store nothing.
#include "after_settlement_world.h"
#include "platform/forms/flex_grid.h"
#include "reprocessing/reprocessing_records.h"
#include "support/database.h"

namespace hp::aftersettlement {
namespace {

using testing::Click;
using testing::CountRows;
using testing::Paste;
using Texts = std::vector<std::string>;

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

// Processing 1 of ten rentals, lines 1, 2 and 5 settled (5000 each), interest
// 1500 - 100 x line. With `stored`, processing 2 besides: its re-processing
// after settlement (so 1 is amended) by "creator", type "M", three lines
// stored out of line order, one cash-flow row and a cancellation remark.
void AddScenery(testing::Module& m, bool stored = false) {
  AddCustomerAndInvoice(m);
  AddSettled(m, 1, Ten([](int d) { return LineRow{d, d == 1 || d == 2 || d == 5 ? 5000.0 : 0.0, 1500.0 - 100 * d}; }),
             stored);
  if (!stored) return;
  testing::AddProcessing(*m.con, {.id = 2, .number = "HP2", .reference = 1, .after_settlement = 1,
                                  .adjustment_posted = 0, .rentals = 3, .rate = 1.5, .installment_price = 34000,
                                  .user_name = "creator"});
  for (int d : {3, 1, 2}) testing::AddProcessingLine(*m.con, 1, 2, d, Spec({d, 1000.0 * d, 100}, "S"));
  testing::AddCashFlowLine(*m.con, 1, 2, 1, 0.98, 5000, 4900);
  testing::SetReprocessingFigures(*m.con, 2, 106000, 6800);
  m.con->Execute(
      "update aHpProcessingHeader set hphRemarks='first save', hphReprocessingType='M', hphcancelRemarks='typo' "
      "where hphProcessingID=2");
}

// Chooses processing 1 and re-processes it to two rentals.
void ChooseAndReprocess(Screen& s) {
  ChooseProcessing(s);
  Paste(s, "txtNoRetals", "2");
  Click(s, "cmdReProcess");
}

// Every stored row, to compare before and after.
Texts StoredRows(testing::Module& m) {
  Texts rows;
  for (const char* sql : {"select * from aHpProcessingHeader order by hphProcessingID",
                          "select * from aHpProcessingDetail order by hpdProcessingID, hpddetailID",
                          "select * from ahpProcessingCashFlowDetail order by hpcProcessingID, hpcdetailID"})
    for (db::Recordset rs = m.con->Open(sql); !rs.Eof(); rs.MoveNext()) {
      rows.emplace_back();
      for (int i = 0; i < rs.FieldCount(); ++i) rows.back() += db::AsText(rs.Field(i)) + "|";
    }
  return rows;
}

std::vector<double> Numbers(const db::Recordset& rs, const std::vector<const char*>& fields) {
  std::vector<double> v;
  for (const char* f : fields) v.push_back(db::AsDouble(rs.Field(f)));
  return v;
}
Texts Strings(const db::Recordset& rs, const std::vector<const char*>& fields) {
  Texts v;
  for (const char* f : fields) v.push_back(db::AsText(rs.Field(f)));
  return v;
}

TEST(AfterSettlementSave, StoresTheSettledListAsANewProcessing) {
  testing::Module m;
  AddScenery(m);
  Register reg(m);
  WithScreen(m, [&](Screen& s) {
    ChooseAndReprocess(s);
    Paste(s, "txtnewInstPrice", "34000");
    Paste(s, "txtRemarks", "settled early");
    Click(s, "cmdOk");
    EXPECT_FALSE(s.IsLoaded()) << m.host.LastMessage();
  });
  db::Recordset h = m.con->Open("select * from aHpProcessingHeader where hphReferenceID=1");
  ASSERT_EQ(h.RecordCount(), 1);
  // Adjusted capital 140000 - 34000; unearned income 9500 - 1400 - 1300.
  EXPECT_EQ(Numbers(h, {"hphProcessingID", "hphreprocessaftersettlement", "hphAdjustmentPosted", "hphAmended",
                        "hphCancel", "hphNoOfRentals", "hphInvoiceID", "hphInstallmentPrice", "hphAdjustmentAmount",
                        "hphBalanceInterest", "hphCashPrice", "hphInterestRate"}),
            (std::vector<double>{2, 1, 0, 0, 0, 2, 1, 34000, 106000, 6800, 120000, 1.5}));
  EXPECT_EQ(Strings(h, {"hphProcessingNo", "hphReprocessingType", "hphRemarks", "hphUserName"}),
            (Texts{"HP2", "A", "settled early", "clerk"}));
  EXPECT_EQ(db::AsText(h.Field("hphProcessingdate")).substr(0, 10), "2024-03-15");
  db::Recordset d = m.con->Open("select * from aHpProcessingDetail where hpdProcessingID=2 order by hpddetailID");
  ASSERT_EQ(d.RecordCount(), 2);
  const std::vector<std::vector<double>> lines = {{1, 100000, 1400, 96400, 5000, 10, 0},
                                                  {2, 96400, 1300, 92700, 5000, 10, 0}};
  for (int i = 0; i < 2; ++i, d.MoveNext()) {
    EXPECT_EQ(db::AsText(d.Field("hpdChequeNo")), "C" + std::to_string(i + 1));
    EXPECT_EQ(Numbers(d, {"hpddetailID", "hpdCapital", "hpdInterest", "hpdCapitalBalance", "hpdSettlementAmount",
                          "hpdDepartmentID", "hpdPosted"}),
              lines[i]);
  }
  EXPECT_EQ(CountRows(*m.con, "ahpProcessingCashFlowDetail"), 0);
  EXPECT_EQ(CountRows(*m.con, "aHpProcessingHeader", "hphProcessingID=1 and hphAmended=1"), 1);
  EXPECT_EQ(CountRows(*m.con, "hpAuditTrail", "RecordID=2 and RecordNo='HP2' and Action='N'"), 1);
  EXPECT_EQ((Texts{reg.flexMaster.TextMatrix(1, 0), reg.flexMaster.TextMatrix(1, 1)}), (Texts{"2", "HP2"}));
}

TEST(AfterSettlementEdit, SavesAgainUnderTheSameIdentifierAndNumber) {
  testing::Module m;
  AddScenery(m, true);
  Register reg(m);
  WithScreen(
      m,
      [&](Screen& s) {
        EXPECT_EQ(s.cboPrrocNo.SelectedData(), 1);
        EXPECT_FALSE(s.cboPrrocNo.Enabled);
        EXPECT_EQ((Texts{s.txtPNo.Text(), s.txtNoRetals.Text(), s.txtNoofRentals.Text(), s.txtInvoice.Text(),
                         s.txtnewInstPrice.Text(), s.txtAdjCapitalBal.Text(), s.txtUnearnedIncomeBal.Text(),
                         s.txtAdjustments.Text(), s.txtTotRental.Text()}),
                  (Texts{"HP2", "3", "10", "INV1", "34000.00", "106000.00", "6800.00", "99200.00", "15000.00"}));
        EXPECT_EQ(ChequesOf(s.lvwPreDetails), (Texts{"S1", "S2", "S3"}));  // line order
        Paste(s, "txtnewInstPrice", "33000");
        Paste(s, "txtRemarks", "price corrected");
        Click(s, "cmdOk");
        EXPECT_FALSE(s.IsLoaded()) << m.host.LastMessage();
      },
      2);
  db::Recordset h = m.con->Open("select * from aHpProcessingHeader where hphProcessingNo='HP2'");
  ASSERT_EQ(h.RecordCount(), 1);
  EXPECT_EQ(Numbers(h, {"hphProcessingID", "hphReferenceID", "hphreprocessaftersettlement", "hphInstallmentPrice",
                        "hphAdjustmentAmount", "hphBalanceInterest", "hphNoOfRentals", "hphAmended", "hphCancel"}),
            (std::vector<double>{2, 1, 1, 33000, 107000, 6800, 3, 0, 0}));
  // Type, cancellation remark and creator carried over as stored.
  EXPECT_EQ(Strings(h, {"hphRemarks", "hphReprocessingType", "hphcancelRemarks", "hphUserName", "hphUpdateUserName"}),
            (Texts{"price corrected", "M", "typo", "creator", "clerk"}));
  EXPECT_FALSE(db::IsNull(h.Field("hphUpdateTime")));
  db::Recordset d = m.con->Open("select * from aHpProcessingDetail where hpdProcessingID=2 order by hpddetailID");
  ASSERT_EQ(d.RecordCount(), 3);
  for (int i = 1; i <= 3; ++i, d.MoveNext()) {
    EXPECT_EQ(db::AsText(d.Field("hpdChequeNo")), "S" + std::to_string(i));
    EXPECT_EQ(Numbers(d, {"hpddetailID", "hpdSettlementAmount"}), (std::vector<double>{1.0 * i, 1000.0 * i}));
  }
  EXPECT_EQ(CountRows(*m.con, "ahpProcessingCashFlowDetail"), 0);
  EXPECT_EQ(CountRows(*m.con, "aHpProcessingHeader", "hphProcessingID=1 and hphAmended=1"), 1);
  EXPECT_EQ(CountRows(*m.con, "hpAuditTrail", "RecordID=2 and RecordNo='HP2' and Action='E'"), 1);
}

// OK that must store nothing: first the stale-schedule sequences (the settled
// list no longer built for the inputs shown, or the revised number unusable),
// then a claim lost to another user, a statement failing half-way (new and
// saved again) and a stored flag turned null after the window was opened.
// Each answers its message, leaves every row as it was before OK and leaves
// the register and the audit trail alone.
struct RefusedCase {
  std::string name;
  std::function<void(testing::Module&, Screen&)> step;
  std::string message;
  int stored = 0;  // the stored processing opened, 0 for a new one
};
void PrintTo(const RefusedCase& c, std::ostream* os) { *os << c.name; }

class OkStoresNothing : public ::testing::TestWithParam<RefusedCase> {};

TEST_P(OkStoresNothing, AndTellsWhy) {
  const RefusedCase& c = GetParam();
  testing::Module m;
  AddScenery(m, c.stored != 0);
  Register reg(m);
  WithScreen(
      m,
      [&](Screen& s) {
        if (!c.stored) ChooseAndReprocess(s);
        c.step(m, s);
        const Texts before = StoredRows(m);
        Click(s, "cmdOk");
        EXPECT_EQ(m.host.LastMessage(), c.message);
        EXPECT_TRUE(s.IsLoaded());
        EXPECT_EQ(StoredRows(m), before);
      },
      c.stored);
  EXPECT_EQ(CountRows(*m.con, "hpAuditTrail"), 0);
  EXPECT_EQ(CountRows(*m.con, "hpErrorLog", "RoutineName='cmdOk_Click'"), c.message == shell::kSaveFailed ? 1 : 0);
  EXPECT_EQ(reg.flexMaster.TextMatrix(1, 0), "");
  EXPECT_FALSE(m.con->InTransaction());
}

RefusedCase Revised(const std::string& name, const std::string& text, const std::string& message) {
  return {name, [text](testing::Module&, Screen& s) { Paste(s, "txtNoRetals", text); }, message};
}
// A change to store, then `sql`.
RefusedCase Meanwhile(const std::string& name, const std::string& sql, const std::string& message, int stored = 0) {
  return {name,
          [sql](testing::Module& m, Screen& s) {
            Paste(s, "txtRemarks", "changed");
            m.con->Execute(sql);
          },
          message, stored};
}
RefusedCase LinesFail(const std::string& name, int stored) {
  return {name,
          [](testing::Module& m, Screen& s) {
            Paste(s, "txtRemarks", "changed");
            testing::FailWrites(*m.con, "aHpProcessingDetail", "insert");
          },
          shell::kSaveFailed, stored};
}

INSTANTIATE_TEST_SUITE_P(
    AfterSettlement, OkStoresNothing,
    ::testing::Values(
        RefusedCase{"StaleAfterReset",
                    [](testing::Module&, Screen& s) {
                      testing::Tick(s, "lvwPreDetails", 0, true);
                      Click(s, "cmdelete");
                    },
                    "Process the details ."},
        Revised("StaleRevisedNumberChanged", "3", "Process the details ."),
        Revised("RevisedNumberFractional", "12.5", "Enter No of Rentals ."),
        Revised("RevisedNumberZero", "0", "Enter No of Rentals ."),
        Revised("RevisedNumberEmpty", "", "Enter No of Rentals ."),
        // Enter in the rental derives a new revised number (10000 / 2500).
        RefusedCase{"StaleRentalEnteredDerivesANewNumber",
                    [](testing::Module&, Screen& s) {
                      Paste(s, "txtRentalAmount", "2500");
                      testing::Key(s, "txtRentalAmount", 13);
                      ASSERT_EQ(s.txtNoRetals.Text(), "4.00");
                    },
                    "Process the details ."},
        RefusedCase{"StaleModeSwitchedWithClearing",
                    [](testing::Module& m, Screen& s) {
                      m.host.Answer(forms::MsgBoxResult::Yes);
                      Click(s, "optMan");
                    },
                    "Select a Processing No ."},
        Meanwhile("ProcessingAmendedMeanwhile", "update aHpProcessingHeader set hphAmended=1 where hphProcessingID=1",
                  reprocessing::kAlreadyAmended),
        LinesFail("LinesFailOnANewOne", 0), LinesFail("LinesFailWhenSavedAgain", 2),
        Meanwhile("NullAfterSettlementFlagMeanwhile",
                  "update aHpProcessingHeader set hphreprocessaftersettlement=null where hphProcessingID=2",
                  kEditNotAfterSettlement, 2)),
    [](const auto& p) { return p.param.name; });

// A null flag reads as "not a re-processing after settlement"; a posted
// adjustment may not change. Neither is opened.
TEST(AfterSettlementEdit, IsNotOpenedWithANullFlagOrAPostedAdjustment) {
  for (const auto& [column, value, message] : {std::tuple{"hphreprocessaftersettlement", "null", kEditNotAfterSettlement},
                                               std::tuple{"hphAdjustmentPosted", "1", kEditPosted}}) {
    SCOPED_TRACE(column);
    testing::Module m;
    AddScenery(m, true);
    m.con->Execute(std::string("update aHpProcessingHeader set ") + column + "=" + value + " where hphProcessingID=2");
    m.bas.GStrMasterNewEditFlag = "E";
    Screen s(m.bas);
    s.Load();
    EXPECT_FALSE(s.LoadStored(2));
    EXPECT_EQ(m.host.LastMessage(), message);
  }
}

}  // namespace
}  // namespace hp::aftersettlement
