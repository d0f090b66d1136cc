// A ZIP archive written as a stream: bytes are only ever appended to a
// ByteSink, and a member's data pass through in pieces, so neither the
// archive nor one of its files is ever whole in memory. Every member has
// its name in UTF-8 with the language-encoding flag, so that archive
// programs on any system show accented names as they are, and an extended
// timestamp (UTC) beside the DOS time (local), so that they show the file's
// own time. Files get a data descriptor (their CRC and sizes follow the
// data); Zip64 fields appear where a size, an offset or the count of
// entries does not fit the classic fields.
#ifndef ZARVEK_DELIVERY_ZIP_WRITER_H_
#define ZARVEK_DELIVERY_ZIP_WRITER_H_

#include <cstdint>
#include <ctime>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "platform/status.h"

namespace zarvek {

/// Where the archive's bytes go, in order.
class ByteSink {
 public:
  virtual ~ByteSink() = default;
  virtual Status Append(std::string_view bytes) = 0;
};

/// What the writer needs from the libraries and the system: CRC-32 and raw
/// deflate (zlib in delivery/package_file_zlib.cc) and the local time zone.
class ZipBackend {
 public:
  virtual ~ZipBackend() = default;
  virtual std::uint32_t Crc32(std::uint32_t crc, std::string_view bytes) = 0;
  /// Starts a new raw deflate stream (no zlib or gzip wrapper), level 6.
  virtual Status StartDeflate() = 0;
  /// Compresses `in`, appending what comes out to `*out`; `finish` ends the
  /// stream and flushes everything.
  virtual Status Deflate(std::string_view in, bool finish,
                         std::string* out) = 0;
  /// `when` in the local time zone; false when the system cannot tell.
  virtual bool LocalTime(std::time_t when, std::tm* local) = 0;
};

enum class ZipMethod : std::uint16_t { kStored = 0, kDeflated = 8 };

/// Stored for what is compressed already (photos, videos, archives),
/// deflated for the rest; told by the name's extension, in any case.
ZipMethod MethodForName(std::string_view name);

/// Refuses a member name that could unpack outside the archive's folder or
/// that archive programs read differently: empty, absolute ("/..."), with a
/// drive or stream (":"), a backslash, an empty, "." or ".." component, a
/// control character, bytes that are not UTF-8, or longer than 65,535
/// bytes. The error is "NOMBRE NO ADMITIDO EN EL PAQUETE (<why>): <name>".
Status CheckMemberName(std::string_view name);

/// The CRC-32, size and where a member's header starts, as the central
/// directory tells them.
struct ZipMemberRecord {
  std::string name;  ///< a folder's ends with "/"
  ZipMethod method = ZipMethod::kStored;
  bool is_dir = false;
  bool zip64 = false;  ///< its local header and descriptor carry Zip64 sizes
  std::uint32_t crc = 0;
  std::uint64_t size = 0;
  std::uint64_t compressed = 0;
  std::uint64_t offset = 0;
  std::uint16_t dos_time = 0;
  std::uint16_t dos_date = 0;
  std::int64_t mtime_s = 0;
};

class ZipWriter {
 public:
  ZipWriter(ByteSink* sink, ZipBackend* backend)
      : sink_(sink), backend_(backend) {}

  /// Writes every member and the end records with Zip64 fields, as a
  /// multi-gigabyte archive has them; for tests, which cannot write 4 GiB.
  void set_force_zip64(bool force) { force_zip64_ = force; }

  /// An empty folder: `name` with or without its final "/".
  Status AddDirectory(std::string_view name, std::int64_t mtime_s);

  /// Starts a file whose data follow through WriteData, ended by EndFile.
  /// `expected_size` (what the file measured before) decides whether the
  /// member needs Zip64 sizes; data past 4 GiB on a member that was
  /// expected smaller are refused.
  Status BeginFile(std::string_view name, std::int64_t mtime_s,
                   ZipMethod method, std::uint64_t expected_size);
  Status WriteData(std::string_view bytes);
  Status EndFile();

  /// The central directory and the end records. Nothing may follow.
  Status Finish();

  std::uint64_t bytes_written() const { return offset_; }
  const std::vector<ZipMemberRecord>& members() const { return members_; }

 private:
  Status Append(const std::string& bytes);
  Status StartMember(std::string_view name, bool is_dir, std::int64_t mtime_s,
                     ZipMethod method, bool zip64);
  std::string CentralHeader(const ZipMemberRecord& member) const;

  ByteSink* sink_;
  ZipBackend* backend_;
  bool force_zip64_ = false;
  bool in_file_ = false;
  bool finished_ = false;
  std::uint64_t offset_ = 0;
  std::vector<ZipMemberRecord> members_;
  std::set<std::string> names_;
  std::string buffer_;
};

}  // namespace zarvek

#endif  // ZARVEK_DELIVERY_ZIP_WRITER_H_
