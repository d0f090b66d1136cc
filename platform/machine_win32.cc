#include <windows.h>

#include <cstdlib>

#include "platform/machine.h"
#include "platform/win32_text.h"

namespace zarvek {

std::string MachineName() {
  wchar_t name[MAX_COMPUTERNAME_LENGTH + 1];
  DWORD size = MAX_COMPUTERNAME_LENGTH + 1;
  if (!GetComputerNameW(name, &size)) return "";
  return win32::Narrow(std::wstring_view(name, size));
}

std::string LoginName() {
  const wchar_t* user = _wgetenv(L"USERNAME");
  return user != nullptr ? win32::Narrow(user) : "";
}

long long CurrentProcessId() { return GetCurrentProcessId(); }

bool ProcessRunning(long long pid) {
  if (pid <= 0 || pid > 0xFFFFFFFFLL) return false;
  HANDLE process = OpenProcess(SYNCHRONIZE | PROCESS_QUERY_LIMITED_INFORMATION,
                               FALSE, static_cast<DWORD>(pid));
  if (process == nullptr) {
    // Another user's process may refuse to be opened: it exists.
    return GetLastError() == ERROR_ACCESS_DENIED;
  }
  const bool running = WaitForSingleObject(process, 0) == WAIT_TIMEOUT;
  CloseHandle(process);
  return running;
}

}  // namespace zarvek
