// The sessions of the server, found by the identifier in the browser's
// cookie. Identifiers are random (tokens.h) and kept only as digests; a new
// one is drawn at every sign-in. A session idle for longer than the timeout,
// or whose windows have closed, is closed and forgotten by a sweeper thread
// (and is never found again even before the sweep). Thread-safe.
#pragma once

#include <chrono>
#include <condition_variable>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "web/session.h"

namespace hp::web {

class SessionStore {
 public:
  SessionStore(std::chrono::seconds idle_timeout, size_t max_sessions);
  // Closes every session and waits for their UI threads.
  ~SessionStore();

  struct Created {
    std::string id;  // for the cookie; empty when the server is full
    std::shared_ptr<Session> session;
  };
  Created Create(SignedInUser user, const std::string& client);

  // The live session with this identifier, touched; nullptr when there is
  // none, it has ended or it has been idle too long.
  std::shared_ptr<Session> Find(const std::string& id);

  // Closes the session and forgets it; waits up to `wait` for its UI thread.
  void End(const std::string& id, std::chrono::milliseconds wait = std::chrono::seconds(10));

  // Closes and forgets ended and idle sessions now (the sweeper does this
  // every second).
  void Sweep();
  // Asks every session's UI thread to stop (the server is stopping), so that
  // no HTTP thread stays waiting on one.
  void CloseAll();
  size_t Count() const;

 private:
  void SweeperLoop();
  bool Stale(const Session& s, Session::Clock::time_point now) const;

  const std::chrono::seconds idle_timeout_;
  const size_t max_sessions_;
  mutable std::mutex mutex_;
  std::map<std::string, std::shared_ptr<Session>> sessions_;  // by digest of the id
  std::condition_variable stop_cv_;
  bool stopping_ = false;
  std::thread sweeper_;
};

}  // namespace hp::web
