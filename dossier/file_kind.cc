#include "dossier/file_kind.h"

#include <algorithm>
#include <array>
#include <cstdint>

#include "text/ascii_text.h"

namespace zarvek {
namespace {

char Lower(char c) { return c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c; }

bool EqualsIgnoringCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    if (Lower(a[i]) != Lower(b[i])) return false;
  }
  return true;
}

bool IsHeifBrand(std::string_view brand) {
  static constexpr std::array<std::string_view, 9> kBrands = {
      "heic", "heix", "heim", "heis", "hevc", "hevx", "mif1", "msf1", "heif"};
  for (std::string_view known : kBrands) {
    if (brand == known) return true;
  }
  return false;
}

std::uint32_t BigEndian32(std::string_view bytes) {
  std::uint32_t value = 0;
  for (std::size_t i = 0; i < 4; ++i)
    value = (value << 8) | static_cast<unsigned char>(bytes[i]);
  return value;
}

}  // namespace

bool IsIgnoredFileName(std::string_view name) {
  if (name.empty() || name.front() == '.') return true;
  return EqualsIgnoringCase(name, "Thumbs.db") ||
         EqualsIgnoringCase(name, "desktop.ini") ||
         EqualsIgnoringCase(name, "ehthumbs.db") ||
         EqualsIgnoringCase(name, "@eaDir");
}

std::string StageFolderKey(std::string_view name) {
  // The base letters of U+00C0-U+00FF, capitals and small letters alike;
  // '*' for the two that are no letter (the multiplication and division
  // signs), which stay as they are.
  static constexpr std::string_view kBase =
      "AAAAAAACEEEEIIIIDNOOOOO*OUUUUYTSAAAAAAACEEEEIIIIDNOOOOO*OUUUUYTY";
  std::string key;
  key.reserve(name.size());
  for (std::size_t i = 0; i < name.size();) {
    const unsigned char b = static_cast<unsigned char>(name[i]);
    const unsigned char next =
        i + 1 < name.size() ? static_cast<unsigned char>(name[i + 1]) : 0;
    if (const std::size_t space = LeadingSpaceLength(name.substr(i))) {
      i += space;
    } else if (b == 0xC3 && next >= 0x80 && next <= 0xBF &&
               kBase[next - 0x80] != '*') {
      key += kBase[next - 0x80];
      i += 2;
    } else if ((b == 0xCC && next >= 0x80 && next <= 0xBF) ||
               (b == 0xCD && next >= 0x80 && next <= 0xAF)) {
      i += 2;  // a combining mark, U+0300-U+036F
    } else {
      key += b >= 'a' && b <= 'z' ? static_cast<char>(b - 'a' + 'A')
                                  : static_cast<char>(b);
      ++i;
    }
  }
  std::size_t zeros = 0;
  while (zeros + 1 < key.size() && key[zeros] == '0' && key[zeros + 1] >= '0' &&
         key[zeros + 1] <= '9') {
    ++zeros;
  }
  key.erase(0, zeros);
  return key;
}

bool HasVideoExtension(std::string_view name) {
  const std::size_t dot = name.rfind('.');
  if (dot == std::string_view::npos || dot == 0) return false;
  const std::string_view extension = name.substr(dot + 1);
  for (std::string_view video : {"mp4", "mov", "avi", "3gp", "mkv", "m4v"}) {
    if (EqualsIgnoringCase(extension, video)) return true;
  }
  return false;
}

FileKind PhotoKindOfPrefix(std::string_view prefix) {
  if (prefix.size() >= 3 && prefix.substr(0, 3) == "\xFF\xD8\xFF")
    return FileKind::kJpeg;
  if (prefix.size() >= 8 && prefix.substr(0, 8) == "\x89PNG\r\n\x1A\n")
    return FileKind::kPng;
  // An ISO base media file: box size, "ftyp", major brand, minor version,
  // then compatible brands up to the end of the box.
  if (prefix.size() >= 12 && prefix.substr(4, 4) == "ftyp") {
    if (IsHeifBrand(prefix.substr(8, 4))) return FileKind::kHeif;
    const std::size_t end =
        std::min<std::size_t>(BigEndian32(prefix), prefix.size());
    for (std::size_t at = 16; at + 4 <= end; at += 4) {
      if (IsHeifBrand(prefix.substr(at, 4))) return FileKind::kHeif;
    }
  }
  return FileKind::kOther;
}

}  // namespace zarvek
