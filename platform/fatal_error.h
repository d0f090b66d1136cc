// Telling the person at the keyboard why the program cannot start.
#ifndef ZARVEK_PLATFORM_FATAL_ERROR_H_
#define ZARVEK_PLATFORM_FATAL_ERROR_H_

#include <string>

namespace zarvek {

/// Writes "zarvek: <message>" as one line on stderr; on Windows, where a
/// window program has no console, it also shows the message in a box.
void ReportFatalError(const std::string& message);

}  // namespace zarvek

#endif  // ZARVEK_PLATFORM_FATAL_ERROR_H_
