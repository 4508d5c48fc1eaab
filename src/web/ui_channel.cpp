#include "web/ui_channel.h"

namespace hp::web {

std::optional<Answer> UiChannel::Submit(Command command, std::chrono::milliseconds timeout) {
  auto job = std::make_shared<Job>();
  job->command = std::move(command);
  std::unique_lock lock(mutex_);
  if (ended_ || closing_) {
    Answer a;
    a.ended = true;
    return a;
  }
  queue_.push_back(job);
  cv_.notify_all();
  if (!cv_.wait_for(lock, timeout, [&] { return job->done; })) return std::nullopt;
  return job->answer;
}

Answer UiChannel::Current(std::chrono::milliseconds timeout, bool* busy) {
  std::unique_lock lock(mutex_);
  bool ready = cv_.wait_for(lock, timeout, [&] { return ended_ || (idle_ && queue_.empty()); });
  if (busy) *busy = !ready;
  Answer a;
  a.ended = ended_;
  a.state = state_;
  return a;
}

bool UiChannel::WaitReady(std::chrono::milliseconds timeout) {
  std::unique_lock lock(mutex_);
  return cv_.wait_for(lock, timeout, [&] { return ended_ || published_ > 0; });
}

void UiChannel::Close() {
  std::lock_guard lock(mutex_);
  closing_ = true;
  cv_.notify_all();
}

bool UiChannel::WaitEnded(std::chrono::milliseconds timeout) {
  std::unique_lock lock(mutex_);
  return cv_.wait_for(lock, timeout, [&] { return ended_; });
}

bool UiChannel::Ended() const {
  std::lock_guard lock(mutex_);
  return ended_;
}

UiChannel::Job& UiChannel::Next(std::string state) {
  std::unique_lock lock(mutex_);
  if (current_) {
    current_->answer.state = state;
    current_->done = true;
    current_.reset();
  }
  state_ = std::move(state);
  ++published_;
  idle_ = true;
  cv_.notify_all();
  cv_.wait(lock, [&] { return closing_ || !queue_.empty(); });
  idle_ = false;
  if (closing_) throw SessionClosed();
  current_ = queue_.front();
  queue_.pop_front();
  return *current_;
}

void UiChannel::ThrowIfClosing() const {
  std::lock_guard lock(mutex_);
  if (closing_) throw SessionClosed();
}

void UiChannel::Finish() {
  std::lock_guard lock(mutex_);
  ended_ = true;
  idle_ = false;
  auto end = [](Job& job) {
    job.answer.ended = true;
    job.done = true;
  };
  if (current_) end(*current_);
  current_.reset();
  for (auto& job : queue_) end(*job);
  queue_.clear();
  cv_.notify_all();
}

}  // namespace hp::web
