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

// The first start centres the window on the monitor that holds the pointer;
// later starts put it back where it was left while it still lies wholly on
// one monitor's work area, and centre it (at its saved size, fitted) when
// not. Without monitors told apart (X11) the first place is the work area's
// top-left corner.
TEST(PlaceWindow, SavedPlaceWhileItFitsAMonitorElseCentred) {
  const FrameInsets assumed{4, 30, 4, 4};
  const FrameInsets win{8, 31, 8, 8};  // outer: 16 wider, 39 taller
  const ScreenRect primary{0, 0, 1920, 1040};
  const ScreenRect right{1920, 0, 1366, 728};
  const WorkArea on_primary{primary, win, {primary, right}};
  const WorkArea on_right{right, win, {primary, right}};
  struct Case {
    const char* what;
    std::optional<WindowPlacement> saved;
    WorkArea work;
    WindowPlacement want;
  };
  const Case cases[] = {
      {"first start, pointer on the primary",
       std::nullopt,
       on_primary,
       {950, 700, 477, 150}},
      {"first start, pointer on a short monitor",
       std::nullopt,
       on_right,
       {950, 689, 2120, 0}},
      {"left on the other monitor, still there",
       WindowPlacement{1000, 600, 2000, 50},
       on_primary,
       {1000, 600, 2000, 50}},
      {"touching the work area's edges",
       WindowPlacement{1904, 1001, 0, 0},
       on_primary,
       {1904, 1001, 0, 0}},
      {"one pixel over the taskbar",
       WindowPlacement{1904, 1001, 0, 1},
       on_primary,
       {1904, 1001, 0, 0}},
      {"its monitor is gone",
       WindowPlacement{1000, 600, 3500, 50},
       on_primary,
       {1000, 600, 452, 200}},
      {"across two monitors",
       WindowPlacement{1000, 600, 1500, 50},
       on_primary,
       {1000, 600, 452, 200}},
      {"above the top",
       WindowPlacement{1000, 600, 100, -10},
       on_primary,
       {1000, 600, 452, 200}},
      {"larger than the monitor left",
       WindowPlacement{1800, 1000, 0, 0},
       WorkArea{{0, 0, 1366, 728}, win, {{0, 0, 1366, 728}}},
       {1350, 689, 0, 0}},
      {"X11: first start at the top-left corner",
       std::nullopt,
       WorkArea{{64, 27, 1856, 1053}, std::nullopt, {}},
       {950, 700, 64, 27}},
      {"X11: saved inside the work area",
       WindowPlacement{800, 600, 300, 200},
       WorkArea{{64, 27, 1856, 1053}, std::nullopt, {}},
       {800, 600, 300, 200}},
      {"X11: saved under the left panel",
       WindowPlacement{800, 600, 10, 200},
       WorkArea{{64, 27, 1856, 1053}, std::nullopt, {}},
       {800, 600, 64, 27}},
  };
  for (const Case& c : cases) {
    const WindowPlacement got = PlaceWindow(950, 700, c.saved, c.work, assumed);
    EXPECT_EQ(WindowGeometryText(got), WindowGeometryText(c.want)) << c.what;
  }
}

TEST(PlaceWindow, GeometryTextsReadBackOrAreRefused) {
  for (const char* text : {"950x700+120+40", "1200x800+-8+-8", "200x150+0+0",
                           "3840x2100+-3840+100000"}) {
    const std::optional<WindowPlacement> placed = ParseWindowGeometry(text);
    ASSERT_TRUE(placed.has_value()) << text;
    EXPECT_EQ(WindowGeometryText(*placed), text);
  }
  for (const char* text : {"",
                           "950x700",
                           "950x700+1",
                           "950x700-5+0",
                           "950x700+0-5",
                           "950x700++5+0",
                           "199x700+0+0",
                           "950x149+0+0",
                           "-950x700+0+0",
                           "+950x700+0+0",
                           "950X700+0+0",
                           "950x700+0+0 ",
                           " 950x700+0+0",
                           "1e3x700+0+0",
                           "950.5x700+0+0",
                           "99999999999x700+0+0",
                           "950x700+100001+0",
                           "950x700+0+-100001",
                           "950x700+0+0+0",
                           "ventana"}) {
    EXPECT_FALSE(ParseWindowGeometry(text).has_value()) << text;
  }
}

}  // namespace
}  // namespace zarvek
