#include "project/open_project.h"

#include <utility>

namespace zarvek {

void OpenProject::Set(std::string folder, std::vector<std::string> codes,
                      bool read_only) {
  folder_ = std::move(folder);
  codes_ = std::move(codes);
  read_only_ = read_only;
  for (const auto& observer : observers_) observer();
}

void OpenProject::AddObserver(std::function<void()> observer) {
  observers_.push_back(std::move(observer));
}

void OpenProject::EndChange() {
  if (changes_ > 0) --changes_;
  while (changes_ == 0 && !waiting_.empty()) {
    std::function<void()> command = std::move(waiting_.front());
    waiting_.pop_front();
    command();
  }
}

void OpenProject::WhenSettled(std::function<void()> command) {
  if (changing()) {
    waiting_.push_back(std::move(command));
  } else {
    command();
  }
}

}  // namespace zarvek
