// The scan of a project's dossier: what its shared folders, its reports and
// each point's GNSS and photo folders hold, read through FileSystem. It
// reads the disk only, never the window, so that it runs off the window
// thread; what it finds is a value (dossier/dossier.h).
#ifndef ZARVEK_DOSSIER_SCAN_H_
#define ZARVEK_DOSSIER_SCAN_H_

#include <atomic>
#include <string>

#include "dossier/dossier.h"
#include "platform/fs.h"
#include "project/layout.h"

namespace zarvek {

/// What the folder at `path` holds, by kind of folder.
enum class FolderContent {
  kFiles,   ///< every ordinary file that is not hidden or a system file
  kPhotos,  ///< photos told by their first bytes (dossier/file_kind.h)
  kVideos,  ///< files with a video extension
};

/// Lists the folder at `path` and keeps the files that count for
/// `content`, sorted by name. A folder that is not there is kMissing; one
/// that cannot be listed (no permission, a file in its place) is
/// kUnreadable with the system's text. For kPhotos, a file whose first
/// bytes cannot be read (no permission, a read error) counts as a photo of
/// kind FileKind::kUnreadable with the system's text in its `error`. Empty
/// files never count.
FolderCount CountFolder(FileSystem& fs, const std::string& path,
                        FolderContent content);

/// Scans the project that `layout` describes: the project-wide items in the
/// order the tab shows them ("1. FORMULARIOS", the base station's "NATIVA"
/// and "RINEX", "2. EFEMERIDES", "3. PROCESAMIENTO", the height report,
/// the photo report), then every point found in the GNSS data folder
/// (entries that ParsePointFolderName reads) or in the photos folder
/// (entries that ParsePhotoFolderName reads), one per code value ("7" and
/// "007" are one point; the first name in name order gives its code), in
/// numeric order; only the first kMaxTableRows are read, as tab 2 holds no
/// more, and `points_found` counts them all. Only folders in the photos
/// folder are points. Stages 1-8 count photos, stage 9 videos. When `stop`
/// becomes true the scan ends early with what it has; its caller drops it.
DossierScan ScanDossier(FileSystem& fs, const ProjectLayout& layout,
                        const std::atomic<bool>* stop = nullptr);

}  // namespace zarvek

#endif  // ZARVEK_DOSSIER_SCAN_H_
