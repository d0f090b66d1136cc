// Lanczos-3 resampling of RGBA pictures (placeholder until merged).
#ifndef ZARVEK_APP_LANCZOS_H_
#define ZARVEK_APP_LANCZOS_H_

#include "platform/png_decode.h"

namespace zarvek {

RgbaImage ResampleLanczos3(const RgbaImage& src, int width, int height);
int LogoWidthFor(int w, int h, int base_height = 50);

}  // namespace zarvek

#endif  // ZARVEK_APP_LANCZOS_H_
