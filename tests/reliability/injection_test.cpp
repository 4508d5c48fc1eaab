// Hostile text in every box: each text box and editable combo a user can fill
// on each window ("station") takes every text of a corpus (quotes, statement
// separators, comments, "' OR 1=1", a DROP TABLE, LIKE wildcards, Unicode,
// control characters, 10,000 characters), typed key by key and pasted; then
// the window's main actions run. No statement may fail, no table of the world
// may change, the module's rows only as the action changes them, and what the
// action stores of the text is exactly what the window showed.
#include "platform/forms/text_box.h"
#include "reliability_world.h"
#include "support/database.h"

namespace hp::reliability {
namespace {

const std::pair<const char*, std::string> kCorpus[] = {
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
    {"TenThousandCharacters", [] {
       std::string s;
       while (s.size() < 10000) s += "x'; --\"";
       return s.substr(0, 10000);
     }()},
    {"ControlCharacters", "tab\there\x01\x02\x7f\x08" "end"},
    {"LineBreaks", "line1\r\nline2\nline3"},
    {"EmbeddedNul", std::string("nul\0inside", 10)},
    {"Blanks", "   "},
    {"Empty", ""},
    {"HugeNumber", "123456789012345678901234567890"},
};

// Types `text` one character (UTF-8 sequence) per key, each through KeyPress.
void TypeText(forms::Form& f, const std::string& control, const std::string& text) {
  for (size_t i = 0, n; i < text.size(); i += n) {
    const auto lead = static_cast<unsigned char>(text[i]);
    n = std::min(text.size() - i, size_t{lead < 0xC0 ? 1u : lead >= 0xF0 ? 4u : lead >= 0xE0 ? 3u : 2u});
    int cp = n == 1 ? lead : lead & (0x3F >> (n - 1));
    for (size_t k = 1; k < n; ++k) cp = (cp << 6) | (static_cast<unsigned char>(text[i + k]) & 0x3F);
    f.Dispatch(forms::Event{.control = control, .type = "key", .value = text.substr(i, n), .key = cp});
  }
}

// Enters the text under test into one input of one window when a driver says
// the window is ready; in discovery it lists the inputs offered instead.
struct Probe {
  std::string window, control, text;
  bool typed = false, discovering = false;
  std::vector<std::pair<std::string, bool>> found;  // discovery: (input, is a text box)
  bool entered = false;
  std::vector<std::tuple<std::string, std::string, std::string>> expected;  // (what, query, text the window showed)

  static bool Fillable(const forms::Control& c) {
    if (!c.Shown() || !c.Enabled || c.Locked) return false;
    for (const forms::Control* p = c.Container; p; p = p->Container)
      if (!p->Enabled) return false;
    auto* combo = dynamic_cast<const forms::ComboBox*>(&c);
    return dynamic_cast<const forms::TextBox*>(&c) || (combo && combo->style == forms::ComboBox::Style::DropDownCombo);
  }
  void Ready(forms::Form& f) {
    if (f.Name() != window) return;
    if (discovering) {
      for (forms::Control* c : f.Controls()) {
        const std::pair<std::string, bool> input(c->Name(), dynamic_cast<forms::TextBox*>(c) != nullptr);
        if (Fillable(*c) && std::find(found.begin(), found.end(), input) == found.end()) found.push_back(input);
      }
      return;
    }
    forms::Control* c = f.Find(control);
    if (!c || !Fillable(*c)) return;  // not offered this time: counted as vacuous
    if (typed && dynamic_cast<forms::TextBox*>(c)) {
      // Key 10 is Ctrl+Enter (a command), not a character typed into a one-line box.
      std::string keys = text;
      keys.erase(std::remove(keys.begin(), keys.end(), '\n'), keys.end());
      TypeText(f, control, keys);
    } else {
      Paste(f, control, text);
    }
    entered = true;
  }
  std::function<void(forms::Form&)> Filler() {
    return [this](forms::Form& f) { Ready(f); };
  }
};

// Saves; once saved, what `shown` read of the window before the press must be
// stored where each query of `where` (the header the save wrote) reads it.
using Shown = std::vector<std::tuple<std::string, std::string, std::string>>;  // (what, query, text)
AtSave ExpectStored(Probe& p, std::string condition, std::function<Shown(forms::Form&, const std::string&)> shown) {
  return [&p, condition, shown](forms::Form& f, const Press& press) {
    const Shown expected = shown(f, "(select max(hphProcessingID) from aHpProcessingHeader where " + condition + ")");
    press();
    if (!f.IsLoaded()) p.expected.insert(p.expected.end(), expected.begin(), expected.end());
  };
}
AtSave ExpectRemarks(Probe& p, std::string condition) {
  return ExpectStored(p, condition, [](forms::Form& f, const std::string& header) -> Shown {
    return {{"remarks", "select hphRemarks from aHpProcessingHeader where hphProcessingID=" + header,
             dynamic_cast<forms::TextBox&>(*f.Find("txtRemarks")).Text()}};
  });
}
// Line 1's bank and cheque number as `list` showed them.
AtSave ExpectLine1(Probe& p, std::string list, std::string condition) {
  return ExpectStored(p, condition, [list](forms::Form& f, const std::string& header) -> Shown {
    auto& l = dynamic_cast<forms::ListView&>(*f.Find(list));
    const std::string line = " from aHpProcessingDetail where hpddetailID=1 and hpdProcessingID=" + header;
    return {{"bank", "select hpdBankName" + line, l.Count() ? l.Item(0).SubItem(7) : ""},
            {"cheque", "select hpdChequeNo" + line, l.Count() ? l.Item(0).SubItem(8) : ""}};
  });
}

struct Station {
  const char* name;
  const char* window;  // whose inputs are tried
  std::function<void(db::Connection&)> seed;
  std::function<void(Session&, Probe&)> drive;
  long may_change;  // module rows the actions may rewrite (flags, a row saved again)
};
void PrintTo(const Station& s, std::ostream* os) { *os << s.name; }

using C = db::Connection;
const Station kStations[] = {
    {"ProcessingScreen", "frmProcessing", [](C& con) { SeedOpenInvoice(con, 1, 1); },
     [](Session& s, Probe& p) { SaveProcessing(s, 1, 1, "", {ExpectRemarks(p, "hphInvoiceID=1"), p.Filler()}); }, 1},
    {"ChequeDialog", "frmPopUp", [](C& con) { SeedOpenInvoice(con, 1); },
     [](Session& s, Probe& p) {
       SaveProcessing(s, 1, 1, "", {[&](forms::Form& f, const Press& press) {
                        s.host.OnShow("frmPopUp", [&](forms::Form& d) { p.Ready(d), Act(d, "cmdOK"); });
                        testing::DblClick(f, "lvwProcessing", 0);
                        ExpectLine1(p, "lvwProcessing", "hphInvoiceID=1")(f, press);
                      }});
     }, 1},
    {"ReprocessingScreen", "frmReprocessing", [](C& con) { SeedReprocessable(con, 1); },
     [](Session& s, Probe& p) {
       SaveReprocessing(s, 1, 1, "10", {}, "", {ExpectRemarks(p, "hphReferenceID=1"), p.Filler()});
     }, 1},
    {"RentalLineEditor", "frmReProcessingPopUp", [](C& con) { SeedReprocessable(con, 1); },
     [](Session& s, Probe& p) {
       SaveReprocessing(s, 1, 1, "", kManualLines, "",
                        {ExpectLine1(p, "lvwReProcessing", "hphReferenceID=1"), p.Filler()});
     }, 1},
    {"AfterSettlementScreen", "frmReprocessingAfterSettlemt", [](C& con) { SeedSettled(con, 1); },
     [](Session& s, Probe& p) {
       SaveAfterSettlement(s, 1, 1, "2", "34000", "", {ExpectRemarks(p, "hphReferenceID=1"), p.Filler()});
     }, 1},
    {"AfterSettlementSavedAgain", "frmReprocessingAfterSettlemt", [](C& con) { SeedStoredAfterSettlement(con, 2, 1); },
     [](Session& s, Probe& p) {
       SaveAfterSettlementAgain(s, 2, "", "", {ExpectRemarks(p, "hphProcessingID=2"), p.Filler()});
     }, 4},
    {"RegisterSearch", "FrmMaster", [](C& con) { SeedLive(con, 1); },
     [](Session& s, Probe& p) {  // the text once, then searched for in every column (as a key comes up)
       reg::FrmMaster& r = *s.register_window;
       testing::Choose(r, "cboSearch", 0);
       p.Ready(r);
       for (int col = 0; col < r.cboSearch.ListCount(); ++col) testing::Choose(r, "cboSearch", col), Key(r, "txtsearch", 13);
     }, 0},
    {"CancellationReason", "frmcancel", [](C& con) { SeedLive(con, 1); },
     [](Session& s, Probe& p) {
       CancelFromRegister(s, 1, "", {[&](forms::Form&, const Press& press) {
                            std::string accepted;  // closing the dialog unaccepted gives no reason
                            s.host.OnShow("frmcancel", [&](forms::Form& d) {
                              p.Ready(d);
                              const std::string shown = dynamic_cast<forms::TextBox&>(*d.Find("txtcanreason")).Text();
                              Act(d, "cmdok");
                              if (!d.IsLoaded()) accepted = shown;
                            });
                            press();
                            if (testing::CountRows(*s.bas.adocon, "aHpProcessingHeader", "hphCancel=1") == 1)
                              p.expected.emplace_back("reason", "select hphcancelRemarks from aHpProcessingHeader "
                                                                "where hphProcessingID=1", accepted);
                          }});
     }, 2},
    {"CustomerSearch", "frmCustomerFetch",
     [](C& con) {
       SeedReprocessable(con, 1);
       testing::AddCustomer(con, {.id = 7, .name = "O'Brien", .registrations = {"WP CAB-1234"}});
     },
     [](Session& s, Probe& p) {
       s.bas.GStrMasterNewEditFlag = "N";
       reprocessing::frmReprocessing screen(s.bas);
       s.host.OnShow("frmReprocessing", [&](forms::Form& f) {
         s.host.OnShow("frmCustomerFetch", [&](forms::Form& d) {
           // Fetched by every column (the fetch empties its box, so the text
           // goes in each time), then searched for in the grid.
           for (int col = 0; col < dynamic_cast<forms::ComboBox&>(*d.Find("cboFetch")).ListCount(); ++col) {
             testing::Choose(d, "cboFetch", col), testing::Choose(d, "cboSearch", col % 5);
             p.Ready(d);
             Key(d, "txtFetch", 13), Key(d, "txtsearch", 13);
           }
           Act(d, "cmdOK");
         });
         Click(f, "cmdCustfetch");
         f.Tag.clear();
       });
       s.host.ShowModal(screen);
     }, 0},
};

// Tables of the world around the module: no action of the module writes them.
const std::vector<std::string> kWorldTables = {
    "aCompanyMaster", "aFinancialYear", "aDepartmentMaster", "ashops", "aCustomerMaster", "aUsers", "auserrights",
    "asettings", "MiscSettings", "aPrefix", "atables", "atablecolumns", "losHpCustomerDetails",
    "losHpItemRegistrationDetails", "losHpInvoiceDetailOthers", "losHpChequeRegisterHeader",
    "losHpChequeRegisterDetail"};

std::vector<std::string> SchemaOf(db::Connection& con) {
  std::vector<std::string> names;
  for (db::Recordset rs = con.Open(
           con.backend() == db::Backend::SQLite
               ? "select type || ' ' || name || ' ' || coalesce(sql,'') from sqlite_master"
               : "select table_name from information_schema.tables where table_schema=current_schema()");
       !rs.Eof(); rs.MoveNext())
    names.push_back(db::AsText(rs.Field(0)));
  std::sort(names.begin(), names.end());
  return names;
}

class Injection : public ::testing::TestWithParam<Station> {};

TEST_P(Injection, EveryInputTakesHostileTextWithoutHarm) {
  const Station& st = GetParam();
  long cases = 0, vacuous = 0, compared = 0;
  auto run = [&](Probe& probe) {
    auto con = testing::FreshDatabase();
    testing::StandardWorld(*con);
    st.seed(*con);
    const std::vector<std::string> schema = SchemaOf(*con);
    const Dump world = Snapshot(*con, false, kWorldTables), module = Snapshot(*con);
    Session s(*con);
    try {
      st.drive(s, probe);
    } catch (const std::exception& e) {
      ADD_FAILURE() << "the window let an error escape: " << e.what();
    }
    if (!probe.entered) return;
    const std::vector<std::string> failed = ErrorsLogged(*con);
    EXPECT_TRUE(failed.empty()) << failed.size() << " statements failed, first: " << failed[0];
    EXPECT_EQ(SchemaOf(*con), schema) << "the tables changed";
    const Dump world_after = Snapshot(*con, false, kWorldTables);
    EXPECT_EQ(world_after, world) << Compare(world, world_after).text;
    const Change change = Compare(module, Snapshot(*con));
    EXPECT_LE(change.lost, st.may_change) << "rows the action does not touch changed:" << change.text;
    for (const auto& [what, sql, text_shown] : probe.expected) {
      db::Recordset rs = con->Open(sql);
      ASSERT_FALSE(rs.Eof()) << what << ": nothing stored";
      EXPECT_EQ(db::AsText(rs.Field(0)), text_shown) << what << " not stored as the window showed it";
      ++compared;
    }
  };
  Probe discovery{.window = st.window, .discovering = true};
  run(discovery);
  ASSERT_FALSE(discovery.found.empty()) << st.window << " offered no input to fill";

  for (const auto& [input, text_box] : discovery.found) {
    for (const auto& [name, text] : kCorpus) {
      for (const bool typed : {true, false}) {
        if (typed && !text_box) continue;  // an editable combo takes pasting only
        SCOPED_TRACE(std::string(st.window) + "." + input + (typed ? " typed " : " pasted ") + name);
        Probe probe{.window = st.window, .control = input, .text = text, .typed = typed};
        run(probe);
        ++(probe.entered ? cases : vacuous);
      }
    }
  }
  EXPECT_EQ(vacuous, 0) << "inputs the window stopped offering";
  Totals().injection_cases += cases;
  RecordProperty("injection_cases", static_cast<int>(cases));
  std::cout << "[ reliability ] " << st.name << ": " << discovery.found.size() << " inputs, " << cases
            << " cases tried, " << compared << " stored texts compared\n";
}

INSTANTIATE_TEST_SUITE_P(Windows, Injection, ::testing::ValuesIn(kStations),
                         [](const auto& p) { return std::string(p.param.name); });

}  // namespace
}  // namespace hp::reliability
