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

void WorkQueue::Post(Job job, Failed failed) {
  {
    std::lock_guard lock(mutex_);
    jobs_.push_back({std::move(job), std::move(failed)});
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
    Queued next = std::move(jobs_.front());
    jobs_.pop_front();
    running_ = true;
    lock.unlock();
    // A job reports its own failures through what it hands back; one that
    // throws anyway must neither take the worker (and the program) down nor
    // leave its owner waiting for a result that never comes.
    Done done;
    std::string what;
    bool threw = true;
    try {
      done = next.job();
      threw = false;
    } catch (const std::exception& e) {
      what = e.what();
    } catch (...) {
      what = "error desconocido";
    }
    if (threw && next.failed) {
      done = [failed = std::move(next.failed), what = std::move(what)] {
        failed(what);
      };
    }
    lock.lock();
    running_ = false;
    if (done) finished_.push_back(std::move(done));
    if (jobs_.empty()) idle_.notify_all();
  }
}

}  // namespace zarvek
