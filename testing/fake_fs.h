// FakeFileSystem is an in-memory FileSystem for unit tests. It records every
// directory made, in order, so tests can compare the exact list; it can be
// told to fail at a given MakeDirs call; and it answers ListDir from preset
// listings or from the folders and files it knows. Paths are taken as
// "/"-joined, without a trailing separator.
#ifndef ZARVEK_TESTING_FAKE_FS_H_
#define ZARVEK_TESTING_FAKE_FS_H_

#include <cerrno>
#include <map>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "platform/fs.h"
#include "platform/status.h"

namespace zarvek {

class FakeFileSystem : public FileSystem {
 public:
  /// Makes `path` and its parents known as directories (not recorded).
  void AddDirectory(const std::string& path) {
    for (std::string p = path; !p.empty(); p = Parent(p))
      directories_.insert(p);
  }

  /// Makes `path` known as a plain file, and its parents as directories.
  void AddFile(const std::string& path) {
    files_.insert(path);
    AddDirectory(Parent(path));
  }

  /// ListDir(path) will give exactly `names` (which need not exist otherwise).
  void SetListing(const std::string& path, std::vector<std::string> names) {
    listings_[path] = std::move(names);
  }

  /// The `n`-th call of MakeDirs (1-based, counting every call) fails with
  /// Status::Error(message) and makes nothing.
  void FailMakeDirsAt(int n, std::string message) {
    fail_at_ = n;
    fail_message_ = std::move(message);
  }

  /// ListDir(path) fails with Status::Error(message).
  void FailListDir(const std::string& path, std::string message) {
    list_failures_[path] = std::move(message);
  }

  bool Exists(const std::string& path) override {
    return IsDirectory(path) || files_.count(path) > 0 ||
           listings_.count(path) > 0;
  }

  bool IsDirectory(const std::string& path) override {
    return directories_.count(path) > 0 || listings_.count(path) > 0;
  }

  Status ListDir(const std::string& path,
                 std::vector<std::string>* names) override {
    names->clear();
    if (auto failure = list_failures_.find(path);
        failure != list_failures_.end()) {
      return Status::Error(failure->second);
    }
    if (auto listing = listings_.find(path); listing != listings_.end()) {
      *names = listing->second;
      return Status::OK();
    }
    if (files_.count(path) > 0) return Status::FromErrno(ENOTDIR, path);
    if (directories_.count(path) == 0) return Status::FromErrno(ENOENT, path);
    // Known children, in name order.
    std::set<std::string> children;
    for (const std::set<std::string>* known : {&directories_, &files_}) {
      for (const std::string& p : *known) {
        if (p != path && Parent(p) == path) {
          children.insert(p.substr(p.rfind('/') + 1));
        }
      }
    }
    names->assign(children.begin(), children.end());
    return Status::OK();
  }

  Status MakeDirs(const std::string& path) override {
    ++make_dirs_calls_;
    if (make_dirs_calls_ == fail_at_) return Status::Error(fail_message_);
    for (std::string p = path; !p.empty(); p = Parent(p)) {
      if (files_.count(p) > 0) {
        return Status::FromErrno(p == path ? EEXIST : ENOTDIR, path);
      }
    }
    AddDirectory(path);
    directories_made_.push_back(path);
    return Status::OK();
  }

  /// The paths of the successful MakeDirs calls, in call order.
  std::vector<std::string> directories_made_;

 private:
  static std::string Parent(const std::string& path) {
    const size_t slash = path.rfind('/');
    if (slash == std::string::npos || slash == 0) return "";
    return path.substr(0, slash);
  }

  std::set<std::string> directories_;
  std::set<std::string> files_;
  std::map<std::string, std::vector<std::string>> listings_;
  std::map<std::string, std::string> list_failures_;
  int make_dirs_calls_ = 0;
  int fail_at_ = 0;
  std::string fail_message_;
};

}  // namespace zarvek

#endif  // ZARVEK_TESTING_FAKE_FS_H_
