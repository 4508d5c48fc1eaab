#include "web/session_store.h"

#include <spdlog/spdlog.h>

#include "web/tokens.h"

namespace hp::web {

SessionStore::SessionStore(std::chrono::seconds idle_timeout, size_t max_sessions)
    : idle_timeout_(idle_timeout), max_sessions_(max_sessions), sweeper_([this] { SweeperLoop(); }) {}

SessionStore::~SessionStore() {
  {
    std::lock_guard lock(mutex_);
    stopping_ = true;
  }
  stop_cv_.notify_all();
  sweeper_.join();
  std::map<std::string, std::shared_ptr<Session>> all;
  {
    std::lock_guard lock(mutex_);
    all.swap(sessions_);
  }
  for (auto& [key, s] : all) s->Close();
  // Each session's destructor joins its UI thread.
}

bool SessionStore::Stale(const Session& s, Session::Clock::time_point now) const {
  return s.Ended() || now - s.LastSeen() > idle_timeout_;
}

SessionStore::Created SessionStore::Create(SignedInUser user, const std::string& client) {
  Sweep();
  std::string id = NewToken();
  auto session = std::make_shared<Session>(NewToken(), std::move(user), client);
  std::lock_guard lock(mutex_);
  if (sessions_.size() >= max_sessions_) return {};
  sessions_[TokenDigest(id)] = session;
  return {id, session};
}

std::shared_ptr<Session> SessionStore::Find(const std::string& id) {
  if (id.empty()) return nullptr;
  std::string key = TokenDigest(id);
  std::lock_guard lock(mutex_);
  auto it = sessions_.find(key);
  if (it == sessions_.end()) return nullptr;
  if (Stale(*it->second, Session::Clock::now())) return nullptr;
  it->second->Touch();
  return it->second;
}

void SessionStore::End(const std::string& id, std::chrono::milliseconds wait) {
  std::shared_ptr<Session> session;
  {
    std::lock_guard lock(mutex_);
    auto it = sessions_.find(TokenDigest(id));
    if (it == sessions_.end()) return;
    session = it->second;
    sessions_.erase(it);
  }
  session->Close();
  if (!session->WaitEnded(wait))
    spdlog::warn("the UI thread of user {} is still busy after sign-out", session->User().user_name);
  // The last reference (perhaps an HTTP thread's) joins the thread.
}

void SessionStore::Sweep() {
  std::vector<std::shared_ptr<Session>> gone;
  {
    std::lock_guard lock(mutex_);
    auto now = Session::Clock::now();
    for (auto it = sessions_.begin(); it != sessions_.end();) {
      if (Stale(*it->second, now)) {
        if (!it->second->Ended()) spdlog::info("session of user {} timed out", it->second->User().user_name);
        gone.push_back(it->second);
        it = sessions_.erase(it);
      } else {
        ++it;
      }
    }
  }
  for (auto& s : gone) s->Close();
  // Dropping `gone` joins the UI threads outside the lock.
}

void SessionStore::CloseAll() {
  std::lock_guard lock(mutex_);
  for (auto& [key, s] : sessions_) s->Close();
}

size_t SessionStore::Count() const {
  std::lock_guard lock(mutex_);
  return sessions_.size();
}

void SessionStore::SweeperLoop() {
  std::unique_lock lock(mutex_);
  while (!stopping_) {
    stop_cv_.wait_for(lock, std::chrono::seconds(1));
    if (stopping_) break;
    lock.unlock();
    Sweep();
    lock.lock();
  }
}

}  // namespace hp::web
