#include <cerrno>
#include <cstdint>
#include <cstring>

#include "platform/win32/iconv.h"

namespace {

// The characters CP1252 puts at 0x80-0x9F (0 where the code is unused).
constexpr std::uint16_t kHigh[32] = {
    0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
    0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0,      0x017D, 0,
    0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
    0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0x017E, 0x0178};

// The CP1252 byte for `cp`, or -1 when there is none.
int ToCp1252(std::uint32_t cp) {
  if (cp < 0x80 || (cp >= 0xA0 && cp <= 0xFF)) return static_cast<int>(cp);
  for (int i = 0; i < 32; ++i) {
    if (kHigh[i] != 0 && kHigh[i] == cp) return 0x80 + i;
  }
  return -1;
}

// Decodes one UTF-8 character of `s` (`n` bytes available): its length, 0
// when it is cut off by the end, -1 when malformed.
int Decode(const unsigned char* s, size_t n, std::uint32_t* cp) {
  const unsigned char c = s[0];
  int len;
  std::uint32_t min;
  if (c < 0x80) {
    *cp = c;
    return 1;
  } else if (c >= 0xC2 && c <= 0xDF) {
    len = 2, min = 0x80, *cp = c & 0x1F;
  } else if (c >= 0xE0 && c <= 0xEF) {
    len = 3, min = 0x800, *cp = c & 0x0F;
  } else if (c >= 0xF0 && c <= 0xF4) {
    len = 4, min = 0x10000, *cp = c & 0x07;
  } else {
    return -1;
  }
  for (int i = 1; i < len; ++i) {
    if (static_cast<size_t>(i) >= n) return 0;
    if ((s[i] & 0xC0) != 0x80) return -1;
    *cp = (*cp << 6) | (s[i] & 0x3F);
  }
  if (*cp < min || *cp > 0x10FFFF || (*cp >= 0xD800 && *cp <= 0xDFFF)) {
    return -1;
  }
  return len;
}

bool Named(const char* name, const char* a, const char* b = nullptr) {
  return _stricmp(name, a) == 0 || (b != nullptr && _stricmp(name, b) == 0);
}

int kConverter;  // the one conversion there is; its address is the handle

}  // namespace

extern "C" iconv_t iconv_open(const char* to_code, const char* from_code) {
  if (!Named(to_code, "CP1252", "WINDOWS-1252") ||
      !Named(from_code, "UTF-8", "UTF8")) {
    errno = EINVAL;
    return reinterpret_cast<iconv_t>(-1);
  }
  return &kConverter;
}

extern "C" size_t iconv(iconv_t cd, char** in, size_t* in_left, char** out,
                        size_t* out_left) {
  if (cd != &kConverter) {
    errno = EBADF;
    return static_cast<size_t>(-1);
  }
  if (in == nullptr || *in == nullptr) return 0;  // reset: no state to reset
  while (*in_left > 0) {
    std::uint32_t cp = 0;
    const int len =
        Decode(reinterpret_cast<const unsigned char*>(*in), *in_left, &cp);
    if (len == 0) {
      errno = EINVAL;
      return static_cast<size_t>(-1);
    }
    const int byte = len < 0 ? -1 : ToCp1252(cp);
    if (byte < 0) {
      errno = EILSEQ;
      return static_cast<size_t>(-1);
    }
    if (*out_left == 0) {
      errno = E2BIG;
      return static_cast<size_t>(-1);
    }
    *(*out)++ = static_cast<char>(byte);
    --*out_left;
    *in += len;
    *in_left -= static_cast<size_t>(len);
  }
  return 0;
}

extern "C" int iconv_close(iconv_t) { return 0; }
