// ExchangeFiles on Windows: ReplaceFileW puts the new file in place and
// keeps the replaced one under a backup name in the same step (it keeps the
// replaced file's attributes and security too); the backup is then moved to
// the temporary file's name, which ReplaceFileW has freed. MoveFileExW
// without MOVEFILE_REPLACE_EXISTING puts the file where nothing stands.
#include <windows.h>

#include "platform/file_exchange.h"
#include "platform/win32_text.h"

namespace zarvek {

Status ExchangeFiles(const std::string& temp, const std::string& path,
                     bool* was_missing) {
  *was_missing = false;
  const std::wstring wide_temp = win32::Widen(temp);
  const std::wstring wide_path = win32::Widen(path);
  const std::wstring backup = win32::Widen(temp + ".old");
  for (int round = 0; round < 2; ++round) {
    if (ReplaceFileW(wide_path.c_str(), wide_temp.c_str(), backup.c_str(),
                     REPLACEFILE_IGNORE_MERGE_ERRORS, nullptr, nullptr)) {
      if (!MoveFileExW(backup.c_str(), wide_temp.c_str(),
                       MOVEFILE_WRITE_THROUGH)) {
        return win32::ErrorStatus(GetLastError(), temp + ".old");
      }
      return Status::OK();
    }
    DWORD err = GetLastError();
    if (err == ERROR_UNABLE_TO_MOVE_REPLACEMENT_2) {
      // The old file went to the backup name and the new one stayed where
      // it was: the old one goes back.
      MoveFileExW(backup.c_str(), wide_path.c_str(), MOVEFILE_WRITE_THROUGH);
    }
    if (err != ERROR_FILE_NOT_FOUND) return win32::ErrorStatus(err, path);
    if (MoveFileExW(wide_temp.c_str(), wide_path.c_str(),
                    MOVEFILE_WRITE_THROUGH)) {
      *was_missing = true;
      return Status::OK();
    }
    err = GetLastError();
    if (err != ERROR_ALREADY_EXISTS && err != ERROR_FILE_EXISTS) {
      return win32::ErrorStatus(err, path);
    }
  }
  return win32::ErrorStatus(ERROR_BUSY, path);
}

}  // namespace zarvek
