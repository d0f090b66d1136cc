// Reading and writing files that may be wrapped in a compressor, through
// zlib and libarchive: gzip, Unix compress, bzip2 and a zip holding one
// file. Nothing here knows what the files hold; the real FileSystems
// (platform/fs_posix.cc, platform/fs_win32.cc) delegate their
// ReadDecodedPrefix and WriteDecodedCopy here, with the contracts stated in
// platform/fs.h. Written with the standard library, zlib and libarchive
// only, so that one file serves every platform.
#ifndef ZARVEK_PLATFORM_WRAPPED_FILE_H_
#define ZARVEK_PLATFORM_WRAPPED_FILE_H_

#include <cstddef>
#include <string>
#include <string_view>

#include "platform/fs.h"
#include "platform/status.h"

namespace zarvek {

/// FileSystem::ReadDecodedPrefix on the real disk.
Status ReadDecodedPrefixOnDisk(const std::string& path, std::size_t max_bytes,
                               const EnoughBytes& enough,
                               DecodedPrefix* prefix);

/// FileSystem::WriteDecodedCopy on the real disk.
Status WriteDecodedCopyOnDisk(const std::string& source,
                              std::size_t prefix_length,
                              std::string_view new_prefix,
                              const std::string& target,
                              const CopyWatch& watch);

/// FileSystem::ReadDecoded on the real disk.
Status ReadDecodedOnDisk(const std::string& path, const DecodedPieces& take,
                         FileWrapper* wrapper);

/// FileSystem::WriteChangedCopy on the real disk.
Status WriteChangedCopyOnDisk(const std::string& source,
                              const PieceChange& change,
                              const std::string& target,
                              const CopyWatch& watch);

}  // namespace zarvek

#endif  // ZARVEK_PLATFORM_WRAPPED_FILE_H_
