#include <zlib.h>

#include <cerrno>
#include <filesystem>
#include <fstream>

#include "delivery/package_file.h"
#include "platform/atomic_file.h"
#include "platform/local_time.h"

namespace zarvek {
namespace {

namespace fs = std::filesystem;

class ZlibBackend : public ZipBackend {
 public:
  ~ZlibBackend() override {
    if (started_) deflateEnd(&z_);
  }

  std::uint32_t Crc32(std::uint32_t crc, std::string_view bytes) override {
    return static_cast<std::uint32_t>(crc32_z(
        crc, reinterpret_cast<const Bytef*>(bytes.data()), bytes.size()));
  }

  Status StartDeflate() override {
    if (started_) return Reset(deflateReset(&z_));
    started_ = true;
    return Reset(
        deflateInit2(&z_, 6, Z_DEFLATED, -MAX_WBITS, 8, Z_DEFAULT_STRATEGY));
  }

  Status Deflate(std::string_view in, bool finish, std::string* out) override {
    z_.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(in.data()));
    z_.avail_in = static_cast<uInt>(in.size());
    unsigned char block[64 * 1024];
    for (;;) {
      z_.next_out = block;
      z_.avail_out = sizeof block;
      const int result = deflate(&z_, finish ? Z_FINISH : Z_NO_FLUSH);
      if (result == Z_STREAM_ERROR) return Status::Error("zlib: deflate");
      out->append(reinterpret_cast<const char*>(block),
                  sizeof block - z_.avail_out);
      if (finish ? result == Z_STREAM_END
                 : (z_.avail_in == 0 && z_.avail_out != 0)) {
        return Status::OK();
      }
    }
  }

  bool LocalTime(std::time_t when, std::tm* local) override {
    return zarvek::LocalTime(when, local);
  }

 private:
  Status Reset(int result) {
    return result == Z_OK ? Status::OK() : Status::Error("zlib: deflateInit");
  }

  z_stream z_{};
  bool started_ = false;
};

fs::path Native(const std::string& utf8) {
  return fs::path(std::u8string(utf8.begin(), utf8.end()));
}

class DiskFile : public SourceFile {
 public:
  DiskFile(std::ifstream in, std::string path)
      : in_(std::move(in)), path_(std::move(path)) {}

  Status Read(std::size_t max_bytes, std::string* chunk) override {
    chunk->resize(max_bytes);
    in_.read(chunk->data(), static_cast<std::streamsize>(max_bytes));
    chunk->resize(static_cast<std::size_t>(in_.gcount()));
    if (in_.bad()) return Status::FromErrno(errno ? errno : EIO, path_);
    return Status::OK();
  }

 private:
  std::ifstream in_;
  std::string path_;
};

class DiskFiles : public SourceFiles {
 public:
  Status Open(const std::string& path,
              std::unique_ptr<SourceFile>* file) override {
    // Only ordinary files: a FIFO or a device would block the reading or
    // never end.
    std::error_code error;
    const fs::file_status status = fs::status(Native(path), error);
    if (error) {
      // The portable errno, whose strerror text is the system's message on
      // every platform (Windows' own text would come in its ANSI code page).
      const std::error_condition condition = error.default_error_condition();
      return Status::FromErrno(condition.category() == std::generic_category()
                                   ? condition.value()
                                   : EIO,
                               path);
    }
    if (!fs::is_regular_file(status)) {
      return Status::FromErrno(fs::is_directory(status) ? EISDIR : EINVAL,
                               path);
    }
    errno = 0;
    std::ifstream in(Native(path), std::ios::binary);
    if (!in) return Status::FromErrno(errno ? errno : EIO, path);
    *file = std::make_unique<DiskFile>(std::move(in), path);
    return Status::OK();
  }
};

}  // namespace

std::unique_ptr<ZipBackend> MakeZlibBackend() {
  return std::make_unique<ZlibBackend>();
}

std::unique_ptr<SourceFiles> MakeDiskSourceFiles() {
  return std::make_unique<DiskFiles>();
}

Status WritePackageFile(const std::string& path,
                        const std::vector<PackageEntry>& entries,
                        const PackageProgress& progress,
                        const PackageOptions& options,
                        std::vector<ManifestLine>* manifest) {
  std::unique_ptr<SourceFiles> files = MakeDiskSourceFiles();
  return WritePackageFileFrom(path, entries, files.get(), progress, options,
                              manifest);
}

Status WritePackageFileFrom(const std::string& path,
                            const std::vector<PackageEntry>& entries,
                            SourceFiles* sources,
                            const PackageProgress& progress,
                            const PackageOptions& options,
                            std::vector<ManifestLine>* manifest) {
  std::unique_ptr<ZipBackend> backend = MakeZlibBackend();
  PackageJob job(entries, sources, backend.get(), progress, options);
  std::string piece;
  const Status status =
      WriteFileAtomicallyFrom(path, [&](std::string_view* out, bool* done) {
        piece.clear();
        Status next = job.Next(&piece, done);
        *out = piece;
        return next;
      });
  if (manifest != nullptr) *manifest = job.manifest();
  return status;
}

}  // namespace zarvek
