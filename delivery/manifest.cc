#include "delivery/manifest.h"

#include <charconv>

namespace zarvek {

std::string ManifestText(std::string_view program_version,
                         const std::vector<ManifestLine>& lines) {
  std::string text =
      "\xEF\xBB\xBF"
      "MANIFIESTO DEL EXPEDIENTE\r\n";
  text += "VERSIÓN DEL PROGRAMA: ";
  text += program_version;
  text += "\r\nRUTA\tBYTES\tSHA-256\r\n";
  for (const ManifestLine& line : lines) {
    char digits[24];
    const auto end =
        std::to_chars(digits, digits + sizeof digits, line.size).ptr;
    text += line.path;
    text += '\t';
    text.append(digits, end);
    text += '\t';
    text += line.sha256;
    text += "\r\n";
  }
  return text;
}

}  // namespace zarvek
