// Storing a re-processing after settlement: a new one, a stored one saved
// again, and every OK that must store nothing.
#include "after_settlement_world.h"
#include "reprocessing/reprocessing_records.h"

namespace hp::aftersettlement {
namespace {

// Processing 1 of ten rentals, lines 1, 2 and 5 settled (5000 each), interest
// 1500 - 100 x line. With `stored`, also 2: its re-processing after settlement
// with figures of its own, lines out of order, a cash-flow row and a remark.
struct Scenery : World {
  // The register's grid, refreshed by a save from the register's own query.
  t::RegisterStub reg{m, 3,
                      "select hphProcessingID, hphProcessingNo, hphAmended from aHpProcessingHeader where hphCompanyID=?"};
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

// Every column of every row `sql` selects, as numbers, row after row.
std::vector<double> Numbers(World& w, const std::string& sql) {
  std::vector<double> v;
  for (db::Recordset rs = w.m.con->Open(sql); !rs.Eof(); rs.MoveNext())
    for (int i = 0; i < rs.FieldCount(); ++i) v.push_back(db::AsDouble(rs.Field(i)));
  return v;
}

// Chooses processing 1 and re-processes it to two rentals.
void ChooseAndReprocess(Screen& s) { ChooseProcessing(s), t::Paste(s, "txtNoRetals", "2"), t::Click(s, "cmdReProcess"); }

TEST(AfterSettlementSave, StoresTheSettledListAsANewProcessing) {
  Scenery w;
  w.Show([&](Screen& s) {
    ChooseAndReprocess(s);
    t::Paste(s, "txtnewInstPrice", "34000"), t::Paste(s, "txtRemarks", "settled early"), t::Click(s, "cmdOk");
    EXPECT_FALSE(s.IsLoaded()) << w.m.host.LastMessage();
  });
  // Adjusted capital 140000 - 34000; unearned income 9500 - 1400 - 1300.
  ASSERT_EQ(w.Count("aHpProcessingHeader", "hphReferenceID=1"), 1);
  EXPECT_EQ(Numbers(w, "select hphReferenceID, hphreprocessaftersettlement, hphAdjustmentPosted, hphAmended, "
                       "hphCancel, hphNoOfRentals, hphInvoiceID, hphInstallmentPrice, hphAdjustmentAmount, "
                       "hphBalanceInterest, hphCashPrice, hphInterestRate from aHpProcessingHeader where hphProcessingID=2"),
            (std::vector<double>{1, 1, 0, 0, 0, 2, 1, 34000, 106000, 6800, 120000, 1.5}));
  EXPECT_EQ(w.Query("select hphProcessingNo, hphReprocessingType, hphRemarks, hphUserName, hphProcessingdate "
                    "from aHpProcessingHeader where hphProcessingID=2").substr(0, 36),
            "HP2|A|settled early|clerk|2024-03-15");
  const std::string lines = " from aHpProcessingDetail where hpdProcessingID=2 order by hpddetailID";
  EXPECT_EQ(w.Query("select hpdChequeNo" + lines), "C1|\nC2|\n");
  EXPECT_EQ(Numbers(w, "select hpddetailID, hpdCapital, hpdInterest, hpdCapitalBalance, hpdSettlementAmount, "
                       "hpdDepartmentID, hpdPosted" + lines),
            (std::vector<double>{1, 100000, 1400, 96400, 5000, 10, 0, 2, 96400, 1300, 92700, 5000, 10, 0}));
  EXPECT_EQ(w.Count("ahpProcessingCashFlowDetail"), 0);
  EXPECT_EQ(w.Count("aHpProcessingHeader", "hphProcessingID=1 and hphAmended=1"), 1);
  EXPECT_EQ(w.Count("hpAuditTrail", "RecordID=2 and RecordNo='HP2' and Action='N'"), 1);
  EXPECT_EQ(w.reg.flexMaster.TextMatrix(1, 0) + w.reg.flexMaster.TextMatrix(1, 1), "2HP2");
}

// Edit of stored re-processing 2: cancelled, amended or posted (when opened or
// while open) is refused on OK, a null flag or posted adjustment not opened;
// allowed, it is stored under the same identifier keeping what was not changed.
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
    const std::string lines_of2 = "select * from aHpProcessingDetail where hpdProcessingID=2 order by hpddetailID",
                      lines = w.Query(lines_of2);
    const bool opened = w.Show(
        [&](Screen& s) {
          EXPECT_TRUE(s.cboPrrocNo.SelectedData() == 1 && !s.cboPrrocNo.Enabled);
          EXPECT_EQ(Boxes(s, "txtPNo txtNoRetals txtNoofRentals txtInvoice txtnewInstPrice txtAdjCapitalBal "
                             "txtUnearnedIncomeBal txtAdjustments txtTotRental"),
                    "HP2|3|10|INV1|34000.00|106000.00|6800.00|99200.00|15000.00|");
          EXPECT_EQ(ChequesOf(s.lvwPreDetails), (Texts{"S1", "S2", "S3"}));  // line order
          if (c.while_open) w.m.con->Execute(c.change), before = w.Stored();
          t::Paste(s, "txtnewInstPrice", "33000"), t::Paste(s, "txtRemarks", "price corrected"), t::Click(s, "cmdOk");
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
    EXPECT_EQ(Numbers(w, "select hphInstallmentPrice, hphAdjustmentAmount from aHpProcessingHeader" + of2),
              (std::vector<double>{33000, 107000}));
    EXPECT_EQ(w.Count("aHpProcessingHeader", "hphProcessingID=2 and hphRemarks='price corrected' and "
                                             "hphUpdateUserName='clerk' and hphUpdateTime is not null"), 1);
    EXPECT_EQ(w.Query(lines_of2), lines);
    EXPECT_EQ(w.Count("ahpProcessingCashFlowDetail"), 0);
    EXPECT_EQ(w.Count("aHpProcessingHeader", "hphProcessingID=1 and hphAmended=1"), 1);
    EXPECT_EQ(w.Count("hpAuditTrail", "RecordID=2 and RecordNo='HP2' and Action='E'"), 1);
  }
}

// OK with a stale settled list, an unusable revised number or a processing
// claimed meanwhile: its message, and every row, the register and audit unchanged.
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
