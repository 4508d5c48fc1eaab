// The HTTP server of `hp serve`: the page, sign-in, and the event API the
// page drives the windows through.
//
// Routes (every one but the page, its assets and POST /api/signin needs a
// valid session cookie, else 401; every POST but sign-in also needs the
// session's CSRF token in the X-CSRF-Token header, else 403):
//   GET  /, /index.html, /app.js, /app.css   the page (the page carries the
//                                            CSRF token of a valid session)
//   POST /api/signin   {user, password} -> {user, csrf, companies, today};
//                      sets a new session cookie (a new identifier at every
//                      sign-in; the old session, if any, ends)
//   POST /api/open     {company, department, financial, date} -> the first
//                      state; starts the session's UI thread with the register
//   GET  /api/state    {stage: "choose", companies...} or {stage: "run", state}
//   POST /api/event    {window, control, type, value, key, item, row, col,
//                      button, sel_start, sel_length} -> {ok, error, state}
//                      with 200, 400 (unknown control), 409 (refused: not on
//                      top, disabled, hidden, locked), 500 (failed, logged);
//                      202 {busy} when the UI thread is still working
//   GET  /api/document/N  a document a window showed (the report)
//   POST /api/signout  ends the session and its UI thread
// When the register closes, the session ends: the answer is {ended: true}
// and the cookie is cleared.
//
// No route takes the identifier of a processing, a company or a window's
// record: a session reaches only its own windows, and the company is checked
// against the user's rights when the workplace is chosen.
#pragma once

#include <chrono>
#include <memory>
#include <string>
#include <thread>

#include "web/session.h"

namespace hp::web {

struct ServerOptions {
  ModuleSetup module;
  std::chrono::seconds idle_timeout{30 * 60};
  size_t max_sessions = 200;
  // Failed sign-ins allowed per user name and per client address in the window.
  int failures_per_user = 5;
  int failures_per_address = 20;
  std::chrono::seconds failure_window{15 * 60};
  // How long an event waits for the UI thread before the page is told to poll.
  std::chrono::milliseconds event_wait{25000};
  // Mark the cookie Secure (behind a TLS proxy).
  bool secure_cookie = false;
  // HTTP worker threads. The library serves one connection per thread for as
  // long as it is kept alive, so this bounds the connections served at once:
  // an office of users with a connection or two each, with room to spare.
  int threads = 64;
  // Requests one connection may carry before it is closed: reconnecting
  // costs more than most answers do.
  int keep_alive_requests = 100;
};

class Server {
 public:
  explicit Server(ServerOptions options);
  ~Server();  // stops serving and ends every session

  // Binds to host:port (port 0: a free port). Returns the port, or -1 when
  // the address cannot be bound.
  int Bind(const std::string& host, int port);
  // Serves until Stop(); returns false when serving failed.
  bool Run();
  // Serves on a thread of its own (tests).
  void Start();
  void Stop();

  // For tests: how many sessions are live.
  size_t SessionCount() const;

 private:
  struct Impl;
  std::unique_ptr<Impl> impl_;
};

}  // namespace hp::web
