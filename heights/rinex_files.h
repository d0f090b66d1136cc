// Reading a project's RINEX observation files and writing their corrected
// copies: which files of a point's RINEX folder are observation files, the
// scan of every point of a project, and the copy with the DELTA H set to the
// ARP height in RINEX/CORREGIDO. Pure: the disk is reached only through
// FileSystem, whose real implementation unwraps gzip, Unix compress, bzip2
// and one-file zips. Only a header is read, never more than
// kRinexHeaderMaxBytes of unwrapped text, so a huge file or a decompression
// bomb costs what a small file does. Originals are only read.
#ifndef ZARVEK_HEIGHTS_RINEX_FILES_H_
#define ZARVEK_HEIGHTS_RINEX_FILES_H_

#include <map>
#include <string>

#include "heights/rinex_header.h"
#include "heights/rinex_verdict.h"
#include "platform/fs.h"
#include "platform/status.h"

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

/// Reads the folder `rinex_dir` (a point's "RINEX" folder): every ordinary
/// file in it whose header is an observation header (kObservation or
/// kUnreadable), ordered by name, each with the DELTA H of its copy in
/// CorrectedDir(`rinex_dir`) when there is one. Sub-folders are not
/// entered. A missing folder gives no files and no error; one that cannot
/// be listed gives `listing_error`.
PointRinexFiles CheckRinexFolder(FileSystem& fs, const std::string& rinex_dir);

/// Reads the RINEX folders of every point of the project that the folder
/// `chosen` opens (ProjectLayout::ForChosenFolder), for the table's build.
/// The key is the point code taken from each point folder's name ("4. 1001"
/// -> "1001"; of two folders of one code the first by name), the value what
/// CheckRinexFolder gives for its RINEX folder. Codes without a point
/// folder are absent from the map; "" gives an empty map.
std::map<std::string, PointRinexFiles> CheckProjectRinex(
    FileSystem& fs, const std::string& chosen);

/// Writes the corrected copy of the file `name` of `rinex_dir` into
/// CorrectedDir(`rinex_dir`) (made when missing) under CorrectedCopyName:
/// the original's unwrapped bytes with DELTA H set to `arp`
/// (CorrectDeltaH), as gzip when the original is gzip, plain otherwise,
/// through FileSystem::WriteDecodedCopy (streamed, atomic). Refused when
/// another file of `rinex_dir` would give a copy of the same name ("a.26o"
/// beside "a.26o.Z"), so that one copy never replaces another's.
/// `*copy_path`, when not null, receives the copy's path. Errors carry the
/// system's or library's text and the path, or the reason the header cannot
/// be corrected and the original's path.
Status WriteCorrectedCopy(FileSystem& fs, const std::string& rinex_dir,
                          const std::string& name, double arp,
                          std::string* copy_path);

/// The same for a file whose DELTA H is already right: its copy holds the
/// original's unwrapped bytes unchanged (written the same way, under the
/// same name), so that CorrectedDir(`rinex_dir`) holds every file of the
/// point. Refused, as WriteCorrectedCopy is, when another file would give a
/// copy of the same name, or when the file is no readable header.
Status WriteUnchangedCopy(FileSystem& fs, const std::string& rinex_dir,
                          const std::string& name, std::string* copy_path);

}  // namespace zarvek

#endif  // ZARVEK_HEIGHTS_RINEX_FILES_H_
