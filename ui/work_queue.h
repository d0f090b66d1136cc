// A thread of its own for work that can take long (reading observation
// files, scanning a project, writing a report), so that the window thread
// never waits for a disk. Each job runs on the worker and returns what is
// to be done with its result; that part runs later on the window thread,
// which collects it with TakeFinished(). Nothing here touches Tk.
#ifndef ZARVEK_UI_WORK_QUEUE_H_
#define ZARVEK_UI_WORK_QUEUE_H_

#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace zarvek {

class WorkQueue {
 public:
  /// What a job hands back to the window thread; may be empty.
  using Done = std::function<void()>;
  /// A job: runs on the worker thread, one at a time, in the order given.
  using Job = std::function<Done()>;
  /// What the window thread is told of a job that threw instead of handing
  /// back its result: the exception's text.
  using Failed = std::function<void(const std::string& what)>;

  WorkQueue();
  /// Drops the jobs not yet started, waits for the running one and stops
  /// the thread. What finished jobs handed back is discarded: set the jobs'
  /// own cancel flag first when a running job can take long.
  ~WorkQueue();
  WorkQueue(const WorkQueue&) = delete;
  WorkQueue& operator=(const WorkQueue&) = delete;

  /// Queues `job`. When it throws, `failed` is handed back in place of its
  /// result, with the exception's what() ("error desconocido" for one that
  /// is no std::exception), so that the owner can end what it began (a
  /// progress bar, a "running" flag) and say why.
  void Post(Job job, Failed failed = nullptr);
  /// Drops the jobs not yet started (the running one goes on).
  void DropPending();
  /// True while a job is queued or running, or a result waits to be taken.
  bool Busy();
  /// Blocks until no job is queued or running.
  void Wait();
  /// What finished jobs handed back since the last call, oldest first.
  std::vector<Done> TakeFinished();

 private:
  void Run();

  std::mutex mutex_;
  std::condition_variable wake_, idle_;
  struct Queued {
    Job job;
    Failed failed;
  };
  std::deque<Queued> jobs_;
  std::vector<Done> finished_;
  bool running_ = false;
  bool stop_ = false;
  std::thread thread_;  // last: starts once the rest is ready
};

}  // namespace zarvek

#endif  // ZARVEK_UI_WORK_QUEUE_H_
