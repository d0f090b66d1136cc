#include "app/window_fit.h"

#include <gtest/gtest.h>

namespace zarvek {
namespace {

TEST(FitWindow, WindowAndFrameStayInsideTheWorkArea) {
  const FrameInsets assumed{4, 30, 4, 4};
  struct Case {
    const char* what;
    int width, height;
    WorkArea work;
    WindowPlacement want;
  };
  const Case cases[] = {
      {"fits, at the top-left corner",
       950,
       700,
       {{0, 0, 1920, 1040}, FrameInsets{8, 31, 8, 8}},
       {950, 700, 0, 0}},
      // 150 % on 1920x1080 with a 40-px taskbar at the bottom.
      {"too tall at 150 %",
       1425,
       1050,
       {{0, 0, 1920, 1032}, FrameInsets{11, 45, 11, 11}},
       {1425, 976, 0, 0}},
      {"1366x768 less a taskbar, no frame known",
       950,
       700,
       {{0, 0, 1366, 728}, std::nullopt},
       {950, 694, 0, 0}},
      {"a panel on the left and top",
       950,
       700,
       {{64, 27, 960, 673}, std::nullopt},
       {950, 639, 64, 27}},
      {"narrower than asked",
       950,
       700,
       {{0, 0, 800, 600}, FrameInsets{0, 0, 0, 0}},
       {800, 600, 0, 0}},
      {"no room at all",
       950,
       700,
       {{10, 10, 4, 20}, std::nullopt},
       {1, 1, 10, 10}},
  };
  for (const Case& c : cases) {
    const WindowPlacement got = FitWindow(c.width, c.height, c.work, assumed);
    EXPECT_EQ(got.width, c.want.width) << c.what;
    EXPECT_EQ(got.height, c.want.height) << c.what;
    EXPECT_EQ(got.x, c.want.x) << c.what;
    EXPECT_EQ(got.y, c.want.y) << c.what;
  }
}

}  // namespace
}  // namespace zarvek
