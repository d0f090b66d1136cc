// Atomic replace on Windows: the bytes go to "<path>.XXXXXX.tmp" in the same
// folder (created exclusively), are flushed with FlushFileBuffers, and the
// temporary file is moved over the target with MoveFileExW. That move either
// happens whole or not at all: when the target is held open by a program
// that does not share it for deletion (a PDF viewer showing the report), it
// fails with a sharing or access error, the temporary file is removed and
// the earlier file stays as it was.
//
// ReplaceFileW is not used: when it fails half way without a backup name it
// can leave the target gone and the new bytes under the temporary name.
#include <windows.h>

#include <atomic>

#include "platform/atomic_file.h"
#include "platform/win32_text.h"

namespace zarvek {
namespace {

constexpr char kDigits[] = "0123456789abcdefghijklmnopqrstuvwxyz";

// Six characters that differ between calls and between processes; the
// exclusive create below settles any clash.
std::string UniqueSuffix(unsigned attempt) {
  static std::atomic<unsigned> counter{0};
  unsigned long long seed = GetCurrentProcessId();
  seed = seed * 1000003u + GetTickCount64();
  seed = seed * 1000003u + counter.fetch_add(1) + attempt * 7919u;
  std::string out(6, '0');
  for (char& c : out) {
    c = kDigits[seed % 36];
    seed /= 36;
  }
  return out;
}

bool WriteAll(HANDLE file, std::string_view bytes) {
  const char* p = bytes.data();
  size_t left = bytes.size();
  while (left > 0) {
    const DWORD chunk =
        left > (1u << 30) ? (1u << 30) : static_cast<DWORD>(left);
    DWORD written = 0;
    if (!WriteFile(file, p, chunk, &written, nullptr)) return false;
    p += written;
    left -= written;
  }
  return true;
}

// True when another program holds `path` open without sharing deletion.
bool InUse(const std::wstring& path) {
  HANDLE file =
      CreateFileW(path.c_str(), DELETE,
                  FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                  nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) {
    return GetLastError() == ERROR_SHARING_VIOLATION;
  }
  CloseHandle(file);
  return false;
}

// Removes the temporary files of `path` that saves killed before their
// move left in its folder, once they are old enough not to be a save under
// way. Only ordinary files are removed; failures are ignored.
void RemoveStaleTemporaries(const std::string& path) {
  const std::string::size_type slash = path.find_last_of("/\\");
  const std::string folder =
      slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
  const std::string target =
      slash == std::string::npos ? path : path.substr(slash + 1);
  WIN32_FIND_DATAW found;
  HANDLE find =
      FindFirstFileW(win32::Widen(path + ".??????.tmp").c_str(), &found);
  if (find == INVALID_HANDLE_VALUE) return;
  FILETIME now_time;
  GetSystemTimeAsFileTime(&now_time);
  ULARGE_INTEGER now;
  now.LowPart = now_time.dwLowDateTime;
  now.HighPart = now_time.dwHighDateTime;
  // FILETIME counts 100-nanosecond intervals.
  const unsigned long long stale = kStaleTemporaryAge.count() * 10000000ull;
  do {
    if ((found.dwFileAttributes &
         (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT)) != 0) {
      continue;
    }
    const std::string name = win32::Narrow(found.cFileName);
    if (!IsTemporaryNameOf(name, target)) continue;
    ULARGE_INTEGER written;
    written.LowPart = found.ftLastWriteTime.dwLowDateTime;
    written.HighPart = found.ftLastWriteTime.dwHighDateTime;
    if (now.QuadPart < written.QuadPart + stale) continue;
    DeleteFileW(win32::Widen(folder + name).c_str());
  } while (FindNextFileW(find, &found));
  FindClose(find);
}

}  // namespace

Status WriteTemporaryFrom(const std::string& path, const NextPiece& next,
                          std::string* temp_path) {
  const std::wstring target = win32::Widen(path);
  // A read-only file is not replaced, although the folder would allow the
  // move; the attribute is read from a link itself, not from its target.
  const DWORD attributes = GetFileAttributesW(target.c_str());
  if (attributes != INVALID_FILE_ATTRIBUTES &&
      (attributes & FILE_ATTRIBUTE_READONLY) != 0 &&
      (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0) {
    return win32::ErrorStatus(ERROR_FILE_READ_ONLY, path);
  }
  RemoveStaleTemporaries(path);
  // A file whose name starts with "." is hidden, as on other systems: here
  // that is the hidden attribute, which the move keeps.
  const size_t slash = path.find_last_of("/\\");
  const bool hidden =
      path.compare(slash == std::string::npos ? 0 : slash + 1, 1, ".") == 0;
  std::wstring temp;
  HANDLE file = INVALID_HANDLE_VALUE;
  for (unsigned attempt = 0; attempt < 100; ++attempt) {
    temp = win32::Widen(path + "." + UniqueSuffix(attempt) + ".tmp");
    // No sharing: nobody else reads the bytes before they are complete.
    file = CreateFileW(temp.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                       hidden ? FILE_ATTRIBUTE_HIDDEN : FILE_ATTRIBUTE_NORMAL,
                       nullptr);
    if (file != INVALID_HANDLE_VALUE) break;
    const DWORD err = GetLastError();
    if (err != ERROR_FILE_EXISTS && err != ERROR_ALREADY_EXISTS) {
      return win32::ErrorStatus(err, path);
    }
  }
  if (file == INVALID_HANDLE_VALUE) {
    return win32::ErrorStatus(ERROR_FILE_EXISTS, path);
  }

  auto fail = [&](DWORD err, bool open) {
    if (open) CloseHandle(file);
    DeleteFileW(temp.c_str());
    return win32::ErrorStatus(err, path);
  };

  for (bool done = false; !done;) {
    std::string_view piece;
    const Status status = next(&piece, &done);
    if (!status.ok()) {
      CloseHandle(file);
      DeleteFileW(temp.c_str());
      return status;
    }
    if (!WriteAll(file, piece)) return fail(GetLastError(), true);
  }
  if (!FlushFileBuffers(file)) return fail(GetLastError(), true);
  if (!CloseHandle(file)) return fail(GetLastError(), false);
  *temp_path = win32::Narrow(temp);
  return Status::OK();
}

Status WriteFileAtomicallyFrom(const std::string& path, const NextPiece& next) {
  std::string temp_path;
  const Status written = WriteTemporaryFrom(path, next, &temp_path);
  if (!written.ok()) return written;
  const std::wstring target = win32::Widen(path);
  const std::wstring temp = win32::Widen(temp_path);
  auto fail = [&](DWORD err) {
    DeleteFileW(temp.c_str());
    return win32::ErrorStatus(err, path);
  };
  if (!MoveFileExW(temp.c_str(), target.c_str(),
                   MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
    DWORD err = GetLastError();
    // Windows says "access denied" for a target that another program holds
    // open; the user is told that it is in use, which says what to do.
    if (err == ERROR_ACCESS_DENIED && InUse(target)) {
      err = ERROR_SHARING_VIOLATION;
    }
    return fail(err);
  }
  return Status::OK();
}

}  // namespace zarvek
