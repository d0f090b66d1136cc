#include <stdio.h>
#include <windows.h>

#include <cerrno>

#include "platform/process.h"
#include "platform/win32_text.h"

namespace zarvek {

std::string ExecutableDir() {
  std::wstring buffer(MAX_PATH, L'\0');
  for (;;) {
    const DWORD n = GetModuleFileNameW(nullptr, buffer.data(),
                                       static_cast<DWORD>(buffer.size()));
    if (n == 0) return {};
    if (n < buffer.size()) {
      buffer.resize(n);
      break;
    }
    buffer.resize(buffer.size() * 2);  // truncated: long path
  }
  const size_t slash = buffer.find_last_of(L"\\/");
  if (slash == std::wstring::npos) return {};
  return win32::Narrow(buffer.substr(0, slash));
}

std::string CurrentDir() {
  const DWORD n = GetCurrentDirectoryW(0, nullptr);
  if (n == 0) return ".";
  std::wstring buffer(n, L'\0');
  const DWORD got = GetCurrentDirectoryW(n, buffer.data());
  if (got == 0 || got >= n) return ".";
  buffer.resize(got);
  return win32::Narrow(buffer);
}

std::FILE* OpenFile(const std::string& path, const char* mode) {
  return _wfopen(win32::Widen(path).c_str(), win32::Widen(mode).c_str());
}

}  // namespace zarvek
