// The real FileExchange: the same on every platform but for ExchangeFiles,
// which the adapters implement.
#include "platform/file_exchange.h"

#include <cerrno>

#include "platform/atomic_file.h"
#include "platform/fs.h"

namespace zarvek {
namespace {

class SystemFileExchange : public FileExchange {
 public:
  Status WriteTemporary(const std::string& path, std::string_view bytes,
                        std::string* temp) override {
    return zarvek::WriteTemporary(path, bytes, temp);
  }
  Status Exchange(const std::string& temp, const std::string& path,
                  bool* was_missing) override {
    return ExchangeFiles(temp, path, was_missing);
  }
  Status Read(const std::string& file, std::size_t max_bytes,
              std::string* bytes) override {
    bool missing = false;
    const Status status =
        RealFileSystem().ReadPrefix(file, max_bytes, bytes, &missing);
    if (status.ok() && missing) return Status::FromErrno(ENOENT, file);
    return status;
  }
  Status Remove(const std::string& file) override {
    return RealFileSystem().RemoveFile(file);
  }
};

}  // namespace

FileExchange& RealFileExchange() {
  static SystemFileExchange exchange;
  return exchange;
}

}  // namespace zarvek
