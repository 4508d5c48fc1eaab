// Counts failed sign-in attempts per key (a user name, a client address) in a
// sliding window and tells when a key has had too many. Thread-safe.
//
// Only failures count: a user who signs in correctly is not slowed down, and a
// success clears the user name's count. The check comes before the password is
// tested, so a locked-out name stays locked even when the right password is
// guessed meanwhile.
#pragma once

#include <chrono>
#include <deque>
#include <functional>
#include <map>
#include <mutex>
#include <string>

namespace hp::web {

class RateLimiter {
 public:
  using Clock = std::chrono::steady_clock;

  // At most `max_failures` failures per key within `window`. `now` may be
  // replaced (tests).
  RateLimiter(int max_failures, std::chrono::seconds window, std::function<Clock::time_point()> now = Clock::now);

  // True when the key may try again now.
  bool Allowed(const std::string& key);
  void Failed(const std::string& key);
  void Clear(const std::string& key);
  // Seconds until the key may try again (0 when it may now).
  long RetryAfter(const std::string& key);

 private:
  void Expire(std::deque<Clock::time_point>& times, Clock::time_point now) const;
  void PruneLocked(Clock::time_point now);

  int max_;
  std::chrono::seconds window_;
  std::function<Clock::time_point()> now_;
  std::mutex mutex_;
  std::map<std::string, std::deque<Clock::time_point>> failures_;
  Clock::time_point last_prune_{};
};

}  // namespace hp::web
