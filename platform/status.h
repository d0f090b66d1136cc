// Status carries the outcome of an operation that may fail: either OK, or an
// error message written for the person at the keyboard (usually the system's
// own error text followed by the path concerned). It crosses no library
// boundary and needs nothing beyond the standard library.
#ifndef ZARVEK_PLATFORM_STATUS_H_
#define ZARVEK_PLATFORM_STATUS_H_

#include <cstring>
#include <string>
#include <utility>

namespace zarvek {

class Status {
 public:
  Status() = default;
  static Status OK() { return Status(); }
  static Status Error(std::string message) {
    return Status(std::move(message), true);
  }
  /// An error built from errno: "<strerror(err)>: <path>".
  /// strerror's text is what the user's own system says about the failure;
  /// the path tells which of many files or folders it concerns.
  static Status FromErrno(int err, const std::string& path) {
    return Error(std::string(std::strerror(err)) + ": " + path);
  }

  /// An error because another program holds the file open and does not
  /// share it (a PDF viewer showing the report on Windows): closing that
  /// program is the cure. The adapters say which system errors are this.
  static Status HeldOpen(std::string message) {
    Status status(std::move(message), true);
    status.held_open_ = true;
    return status;
  }

  bool ok() const { return !failed_; }
  const std::string& message() const { return message_; }
  /// Whether the failure is the file being held open by another program.
  bool held_open() const { return held_open_; }

 private:
  Status(std::string message, bool failed)
      : message_(std::move(message)), failed_(failed) {}
  std::string message_;
  bool failed_ = false;
  bool held_open_ = false;
};

}  // namespace zarvek

#endif  // ZARVEK_PLATFORM_STATUS_H_
