#include "delivery/zip_writer.h"

#include <algorithm>
#include <array>
#include <cstring>

namespace zarvek {
namespace {

constexpr std::uint32_t kLocalHeaderSig = 0x04034b50;
constexpr std::uint32_t kDescriptorSig = 0x08074b50;
constexpr std::uint32_t kCentralHeaderSig = 0x02014b50;
constexpr std::uint32_t kZip64EndSig = 0x06064b50;
constexpr std::uint32_t kZip64LocatorSig = 0x07064b50;
constexpr std::uint32_t kEndSig = 0x06054b50;
constexpr std::uint16_t kFlagDescriptor = 1 << 3;
constexpr std::uint16_t kFlagUtf8 = 1 << 11;
// Version needed: 2.0 (deflate, folders), 4.5 (Zip64). Made by: Unix, 6.3
// (the version that defined the UTF-8 flag), so that unpackers on Linux
// take the permissions from the external attributes.
constexpr std::uint16_t kNeeds20 = 20;
constexpr std::uint16_t kNeeds45 = 45;
constexpr std::uint16_t kMadeBy = (3 << 8) | 63;
constexpr std::uint32_t kFileAttributes = 0100644u << 16;
constexpr std::uint32_t kDirAttributes = (040755u << 16) | 0x10;
constexpr std::uint32_t kMax32 = 0xFFFFFFFFu;
constexpr std::uint16_t kMax16 = 0xFFFF;

void Put16(std::string* out, std::uint16_t v) {
  out->push_back(static_cast<char>(v & 0xFF));
  out->push_back(static_cast<char>(v >> 8));
}
void Put32(std::string* out, std::uint32_t v) {
  Put16(out, static_cast<std::uint16_t>(v & 0xFFFF));
  Put16(out, static_cast<std::uint16_t>(v >> 16));
}
void Put64(std::string* out, std::uint64_t v) {
  Put32(out, static_cast<std::uint32_t>(v & kMax32));
  Put32(out, static_cast<std::uint32_t>(v >> 32));
}
std::uint32_t Clip32(std::uint64_t v) {
  return v >= kMax32 ? kMax32 : static_cast<std::uint32_t>(v);
}

// The extended timestamp (0x5455): the modification time, seconds since
// 1970 UTC in a signed 32-bit field, clamped to what it holds.
void PutTimestampExtra(std::string* out, std::int64_t mtime_s) {
  const std::int64_t clamped =
      std::clamp<std::int64_t>(mtime_s, INT32_MIN, INT32_MAX);
  Put16(out, 0x5455);
  Put16(out, 5);
  out->push_back(1);  // the modification time only
  Put32(out, static_cast<std::uint32_t>(static_cast<std::int32_t>(clamped)));
}

// DOS time and date, in local time, clamped to the years they hold
// (1980-2107); 1980-01-01 00:00 when the time cannot be converted.
void DosTime(ZipBackend* backend, std::int64_t mtime_s, std::uint16_t* time,
             std::uint16_t* date) {
  std::tm local{};
  if (!backend->LocalTime(static_cast<std::time_t>(mtime_s), &local) ||
      local.tm_year < 80) {
    *time = 0;
    *date = (1 << 5) | 1;
    return;
  }
  if (local.tm_year > 207) {
    *time = (23 << 11) | (59 << 5) | 29;
    *date = (127 << 9) | (12 << 5) | 31;
    return;
  }
  *time = static_cast<std::uint16_t>((local.tm_hour << 11) |
                                     (local.tm_min << 5) | (local.tm_sec / 2));
  *date = static_cast<std::uint16_t>(((local.tm_year - 80) << 9) |
                                     ((local.tm_mon + 1) << 5) | local.tm_mday);
}

// Length of the UTF-8 sequence starting at `s[i]`, 0 when it is not one
// (overlong forms, surrogates and values past U+10FFFF included).
std::size_t Utf8Length(std::string_view s, std::size_t i) {
  const auto byte = [&](std::size_t k) {
    return static_cast<unsigned char>(s[k]);
  };
  const unsigned char c = byte(i);
  if (c < 0x80) return 1;
  std::size_t n = 0;
  std::uint32_t cp = 0;
  if ((c & 0xE0) == 0xC0)
    n = 2, cp = c & 0x1F;
  else if ((c & 0xF0) == 0xE0)
    n = 3, cp = c & 0x0F;
  else if ((c & 0xF8) == 0xF0)
    n = 4, cp = c & 0x07;
  else
    return 0;
  if (i + n > s.size()) return 0;
  for (std::size_t k = 1; k < n; ++k) {
    if ((byte(i + k) & 0xC0) != 0x80) return 0;
    cp = (cp << 6) | (byte(i + k) & 0x3F);
  }
  static constexpr std::uint32_t kMin[] = {0, 0, 0x80, 0x800, 0x10000};
  if (cp < kMin[n] || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) return 0;
  return n;
}

const char* NameProblem(std::string_view name) {
  if (name.empty()) return "VACÍO";
  if (name.size() > kMax16) return "DEMASIADO LARGO";
  if (name.front() == '/') return "RUTA ABSOLUTA";
  for (std::size_t i = 0; i < name.size();) {
    const unsigned char c = static_cast<unsigned char>(name[i]);
    if (c < 0x20 || c == 0x7F) return "CARÁCTER DE CONTROL";
    if (c == '\\') return "BARRA INVERTIDA";
    if (c == ':') return "UNIDAD O DOS PUNTOS";
    const std::size_t n = Utf8Length(name, i);
    if (n == 0) return "NO ES UTF-8";
    i += n;
  }
  std::size_t start = 0;
  while (start <= name.size()) {
    std::size_t end = name.find('/', start);
    if (end == std::string_view::npos) end = name.size();
    const std::string_view part = name.substr(start, end - start);
    if (part.empty()) return "CARPETA SIN NOMBRE";
    if (part == "." || part == "..") return "CARPETA . O ..";
    start = end + 1;
  }
  return nullptr;
}

}  // namespace

ZipMethod MethodForName(std::string_view name) {
  static constexpr std::array<std::string_view, 17> kCompressed = {
      "jpg", "jpeg", "jpe", "mp4", "m4v", "mov", "gz",   "tgz", "zip",
      "bz2", "z",    "7z",  "xz",  "rar", "png", "heic", "heif"};
  const std::size_t dot = name.rfind('.');
  const std::size_t slash = name.rfind('/');
  if (dot == std::string_view::npos ||
      (slash != std::string_view::npos && dot < slash)) {
    return ZipMethod::kDeflated;
  }
  std::string ext(name.substr(dot + 1));
  for (char& c : ext) {
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  }
  return std::find(kCompressed.begin(), kCompressed.end(), ext) !=
                 kCompressed.end()
             ? ZipMethod::kStored
             : ZipMethod::kDeflated;
}

Status CheckMemberName(std::string_view name) {
  const char* problem = NameProblem(name);
  if (problem == nullptr) return Status::OK();
  return Status::Error(std::string("NOMBRE NO ADMITIDO EN EL PAQUETE (") +
                       problem + "): " + std::string(name));
}

Status ZipWriter::Append(const std::string& bytes) {
  Status status = sink_->Append(bytes);
  if (status.ok()) offset_ += bytes.size();
  return status;
}

Status ZipWriter::StartMember(std::string_view name, bool is_dir,
                              std::int64_t mtime_s, ZipMethod method,
                              bool zip64) {
  if (in_file_ || finished_) return Status::Error("ZIP: orden de escritura");
  Status status = CheckMemberName(name);
  if (!status.ok()) return status;
  std::string stored_name(name);
  if (is_dir) stored_name += '/';
  if (!names_.insert(stored_name).second) {
    return Status::Error("NOMBRE REPETIDO EN EL PAQUETE: " + stored_name);
  }
  ZipMemberRecord member;
  member.name = stored_name;
  member.method = method;
  member.is_dir = is_dir;
  member.zip64 = zip64;
  member.offset = offset_;
  member.mtime_s = mtime_s;
  DosTime(backend_, mtime_s, &member.dos_time, &member.dos_date);

  std::string extra;
  if (zip64) {  // the sizes follow the data, in the descriptor
    Put16(&extra, 0x0001);
    Put16(&extra, 16);
    Put64(&extra, 0);
    Put64(&extra, 0);
  }
  PutTimestampExtra(&extra, mtime_s);
  std::string& h = buffer_;
  h.clear();
  Put32(&h, kLocalHeaderSig);
  Put16(&h, zip64 ? kNeeds45 : kNeeds20);
  Put16(&h, is_dir ? kFlagUtf8 : (kFlagUtf8 | kFlagDescriptor));
  Put16(&h, static_cast<std::uint16_t>(method));
  Put16(&h, member.dos_time);
  Put16(&h, member.dos_date);
  Put32(&h, 0);                   // CRC-32: in the descriptor
  Put32(&h, zip64 ? kMax32 : 0);  // compressed size: likewise
  Put32(&h, zip64 ? kMax32 : 0);  // size: likewise
  Put16(&h, static_cast<std::uint16_t>(stored_name.size()));
  Put16(&h, static_cast<std::uint16_t>(extra.size()));
  h += stored_name;
  h += extra;
  status = Append(h);
  if (!status.ok()) return status;
  members_.push_back(std::move(member));
  return Status::OK();
}

Status ZipWriter::AddDirectory(std::string_view name, std::int64_t mtime_s) {
  if (!name.empty() && name.back() == '/') name.remove_suffix(1);
  return StartMember(name, true, mtime_s, ZipMethod::kStored, force_zip64_);
}

Status ZipWriter::BeginFile(std::string_view name, std::int64_t mtime_s,
                            ZipMethod method, std::uint64_t expected_size) {
  // Deflate can grow data that do not compress by a little; the margin
  // covers that, so that a member near 4 GiB gets Zip64 sizes too.
  const bool zip64 = force_zip64_ || expected_size >= kMax32 - 65536 ||
                     expected_size + (expected_size >> 10) >= kMax32 - 65536;
  Status status = StartMember(name, false, mtime_s, method, zip64);
  if (!status.ok()) return status;
  in_file_ = true;
  if (method == ZipMethod::kDeflated) return backend_->StartDeflate();
  return Status::OK();
}

Status ZipWriter::WriteData(std::string_view bytes) {
  if (!in_file_) return Status::Error("ZIP: orden de escritura");
  ZipMemberRecord& member = members_.back();
  member.crc = backend_->Crc32(member.crc, bytes);
  member.size += bytes.size();
  std::string_view out = bytes;
  if (member.method == ZipMethod::kDeflated) {
    buffer_.clear();
    Status status = backend_->Deflate(bytes, false, &buffer_);
    if (!status.ok()) return status;
    out = buffer_;
  }
  member.compressed += out.size();
  if (!member.zip64 && (member.size >= kMax32 || member.compressed >= kMax32)) {
    return Status::Error("EL ARCHIVO CRECIÓ MIENTRAS SE EMPAQUETABA: " +
                         member.name);
  }
  Status status = sink_->Append(out);
  if (status.ok()) offset_ += out.size();
  return status;
}

Status ZipWriter::EndFile() {
  if (!in_file_) return Status::Error("ZIP: orden de escritura");
  ZipMemberRecord& member = members_.back();
  std::string tail;
  if (member.method == ZipMethod::kDeflated) {
    Status status = backend_->Deflate({}, true, &tail);
    if (!status.ok()) return status;
    member.compressed += tail.size();
    if (!member.zip64 && member.compressed >= kMax32) {
      return Status::Error("EL ARCHIVO CRECIÓ MIENTRAS SE EMPAQUETABA: " +
                           member.name);
    }
  }
  Put32(&tail, kDescriptorSig);
  Put32(&tail, member.crc);
  if (member.zip64) {
    Put64(&tail, member.compressed);
    Put64(&tail, member.size);
  } else {
    Put32(&tail, static_cast<std::uint32_t>(member.compressed));
    Put32(&tail, static_cast<std::uint32_t>(member.size));
  }
  in_file_ = false;
  return Append(tail);
}

std::string ZipWriter::CentralHeader(const ZipMemberRecord& m) const {
  // A member with Zip64 sizes in its local header has them here too; the
  // offset goes to the Zip64 field when it does not fit.
  const bool big_offset = m.offset >= kMax32 || force_zip64_;
  std::string zip64;
  if (m.zip64) {
    Put64(&zip64, m.size);
    Put64(&zip64, m.compressed);
  }
  if (big_offset) Put64(&zip64, m.offset);
  std::string extra;
  if (!zip64.empty()) {
    Put16(&extra, 0x0001);
    Put16(&extra, static_cast<std::uint16_t>(zip64.size()));
    extra += zip64;
  }
  PutTimestampExtra(&extra, m.mtime_s);
  std::string h;
  Put32(&h, kCentralHeaderSig);
  Put16(&h, kMadeBy);
  Put16(&h, (m.zip64 || big_offset) ? kNeeds45 : kNeeds20);
  Put16(&h, m.is_dir ? kFlagUtf8 : (kFlagUtf8 | kFlagDescriptor));
  Put16(&h, static_cast<std::uint16_t>(m.method));
  Put16(&h, m.dos_time);
  Put16(&h, m.dos_date);
  Put32(&h, m.crc);
  Put32(&h, m.zip64 ? kMax32 : static_cast<std::uint32_t>(m.compressed));
  Put32(&h, m.zip64 ? kMax32 : static_cast<std::uint32_t>(m.size));
  Put16(&h, static_cast<std::uint16_t>(m.name.size()));
  Put16(&h, static_cast<std::uint16_t>(extra.size()));
  Put16(&h, 0);  // comment
  Put16(&h, 0);  // disk
  Put16(&h, 0);  // internal attributes
  Put32(&h, m.is_dir ? kDirAttributes : kFileAttributes);
  Put32(&h, big_offset ? kMax32 : static_cast<std::uint32_t>(m.offset));
  h += m.name;
  h += extra;
  return h;
}

Status ZipWriter::Finish() {
  if (in_file_ || finished_) return Status::Error("ZIP: orden de escritura");
  const std::uint64_t directory_offset = offset_;
  std::string out;
  for (const ZipMemberRecord& member : members_) {
    out += CentralHeader(member);
    if (out.size() >= (1u << 20)) {
      Status status = Append(out);
      if (!status.ok()) return status;
      out.clear();
    }
  }
  const std::uint64_t count = members_.size();
  const std::uint64_t directory_size = offset_ + out.size() - directory_offset;
  const bool zip64 = force_zip64_ || count >= kMax16 ||
                     directory_size >= kMax32 || directory_offset >= kMax32;
  if (zip64) {
    const std::uint64_t record_offset = offset_ + out.size();
    Put32(&out, kZip64EndSig);
    Put64(&out, 44);  // the record's size after this field
    Put16(&out, kMadeBy);
    Put16(&out, kNeeds45);
    Put32(&out, 0);  // this disk
    Put32(&out, 0);  // the directory's disk
    Put64(&out, count);
    Put64(&out, count);
    Put64(&out, directory_size);
    Put64(&out, directory_offset);
    Put32(&out, kZip64LocatorSig);
    Put32(&out, 0);
    Put64(&out, record_offset);
    Put32(&out, 1);  // disks in all
  }
  const std::uint16_t short_count =
      zip64 ? kMax16 : static_cast<std::uint16_t>(count);
  Put32(&out, kEndSig);
  Put16(&out, 0);
  Put16(&out, 0);
  Put16(&out, short_count);
  Put16(&out, short_count);
  Put32(&out, zip64 ? kMax32 : Clip32(directory_size));
  Put32(&out, zip64 ? kMax32 : Clip32(directory_offset));
  Put16(&out, 0);  // comment
  finished_ = true;
  return Append(out);
}

}  // namespace zarvek
