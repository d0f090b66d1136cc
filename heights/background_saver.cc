#include "heights/background_saver.h"

#include <exception>

namespace zarvek {

BackgroundSaver::BackgroundSaver(WriteFn write, ReadFn read)
    : write_(std::move(write)),
      read_(std::move(read)),
      thread_([this] { Run(); }) {}

BackgroundSaver::~BackgroundSaver() {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    stop_ = true;
  }
  wake_.notify_one();
  thread_.join();
}

void BackgroundSaver::Save(std::string path, std::string bytes,
                           std::uint64_t tag) {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    if (!queue_.empty() && std::get<0>(queue_.back()) == path) {
      std::get<1>(queue_.back()) = std::move(bytes);
      std::get<2>(queue_.back()) = tag;
    } else {
      queue_.emplace_back(std::move(path), std::move(bytes), tag);
    }
  }
  wake_.notify_one();
}

void BackgroundSaver::Guard(const std::string& path,
                            std::optional<std::string> bytes) {
  std::lock_guard<std::mutex> lock(mutex_);
  guards_[path] = std::move(bytes);
}

void BackgroundSaver::Wait() {
  std::unique_lock<std::mutex> lock(mutex_);
  idle_.wait(lock, [this] { return queue_.empty() && !writing_; });
}

bool BackgroundSaver::Busy() {
  std::lock_guard<std::mutex> lock(mutex_);
  return !queue_.empty() || writing_;
}

std::vector<SaveOutcome> BackgroundSaver::TakeResults() {
  std::lock_guard<std::mutex> lock(mutex_);
  std::vector<SaveOutcome> out;
  out.swap(results_);
  return out;
}

void BackgroundSaver::Run() {
  std::unique_lock<std::mutex> lock(mutex_);
  for (;;) {
    wake_.wait(lock, [this] { return stop_ || !queue_.empty(); });
    if (queue_.empty()) return;  // stopping, nothing left to write
    auto [path, bytes, tag] = std::move(queue_.front());
    queue_.pop_front();
    writing_ = true;
    std::optional<std::optional<std::string>> expected;
    if (auto guard = guards_.find(path); guard != guards_.end()) {
      expected = guard->second;
    }
    lock.unlock();
    SaveOutcome outcome;
    try {
      outcome = Write(path, bytes, expected);
    } catch (const std::exception& e) {
      outcome.status = Status::Error(std::string(e.what()) + ": " + path);
    }
    outcome.tag = tag;
    lock.lock();
    writing_ = false;
    if (outcome.ok()) {
      if (auto guard = guards_.find(path); guard != guards_.end()) {
        guard->second = std::move(bytes);
      }
    }
    results_.push_back(std::move(outcome));
    if (queue_.empty()) idle_.notify_all();
  }
}

SaveOutcome BackgroundSaver::Write(
    const std::string& path, const std::string& bytes,
    const std::optional<std::optional<std::string>>& expected) {
  SaveOutcome outcome;
  if (expected && read_) {
    // Just before the write: what another program saved since the last
    // read or write is never replaced. (The file is small: its bytes are
    // compared, which a rewrite of the same size in the same second, or
    // a clock that goes back, cannot fool.)
    std::string now;
    bool missing = false;
    outcome.status = read_(path, &now, &missing);
    if (!outcome.status.ok()) return outcome;
    const std::optional<std::string> found =
        missing ? std::nullopt : std::optional<std::string>(std::move(now));
    if (found != *expected) {
      outcome.changed_outside = true;
      outcome.expected = *expected;
      outcome.found = found;
      return outcome;
    }
  }
  outcome.status = write_(path, bytes);
  return outcome;
}

}  // namespace zarvek
