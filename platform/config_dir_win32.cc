// The user's folders on Windows. %APPDATA% is the roaming application data
// folder that Windows sets for every session; the Documents folder is asked
// of the shell, since the user may have moved it (to OneDrive, say).
#include <windows.h>
// windows.h first: shlobj.h needs its types.
#include <shlobj.h>

#include <cstdlib>

#include "platform/config_dir.h"
#include "platform/win32_text.h"

namespace zarvek {

std::string UserConfigDir() {
  const wchar_t* appdata = _wgetenv(L"APPDATA");
  if (appdata == nullptr) return "";
  return win32::Narrow(appdata);
}

std::string UserDocumentsDir() {
  wchar_t path[MAX_PATH];
  if (SHGetFolderPathW(nullptr, CSIDL_PERSONAL, nullptr, SHGFP_TYPE_CURRENT,
                       path) != S_OK) {
    return "";
  }
  return win32::Narrow(path);
}

}  // namespace zarvek
