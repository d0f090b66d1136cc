// Text at the Win32 boundary, for the *_win32.cc adapters only: the program
// keeps UTF-8 everywhere and converts to UTF-16 for each wide Win32 call and
// back for what the system returns; and the system's own wording of an error
// code, in the language of the user's Windows.
#ifndef ZARVEK_PLATFORM_WIN32_TEXT_H_
#define ZARVEK_PLATFORM_WIN32_TEXT_H_

#include <windows.h>

#include <string>
#include <string_view>

#include "platform/status.h"

namespace zarvek::win32 {

/// UTF-8 to UTF-16. Invalid sequences become U+FFFD.
inline std::wstring Widen(std::string_view utf8) {
  if (utf8.empty()) return {};
  const int n = MultiByteToWideChar(CP_UTF8, 0, utf8.data(),
                                    static_cast<int>(utf8.size()), nullptr, 0);
  std::wstring out(static_cast<size_t>(n), L'\0');
  MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()),
                      out.data(), n);
  return out;
}

/// UTF-16 to UTF-8.
inline std::string Narrow(std::wstring_view utf16) {
  if (utf16.empty()) return {};
  const int n = WideCharToMultiByte(CP_UTF8, 0, utf16.data(),
                                    static_cast<int>(utf16.size()), nullptr, 0,
                                    nullptr, nullptr);
  std::string out(static_cast<size_t>(n), '\0');
  WideCharToMultiByte(CP_UTF8, 0, utf16.data(), static_cast<int>(utf16.size()),
                      out.data(), n, nullptr, nullptr);
  return out;
}

/// Windows' own message for `error` (a GetLastError code), without the
/// trailing line break; the code in figures when the system has no text.
inline std::string ErrorText(DWORD error) {
  wchar_t* text = nullptr;
  const DWORD n = FormatMessageW(
      FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM |
          FORMAT_MESSAGE_IGNORE_INSERTS,
      nullptr, error, 0, reinterpret_cast<wchar_t*>(&text), 0, nullptr);
  std::wstring message = n > 0 ? std::wstring(text, n) : std::wstring();
  if (text != nullptr) LocalFree(text);
  while (!message.empty() &&
         (message.back() == L'\n' || message.back() == L'\r' ||
          message.back() == L' ' || message.back() == L'.')) {
    message.pop_back();
  }
  if (message.empty()) return "Error " + std::to_string(error);
  return Narrow(message);
}

/// "<Windows' text for error>: <path>", as Status::FromErrno on POSIX, with
/// "\" between the path's names as Windows shows them. A sharing or lock
/// violation (ERROR_SHARING_VIOLATION, ERROR_LOCK_VIOLATION: another
/// program has the file open without sharing it) is Status::HeldOpen.
inline Status ErrorStatus(DWORD error, const std::string& path) {
  std::string shown = path;
  for (char& c : shown) {
    if (c == '/') c = '\\';
  }
  std::string message = ErrorText(error) + ": " + shown;
  if (error == ERROR_SHARING_VIOLATION || error == ERROR_LOCK_VIOLATION)
    return Status::HeldOpen(std::move(message));
  return Status::Error(std::move(message));
}

}  // namespace zarvek::win32

#endif  // ZARVEK_PLATFORM_WIN32_TEXT_H_
