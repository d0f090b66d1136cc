// The package written to disk: zlib for the CRC-32 and the deflating, the
// files read in chunks from the disk, and the archive put in place only
// when whole (platform/atomic_file.h).
#ifndef ZARVEK_DELIVERY_PACKAGE_FILE_H_
#define ZARVEK_DELIVERY_PACKAGE_FILE_H_

#include <memory>
#include <string>
#include <vector>

#include "delivery/manifest.h"
#include "delivery/package_writer.h"
#include "delivery/zip_writer.h"
#include "platform/status.h"

namespace zarvek {

/// zlib's CRC-32 and raw deflate at level 6, and the system's local time.
std::unique_ptr<ZipBackend> MakeZlibBackend();

/// The files of this machine's disk, read through std::filesystem paths
/// made from the UTF-8 text (names with accents work on Windows too).
std::unique_ptr<SourceFiles> MakeDiskSourceFiles();

/// Writes the ZIP archive of `entries`, then MANIFIESTO.txt, to `path`:
/// into a temporary file beside it, renamed over `path` only once complete.
/// On failure or cancel nothing is left: no temporary file, and whatever
/// was at `path` is untouched. The error is "<system's text>: <path>" (the
/// archive's or the source file's), kPackageCancelled, or the refused name.
/// `manifest`, when given, receives the manifest's lines.
Status WritePackageFile(const std::string& path,
                        const std::vector<PackageEntry>& entries,
                        const PackageProgress& progress,
                        const PackageOptions& options,
                        std::vector<ManifestLine>* manifest = nullptr);

/// WritePackageFile with the files read from `sources`.
Status WritePackageFileFrom(const std::string& path,
                            const std::vector<PackageEntry>& entries,
                            SourceFiles* sources,
                            const PackageProgress& progress,
                            const PackageOptions& options,
                            std::vector<ManifestLine>* manifest = nullptr);

}  // namespace zarvek

#endif  // ZARVEK_DELIVERY_PACKAGE_FILE_H_
