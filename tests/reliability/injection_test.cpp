// Hostile text in every box: each text box (and editable combo) that a user
// can fill on each window takes every text of a corpus of quotes, statement
// separators, comments, "' OR 1=1", a DROP TABLE, LIKE wildcards, Unicode,
// control characters and a 10,000-character text, typed key by key (through
// the box's KeyPress) and pasted; then the window's main actions run. No
// statement may fail, no table of the world may change, rows of the module
// may change only as the action changes them, and what the action stores of
// the text is exactly what the window showed.
#include <gtest/gtest.h>

#include <iostream>

#include "reliability_world.h"
#include "support/database.h"

namespace hp::reliability {
namespace {

struct Text {
  const char* name;
  std::string value;
};

std::string Repeat(const std::string& piece, size_t chars) {
  std::string s;
  while (s.size() < chars) s += piece;
  s.resize(chars);
  return s;
}

const std::vector<Text>& Corpus() {
  static const std::vector<Text> corpus = {
      {"Apostrophes", "O'Brien's 'quoted'"},
      {"DoubleQuotesAndBackticks", "\"double\" `back` [bracket]"},
      {"Semicolons", "a;b; ;c;"},
      {"Comment", "-- comment /* block */"},
      {"OrOneEqualsOne", "' OR 1=1 --"},
      {"OrStringTrue", "' OR '1'='1"},
      {"DropTable", "'); DROP TABLE aHpProcessingHeader; --"},
      {"DeleteAfterNumber", "12; DELETE FROM aUsers"},
      {"LikeWildcards", "%_\\%"},
      {"Unicode", "Nimal Perera \xe2\x80\x94 \xe0\xb7\x81\xe0\xb7\x8a\xe2\x80\x8d\xe0\xb6\xbb\xe0\xb7\x93 "
                  "\xe6\x97\xa5\xe6\x9c\xac \xce\x95\xce\xbb\xce\xbb\xce\xac\xce\xb4\xce\xb1 \xf0\x9f\x98\x80 e\xcc\x81"},
      {"TenThousandCharacters", Repeat("x'; --\"", 10000)},
      {"ControlCharacters", "tab\there\x01\x02\x7f\x08" "end"},
      {"LineBreaks", "line1\r\nline2\nline3"},
      {"EmbeddedNul", std::string("nul\0inside", 10)},
      {"Blanks", "   "},
      {"Empty", ""},
      {"HugeNumber", "123456789012345678901234567890"},
  };
  return corpus;
}

// One stored text an action promises.
struct Expectation {
  std::string what, sql;
  std::string expected;
};

// Enters the text under test into one input of one window when the driver
// says the window is ready; in discovery it lists the inputs instead.
class Probe {
 public:
  Probe(std::string window, std::string control, std::string text, bool typed)
      : window_(std::move(window)), control_(std::move(control)), text_(std::move(text)), typed_(typed) {}
  static Probe Discovery(std::string window) {
    Probe p(std::move(window), "", "", false);
    p.discovering_ = true;
    return p;
  }

  void Ready(forms::Form& f) {
    if (f.Name() != window_) return;
    if (discovering_) {
      for (forms::Control* c : f.Controls()) {
        if (!Fillable(*c)) continue;
        const bool box = dynamic_cast<forms::TextBox*>(c) != nullptr;
        if (std::find(found.begin(), found.end(), std::make_pair(c->Name(), box)) == found.end())
          found.emplace_back(c->Name(), box);
      }
      return;
    }
    forms::Control* c = f.Find(control_);
    if (!c || !Fillable(*c)) return;  // not offered this time (the case is then vacuous)
    if (typed_ && dynamic_cast<forms::TextBox*>(c)) {
      // A line feed is not a character a user types into a one-line box:
      // key 10 is Ctrl+Enter, which the windows take as a command.
      std::string keys = text_;
      keys.erase(std::remove(keys.begin(), keys.end(), '\n'), keys.end());
      TypeText(f, control_, keys);
    }
    else Paste(f, control_, text_);
    entered = true;
  }
  void ExpectStored(std::string what, std::string sql, std::string expected) {
    expectations.push_back({std::move(what), std::move(sql), std::move(expected)});
  }

  // A box the user can type into now, or an editable combo.
  static bool Fillable(const forms::Control& c) {
    if (!c.Shown() || !c.Enabled || c.Locked) return false;
    for (const forms::Control* p = c.Container; p; p = p->Container)
      if (!p->Enabled) return false;
    if (dynamic_cast<const forms::TextBox*>(&c)) return true;
    auto* combo = dynamic_cast<const forms::ComboBox*>(&c);
    return combo && combo->style == forms::ComboBox::Style::DropDownCombo;
  }
  // Discovery: the inputs offered, each with whether it is a text box (an
  // editable combo takes no typing, only pasting).
  std::vector<std::pair<std::string, bool>> found;
  bool entered = false;
  std::vector<Expectation> expectations;

 private:
  std::string window_, control_, text_;
  bool typed_;
  bool discovering_ = false;
};

void ClickIfEnabled(forms::Form& f, const std::string& control) {
  forms::Control* c = f.Find(control);
  if (c && c->Shown() && c->Enabled) Click(f, control);
}

// A window, the records it starts from, and its main actions around the
// moment its inputs are filled.
struct Station {
  std::string name;
  std::string window;  // whose inputs are tried
  std::function<void(db::Connection&)> seed;
  std::function<void(Session&, Probe&)> drive;
  long may_change = 0;  // rows of the module's tables the actions may rewrite (flags, a row saved again)
};
void PrintTo(const Station& s, std::ostream* os) { *os << s.name; }

// Tables of the world around the module: no action of the module writes them.
const std::vector<std::string>& WorldTables() {
  static const std::vector<std::string> tables = {
      "aCompanyMaster", "aFinancialYear",  "aDepartmentMaster", "ashops",        "aCustomerMaster",
      "aUsers",         "auserrights",     "asettings",         "MiscSettings",  "aPrefix",
      "atables",        "atablecolumns",   "losHpCustomerDetails", "losHpItemRegistrationDetails",
      "losHpInvoiceDetailOthers", "losHpChequeRegisterHeader", "losHpChequeRegisterDetail"};
  return tables;
}

std::vector<std::string> SchemaOf(db::Connection& con) {
  std::vector<std::string> names;
  db::Recordset rs = con.backend() == db::Backend::SQLite
                         ? con.Open("select type || ' ' || name || ' ' || coalesce(sql,'') from sqlite_master")
                         : con.Open("select table_name from information_schema.tables where table_schema=current_schema()");
  for (; !rs.Eof(); rs.MoveNext()) names.push_back(db::AsText(rs.Field(0)));
  std::sort(names.begin(), names.end());
  return names;
}

long Lost(const Dump& before, const Dump& after) {
  long lost = 0;
  for (const auto& [table, rows] : before) {
    const std::vector<std::string>& now = after.at(table);
    std::vector<std::string> gone;
    std::set_difference(rows.begin(), rows.end(), now.begin(), now.end(), std::back_inserter(gone));
    lost += static_cast<long>(gone.size());
  }
  return lost;
}

long& CasesTried() {
  static long n = 0;
  return n;
}
class PrintCases : public ::testing::Environment {
 public:
  void TearDown() override {
    if (CasesTried() > 0) std::cout << "[ reliability ] injection cases tried: " << CasesTried() << "\n";
  }
};
const auto* const kPrintCases = ::testing::AddGlobalTestEnvironment(new PrintCases);

class Injection : public ::testing::TestWithParam<Station> {};

TEST_P(Injection, EveryInputTakesHostileTextWithoutHarm) {
  const Station& st = GetParam();
  auto fresh = [&](std::unique_ptr<db::Connection>& con) {
    con = testing::FreshDatabase();
    testing::StandardWorld(*con);
    st.seed(*con);
  };
  std::vector<std::pair<std::string, bool>> inputs;
  {
    std::unique_ptr<db::Connection> con;
    fresh(con);
    Session s(*con);
    s.OpenRegister();
    Probe discovery = Probe::Discovery(st.window);
    st.drive(s, discovery);
    inputs = discovery.found;
  }
  ASSERT_FALSE(inputs.empty()) << st.window << " offered no input to fill";

  long cases = 0, vacuous = 0, verified = 0;
  // Errors logged that are not statements (figures the window could not
  // read): where, how many cases, the first description.
  std::map<std::string, std::pair<int, std::string>> other_errors;
  for (const auto& [input, text_box] : inputs) {
    for (const Text& t : Corpus()) {
      for (const bool typed : {true, false}) {
        if (typed && !text_box) continue;
        SCOPED_TRACE(st.window + "." + input + " " + (typed ? "typed " : "pasted ") + t.name);
        std::unique_ptr<db::Connection> con;
        fresh(con);
        const std::vector<std::string> schema = SchemaOf(*con);
        const Dump world = DumpTables(*con, WorldTables(), false);
        const Dump module = DumpModule(*con);
        Session s(*con);
        s.OpenRegister();
        Probe probe(st.window, input, t.value, typed);
        try {
          st.drive(s, probe);
        } catch (const std::exception& e) {
          ADD_FAILURE() << "the window let an error escape: " << e.what();
        }
        if (!probe.entered) {
          ++vacuous;
          continue;
        }
        ++cases;
        {
          db::Recordset rs = con->Open(
              "select ScreenName, RoutineName, Description from hpErrorLog where ErrorSource<>'hp.db'");
          for (; !rs.Eof(); rs.MoveNext()) {
            std::string d = db::AsText(rs.Field(2)).substr(0, 50);
            for (char& ch : d)
              if (static_cast<unsigned char>(ch) < 32) ch = ' ';
            auto& seen = other_errors[db::AsText(rs.Field(0)) + "." + db::AsText(rs.Field(1)) + " after " + input +
                                      (typed ? " typed" : " pasted")];
            if (seen.first++ == 0) seen.second = d;
          }
        }
        const std::vector<std::string> failed = DatabaseErrorsLogged(*con);
        EXPECT_TRUE(failed.empty()) << failed.size() << " statements failed, first: " << failed.front();
        EXPECT_EQ(SchemaOf(*con), schema) << "the tables changed";
        const Dump world_after = DumpTables(*con, WorldTables(), false);
        EXPECT_EQ(world_after, world) << Difference(world, world_after);
        const Dump module_after = DumpModule(*con);
        EXPECT_LE(Lost(module, module_after), st.may_change)
            << "rows the action does not touch changed:" << Difference(module, module_after);
        for (const Expectation& e : probe.expectations) {
          db::Recordset rs = con->Open(e.sql);
          ASSERT_FALSE(rs.Eof()) << e.what << ": nothing stored";
          EXPECT_EQ(db::AsText(rs.Field(0)), e.expected) << e.what << " not stored as the window showed it";
          ++verified;
        }
      }
    }
  }
  CasesTried() += cases;
  std::cout << "[ reliability ] " << st.name << ": " << inputs.size() << " inputs (" << [&] {
    std::string s;
    for (const auto& i : inputs) s += (s.empty() ? "" : ", ") + i.first;
    return s;
  }() << "), " << cases << " cases tried, " << verified << " stored texts compared\n";
  for (const auto& [where, seen] : other_errors)
    std::cout << "[ reliability ]   logged, not a statement: " << where << " (" << seen.first
              << " texts), e.g. " << seen.second << "\n";
  EXPECT_EQ(vacuous, 0) << "inputs the window stopped offering";
}

// The header a save of this station wrote, by condition.
std::string NewHeader(const std::string& condition) {
  return "(select max(hphProcessingID) from aHpProcessingHeader where " + condition + ")";
}

const Station kStations[] = {
    {"ProcessingScreen", "frmProcessing", [](db::Connection& con) { SeedOpenInvoice(con, 1, 1, 1); },
     [](Session& s, Probe& p) {
       s.bas.GStrMasterNewEditFlag = "N";
       processing::frmProcessing screen(s.bas);
       s.host.OnShow("frmProcessing", [&](forms::Form& f) {
         Pick(f, "cboCustomer", 1);
         Pick(f, "cboInvoice", 1);
         p.Ready(f);
         ClickIfEnabled(f, "cmdProcess");
         const std::string remarks = screen.txtRemarks.Text();
         ClickIfEnabled(f, "cmdOK");
         if (!screen.IsLoaded())
           p.ExpectStored("remarks",
                          "select hphRemarks from aHpProcessingHeader where hphProcessingID=" + NewHeader("hphInvoiceID=1"),
                          remarks);
         f.Tag.clear();
       });
       s.host.ShowModal(screen);
     },
     1},
    {"ChequeDialog", "frmPopUp", [](db::Connection& con) { SeedOpenInvoice(con, 1, 1); },
     [](Session& s, Probe& p) {
       s.bas.GStrMasterNewEditFlag = "N";
       processing::frmProcessing screen(s.bas);
       s.host.OnShow("frmProcessing", [&](forms::Form& f) {
         Pick(f, "cboCustomer", 1);
         Pick(f, "cboInvoice", 1);
         Click(f, "cmdProcess");
         s.host.OnShow("frmPopUp", [&](forms::Form& d) {
           p.Ready(d);
           ClickIfEnabled(d, "cmdOK");
         });
         f.Dispatch(forms::Event{.control = "lvwProcessing", .type = "dblclick", .item = 0});
         const std::string bank = screen.lvwProcessing.Item(0).SubItem(7);
         const std::string cheque = screen.lvwProcessing.Item(0).SubItem(8);
         ClickIfEnabled(f, "cmdOK");
         if (!screen.IsLoaded()) {
           const std::string line = " from aHpProcessingDetail where hpddetailID=1 and hpdProcessingID=" +
                                    NewHeader("hphInvoiceID=1");
           p.ExpectStored("bank", "select hpdBankName" + line, bank);
           p.ExpectStored("cheque", "select hpdChequeNo" + line, cheque);
         }
         f.Tag.clear();
       });
       s.host.ShowModal(screen);
     },
     1},
    {"ReprocessingScreen", "frmReprocessing", [](db::Connection& con) { SeedReprocessable(con, 1, 1); },
     [](Session& s, Probe& p) {
       s.bas.GStrMasterNewEditFlag = "N";
       reprocessing::frmReprocessing screen(s.bas);
       s.host.OnShow("frmReprocessing", [&](forms::Form& f) {
         Click(f, "optAuto");
         Pick(f, "cboCustomer", 1);
         Pick(f, "cboPrrocNo", 1);
         Paste(f, "txtNoRetals", "10");
         Key(f, "txtNoRetals", 13);
         p.Ready(f);
         if (screen.lvwReProcessing.Count() > 0 && s.host.PendingAnswers() == 0) s.host.Answer(MsgBoxResult::Yes);
         ClickIfEnabled(f, "cmdReProcess");
         if (screen.lvwReProcessing.Count() > 0) EnterCheques(s.host, f);
         const std::string remarks = screen.txtRemarks.Text();
         ClickIfEnabled(f, "cmdOk");
         if (!screen.IsLoaded())
           p.ExpectStored("remarks",
                          "select hphRemarks from aHpProcessingHeader where hphProcessingID=" +
                              NewHeader("hphReferenceID=1"),
                          remarks);
         f.Tag.clear();
       });
       s.host.ShowModal(screen);
     },
     1},
    {"RentalLineEditor", "frmReProcessingPopUp", [](db::Connection& con) { SeedReprocessable(con, 1, 1); },
     [](Session& s, Probe& p) {
       s.bas.GStrMasterNewEditFlag = "N";
       reprocessing::frmReprocessing screen(s.bas);
       s.host.OnShow("frmReprocessing", [&](forms::Form& f) {
         Click(f, "optMan");
         Pick(f, "cboCustomer", 1);
         Pick(f, "cboPrrocNo", 1);
         s.host.OnShow("frmReProcessingPopUp", [&](forms::Form& d) {
           const char* rentals[] = {"6000", "5000", "4000"};
           for (int i = 0; i < 3 && d.IsLoaded(); ++i) {
             Paste(d, "dtpPeriod", "2024-06-15");
             Paste(d, "txtRentalAmount", rentals[i]);
             Paste(d, "cboBankName", "Sampath Bank");
             Paste(d, "txtchequeno", "S" + std::to_string(i + 1));
             Paste(d, "txtAmount", rentals[i]);
             if (i == 0) p.Ready(d);
             ClickIfEnabled(d, "cmdOk");
           }
         });
         s.host.ChooseMenu("mnuAdd");
         f.Dispatch(forms::Event{.control = "lvwReProcessing", .type = "mousedown", .item = -1, .button = 2});
         ClickIfEnabled(f, "cmdReProcess");
         std::string bank, cheque;
         if (screen.lvwReProcessing.Count() > 0) {
           bank = screen.lvwReProcessing.Item(0).SubItem(7);
           cheque = screen.lvwReProcessing.Item(0).SubItem(8);
         }
         ClickIfEnabled(f, "cmdOk");
         if (!screen.IsLoaded()) {
           const std::string line = " from aHpProcessingDetail where hpddetailID=1 and hpdProcessingID=" +
                                    NewHeader("hphReferenceID=1");
           p.ExpectStored("bank", "select hpdBankName" + line, bank);
           p.ExpectStored("cheque", "select hpdChequeNo" + line, cheque);
         }
         f.Tag.clear();
       });
       s.host.ShowModal(screen);
     },
     1},
    {"AfterSettlementScreen", "frmReprocessingAfterSettlemt", [](db::Connection& con) { SeedSettled(con, 1, 1); },
     [](Session& s, Probe& p) {
       s.bas.GStrMasterNewEditFlag = "N";
       aftersettlement::frmReprocessingAfterSettlemt screen(s.bas);
       s.host.OnShow("frmReprocessingAfterSettlemt", [&](forms::Form& f) {
         Click(f, "optAuto");
         Pick(f, "cboCustomer", 1);
         Pick(f, "cboPrrocNo", 1);
         Paste(f, "txtNoRetals", "2");
         Paste(f, "txtnewInstPrice", "34000");
         p.Ready(f);
         ClickIfEnabled(f, "cmdReProcess");
         const std::string remarks = screen.txtRemarks.Text();
         ClickIfEnabled(f, "cmdOk");
         if (!screen.IsLoaded())
           p.ExpectStored("remarks",
                          "select hphRemarks from aHpProcessingHeader where hphProcessingID=" +
                              NewHeader("hphReferenceID=1"),
                          remarks);
         f.Tag.clear();
       });
       s.host.ShowModal(screen);
     },
     1},
    {"AfterSettlementSavedAgain", "frmReprocessingAfterSettlemt",
     [](db::Connection& con) {
       SeedSettled(con, 1, 1);
       SeedStoredAfterSettlement(con, 2, 1);
     },
     [](Session& s, Probe& p) {
       EditFromRegister(s, 2, [&](forms::Form& f) {
         auto& screen = dynamic_cast<aftersettlement::frmReprocessingAfterSettlemt&>(f);
         p.Ready(f);
         const std::string remarks = screen.txtRemarks.Text();
         ClickIfEnabled(f, "cmdOk");
         if (!screen.IsLoaded())
           p.ExpectStored("remarks", "select hphRemarks from aHpProcessingHeader where hphProcessingID=2", remarks);
       });
     },
     4},
    {"RegisterSearch", "FrmMaster",
     [](db::Connection& con) {
       testing::AddCustomer(con, {.id = 1, .name = "Nimal Perera"});
       testing::AddInvoice(con, {.id = 1, .number = "INV1", .customer = 1, .processed = true});
       testing::AddProcessing(con, {.id = 1, .number = "HP1", .lines = testing::Lines(3, "2024-04-15", 5000)});
     },
     [](Session& s, Probe& p) {
       reg::FrmMaster& r = *s.register_window;
       // The text once, then searched for in every column (the search runs
       // as a key comes up).
       r.Dispatch(forms::Event{.control = "cboSearch", .type = "select", .item = 0});
       p.Ready(r);
       for (int col = 0; col < r.cboSearch.ListCount(); ++col) {
         r.Dispatch(forms::Event{.control = "cboSearch", .type = "select", .item = col});
         Key(r, "txtsearch", 13);
       }
     },
     0},
    {"CancellationReason", "frmcancel",
     [](db::Connection& con) {
       testing::AddCustomer(con, {.id = 1, .name = "Nimal Perera"});
       testing::AddInvoice(con, {.id = 1, .number = "INV1", .customer = 1, .processed = true});
       testing::AddProcessing(con, {.id = 1, .number = "HP1", .lines = testing::Lines(3, "2024-04-15", 5000)});
     },
     [](Session& s, Probe& p) {
       reg::FrmMaster& r = *s.register_window;
       SelectRegisterRow(s, 1);
       std::string accepted;
       s.host.OnShow("frmcancel", [&](forms::Form& d) {
         p.Ready(d);
         const std::string shown = dynamic_cast<forms::TextBox&>(*d.Find("txtcanreason")).Text();
         ClickIfEnabled(d, "cmdok");
         if (!d.IsLoaded()) accepted = shown;
       });
       s.host.Answer(MsgBoxResult::Yes);
       Click(r, "CmdDelete");
       if (testing::CountRows(*s.bas.adocon, "aHpProcessingHeader", "hphProcessingID=1 and hphCancel=1") == 1)
         p.ExpectStored("reason", "select hphcancelRemarks from aHpProcessingHeader where hphProcessingID=1",
                        accepted);
     },
     2},
    {"CustomerSearch", "frmCustomerFetch",
     [](db::Connection& con) {
       SeedReprocessable(con, 1, 1);
       testing::AddCustomer(con, {.id = 7, .name = "O'Brien", .registrations = {"WP CAB-1234"}});
     },
     [](Session& s, Probe& p) {
       s.bas.GStrMasterNewEditFlag = "N";
       reprocessing::frmReprocessing screen(s.bas);
       s.host.OnShow("frmReprocessing", [&](forms::Form& f) {
         s.host.OnShow("frmCustomerFetch", [&](forms::Form& d) {
           auto& fetch = dynamic_cast<forms::ComboBox&>(*d.Find("cboFetch"));
           // Fetched by every column (the fetch empties its box, so the
           // text is entered each time), then searched for in the grid.
           for (int col = 0; col < fetch.ListCount(); ++col) {
             d.Dispatch(forms::Event{.control = "cboFetch", .type = "select", .item = col});
             d.Dispatch(forms::Event{.control = "cboSearch", .type = "select", .item = col % 5});
             p.Ready(d);
             Key(d, "txtFetch", 13);
             Key(d, "txtsearch", 13);
           }
           ClickIfEnabled(d, "cmdOK");
         });
         Click(f, "cmdCustfetch");
         f.Tag.clear();
       });
       s.host.ShowModal(screen);
     },
     0},
};

INSTANTIATE_TEST_SUITE_P(Windows, Injection, ::testing::ValuesIn(kStations),
                         [](const auto& p) { return p.param.name; });

}  // namespace
}  // namespace hp::reliability
