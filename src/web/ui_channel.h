// The hand-off between the HTTP threads and the UI thread of one session.
//
// An HTTP thread submits a command (one browser event) and waits. The UI
// thread, in whichever modal loop it is running, takes the command, applies
// it, and when it next waits for a command it first publishes the state of the
// windows and completes the command with it. So a command is complete when
// everything it set off has run to the next point where the user must act: a
// message box it raised, a window it opened, or the window it closed.
//
// Commands are applied one at a time in the order submitted. Everything the
// UI thread touches (the windows) is touched only by the UI thread; this class
// carries only texts across.
#pragma once

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <memory>
#include <mutex>
#include <optional>
#include <string>

#include "platform/forms/event.h"
#include "platform/forms/scripted_host.h"

namespace hp::web {

// Thrown on the UI thread from the modal loops once the session is closed
// (sign-out, idle timeout, server stop). It derives from the one failure that
// the windows' error traps let pass, so it unwinds every window and handler
// up to the session's thread, which then ends; nothing of it is reported as a
// window error.
class SessionClosed : public forms::ScriptError {
 public:
  SessionClosed() : forms::ScriptError("the session has been closed") {}
};

// One browser event addressed to one window of the session.
struct Command {
  std::string window;
  forms::Event event;
};

// What the browser is told about a command.
struct Answer {
  int status = 200;     // 200 applied, 400 unknown target, 409 refused, 500 failed
  std::string message;  // for the user: never SQL or a stack trace
  std::string state;    // the windows afterwards (JSON text)
  bool ended = false;   // the session's windows have all closed
};

class UiChannel {
 public:
  struct Job {
    Command command;
    Answer answer;
    bool done = false;
  };

  // --- HTTP side -------------------------------------------------------
  // Queues the command and waits until it is complete. nullopt when it is not
  // complete within `timeout`: it stays queued and is still applied.
  std::optional<Answer> Submit(Command command, std::chrono::milliseconds timeout);
  // The state as last published. Waits up to `timeout` for the UI thread to
  // be waiting for the user; `busy` tells whether it still was not.
  Answer Current(std::chrono::milliseconds timeout, bool* busy = nullptr);
  // Waits until the UI thread has published its first state (or ended).
  bool WaitReady(std::chrono::milliseconds timeout);
  // Asks the UI thread to stop at its next wait; returns at once.
  void Close();
  // Waits until the UI thread has ended.
  bool WaitEnded(std::chrono::milliseconds timeout);
  bool Ended() const;

  // --- UI side ---------------------------------------------------------
  // Completes the command in hand with `state`, publishes `state` and waits
  // for the next command, which it returns (owned by the channel until it is
  // completed by the next call). Throws SessionClosed once Close was called.
  Job& Next(std::string state);
  // Throws SessionClosed when Close was called; for long work between waits.
  void ThrowIfClosing() const;
  // The command in hand (nullptr between commands).
  Job* InHand() { return current_.get(); }
  // The UI thread has stopped: the command in hand and every queued one are
  // completed with `ended`, and later ones are answered so at once.
  void Finish();

 private:
  mutable std::mutex mutex_;
  std::condition_variable cv_;
  std::deque<std::shared_ptr<Job>> queue_;
  std::shared_ptr<Job> current_;
  std::string state_;
  std::uint64_t published_ = 0;
  bool idle_ = false;
  bool closing_ = false;
  bool ended_ = false;
};

}  // namespace hp::web
