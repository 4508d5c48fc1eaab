// Storing a re-processing after settlement: what the rows hold, a stored one
// saved again under its own identifier and number, and every OK that must
// store nothing.
#include "after_settlement_world.h"
#include "platform/forms/flex_grid.h"
#include "reprocessing/reprocessing_records.h"

namespace hp::aftersettlement {
namespace {

// The register's grid, refreshed by a save from the register's own query.
struct Register : forms::Form {
  explicit Register(t::Module& m) : Form(m.host, "FrmMaster"), flexMaster(*this, "flexMaster") {
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
// after settlement (so 1 is amended) by "creator", with header figures of its
// own, type "M", three lines stored out of line order, one cash-flow row and a
// cancellation remark.
struct Scenery : World {
  Register reg{m};
  explicit Scenery(bool stored = false) {
    Settled(1, Ten([](int d) { return LineRow{d, d == 1 || d == 2 || d == 5 ? 5000.0 : 0.0, 1500.0 - 100 * d}; }),
            stored);
    if (!stored) return;
    t::AddProcessing(*m.con, {.id = 2, .number = "HP2", .date = "2024-03-12", .reference = 1, .after_settlement = 1,
                              .adjustment_posted = 0, .cash_price = 110000, .balance = 60000, .rentals = 3, .rate = 1.5,
                              .installment_price = 34000, .rental = 6000, .user_name = "creator"});
    for (int d : {3, 1, 2}) t::AddProcessingLine(*m.con, 1, 2, d, Spec({d, 1000.0 * d, 100}, "S"));
    t::AddCashFlowLine(*m.con, 1, 2, 1, 0.98, 5000, 4900);
    t::SetReprocessingFigures(*m.con, 2, 106000, 6800);
    m.con->Execute("update aHpProcessingHeader set hphRemarks='first save', hphReprocessingType='M', "
                   "hphcancelRemarks='typo' where hphProcessingID=2");
  }
  // Columns of the rows a query selects, each followed by '|', a line a row.
  std::string Query(const std::string& sql) {
    std::string all;
    for (db::Recordset rs = m.con->Open(sql); !rs.Eof(); rs.MoveNext(), all += "\n")
      for (int i = 0; i < rs.FieldCount(); ++i) all += db::AsText(rs.Field(i)) + "|";
    return all;
  }
  std::string Stored() {
    return Query("select * from aHpProcessingHeader order by hphProcessingID") +
           Query("select * from aHpProcessingDetail order by hpdProcessingID, hpddetailID") +
           Query("select * from ahpProcessingCashFlowDetail order by hpcProcessingID, hpcdetailID");
  }
};

// The named columns (between blanks) of the current row, as numbers or as text.
std::vector<double> Numbers(const db::Recordset& rs, const std::string& columns) {
  std::vector<double> v;
  std::istringstream in(columns);
  for (std::string c; in >> c;) v.push_back(db::AsDouble(rs.Field(c)));
  return v;
}
std::string Strings(const db::Recordset& rs, const std::string& columns) {
  std::string all;
  std::istringstream in(columns);
  for (std::string c; in >> c;) all += db::AsText(rs.Field(c)) + "|";
  return all;
}
db::Recordset Header(World& w, int id) {
  return w.m.con->Open("select * from aHpProcessingHeader where hphProcessingID=?", {std::int64_t{id}});
}

// Chooses processing 1 and re-processes it to two rentals.
void ChooseAndReprocess(Screen& s) {
  ChooseProcessing(s);
  t::Paste(s, "txtNoRetals", "2");
  t::Click(s, "cmdReProcess");
}

TEST(AfterSettlementSave, StoresTheSettledListAsANewProcessing) {
  Scenery w;
  w.Show([&](Screen& s) {
    ChooseAndReprocess(s);
    t::Paste(s, "txtnewInstPrice", "34000");
    t::Paste(s, "txtRemarks", "settled early");
    t::Click(s, "cmdOk");
    EXPECT_FALSE(s.IsLoaded()) << w.m.host.LastMessage();
  });
  // Adjusted capital 140000 - 34000; unearned income 9500 - 1400 - 1300.
  ASSERT_EQ(w.Count("aHpProcessingHeader", "hphReferenceID=1"), 1);
  db::Recordset h = Header(w, 2);
  EXPECT_EQ(Numbers(h, "hphReferenceID hphreprocessaftersettlement hphAdjustmentPosted hphAmended hphCancel "
                       "hphNoOfRentals hphInvoiceID hphInstallmentPrice hphAdjustmentAmount hphBalanceInterest "
                       "hphCashPrice hphInterestRate"),
            (std::vector<double>{1, 1, 0, 0, 0, 2, 1, 34000, 106000, 6800, 120000, 1.5}));
  EXPECT_EQ(Strings(h, "hphProcessingNo hphReprocessingType hphRemarks hphUserName"), "HP2|A|settled early|clerk|");
  EXPECT_EQ(db::AsText(h.Field("hphProcessingdate")).substr(0, 10), "2024-03-15");
  db::Recordset d = w.m.con->Open("select * from aHpProcessingDetail where hpdProcessingID=2 order by hpddetailID");
  ASSERT_EQ(d.RecordCount(), 2);
  const std::vector<std::vector<double>> lines = {{1, 100000, 1400, 96400, 5000, 10, 0},
                                                  {2, 96400, 1300, 92700, 5000, 10, 0}};
  for (int i = 0; i < 2; ++i, d.MoveNext()) {
    EXPECT_EQ(db::AsText(d.Field("hpdChequeNo")), "C" + std::to_string(i + 1));
    EXPECT_EQ(Numbers(d, "hpddetailID hpdCapital hpdInterest hpdCapitalBalance hpdSettlementAmount hpdDepartmentID "
                         "hpdPosted"),
              lines[i]);
  }
  EXPECT_EQ(w.Count("ahpProcessingCashFlowDetail"), 0);
  EXPECT_EQ(w.Count("aHpProcessingHeader", "hphProcessingID=1 and hphAmended=1"), 1);
  EXPECT_EQ(w.Count("hpAuditTrail", "RecordID=2 and RecordNo='HP2' and Action='N'"), 1);
  EXPECT_EQ(w.reg.flexMaster.TextMatrix(1, 0) + w.reg.flexMaster.TextMatrix(1, 1), "2HP2");
}

// The register's Edit of a stored re-processing after settlement (2). A
// cancelled, amended or posted one, whether so when opened or made so while
// open, is refused on OK and nothing is stored; one with a null flag or a
// posted adjustment is not even opened. Allowed, it is stored anew under the
// same identifier and number, keeping every stored column but those the user
// changed, and its lines in line order.
TEST(AfterSettlementEdit, RefusesDeadOrPostedOnesAndOtherwiseKeepsWhatWasStored) {
  const std::string kKept =
      "hphProcessingID, hphProcessingNo, hphCompanyID, hphDepartmentID, hphProcessingdate, hphCustomerID, "
      "hphInvoiceID, hphUsed, hphFinancialID, hphAmended, hphCancel, hphcancelRemarks, hphCashPrice, hphDownPayment, "
      "hphbalance, hphNoOfRentals, hphInterestRate, hphRentalAmount, hphReprocessingType, hphReferenceID, "
      "hphreprocessaftersettlement, hphBalanceInterest, hphAdjustmentPosted, hphUserName";
  const std::string set = "update aHpProcessingHeader set ", of2 = " where hphProcessingID=2";
  struct Case {
    const char* name;
    std::string change, message;  // message empty: saved
    bool while_open = false, opens = true;
  } cases[] = {
      {"Cancelled", set + "hphCancel=1" + of2, kEditCancelled},
      {"Amended", set + "hphAmended=1" + of2, kEditAmended},
      {"LastLinePosted", "update aHpProcessingDetail set hpdPosted=1 where hpdProcessingID=2 and hpddetailID=3",
       kEditPosted},
      {"AdjustmentPostedWhileOpen", set + "hphAdjustmentPosted=1" + of2, kEditPosted, true},
      {"NullFlagWhileOpen", set + "hphreprocessaftersettlement=null" + of2, kEditNotAfterSettlement, true},
      {"AdjustmentPosted", set + "hphAdjustmentPosted=1" + of2, kEditPosted, false, false},
      {"NullFlag", set + "hphreprocessaftersettlement=null" + of2, kEditNotAfterSettlement, false, false},
      {"Allowed", "", ""}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Scenery w(true);
    if (!c.while_open && !c.change.empty()) w.m.con->Execute(c.change);
    std::string before = w.Stored(), kept = w.Query("select " + kKept + " from aHpProcessingHeader" + of2);
    const std::string lines = w.Query("select * from aHpProcessingDetail where hpdProcessingID=2 order by hpddetailID");
    const bool opened = w.Show(
        [&](Screen& s) {
          EXPECT_EQ(s.cboPrrocNo.SelectedData(), 1);
          EXPECT_FALSE(s.cboPrrocNo.Enabled);
          EXPECT_EQ(Boxes(s, "txtPNo txtNoRetals txtNoofRentals txtInvoice txtnewInstPrice txtAdjCapitalBal "
                             "txtUnearnedIncomeBal txtAdjustments txtTotRental"),
                    "HP2|3|10|INV1|34000.00|106000.00|6800.00|99200.00|15000.00|");
          EXPECT_EQ(ChequesOf(s.lvwPreDetails), (Texts{"S1", "S2", "S3"}));  // line order
          if (c.while_open) w.m.con->Execute(c.change), before = w.Stored();
          t::Paste(s, "txtnewInstPrice", "33000");
          t::Paste(s, "txtRemarks", "price corrected");
          t::Click(s, "cmdOk");
          EXPECT_EQ(s.IsLoaded(), !c.message.empty());
        },
        2);
    EXPECT_EQ(opened, c.opens);
    EXPECT_EQ(w.m.host.LastMessage(), c.message);
    EXPECT_EQ(w.Count("hpErrorLog"), 0);
    EXPECT_FALSE(w.m.con->InTransaction());
    if (!c.message.empty()) {
      EXPECT_EQ(w.Stored(), before);
      EXPECT_EQ(w.Count("hpAuditTrail"), 0);
      EXPECT_EQ(w.reg.flexMaster.TextMatrix(1, 0), "");
      continue;
    }
    EXPECT_EQ(w.Query("select " + kKept + " from aHpProcessingHeader" + of2), kept);
    // The adjusted capital balance follows the new price: 140000 - 33000.
    db::Recordset h = Header(w, 2);
    EXPECT_EQ(Numbers(h, "hphInstallmentPrice hphAdjustmentAmount"), (std::vector<double>{33000, 107000}));
    EXPECT_EQ(Strings(h, "hphRemarks hphUpdateUserName"), "price corrected|clerk|");
    EXPECT_FALSE(db::IsNull(h.Field("hphUpdateTime")));
    EXPECT_EQ(w.Query("select * from aHpProcessingDetail where hpdProcessingID=2 order by hpddetailID"), lines);
    EXPECT_EQ(w.Count("ahpProcessingCashFlowDetail"), 0);
    EXPECT_EQ(w.Count("aHpProcessingHeader", "hphProcessingID=1 and hphAmended=1"), 1);
    EXPECT_EQ(w.Count("hpAuditTrail", "RecordID=2 and RecordNo='HP2' and Action='E'"), 1);
  }
}

// OK that must store nothing: the settled list no longer built for the inputs
// shown, the revised number unusable, or the processing claimed meanwhile by
// another user's re-processing. Each answers its message and leaves every row,
// the register and the audit trail as they were.
TEST(OkStoresNothing, AndTellsWhy) {
  using Step = std::function<void(t::Module&, Screen&)>;
  auto revised = [](const char* text) -> Step { return [=](t::Module&, Screen& s) { t::Paste(s, "txtNoRetals", text); }; };
  const std::string stale = "Process the details .", rentals = "Enter No of Rentals .";
  struct Case {
    const char* name;
    Step step;
    std::string message;
  } cases[] = {
      {"StaleAfterReset", [](t::Module&, Screen& s) { t::Tick(s, "lvwPreDetails", 0, true), t::Click(s, "cmdelete"); },
       stale},
      {"StaleRevisedNumberChanged", revised("3"), stale},
      {"RevisedNumberFractional", revised("12.5"), rentals},
      {"RevisedNumberZero", revised("0"), rentals},
      {"RevisedNumberEmpty", revised(""), rentals},
      // Enter in the rental derives a new revised number (10000 / 2500).
      {"StaleRentalEnteredDerivesANewNumber",
       [](t::Module&, Screen& s) {
         t::Paste(s, "txtRentalAmount", "2500"), t::Key(s, "txtRentalAmount", 13);
         ASSERT_EQ(s.txtNoRetals.Text(), "4.00");
       },
       stale},
      {"StaleModeSwitchedWithClearing",
       [](t::Module& m, Screen& s) { m.host.Answer(forms::MsgBoxResult::Yes), t::Click(s, "optMan"); },
       "Select a Processing No ."},
      {"ProcessingAmendedMeanwhile",
       [](t::Module& m, Screen& s) {
         t::Paste(s, "txtRemarks", "changed");
         m.con->Execute("update aHpProcessingHeader set hphAmended=1 where hphProcessingID=1");
       },
       reprocessing::kAlreadyAmended}};
  for (const auto& [name, step, message] : cases) {
    SCOPED_TRACE(name);
    Scenery w;
    w.Show([&](Screen& s) {
      ChooseAndReprocess(s);
      step(w.m, s);
      const std::string before = w.Stored();
      t::Click(s, "cmdOk");
      EXPECT_EQ(w.m.host.LastMessage(), message);
      EXPECT_TRUE(s.IsLoaded());
      EXPECT_EQ(w.Stored(), before);
    });
    EXPECT_EQ(w.Count("hpAuditTrail") + w.Count("hpErrorLog"), 0);
    EXPECT_EQ(w.reg.flexMaster.TextMatrix(1, 0), "");
    EXPECT_FALSE(w.m.con->InTransaction());
  }
}

}  // namespace
}  // namespace hp::aftersettlement
