// The text of the report: upper-casing, lengths and prefixes by character,
// and the conversion to the one-byte encoding of the PDF fonts. The
// references decode UTF-8 by the Unicode table of well-formed sequences and
// take CP1252 from the C library's iconv, not from the program's table.
#include <iconv.h>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <map>
#include <string>
#include <string_view>
#include <vector>

#include "fuzz/fuzz_check.h"
#include "pdf/pdf_fonts.h"
#include "text/utf8_text.h"

namespace {

// One character of the text: a well-formed sequence, or a lone byte that
// starts none (valid == false).
struct Unit {
  std::string_view bytes;
  char32_t cp;
  bool valid;
};

// The length of the well-formed UTF-8 sequence at the start of `s`, 0 when
// there is none (Unicode's table of well-formed byte sequences).
std::size_t WellFormed(std::string_view s) {
  auto at = [&](std::size_t i) {
    return i < s.size() ? static_cast<std::uint8_t>(s[i]) : 0x100;
  };
  auto in = [](unsigned b, unsigned lo, unsigned hi) {
    return b >= lo && b <= hi;
  };
  const unsigned b0 = at(0), b1 = at(1), b2 = at(2), b3 = at(3);
  if (b0 <= 0x7F) return 1;
  if (in(b0, 0xC2, 0xDF)) return in(b1, 0x80, 0xBF) ? 2 : 0;
  const unsigned lo = b0 == 0xE0 ? 0xA0 : 0x80, hi = b0 == 0xED ? 0x9F : 0xBF;
  if (in(b0, 0xE0, 0xEF)) return in(b1, lo, hi) && in(b2, 0x80, 0xBF) ? 3 : 0;
  const unsigned lo4 = b0 == 0xF0 ? 0x90 : 0x80, hi4 = b0 == 0xF4 ? 0x8F : 0xBF;
  if (in(b0, 0xF0, 0xF4))
    return in(b1, lo4, hi4) && in(b2, 0x80, 0xBF) && in(b3, 0x80, 0xBF) ? 4 : 0;
  return 0;
}

std::vector<Unit> Units(std::string_view s) {
  std::vector<Unit> units;
  while (!s.empty()) {
    const std::size_t n = WellFormed(s);
    if (n == 0) {
      units.push_back({s.substr(0, 1), 0, false});
      s.remove_prefix(1);
      continue;
    }
    char32_t cp = n == 1 ? static_cast<std::uint8_t>(s[0])
                         : static_cast<std::uint8_t>(s[0]) & (0xFF >> (n + 1));
    for (std::size_t k = 1; k < n; ++k) cp = (cp << 6) | (s[k] & 0x3F);
    units.push_back({s.substr(0, n), cp, true});
    s.remove_prefix(n);
  }
  return units;
}

// Code point -> CP1252 byte, from iconv, built once.
const std::map<char32_t, char>& Cp1252() {
  static const std::map<char32_t, char> table = [] {
    std::map<char32_t, char> t;
    iconv_t cd = iconv_open("UTF-32LE", "CP1252");
    FUZZ_CHECK(cd != reinterpret_cast<iconv_t>(-1));
    for (int b = 1; b < 256; ++b) {
      char in = static_cast<char>(b);
      char out[8];
      char* ip = &in;
      char* op = out;
      std::size_t il = 1, ol = sizeof out;
      if (iconv(cd, &ip, &il, &op, &ol) == static_cast<std::size_t>(-1)) {
        iconv(cd, nullptr, nullptr, nullptr, nullptr);
        continue;
      }
      std::uint32_t cp;
      std::memcpy(&cp, out, 4);
      t[cp] = in;
    }
    iconv_close(cd);
    return t;
  }();
  return table;
}

std::string Upper(const Unit& u) {
  if (!u.valid) return std::string(u.bytes);
  const char32_t cp = u.cp;
  if (cp >= 'a' && cp <= 'z') return std::string(1, static_cast<char>(cp - 32));
  if (cp == 0xDF) return "SS";
  if (cp == 0xFF) return "\xC5\xB8";  // U+0178
  if (cp >= 0xE0 && cp <= 0xFE && cp != 0xF7) {
    const char32_t up = cp - 0x20;
    return {static_cast<char>(0xC0 | (up >> 6)),
            static_cast<char>(0x80 | (up & 0x3F))};
  }
  return std::string(u.bytes);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data,
                                      std::size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  const std::vector<Unit> units = Units(text);

  FUZZ_CHECK(zarvek::Utf8Length(text) == units.size());
  std::string upper;
  for (const Unit& u : units) upper += Upper(u);
  const std::string got = zarvek::Utf8ToUpper(text);
  FUZZ_CHECK(got == upper);
  FUZZ_CHECK(zarvek::Utf8ToUpper(got) == got);

  const std::size_t count = size == 0 ? 0 : data[0] % (units.size() + 2);
  std::size_t prefix = 0;
  for (std::size_t i = 0; i < count && i < units.size(); ++i)
    prefix += units[i].bytes.size();
  FUZZ_CHECK(zarvek::Utf8Prefix(text, count) == text.substr(0, prefix));

  // Each well-formed character becomes its CP1252 byte or "?", never NUL;
  // a malformed run becomes "?" without swallowing the characters after it
  // beyond its own length.
  const std::string ansi = zarvek::Utf8ToWinAnsi(text);
  FUZZ_CHECK(ansi.find('\0') == std::string::npos);
  FUZZ_CHECK(ansi.size() <= text.size());
  bool all_valid = true;
  for (const Unit& u : units) all_valid &= u.valid;
  if (all_valid) {
    FUZZ_CHECK(ansi.size() == units.size());
    for (std::size_t i = 0; i < units.size(); ++i) {
      const auto it = Cp1252().find(units[i].cp);
      FUZZ_CHECK(ansi[i] == (it == Cp1252().end() ? '?' : it->second));
    }
  }
  return 0;
}
