// A server on a free loopback port over a fresh database file, a test window
// standing in for the register, and an HTTP client that keeps its cookie and
// CSRF token as the page does.
#pragma once

#include <gtest/gtest.h>
#include <httplib.h>
#include <unistd.h>

#include <filesystem>
#include <functional>
#include <nlohmann/json.hpp>
#include <thread>

#include "platform/db/schema.h"
#include "platform/forms/basic_controls.h"
#include "platform/forms/combo_box.h"
#include "platform/forms/flex_grid.h"
#include "platform/forms/list_view.h"
#include "platform/forms/menu.h"
#include "platform/forms/text_box.h"
#include "shell/bas_module.h"
#include "shell/passwords.h"
#include "support/module.h"
#include "web/server.h"

namespace hp::webtest {

using nlohmann::json;
using forms::CommandButton;

class frmTestDialog : public forms::Form {
 public:
  explicit frmTestDialog(forms::Host& host)
      : Form(host, "frmTestDialog"), txtReply(*this, "txtReply"), cmdOK(*this, "cmdOK") {
    DefaultButton = &cmdOK;
    cmdOK.Click = [this] { Unload(); };
  }
  forms::TextBox txtReply;
  CommandButton cmdOK;
};

// Every kind of control, handlers that show what arrived in lblAnswer, and
// New/Edit/Delete enabled by the rights letters N/E/D as the register does.
class frmTestRegister : public forms::Form {
 public:
  explicit frmTestRegister(shell::BasModule& bas) : Form(bas.host, "frmTestRegister"), bas_(bas) {
    txtName.MaxLength = 10;
    // Upper-cases letters and drops digits, as the windows' key filters do.
    txtName.KeyPress = [](int& k) { k = k >= 'a' && k <= 'z' ? k - 'a' + 'A' : k >= '0' && k <= '9' ? 0 : k; };
    txtHidden.Visible = false;
    cboBank.AddItem("People's Bank", 1);
    cboBank.AddItem("Sampath Bank", 2);
    cboBank.KeyPress = [](int& key) { key = key == '\'' ? 0 : key; };
    cboBank.Change = [this] { Answer("bank changed to " + cboBank.Text()); };
    lvwItems.Columns = {{"Name", 1500}};
    flexRows.SetCols(3);
    flexRows.SetRows(101);
    for (int r = 1; r <= 100; ++r) flexRows.SetTextMatrix(r, 1, "row " + std::to_string(r));
    fraLocked.Enabled = false;
    cmdInside.Container = &fraLocked;
    DefaultButton = &cmdNew;  // Enter in txtRef presses it
    CancelButton = &CmdClose;
    mnuItems = {"mnuItems", {{"mnuAdd", "&Add", true, true, [this] { Add(); }},
                             {"mnuOff", "&Off", false, true, [this] { Answer("off ran"); }}}};
    AddMenu(mnuItems);
    cmdInside.Click = [this] { Answer("inside ran"); };
    cmdAdd.Click = [this] { Add(); };
    cmdNew.Click = [this] { Answer("new ran"); };
    cmdEdit.Click = [this] { Answer("edit ran"); };
    CmdDelete.Click = [this] { lvwItems.Count() > 0 ? lvwItems.Remove(0) : void(); };
    cmdAsk.Click = [this] {
      Answer(bas_.MsgBox("Proceed?", forms::vbYesNo + forms::vbQuestion) == forms::MsgBoxResult::Yes ? "Yes" : "No");
    };
    cmdDialog.Click = [this] {
      frmTestDialog dialog(host());
      host().ShowModal(dialog);
      Answer("reply " + dialog.txtReply.Text());
    };
    cmdMenu.Click = [this] { PopupMenu(mnuItems); };
    cmdFail.Click = [] {
      throw std::runtime_error("near \"SELEC\": syntax error in SELECT PasswordHash FROM hpUserLogin");
    };
    cmdReport.Click = [this] { host().ShowDocument("Processing report", "application/pdf", "%PDF-1.4 test"); };
    cmdSlow.Click = [this] {  // long work that lets the user interface breathe
      Busy = true;
      for (int i = 0; i < 60; ++i) std::this_thread::sleep_for(std::chrono::milliseconds(25)), host().DoEvents();
      Busy = false;
      Answer("slow done");
    };
    CmdClose.Click = [this] { Unload(); };
  }

 protected:
  void Form_Load() override {
    db::Recordset rs = bas_.adocon->Open(
        "select FunctionRights from auserrights where companyid = ? and userid = ? and interfaceid = 7503",
        {std::int64_t{bas_.intCompanyID}, std::int64_t{bas_.intuserid}});
    bas_.strFunctionRights = rs.Eof() ? "" : db::AsText(rs.Field(0));
    cmdNew.Enabled = bas_.HasFunctionRight("N");
    cmdEdit.Enabled = bas_.HasFunctionRight("E");
    CmdDelete.Enabled = bas_.HasFunctionRight("D");
  }

 private:
  void Answer(const std::string& text) { lblAnswer.Caption = text; }
  void Add() { lvwItems.Add(txtName.Text()); }
  shell::BasModule& bas_;
  forms::Label lblCompany{*this, "lblCompany", "Company " + std::to_string(bas_.intCompanyID)},
      lblAnswer{*this, "lblAnswer"};
  forms::TextBox txtName{*this, "txtName"}, txtRef{*this, "txtRef"}, txtHidden{*this, "txtHidden"};
  forms::ComboBox cboBank{*this, "cboBank", forms::ComboBox::Style::DropDownCombo};
  forms::ListView lvwItems{*this, "lvwItems"};
  forms::FlexGrid flexRows{*this, "flexRows"};
  forms::Frame fraLocked{*this, "fraLocked"};
  CommandButton cmdInside{*this, "cmdInside"}, cmdAdd{*this, "cmdAdd"}, cmdNew{*this, "cmdNew"},
      cmdEdit{*this, "cmdEdit"}, CmdDelete{*this, "CmdDelete"}, cmdAsk{*this, "cmdAsk"}, cmdDialog{*this, "cmdDialog"},
      cmdMenu{*this, "cmdMenu"}, cmdFail{*this, "cmdFail"}, cmdReport{*this, "cmdReport"}, cmdSlow{*this, "cmdSlow"},
      CmdClose{*this, "CmdClose"};
  forms::Menu mnuItems;
};

struct TestWindows : testing::NoWindows {
  std::unique_ptr<forms::Form> MakeRegister(shell::BasModule& b) override {
    return std::make_unique<frmTestRegister>(b);
  }
};

// A fresh database file: company 1 with user "clerk" (rights NED), company 2
// with user "other" (rights NE, none in company 1), and "nobody" without rights.
struct TestDatabase {
  std::filesystem::path dir, file;
  TestDatabase() {
    char pattern[] = "/tmp/hp_web_test_XXXXXX";
    if (!mkdtemp(pattern)) throw std::runtime_error("no temporary directory");
    dir = pattern;
    file = dir / "hp.db";
    auto con = db::OpenDatabase(file.string());
    db::CreateSchema(*con);
    testing::StandardWorld(*con);
    testing::AddUser(*con, 2, "other");
    testing::SecondCompany(*con, {.company = 2, .department = 20, .shop = 200, .user = 2, .financial = 2});
    testing::SetRights(*con, 2, 2, "NE");
    testing::AddUser(*con, 3, "nobody");
    int id = 0;
    for (const char* user : {"clerk", "other", "nobody"}) shell::SetPassword(*con, ++id, std::string(user) + "-pass");
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

inline const json kOpenCompany1 = {{"company", 1}, {"department", 0}, {"financial", 1}, {"date", "2024-03-15"}};

// An event for the test register.
inline json On(const std::string& control, const std::string& type = "click", json more = json::object()) {
  more.update({{"window", "frmTestRegister"}, {"control", control}, {"type", type}});
  return more;
}

// The control `name` of window `window` in a state, or null.
inline json ControlOf(const json& state, const std::string& name, const std::string& window = "frmTestRegister") {
  if (!state.is_object() || !state.contains("windows")) return json();
  for (const auto& w : state["windows"])
    if (w["name"] == window)
      for (const auto& c : w["controls"])
        if (c["name"] == name) return c;
  return json();
}

inline std::vector<std::string> WindowNames(const json& state) {
  std::vector<std::string> names;
  for (const auto& w : state["windows"]) names.push_back(w["name"].get<std::string>());
  return names;
}

// One browser: its cookie and CSRF token.
class Browser {
 public:
  explicit Browser(int port) : cli_("127.0.0.1", port) { cli_.set_read_timeout(30, 0); }
  struct Reply {
    int status = 0;
    json body;
    std::string raw, set_cookie;
    json Control(const std::string& name) const {
      return body.is_object() && body.contains("state") ? ControlOf(body["state"], name) : json();
    }
  };

  Reply Send(const std::string& method, const std::string& path, const json& body = json(), bool with_csrf = true,
             const std::string& type = "application/json", httplib::Headers h = {}) {
    if (!cookie.empty()) h.emplace("Cookie", cookie);
    if (with_csrf && !csrf.empty()) h.emplace("X-CSRF-Token", csrf);
    std::string text = body.is_null() ? std::string() : body.dump();
    const char* p = path.c_str();
    httplib::Result r = method == "GET"      ? cli_.Get(p, h)
                        : method == "PUT"    ? cli_.Put(p, h, text, type.c_str())
                        : method == "DELETE" ? cli_.Delete(p, h, text, type.c_str())
                                             : cli_.Post(p, h, text, type.c_str());
    Reply reply;
    if (!r) return reply;
    reply = {r->status, json::parse(r->body, nullptr, false), r->body, r->get_header_value("Set-Cookie")};
    // Keep the cookie as a browser does: a cleared one is dropped.
    if (!reply.set_cookie.empty())
      cookie = reply.set_cookie.find("Max-Age=0") != std::string::npos
                   ? ""
                   : reply.set_cookie.substr(0, reply.set_cookie.find(';'));
    if (reply.body.is_object() && reply.body.contains("csrf")) csrf = reply.body["csrf"].get<std::string>();
    return reply;
  }
  Reply SignIn(const std::string& user, const std::string& password) {
    return Send("POST", "/api/signin", {{"user", user}, {"password", password}}, false);
  }
  // Signs in and opens `company` in its year `financial`.
  Reply Open(const std::string& user, const std::string& password, int company = 1, int financial = 1) {
    Reply r = SignIn(user, password);
    if (r.status != 200) return r;
    json open = kOpenCompany1;
    open.update({{"company", company}, {"financial", financial}});
    return Send("POST", "/api/open", open);
  }
  Reply Event(const json& event) { return Send("POST", "/api/event", event); }
  Reply State() { return Send("GET", "/api/state"); }

  std::string cookie, csrf;

 private:
  httplib::Client cli_;
};

// A server over a fresh database, serving from a thread.
struct ServerFixture : ::testing::Test {
  TestDatabase database;
  std::unique_ptr<web::Server> server;
  int port = 0;

  // Starts the server again, with options changed by `change`, on `file`.
  void Restart(const std::function<void(web::ServerOptions&)>& change = {}, const std::string& file = {}) {
    auto options = TestOptions(file.empty() ? database.file.string() : file);
    if (change) change(options);
    server.reset();
    server = std::make_unique<web::Server>(std::move(options));
    port = server->Bind("127.0.0.1", 0);
    ASSERT_GT(port, 0);
    server->Start();
  }
  void SetUp() override { Restart(); }
  void TearDown() override { server.reset(); }
};

}  // namespace hp::webtest
