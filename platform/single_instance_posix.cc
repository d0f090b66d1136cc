#include <fcntl.h>
#include <sys/file.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/time.h>
#include <sys/un.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <exception>
#include <utility>

#include "platform/single_instance.h"

namespace zarvek {
namespace {

// How long a later start waits for the running copy's answer.
constexpr int kAnswerSeconds = 3;

// The folder where copies of this user meet: $XDG_RUNTIME_DIR (private to
// the user by definition), else a folder of the user's own in /tmp that no
// one else can enter; "" when neither can be had safely.
std::string MeetingFolder(const std::string& name) {
  if (const char* runtime = std::getenv("XDG_RUNTIME_DIR");
      runtime != nullptr && runtime[0] == '/') {
    return runtime;
  }
  const std::string folder =
      "/tmp/" + name + "-" + std::to_string(static_cast<long>(getuid()));
  mkdir(folder.c_str(), 0700);
  struct stat st;
  if (lstat(folder.c_str(), &st) != 0 || !S_ISDIR(st.st_mode) ||
      st.st_uid != getuid() || (st.st_mode & 077) != 0) {
    return "";
  }
  return folder;
}

// Holds an exclusive flock on a file for its lifetime: claims and releases
// of the socket do not overlap, so two starts at once cannot both listen.
class FolderLock {
 public:
  explicit FolderLock(const std::string& path)
      : fd_(open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600)) {
    if (fd_ >= 0) {
      while (flock(fd_, LOCK_EX) != 0 && errno == EINTR) {
      }
    }
  }
  ~FolderLock() {
    if (fd_ >= 0) close(fd_);
  }
  FolderLock(const FolderLock&) = delete;
  FolderLock& operator=(const FolderLock&) = delete;

 private:
  int fd_;
};

class SocketInstance : public FirstInstance {
 public:
  SocketInstance(int fd, std::string socket_path, std::string lock_path)
      : fd_(fd),
        socket_path_(std::move(socket_path)),
        lock_path_(std::move(lock_path)) {}
  ~SocketInstance() override {
    if (fd_ < 0) return;
    // Removed before the socket closes, under the lock: a start in between
    // finds no socket and listens on its own, never loses it to this one.
    FolderLock lock(lock_path_);
    unlink(socket_path_.c_str());
    close(fd_);
  }

  void Listen(const WatchReadable& watch,
              std::function<void()> raise) override {
    if (fd_ < 0) return;
    const int fd = fd_;
    watch(fd, [fd, raise = std::move(raise)] {
      const int peer = accept4(fd, nullptr, nullptr, SOCK_CLOEXEC);
      if (peer < 0) return;
      try {
        raise();
      } catch (const std::exception& e) {
        // The answer below still goes: the later start ends either way.
        std::fprintf(stderr, "Error interno: %s\n", e.what());
      } catch (...) {
        std::fprintf(stderr, "Error interno: error desconocido\n");
      }
      close(peer);  // the answer: the later start reads the end
    });
  }

 private:
  int fd_;
  std::string socket_path_, lock_path_;
};

enum class Answer { kRaised, kNobody, kSilent };

// Asks the copy listening on `address` to raise its window. kNobody: no
// socket, or one that no process listens on (left by a crash).
Answer AskRunningCopy(const sockaddr_un& address) {
  const int fd = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
  if (fd < 0) return Answer::kSilent;
  timeval timeout{kAnswerSeconds, 0};
  setsockopt(fd, SOL_SOCKET, SO_RCVTIMEO, &timeout, sizeof timeout);
  setsockopt(fd, SOL_SOCKET, SO_SNDTIMEO, &timeout, sizeof timeout);
  Answer answer = Answer::kSilent;
  if (connect(fd, reinterpret_cast<const sockaddr*>(&address),
              sizeof address) == 0) {
    char byte;
    ssize_t n;
    while ((n = read(fd, &byte, 1)) < 0 && errno == EINTR) {
    }
    if (n == 0) answer = Answer::kRaised;
  } else if (errno == ECONNREFUSED || errno == ENOENT) {
    answer = Answer::kNobody;
  }
  close(fd);
  return answer;
}

}  // namespace

std::unique_ptr<FirstInstance> ClaimFirstInstance(
    const std::string& name, const std::string& /*window_title*/) {
  auto alone = std::make_unique<SocketInstance>(-1, "", "");
  const std::string folder = MeetingFolder(name);
  if (folder.empty()) return alone;
  const std::string socket_path = folder + "/" + name + ".socket";
  const std::string lock_path = folder + "/" + name + ".lock";
  sockaddr_un address{};
  address.sun_family = AF_UNIX;
  if (socket_path.size() >= sizeof address.sun_path) return alone;
  std::memcpy(address.sun_path, socket_path.c_str(), socket_path.size() + 1);

  FolderLock lock(lock_path);
  switch (AskRunningCopy(address)) {
    case Answer::kRaised:
      return nullptr;
    case Answer::kSilent:
      // A copy that hangs keeps its socket; this start runs without
      // listening.
      return alone;
    case Answer::kNobody:
      // A socket left by a copy that crashed is replaced.
      unlink(socket_path.c_str());
      break;
  }
  const int fd = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
  if (fd < 0) return alone;
  if (bind(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) !=
          0 ||
      listen(fd, 8) != 0) {
    close(fd);
    return alone;
  }
  return std::make_unique<SocketInstance>(fd, socket_path, lock_path);
}

}  // namespace zarvek
