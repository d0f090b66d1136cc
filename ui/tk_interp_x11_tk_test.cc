// The Tcl binding's watch of a file descriptor (Linux only): a callback
// from Tcl's event loop cannot pass an error on, so it says so on the
// console instead of losing it, and nothing unwinds through Tcl.
#include <unistd.h>

#include <memory>
#include <stdexcept>
#include <string>

#include "gtest/gtest.h"
#include "ui/tk_interp.h"

namespace zarvek::tk {
namespace {

TEST(TkInterpX11Test, ErrorsOfWatchCallbacksReachTheConsole) {
  std::string error;
  std::unique_ptr<Interp> interp = Interp::Create("tk_interp_test", &error);
  ASSERT_TRUE(interp != nullptr) << error;
  int fds[2];
  ASSERT_EQ(pipe(fds), 0);
  ASSERT_EQ(write(fds[1], "ab", 2), 2);
  int calls = 0;
  ::testing::internal::CaptureStderr();
  ASSERT_TRUE(interp->WatchReadable(fds[0], [&] {
    char c;
    if (read(fds[0], &c, 1) != 1) return;
    if (++calls == 1) throw std::runtime_error("socket gone");
    throw 7;  // no std::exception: still no unwinding through Tcl
  }));
  for (int i = 0; i < 100 && calls < 2; ++i) interp->Call({"update"});
  const std::string console = ::testing::internal::GetCapturedStderr();
  interp.reset();
  close(fds[0]);
  close(fds[1]);
  EXPECT_EQ(calls, 2);
  EXPECT_NE(console.find("socket gone"), std::string::npos) << console;
  EXPECT_NE(console.find("error desconocido"), std::string::npos) << console;
}

}  // namespace
}  // namespace zarvek::tk
