#include <fcntl.h>
#include <signal.h>
#include <sys/types.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <string>
#include <vector>

#include "platform/shell_open.h"

extern char** environ;

namespace zarvek {
namespace {

constexpr char kOpener[] = "xdg-open";

// The candidate locations of the opener, in PATH order. Worked out before
// fork(), because between fork() and exec only async-signal-safe calls are
// allowed and a PATH search would allocate.
std::vector<std::string> OpenerCandidates() {
  const char* env = std::getenv("PATH");
  const std::string path =
      env != nullptr ? env : "/usr/local/bin:/usr/bin:/bin";
  std::vector<std::string> out;
  std::string::size_type start = 0;
  while (true) {
    const std::string::size_type end = path.find(':', start);
    const std::string dir = path.substr(
        start, end == std::string::npos ? std::string::npos : end - start);
    // An empty entry means the current folder.
    std::string candidate = (dir.empty() ? std::string(".") : dir) + "/";
    candidate += kOpener;
    if (::access(candidate.c_str(), X_OK) == 0) out.push_back(candidate);
    if (end == std::string::npos) break;
    start = end + 1;
  }
  return out;
}

// Runs in the grandchild: only async-signal-safe calls from here on. The
// opener and whatever it starts read nothing and write nowhere: without a
// viewer, xdg-open and its helpers print a screenful of errors that would
// land on the terminal the program was started from.
[[noreturn]] void ExecOpener(const std::vector<std::string>& candidates,
                             char* const argv[]) {
  ::setsid();
  const int null_fd = ::open("/dev/null", O_RDWR);
  if (null_fd >= 0) {
    ::dup2(null_fd, STDIN_FILENO);
    ::dup2(null_fd, STDOUT_FILENO);
    ::dup2(null_fd, STDERR_FILENO);
    if (null_fd > STDERR_FILENO) ::close(null_fd);
  }
  struct sigaction dfl = {};
  dfl.sa_handler = SIG_DFL;
  ::sigaction(SIGPIPE, &dfl, nullptr);
  sigset_t none;
  ::sigemptyset(&none);
  ::sigprocmask(SIG_SETMASK, &none, nullptr);
  for (const std::string& c : candidates) ::execve(c.c_str(), argv, environ);
  ::_exit(127);
}

}  // namespace

void OpenWithDesktop(const std::string& path) {
  const std::vector<std::string> candidates = OpenerCandidates();
  if (candidates.empty()) return;
  // A path that starts with "-" would be read as an option.
  std::string arg = (!path.empty() && path[0] == '-') ? "./" + path : path;
  std::string name = kOpener;
  char* argv[] = {name.data(), arg.data(), nullptr};

  // Double fork: the intermediate child starts the opener and exits at once,
  // so the opener is adopted by init and this process has nothing left to
  // wait for.
  const pid_t child = ::fork();
  if (child < 0) return;
  if (child == 0) {
    const pid_t grandchild = ::fork();
    if (grandchild == 0) ExecOpener(candidates, argv);
    ::_exit(grandchild < 0 ? 1 : 0);
  }
  int status = 0;
  while (::waitpid(child, &status, 0) < 0 && errno == EINTR) {
  }
}

}  // namespace zarvek
