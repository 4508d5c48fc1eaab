#include "web/rate_limiter.h"

namespace hp::web {

RateLimiter::RateLimiter(int max_failures, std::chrono::seconds window, std::function<Clock::time_point()> now)
    : max_(max_failures), window_(window), now_(std::move(now)) {}

void RateLimiter::Expire(std::deque<Clock::time_point>& times, Clock::time_point now) const {
  while (!times.empty() && now - times.front() >= window_) times.pop_front();
}

// Keys that have not failed for a whole window are forgotten, so that a
// stream of made-up user names cannot grow the table without bound.
void RateLimiter::PruneLocked(Clock::time_point now) {
  if (now - last_prune_ < window_) return;
  last_prune_ = now;
  for (auto it = failures_.begin(); it != failures_.end();) {
    Expire(it->second, now);
    it = it->second.empty() ? failures_.erase(it) : std::next(it);
  }
}

bool RateLimiter::Allowed(const std::string& key) {
  std::lock_guard lock(mutex_);
  auto now = now_();
  PruneLocked(now);
  auto it = failures_.find(key);
  if (it == failures_.end()) return true;
  Expire(it->second, now);
  return static_cast<int>(it->second.size()) < max_;
}

void RateLimiter::Failed(const std::string& key) {
  std::lock_guard lock(mutex_);
  auto now = now_();
  auto& times = failures_[key];
  Expire(times, now);
  times.push_back(now);
}

void RateLimiter::Clear(const std::string& key) {
  std::lock_guard lock(mutex_);
  failures_.erase(key);
}

long RateLimiter::RetryAfter(const std::string& key) {
  std::lock_guard lock(mutex_);
  auto now = now_();
  auto it = failures_.find(key);
  if (it == failures_.end()) return 0;
  Expire(it->second, now);
  if (static_cast<int>(it->second.size()) < max_) return 0;
  // The oldest failure that keeps the count at the limit must leave the window.
  auto until = it->second[it->second.size() - static_cast<size_t>(max_)] + window_;
  return std::max<long>(1, std::chrono::duration_cast<std::chrono::seconds>(until - now).count());
}

}  // namespace hp::web
