// Reading and writing a point's RINEX observation files on the disk, through
// libarchive for the wrappers surveyors use (gzip, Unix compress, bzip2, a
// zip holding one file). The check reads only the header, never more than
// kRinexHeaderMaxBytes of unwrapped text, so a huge file or a decompression
// bomb costs what a small file does. Originals are opened for reading only;
// corrected copies are written atomically (platform/atomic_file.h).
#ifndef ZARVEK_PLATFORM_RINEX_FILES_H_
#define ZARVEK_PLATFORM_RINEX_FILES_H_

#include <map>
#include <string>

#include "heights/rinex_header.h"
#include "heights/rinex_verdict.h"
#include "platform/status.h"

namespace zarvek {

/// The header of the file at `path`, unwrapped through every wrapper
/// libarchive knows (its format detection looks at the bytes, not the
/// name). `*wrapper`, when not null, receives the outermost wrapper found.
/// A file that cannot be opened or unwrapped (missing, not a file, a corrupt
/// gzip stream, a zip of several files) comes back as kUnreadable with the
/// reason (the library's or system's text and the path), unless what was
/// read before the failure shows another kind of file. A kNotRinex result
/// (garbage, an empty file) whose name looks like that of an observation
/// file (LooksLikeObservationName) is turned into kUnreadable, keeping its
/// reason: it stands where an observation file should.
RinexHeader ReadRinexHeaderFile(const std::string& path, RinexWrapper* wrapper);

/// Reads the folder `rinex_dir` (a point's "RINEX" folder): every ordinary
/// file in it whose header is an observation header (kObservation or
/// kUnreadable), ordered by name, each with the DELTA H of its copy in
/// `rinex_dir`/CORREGIDO when there is one. Sub-folders are not entered.
/// A missing folder gives no files and no error; one that cannot be listed
/// gives `listing_error`.
PointRinexFiles CheckRinexFolder(const std::string& rinex_dir);

/// Reads the RINEX folders of every point of a project in one call, for the
/// table's build. `ruta_base` is the folder picked in the table (the project
/// or its "2. DATOS GNSS" folder, as DetectProjectCodes takes it). The key
/// is the point code taken from each point folder's name ("4. 1001" ->
/// "1001"), the value what CheckRinexFolder gives for <folder>/RINEX.
/// Codes without a point folder are absent from the map.
std::map<std::string, PointRinexFiles> CheckProjectRinex(
    const std::string& ruta_base);

/// Writes the corrected copy of the file `name` of `rinex_dir` into
/// `rinex_dir`/CORREGIDO (made when missing) under CorrectedCopyName: the
/// original's unwrapped bytes with DELTA H set to `arp` (CorrectDeltaH), as
/// gzip when the original is gzip, plain otherwise. The file streams
/// through in pieces, so its size is not limited by the memory. The
/// original is never opened for writing; the copy replaces any earlier one
/// atomically, and nothing is left behind when a step fails. Refused when
/// another file of `rinex_dir` would give a copy of the same name ("a.26o"
/// beside "a.26o.Z"), so that one copy never replaces another's.
/// `*copy_path`, when not null, receives the copy's path. Errors carry the
/// system's or library's text and the path, or the reason the header cannot
/// be corrected and the original's path.
Status WriteCorrectedCopy(const std::string& rinex_dir, const std::string& name,
                          double arp, std::string* copy_path);

}  // namespace zarvek

#endif  // ZARVEK_PLATFORM_RINEX_FILES_H_
