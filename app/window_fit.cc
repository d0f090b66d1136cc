#include "app/window_fit.h"

#include <algorithm>
#include <charconv>

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

WindowPlacement PlaceWindow(int width, int height,
                            const std::optional<WindowPlacement>& saved,
                            const WorkArea& work, const FrameInsets& assumed) {
  const FrameInsets frame = work.frame.value_or(assumed);
  if (saved) {
    const long long left = saved->x;
    const long long top = saved->y;
    const long long right =
        left + frame.left + static_cast<long long>(saved->width) + frame.right;
    const long long bottom =
        top + frame.top + static_cast<long long>(saved->height) + frame.bottom;
    auto holds = [&](const ScreenRect& r) {
      return left >= r.x && top >= r.y &&
             right <= static_cast<long long>(r.x) + r.width &&
             bottom <= static_cast<long long>(r.y) + r.height;
    };
    if (work.monitors.empty()
            ? holds(work.area)
            : std::any_of(work.monitors.begin(), work.monitors.end(), holds)) {
      return *saved;
    }
    width = saved->width;
    height = saved->height;
  }
  WindowPlacement placed = FitWindow(width, height, work, assumed);
  if (!work.monitors.empty()) {
    const ScreenRect& area = work.area;
    const int outer_width = placed.width + frame.left + frame.right;
    const int outer_height = placed.height + frame.top + frame.bottom;
    placed.x = area.x + std::max(0, (area.width - outer_width) / 2);
    placed.y = area.y + std::max(0, (area.height - outer_height) / 2);
  }
  return placed;
}

std::string WindowGeometryText(const WindowPlacement& placed) {
  auto offset = [](int value) {
    return (value < 0 ? "+-" : "+") +
           std::to_string(value < 0 ? -static_cast<long long>(value) : value);
  };
  return std::to_string(placed.width) + "x" + std::to_string(placed.height) +
         offset(placed.x) + offset(placed.y);
}

std::optional<WindowPlacement> ParseWindowGeometry(std::string_view text) {
  constexpr int kLimit = 100000;
  const char* p = text.data();
  const char* const end = p + text.size();
  // One whole number, with a sign only where `signed_ok`.
  auto number = [&](bool signed_ok, int* value) {
    if (p == end || (*p == '-' && !signed_ok) || *p == '+') return false;
    const auto [next, ec] = std::from_chars(p, end, *value);
    if (ec != std::errc() || *value > kLimit || *value < -kLimit) return false;
    p = next;
    return true;
  };
  auto sep = [&](char c) {
    if (p == end || *p != c) return false;
    ++p;
    return true;
  };
  WindowPlacement placed;
  if (!number(false, &placed.width) || !sep('x') ||
      !number(false, &placed.height) || !sep('+') || !number(true, &placed.x) ||
      !sep('+') || !number(true, &placed.y) || p != end) {
    return std::nullopt;
  }
  if (placed.width < kMinSavedWidth || placed.height < kMinSavedHeight)
    return std::nullopt;
  return placed;
}

}  // namespace zarvek
