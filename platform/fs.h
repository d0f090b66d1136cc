// FileSystem is the narrow view of the disk that the program needs: the
// folder tree, the point detection, the measurement file and its saves, the
// pictures of the window, and the RINEX check with its corrected copies. It
// is abstract so that tests can replace it with testing/fake_fs.h, which
// then sees every access; platform/fs_posix.cc and platform/fs_win32.cc are
// the real ones. Paths are UTF-8 text and are used exactly as given.
#ifndef ZARVEK_PLATFORM_FS_H_
#define ZARVEK_PLATFORM_FS_H_

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/status.h"

namespace zarvek {

/// The wrapper a file's content was found in, outermost first; several
/// layers, or one that is not read, are kOther.
enum class FileWrapper { kNone, kGzip, kCompress, kBzip2, kZip, kOther };

/// The decoded start of a file (FileSystem::ReadDecodedPrefix).
struct DecodedPrefix {
  std::string bytes;
  /// The content ended within `bytes`: they are the whole decoded file.
  bool complete = false;
  FileWrapper wrapper = FileWrapper::kNone;
};

/// Tells ReadDecodedPrefix that it may stop: `bytes` is all that has been
/// decoded so far, of which the first `seen` bytes were already shown to it.
using EnoughBytes =
    std::function<bool(std::string_view bytes, std::size_t seen)>;

/// Watches a copy written by WriteDecodedCopy: called before each decoded
/// piece is written with the decoded bytes written so far plus that piece.
/// A failure stops the copy there (the temporary file is removed) and is
/// what WriteDecodedCopy returns: for a size limit, a full disk, a cancel.
using CopyWatch = std::function<Status(std::uint64_t decoded_bytes)>;

/// Takes the next piece of a file's decoded content (FileSystem::
/// ReadDecoded); the piece stays valid only during the call and may be
/// empty. False stops the reading.
using DecodedPieces = std::function<bool(std::string_view piece)>;

/// Turns the next piece of a file's decoded content into what the copy
/// holds in its place, appended to `*out` (FileSystem::WriteChangedCopy).
/// Called with `last` once, after every piece, with an empty piece. A
/// failure stops the copy and is what WriteChangedCopy returns.
using PieceChange =
    std::function<Status(std::string_view piece, bool last, std::string* out)>;

/// What FileSystem::Stat tells of a file, to know whether it changed since
/// it was last read: equal stamps, same file as far as the system tells.
struct FileStamp {
  std::uint64_t size = 0;
  std::int64_t modified_ns = 0;  ///< last modification
  /// Last status change (POSIX); creation (Windows).
  std::int64_t changed_ns = 0;
  bool operator==(const FileStamp&) const = default;
};

/// The space of the file system that holds a path (FileSystem::FreeSpace).
struct DiskSpace {
  std::uint64_t free = 0;   ///< bytes the user may still write
  std::uint64_t total = 0;  ///< size of the file system
};

/// One entry of a folder as ListDirInfo gives it. Links are followed: a link
/// to a file is a file, a broken link is neither file nor folder.
struct DirEntryInfo {
  std::string name;
  bool is_dir = false;
  bool is_file = false;       ///< an ordinary file
  std::uint64_t size = 0;     ///< bytes, for a file
  std::int64_t mtime_s = 0;   ///< last change, seconds since 1970 UTC
  std::int32_t mtime_ns = 0;  ///< and nanoseconds within that second
  /// The file's first bytes, when the listing was asked for them: at most
  /// PrefixRequest::bytes, fewer for a shorter file.
  std::string prefix;
  /// Why they could not be read ("<system's text>: <path>"); else empty.
  std::string prefix_error;
};

/// Which files' first bytes ListDirInfo reads with the listing.
struct PrefixRequest {
  std::size_t bytes = 0;  ///< 0: none
  /// Asked of each entry's name; the first bytes of the ordinary files it
  /// accepts, and that are not empty, are read. None: every such file.
  std::function<bool(std::string_view name)> wanted;
};

/// Joins two path pieces with "/" ("a" + "b" -> "a/b"), without doubling a
/// "/" that `base` already ends with; an empty `base` gives `name`. Windows
/// takes "/" between names as it takes "\\", so the same text serves both
/// systems; a `base` ending in "\\" still gets a "/".
inline std::string JoinPath(const std::string& base, const std::string& name) {
  if (base.empty()) return name;
  if (base.back() == '/') return base + name;
  return base + "/" + name;
}

/// The reason MakeDirs gives for a link where a folder is to be.
inline constexpr char kLinkNotAFolderReason[] = "ES UN ENLACE, NO UNA CARPETA";

class FileSystem {
 public:
  virtual ~FileSystem() = default;

  /// True when something (file or folder) exists at `path`.
  virtual bool Exists(const std::string& path) = 0;

  /// True when `path` is a directory (following links).
  virtual bool IsDirectory(const std::string& path) = 0;

  /// True when `path` itself is a directory: not a symbolic link (nor, on
  /// Windows, a junction or other reparse point) to one, which would send
  /// what is written "inside" it somewhere else. Links in the folders above
  /// `path` are followed.
  virtual bool IsRealDirectory(const std::string& path) = 0;

  /// The names of the entries of the directory `path`, files and folders,
  /// in the order the system lists them, without "." and "..".
  virtual Status ListDir(const std::string& path,
                         std::vector<std::string>* names) = 0;

  /// Creates the directory `path` and any missing parent. An existing
  /// directory is not an error and is left untouched; anything else standing
  /// at a component of the path is. A symbolic link (or reparse point) at
  /// `path`, or at a missing parent's place, is refused even when it leads
  /// to a folder: "<kLinkNotAFolderReason>: <path>". Existing parents are
  /// walked through as they are, links included.
  virtual Status MakeDirs(const std::string& path) = 0;

  /// Reads at most the first `max_bytes` + 1 bytes of the ordinary file at
  /// `path` into `bytes`, so that a caller can tell a longer file. A missing
  /// file is no error: `*missing` is set and `bytes` is empty. Anything but
  /// an ordinary file at `path` (a folder, a FIFO, a device) fails at once,
  /// never blocks, as does a read error: "<system's text>: <path>".
  virtual Status ReadPrefix(const std::string& path, size_t max_bytes,
                            std::string* bytes, bool* missing) = 0;

  /// Reads the whole ordinary file at `path` into `bytes`. Fails as
  /// ReadPrefix does, and also for a missing file (the system's "No such
  /// file or directory") and a file longer than `max_bytes` ("File too
  /// large"), with `bytes` empty: "<system's text>: <path>".
  virtual Status ReadFile(const std::string& path, size_t max_bytes,
                          std::string* bytes) = 0;

  /// Replaces the file at `path` with `bytes` in one step: readers see the
  /// earlier file or the whole new one, never a part (a temporary file in
  /// the same folder, flushed, renamed over `path`). On failure whatever was
  /// at `path` is as it was and the status is "<system's text>: <path>"; a
  /// file the user may not write is refused, never replaced. See
  /// platform/atomic_file.h for the permissions a replaced file keeps.
  /// A file whose name starts with "." is hidden (on Windows it gets the
  /// hidden attribute), here and in CreateNewFile.
  virtual Status WriteAtomically(const std::string& path,
                                 std::string_view bytes) = 0;

  /// Creates the file `path` holding `bytes` only where nothing (no file,
  /// folder or link, not even a broken one) stands: then `*existed` is set
  /// and nothing is written. Of several programs that create the same name
  /// at once exactly one succeeds. Readers never see the file half written:
  /// it is written to a temporary file beside it and linked (on Windows,
  /// moved) into place. On failure: "<system's text>: <path>".
  virtual Status CreateNewFile(const std::string& path, std::string_view bytes,
                               bool* existed) = 0;

  /// Removes the file at `path` (a link itself, not its target); a folder is
  /// refused. On failure: "<system's text>: <path>".
  virtual Status RemoveFile(const std::string& path) = 0;

  /// True when `path` is an ordinary file (following links): not a folder,
  /// a device or a pipe, which could block a reader.
  virtual bool IsFile(const std::string& path) = 0;

  /// Reads the start of the ordinary file `path`, unwrapped from gzip, Unix
  /// compress, bzip2 or a zip holding one file (told by the bytes, never by
  /// the name; other wrappers are not opened and their bytes come as they
  /// are): at most `max_bytes` decoded bytes, and no more once `enough`
  /// says so. Of a zip the whole entry list is checked: one of several
  /// files is an error. On failure (missing, not an ordinary file, corrupt
  /// data) the status carries the system's or library's text and the path,
  /// and `*prefix` still holds what was decoded before it and the wrapper.
  virtual Status ReadDecodedPrefix(const std::string& path,
                                   std::size_t max_bytes,
                                   const EnoughBytes& enough,
                                   DecodedPrefix* prefix) = 0;

  /// Writes the file `target`: the decoded content of `source` with its
  /// first `prefix_length` bytes replaced by `new_prefix`, gzip when
  /// `source` is gzip and plain otherwise. The content streams through, so
  /// its size is not limited by the memory. `source` is only read; `target`
  /// is replaced in one step (platform/atomic_file.h), and nothing is left
  /// behind when a step fails. A `source` whose content is shorter than
  /// `prefix_length` is refused. `watch`, when set, sees the copy grow and
  /// may stop it (CopyWatch).
  virtual Status WriteDecodedCopy(const std::string& source,
                                  std::size_t prefix_length,
                                  std::string_view new_prefix,
                                  const std::string& target,
                                  const CopyWatch& watch) = 0;

  /// Hands the whole decoded content of the ordinary file `path` (unwrapped
  /// as ReadDecodedPrefix does) to `take`, piece by piece, so that a file of
  /// any length is read in the memory of one piece; `take` returning false
  /// stops the reading, with no error. `*wrapper`, when not null, receives
  /// the wrapper. Fails as ReadDecodedPrefix does. This default, for file
  /// systems held in memory, decodes the whole content first.
  virtual Status ReadDecoded(const std::string& path, const DecodedPieces& take,
                             FileWrapper* wrapper) {
    DecodedPrefix whole;
    const Status status = ReadDecodedPrefix(path, SIZE_MAX, nullptr, &whole);
    if (wrapper) *wrapper = whole.wrapper;
    if (!status.ok()) return status;
    take(whole.bytes);
    return Status::OK();
  }

  /// Writes the file `target` as WriteDecodedCopy does, with the decoded
  /// content of `source` passed through `change` piece by piece: the copy
  /// holds what `change` gives, gzip when `source` is gzip. Nothing is left
  /// behind when `change`, `watch` or the writing fails. This default, for
  /// file systems held in memory, changes the whole content first.
  virtual Status WriteChangedCopy(const std::string& source,
                                  const PieceChange& change,
                                  const std::string& target,
                                  const CopyWatch& watch) {
    DecodedPrefix whole;
    Status status = ReadDecodedPrefix(source, SIZE_MAX, nullptr, &whole);
    if (!status.ok()) return status;
    std::string changed;
    status = change(whole.bytes, false, &changed);
    if (status.ok()) status = change({}, true, &changed);
    if (!status.ok()) return status;
    return WriteDecodedCopy(source, whole.bytes.size(), changed, target, watch);
  }

  /// Size and times of the file at `path` (following links); false when
  /// there is none or the system cannot tell, and then nothing is known.
  virtual bool Stat(const std::string& /*path*/, FileStamp* /*stamp*/) {
    return false;
  }

  /// The free and total bytes of the file system holding the existing
  /// folder `path`. An error when the system cannot tell.
  virtual Status FreeSpace(const std::string& path, DiskSpace* /*space*/) {
    return Status::Error("free space unknown: " + path);
  }

  /// ListDir with each entry's kind, size and time of last change, and the
  /// first bytes of the files `prefixes` asks for, for scans of many files
  /// (the dossier's photo folders), which would otherwise ask the system
  /// several times more per file. The real file systems get them with the
  /// listing; this default asks per entry and gives no sizes or times.
  virtual Status ListDirInfo(const std::string& path,
                             const PrefixRequest& prefixes,
                             std::vector<DirEntryInfo>* entries) {
    entries->clear();
    std::vector<std::string> names;
    Status status = ListDir(path, &names);
    if (!status.ok()) return status;
    for (std::string& name : names) {
      DirEntryInfo entry;
      const std::string full = JoinPath(path, name);
      entry.is_dir = IsDirectory(full);
      entry.is_file = !entry.is_dir && IsFile(full);
      entry.size = entry.is_file ? 1 : 0;  // unknown: read, and see
      entry.name = std::move(name);
      entries->push_back(std::move(entry));
    }
    ReadPrefixes(path, prefixes, entries);
    return Status::OK();
  }

 protected:
  /// Fills the prefix (or prefix_error) of every entry of `entries`, listed
  /// in `path`, that `prefixes` asks for, through ReadPrefix.
  void ReadPrefixes(const std::string& path, const PrefixRequest& prefixes,
                    std::vector<DirEntryInfo>* entries) {
    if (prefixes.bytes == 0) return;
    for (DirEntryInfo& entry : *entries) {
      if (!entry.is_file || entry.size == 0 ||
          (prefixes.wanted && !prefixes.wanted(entry.name))) {
        continue;
      }
      bool missing = false;
      const Status read = ReadPrefix(JoinPath(path, entry.name), prefixes.bytes,
                                     &entry.prefix, &missing);
      if (!read.ok()) entry.prefix_error = read.message();
      if (entry.prefix.size() > prefixes.bytes)
        entry.prefix.resize(prefixes.bytes);
    }
  }
};

/// The real file system of this machine.
FileSystem& RealFileSystem();

}  // namespace zarvek

#endif  // ZARVEK_PLATFORM_FS_H_
