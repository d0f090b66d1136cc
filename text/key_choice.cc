#include "text/key_choice.h"

namespace zarvek {
namespace {

// The code point of a key symbol, 0 for keys that type nothing.
std::uint32_t CodePointOfKeysym(std::uint32_t keysym) {
  if (keysym > 0x20 && keysym < 0x7F) return keysym;
  if (keysym >= 0xA0 && keysym <= 0xFF) return keysym;
  if (keysym >= 0x1000100 && keysym <= 0x110FFFF) return keysym - 0x1000000;
  return 0;
}

// Upper case of the Latin letters the choices use (ASCII and Latin-1).
std::uint32_t Upper(std::uint32_t c) {
  if (c >= 'a' && c <= 'z') return c - 0x20;
  if (c >= 0xE0 && c <= 0xFE && c != 0xF7) return c - 0x20;
  return c;
}

// The first code point of UTF-8 `text`, 0 when there is none.
std::uint32_t FirstCodePoint(const std::string& text) {
  if (text.empty()) return 0;
  const unsigned char b0 = static_cast<unsigned char>(text[0]);
  int extra = 0;
  std::uint32_t c = b0;
  if (b0 >= 0xF0) {
    extra = 3;
    c = b0 & 0x07;
  } else if (b0 >= 0xE0) {
    extra = 2;
    c = b0 & 0x0F;
  } else if (b0 >= 0xC0) {
    extra = 1;
    c = b0 & 0x1F;
  }
  if (text.size() <= static_cast<size_t>(extra)) return 0;
  for (int i = 1; i <= extra; ++i)
    c = (c << 6) | (static_cast<unsigned char>(text[i]) & 0x3F);
  return c;
}

}  // namespace

int NextChoiceForKey(const std::vector<std::string>& choices, int current,
                     std::uint32_t keysym) {
  const std::uint32_t key = Upper(CodePointOfKeysym(keysym));
  if (key == 0 || choices.empty()) return -1;
  const int n = static_cast<int>(choices.size());
  const int start = current >= 0 && current < n ? current + 1 : 0;
  for (int k = 0; k < n; ++k) {
    const int i = (start + k) % n;
    if (Upper(FirstCodePoint(choices[i])) == key) return i;
  }
  return -1;
}

}  // namespace zarvek
