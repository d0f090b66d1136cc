#include "app/screen_scale.h"

#include <cmath>

namespace zarvek {

ScreenScale ChooseScreenScale(double scaling, bool segoe_ui) {
  const double factor =
      std::isfinite(scaling) && scaling >= 1.5 ? scaling / kScaling96Dpi : 1.0;
  const double font_ratio = segoe_ui ? 1.0 : 0.9375;
  return {factor, factor * kScaling96Dpi * font_ratio};
}

int ScaledPixels(int pixels, double factor) {
  return static_cast<int>(std::lround(pixels * factor));
}

}  // namespace zarvek
