#include "platform/wrapped_file.h"

#include <archive.h>
#include <archive_entry.h>
#include <zlib.h>

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <memory>
#include <system_error>
#include <vector>

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

// The file as libarchive's source: read in blocks, skipped and sought with
// the stream, so that a zip's directory is found without reading its data.
// `read` counts the bytes read from the file; past `limit` the reading
// fails, so that a file whose data decode to little or nothing (thousands
// of empty gzip members) is not read to its end for a prefix.
struct Source {
  std::ifstream in;
  std::vector<char> block = std::vector<char>(16 * 1024);
  std::uint64_t read = 0;
  std::uint64_t limit = UINT64_MAX;

  bool OverLimit() const { return read > limit; }
};

constexpr char kTooMuchInput[] =
    "demasiados datos comprimidos para tan poco contenido";

la_ssize_t ReadBlock(struct archive* a, void* data, const void** out) {
  Source* source = static_cast<Source*>(data);
  source->in.read(source->block.data(),
                  static_cast<std::streamsize>(source->block.size()));
  if (source->in.bad()) {
    archive_set_error(a, EIO, "%s", std::strerror(EIO));
    return -1;
  }
  source->read += static_cast<std::uint64_t>(source->in.gcount());
  if (source->OverLimit()) {
    archive_set_error(a, EFBIG, "%s", kTooMuchInput);
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

FileWrapper WrapperOf(struct archive* a) {
  std::vector<FileWrapper> layers;
  for (int i = archive_filter_count(a) - 1; i >= 0; --i) {
    switch (archive_filter_code(a, i)) {
      case ARCHIVE_FILTER_NONE:
        break;
      case ARCHIVE_FILTER_GZIP:
        layers.push_back(FileWrapper::kGzip);
        break;
      case ARCHIVE_FILTER_COMPRESS:
        layers.push_back(FileWrapper::kCompress);
        break;
      case ARCHIVE_FILTER_BZIP2:
        layers.push_back(FileWrapper::kBzip2);
        break;
      default:
        layers.push_back(FileWrapper::kOther);
    }
  }
  if ((archive_format(a) & ARCHIVE_FORMAT_BASE_MASK) == ARCHIVE_FORMAT_ZIP) {
    layers.push_back(FileWrapper::kZip);
  }
  if (layers.empty()) return FileWrapper::kNone;
  return layers.size() == 1 ? layers[0] : FileWrapper::kOther;
}

// The unwrapped content of a file, piece by piece. Plain text needs no
// library: a RINEX file begins with a line of printable text and every
// compressed stream with binary bytes, so a wrapped file is never taken for
// a plain one (text is recognised by its first 80 bytes). gzip goes through
// zlib rather than libarchive, which inflates 64 KB at a time where a
// prefix is often a few KB: that makes reading the starts of thousands of
// gzip files several times quicker. Every other wrapper
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
  /// Reading fails once more than `bytes` of the file were read.
  void LimitInput(std::uint64_t bytes) { source_.limit = bytes; }
  /// The next piece, valid until the next call; `*done` at the end.
  Status Next(std::string_view* piece, bool* done);
  FileWrapper wrapper() const { return wrapper_; }

  /// For a zip: fails when it holds more than one entry.
  Status CheckZipHasOneFile();

 private:
  // Open's steps: the file opened and its first block read (`*got` bytes),
  // then the reading set up for gzip through zlib or for libarchive.
  Status OpenAndReadFirstBlock(std::size_t* got);
  Status StartGzip(std::size_t got);
  Status StartArchive();
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
  FileWrapper wrapper_ = FileWrapper::kNone;
  std::size_t first_ = 0;  // bytes of source_.block not yet given (plain)
  bool gzip_ = false;
  bool ended_ = false;  // the gzip stream's end was given
  bool zip_checked_ = false;
  z_stream z_{};
  std::unique_ptr<struct archive, ArchiveFree> archive_;
};

Status UnwrappedStream::Open(const std::string& path) {
  path_ = path;
  std::size_t got = 0;
  Status status = OpenAndReadFirstBlock(&got);
  if (!status.ok()) return status;
  const std::vector<char>& block = source_.block;
  if (IsText(std::string_view(block.data(), std::min<std::size_t>(got, 80)))) {
    first_ = got;
    return Status::OK();
  }
  if (got >= 2 && static_cast<unsigned char>(block[0]) == 0x1f &&
      static_cast<unsigned char>(block[1]) == 0x8b) {
    return StartGzip(got);
  }
  return StartArchive();
}

Status UnwrappedStream::OpenAndReadFirstBlock(std::size_t* got) {
  const fs::path native = Native(path_);
  std::error_code ec;
  const fs::file_status status = fs::status(native, ec);
  if (ec) return Status::Error(ec.message() + ": " + path_);
  // Checked before opening: a FIFO planted at the path would block in open.
  if (!fs::is_regular_file(status)) {
    return Status::Error(
        std::make_error_code(std::errc::invalid_argument).message() + ": " +
        path_);
  }
  errno = 0;
  source_.in.open(native, std::ios::binary);
  if (!source_.in) {
    return Status::FromErrno(errno != 0 ? errno : EIO, path_);
  }
  std::vector<char>& block = source_.block;
  source_.in.read(block.data(), static_cast<std::streamsize>(block.size()));
  if (source_.in.bad()) return Status::FromErrno(EIO, path_);
  *got = static_cast<std::size_t>(source_.in.gcount());
  source_.read = *got;
  return Status::OK();
}

Status UnwrappedStream::StartGzip(std::size_t got) {
  if (inflateInit2(&z_, 16 + MAX_WBITS) != Z_OK) {
    return Status::FromErrno(ENOMEM, path_);
  }
  gzip_ = true;
  wrapper_ = FileWrapper::kGzip;
  z_.next_in = reinterpret_cast<Bytef*>(source_.block.data());
  z_.avail_in = static_cast<uInt>(got);
  return Status::OK();
}

Status UnwrappedStream::StartArchive() {
  source_.in.clear();
  source_.in.seekg(0);
  archive_.reset(archive_read_new());
  if (!archive_) return Status::FromErrno(ENOMEM, path_);
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
    return Status::Error("archivo comprimido vacío: " + path_);
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
      source_.read += z_.avail_in;
      if (source_.OverLimit()) {
        return Status::Error(std::string(kTooMuchInput) + ": " + path_);
      }
      if (z_.avail_in == 0) {
        return Status::Error("archivo gzip truncado: " + path_);
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
    // A block of input that gave nothing (empty members) still returns, so
    // that a reader may stop between blocks however little they decode to.
    if (!piece->empty() || z_.avail_in == 0) return Status::OK();
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
  if (wrapper_ != FileWrapper::kZip || zip_checked_) return Status::OK();
  zip_checked_ = true;
  struct archive_entry* entry = nullptr;
  if (archive_read_next_header(archive_.get(), &entry) != ARCHIVE_EOF) {
    return Status::Error("el zip contiene más de un archivo: " + path_);
  }
  return Status::OK();
}

}  // namespace

Status ReadDecodedPrefixOnDisk(const std::string& path, std::size_t max_bytes,
                               const EnoughBytes& enough,
                               DecodedPrefix* prefix) {
  prefix->bytes.clear();
  prefix->complete = false;
  // Small steps decode little past what is wanted.
  UnwrappedStream stream(4 * 1024);
  // A prefix never needs much more input than output: text compresses, and
  // a bzip2 block (at most 900 KB) must be read whole before it gives
  // anything. Past that the file is not what it claims to be.
  stream.LimitInput(4 * static_cast<std::uint64_t>(max_bytes) + (2u << 20));
  Status status = stream.Open(path);
  prefix->wrapper = stream.wrapper();
  if (!status.ok()) return status;
  std::string& bytes = prefix->bytes;
  while (bytes.size() < max_bytes) {
    std::string_view piece;
    bool done = false;
    status = stream.Next(&piece, &done);
    if (!status.ok()) return status;
    if (done) {
      prefix->complete = true;
      break;
    }
    const std::size_t seen = bytes.size();
    bytes.append(piece.substr(0, max_bytes - seen));
    if (enough && enough(bytes, seen)) break;
  }
  return stream.CheckZipHasOneFile();
}

Status ReadDecodedOnDisk(const std::string& path, const DecodedPieces& take,
                         FileWrapper* wrapper) {
  UnwrappedStream stream(64 * 1024);
  Status status = stream.Open(path);
  if (wrapper) *wrapper = stream.wrapper();
  if (!status.ok()) return status;
  for (;;) {
    std::string_view piece;
    bool done = false;
    status = stream.Next(&piece, &done);
    if (!status.ok()) return status;
    if (done) break;
    if (!take(piece)) return Status::OK();
  }
  return stream.CheckZipHasOneFile();
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

}  // namespace

Status WriteDecodedCopyOnDisk(const std::string& source,
                              std::size_t prefix_length,
                              std::string_view new_prefix,
                              const std::string& target,
                              const CopyWatch& watch) {
  UnwrappedStream stream(256 * 1024);
  Status status = stream.Open(source);
  if (!status.ok()) return status;
  // The first `prefix_length` decoded bytes are passed over; what remains
  // of the piece that ends them follows the new prefix.
  std::string_view rest;
  for (std::size_t skipped = 0; skipped < prefix_length;) {
    bool done = false;
    status = stream.Next(&rest, &done);
    if (!status.ok()) return status;
    if (done) {
      return Status::Error("el archivo cambió mientras se leía: " + source);
    }
    const std::size_t take = std::min(rest.size(), prefix_length - skipped);
    skipped += take;
    rest.remove_prefix(take);
  }
  int given = 0;
  std::uint64_t decoded = 0;
  NextPiece plain = [&](std::string_view* piece, bool* last) {
    *last = false;
    Status next;
    switch (given++) {
      case 0:
        *piece = new_prefix;
        break;
      case 1:
        *piece = rest;
        break;
      default:
        next = stream.Next(piece, last);
        break;
    }
    if (!next.ok() || !watch) return next;
    decoded += piece->size();
    return watch(decoded);
  };
  if (stream.wrapper() == FileWrapper::kGzip) {
    GzipPieces gzip(plain, source);
    return WriteFileAtomicallyFrom(target,
                                   [&](std::string_view* piece, bool* last) {
                                     return gzip.Next(piece, last);
                                   });
  }
  return WriteFileAtomicallyFrom(target, plain);
}

Status WriteChangedCopyOnDisk(const std::string& source,
                              const PieceChange& change,
                              const std::string& target,
                              const CopyWatch& watch) {
  UnwrappedStream stream(256 * 1024);
  Status status = stream.Open(source);
  if (!status.ok()) return status;
  std::string changed;
  std::uint64_t written = 0;
  NextPiece plain = [&](std::string_view* piece, bool* last) {
    std::string_view decoded;
    Status next = stream.Next(&decoded, last);
    if (!next.ok()) return next;
    changed.clear();
    next = change(decoded, *last, &changed);
    if (!next.ok()) return next;
    if (*last) {
      next = stream.CheckZipHasOneFile();
      if (!next.ok()) return next;
    }
    *piece = changed;
    if (!watch) return Status::OK();
    written += changed.size();
    return watch(written);
  };
  if (stream.wrapper() == FileWrapper::kGzip) {
    GzipPieces gzip(plain, source);
    return WriteFileAtomicallyFrom(target,
                                   [&](std::string_view* piece, bool* last) {
                                     return gzip.Next(piece, last);
                                   });
  }
  return WriteFileAtomicallyFrom(target, plain);
}

}  // namespace zarvek
