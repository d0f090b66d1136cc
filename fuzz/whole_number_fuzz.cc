// ParseWholeNumber against a slow reference written from its contract:
// Unicode white space trimmed by whole characters, one optional sign, ASCII
// digits only, and a value inside the range of std::int64_t computed in
// 128 bits so that no overflow can hide.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <optional>
#include <string_view>

#include "folders/whole_number.h"
#include "fuzz/fuzz_check.h"

namespace {

// The UTF-8 encodings of the characters with the Unicode White_Space
// property.
constexpr std::string_view kWhiteSpace[] = {
    "\t",           "\n",           "\v",
    "\f",           "\r",           " ",
    "\xC2\x85",     "\xC2\xA0",     "\xE1\x9A\x80",
    "\xE2\x80\x80", "\xE2\x80\x81", "\xE2\x80\x82",
    "\xE2\x80\x83", "\xE2\x80\x84", "\xE2\x80\x85",
    "\xE2\x80\x86", "\xE2\x80\x87", "\xE2\x80\x88",
    "\xE2\x80\x89", "\xE2\x80\x8A", "\xE2\x80\xA8",
    "\xE2\x80\xA9", "\xE2\x80\xAF", "\xE2\x81\x9F",
    "\xE3\x80\x80"};

std::string_view Trim(std::string_view s) {
  for (bool again = true; again;) {
    again = false;
    for (std::string_view w : kWhiteSpace) {
      if (s.starts_with(w)) {
        s.remove_prefix(w.size());
        again = true;
      }
      if (s.ends_with(w)) {
        s.remove_suffix(w.size());
        again = true;
      }
    }
  }
  return s;
}

std::optional<std::int64_t> Reference(std::string_view s) {
  s = Trim(s);
  bool negative = false;
  if (!s.empty() && (s[0] == '+' || s[0] == '-')) {
    negative = s[0] == '-';
    s.remove_prefix(1);
  }
  if (s.empty()) return std::nullopt;
  __int128 value = 0;
  for (char c : s) {
    if (c < '0' || c > '9') return std::nullopt;
    value = value * 10 + (c - '0');
    if (value > (static_cast<__int128>(1) << 63)) return std::nullopt;
  }
  if (negative) value = -value;
  if (value > INT64_MAX || value < INT64_MIN) return std::nullopt;
  return static_cast<std::int64_t>(value);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data,
                                      std::size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  FUZZ_CHECK(zarvek::ParseWholeNumber(text) == Reference(text));
  return 0;
}
