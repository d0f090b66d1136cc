#include "platform/rinex_files.h"

#include <archive.h>
#include <archive_entry.h>
#include <zlib.h>

#include <algorithm>
#include <cerrno>
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

// The most a corrected copy may hold once unwrapped: the whole file is held
// in memory while it is written, and a decompression bomb must not take
// the machine's memory with it.
constexpr std::size_t kMaxCorrectedBytes = std::size_t{1} << 30;

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

// Reads the unwrapped content of the file at `path`: at most `limit` bytes,
// and no further than a complete `END OF HEADER` line when `header_only`.
// `*complete` tells that the content ended within what was read.
Status ReadUnwrapped(const std::string& path, std::size_t limit,
                     bool header_only, std::string* bytes, bool* complete,
                     RinexWrapper* wrapper) {
  bytes->clear();
  *complete = false;
  *wrapper = RinexWrapper::kNone;
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
  Source source;
  errno = 0;
  source.in.open(native, std::ios::binary);
  if (!source.in) {
    return errno != 0
               ? Status::FromErrno(errno, path)
               : Status::Error(
                     std::make_error_code(std::errc::io_error).message() +
                     ": " + path);
  }
  if (fs::file_size(native, ec) == 0 && !ec) {
    *complete = true;
    return Status::OK();
  }
  std::unique_ptr<struct archive, ArchiveFree> a(archive_read_new());
  if (!a) return Status::FromErrno(ENOMEM, path);
  archive_read_support_filter_all(a.get());
  archive_read_support_format_zip(a.get());
  archive_read_support_format_raw(a.get());
  archive_read_set_read_callback(a.get(), ReadBlock);
  archive_read_set_skip_callback(a.get(), SkipAhead);
  archive_read_set_seek_callback(a.get(), SeekTo);
  archive_read_set_callback_data(a.get(), &source);
  auto failure = [&](struct archive* archive) {
    const char* text = archive_error_string(archive);
    return Status::Error(std::string(text ? text : "error de lectura") + ": " +
                         path);
  };
  if (archive_read_open1(a.get()) != ARCHIVE_OK) return failure(a.get());
  struct archive_entry* entry = nullptr;
  const int first = archive_read_next_header(a.get(), &entry);
  *wrapper = WrapperOf(a.get());
  if (first == ARCHIVE_EOF) {
    return Status::Error("archivo comprimido vacío: " + path);
  }
  if (first < ARCHIVE_WARN) return failure(a.get());
  std::vector<char> block(16 * 1024);
  for (;;) {
    if (bytes->size() >= limit) break;
    const std::size_t want = std::min(block.size(), limit - bytes->size());
    const la_ssize_t got = archive_read_data(a.get(), block.data(), want);
    if (got < 0) return failure(a.get());
    if (got == 0) {
      *complete = true;
      break;
    }
    const std::size_t from = bytes->size() > 100 ? bytes->size() - 100 : 0;
    bytes->append(block.data(), static_cast<std::size_t>(got));
    if (header_only && HasEndOfHeaderLine(*bytes, from)) break;
  }
  // A zip stands for its one file; a second entry makes it ambiguous. Only
  // a zip is asked for one: for the other wrappers the next header would
  // mean decompressing the rest of the file.
  if (*wrapper == RinexWrapper::kZip) {
    const int next = archive_read_next_header(a.get(), &entry);
    if (next != ARCHIVE_EOF) {
      return Status::Error("el zip contiene más de un fichero: " + path);
    }
  }
  return Status::OK();
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
  const Status status = ReadUnwrapped(path, kRinexHeaderMaxBytes, true, &bytes,
                                      &complete, &found);
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

// `bytes` as one gzip member, as gzip itself writes it.
Status Gzip(std::string_view bytes, std::string* out, const std::string& path) {
  z_stream z{};
  if (deflateInit2(&z, Z_DEFAULT_COMPRESSION, Z_DEFLATED, 15 + 16, 8,
                   Z_DEFAULT_STRATEGY) != Z_OK) {
    return Status::FromErrno(ENOMEM, path);
  }
  out->clear();
  std::vector<unsigned char> block(256 * 1024);
  std::size_t offset = 0;
  int rc = Z_OK;
  do {
    const std::size_t chunk =
        std::min<std::size_t>(bytes.size() - offset, 1u << 30);
    z.next_in =
        reinterpret_cast<Bytef*>(const_cast<char*>(bytes.data() + offset));
    z.avail_in = static_cast<uInt>(chunk);
    offset += chunk;
    const int flush = offset == bytes.size() ? Z_FINISH : Z_NO_FLUSH;
    do {
      z.next_out = block.data();
      z.avail_out = static_cast<uInt>(block.size());
      rc = deflate(&z, flush);
      out->append(reinterpret_cast<char*>(block.data()),
                  block.size() - z.avail_out);
    } while (z.avail_out == 0);
  } while (rc != Z_STREAM_END && (rc >= 0 || rc == Z_BUF_ERROR));
  deflateEnd(&z);
  if (rc != Z_STREAM_END) return Status::Error("error de compresión: " + path);
  return Status::OK();
}

}  // namespace

Status WriteCorrectedCopy(const std::string& rinex_dir, const std::string& name,
                          double arp, std::string* copy_path) {
  const std::string original = JoinPath(rinex_dir, name);
  std::string bytes;
  bool complete = false;
  RinexWrapper wrapper = RinexWrapper::kNone;
  Status status = ReadUnwrapped(original, kMaxCorrectedBytes + 1, false, &bytes,
                                &complete, &wrapper);
  if (!status.ok()) return status;
  if (!complete) {
    return Status::Error("el fichero pasa de 1 GB sin comprimir: " + original);
  }
  std::string reason;
  std::optional<std::string> corrected = CorrectDeltaH(bytes, arp, &reason);
  if (!corrected) return Status::Error(reason + ": " + original);
  bytes.clear();
  bytes.shrink_to_fit();
  if (wrapper == RinexWrapper::kGzip) {
    status = Gzip(*corrected, &bytes, original);
    if (!status.ok()) return status;
    corrected->swap(bytes);
  }
  const std::string corrected_dir =
      JoinPath(rinex_dir, std::string(kCorrectedFolder));
  status = RealFileSystem().MakeDirs(corrected_dir);
  if (!status.ok()) return status;
  const std::string copy =
      JoinPath(corrected_dir, CorrectedCopyName(name, wrapper));
  status = WriteFileAtomically(copy, *corrected);
  if (status.ok() && copy_path) *copy_path = copy;
  return status;
}

}  // namespace zarvek
