// The package's MANIFIESTO.txt: the program's version, then one line per
// file of the package in archive order, with its path, its size in bytes
// and its SHA-256 (lower-case hexadecimal, as `sha256sum` prints it),
// separated by tabs (a character no member name may hold). UTF-8 with a
// byte-order mark and CRLF line ends, which Windows Notepad and every
// Linux editor read alike.
#ifndef ZARVEK_DELIVERY_MANIFEST_H_
#define ZARVEK_DELIVERY_MANIFEST_H_

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace zarvek {

inline constexpr char kManifestName[] = "MANIFIESTO.txt";

struct ManifestLine {
  std::string path;  ///< as in the archive, "/" between names
  std::uint64_t size = 0;
  std::string sha256;  ///< 64 lower-case hexadecimal digits
};

std::string ManifestText(std::string_view program_version,
                         const std::vector<ManifestLine>& lines);

}  // namespace zarvek

#endif  // ZARVEK_DELIVERY_MANIFEST_H_
