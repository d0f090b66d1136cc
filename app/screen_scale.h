// How the window follows the density of the screen. The design is drawn in
// pixels for a 96-dpi screen; on a denser screen the fonts grow with Tk's
// scaling, and the window and the few sizes given in pixels must grow with
// them, or the measurement table no longer fits the window.
#ifndef ZARVEK_APP_SCREEN_SCALE_H_
#define ZARVEK_APP_SCREEN_SCALE_H_

namespace zarvek {

/// Tk's scaling (pixels per point) of a 96-dpi screen.
inline constexpr double kScaling96Dpi = 96.0 / 72.0;

struct ScreenScale {
  /// What sizes drawn for 96 dpi are multiplied by; 1 on standard screens.
  double factor;
  /// The scaling to give Tk for the interface fonts.
  double tk_scaling;
};

/// The scale for a screen whose Tk scaling is `scaling`. Below 1.5 (about
/// 108 dpi) a screen counts as standard and gets the 96-dpi design as it is;
/// denser screens keep their own scaling and the factor is its ratio to
/// 96 dpi. `segoe_ui` tells whether the design's font is installed: its
/// stand-in is wider and is drawn at 15/16 of the scaling (90 dpi on a
/// standard screen) to keep the design's pixel widths.
ScreenScale ChooseScreenScale(double scaling, bool segoe_ui);

/// `pixels` of the 96-dpi design at `factor`, rounded to whole pixels.
int ScaledPixels(int pixels, double factor);

}  // namespace zarvek

#endif  // ZARVEK_APP_SCREEN_SCALE_H_
