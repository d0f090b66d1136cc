// FakeFileSystem is an in-memory FileSystem for unit tests. It records every
// directory made, in order, so tests can compare the exact list; it can be
// told to fail at a given MakeDirs call; and it answers ListDir from preset
// listings or from the folders and files it knows. Files hold their decoded
// content and the wrapper they are said to be in, so that readers of
// wrapped files are tested without compressing anything. Paths are taken
// as "/"-joined, without a trailing separator.
#ifndef ZARVEK_TESTING_FAKE_FS_H_
#define ZARVEK_TESTING_FAKE_FS_H_

#include <algorithm>
#include <cerrno>
#include <cstddef>
#include <map>
#include <set>
#include <string>
#include <string_view>
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

  /// A file: its decoded content and the wrapper it is in.
  struct File {
    std::string content;
    FileWrapper wrapper = FileWrapper::kNone;
  };

  /// Makes `path` known as a file holding `content` in `wrapper`, and its
  /// parents as directories.
  void AddFile(const std::string& path, std::string content = "",
               FileWrapper wrapper = FileWrapper::kNone) {
    files_[path] = File{std::move(content), wrapper};
    AddDirectory(Parent(path));
  }

  /// The file at `path`, or nullptr.
  const File* FileAt(const std::string& path) const {
    auto it = files_.find(path);
    return it == files_.end() ? nullptr : &it->second;
  }

  /// ReadDecodedPrefix and WriteDecodedCopy of `path` (the source or the
  /// target) fail with Status::Error(message).
  void FailFile(const std::string& path, std::string message) {
    file_failures_[path] = std::move(message);
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
    auto add = [&](const std::string& p) {
      if (p != path && Parent(p) == path) {
        children.insert(p.substr(p.rfind('/') + 1));
      }
    };
    for (const std::string& p : directories_) add(p);
    for (const auto& [p, file] : files_) add(p);
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

  bool IsFile(const std::string& path) override {
    return files_.count(path) > 0;
  }

  // Decodes in small pieces, so that `enough` sees the growing prefix as
  // the real reader shows it.
  Status ReadDecodedPrefix(const std::string& path, std::size_t max_bytes,
                           const EnoughBytes& enough,
                           DecodedPrefix* prefix) override {
    *prefix = DecodedPrefix();
    auto it = files_.find(path);
    if (it == files_.end()) {
      return Status::FromErrno(IsDirectory(path) ? EISDIR : ENOENT, path);
    }
    prefix->wrapper = it->second.wrapper;
    if (auto failure = file_failures_.find(path);
        failure != file_failures_.end()) {
      return Status::Error(failure->second);
    }
    const std::string& content = it->second.content;
    constexpr std::size_t kPiece = 64;
    while (prefix->bytes.size() < max_bytes) {
      const std::size_t seen = prefix->bytes.size();
      if (seen == content.size()) {
        prefix->complete = true;
        break;
      }
      prefix->bytes.append(
          content, seen, std::min({kPiece, max_bytes - seen, content.size()}));
      if (enough && enough(prefix->bytes, seen)) break;
    }
    return Status::OK();
  }

  Status WriteDecodedCopy(const std::string& source, std::size_t prefix_length,
                          std::string_view new_prefix,
                          const std::string& target) override {
    for (const std::string& path : {source, target}) {
      if (auto failure = file_failures_.find(path);
          failure != file_failures_.end()) {
        return Status::Error(failure->second);
      }
    }
    auto it = files_.find(source);
    if (it == files_.end()) return Status::FromErrno(ENOENT, source);
    if (directories_.count(Parent(target)) == 0) {
      return Status::FromErrno(ENOENT, target);
    }
    if (it->second.content.size() < prefix_length) {
      return Status::Error("shorter than its prefix: " + source);
    }
    File copy{
        std::string(new_prefix) + it->second.content.substr(prefix_length),
        it->second.wrapper == FileWrapper::kGzip ? FileWrapper::kGzip
                                                 : FileWrapper::kNone};
    files_[target] = std::move(copy);
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
  std::map<std::string, File> files_;
  std::map<std::string, std::string> file_failures_;
  std::map<std::string, std::vector<std::string>> listings_;
  std::map<std::string, std::string> list_failures_;
  int make_dirs_calls_ = 0;
  int fail_at_ = 0;
  std::string fail_message_;
};

}  // namespace zarvek

#endif  // ZARVEK_TESTING_FAKE_FS_H_
