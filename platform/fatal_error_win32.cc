#include <windows.h>

#include <cstdio>

#include "platform/fatal_error.h"
#include "platform/win32_text.h"

namespace zarvek {

void ReportFatalError(const std::string& message) {
  std::fprintf(stderr, "zarvek: %s\n", message.c_str());
  MessageBoxW(nullptr, win32::Widen(message).c_str(), L"zarvek",
              MB_OK | MB_ICONERROR);
}

}  // namespace zarvek
