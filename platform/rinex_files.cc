#include "platform/rinex_files.h"

#include <archive.h>
#include <archive_entry.h>
#include <zlib.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <memory>
#include <system_error>
#include <vector>

#include "heights/point_detection.h"
#include "platform/atomic_file.h"

namespace zarvek {
namespace {

namespace fs = std::filesystem;

// Written with the standard library and libarchive only, so that one file
// serves every platform: paths go through std::filesystem as UTF-8, which
// Windows needs for names with accents.
fs::path Native(const std::string& utf8) {
  return fs::path(std::u8string(utf8.begin(), utf8.end()));
}

std::string Utf8(const fs::path& path) {
  const std::u8string text = path.u8string();
  return std::string(text.begin(), text.end());
}

// The file as libarchive's source: read in blocks, skipped and sought with
// the stream, so that a zip's directory is found without reading its data.
struct Source {
  std::ifstream in;
  std::vector<char> block = std::vector<char>(16 * 1024);
};

la_ssize_t ReadBlock(struct archive* a, void* data, const void** out) {
  Source* source = static_cast<Source*>(data);
  source->in.read(source->block.data(),
                  static_cast<std::streamsize>(source->block.size()));
  if (source->in.bad()) {
    archive_set_error(a, EIO, "%s", std::strerror(EIO));
    return -1;
  }
  *out = source->block.data();
  return static_cast<la_ssize_t>(source->in.gcount());
}

la_int64_t SeekTo(struct archive*, void* data, la_int64_t offset, int whence) {
  Source* source = static_cast<Source*>(data);
  source->in.clear();
  const std::ios::seekdir dir = whence == SEEK_SET   ? std::ios::beg
                                : whence == SEEK_CUR ? std::ios::cur
                                                     : std::ios::end;
  source->in.seekg(offset, dir);
  if (!source->in) return ARCHIVE_FATAL;
  return static_cast<la_int64_t>(source->in.tellg());
}

la_int64_t SkipAhead(struct archive* a, void* data, la_int64_t request) {
  Source* source = static_cast<Source*>(data);
  source->in.clear();
  const std::streamoff from = source->in.tellg();
  if (SeekTo(a, data, request, SEEK_CUR) < 0) return 0;
  return static_cast<la_int64_t>(source->in.tellg() - from);
}

// True when `bytes` is empty or only printable ASCII and line breaks.
bool IsText(std::string_view bytes) {
  for (const char c : bytes) {
    if ((c < ' ' || c > '~') && c != '\n' && c != '\r' && c != '\t') {
      return false;
    }
  }
  return true;
}

struct ArchiveFree {
  void operator()(struct archive* a) const { archive_read_free(a); }
};

RinexWrapper WrapperOf(struct archive* a) {
  std::vector<RinexWrapper> layers;
  for (int i = archive_filter_count(a) - 1; i >= 0; --i) {
    switch (archive_filter_code(a, i)) {
      case ARCHIVE_FILTER_NONE:
        break;
      case ARCHIVE_FILTER_GZIP:
        layers.push_back(RinexWrapper::kGzip);
        break;
      case ARCHIVE_FILTER_COMPRESS:
        layers.push_back(RinexWrapper::kCompress);
        break;
      case ARCHIVE_FILTER_BZIP2:
        layers.push_back(RinexWrapper::kBzip2);
        break;
      default:
        layers.push_back(RinexWrapper::kOther);
    }
  }
  if ((archive_format(a) & ARCHIVE_FORMAT_BASE_MASK) == ARCHIVE_FORMAT_ZIP) {
    layers.push_back(RinexWrapper::kZip);
  }
  if (layers.empty()) return RinexWrapper::kNone;
  return layers.size() == 1 ? layers[0] : RinexWrapper::kOther;
}

// True when `bytes` holds an `END OF HEADER` record label with its line
// end, so that reading may stop.
bool HasEndOfHeaderLine(std::string_view bytes, std::size_t from) {
  constexpr std::string_view kEnd = "END OF HEADER";
  for (std::size_t at = bytes.find(kEnd, from); at != std::string_view::npos;
       at = bytes.find(kEnd, at + 1)) {
    const std::size_t line_start = bytes.rfind('\n', at);
    const std::size_t column =
        line_start == std::string_view::npos ? at : at - line_start - 1;
    if (column == 60 && bytes.find('\n', at) != std::string_view::npos) {
      return true;
    }
  }
  return false;
}

// The unwrapped content of a file, piece by piece. Plain text needs no
// library: a RINEX file begins with a line of printable text and every
// compressed stream with binary bytes, so a wrapped file is never taken for
// a plain one. gzip goes through zlib rather than libarchive, which inflates
// 64 KB at a time where a header is a few KB: that makes checking a project
// of thousands of gzip files several times quicker. Every other wrapper
// goes through libarchive, whose format detection looks at the bytes.
class UnwrappedStream {
 public:
  /// `step` is the most each piece holds.
  explicit UnwrappedStream(std::size_t step) : out_(step) {}
  ~UnwrappedStream() {
    if (gzip_) inflateEnd(&z_);
  }
  UnwrappedStream(const UnwrappedStream&) = delete;
  UnwrappedStream& operator=(const UnwrappedStream&) = delete;

  Status Open(const std::string& path);
  /// The next piece, valid until the next call; `*done` at the end.
  Status Next(std::string_view* piece, bool* done);
  RinexWrapper wrapper() const { return wrapper_; }

  /// For a zip: fails when it holds more than one entry.
  Status CheckZipHasOneFile();

 private:
  Status NextGzip(std::string_view* piece, bool* done);
  Status NextArchive(std::string_view* piece, bool* done);
  Status ArchiveFailure() const {
    const char* text = archive_error_string(archive_.get());
    return Status::Error(std::string(text ? text : "error de lectura") + ": " +
                         path_);
  }

  std::string path_;
  Source source_;
  std::vector<char> out_;
  RinexWrapper wrapper_ = RinexWrapper::kNone;
  std::size_t first_ = 0;  // bytes of source_.block not yet given (plain)
  bool gzip_ = false;
  bool ended_ = false;  // the gzip stream's end was given
  bool zip_checked_ = false;
  z_stream z_{};
  std::unique_ptr<struct archive, ArchiveFree> archive_;
};

Status UnwrappedStream::Open(const std::string& path) {
  path_ = path;
  const fs::path native = Native(path);
  std::error_code ec;
  const fs::file_status status = fs::status(native, ec);
  if (ec) return Status::Error(ec.message() + ": " + path);
  // Checked before opening: a FIFO planted at the path would block in open.
  if (!fs::is_regular_file(status)) {
    return Status::Error(
        std::make_error_code(std::errc::invalid_argument).message() + ": " +
        path);
  }
  errno = 0;
  source_.in.open(native, std::ios::binary);
  if (!source_.in) {
    return Status::FromErrno(errno != 0 ? errno : EIO, path);
  }
  std::vector<char>& block = source_.block;
  source_.in.read(block.data(), static_cast<std::streamsize>(block.size()));
  if (source_.in.bad()) return Status::FromErrno(EIO, path);
  const std::size_t got = static_cast<std::size_t>(source_.in.gcount());
  if (IsText(std::string_view(block.data(), std::min<std::size_t>(got, 80)))) {
    first_ = got;
    return Status::OK();
  }
  if (got >= 2 && static_cast<unsigned char>(block[0]) == 0x1f &&
      static_cast<unsigned char>(block[1]) == 0x8b) {
    if (inflateInit2(&z_, 16 + MAX_WBITS) != Z_OK) {
      return Status::FromErrno(ENOMEM, path);
    }
    gzip_ = true;
    wrapper_ = RinexWrapper::kGzip;
    z_.next_in = reinterpret_cast<Bytef*>(block.data());
    z_.avail_in = static_cast<uInt>(got);
    return Status::OK();
  }
  source_.in.clear();
  source_.in.seekg(0);
  archive_.reset(archive_read_new());
  if (!archive_) return Status::FromErrno(ENOMEM, path);
  struct archive* a = archive_.get();
  // Only the wrappers that libarchive unpacks itself. The others it knows
  // (xz, zstd, lz4, lrzip, lzop, grzip...) would, in a build without their
  // library, start an outside program named after the file's first bytes:
  // a file in a point's folder must never run anything.
  archive_read_support_filter_gzip(a);
  archive_read_support_filter_bzip2(a);
  archive_read_support_filter_compress(a);
  archive_read_support_format_zip(a);
  archive_read_support_format_raw(a);
  archive_read_set_read_callback(a, ReadBlock);
  archive_read_set_skip_callback(a, SkipAhead);
  archive_read_set_seek_callback(a, SeekTo);
  archive_read_set_callback_data(a, &source_);
  if (archive_read_open1(a) != ARCHIVE_OK) return ArchiveFailure();
  struct archive_entry* entry = nullptr;
  const int first = archive_read_next_header(a, &entry);
  wrapper_ = WrapperOf(a);
  if (first == ARCHIVE_EOF) {
    return Status::Error("archivo comprimido vacío: " + path);
  }
  if (first < ARCHIVE_WARN) return ArchiveFailure();
  return Status::OK();
}

Status UnwrappedStream::Next(std::string_view* piece, bool* done) {
  *piece = {};
  *done = false;
  if (gzip_) return NextGzip(piece, done);
  if (archive_) return NextArchive(piece, done);
  if (first_ > 0) {
    *piece = std::string_view(source_.block.data(), first_);
    first_ = 0;
    return Status::OK();
  }
  source_.in.read(out_.data(), static_cast<std::streamsize>(out_.size()));
  if (source_.in.bad()) return Status::FromErrno(EIO, path_);
  *piece = std::string_view(out_.data(),
                            static_cast<std::size_t>(source_.in.gcount()));
  *done = piece->empty();
  return Status::OK();
}

// Members written one after the other are read as one stream, as gzip
// does.
Status UnwrappedStream::NextGzip(std::string_view* piece, bool* done) {
  if (ended_) {
    *done = true;
    return Status::OK();
  }
  for (;;) {
    if (z_.avail_in == 0) {
      source_.in.read(source_.block.data(),
                      static_cast<std::streamsize>(source_.block.size()));
      if (source_.in.bad()) return Status::FromErrno(EIO, path_);
      z_.next_in = reinterpret_cast<Bytef*>(source_.block.data());
      z_.avail_in = static_cast<uInt>(source_.in.gcount());
      if (z_.avail_in == 0) {
        return Status::Error("fichero gzip truncado: " + path_);
      }
    }
    z_.next_out = reinterpret_cast<Bytef*>(out_.data());
    z_.avail_out = static_cast<uInt>(out_.size());
    const int rc = inflate(&z_, Z_NO_FLUSH);
    if (rc != Z_OK && rc != Z_STREAM_END && rc != Z_BUF_ERROR) {
      return Status::Error(std::string("datos gzip dañados (") +
                           (z_.msg ? z_.msg : "zlib") + "): " + path_);
    }
    *piece = std::string_view(
        out_.data(), reinterpret_cast<char*>(z_.next_out) - out_.data());
    if (rc == Z_STREAM_END) {
      if (z_.avail_in == 0 &&
          source_.in.peek() == std::char_traits<char>::eof()) {
        ended_ = true;
        *done = piece->empty();
        return Status::OK();
      }
      inflateReset(&z_);
    }
    if (!piece->empty()) return Status::OK();
  }
}

Status UnwrappedStream::NextArchive(std::string_view* piece, bool* done) {
  const la_ssize_t n =
      archive_read_data(archive_.get(), out_.data(), out_.size());
  if (n < 0) return ArchiveFailure();
  if (n > 0) {
    *piece = std::string_view(out_.data(), static_cast<std::size_t>(n));
    return Status::OK();
  }
  *done = true;
  return CheckZipHasOneFile();
}

// A zip stands for its one file; a second entry makes it ambiguous. Only a
// zip is asked for one: for the other wrappers the next header would mean
// decompressing the rest of the file. Asked before the end of the entry,
// libarchive skips the rest through the zip's directory.
Status UnwrappedStream::CheckZipHasOneFile() {
  if (wrapper_ != RinexWrapper::kZip || zip_checked_) return Status::OK();
  zip_checked_ = true;
  struct archive_entry* entry = nullptr;
  if (archive_read_next_header(archive_.get(), &entry) != ARCHIVE_EOF) {
    return Status::Error("el zip contiene más de un fichero: " + path_);
  }
  return Status::OK();
}

// Reads the unwrapped start of the file at `path`: no further than a
// complete `END OF HEADER` line, nor than kRinexHeaderMaxBytes. `*complete`
// tells that the content ended within what was read.
Status ReadHeaderBytes(const std::string& path, std::string* bytes,
                       bool* complete, RinexWrapper* wrapper) {
  bytes->clear();
  *complete = false;
  // A header is a few KB: small steps unwrap little past it.
  UnwrappedStream stream(4 * 1024);
  Status status = stream.Open(path);
  *wrapper = stream.wrapper();
  if (!status.ok()) return status;
  for (;;) {
    std::string_view piece;
    bool done = false;
    status = stream.Next(&piece, &done);
    if (!status.ok()) return status;
    if (done) {
      *complete = true;
      break;
    }
    const std::size_t from = bytes->size() > 100 ? bytes->size() - 100 : 0;
    bytes->append(piece.substr(0, kRinexHeaderMaxBytes - bytes->size()));
    if (HasEndOfHeaderLine(*bytes, from) ||
        bytes->size() >= kRinexHeaderMaxBytes) {
      break;
    }
  }
  return stream.CheckZipHasOneFile();
}

bool IsRegularFile(const fs::path& path) {
  std::error_code ec;
  return fs::is_regular_file(path, ec);
}

}  // namespace

RinexHeader ReadRinexHeaderFile(const std::string& path,
                                RinexWrapper* wrapper) {
  std::string bytes;
  bool complete = false;
  RinexWrapper found = RinexWrapper::kNone;
  const Status status = ReadHeaderBytes(path, &bytes, &complete, &found);
  if (wrapper) *wrapper = found;
  RinexHeader header;
  if (status.ok()) {
    header = ReadRinexHeader(bytes, complete);
  } else {
    // What could be read before the failure may show that the file is no
    // observation file at all; otherwise the failure is its reason.
    header = ReadRinexHeader(bytes, false);
    if (header.kind != RinexKind::kNotRinex &&
        header.kind != RinexKind::kOtherRinex) {
      header.kind = RinexKind::kUnreadable;
    }
    if (header.kind != RinexKind::kOtherRinex) header.reason = status.message();
  }
  if (header.kind == RinexKind::kNotRinex) {
    const std::string name = Utf8(Native(path).filename());
    if (LooksLikeObservationName(name)) header.kind = RinexKind::kUnreadable;
  }
  return header;
}

PointRinexFiles CheckRinexFolder(const std::string& rinex_dir) {
  PointRinexFiles result;
  result.folder = rinex_dir;
  const fs::path dir = Native(rinex_dir);
  std::error_code ec;
  if (!fs::is_directory(dir, ec)) return result;
  std::vector<std::string> names;
  for (fs::directory_iterator it(dir, ec), end; !ec && it != end;
       it.increment(ec)) {
    std::error_code type_ec;
    if (it->is_regular_file(type_ec)) {
      names.push_back(Utf8(it->path().filename()));
    }
  }
  if (ec) {
    result.listing_error = ec.message() + ": " + rinex_dir;
    return result;
  }
  std::sort(names.begin(), names.end());
  const std::string corrected_dir =
      JoinPath(rinex_dir, std::string(kCorrectedFolder));
  const bool has_corrected = fs::is_directory(Native(corrected_dir), ec);
  for (const std::string& name : names) {
    RinexFileCheck check;
    check.name = name;
    const RinexHeader header =
        ReadRinexHeaderFile(JoinPath(rinex_dir, name), &check.wrapper);
    if (header.kind != RinexKind::kObservation &&
        header.kind != RinexKind::kUnreadable) {
      continue;
    }
    check.kind = header.kind;
    check.reason = header.reason;
    check.delta_h = header.delta_h;
    if (has_corrected && header.kind == RinexKind::kObservation) {
      const std::string copy =
          JoinPath(corrected_dir, CorrectedCopyName(name, check.wrapper));
      if (IsRegularFile(Native(copy))) {
        const RinexHeader copied = ReadRinexHeaderFile(copy, nullptr);
        if (copied.kind == RinexKind::kObservation) {
          check.copy_delta_h = copied.delta_h;
        }
      }
    }
    result.files.push_back(std::move(check));
  }
  // Two originals whose copies share a name ("a.26o" and "a.26o.Z") cannot
  // both be corrected by the one copy: neither counts as corrected.
  std::map<std::string, int> copy_names;
  for (const RinexFileCheck& check : result.files)
    ++copy_names[CorrectedCopyName(check.name, check.wrapper)];
  for (RinexFileCheck& check : result.files) {
    if (copy_names[CorrectedCopyName(check.name, check.wrapper)] > 1)
      check.copy_delta_h.reset();
  }
  return result;
}

std::map<std::string, PointRinexFiles> CheckProjectRinex(
    const std::string& ruta_base) {
  std::map<std::string, PointRinexFiles> points;
  if (ruta_base.empty()) return points;
  std::error_code ec;
  std::string datos = JoinPath(ruta_base, std::string(kDatosGnssFolder));
  if (!fs::is_directory(Native(datos), ec)) datos = ruta_base;
  std::vector<std::string> folders;
  for (fs::directory_iterator it(Native(datos), ec), end; !ec && it != end;
       it.increment(ec)) {
    std::error_code type_ec;
    if (it->is_directory(type_ec)) {
      folders.push_back(Utf8(it->path().filename()));
    }
  }
  // Listed in name order, so that of two folders of the same code the same
  // one is read every time.
  std::sort(folders.begin(), folders.end());
  for (const std::string& folder : folders) {
    const std::vector<std::string> codes = CodesFromEntryNames({folder});
    if (codes.empty() || points.count(codes[0]) != 0) continue;
    points.emplace(codes[0],
                   CheckRinexFolder(JoinPath(JoinPath(datos, folder),
                                             std::string(kRinexFolder))));
  }
  return points;
}

namespace {

// Compresses the pieces of `next` into one gzip member, as gzip itself
// writes it, piece by piece.
class GzipPieces {
 public:
  GzipPieces(NextPiece next, std::string path)
      : next_(std::move(next)), path_(std::move(path)) {
    ok_ = deflateInit2(&z_, Z_DEFAULT_COMPRESSION, Z_DEFLATED, 16 + MAX_WBITS,
                       8, Z_DEFAULT_STRATEGY) == Z_OK;
  }
  ~GzipPieces() {
    if (ok_) deflateEnd(&z_);
  }
  GzipPieces(const GzipPieces&) = delete;
  GzipPieces& operator=(const GzipPieces&) = delete;

  Status Next(std::string_view* piece, bool* done) {
    if (!ok_) return Status::FromErrno(ENOMEM, path_);
    std::string_view raw;
    const Status status = next_(&raw, done);
    if (!status.ok()) return status;
    out_.clear();
    z_.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(raw.data()));
    z_.avail_in = static_cast<uInt>(raw.size());
    const int flush = *done ? Z_FINISH : Z_NO_FLUSH;
    for (;;) {
      z_.next_out = block_.data();
      z_.avail_out = static_cast<uInt>(block_.size());
      const int rc = deflate(&z_, flush);
      if (rc == Z_STREAM_ERROR) {
        return Status::Error("error de compresión: " + path_);
      }
      out_.append(reinterpret_cast<char*>(block_.data()),
                  block_.size() - z_.avail_out);
      if (z_.avail_out != 0 && (flush == Z_NO_FLUSH || rc == Z_STREAM_END)) {
        break;
      }
    }
    *piece = out_;
    return Status::OK();
  }

 private:
  NextPiece next_;
  std::string path_;
  bool ok_ = false;
  z_stream z_{};
  std::vector<unsigned char> block_ = std::vector<unsigned char>(64 * 1024);
  std::string out_;
};

// Two originals whose copies would bear one name ("a.26o" and "a.26o.Z"):
// writing the copy of one would replace that of the other, so neither is
// written while both are there. Other originals' wrappers are told by
// their names here: only a ".gz" keeps its suffix.
Status CheckCopyNameIsItsOwn(const std::string& rinex_dir,
                             const std::string& name,
                             const std::string& copy_name) {
  std::error_code ec;
  for (fs::directory_iterator it(Native(rinex_dir), ec), end; !ec && it != end;
       it.increment(ec)) {
    std::error_code type_ec;
    if (!it->is_regular_file(type_ec)) continue;
    const std::string other = Utf8(it->path().filename());
    if (other == name) continue;
    const bool gzip =
        other.size() > 3 && (other.ends_with(".gz") || other.ends_with(".GZ"));
    const std::string other_copy =
        gzip ? other : CorrectedCopyName(other, RinexWrapper::kOther);
    if (other_copy == copy_name) {
      return Status::Error(other + " y " + name + " darían la misma copia " +
                           copy_name +
                           "; deje uno solo: " + JoinPath(rinex_dir, name));
    }
  }
  return Status::OK();
}

}  // namespace

Status WriteCorrectedCopy(const std::string& rinex_dir, const std::string& name,
                          double arp, std::string* copy_path) {
  const std::string original = JoinPath(rinex_dir, name);
  // The file streams through: its header is read and corrected first, the
  // rest follows as it is, so a file of any size is copied in little memory.
  UnwrappedStream stream(256 * 1024);
  Status status = stream.Open(original);
  if (!status.ok()) return status;
  std::string head;
  bool done = false;
  while (!done && head.size() < kRinexHeaderMaxBytes) {
    std::string_view piece;
    status = stream.Next(&piece, &done);
    if (!status.ok()) return status;
    const std::size_t from = head.size() > 100 ? head.size() - 100 : 0;
    head.append(piece);
    if (HasEndOfHeaderLine(head, from)) break;
  }
  std::string reason;
  if (!CorrectDeltaHInPlace(head, arp, &reason)) {
    return Status::Error(reason + ": " + original);
  }

  const RinexWrapper wrapper = stream.wrapper();
  const std::string copy_name = CorrectedCopyName(name, wrapper);
  status = CheckCopyNameIsItsOwn(rinex_dir, name, copy_name);
  if (!status.ok()) return status;
  const std::string corrected_dir =
      JoinPath(rinex_dir, std::string(kCorrectedFolder));
  status = RealFileSystem().MakeDirs(corrected_dir);
  if (!status.ok()) return status;
  const std::string copy = JoinPath(corrected_dir, copy_name);

  bool head_given = false;
  NextPiece plain = [&](std::string_view* piece, bool* last) {
    if (!head_given) {
      head_given = true;
      *piece = head;
      *last = done;
      return Status::OK();
    }
    return stream.Next(piece, last);
  };
  if (wrapper == RinexWrapper::kGzip) {
    GzipPieces gzip(plain, original);
    status =
        WriteFileAtomicallyFrom(copy, [&](std::string_view* piece, bool* last) {
          return gzip.Next(piece, last);
        });
  } else {
    status = WriteFileAtomicallyFrom(copy, plain);
  }
  if (status.ok() && copy_path) *copy_path = copy;
  return status;
}

}  // namespace zarvek
