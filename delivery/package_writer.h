// The package as a ZIP archive produced piece by piece: each call to Next
// gives the bytes that follow (a header, a chunk of a file deflated or
// stored, the central directory), so that whoever writes them to disk
// (delivery/package_file.h) never holds more than one chunk. Every file's
// SHA-256 is taken as it passes, and MANIFIESTO.txt, listing them, is the
// archive's last member. Progress is reported per file and per chunk; a
// cancel is seen between chunks.
#ifndef ZARVEK_DELIVERY_PACKAGE_WRITER_H_
#define ZARVEK_DELIVERY_PACKAGE_WRITER_H_

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "delivery/manifest.h"
#include "delivery/sha256.h"
#include "delivery/zip_writer.h"
#include "platform/status.h"

namespace zarvek {

/// One member of the package: a file read from `source`, or an empty folder.
struct PackageEntry {
  std::string name;    ///< its path in the archive, "/" between names
  std::string source;  ///< the file on disk; unused for a folder
  bool is_dir = false;
  std::uint64_t size = 0;    ///< as measured before, for progress and Zip64
  std::int64_t mtime_s = 0;  ///< last change, seconds since 1970 UTC
};

/// A file being read, chunk after chunk.
class SourceFile {
 public:
  virtual ~SourceFile() = default;
  /// Replaces `*chunk` with at most `max_bytes` next bytes; empty at the end.
  virtual Status Read(std::size_t max_bytes, std::string* chunk) = 0;
};

class SourceFiles {
 public:
  virtual ~SourceFiles() = default;
  /// Opens the ordinary file `path`; else "<system's text>: <path>".
  virtual Status Open(const std::string& path,
                      std::unique_ptr<SourceFile>* file) = 0;
};

struct PackageProgress {
  /// Before each file: its number from 1 and the count of files, the
  /// manifest included ("ARCHIVO n DE N").
  std::function<void(std::size_t file, std::size_t files)> on_file;
  /// After each chunk: bytes of the files packed so far, and in all.
  std::function<void(std::uint64_t done, std::uint64_t total)> on_bytes;
  /// Set from another thread to stop; seen before every chunk.
  const std::atomic<bool>* cancel = nullptr;
};

struct PackageOptions {
  std::string program_version;
  std::size_t chunk_bytes = 1 << 20;
  bool force_zip64 = false;  ///< see ZipWriter::set_force_zip64
};

/// What a cancelled packing returns.
inline constexpr char kPackageCancelled[] = "EMPAQUETADO CANCELADO";

class PackageJob {
 public:
  PackageJob(std::vector<PackageEntry> entries, SourceFiles* sources,
             ZipBackend* backend, PackageProgress progress,
             PackageOptions options);

  /// Appends the next bytes of the archive to `*out` (maybe none) and sets
  /// `*done` once they were the last. A failure ends the job.
  Status Next(std::string* out, bool* done);

  /// The manifest's lines so far: every file packed whole.
  const std::vector<ManifestLine>& manifest() const { return manifest_; }

 private:
  class OutSink : public ByteSink {
   public:
    Status Append(std::string_view bytes) override {
      out->append(bytes);
      return Status::OK();
    }
    std::string* out = nullptr;
  };

  bool Cancelled() const;
  Status StartEntry(const PackageEntry& entry);
  Status Pump();
  Status WriteManifest();

  std::vector<PackageEntry> entries_;
  SourceFiles* sources_;
  PackageProgress progress_;
  PackageOptions options_;
  OutSink sink_;
  ZipWriter writer_;
  Sha256 sha_;
  std::unique_ptr<SourceFile> file_;
  std::size_t next_entry_ = 0;
  std::size_t file_number_ = 0;
  std::size_t files_ = 1;  // the manifest
  std::uint64_t bytes_done_ = 0;
  std::uint64_t bytes_total_ = 0;
  std::uint64_t file_bytes_ = 0;
  bool manifest_written_ = false;
  bool failed_ = false;
  std::string chunk_;
  std::vector<ManifestLine> manifest_;
};

}  // namespace zarvek

#endif  // ZARVEK_DELIVERY_PACKAGE_WRITER_H_
