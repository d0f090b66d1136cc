// One window per user, on Linux: the first start listens, a second one,
// in this process or as the built program, ends after asking the first to
// show its window; "--nueva-ventana" opens a window of its own.
#include <signal.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <future>
#include <memory>
#include <stdexcept>
#include <string>

#include "app/app_text.h"
#include "platform/single_instance.h"
#include "testing/gui_fixture.h"
#include "testing/temp_dir.h"

namespace zarvek {
namespace {

namespace fs = std::filesystem;

class SingleInstanceTest : public testing::GuiTest {
 protected:
  // Starts a second copy on another thread, running this one's event loop
  // meanwhile; true when the second was told to end.
  bool SecondStartEnds() {
    std::future<bool> second = std::async(std::launch::async, [] {
      return ClaimFirstInstance("ZarvekPrueba", kWindowTitle) == nullptr;
    });
    const auto deadline =
        std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (second.wait_for(std::chrono::milliseconds(10)) !=
               std::future_status::ready &&
           std::chrono::steady_clock::now() < deadline) {
      Call({"update"});
    }
    EXPECT_EQ(second.wait_for(std::chrono::seconds(0)),
              std::future_status::ready);
    return second.get();
  }
  // The window's event loop, as the program hands it to the claim.
  FirstInstance::WatchReadable Watch() {
    return [this](int fd, std::function<void()> fn) {
      return interp_->WatchReadable(fd, std::move(fn));
    };
  }

  testing::TempDir temp_;
  const fs::path& dir_ = temp_.path();
};

// The runtime folder where copies of the program meet, for one test.
class RuntimeDir {
 public:
  explicit RuntimeDir(const fs::path& path) {
    const char* old = std::getenv("XDG_RUNTIME_DIR");
    if (old != nullptr) old_ = old;
    had_ = old != nullptr;
    setenv("XDG_RUNTIME_DIR", path.c_str(), 1);
  }
  ~RuntimeDir() {
    if (had_) {
      setenv("XDG_RUNTIME_DIR", old_.c_str(), 1);
    } else {
      unsetenv("XDG_RUNTIME_DIR");
    }
  }

 private:
  std::string old_;
  bool had_ = false;
};

// A second start asks the first to show its window: the first, iconified,
// comes back; once it has gone, the next start is the first again.
TEST_F(SingleInstanceTest, ASecondStartBringsTheFirstWindowBack) {
  RuntimeDir runtime(dir_);
  MakeApp();
  std::unique_ptr<FirstInstance> first =
      ClaimFirstInstance("ZarvekPrueba", kWindowTitle);
  ASSERT_NE(first, nullptr);
  first->Listen(Watch(), [this] { BringToFront(*interp_); });
  // Hidden: without a window manager an iconified window stays in view.
  Call({"wm", "withdraw", "."});
  Call({"update"});
  ASSERT_EQ(Call({"wm", "state", "."}), "withdrawn");

  EXPECT_TRUE(SecondStartEnds());
  EXPECT_EQ(Call({"wm", "state", "."}), "normal");

  // A copy that crashed leaves its socket behind, with no one listening:
  // the next start takes its place.
  first.reset();
  const fs::path socket_path = dir_ / "ZarvekPrueba.socket";
  ASSERT_FALSE(fs::exists(socket_path));
  sockaddr_un address{};
  address.sun_family = AF_UNIX;
  std::strcpy(address.sun_path, socket_path.c_str());
  const auto* raw = reinterpret_cast<const sockaddr*>(&address);
  const int left = socket(AF_UNIX, SOCK_STREAM, 0);
  ASSERT_EQ(bind(left, raw, sizeof address), 0);
  close(left);
  ASSERT_TRUE(fs::exists(socket_path));
  std::unique_ptr<FirstInstance> next =
      ClaimFirstInstance("ZarvekPrueba", kWindowTitle);
  ASSERT_NE(next, nullptr);
  const int probe = socket(AF_UNIX, SOCK_STREAM, 0);
  EXPECT_EQ(connect(probe, raw, sizeof address), 0);  // listening again
  close(probe);
}

// A window that cannot be raised still answers the later start, which
// ends; why it could not is on the console.
TEST_F(SingleInstanceTest, AFailingRaiseStillAnswersAndSaysWhy) {
  RuntimeDir runtime(dir_);
  std::unique_ptr<FirstInstance> first =
      ClaimFirstInstance("ZarvekPrueba", kWindowTitle);
  ASSERT_NE(first, nullptr);
  first->Listen(Watch(),
                [] { throw std::runtime_error("ventana destruida"); });
  ::testing::internal::CaptureStderr();
  const bool ended = SecondStartEnds();
  const std::string console = ::testing::internal::GetCapturedStderr();
  EXPECT_TRUE(ended);
  EXPECT_NE(console.find("ventana destruida"), std::string::npos) << console;
}

// The built program, started twice: the second start ends at once with
// status 0 and the first stays; "--nueva-ventana" opens a window of its own.
TEST(ProgramTest, ASecondStartEndsAndNuevaVentanaOpensItsOwn) {
  testing::TempDir runtime;
  const std::string env = "env XDG_RUNTIME_DIR='" + runtime.path().string() +
                          "' XDG_CONFIG_HOME='" + runtime.path().string() +
                          "/config' ";
  const std::string program = std::string(ZARVEK_BINARY_DIR) + "/zarvek";
  FILE* p = popen((env + program + " >/dev/null 2>&1 & echo $!").c_str(), "r");
  ASSERT_NE(p, nullptr);
  char line[64] = {};
  ASSERT_NE(fgets(line, sizeof line, p), nullptr);
  pclose(p);
  const pid_t first = static_cast<pid_t>(std::atol(line));
  ASSERT_GT(first, 0);
  // The first copy ends with the test, whatever fails on the way.
  struct Ender {
    pid_t pid;
    ~Ender() {
      kill(pid, SIGTERM);
      for (int i = 0; i < 200 && kill(pid, 0) == 0; ++i) usleep(50'000);
    }
  } ender{first};
  const fs::path socket = runtime.path() / "ZarvekCertificacion.socket";
  for (int i = 0; i < 300 && !fs::exists(socket); ++i) usleep(50'000);
  ASSERT_TRUE(fs::exists(socket));

  const auto start = std::chrono::steady_clock::now();
  const int second = std::system((env + "timeout 20 " + program).c_str());
  EXPECT_TRUE(WIFEXITED(second));
  EXPECT_EQ(WEXITSTATUS(second), 0);
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(5));
  EXPECT_EQ(kill(first, 0), 0);  // the first still runs

  const int own =
      std::system((env + "timeout 2 " + program + " --nueva-ventana").c_str());
  EXPECT_EQ(WEXITSTATUS(own), 124);  // still running when stopped
}

}  // namespace
}  // namespace zarvek
