#include "app/window_fit.h"

#include <algorithm>

namespace zarvek {

WindowPlacement FitWindow(int width, int height, const WorkArea& work,
                          const FrameInsets& assumed) {
  const FrameInsets frame = work.frame.value_or(assumed);
  const ScreenRect& area = work.area;
  const int across = frame.left + frame.right;
  const int down = frame.top + frame.bottom;
  WindowPlacement placed;
  placed.width = std::max(1, std::min(width, area.width - across));
  placed.height = std::max(1, std::min(height, area.height - down));
  placed.x = area.x;
  placed.y = area.y;
  return placed;
}

}  // namespace zarvek
