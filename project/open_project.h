// The project the window works on, shared by its rooms: the folder the
// surveyor chose and the point codes of its table. A change of project is
// one step: the folder and the codes change together, and only once the new
// table is complete. While a change is in progress (building a table calls
// the event loop, so clicks are handled meanwhile) commands that act on the
// project wait for its end, so that none of them acts on a mix of the old
// project and the new one.
#ifndef ZARVEK_PROJECT_OPEN_PROJECT_H_
#define ZARVEK_PROJECT_OPEN_PROJECT_H_

#include <cstddef>
#include <deque>
#include <functional>
#include <string>
#include <vector>

namespace zarvek {

class OpenProject {
 public:
  /// The chosen folder; empty while no project is open.
  const std::string& folder() const { return folder_; }
  bool is_open() const { return !folder_.empty(); }
  /// The codes of the project's points, in table order.
  const std::vector<std::string>& codes() const { return codes_; }
  /// Opened to be read only: another copy of the program has it open, and
  /// nothing of it is written from this window.
  bool read_only() const { return read_only_; }

  /// Makes `folder` with `codes` the open project and then tells every
  /// observer, in the order they were added.
  void Set(std::string folder, std::vector<std::string> codes,
           bool read_only = false);
  void AddObserver(std::function<void()> observer);

  /// Marks the start of a change of project; changes may nest.
  void BeginChange() { ++changes_; }
  /// Marks its end. When no change is left in progress, the commands that
  /// waited run, oldest first (a command that starts a change of its own
  /// makes the ones after it wait again).
  void EndChange();
  bool changing() const { return changes_ > 0; }
  /// Runs `command` now, or at the end of the change in progress.
  void WhenSettled(std::function<void()> command);
  /// How many commands are waiting.
  size_t waiting() const { return waiting_.size(); }

 private:
  std::string folder_;
  std::vector<std::string> codes_;
  bool read_only_ = false;
  std::vector<std::function<void()>> observers_;
  int changes_ = 0;
  std::deque<std::function<void()>> waiting_;
};

}  // namespace zarvek

#endif  // ZARVEK_PROJECT_OPEN_PROJECT_H_
