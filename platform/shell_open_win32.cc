// Opening a file with the program Windows associates with its type.
#include <windows.h>
// windows.h first: shellapi.h needs its types.
#include <shellapi.h>

#include "platform/shell_open.h"
#include "platform/win32_text.h"

namespace zarvek {

// ShellExecuteW takes the path as one argument (no command line is parsed)
// and returns once the association has been started; failures are ignored
// as on POSIX. Paths chosen in Tk's dialogs use "/", which the shell does
// not take everywhere; it gets Windows' own separator.
void OpenWithDesktop(const std::string& path) {
  std::wstring file = win32::Widen(path);
  for (wchar_t& c : file) {
    if (c == L'/') c = L'\\';
  }
  ShellExecuteW(nullptr, L"open", file.c_str(), nullptr, nullptr,
                SW_SHOWNORMAL);
}

}  // namespace zarvek
