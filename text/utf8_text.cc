#include "text/utf8_text.h"

#include <cstdint>

namespace zarvek {
namespace {

struct Decoded {
  char32_t code_point;  // meaningful only when valid
  std::size_t length;   // bytes taken, at least 1
  bool valid;
};

// Decodes the character at the start of `s` (non-empty). A malformed,
// overlong or truncated sequence yields one invalid byte, so that the
// caller copies it through and goes on with the next one.
Decoded DecodeOne(std::string_view s) {
  const auto b0 = static_cast<std::uint8_t>(s[0]);
  if (b0 < 0x80) return {b0, 1, true};
  std::size_t length;
  char32_t cp;
  char32_t min;
  if ((b0 & 0xE0) == 0xC0) {
    length = 2, cp = b0 & 0x1F, min = 0x80;
  } else if ((b0 & 0xF0) == 0xE0) {
    length = 3, cp = b0 & 0x0F, min = 0x800;
  } else if ((b0 & 0xF8) == 0xF0) {
    length = 4, cp = b0 & 0x07, min = 0x10000;
  } else {
    return {0, 1, false};
  }
  if (s.size() < length) return {0, 1, false};
  for (std::size_t i = 1; i < length; ++i) {
    const auto b = static_cast<std::uint8_t>(s[i]);
    if ((b & 0xC0) != 0x80) return {0, 1, false};
    cp = (cp << 6) | (b & 0x3F);
  }
  if (cp < min || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) {
    return {0, 1, false};
  }
  return {cp, length, true};
}

void AppendUtf8(char32_t cp, std::string* out) {
  if (cp < 0x80) {
    out->push_back(static_cast<char>(cp));
  } else if (cp < 0x800) {
    out->push_back(static_cast<char>(0xC0 | (cp >> 6)));
    out->push_back(static_cast<char>(0x80 | (cp & 0x3F)));
  } else {
    // Only the two-byte capitals and U+0178 are ever written back.
    out->push_back(static_cast<char>(0xE0 | (cp >> 12)));
    out->push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
    out->push_back(static_cast<char>(0x80 | (cp & 0x3F)));
  }
}

}  // namespace

std::string Utf8ToUpper(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  while (!text.empty()) {
    const Decoded d = DecodeOne(text);
    const char32_t cp = d.code_point;
    if (!d.valid) {
      out.append(text.substr(0, d.length));
    } else if (cp >= U'a' && cp <= U'z') {
      out.push_back(static_cast<char>(cp - 0x20));
    } else if (cp >= 0xE0 && cp <= 0xFE && cp != 0xF7) {
      AppendUtf8(cp - 0x20, &out);
    } else if (cp == 0xDF) {  // ß has no single capital in these fonts
      out.append("SS");
    } else if (cp == 0xFF) {
      AppendUtf8(0x178, &out);
    } else {
      out.append(text.substr(0, d.length));
    }
    text.remove_prefix(d.length);
  }
  return out;
}

std::size_t Utf8Length(std::string_view text) {
  std::size_t count = 0;
  while (!text.empty()) {
    text.remove_prefix(DecodeOne(text).length);
    ++count;
  }
  return count;
}

std::string_view Utf8Prefix(std::string_view text, std::size_t count) {
  std::size_t bytes = 0;
  for (std::size_t i = 0; i < count && bytes < text.size(); ++i) {
    bytes += DecodeOne(text.substr(bytes)).length;
  }
  return text.substr(0, bytes);
}

}  // namespace zarvek
