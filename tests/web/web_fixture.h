// A server on a free loopback port over a fresh database file, small test
// windows standing in for the register, and an HTTP client that keeps its
// cookie and CSRF token as the page does.
#pragma once

#include <gtest/gtest.h>
#include <httplib.h>
#include <unistd.h>

#include <filesystem>
#include <memory>
#include <nlohmann/json.hpp>
#include <stdexcept>
#include <string>
#include <thread>

#include "platform/db/connection.h"
#include "platform/db/schema.h"
#include "platform/forms/basic_controls.h"
#include "platform/forms/combo_box.h"
#include "platform/forms/flex_grid.h"
#include "platform/forms/list_view.h"
#include "platform/forms/menu.h"
#include "platform/forms/text_box.h"
#include "shell/bas_module.h"
#include "shell/passwords.h"
#include "shell/windows.h"
#include "support/records.h"
#include "web/server.h"

namespace hp::webtest {

using nlohmann::json;

// A dialog shown modally over the test register.
class frmTestDialog : public forms::Form {
 public:
  explicit frmTestDialog(forms::Host& host)
      : Form(host, "frmTestDialog"), txtReply(*this, "txtReply"), cmdOK(*this, "cmdOK", "&OK") {
    Caption = "Reply";
    Width = 4000;
    Height = 2000;
    txtReply.Place(120, 120, 3000, 300);
    cmdOK.Place(120, 600, 1200, 400);
    DefaultButton = &cmdOK;
    cmdOK.Click = [this] { Unload(); };
  }
  forms::TextBox txtReply;
  forms::CommandButton cmdOK;
};

// Stands in for the register: a window of every kind of control, with
// handlers that show what arrived.
class frmTestRegister : public forms::Form {
 public:
  explicit frmTestRegister(shell::BasModule& bas)
      : Form(bas.host, "frmTestRegister"),
        lblCompany(*this, "lblCompany", "Company " + std::to_string(bas.intCompanyID)),
        lblAnswer(*this, "lblAnswer"),
        txtName(*this, "txtName"),
        cboBank(*this, "cboBank", forms::ComboBox::Style::DropDownCombo),
        lvwItems(*this, "lvwItems"),
        flexRows(*this, "flexRows"),
        cmdAdd(*this, "cmdAdd", "&Add"),
        CmdDelete(*this, "CmdDelete", "&Delete"),
        cmdAsk(*this, "cmdAsk", "As&k"),
        cmdDialog(*this, "cmdDialog", "D&ialog"),
        cmdMenu(*this, "cmdMenu", "&Menu"),
        cmdFail(*this, "cmdFail", "&Fail"),
        cmdReport(*this, "cmdReport", "&Report"),
        cmdSlow(*this, "cmdSlow", "&Slow"),
        txtHidden(*this, "txtHidden"),
        CmdClose(*this, "CmdClose", "&Close"),
        bas_(bas) {
    Caption = "Test Register";
    Width = 9000;
    Height = 7000;
    txtName.MaxLength = 10;
    // Upper-cases letters and drops digits, as the windows' key filters do.
    txtName.KeyPress = [](int& key) {
      if (key >= 'a' && key <= 'z') key = key - 'a' + 'A';
      if (key >= '0' && key <= '9') key = 0;
    };
    cboBank.AddItem("People's Bank", 1);
    cboBank.AddItem("Sampath Bank", 2);
    cboBank.KeyPress = [](int& key) {
      if (key == '\'') key = 0;
    };
    cboBank.Change = [this] { lblAnswer.Caption = "bank changed to " + cboBank.Text(); };
    lvwItems.Columns = {{"Name", 1500}, {"Length", 800}};
    flexRows.SetCols(3);
    flexRows.SetRows(101);
    for (int r = 1; r <= 100; ++r) flexRows.SetTextMatrix(r, 1, "row " + std::to_string(r));
    CmdDelete.Enabled = bas.HasFunctionRight("D");
    txtHidden.Visible = false;
    CancelButton = &CmdClose;
    mnuItems.name = "mnuItems";
    mnuItems.items = {{"mnuAdd", "&Add", true, true, [this] { cmdAdd_Click(); }},
                      {"mnuOff", "&Off", false, true, [this] { lblAnswer.Caption = "off ran"; }}};
    AddMenu(mnuItems);

    cmdAdd.Click = [this] { cmdAdd_Click(); };
    CmdDelete.Click = [this] {
      if (lvwItems.Count() > 0) lvwItems.Remove(0);
      lblAnswer.Caption = "deleted";
    };
    cmdAsk.Click = [this] {
      auto a = bas_.MsgBox("Proceed?", forms::vbYesNo + forms::vbQuestion);
      lblAnswer.Caption = a == forms::MsgBoxResult::Yes ? "Yes" : "No";
    };
    cmdDialog.Click = [this] {
      frmTestDialog dialog(host());
      host().ShowModal(dialog);
      lblAnswer.Caption = "reply " + dialog.txtReply.Text();
    };
    cmdMenu.Click = [this] { PopupMenu(mnuItems); };
    cmdFail.Click = [] {
      throw std::runtime_error("near \"SELEC\": syntax error in SELECT PasswordHash FROM hpUserLogin");
    };
    cmdReport.Click = [this] { host().ShowDocument("Processing report", "application/pdf", "%PDF-1.4 test"); };
    // Long work that lets the user interface breathe, as a long grid fill does.
    cmdSlow.Click = [this] {
      Busy = true;
      for (int i = 0; i < 60; ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(25));
        host().DoEvents();
      }
      Busy = false;
      lblAnswer.Caption = "slow done";
    };
    CmdClose.Click = [this] { Unload(); };
  }

  forms::Label lblCompany, lblAnswer;
  forms::TextBox txtName;
  forms::ComboBox cboBank;
  forms::ListView lvwItems;
  forms::FlexGrid flexRows;
  forms::CommandButton cmdAdd, CmdDelete, cmdAsk, cmdDialog, cmdMenu, cmdFail, cmdReport, cmdSlow;
  forms::TextBox txtHidden;
  forms::CommandButton CmdClose;
  forms::Menu mnuItems;

 protected:
  void Form_Load() override {
    // The register reads the rights as the real one does.
    db::Recordset rs = bas_.adocon->Open(
        "select FunctionRights from auserrights where companyid = ? and userid = ? and interfaceid = 7503",
        {std::int64_t{bas_.intCompanyID}, std::int64_t{bas_.intuserid}});
    bas_.strFunctionRights = rs.Eof() ? "" : db::AsText(rs.Field(0));
    CmdDelete.Enabled = bas_.HasFunctionRight("D");
  }

 private:
  void cmdAdd_Click() {
    int i = lvwItems.Add(txtName.Text());
    lvwItems.Item(i).SetSubItem(1, std::to_string(txtName.Text().size()));
  }
  shell::BasModule& bas_;
};

class TestWindows : public shell::WindowFactory {
 public:
  std::unique_ptr<forms::Form> MakeRegister(shell::BasModule& bas) override {
    return std::make_unique<frmTestRegister>(bas);
  }
  std::unique_ptr<forms::Form> MakeProcessing(shell::BasModule&) override { return nullptr; }
  std::unique_ptr<forms::Form> MakeReprocessing(shell::BasModule&) override { return nullptr; }
  std::unique_ptr<forms::Form> MakeAfterSettlement(shell::BasModule&) override { return nullptr; }
};

// A fresh database file: company 1 with user "clerk" (rights NED), company 2
// with user "other" (rights NE) who has no rights in company 1, and a user
// "nobody" without any rights.
struct TestDatabase {
  std::filesystem::path dir;
  std::filesystem::path file;

  TestDatabase() {
    char pattern[] = "/tmp/hp_web_test_XXXXXX";
    if (!mkdtemp(pattern)) throw std::runtime_error("no temporary directory");
    dir = pattern;
    file = dir / "hp.db";
    auto con = db::OpenDatabase(file.string());
    db::CreateSchema(*con);
    testing::StandardWorld(*con);
    testing::AddCompany(*con, 2, "Second Company");
    con->Execute(
        "insert into aFinancialYear (FinancialId, CompanyID, Description, StartDate, EndDate) values (2, 2, "
        "'2023/24 B', '2023-04-01', '2024-03-31')");
    testing::AddDepartment(*con, 20, 2, "Trucks");
    testing::AddUser(*con, 2, "other");
    testing::SetRights(*con, 2, 2, "NE");
    testing::AddUser(*con, 3, "nobody");
    shell::SetPassword(*con, 1, "clerk-pass");
    shell::SetPassword(*con, 2, "other-pass");
    shell::SetPassword(*con, 3, "nobody-pass");
  }
  ~TestDatabase() {
    std::error_code ec;
    std::filesystem::remove_all(dir, ec);
  }
};

inline web::ServerOptions TestOptions(const std::string& database) {
  web::ServerOptions o;
  o.module.database = database;
  o.module.windows = [] { return std::make_unique<TestWindows>(); };
  o.event_wait = std::chrono::milliseconds(10000);
  o.threads = 8;
  return o;
}

// One browser: its cookie and CSRF token.
class Browser {
 public:
  explicit Browser(int port) : cli_("127.0.0.1", port) { cli_.set_read_timeout(30, 0); }

  struct Reply {
    int status = 0;
    json body;
    std::string raw;
    std::string set_cookie;
  };

  Reply Send(const std::string& method, const std::string& path, const json& body = json(), bool with_csrf = true,
             const std::string& content_type = "application/json") {
    httplib::Headers h;
    if (!cookie_.empty()) h.emplace("Cookie", cookie_);
    if (with_csrf && !csrf_.empty()) h.emplace("X-CSRF-Token", csrf_);
    httplib::Result r = method == "GET" ? cli_.Get(path.c_str(), h)
                                        : cli_.Post(path.c_str(), h, body.is_null() ? std::string() : body.dump(),
                                                    content_type.c_str());
    Reply reply;
    if (!r) return reply;
    reply.status = r->status;
    reply.raw = r->body;
    reply.body = json::parse(r->body, nullptr, false);
    reply.set_cookie = r->get_header_value("Set-Cookie");
    // Keep the cookie as a browser does: a cleared one is dropped.
    if (!reply.set_cookie.empty()) {
      std::string pair = reply.set_cookie.substr(0, reply.set_cookie.find(';'));
      cookie_ = reply.set_cookie.find("Max-Age=0") != std::string::npos ? std::string() : pair;
    }
    if (reply.body.is_object() && reply.body.contains("csrf")) csrf_ = reply.body["csrf"].get<std::string>();
    return reply;
  }

  Reply SignIn(const std::string& user, const std::string& password) {
    return Send("POST", "/api/signin", {{"user", user}, {"password", password}}, false);
  }

  // Signs in and opens company `company` (its first year, no department).
  Reply Open(const std::string& user, const std::string& password, int company = 1, int financial = 1) {
    Reply r = SignIn(user, password);
    if (r.status != 200) return r;
    return Send("POST", "/api/open", {{"company", company}, {"department", 0}, {"financial", financial},
                                      {"date", "2024-03-15"}});
  }

  Reply Event(const json& event) { return Send("POST", "/api/event", event); }
  Reply State() { return Send("GET", "/api/state"); }

  std::string& cookie() { return cookie_; }
  std::string& csrf() { return csrf_; }

 private:
  httplib::Client cli_;
  std::string cookie_;
  std::string csrf_;
};

// The control `name` of window `window` in a state, or null.
inline json ControlOf(const json& state, const std::string& window, const std::string& name) {
  for (const auto& w : state["windows"])
    if (w["name"] == window)
      for (const auto& c : w["controls"])
        if (c["name"] == name) return c;
  return json();
}

inline std::string CaptionOf(const json& state, const std::string& control) {
  json c = ControlOf(state, "frmTestRegister", control);
  return c.is_null() ? std::string("<none>") : c["caption"].get<std::string>();
}

// The names of the windows of a state, bottom first.
inline std::vector<std::string> WindowNames(const json& state) {
  std::vector<std::string> names;
  for (const auto& w : state["windows"]) names.push_back(w["name"].get<std::string>());
  return names;
}

// A server over a fresh database, serving from a thread.
struct ServerFixture : ::testing::Test {
  TestDatabase database;
  std::unique_ptr<web::Server> server;
  int port = 0;

  void StartServer(web::ServerOptions options) {
    server = std::make_unique<web::Server>(std::move(options));
    port = server->Bind("127.0.0.1", 0);
    ASSERT_GT(port, 0);
    server->Start();
  }
  void SetUp() override { StartServer(TestOptions(database.file.string())); }
  void TearDown() override { server.reset(); }
};

}  // namespace hp::webtest
