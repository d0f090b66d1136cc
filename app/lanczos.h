// Lanczos-3 resampling of RGBA pictures, used to scale the header logo to
// its banner height. The filter is applied exactly (no fixed-point tables):
// separable passes in float on premultiplied alpha, so transparent pixels
// never bleed their colour into the result; taps that fall outside the
// picture are dropped and the remaining weights renormalised; when
// shrinking, the filter support is widened by the reduction factor so that
// every source pixel contributes (as ImageMagick's -resize does). The
// filter's negative lobes can push a result below 0 or above 255: results
// are clamped, never wrapped.
#ifndef ZARVEK_APP_LANCZOS_H_
#define ZARVEK_APP_LANCZOS_H_

#include "platform/png_decode.h"

namespace zarvek {

/// Height in pixels of the logo in the window header.
inline constexpr int kLogoBaseHeight = 50;

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

}  // namespace zarvek

#endif  // ZARVEK_APP_LANCZOS_H_
