// Who and where the running program is, as another copy of it needs to
// know: the machine's name, the user's and the process's number, and
// whether a process of this machine still runs. The project mark
// (project/project_lock.h) is written and judged with these.
#ifndef ZARVEK_PLATFORM_MACHINE_H_
#define ZARVEK_PLATFORM_MACHINE_H_

#include <string>

namespace zarvek {

/// The machine's network name (UTF-8); "" when the system does not say.
std::string MachineName();

/// The name the user logged in with (UTF-8); "" when the system does not
/// say.
std::string LoginName();

/// The running process's number.
long long CurrentProcessId();

/// True when a process numbered `pid` exists on this machine, whoever runs
/// it. A number the system cannot tell about counts as running, so that a
/// live holder is never taken for a gone one.
bool ProcessRunning(long long pid);

}  // namespace zarvek

#endif  // ZARVEK_PLATFORM_MACHINE_H_
