#include "ui/work_queue.h"

#include <exception>
#include <utility>

namespace zarvek {

WorkQueue::WorkQueue() : thread_([this] { Run(); }) {}

WorkQueue::~WorkQueue() {
  {
    std::lock_guard lock(mutex_);
    jobs_.clear();
    stop_ = true;
  }
  wake_.notify_all();
  thread_.join();
}

void WorkQueue::Post(Job job) {
  {
    std::lock_guard lock(mutex_);
    jobs_.push_back(std::move(job));
  }
  wake_.notify_all();
}

void WorkQueue::DropPending() {
  std::lock_guard lock(mutex_);
  jobs_.clear();
  if (!running_) idle_.notify_all();
}

bool WorkQueue::Busy() {
  std::lock_guard lock(mutex_);
  return running_ || !jobs_.empty() || !finished_.empty();
}

void WorkQueue::Wait() {
  std::unique_lock lock(mutex_);
  idle_.wait(lock, [this] { return !running_ && jobs_.empty(); });
}

std::vector<WorkQueue::Done> WorkQueue::TakeFinished() {
  std::lock_guard lock(mutex_);
  return std::exchange(finished_, {});
}

void WorkQueue::Run() {
  std::unique_lock lock(mutex_);
  for (;;) {
    wake_.wait(lock, [this] { return stop_ || !jobs_.empty(); });
    if (stop_) return;
    Job job = std::move(jobs_.front());
    jobs_.pop_front();
    running_ = true;
    lock.unlock();
    Done done;
    try {
      done = job();
    } catch (const std::exception&) {
      // A job reports its own failures through what it hands back; one that
      // throws anyway must not take the worker (and the program) down.
    }
    lock.lock();
    running_ = false;
    if (done) finished_.push_back(std::move(done));
    if (jobs_.empty()) idle_.notify_all();
  }
}

}  // namespace zarvek
