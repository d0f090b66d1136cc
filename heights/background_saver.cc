#include "heights/background_saver.h"

#include <exception>

namespace zarvek {

BackgroundSaver::BackgroundSaver(WriteFn write)
    : write_(std::move(write)), thread_([this] { Run(); }) {}

BackgroundSaver::~BackgroundSaver() {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    stop_ = true;
  }
  wake_.notify_one();
  thread_.join();
}

void BackgroundSaver::Save(std::string path, std::string bytes) {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    if (!queue_.empty() && queue_.back().first == path) {
      queue_.back().second = std::move(bytes);
    } else {
      queue_.emplace_back(std::move(path), std::move(bytes));
    }
  }
  wake_.notify_one();
}

void BackgroundSaver::Wait() {
  std::unique_lock<std::mutex> lock(mutex_);
  idle_.wait(lock, [this] { return queue_.empty() && !writing_; });
}

bool BackgroundSaver::Busy() {
  std::lock_guard<std::mutex> lock(mutex_);
  return !queue_.empty() || writing_;
}

std::vector<Status> BackgroundSaver::TakeResults() {
  std::lock_guard<std::mutex> lock(mutex_);
  std::vector<Status> out;
  out.swap(results_);
  return out;
}

void BackgroundSaver::Run() {
  std::unique_lock<std::mutex> lock(mutex_);
  for (;;) {
    wake_.wait(lock, [this] { return stop_ || !queue_.empty(); });
    if (queue_.empty()) return;  // stopping, nothing left to write
    auto [path, bytes] = std::move(queue_.front());
    queue_.pop_front();
    writing_ = true;
    lock.unlock();
    Status status;
    try {
      status = write_(path, bytes);
    } catch (const std::exception& e) {
      status = Status::Error(std::string(e.what()) + ": " + path);
    }
    lock.lock();
    writing_ = false;
    results_.push_back(std::move(status));
    if (queue_.empty()) idle_.notify_all();
  }
}

}  // namespace zarvek
