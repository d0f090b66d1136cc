#include <pwd.h>
#include <signal.h>
#include <sys/types.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdlib>

#include "platform/machine.h"

namespace zarvek {

std::string MachineName() {
  char name[256] = {};
  if (gethostname(name, sizeof name - 1) != 0) return "";
  return name;
}

std::string LoginName() {
  if (const passwd* entry = getpwuid(geteuid()); entry != nullptr)
    return entry->pw_name;
  const char* user = std::getenv("USER");
  return user != nullptr ? user : "";
}

long long CurrentProcessId() { return getpid(); }

bool ProcessRunning(long long pid) {
  // kill() with signal 0 only checks: EPERM means the process exists but is
  // another user's. Numbers beyond pid_t name no process.
  if (pid <= 0 || pid > INT_MAX) return false;
  if (kill(static_cast<pid_t>(pid), 0) == 0) return true;
  return errno != ESRCH;
}

}  // namespace zarvek
