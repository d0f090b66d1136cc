// FakeFileSystem is an in-memory FileSystem for unit tests. It records every
// directory made, in order, so tests can compare the exact list; it holds
// files in memory, written and read back through the interface; it answers
// ListDir from preset listings or from the folders and files it knows; and
// it can be told to fail any operation on a given path, or the n-th call of
// one operation, with a given text. A file holds its decoded content and the
// wrapper it is said to be in, so that readers of wrapped files are tested
// without compressing anything. Paths are taken as "/"-joined, without a
// trailing separator.
#ifndef ZARVEK_TESTING_FAKE_FS_H_
#define ZARVEK_TESTING_FAKE_FS_H_

#include <algorithm>
#include <cerrno>
#include <cstddef>
#include <cstdint>
#include <map>
#include <optional>
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
  /// The operations that return a Status, for the failures below.
  enum class Op {
    kListDir,
    kMakeDirs,
    kReadPrefix,
    kReadFile,
    kWrite,
    kReadDecoded,
    kWriteDecoded,
    kRemove,
  };

  /// A file: its decoded content and the wrapper it is in.
  struct File {
    std::string content;
    FileWrapper wrapper = FileWrapper::kNone;
    /// Its modification time for Stat: a counter bumped by every write.
    std::int64_t modified = 0;
  };

  /// Makes `path` and its parents known as directories (not recorded).
  void AddDirectory(const std::string& path) {
    for (std::string p = path; !p.empty(); p = Parent(p))
      directories_.insert(p);
  }

  /// Makes `path` a symbolic link to a folder: a directory for every
  /// operation but IsRealDirectory and MakeDirs, which refuse it as the real
  /// ones do.
  void AddLinkToFolder(const std::string& path) {
    AddDirectory(path);
    links_.insert(path);
  }

  /// Makes `path` a file holding `content` in `wrapper`, and its parents
  /// directories.
  void AddFile(const std::string& path, std::string content = "",
               FileWrapper wrapper = FileWrapper::kNone) {
    files_[path] = File{std::move(content), wrapper, ++clock_};
    AddDirectory(Parent(path));
  }

  /// FreeSpace gives `free` (less what a copy in progress wrote so far) of
  /// `total` bytes; unset, it fails as a system that cannot tell.
  void SetFreeSpace(std::uint64_t free, std::uint64_t total) {
    space_ = DiskSpace{free, total};
  }

  /// The bytes of the file at `path`, or nothing when there is no file.
  std::optional<std::string> FileBytes(const std::string& path) const {
    auto file = files_.find(path);
    if (file == files_.end()) return std::nullopt;
    return file->second.content;
  }

  /// The file at `path`, or nullptr.
  const File* FileAt(const std::string& path) const {
    auto it = files_.find(path);
    return it == files_.end() ? nullptr : &it->second;
  }

  /// ReadDecodedPrefix and WriteDecodedCopy of `path` (the source or the
  /// target) fail with Status::Error(message).
  void FailFile(const std::string& path, std::string message) {
    FailPath(path, std::move(message));
  }

  /// ListDir(path) will give exactly `names` (which need not exist otherwise).
  void SetListing(const std::string& path, std::vector<std::string> names) {
    listings_[path] = std::move(names);
  }

  /// The `n`-th call of `op` (1-based, counting every call of it) fails with
  /// Status::Error(message) and changes nothing.
  void FailCallAt(Op op, int n, std::string message) {
    call_failures_.insert_or_assign({op, n}, Failure(std::move(message)));
  }

  /// The `n`-th call of `op` fails as the system does with `err`:
  /// "<strerror(err)>: <the path it was given>", and changes nothing.
  void FailCallAt(Op op, int n, int err) {
    call_failures_.insert_or_assign({op, n}, Failure(Errno{err}));
  }

  /// Every call of any operation but Exists and IsDirectory on `path` fails
  /// with Status::Error(message) and changes nothing.
  void FailPath(const std::string& path, std::string message) {
    path_failures_.insert_or_assign(path, Failure(std::move(message)));
  }

  /// The same, as the system fails with `err`: "<strerror(err)>: <path>".
  void FailPath(const std::string& path, int err) {
    path_failures_.insert_or_assign(path, Failure(Errno{err}));
  }

  /// Shorthands kept for earlier tests.
  void FailMakeDirsAt(int n, std::string message) {
    FailCallAt(Op::kMakeDirs, n, std::move(message));
  }
  void FailListDir(const std::string& path, std::string message) {
    FailPath(path, std::move(message));
  }

  /// Gives the file at `path` the time of last change `seconds` (since
  /// 1970) and `nanoseconds`, as ListDirInfo reports it; files start at 0.
  void SetModified(const std::string& path, std::int64_t seconds,
                   std::int32_t nanoseconds = 0) {
    modified_[path] = {seconds, nanoseconds};
  }

  /// How many times `op` has been called, failed calls included.
  int CallCount(Op op) const {
    auto count = calls_.find(op);
    return count == calls_.end() ? 0 : count->second;
  }

  bool Exists(const std::string& path) override {
    return IsDirectory(path) || files_.count(path) > 0 ||
           listings_.count(path) > 0;
  }

  bool IsDirectory(const std::string& path) override {
    return directories_.count(path) > 0 || listings_.count(path) > 0;
  }

  bool IsRealDirectory(const std::string& path) override {
    return IsDirectory(path) && links_.count(path) == 0;
  }

  Status ListDir(const std::string& path,
                 std::vector<std::string>* names) override {
    names->clear();
    if (std::optional<Status> failure = Injected(Op::kListDir, path)) {
      return *failure;
    }
    if (auto listing = listings_.find(path); listing != listings_.end()) {
      *names = listing->second;
      return Status::OK();
    }
    if (files_.count(path) > 0) return Status::FromErrno(ENOTDIR, path);
    if (directories_.count(path) == 0) return Status::FromErrno(ENOENT, path);
    // Known children, in name order.
    std::set<std::string> children;
    for (const std::string& p : directories_) {
      if (p != path && Parent(p) == path) children.insert(Name(p));
    }
    for (const auto& [p, file] : files_) {
      if (Parent(p) == path) children.insert(Name(p));
    }
    names->assign(children.begin(), children.end());
    return Status::OK();
  }

  Status MakeDirs(const std::string& path) override {
    if (std::optional<Status> failure = Injected(Op::kMakeDirs, path)) {
      return *failure;
    }
    for (std::string p = path; !p.empty(); p = Parent(p)) {
      if (files_.count(p) > 0) {
        return Status::FromErrno(p == path ? EEXIST : ENOTDIR, path);
      }
    }
    if (links_.count(path) > 0) {
      return Status::Error(std::string(kLinkNotAFolderReason) + ": " + path);
    }
    if (directories_.count(path) == 0) directories_created_.push_back(path);
    AddDirectory(path);
    directories_made_.push_back(path);
    return Status::OK();
  }

  Status ReadPrefix(const std::string& path, size_t max_bytes,
                    std::string* bytes, bool* missing) override {
    bytes->clear();
    *missing = false;
    if (std::optional<Status> failure = Injected(Op::kReadPrefix, path)) {
      return *failure;
    }
    if (IsDirectory(path)) return Status::FromErrno(EISDIR, path);
    auto file = files_.find(path);
    if (file == files_.end()) {
      *missing = true;
      return Status::OK();
    }
    *bytes = file->second.content.substr(0, max_bytes + 1);
    return Status::OK();
  }

  Status ReadFile(const std::string& path, size_t max_bytes,
                  std::string* bytes) override {
    bytes->clear();
    if (std::optional<Status> failure = Injected(Op::kReadFile, path)) {
      return *failure;
    }
    if (IsDirectory(path)) return Status::FromErrno(EISDIR, path);
    auto file = files_.find(path);
    if (file == files_.end()) return Status::FromErrno(ENOENT, path);
    if (file->second.content.size() > max_bytes) {
      return Status::FromErrno(EFBIG, path);
    }
    *bytes = file->second.content;
    return Status::OK();
  }

  Status WriteAtomically(const std::string& path,
                         std::string_view bytes) override {
    if (std::optional<Status> failure = Injected(Op::kWrite, path)) {
      return *failure;
    }
    if (IsDirectory(path)) return Status::FromErrno(EISDIR, path);
    const std::string parent = Parent(path);
    if (!parent.empty() && !IsDirectory(parent)) {
      return Status::FromErrno(files_.count(parent) ? ENOTDIR : ENOENT, path);
    }
    files_[path] = File{std::string(bytes), FileWrapper::kNone, ++clock_};
    return Status::OK();
  }

  Status CreateNewFile(const std::string& path, std::string_view bytes,
                       bool* existed) override {
    *existed = Exists(path);
    if (*existed) return Status::OK();
    return WriteAtomically(path, bytes);
  }

  Status RemoveFile(const std::string& path) override {
    if (std::optional<Status> failure = Injected(Op::kRemove, path)) {
      return *failure;
    }
    if (IsDirectory(path)) return Status::FromErrno(EISDIR, path);
    if (files_.erase(path) == 0) return Status::FromErrno(ENOENT, path);
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
    if (std::optional<Status> failure = Injected(Op::kReadDecoded, path)) {
      return *failure;
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
                          const std::string& target,
                          const CopyWatch& watch) override {
    if (std::optional<Status> failure = Injected(Op::kWriteDecoded, source)) {
      return *failure;
    }
    if (auto f = path_failures_.find(target); f != path_failures_.end()) {
      return f->second.For(target);
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
                                                 : FileWrapper::kNone,
        ++clock_};
    // Shown to `watch` in pieces of kCopyPiece bytes, as the real copy
    // streams; nothing is left when it stops the copy.
    for (std::size_t done = 0; watch && done < copy.content.size();) {
      done = std::min(done + kCopyPiece, copy.content.size());
      in_progress_ = done;
      const Status status = watch(done);
      in_progress_ = 0;
      if (!status.ok()) return status;
    }
    files_[target] = std::move(copy);
    return Status::OK();
  }

  // Hands the content over in kReadPiece bytes, so that readers meet lines
  // cut between pieces as the real reader gives them; counted and failed as
  // ReadDecodedPrefix.
  Status ReadDecoded(const std::string& path, const DecodedPieces& take,
                     FileWrapper* wrapper) override {
    auto it = files_.find(path);
    if (it == files_.end()) {
      return Status::FromErrno(IsDirectory(path) ? EISDIR : ENOENT, path);
    }
    if (wrapper) *wrapper = it->second.wrapper;
    if (std::optional<Status> failure = Injected(Op::kReadDecoded, path)) {
      return *failure;
    }
    const std::string content = it->second.content;
    for (std::size_t at = 0; at < content.size(); at += kReadPiece) {
      if (!take(std::string_view(content).substr(at, kReadPiece))) break;
    }
    return Status::OK();
  }

  // The change sees the content in kCopyPiece bytes and `watch` the copy
  // grow after each; nothing is left when either stops it.
  Status WriteChangedCopy(const std::string& source, const PieceChange& change,
                          const std::string& target,
                          const CopyWatch& watch) override {
    if (std::optional<Status> failure = Injected(Op::kWriteDecoded, source)) {
      return *failure;
    }
    if (auto f = path_failures_.find(target); f != path_failures_.end()) {
      return f->second.For(target);
    }
    auto it = files_.find(source);
    if (it == files_.end()) return Status::FromErrno(ENOENT, source);
    if (directories_.count(Parent(target)) == 0) {
      return Status::FromErrno(ENOENT, target);
    }
    const std::string content = it->second.content;
    File copy{"",
              it->second.wrapper == FileWrapper::kGzip ? FileWrapper::kGzip
                                                       : FileWrapper::kNone,
              ++clock_};
    for (std::size_t at = 0;; at += kCopyPiece) {
      const bool last = at >= content.size();
      Status status =
          change(last ? std::string_view()
                      : std::string_view(content).substr(at, kCopyPiece),
                 last, &copy.content);
      if (status.ok() && watch) {
        in_progress_ = copy.content.size();
        status = watch(copy.content.size());
        in_progress_ = 0;
      }
      if (!status.ok()) return status;
      if (last) break;
    }
    files_[target] = std::move(copy);
    return Status::OK();
  }

  /// The piece size in which ReadDecoded hands a file over.
  static constexpr std::size_t kReadPiece = 64;

  bool Stat(const std::string& path, FileStamp* stamp) override {
    auto it = files_.find(path);
    if (it == files_.end()) return false;
    // A wrapped file takes less on the disk than its content: an eighth.
    const std::size_t size = it->second.wrapper == FileWrapper::kNone
                                 ? it->second.content.size()
                                 : it->second.content.size() / 8 + 1;
    *stamp = FileStamp{size, it->second.modified, 0};
    return true;
  }

  Status FreeSpace(const std::string& path, DiskSpace* space) override {
    if (!space_) return Status::Error("free space unknown: " + path);
    *space = *space_;
    space->free -= std::min<std::uint64_t>(space->free, in_progress_);
    return Status::OK();
  }

  /// The piece size in which WriteDecodedCopy shows a copy to its watch.
  static constexpr std::size_t kCopyPiece = 1024;

  Status ListDirInfo(const std::string& path, const PrefixRequest& prefixes,
                     std::vector<DirEntryInfo>* entries) override {
    entries->clear();
    std::vector<std::string> names;
    Status status = ListDir(path, &names);
    if (!status.ok()) return status;
    for (const std::string& name : names) {
      const std::string full = path + "/" + name;
      DirEntryInfo entry;
      entry.name = name;
      entry.is_dir = IsDirectory(full);
      if (auto file = files_.find(full); file != files_.end()) {
        entry.is_file = true;
        entry.size = file->second.content.size();
      }
      if (auto time = modified_.find(full); time != modified_.end()) {
        entry.mtime_s = time->second.first;
        entry.mtime_ns = time->second.second;
      }
      entries->push_back(std::move(entry));
    }
    ReadPrefixes(path, prefixes, entries);
    return Status::OK();
  }

  /// The paths of the successful MakeDirs calls, in call order.
  std::vector<std::string> directories_made_;
  /// Those of them that made a directory that did not exist before.
  std::vector<std::string> directories_created_;

 private:
  struct Errno {
    int err;
  };
  // A failure's text as given, or the system's text for an errno.
  struct Failure {
    explicit Failure(std::string text) : message(std::move(text)) {}
    explicit Failure(Errno e) : err(e.err) {}
    Status For(const std::string& path) const {
      return err != 0 ? Status::FromErrno(err, path) : Status::Error(message);
    }
    std::string message;
    int err = 0;
  };

  static std::string Parent(const std::string& path) {
    const size_t slash = path.rfind('/');
    if (slash == std::string::npos || slash == 0) return "";
    return path.substr(0, slash);
  }
  static std::string Name(const std::string& path) {
    return path.substr(path.rfind('/') + 1);
  }

  // Counts the call of `op` and gives the failure it was told to have, if
  // any.
  std::optional<Status> Injected(Op op, const std::string& path) {
    const int n = ++calls_[op];
    if (auto f = call_failures_.find({op, n}); f != call_failures_.end()) {
      return f->second.For(path);
    }
    if (auto f = path_failures_.find(path); f != path_failures_.end()) {
      return f->second.For(path);
    }
    return std::nullopt;
  }

  std::set<std::string> directories_;
  std::set<std::string> links_;
  std::map<std::string, File> files_;
  std::map<std::string, std::vector<std::string>> listings_;
  std::map<Op, int> calls_;
  std::map<std::pair<Op, int>, Failure> call_failures_;
  std::map<std::string, Failure> path_failures_;
  std::int64_t clock_ = 0;
  std::optional<DiskSpace> space_;
  std::uint64_t in_progress_ = 0;
  std::map<std::string, std::pair<std::int64_t, std::int32_t>> modified_;
};

}  // namespace zarvek

#endif  // ZARVEK_TESTING_FAKE_FS_H_
