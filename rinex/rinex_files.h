// Reading a project's RINEX observation files and writing their corrected
// copies: which files of a point's RINEX folder are observation files, the
// scan of every point of a project, and the copy with the DELTA H set to the
// ARP height in RINEX/CORREGIDO. Pure: the disk is reached only through
// FileSystem, whose real implementation unwraps gzip, Unix compress, bzip2
// and one-file zips. A header is read within kRinexHeaderMaxBytes of
// unwrapped text; an observation file's DELTA H lines (its event records')
// are read from the whole file line by line (rinex/rinex_lines.h), in
// bounded memory and stoppable between pieces. Originals are only read.
#ifndef ZARVEK_RINEX_RINEX_FILES_H_
#define ZARVEK_RINEX_RINEX_FILES_H_

#include <atomic>
#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "platform/fs.h"
#include "platform/status.h"
#include "rinex/rinex_header.h"
#include "rinex/rinex_verdict.h"

namespace zarvek {

/// The header of the file at `path`, unwrapped by `fs`. `*wrapper`, when
/// not null, receives the outermost wrapper found. A file that cannot be
/// opened or unwrapped (missing, not a file, a corrupt gzip stream, a zip
/// of several files) comes back as kUnreadable with the reason (the
/// library's or system's text and the path), unless what was read before
/// the failure shows another kind of file. A kNotRinex result (garbage, an
/// empty file) whose name looks like that of an observation file
/// (LooksLikeObservationName) is turned into kUnreadable, keeping its
/// reason: it stands where an observation file should.
RinexHeader ReadRinexHeaderFile(FileSystem& fs, const std::string& path,
                                RinexWrapper* wrapper);

/// What was read of each observation file (and of its copy in CORREGIDO),
/// by path, with the stamps (FileSystem::Stat) the files had then: a folder
/// read again reads only the files whose original or copy changed, so that
/// coming back to the table costs a listing and a Stat per file. Not
/// thread-safe: one thread at a time uses it.
class RinexReadCache {
 public:
  struct Entry {
    FileStamp original;
    /// The copy's stamp; nullopt: no copy that counts (none, or CORREGIDO
    /// is a link).
    std::optional<FileStamp> copy;
    bool listed = false;  ///< an observation file, kept in the list
    RinexFileCheck check;
  };
  const Entry* Find(const std::string& path) const {
    auto it = entries_.find(path);
    return it == entries_.end() ? nullptr : &it->second;
  }
  void Put(const std::string& path, Entry entry) {
    entries_.insert_or_assign(path, std::move(entry));
  }
  std::size_t size() const { return entries_.size(); }

 private:
  std::map<std::string, Entry> entries_;
};

/// Reads the folder `rinex_dir` (a point's "RINEX" folder): every ordinary
/// file in it whose header is an observation header (kObservation or
/// kUnreadable), ordered by name, each with the DELTA H of its copy in
/// CorrectedDir(`rinex_dir`) when there is one. Sub-folders are not
/// entered. A missing folder gives no files and no error; one that cannot
/// be listed gives `listing_error`. With `cache`, files whose stamps are
/// those it holds are not read again, and what is read is added to it.
/// Each observation file is read whole, line by line (ForEachLine), for
/// every DELTA H in force. `*cancel`, set by another thread, stops the
/// reading within one piece: the files read before it are given, the one
/// under way is neither given nor cached, and `cancelled` is set.
PointRinexFiles CheckRinexFolder(FileSystem& fs, const std::string& rinex_dir,
                                 RinexReadCache* cache = nullptr,
                                 const std::atomic<bool>* cancel = nullptr);

/// The RINEX folder of every point of the project that the folder `chosen`
/// opens (ProjectLayout::ForChosenFolder), without reading them. The key
/// is the point code taken from each point folder's name ("4. 1001" ->
/// "1001"; of two folders of one code the first by name). Codes without a
/// point folder are absent from the map; "" gives an empty map.
std::map<std::string, std::string> ProjectRinexFolders(
    FileSystem& fs, const std::string& chosen);

inline constexpr std::uint64_t kGiB = std::uint64_t{1} << 30;

/// What stops a copy of CORREGIR RINEX before it harms the disk.
struct RinexCopyLimits {
  /// No observation file decodes to this much: a copy that grows past it
  /// comes from a decompression bomb (a few KB of bzip2 decode to GBs).
  std::uint64_t max_bytes = 4 * kGiB;
  /// The disk keeps this much free, or keep_free_share of its size when
  /// that is less (a small memory stick): a copy that would leave less is
  /// not started, or stopped while it grows.
  std::uint64_t keep_free_bytes = kGiB;
  double keep_free_share = 0.05;
  /// How often, in decoded bytes, the free space is asked while writing.
  std::uint64_t check_free_every = std::uint64_t{16} << 20;
};

/// One run of CORREGIR RINEX over many files: its limits, a flag another
/// thread sets to stop it (the copy under way stops after its current
/// block and leaves nothing behind), and each RINEX folder's files as
/// listed once in the run, for the check that no two originals give one
/// copy name.
struct RinexCopyRun {
  RinexCopyLimits limits;
  const std::atomic<bool>* cancel = nullptr;
  std::map<std::string, std::vector<std::string>> listed;
  bool cancelled() const { return cancel && cancel->load(); }
};

/// Writes the corrected copy of the file `name` of `rinex_dir` into
/// CorrectedDir(`rinex_dir`) (made when missing) under CorrectedCopyName:
/// the original's unwrapped bytes with every DELTA H set to `arp` as
/// CorrectDeltaHInPlace sets them, rewritten line by line as they stream
/// (DeltaHRewrite through FileSystem::WriteChangedCopy, atomic: a refusal
/// or a cancel midway leaves no copy), as gzip when the original is gzip,
/// plain otherwise. Refused when
/// another file of `rinex_dir` would give a copy of the same name ("a.26o"
/// beside "a.26o.Z"), so that one copy never replaces another's.
/// `*copy_path`, when not null, receives the copy's path. Errors carry the
/// system's or library's text and the path, or the reason the header cannot
/// be corrected and the original's path. A copy that would pass the
/// limits of `run` (see RinexCopyLimits; the defaults without `run`) is
/// stopped and removed: "NO PARECE UN ARCHIVO DE OBSERVACIÓN: …: <original>"
/// or "EL DISCO SE QUEDARÍA CASI LLENO …: <copy>".
Status WriteCorrectedCopy(FileSystem& fs, const std::string& rinex_dir,
                          const std::string& name, double arp,
                          std::string* copy_path, RinexCopyRun* run = nullptr);

/// The same for a file whose DELTA H is already right: its copy holds the
/// original's unwrapped bytes unchanged (written the same way, under the
/// same name), so that CorrectedDir(`rinex_dir`) holds every file of the
/// point. Refused, as WriteCorrectedCopy is, when another file would give a
/// copy of the same name, or when the file is no readable header.
Status WriteUnchangedCopy(FileSystem& fs, const std::string& rinex_dir,
                          const std::string& name, std::string* copy_path,
                          RinexCopyRun* run = nullptr);

}  // namespace zarvek

#endif  // ZARVEK_RINEX_RINEX_FILES_H_
