// One signed-in user's session: who signed in, where they chose to work, the
// CSRF token the page must send back, and once the workplace is chosen the UI
// thread that runs the module for them (clsHPProcessing::Show on a WebHost).
//
// The session owns its UI thread and its database connection (opened on that
// thread, used by no other). Closing the session makes the UI thread's modal
// loops throw SessionClosed, which unwinds the windows; the connection closes
// with it, so a transaction left open by an abandoned window is rolled back.
#pragma once

#include <atomic>
#include <chrono>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

#include "platform/text/date_text.h"
#include "shell/windows.h"
#include "web/document_shelf.h"
#include "web/ui_channel.h"

namespace hp::web {

struct SignedInUser {
  int user_id = 0;
  std::string user_name;
};

// The session values the user chose after signing in.
struct Workplace {
  int company = 0;
  std::string company_name;
  int department = 0;  // 0: every department
  std::string department_name;
  int financial = 0;
  std::string financial_name;
  text::Date process_date;
};

// What a session needs to run the module.
struct ModuleSetup {
  std::string database;  // path or URL; each session opens its own connection
  std::function<std::unique_ptr<shell::WindowFactory>()> windows;
  std::string caption = "Hire Purchase";  // caption of the module's message boxes
};

class Session {
 public:
  using Clock = std::chrono::steady_clock;

  Session(std::string csrf, SignedInUser user, std::string client);
  Session(const Session&) = delete;
  Session& operator=(const Session&) = delete;
  // Closes the session and waits for its UI thread.
  ~Session();

  const std::string& Csrf() const { return csrf_; }
  const SignedInUser& User() const { return user_; }
  const std::string& Client() const { return client_; }

  // Starts the module for the workplace on a UI thread of its own. Returns
  // false when it was started before.
  bool Start(Workplace place, const ModuleSetup& setup);
  bool Started() const { return started_; }
  // The workplace chosen (valid once started).
  const Workplace& Place() const { return place_; }

  UiChannel& Channel() { return channel_; }
  DocumentShelf& Documents() { return documents_; }

  // Ended: the windows have closed (or the module failed to start) or the
  // session was closed.
  bool Ended() const { return closed_ || (started_ && channel_.Ended()); }
  // Asks the UI thread to stop; returns at once.
  void Close();
  // Waits for the UI thread to end; true when it has (or never started).
  bool WaitEnded(std::chrono::milliseconds timeout);

  void Touch() { last_seen_ = Clock::now().time_since_epoch().count(); }
  Clock::time_point LastSeen() const { return Clock::time_point(Clock::duration(last_seen_.load())); }

 private:
  void RunModule(const ModuleSetup& setup);

  const std::string csrf_;
  const SignedInUser user_;
  const std::string client_;
  Workplace place_;
  std::atomic<bool> started_{false};
  std::atomic<bool> closed_{false};
  std::atomic<Clock::rep> last_seen_;
  UiChannel channel_;
  DocumentShelf documents_;
  std::mutex start_mutex_;
  std::thread thread_;
};

}  // namespace hp::web
