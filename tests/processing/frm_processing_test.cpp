#include "processing/frm_processing.h"

#include <gtest/gtest.h>

#include "support/database.h"

#include <functional>
#include <string>
#include <vector>

#include "platform/text/number_text.h"
#include "processing/frm_pop_up.h"
#include "processing/schedule.h"
#include "screen_fixture.h"

namespace hp::processing {
namespace {

using fixture::Cell;
using fixture::ChooseInvoice;
using fixture::Focus;
using fixture::Screen;
using fixture::Snapshot;
using fixture::Stored;
using forms::MsgBoxResult;
using testing::Click;
using testing::CountRows;
using testing::DblClick;
using testing::Paste;

db::Value I(std::int64_t v) { return v; }

// The worked example end to end through the window, as the register shows it:
// choose, process, correct one cheque in the cheque dialog, OK.
TEST(ProcessingScreenTest, StoresTheWorkedExample) {
  Screen s;
  fixture::AddWorkedExample(s.con());
  frmProcessing frm(s.m.bas);
  std::string monthly, yearly, total_rental;
  s.m.host.OnShow("frmPopUp", [](forms::Form& p) {
    Paste(p, "cboBankName", "Commercial Bank");
    Paste(p, "txtchequeno", "777");
    Click(p, "cmdOK");     // line 2 accepted, on to line 3
    Click(p, "cmdClose");  // line 3 left as it was
  });
  s.m.host.OnShow("frmProcessing", [&](forms::Form& f) {
    ChooseInvoice(f);
    EXPECT_EQ(frm.txtBal.Text(), "100000.00");
    Click(f, "cmdProcess");
    monthly = frm.txtMonthlyRate.Text();
    yearly = frm.txtInterestRate.Text();
    total_rental = frm.txtTotRental.Text();
    Paste(f, "txtRemarks", "first car");
    DblClick(f, "lvwProcessing", 1);
    Click(f, "cmdOK");
  });
  s.m.host.ShowModal(frm);

  EXPECT_EQ(monthly, "1.51");
  EXPECT_EQ(yearly, "18.16");
  EXPECT_EQ(total_rental, "120000.00");
  EXPECT_FALSE(frm.IsLoaded());
  EXPECT_TRUE(s.m.host.Messages().empty()) << s.m.host.LastMessage();

  db::Connection& con = s.con();
  db::Recordset h = con.Open("select * from aHpProcessingHeader");
  ASSERT_EQ(h.RecordCount(), 1);
  EXPECT_EQ(db::AsInt(h.Field("hphCompanyID")), 1);
  EXPECT_EQ(db::AsInt(h.Field("hphDepartmentID")), 10);
  EXPECT_EQ(db::AsInt(h.Field("hphProcessingID")), 1);
  EXPECT_EQ(db::AsText(h.Field("hphProcessingNo")), "HP1");
  EXPECT_EQ(db::AsText(h.Field("hphProcessingdate")), "2024-03-15");
  EXPECT_EQ(db::AsInt(h.Field("hphCustomerID")), 1);
  EXPECT_EQ(db::AsInt(h.Field("hphInvoiceID")), 1);
  EXPECT_EQ(db::AsInt(h.Field("hphFinancialID")), 1);
  EXPECT_EQ(db::AsInt(h.Field("hphAmended")), 0);
  EXPECT_EQ(db::AsInt(h.Field("hphCancel")), 0);
  EXPECT_EQ(db::AsInt(h.Field("hphNoOfRentals")), 24);
  EXPECT_EQ(db::AsText(h.Field("hphRemarks")), "first car");
  EXPECT_EQ(db::AsText(h.Field("hphUserName")), "clerk");
  ASSERT_FALSE(db::IsNull(h.Field("hphreprocessaftersettlement")));
  EXPECT_EQ(db::AsInt(h.Field("hphreprocessaftersettlement")), 0);
  // Figures are stored as numbers, not as the texts the boxes show.
  const std::pair<const char*, double> figures[] = {{"hphCashPrice", 120000}, {"hphDownPayment", 20000},
                                                    {"hphbalance", 100000},   {"hphInterestRate", 1.51},
                                                    {"hphInstallmentPrice", 140000}, {"hphRentalAmount", 5000}};
  for (const auto& [column, value] : figures) {
    ASSERT_TRUE(std::holds_alternative<double>(h.Field(column))) << column;
    EXPECT_DOUBLE_EQ(std::get<double>(h.Field(column)), value) << column;
  }

  db::Recordset d = con.Open("select * from aHpProcessingDetail order by hpddetailID");
  ASSERT_EQ(d.RecordCount(), 24);
  struct Line {
    const char* date;
    double capital, interest, repayment, balance;
    const char *bank, *cheque;
  };
  const Line expected[] = {
      {"2024-02-29", 100000, 1513.08, 3486.92, 96513.08, "People's Bank", "CHQ1"},
      {"2024-03-31", 96513.08, 1460.32, 3539.68, 92973.4, "Commercial Bank", "777"},
      {"2024-04-30", 92973.4, 1406.77, 3593.23, 89380.17, "People's Bank", "CHQ3"},
  };
  for (const Line& e : expected) {
    SCOPED_TRACE(e.date);
    EXPECT_EQ(db::AsText(d.Field("hpdChequeDate")), e.date);
    EXPECT_DOUBLE_EQ(db::AsDouble(d.Field("hpdCapital")), e.capital);
    EXPECT_DOUBLE_EQ(db::AsDouble(d.Field("hpdRental")), 5000);
    EXPECT_DOUBLE_EQ(db::AsDouble(d.Field("hpdInterest")), e.interest);
    EXPECT_DOUBLE_EQ(db::AsDouble(d.Field("hpdcapitalRepayment")), e.repayment);
    EXPECT_DOUBLE_EQ(db::AsDouble(d.Field("hpdCapitalBalance")), e.balance);
    EXPECT_EQ(db::AsText(d.Field("hpdBankName")), e.bank);
    EXPECT_EQ(db::AsText(d.Field("hpdChequeNo")), e.cheque);
    EXPECT_DOUBLE_EQ(db::AsDouble(d.Field("hpdAmount")), 5000);
    EXPECT_DOUBLE_EQ(db::AsDouble(d.Field("hpdSettlementAmount")), 0);
    EXPECT_DOUBLE_EQ(db::AsDouble(d.Field("hpdInterestRate")), 1.51);
    EXPECT_EQ(db::AsInt(d.Field("hpdPosted")), 0);
    EXPECT_EQ(db::AsInt(d.Field("hpdDepartmentID")), 10);
    d.MoveNext();
  }
  EXPECT_EQ(CountRows(con, "aHpProcessingDetailOthers"), 0);
  EXPECT_EQ(Cell(con, "select hpqhProcessed from losHpInvoiceHeader where hpqhQuotationID=1"), "1");
  db::Recordset a = con.Open("select RecordID, RecordNo, Action, ScreenName from hpAuditTrail");
  ASSERT_EQ(a.RecordCount(), 1);
  EXPECT_EQ(db::AsInt(a.Field("RecordID")), 1);
  EXPECT_EQ(db::AsText(a.Field("RecordNo")), "HP1");
  EXPECT_EQ(db::AsText(a.Field("Action")), "N");
  EXPECT_EQ(db::AsText(a.Field("ScreenName")), "frmProcessing");
  // The register shows the new row in its empty first row.
  const std::vector<std::string> row = {"1", "HP1", "2024-03-15", "Perera", "INV1", "No", "No"};
  for (int c = 0; c < 7; ++c) EXPECT_EQ(s.reg.flexMaster.TextMatrix(1, c), row[c]) << c;
}

// A service-tax invoice is stored with its before-tax schedule: the invoice's
// before-tax figures over the same rentals, due dates and register cheques.
// Only a category that is neither null nor 0 is a service-tax category.
struct TaxCase {
  const char* name;
  std::optional<int> category;
  bool before_tax;
};
void PrintTo(const TaxCase& c, std::ostream* os) { *os << c.name; }
class ServiceTaxTest : public ::testing::TestWithParam<TaxCase> {};

TEST_P(ServiceTaxTest, BeforeTaxLinesOnlyWithACategory) {
  Screen s;
  fixture::AddWorkedExample(s.con(), {.service_tax = GetParam().category});
  frmProcessing& f = s.Open();
  ChooseInvoice(f);
  Click(f, "cmdProcess");
  ASSERT_TRUE(s.m.host.Messages().empty()) << s.m.host.LastMessage();
  f.lvwProcessing.Item(1).SetSubItem(7, "Commercial Bank");  // as the cheque dialog would
  Click(f, "cmdOK");
  ASSERT_EQ(CountRows(s.con(), "aHpProcessingHeader"), 1) << s.m.host.LastMessage();
  EXPECT_DOUBLE_EQ(std::stod(Cell(s.con(), "select hphInterestRate from aHpProcessingHeader")), 1.51);
  if (!GetParam().before_tax) {
    EXPECT_EQ(CountRows(s.con(), "aHpProcessingDetailOthers"), 0);
    return;
  }
  const Schedule bt = ComputeSchedule({"84000.00", "24", "4300.00", "2024-01-31"}, {});
  db::Recordset d = s.con().Open("select * from aHpProcessingDetailOthers order by hpddetailIDBT");
  ASSERT_EQ(d.RecordCount(), 24);
  for (int i = 0; i < 24; ++i, d.MoveNext()) {
    SCOPED_TRACE(i + 1);
    const ScheduleLine& e = bt.lines[i];
    EXPECT_EQ(db::AsInt(d.Field("hpddetailIDBT")), i + 1);
    EXPECT_EQ(db::AsInt(d.Field("hpdProcessingID")), 1);
    EXPECT_EQ(db::AsText(d.Field("hpdChequeDateBT")), text::IsoDate(e.due_date));
    EXPECT_DOUBLE_EQ(db::AsDouble(d.Field("hpdCapitalBT")), text::NumberOf(e.capital));
    EXPECT_DOUBLE_EQ(db::AsDouble(d.Field("hpdRentalBT")), 4300);
    EXPECT_DOUBLE_EQ(db::AsDouble(d.Field("hpdInterestBT")), text::NumberOf(e.interest));
    EXPECT_DOUBLE_EQ(db::AsDouble(d.Field("hpdcapitalRepaymentBT")), text::NumberOf(e.capital_repayment));
    EXPECT_DOUBLE_EQ(db::AsDouble(d.Field("hpdCapitalBalanceBT")), text::NumberOf(e.capital_balance));
    EXPECT_DOUBLE_EQ(db::AsDouble(d.Field("hpdInterestRateBT")), text::NumberOf(bt.rates.monthly_rate));
    // The before-tax lines keep the register's cheques, whatever the main list says.
    EXPECT_EQ(db::AsText(d.Field("hpdBankNameBT")), "People's Bank");
    EXPECT_EQ(db::AsText(d.Field("hpdChequeNoBT")), "CHQ" + std::to_string(i + 1));
  }
  EXPECT_DOUBLE_EQ(std::stod(Cell(s.con(), "select hpdCapitalBT from aHpProcessingDetailOthers where "
                                           "hpddetailIDBT=1")),
                   84000);
}

INSTANTIATE_TEST_SUITE_P(Categories, ServiceTaxTest,
                         ::testing::Values(TaxCase{"NullCategory", std::nullopt, false},
                                           TaxCase{"CategoryZero", 0, false}, TaxCase{"CategoryOne", 1, true},
                                           TaxCase{"CategoryFive", 5, true}),
                         [](const auto& info) { return std::string(info.param.name); });

// Refusals of Process Interest and OK: each shows its message, moves the focus
// to the control at fault and stores nothing.
struct Refusal {
  const char* name;
  std::function<void(Screen&)> arrange;  // before the screen loads
  std::function<void(frmProcessing&)> act;
  const char* message;
  const char* focus;
  int selected_line = -1;  // the list line the refusal selects
};

void PrintTo(const Refusal& c, std::ostream* os) { *os << c.name; }
void ChooseAndProcess(frmProcessing& f) {
  ChooseInvoice(f);
  Click(f, "cmdProcess");
}
void NoDepartment(Screen& s) { s.m.bas.intdepartmentid = 0; }
void NoCheque(Screen& s, const char* due, const char* set) {
  s.con().Execute(std::string("update losHpChequeRegisterDetail set ") + set + " where hpdChqDate=?", {due});
}

class RefusalTest : public ::testing::TestWithParam<Refusal> {};

TEST_P(RefusalTest, ShowsItsMessageAndStoresNothing) {
  const Refusal& r = GetParam();
  Screen s;
  fixture::AddWorkedExample(s.con());
  testing::AddInvoice(s.con(), {.id = 2, .number = "INV2", .rentals = 12, .rental = 9500});
  if (r.arrange) r.arrange(s);
  frmProcessing& f = s.Open();
  r.act(f);
  EXPECT_EQ(s.m.host.LastMessage(), r.message);
  EXPECT_EQ(Focus(f), r.focus);
  if (r.selected_line >= 0) EXPECT_EQ(f.lvwProcessing.SelectedIndex(), r.selected_line);
  EXPECT_TRUE(f.IsLoaded());
  EXPECT_EQ(Snapshot(s.con()), (Stored{0, 0, 0, 0, 0}));
}

INSTANTIATE_TEST_SUITE_P(
    ProcessAndOk, RefusalTest,
    ::testing::Values(
        Refusal{"OkWithoutDepartment", NoDepartment, [](frmProcessing& f) { Click(f, "cmdOK"); },
                "Select Department .", "cbodepartment"},
        Refusal{"OkWithoutCustomer", nullptr, [](frmProcessing& f) { Click(f, "cmdOK"); }, "Select a Customer .",
                "cboCustomer"},
        Refusal{"OkWithoutInvoice", nullptr,
                [](frmProcessing& f) {
                  testing::ChooseData(f, "cboCustomer", 1);
                  Click(f, "cmdOK");
                },
                "Select an Invoice .", "cboInvoice"},
        Refusal{"OkWithoutRentals", nullptr,
                [](frmProcessing& f) {
                  ChooseAndProcess(f);
                  Paste(f, "txtNoRetals", "");
                  Click(f, "cmdOK");
                },
                "Enter No of Rentals .", "txtNoRetals"},
        Refusal{"OkWithFractionalRentals", nullptr,
                [](frmProcessing& f) {
                  ChooseAndProcess(f);
                  Paste(f, "txtNoRetals", "12.5");
                  Click(f, "cmdOK");
                },
                "Enter No of Rentals .", "txtNoRetals"},
        Refusal{"OkWithZeroRentals", nullptr,
                [](frmProcessing& f) {
                  ChooseAndProcess(f);
                  Paste(f, "txtNoRetals", "0");
                  Click(f, "cmdOK");
                },
                "Enter No of Rentals .", "txtNoRetals"},
        Refusal{"ProcessWithFractionalRentals", nullptr,
                [](frmProcessing& f) {
                  ChooseInvoice(f);
                  Paste(f, "txtNoRetals", "12.5");
                  Click(f, "cmdProcess");
                  EXPECT_EQ(f.lvwProcessing.Count(), 0);
                },
                "Enter No of Rentals .", "txtNoRetals"},
        Refusal{"ProcessWithoutRentals", nullptr,
                [](frmProcessing& f) {
                  ChooseInvoice(f);
                  Paste(f, "txtNoRetals", " ");
                  Click(f, "cmdProcess");
                },
                "Enter No of Rentals .", "txtNoRetals"},
        Refusal{"OkWithoutRental", nullptr,
                [](frmProcessing& f) {
                  ChooseAndProcess(f);
                  Paste(f, "txtRentalAmount", "");
                  Click(f, "cmdOK");
                },
                "Enter Rental Amount .", "txtRentalAmount"},
        Refusal{"ProcessWithZeroRental", nullptr,
                [](frmProcessing& f) {
                  ChooseInvoice(f);
                  Paste(f, "txtRentalAmount", "0");
                  Click(f, "cmdProcess");
                },
                "Enter Rental Amount .", "txtRentalAmount"},
        Refusal{"OkWithoutSchedule", nullptr,
                [](frmProcessing& f) {
                  ChooseInvoice(f);
                  Click(f, "cmdOK");
                },
                "Interest Processing Not done .", "cmdProcess"},
        Refusal{"OkAfterRentalsChanged", nullptr,
                [](frmProcessing& f) {
                  ChooseAndProcess(f);
                  Paste(f, "txtNoRetals", "12");
                  Click(f, "cmdOK");
                },
                "Interest Processing Not done .", "cmdProcess"},
        Refusal{"OkAfterRentalChanged", nullptr,
                [](frmProcessing& f) {
                  ChooseAndProcess(f);
                  Paste(f, "txtRentalAmount", "5000.5");
                  Click(f, "cmdOK");
                },
                "Interest Processing Not done .", "cmdProcess"},
        Refusal{"OkAfterAnotherInvoice", nullptr,
                [](frmProcessing& f) {
                  ChooseAndProcess(f);
                  testing::ChooseData(f, "cboInvoice", 2);
                  Click(f, "cmdOK");
                },
                "Interest Processing Not done .", "cmdProcess"},
        Refusal{"OkAfterTheSameInvoiceChosenAgain", nullptr,
                [](frmProcessing& f) {
                  ChooseAndProcess(f);
                  testing::ChooseData(f, "cboInvoice", 1);
                  Click(f, "cmdOK");
                },
                "Interest Processing Not done .", "cmdProcess"},
        Refusal{"OkWithALineWithoutBank", [](Screen& s) { NoCheque(s, "2024-06-30", "hpdBankName=''"); },
                [](frmProcessing& f) {
                  ChooseAndProcess(f);
                  Click(f, "cmdOK");
                },
                "Cheque Details Not Entered", "lvwProcessing", 4},
        Refusal{"OkWithALineWithoutChequeNo", [](Screen& s) { NoCheque(s, "2024-08-31", "hpdChqNo=null"); },
                [](frmProcessing& f) {
                  ChooseAndProcess(f);
                  Click(f, "cmdOK");
                },
                "Cheque Details Not Entered", "lvwProcessing", 6},
        Refusal{"OkWithALineWithoutRegisterCheque",
                [](Screen& s) {
                  s.con().Execute("delete from losHpChequeRegisterDetail where hpdChqDate='2025-01-31'");
                },
                [](frmProcessing& f) {
                  ChooseAndProcess(f);
                  Click(f, "cmdOK");
                },
                "Cheque Details Not Entered", "lvwProcessing", 11},
        Refusal{"NoChequeRegisterOnTheInvoice",
                [](Screen& s) { s.con().Execute("update losHpInvoiceHeader set hpqhChqReg=0"); },
                [](frmProcessing& f) {
                  ChooseInvoice(f);
                  EXPECT_FALSE(f.cmdProcess.Enabled);
                  EXPECT_EQ(f.txtSP.Text(), "");  // no figures loaded
                  EXPECT_THROW(Click(f, "cmdProcess"), forms::EventError);
                },
                "Cheque Register is empty", "cboInvoice"},
        Refusal{"OnlyACancelledChequeRegister",
                [](Screen& s) { s.con().Execute("update losHpChequeRegisterHeader set hphCancel=1"); },
                [](frmProcessing& f) {
                  ChooseInvoice(f);
                  EXPECT_FALSE(f.cmdProcess.Enabled);
                  EXPECT_EQ(f.txtSP.Text(), "");
                  Click(f, "cmdOK");  // the figures were never loaded
                },
                "Enter No of Rentals .", "txtNoRetals"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(ProcessingScreenTest, ProcessWaitsForTheInvoicesFigures) {
  Screen s;
  fixture::AddWorkedExample(s.con());
  frmProcessing& f = s.Open();
  EXPECT_FALSE(f.cmdProcess.Enabled);
  testing::ChooseData(f, "cboCustomer", 1);
  EXPECT_FALSE(f.cmdProcess.Enabled);
  testing::ChooseData(f, "cboInvoice", 1);
  EXPECT_TRUE(f.cmdProcess.Enabled);
  EXPECT_EQ(s.m.bas.intChequeRegisterID, 1);
}

TEST(ProcessingScreenTest, ASessionWithoutDepartmentChoosesOne) {
  Screen s;
  s.m.bas.intdepartmentid = 0;
  fixture::AddWorkedExample(s.con());
  frmProcessing& f = s.Open();
  EXPECT_TRUE(f.cbodepartment.Enabled);
  EXPECT_EQ(f.cboCustomer.ListCount(), 0);
  testing::ChooseData(f, "cbodepartment", 10);
  ASSERT_EQ(f.cboCustomer.ListCount(), 1);
  ChooseAndProcess(f);
  Click(f, "cmdOK");
  // The header records the chosen department and is numbered in it.
  EXPECT_EQ(Cell(s.con(), "select hphDepartmentID || ' ' || hphProcessingNo from aHpProcessingHeader"), "10 HP1");
  // The lines carry the session's department, as they always have.
  EXPECT_EQ(CountRows(s.con(), "aHpProcessingDetail", "hpdDepartmentID=0"), 24);
}

// A statement failing in the middle of a save leaves the database and the
// register exactly as they were, and the user is told nothing was stored.
struct MidSaveFailure {
  const char* name;
  std::optional<int> service_tax;
  const char* fail_table;  // writes that fail (nullptr: none)
  const char* fail_when;   // on which rows ("": all)
  const char* arrange;     // SQL run before OK (nullptr: none)
};
void PrintTo(const MidSaveFailure& c, std::ostream* os) { *os << c.name; }
class MidSaveFailureTest : public ::testing::TestWithParam<MidSaveFailure> {};

TEST_P(MidSaveFailureTest, LeavesEverythingAsItWas) {
  const MidSaveFailure& c = GetParam();
  Screen s;
  fixture::AddWorkedExample(s.con(), {.service_tax = c.service_tax});
  frmProcessing& f = s.Open();
  ChooseAndProcess(f);
  if (c.fail_table) testing::FailWrites(s.con(), c.fail_table, "insert", c.fail_when);
  if (c.arrange) s.con().Execute(c.arrange);
  const Stored before = Snapshot(s.con());
  Click(f, "cmdOK");

  EXPECT_EQ(s.m.host.LastMessage(), shell::kSaveFailed);
  EXPECT_EQ(Snapshot(s.con()), before);
  EXPECT_EQ(Cell(s.con(), "select hpqhProcessed from losHpInvoiceHeader where hpqhQuotationID=1"), "0");
  EXPECT_EQ(s.reg.flexMaster.Rows(), 2);
  EXPECT_EQ(s.reg.flexMaster.TextMatrix(1, 0), "");
  EXPECT_EQ(CountRows(s.con(), "hpErrorLog", "RoutineName='cmdOk_Click'"), 1);
  EXPECT_FALSE(s.con().InTransaction());
  ASSERT_TRUE(f.IsLoaded());

  // Nothing was half-stored: once the cause is gone the same screen saves.
  if (c.fail_table) testing::StopFailingWrites(s.con(), c.fail_table);
  s.con().Execute("delete from aHpProcessingHeader where hphProcessingNo='HPX'");
  Click(f, "cmdOK");
  EXPECT_FALSE(f.IsLoaded()) << s.m.host.LastMessage();
  EXPECT_EQ(Cell(s.con(), "select hphProcessingNo from aHpProcessingHeader"), "HP1");
  EXPECT_EQ(CountRows(s.con(), "aHpProcessingDetail"), 24);
  EXPECT_EQ(s.reg.flexMaster.TextMatrix(1, 1), "HP1");
}

INSTANTIATE_TEST_SUITE_P(
    Statements, MidSaveFailureTest,
    ::testing::Values(
        MidSaveFailure{"BeforeTaxLine", 2, "aHpProcessingDetailOthers", "", nullptr},
        MidSaveFailure{"TwelfthRentalLine", std::nullopt, "aHpProcessingDetail", "NEW.hpddetailID=12", nullptr},
        MidSaveFailure{"AuditEntry", std::nullopt, "hpAuditTrail", "", nullptr},
        MidSaveFailure{"NumberWithoutNumericTail", std::nullopt, nullptr, "",
                       "insert into aHpProcessingHeader (hphCompanyID, hphDepartmentID, hphProcessingID, "
                       "hphProcessingNo, hphProcessingdate, hphCustomerID, hphInvoiceID, hphFinancialID) "
                       "values (1, 10, 7, 'HPX', '2024-03-01', 1, 9, 1)"}),
    [](const auto& info) { return std::string(info.param.name); });

// The invoice was processed by someone else between Process and OK.
TEST(ProcessingScreenTest, AnInvoiceProcessedMeanwhileIsNotStoredTwice) {
  fixture::TempDatabase file;
  fixture::FileSession first(file.path(), true);
  fixture::AddWorkedExample(*first.con);
  fixture::FileSession second(file.path(), false);

  frmProcessing one(first.bas), two(second.bas);
  for (frmProcessing* f : {&one, &two}) {
    f->Load();
    f->Activate();
    ChooseAndProcess(*f);
  }
  Click(one, "cmdOK");
  ASSERT_FALSE(one.IsLoaded()) << first.host.LastMessage();
  const Stored after_first = Snapshot(*first.con);
  EXPECT_EQ(after_first, (Stored{1, 24, 0, 1, 1}));

  Click(two, "cmdOK");
  EXPECT_EQ(second.host.LastMessage(), kInvoiceAlreadyProcessed);
  EXPECT_TRUE(two.IsLoaded());
  EXPECT_EQ(Snapshot(*second.con), after_first);
  EXPECT_EQ(second.reg.flexMaster.TextMatrix(1, 0), "");
  EXPECT_EQ(first.reg.flexMaster.TextMatrix(1, 1), "HP1");
}

// Closing asks "Save Changes?" only for unsaved changes; the answer decides.
struct CloseCase {
  const char* name;
  MsgBoxResult answer;
  bool stays_open;
  long headers;
};
void PrintTo(const CloseCase& c, std::ostream* os) { *os << c.name; }
class CloseTest : public ::testing::TestWithParam<CloseCase> {};

TEST_P(CloseTest, AsksBeforeLosingChanges) {
  const CloseCase& c = GetParam();
  Screen s;
  fixture::AddWorkedExample(s.con());
  frmProcessing& f = s.Open();
  ChooseAndProcess(f);
  s.m.host.Answer(c.answer);
  Click(f, "cmdClose");
  EXPECT_EQ(s.m.host.Messages().at(0).prompt, "Save Changes?");
  EXPECT_EQ(f.IsLoaded(), c.stays_open);
  EXPECT_EQ(CountRows(s.con(), "aHpProcessingHeader"), c.headers);
}

INSTANTIATE_TEST_SUITE_P(Answers, CloseTest,
                         ::testing::Values(CloseCase{"Cancel", MsgBoxResult::Cancel, true, 0},
                                           CloseCase{"No", MsgBoxResult::No, false, 0},
                                           CloseCase{"Yes", MsgBoxResult::Yes, false, 1}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(ProcessingScreenTest, ClosingUnchangedOrSavedAsksNothing) {
  Screen s;
  fixture::AddWorkedExample(s.con());
  frmProcessing& f = s.Open();
  Click(f, "cmdClose");
  EXPECT_FALSE(f.IsLoaded());
  EXPECT_TRUE(s.m.host.Messages().empty());
}

TEST(ProcessingScreenTest, ChangingCustomerAsksBeforeClearingTheSchedule) {
  Screen s;
  fixture::AddWorkedExample(s.con());
  testing::AddCustomer(s.con(), {.id = 2, .name = "Silva"});
  testing::AddInvoice(s.con(), {.id = 2, .number = "INV2", .customer = 2});
  frmProcessing& f = s.Open();
  ChooseAndProcess(f);
  s.m.host.Answer(MsgBoxResult::No);
  testing::ChooseData(f, "cboCustomer", 2);
  EXPECT_EQ(f.cboCustomer.SelectedData(), 1);  // the previous customer again
  EXPECT_EQ(f.lvwProcessing.Count(), 24);
  s.m.host.Answer(MsgBoxResult::Yes);
  testing::ChooseData(f, "cboCustomer", 2);
  EXPECT_EQ(f.lvwProcessing.Count(), 0);
  ASSERT_EQ(f.cboInvoice.ListCount(), 1);
  EXPECT_EQ(f.cboInvoice.ItemData(0), 2);
  Click(f, "cmdOK");
  EXPECT_EQ(s.m.host.LastMessage(), "Select an Invoice .");
}

TEST(ProcessingScreenTest, AProcessedInvoiceIsNoLongerOffered) {
  Screen s;
  fixture::AddWorkedExample(s.con());
  frmProcessing& f = s.Open();
  ChooseAndProcess(f);
  Click(f, "cmdOK");
  ASSERT_FALSE(f.IsLoaded());
  frmProcessing& again = s.Open();
  EXPECT_EQ(again.cboCustomer.ListCount(), 0);
}

TEST(ProcessingScreenTest, AFailedProcessSaysSoAndCannotBeSaved) {
  Screen s;
  fixture::AddWorkedExample(s.con());
  // A date column holding text only SQLite can store.
  if (testing::OnPostgres()) GTEST_SKIP() << "PostgreSQL cannot store a text in a date column";
  s.con().Execute("update losHpInvoiceHeader set hpqhDelivaryDate='soon'");
  frmProcessing& f = s.Open();
  ChooseAndProcess(f);
  EXPECT_EQ(s.m.host.LastMessage(), kProcessFailed);
  EXPECT_EQ(CountRows(s.con(), "hpErrorLog", "RoutineName='cmdProcess_Click'"), 1);
  Click(f, "cmdOK");
  EXPECT_EQ(s.m.host.LastMessage(), "Interest Processing Not done .");
  EXPECT_EQ(CountRows(s.con(), "aHpProcessingHeader"), 0);
}

}  // namespace
}  // namespace hp::processing
