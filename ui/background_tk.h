// A room's long work, run on a WorkQueue and finished on the window thread:
// while a job is queued or running, the event loop polls for what finished
// (Tk's `after`), so only the window thread touches Tk and the window keeps
// answering. Each room that has long work owns one Background.
#ifndef ZARVEK_UI_BACKGROUND_TK_H_
#define ZARVEK_UI_BACKGROUND_TK_H_

#include <string>

#include "ui/ui_tk.h"
#include "ui/work_queue.h"

namespace zarvek {

class Background {
 public:
  /// `name` names the poll command (::zarvek::`name`); unique per room.
  Background(Ui& ui, const std::string& name);
  /// Cancels the poll; a running job is waited for (see ~WorkQueue).
  ~Background();
  Background(const Background&) = delete;
  Background& operator=(const Background&) = delete;

  /// Runs `job` off the window thread; what it returns runs on the window
  /// thread once it is done, from the event loop. When the job throws,
  /// `failed` runs there instead with the exception's text; without it an
  /// error box shows that text.
  void Run(WorkQueue::Job job, WorkQueue::Failed failed = nullptr);
  /// Drops the jobs not yet started.
  void DropPending() { queue_.DropPending(); }
  bool Busy() { return queue_.Busy(); }
  /// Waits for every job, then runs what they handed back, now: for closing
  /// the window and for tests, which must not depend on timing.
  void Finish();

 private:
  void Poll();

  Ui& ui_;
  std::string command_;
  bool poll_pending_ = false;
  WorkQueue queue_;
};

}  // namespace zarvek

#endif  // ZARVEK_UI_BACKGROUND_TK_H_
