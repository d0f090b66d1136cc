// Lanczos-3 resampling of RGBA pictures, used to scale the header logo to
// its banner height. The filter is applied exactly (no fixed-point tables):
// separable passes in float on premultiplied alpha, so transparent pixels
// never bleed their colour into the result; taps that fall outside the
// picture are dropped and the remaining weights renormalised; when
// shrinking, the filter support is widened by the reduction factor so that
// every source pixel contributes (as ImageMagick's -resize does). The
// filter's negative lobes can push a result below 0 or above 255: results
// are clamped, never wrapped.
#ifndef ZARVEK_IMAGE_LANCZOS_H_
#define ZARVEK_IMAGE_LANCZOS_H_

#include "image/png_decode.h"

namespace zarvek {

/// Height in pixels of the logo in the window header.
inline constexpr int kLogoBaseHeight = 50;

/// Widest logo the header shows. X cannot make a pixmap wider than 32,767
/// pixels (the program dies of BadAlloc), and a banner wider than a few
/// screens helps nobody.
inline constexpr int kMaxLogoWidth = 2048;

/// Longest side of the window icon. The window manager receives the icon as
/// one X property of 4 bytes a pixel; a 2048 x 2048 icon exceeds the largest
/// request X takes (BadLength, and the program dies), while no desktop draws
/// an icon larger than 256 pixels.
inline constexpr int kMaxIconSide = 256;

/// A width and height in pixels.
struct PixelSize {
  int width = 0;
  int height = 0;
};

/// Resamples `src` (straight RGBA) to `width` x `height` with a Lanczos-3
/// filter and returns straight RGBA. A resample to the source's own size
/// returns a copy of `src`, bit for bit. Returns an empty image (0 x 0, no
/// pixels) when `src` is empty or inconsistent (pixel buffer not
/// width * height * 4 bytes), when a target size is not positive, or when
/// the target would exceed kMaxImagePixels.
RgbaImage ResampleLanczos3(const RgbaImage& src, int width, int height);

/// Width of a `w` x `h` logo scaled to `base_height` pixels high, keeping
/// its aspect ratio: w * (base_height / h) truncated towards zero, so a
/// 333 x 100 logo becomes 166 wide. Returns 0 when `h` is not positive or
/// the product is not positive; saturates at the largest int.
int LogoWidthFor(int w, int h, int base_height = kLogoBaseHeight);

/// The size of a `w` x `h` picture shrunk to fit within `max_w` x `max_h`,
/// keeping its aspect ratio: the limiting side becomes its maximum and the
/// other is truncated towards zero, never below 1 pixel. A picture that
/// already fits keeps its size (it is never enlarged). Returns 0 x 0 when a
/// dimension or a maximum is not positive.
PixelSize FitWithin(int w, int h, int max_w, int max_h);

/// The size the header shows a `w` x `h` logo at: `base_height` high (the
/// design's kLogoBaseHeight times the screen's density) and LogoWidthFor
/// wide, or, when that would be wider than kMaxLogoWidth, kMaxLogoWidth wide
/// and as high as keeps the aspect ratio (truncated, at least 1). 0 x 0 when
/// there is no such size (see LogoWidthFor).
PixelSize LogoSizeFor(int w, int h, int base_height = kLogoBaseHeight);

}  // namespace zarvek

#endif  // ZARVEK_IMAGE_LANCZOS_H_
