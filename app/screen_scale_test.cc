#include "app/screen_scale.h"

#include "gtest/gtest.h"

namespace zarvek {
namespace {

TEST(ScreenScaleTest, StandardScreensKeepTheDesignDenseOnesGrow) {
  const struct {
    double scaling;
    bool segoe;
    double factor;
    double tk_scaling;
    int window_width;  // of the 950-pixel design
  } cases[] = {
      {1.0, true, 1.0, 96.0 / 72, 950},
      {1.3894, true, 1.0, 96.0 / 72, 950},  // Xvfb's 100 dpi
      {1.3894, false, 1.0, 1.25, 950},
      {1.4999, false, 1.0, 1.25, 950},
      {2.0, true, 1.5, 2.0, 1425},  // 144 dpi
      {192.0 / 72, true, 2.0, 192.0 / 72, 1900},
      {192.0 / 72, false, 2.0, 2.5, 1900},
      {0.0 / 0.0, true, 1.0, 96.0 / 72, 950},  // unreadable scaling
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.scaling);
    const ScreenScale scale = ChooseScreenScale(c.scaling, c.segoe);
    EXPECT_DOUBLE_EQ(scale.factor, c.factor);
    EXPECT_DOUBLE_EQ(scale.tk_scaling, c.tk_scaling);
    EXPECT_EQ(ScaledPixels(950, scale.factor), c.window_width);
  }
}

}  // namespace
}  // namespace zarvek
