#include "web/server.h"

#include <httplib.h>
#include <spdlog/spdlog.h>

#include <algorithm>
#include <cctype>
#include <cstring>
#include <limits>
#include <nlohmann/json.hpp>
#include <semaphore>

#include "platform/db/connection.h"
#include "web/assets.h"
#include "web/event_body.h"
#include "web/rate_limiter.h"
#include "web/session_store.h"
#include "web/sign_in.h"
#include "web/tokens.h"

namespace hp::web {
namespace {

using nlohmann::json;
using Clock = std::chrono::steady_clock;

constexpr char kCookie[] = "hp_session";
constexpr char kCsrfHeader[] = "X-CSRF-Token";
constexpr char kCsrfMarker[] = "__HP_CSRF__";
constexpr char kServerError[] = "Something went wrong on the server. The error has been logged.";

thread_local Clock::time_point request_start;

void SendJson(httplib::Response& res, int status, const json& body) {
  res.status = status;
  res.set_header("Cache-Control", "no-store");
  // Not "application/json" exactly: the HTTP library would compress every
  // answer at its slowest setting, for nothing on a local network.
  res.set_content(body.dump(), "application/json; charset=utf-8");
}

void SendError(httplib::Response& res, int status, const std::string& message) {
  SendJson(res, status, {{"ok", false}, {"error", message}});
}

std::string CookieValue(const httplib::Request& req, const std::string& name) {
  std::string header = req.get_header_value("Cookie");
  size_t pos = 0;
  while (pos < header.size()) {
    size_t end = header.find(';', pos);
    if (end == std::string::npos) end = header.size();
    std::string part = header.substr(pos, end - pos);
    size_t b = part.find_first_not_of(' ');
    if (b != std::string::npos) part = part.substr(b);
    if (part.size() > name.size() && part.compare(0, name.size(), name) == 0 && part[name.size()] == '=')
      return part.substr(name.size() + 1);
    pos = end + 1;
  }
  return {};
}

// A JSON body, or nullopt (a body that is not an object counts as malformed).
std::optional<json> ParseBody(const httplib::Request& req) {
  return ParseJsonObject(req.body);
}

bool IsJsonRequest(const httplib::Request& req) {
  std::string type = req.get_header_value("Content-Type");
  std::transform(type.begin(), type.end(), type.begin(), [](unsigned char c) { return std::tolower(c); });
  return type.rfind("application/json", 0) == 0;
}

std::string Lower(std::string s) {
  std::transform(s.begin(), s.end(), s.begin(), [](unsigned char c) { return std::tolower(c); });
  size_t b = s.find_first_not_of(" \t");
  size_t e = s.find_last_not_of(" \t");
  return b == std::string::npos ? std::string() : s.substr(b, e - b + 1);
}

// A POST from a page of another site carries its Origin; ours carries ours
// (or none, from tools). SameSite=Strict keeps the cookie off such requests
// already; this refuses them outright.
bool SameOrigin(const httplib::Request& req) {
  if (!req.has_header("Origin")) return true;
  std::string origin = req.get_header_value("Origin");
  std::string host = req.get_header_value("Host");
  if (host.empty()) return false;
  return origin == "http://" + host || origin == "https://" + host;
}

}  // namespace

struct Server::Impl {
  explicit Impl(ServerOptions o)
      : options(std::move(o)),
        sessions(options.idle_timeout, options.max_sessions),
        per_user(options.failures_per_user, options.failure_window),
        per_address(options.failures_per_address, options.failure_window) {}

  ServerOptions options;
  httplib::Server http;
  SessionStore sessions;
  RateLimiter per_user;
  RateLimiter per_address;
  // Argon2id takes 64 MiB a check: a burst of sign-ins waits its turn.
  std::counting_semaphore<4> hashing{4};
  std::thread thread;

  std::string CookieHeader(const std::string& id, bool clear) const {
    std::string c = std::string(kCookie) + "=" + (clear ? "" : id) + "; Path=/; HttpOnly; SameSite=Strict";
    if (clear) c += "; Max-Age=0";
    if (options.secure_cookie) c += "; Secure";
    return c;
  }

  std::shared_ptr<Session> SessionOf(const httplib::Request& req) {
    return sessions.Find(CookieValue(req, kCookie));
  }

  static bool IsPublic(const httplib::Request& req) {
    if (req.method == "GET" || req.method == "HEAD")
      return req.path == "/" || req.path == "/index.html" || req.path == "/app.js" || req.path == "/app.css" ||
             req.path == "/favicon.ico";
    return req.method == "POST" && req.path == "/api/signin";
  }

  httplib::Server::HandlerResponse PreRoute(const httplib::Request& req, httplib::Response& res) {
    request_start = Clock::now();
    bool changes_state = req.method != "GET" && req.method != "HEAD" && req.method != "OPTIONS";
    if (changes_state && !SameOrigin(req)) {
      SendError(res, 403, "Requests from other sites are refused.");
      return httplib::Server::HandlerResponse::Handled;
    }
    if (IsPublic(req)) return httplib::Server::HandlerResponse::Unhandled;
    auto session = SessionOf(req);
    if (!session) {
      SendError(res, 401, "Please sign in.");
      return httplib::Server::HandlerResponse::Handled;
    }
    if (changes_state && !SameToken(req.get_header_value(kCsrfHeader), session->Csrf())) {
      SendError(res, 403, "The page is out of date. Reload it and try again.");
      return httplib::Server::HandlerResponse::Handled;
    }
    return httplib::Server::HandlerResponse::Unhandled;
  }

  void Log(const httplib::Request& req, const httplib::Response& res) {
    double ms = std::chrono::duration<double, std::milli>(Clock::now() - request_start).count();
    spdlog::info("{} {} {} {} {}B {:.1f}ms", req.remote_addr, req.method, req.path, res.status, res.body.size(), ms);
  }

  void ServeAsset(const httplib::Request& req, httplib::Response& res, const std::string& name) {
    auto asset = FindAsset(name);
    if (!asset) {
      res.status = 404;
      return;
    }
    res.set_header("Cache-Control", "no-cache");
    res.set_content(asset->content, asset->mime);
  }

  void ServePage(const httplib::Request& req, httplib::Response& res) {
    auto asset = FindAsset("index.html");
    if (!asset) {
      res.status = 404;
      return;
    }
    std::string page = asset->content;
    auto session = SessionOf(req);
    std::string token = session ? session->Csrf() : std::string();
    size_t at = page.find(kCsrfMarker);
    if (at != std::string::npos) page.replace(at, std::strlen(kCsrfMarker), token);
    res.set_header("Cache-Control", "no-store");
    res.set_header("Content-Security-Policy",
                   "default-src 'self'; object-src 'none'; base-uri 'none'; frame-ancestors 'none'; form-action 'none'");
    res.set_content(page, "text/html; charset=utf-8");
  }

  void SignIn(const httplib::Request& req, httplib::Response& res) {
    if (!IsJsonRequest(req)) return SendError(res, 415, "Send the sign-in as JSON.");
    auto body = ParseBody(req);
    std::optional<std::string> user = body ? TextMember(*body, "user", true) : std::nullopt;
    std::optional<std::string> password = body ? TextMember(*body, "password", true) : std::nullopt;
    if (!user || !password || user->size() > 200 || password->size() > 1000)
      return SendError(res, 400, "Enter your user name and password.");
    std::string user_key = "user:" + Lower(*user);
    std::string address_key = "address:" + req.remote_addr;
    if (!per_user.Allowed(user_key) || !per_address.Allowed(address_key)) {
      long wait = std::max(per_user.RetryAfter(user_key), per_address.RetryAfter(address_key));
      res.set_header("Retry-After", std::to_string(wait));
      spdlog::warn("sign-in refused for '{}' from {}: too many failed attempts", *user, req.remote_addr);
      return SendJson(res, 429,
                      {{"error", fmt::format("Too many failed sign-in attempts. Try again in {} minute{}.",
                                             (wait + 59) / 60, (wait + 59) / 60 == 1 ? "" : "s")},
                       {"retryAfter", wait}});
    }
    std::optional<SignedInUser> who;
    json companies;
    try {
      auto con = db::OpenDatabase(options.module.database);
      hashing.acquire();
      try {
        who = Authenticate(*con, *user, *password);
      } catch (...) {
        hashing.release();
        throw;
      }
      hashing.release();
      if (who) companies = WorkplaceChoices(*con, who->user_id);
    } catch (const std::exception& e) {
      spdlog::error("sign-in of '{}' failed: {}", *user, e.what());
      return SendError(res, 500, kServerError);
    }
    if (!who) {
      per_user.Failed(user_key);
      per_address.Failed(address_key);
      spdlog::warn("failed sign-in for '{}' from {}", *user, req.remote_addr);
      return SendError(res, 401, "The user name or password is wrong.");
    }
    per_user.Clear(user_key);
    if (companies.empty()) return SendError(res, 403, "You have no rights to hire-purchase processing.");
    // A new identifier at every sign-in: one planted before it is worth nothing.
    std::string old_id = CookieValue(req, kCookie);
    if (!old_id.empty()) sessions.End(old_id, std::chrono::milliseconds(2000));
    auto created = sessions.Create(*who, req.remote_addr);
    if (created.id.empty()) return SendError(res, 503, "The server has too many sessions open. Try again later.");
    spdlog::info("user {} signed in from {}", who->user_name, req.remote_addr);
    res.set_header("Set-Cookie", CookieHeader(created.id, false));
    SendJson(res, 200,
             {{"stage", "choose"},
              {"user", who->user_name},
              {"csrf", created.session->Csrf()},
              {"companies", companies},
              {"today", text::IsoDate(text::Today())}});
  }

  // The answer about a running session; ends it when its windows have closed.
  void SendRun(const httplib::Request& req, httplib::Response& res, const Answer& a, bool busy, int status) {
    if (a.ended) {
      sessions.End(CookieValue(req, kCookie), std::chrono::milliseconds(2000));
      res.set_header("Set-Cookie", CookieHeader("", true));
      return SendJson(res, 200, {{"ended", true}});
    }
    json head = {{"stage", "run"}, {"ok", status == 200}, {"busy", busy}};
    if (!a.message.empty()) head["error"] = a.message;
    // The state is JSON already (made on the UI thread): it goes in as it is.
    std::string body = head.dump();
    body.pop_back();
    body += ",\"state\":";
    body += a.state.empty() ? "null" : a.state;
    body += "}";
    res.status = status;
    res.set_header("Cache-Control", "no-store");
    res.set_content(body, "application/json; charset=utf-8");
  }

  void Open(const httplib::Request& req, httplib::Response& res) {
    auto session = SessionOf(req);
    if (!session) return SendError(res, 401, "Please sign in.");
    if (session->Started()) return SendError(res, 409, "The register is already open.");
    auto body = ParseBody(req);
    std::optional<int> company = body ? IntMember(*body, "company") : std::nullopt;
    std::optional<int> department = body ? IntMember(*body, "department", 0) : std::nullopt;
    std::optional<int> financial = body ? IntMember(*body, "financial") : std::nullopt;
    std::optional<std::string> date = body ? TextMember(*body, "date", true) : std::nullopt;
    if (!company || !department || !financial || !date)
      return SendError(res, 400, "Choose the company, financial year and processing date.");
    auto day = text::ParseIsoDateTime(*date);
    if (date->size() != 10 || !day) return SendError(res, 400, "Enter the processing date.");
    std::optional<Workplace> place;
    std::string error;
    try {
      auto con = db::OpenDatabase(options.module.database);
      place = ChooseWorkplace(*con, session->User().user_id, *company, *department, *financial, *date, error);
    } catch (const std::exception& e) {
      spdlog::error("choosing the workplace of {} failed: {}", session->User().user_name, e.what());
      return SendError(res, 500, kServerError);
    }
    if (!place) {
      spdlog::warn("user {} asked for company {} department {} year {}: {}", session->User().user_name, *company,
                   *department, *financial, error);
      return SendError(res, 403, error);
    }
    if (!session->Start(*place, options.module)) return SendError(res, 409, "The register is already open.");
    session->Channel().WaitReady(std::chrono::seconds(60));
    bool busy = false;
    Answer a = session->Channel().Current(std::chrono::milliseconds(0), &busy);
    SendRun(req, res, a, busy, 200);
  }

  void State(const httplib::Request& req, httplib::Response& res) {
    auto session = SessionOf(req);
    if (!session) return SendError(res, 401, "Please sign in.");
    if (!session->Started()) {
      json companies;
      try {
        auto con = db::OpenDatabase(options.module.database);
        companies = WorkplaceChoices(*con, session->User().user_id);
      } catch (const std::exception& e) {
        spdlog::error("reading the companies of {} failed: {}", session->User().user_name, e.what());
        return SendError(res, 500, kServerError);
      }
      return SendJson(res, 200,
                      {{"stage", "choose"},
                       {"user", session->User().user_name},
                       {"companies", companies},
                       {"today", text::IsoDate(text::Today())}});
    }
    bool busy = false;
    Answer a = session->Channel().Current(std::chrono::seconds(5), &busy);
    SendRun(req, res, a, busy, 200);
  }

  void Event(const httplib::Request& req, httplib::Response& res) {
    auto session = SessionOf(req);
    if (!session) return SendError(res, 401, "Please sign in.");
    if (!session->Started()) return SendError(res, 409, "Choose where to work first.");
    auto body = ParseBody(req);
    if (!body) return SendError(res, 400, "The event is malformed.");
    auto c = DecodeEvent(*body);
    if (!c) return SendError(res, 400, "The event is malformed.");
    auto answer = session->Channel().Submit(*c, options.event_wait);
    if (!answer) return SendJson(res, 202, {{"stage", "run"}, {"busy", true}});
    if (answer->status != 200)
      spdlog::warn("user {}: {} on {}.{} answered {}: {}", session->User().user_name, c->event.type, c->window,
                   c->event.control, answer->status, answer->message);
    SendRun(req, res, *answer, false, answer->status);
  }

  void SignOut(const httplib::Request& req, httplib::Response& res) {
    auto session = SessionOf(req);
    if (session) spdlog::info("user {} signed out", session->User().user_name);
    session.reset();
    sessions.End(CookieValue(req, kCookie));
    res.set_header("Set-Cookie", CookieHeader("", true));
    SendJson(res, 200, {{"ended", true}});
  }

  void DocumentRoute(const httplib::Request& req, httplib::Response& res) {
    auto session = SessionOf(req);
    if (!session) return SendError(res, 401, "Please sign in.");
    int id = 0;
    try {
      id = std::stoi(req.matches[1]);
    } catch (...) {
      return SendError(res, 404, "There is no such document.");
    }
    auto doc = session->Documents().Get(id);
    if (!doc) return SendError(res, 404, "There is no such document.");
    res.set_header("Cache-Control", "no-store");
    res.set_header("Content-Disposition", "inline");
    res.set_content(doc->bytes, doc->mime.c_str());
  }

  void Routes() {
    http.new_task_queue = [n = options.threads] { return new httplib::ThreadPool(static_cast<size_t>(n)); };
    http.set_payload_max_length(256 * 1024);
    http.set_keep_alive_max_count(static_cast<size_t>(std::max(1, options.keep_alive_requests)));
    // Answers are written as headers then body: without this the body waits
    // for the client's delayed acknowledgement, some 40 ms a request.
    http.set_tcp_nodelay(true);
    // Address reuse only: the library's default also shares the port with
    // any other process bound to it, which would split the sessions between
    // two servers started by mistake on one address.
    http.set_socket_options([](socket_t sock) {
      int yes = 1;
      setsockopt(sock, SOL_SOCKET, SO_REUSEADDR, reinterpret_cast<const char*>(&yes), sizeof yes);
    });
    http.set_default_headers({{"X-Content-Type-Options", "nosniff"},
                              {"X-Frame-Options", "DENY"},
                              {"Referrer-Policy", "no-referrer"}});
    http.set_pre_routing_handler([this](const auto& req, auto& res) { return PreRoute(req, res); });
    http.set_logger([this](const auto& req, const auto& res) { Log(req, res); });
    http.set_exception_handler([](const httplib::Request& req, httplib::Response& res, std::exception_ptr ep) {
      try {
        if (ep) std::rethrow_exception(ep);
      } catch (const std::exception& e) {
        spdlog::error("{} {} failed: {}", req.method, req.path, e.what());
      } catch (...) {
        spdlog::error("{} {} failed with an unknown error", req.method, req.path);
      }
      SendError(res, 500, kServerError);
    });
    http.Get("/", [this](const auto& req, auto& res) { ServePage(req, res); });
    http.Get("/index.html", [this](const auto& req, auto& res) { ServePage(req, res); });
    http.Get("/app.js", [this](const auto& req, auto& res) { ServeAsset(req, res, "app.js"); });
    http.Get("/app.css", [this](const auto& req, auto& res) { ServeAsset(req, res, "app.css"); });
    http.Get("/favicon.ico", [](const auto&, auto& res) { res.status = 204; });
    http.Post("/api/signin", [this](const auto& req, auto& res) { SignIn(req, res); });
    http.Post("/api/open", [this](const auto& req, auto& res) { Open(req, res); });
    http.Get("/api/state", [this](const auto& req, auto& res) { State(req, res); });
    http.Post("/api/event", [this](const auto& req, auto& res) { Event(req, res); });
    http.Post("/api/signout", [this](const auto& req, auto& res) { SignOut(req, res); });
    http.Get(R"(/api/document/(\d+))", [this](const auto& req, auto& res) { DocumentRoute(req, res); });
  }
};

Server::Server(ServerOptions options) : impl_(std::make_unique<Impl>(std::move(options))) { impl_->Routes(); }

Server::~Server() { Stop(); }

int Server::Bind(const std::string& host, int port) {
  if (port == 0) return impl_->http.bind_to_any_port(host);
  return impl_->http.bind_to_port(host, port) ? port : -1;
}

bool Server::Run() { return impl_->http.listen_after_bind(); }

void Server::Start() {
  impl_->thread = std::thread([this] { impl_->http.listen_after_bind(); });
  for (int i = 0; i < 5000 && !impl_->http.is_running(); ++i) std::this_thread::sleep_for(std::chrono::milliseconds(1));
}

void Server::Stop() {
  impl_->http.stop();
  // The HTTP threads finish before the server does; none may stay waiting
  // for a UI thread.
  impl_->sessions.CloseAll();
  if (impl_->thread.joinable()) impl_->thread.join();
}

size_t Server::SessionCount() const { return impl_->sessions.Count(); }

}  // namespace hp::web
