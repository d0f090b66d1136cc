// The part of POSIX iconv that the PDF adapter uses, for Windows, where the
// C library has none: conversion from UTF-8 to CP1252 (Windows-1252) only.
// It behaves as glibc's iconv does for that pair: an unconvertible or
// malformed character stops the call with EILSEQ, an incomplete one at the
// end with EINVAL, a full output with E2BIG, each leaving the input pointer
// at that character. Implemented in platform/iconv_win32.cc.
#ifndef ZARVEK_PLATFORM_WIN32_ICONV_H_
#define ZARVEK_PLATFORM_WIN32_ICONV_H_

#include <stddef.h>

#ifdef __cplusplus
extern "C" {
#endif

typedef void* iconv_t;

/// Only to_code "CP1252" (or "WINDOWS-1252") from "UTF-8"; anything else
/// returns (iconv_t)-1 with errno EINVAL.
iconv_t iconv_open(const char* to_code, const char* from_code);
size_t iconv(iconv_t cd, char** in, size_t* in_left, char** out,
             size_t* out_left);
int iconv_close(iconv_t cd);

#ifdef __cplusplus
}
#endif

#endif  // ZARVEK_PLATFORM_WIN32_ICONV_H_
