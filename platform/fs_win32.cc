// FileSystem on Windows. Paths are UTF-8 inside the program and go to the
// wide (UTF-16) Win32 calls; both separators are accepted. Errors carry
// Windows' own text and the path concerned.
#include <windows.h>

#include "platform/atomic_file.h"
#include "platform/fs.h"
#include "platform/read_file.h"
#include "platform/win32_text.h"
#include "platform/wrapped_file.h"

namespace zarvek {
namespace {

bool IsSeparator(char c) { return c == '/' || c == '\\'; }

// The path with its last component removed ("C:\a\b" -> "C:\a"), or "" at a
// root ("C:\", "C:", "\\server\share") or a single relative component: there
// is nothing left to create above those.
std::string ParentOf(const std::string& path) {
  size_t end = path.size();
  while (end > 0 && IsSeparator(path[end - 1])) --end;
  size_t slash = end;
  while (slash > 0 && !IsSeparator(path[slash - 1])) --slash;
  if (slash == 0) return "";
  size_t parent_end = slash;
  while (parent_end > 0 && IsSeparator(path[parent_end - 1])) --parent_end;
  if (parent_end == 0) return "";                                   // "\a"
  if (parent_end == 2 && path[1] == ':') return path.substr(0, 3);  // "C:\"
  if (path.size() > 1 && IsSeparator(path[0]) && IsSeparator(path[1])) {
    // "\\server\share\a": the share is the root.
    size_t separators = 0;
    for (size_t i = 2; i < parent_end; ++i) separators += IsSeparator(path[i]);
    if (separators == 0) return "";
  }
  return path.substr(0, parent_end);
}

DWORD Attributes(const std::string& path) {
  return GetFileAttributesW(win32::Widen(path).c_str());
}

// True when `path` itself is a symbolic link or a junction (whose targets
// GetFileAttributesW does not follow). Other reparse points, such as the
// placeholders of synchronised cloud folders, are the folders they seem.
bool IsLink(const std::string& path) {
  const DWORD attributes = Attributes(path);
  if (attributes == INVALID_FILE_ATTRIBUTES ||
      (attributes & FILE_ATTRIBUTE_REPARSE_POINT) == 0) {
    return false;
  }
  WIN32_FIND_DATAW data;
  HANDLE find = FindFirstFileExW(win32::Widen(path).c_str(), FindExInfoBasic,
                                 &data, FindExSearchNameMatch, nullptr, 0);
  if (find == INVALID_HANDLE_VALUE) return true;
  FindClose(find);
  return data.dwReserved0 == IO_REPARSE_TAG_SYMLINK ||
         data.dwReserved0 == IO_REPARSE_TAG_MOUNT_POINT;
}

// Calls `each(entry)` for every entry of the folder `path` but "." and
// "..", in the order the system lists them. The listing carries each
// entry's attributes, size and time. A folder that cannot be listed is
// Windows' text and the path; an empty drive root is an empty folder.
template <typename Each>
Status ForEachEntry(const std::string& path, Each each) {
  std::wstring pattern = win32::Widen(path);
  if (!pattern.empty() && pattern.back() != L'\\' && pattern.back() != L'/') {
    pattern += L'\\';
  }
  pattern += L'*';
  WIN32_FIND_DATAW entry;
  HANDLE find = FindFirstFileExW(pattern.c_str(), FindExInfoBasic, &entry,
                                 FindExSearchNameMatch, nullptr, 0);
  if (find == INVALID_HANDLE_VALUE) {
    const DWORD err = GetLastError();
    // An empty drive root has no entries at all; a folder always has "."
    const DWORD attributes = Attributes(path);
    if (err == ERROR_FILE_NOT_FOUND && attributes != INVALID_FILE_ATTRIBUTES &&
        (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0) {
      return Status::OK();
    }
    return win32::ErrorStatus(err, path);
  }
  do {
    const std::wstring name = entry.cFileName;
    if (name == L"." || name == L"..") continue;
    each(entry);
  } while (FindNextFileW(find, &entry));
  const DWORD err = GetLastError();
  FindClose(find);
  if (err != ERROR_NO_MORE_FILES) return win32::ErrorStatus(err, path);
  return Status::OK();
}

class Win32FileSystem : public FileSystem {
 public:
  bool Exists(const std::string& path) override {
    return Attributes(path) != INVALID_FILE_ATTRIBUTES;
  }

  bool IsDirectory(const std::string& path) override {
    const DWORD attributes = Attributes(path);
    return attributes != INVALID_FILE_ATTRIBUTES &&
           (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
  }

  bool IsRealDirectory(const std::string& path) override {
    return IsDirectory(path) && !IsLink(path);
  }

  Status ListDir(const std::string& path,
                 std::vector<std::string>* names) override {
    names->clear();
    const Status status =
        ForEachEntry(path, [names](const WIN32_FIND_DATAW& entry) {
          names->push_back(win32::Narrow(entry.cFileName));
        });
    if (!status.ok()) names->clear();
    return status;
  }

  // As on POSIX: the folder itself first, its parents only when the system
  // says the path above is missing.
  Status MakeDirs(const std::string& path) override {
    if (CreateDirectoryW(win32::Widen(path).c_str(), nullptr)) {
      return Status::OK();
    }
    DWORD err = GetLastError();
    if (err == ERROR_PATH_NOT_FOUND) {
      const std::string parent = ParentOf(path);
      if (parent.empty()) return win32::ErrorStatus(err, path);
      Status status = MakeDirs(parent);
      if (!status.ok()) return status;
      if (CreateDirectoryW(win32::Widen(path).c_str(), nullptr)) {
        return Status::OK();
      }
      err = GetLastError();
    }
    // A drive root reports "access denied" rather than "already exists".
    // A junction or link is refused even when it leads to a folder: what is
    // made to be written into must be a folder here, not somewhere else.
    if (IsLink(path)) {
      return Status::Error(std::string(kLinkNotAFolderReason) + ": " + path);
    }
    if ((err == ERROR_ALREADY_EXISTS || err == ERROR_ACCESS_DENIED) &&
        IsDirectory(path)) {
      return Status::OK();
    }
    return win32::ErrorStatus(err, path);
  }

  Status ReadPrefix(const std::string& path, size_t max_bytes,
                    std::string* bytes, bool* missing) override {
    return ReadFilePrefix(path, max_bytes, bytes, missing);
  }

  Status ReadFile(const std::string& path, size_t max_bytes,
                  std::string* bytes) override {
    return ReadWholeFile(path, max_bytes, bytes);
  }

  Status WriteAtomically(const std::string& path,
                         std::string_view bytes) override {
    return WriteFileAtomically(path, bytes);
  }

  Status CreateNewFile(const std::string& path, std::string_view bytes,
                       bool* existed) override {
    *existed = false;
    const std::wstring target = win32::Widen(path);
    if (GetFileAttributesW(target.c_str()) != INVALID_FILE_ATTRIBUTES) {
      *existed = true;
      return Status::OK();
    }
    std::string temp;
    Status status = WriteTemporary(path, bytes, &temp);
    if (!status.ok()) return status;
    // Without MOVEFILE_REPLACE_EXISTING the move never replaces: of several
    // at once, one wins.
    const std::wstring wide_temp = win32::Widen(temp);
    if (MoveFileExW(wide_temp.c_str(), target.c_str(),
                    MOVEFILE_WRITE_THROUGH)) {
      return Status::OK();
    }
    const DWORD err = GetLastError();
    DeleteFileW(wide_temp.c_str());
    // Another program's move of the same name may still be under way: the
    // system then says "access denied" rather than "exists". Either way,
    // a name that stands now was taken by someone else.
    if (err == ERROR_ALREADY_EXISTS || err == ERROR_FILE_EXISTS ||
        GetFileAttributesW(target.c_str()) != INVALID_FILE_ATTRIBUTES) {
      *existed = true;
      return Status::OK();
    }
    return win32::ErrorStatus(err, path);
  }

  Status RemoveFile(const std::string& path) override {
    if (!DeleteFileW(win32::Widen(path).c_str()))
      return win32::ErrorStatus(GetLastError(), path);
    return Status::OK();
  }

  // Neither a folder nor a device: a pipe or console name would block.
  bool IsFile(const std::string& path) override {
    const DWORD attributes = Attributes(path);
    return attributes != INVALID_FILE_ATTRIBUTES &&
           (attributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_DEVICE)) ==
               0;
  }

  Status ReadDecodedPrefix(const std::string& path, std::size_t max_bytes,
                           const EnoughBytes& enough,
                           DecodedPrefix* prefix) override {
    return ReadDecodedPrefixOnDisk(path, max_bytes, enough, prefix);
  }

  Status WriteDecodedCopy(const std::string& source, std::size_t prefix_length,
                          std::string_view new_prefix,
                          const std::string& target,
                          const CopyWatch& watch) override {
    return WriteDecodedCopyOnDisk(source, prefix_length, new_prefix, target,
                                  watch);
  }

  Status ReadDecoded(const std::string& path, const DecodedPieces& take,
                     FileWrapper* wrapper) override {
    return ReadDecodedOnDisk(path, take, wrapper);
  }

  Status WriteChangedCopy(const std::string& source, const PieceChange& change,
                          const std::string& target,
                          const CopyWatch& watch) override {
    return WriteChangedCopyOnDisk(source, change, target, watch);
  }

  bool Stat(const std::string& path, FileStamp* stamp) override {
    WIN32_FILE_ATTRIBUTE_DATA data;
    if (!GetFileAttributesExW(win32::Widen(path).c_str(), GetFileExInfoStandard,
                              &data)) {
      return false;
    }
    auto ns = [](const FILETIME& t) {
      return static_cast<std::int64_t>(
                 (static_cast<std::uint64_t>(t.dwHighDateTime) << 32) |
                 t.dwLowDateTime) *
             100;
    };
    stamp->size = (static_cast<std::uint64_t>(data.nFileSizeHigh) << 32) |
                  data.nFileSizeLow;
    stamp->modified_ns = ns(data.ftLastWriteTime);
    stamp->changed_ns = ns(data.ftCreationTime);
    return true;
  }

  Status FreeSpace(const std::string& path, DiskSpace* space) override {
    ULARGE_INTEGER free, total;
    if (!GetDiskFreeSpaceExW(win32::Widen(path).c_str(), &free, &total,
                             nullptr)) {
      return win32::ErrorStatus(GetLastError(), path);
    }
    space->free = free.QuadPart;
    space->total = total.QuadPart;
    return Status::OK();
  }

  // The listing itself carries each entry's attributes, size and time.
  // A link's entry describes the link: it counts as what its attributes say.
  Status ListDirInfo(const std::string& path, const PrefixRequest& prefixes,
                     std::vector<DirEntryInfo>* entries) override {
    entries->clear();
    const Status status =
        ForEachEntry(path, [entries](const WIN32_FIND_DATAW& entry) {
          entries->push_back(EntryInfo(entry));
        });
    if (!status.ok()) {
      entries->clear();
      return status;
    }
    ReadPrefixes(path, prefixes, entries);
    return Status::OK();
  }

 private:
  // One entry of ListDirInfo, from the listing alone.
  static DirEntryInfo EntryInfo(const WIN32_FIND_DATAW& entry) {
    DirEntryInfo info;
    info.name = win32::Narrow(entry.cFileName);
    info.is_dir = (entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
    info.is_file =
        !info.is_dir && (entry.dwFileAttributes & FILE_ATTRIBUTE_DEVICE) == 0;
    info.size = (static_cast<std::uint64_t>(entry.nFileSizeHigh) << 32) |
                entry.nFileSizeLow;
    // 100-ns intervals since 1601-01-01.
    const std::uint64_t ticks =
        (static_cast<std::uint64_t>(entry.ftLastWriteTime.dwHighDateTime)
         << 32) |
        entry.ftLastWriteTime.dwLowDateTime;
    constexpr std::uint64_t kTicksTo1970 = 116444736000000000ULL;
    const std::uint64_t since_1970 =
        ticks > kTicksTo1970 ? ticks - kTicksTo1970 : 0;
    info.mtime_s = static_cast<std::int64_t>(since_1970 / 10000000);
    info.mtime_ns = static_cast<std::int32_t>(since_1970 % 10000000) * 100;
    return info;
  }
};

}  // namespace

FileSystem& RealFileSystem() {
  static Win32FileSystem* const fs = new Win32FileSystem();
  return *fs;
}

}  // namespace zarvek
