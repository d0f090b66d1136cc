// Facts about the running program that differ by operating system: where
// its executable lives and the working folder; and how it opens a file.
// Paths are UTF-8 on every system.
#ifndef ZARVEK_PLATFORM_PROCESS_H_
#define ZARVEK_PLATFORM_PROCESS_H_

#include <cstdio>
#include <string>

namespace zarvek {

/// The folder holding the running executable, "" when it cannot be told.
std::string ExecutableDir();

/// The current working folder, "." when it cannot be read.
std::string CurrentDir();

/// std::fopen for a UTF-8 path: on Windows the path goes to the system as
/// UTF-16, so names outside the ANSI code page open too. errno is set on
/// failure as std::fopen sets it.
std::FILE* OpenFile(const std::string& path, const char* mode);

}  // namespace zarvek

#endif  // ZARVEK_PLATFORM_PROCESS_H_
