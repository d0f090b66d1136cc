// Opening a file with the program Windows associates with its type.
#include <windows.h>
// windows.h first: shellapi.h needs its types.
#include <shellapi.h>

#include "platform/shell_open.h"
#include "platform/win32_text.h"

namespace zarvek {

// ShellExecuteW takes the path as one argument (no command line is parsed)
// and returns once the association has been started; failures are ignored
// as on POSIX.
void OpenWithDesktop(const std::string& path) {
  ShellExecuteW(nullptr, L"open", win32::Widen(path).c_str(), nullptr, nullptr,
                SW_SHOWNORMAL);
}

}  // namespace zarvek
