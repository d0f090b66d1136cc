// Handing a finished file to the desktop, which opens it with the program
// associated with its type (the PDF viewer for the report). The program
// does not wait for the viewer and does not care whether it starts.
#ifndef ZARVEK_PLATFORM_SHELL_OPEN_H_
#define ZARVEK_PLATFORM_SHELL_OPEN_H_

#include <string>

namespace zarvek {

/// Starts the desktop's opener (xdg-open, found on PATH) for `path` and
/// returns at once. The path is passed as one argument, never through a
/// shell. The opener runs in its own session, detached from this process,
/// so no child is left to reap, with its standard input, output and error
/// on /dev/null. Every failure is ignored.
void OpenWithDesktop(const std::string& path);

}  // namespace zarvek

#endif  // ZARVEK_PLATFORM_SHELL_OPEN_H_
