#include "image/lanczos.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <random>
#include <vector>

namespace zarvek {
namespace {

RgbaImage Grey(int w, int h, std::uint8_t v, std::uint8_t alpha = 255) {
  RgbaImage img;
  img.width = w;
  img.height = h;
  img.pixels.resize(static_cast<std::size_t>(w) * h * 4);
  for (std::size_t i = 0; i < img.pixels.size(); i += 4) {
    img.pixels[i] = img.pixels[i + 1] = img.pixels[i + 2] = v;
    img.pixels[i + 3] = alpha;
  }
  return img;
}

std::uint8_t Red(const RgbaImage& img, int x, int y) {
  return img.pixels[(static_cast<std::size_t>(y) * img.width + x) * 4];
}

std::uint8_t Alpha(const RgbaImage& img, int x, int y) {
  return img.pixels[(static_cast<std::size_t>(y) * img.width + x) * 4 + 3];
}

void SetGrey(RgbaImage* img, int x, int y, std::uint8_t v) {
  std::uint8_t* p =
      &img->pixels[(static_cast<std::size_t>(y) * img->width + x) * 4];
  p[0] = p[1] = p[2] = v;
}

TEST(ResampleLanczos3, SameSizeReturnsInputBitForBit) {
  RgbaImage img;
  img.width = 37;
  img.height = 11;
  std::mt19937 gen(12345);
  std::uniform_int_distribution<int> byte(0, 255);
  for (int i = 0; i < img.width * img.height * 4; ++i) {
    img.pixels.push_back(static_cast<std::uint8_t>(byte(gen)));
  }
  const RgbaImage out = ResampleLanczos3(img, 37, 11);
  EXPECT_EQ(out.width, 37);
  EXPECT_EQ(out.height, 11);
  EXPECT_EQ(out.pixels, img.pixels);
}

// Width unchanged (a scale-1 pass) and a single source row stretched to
// three: every output row must be the input row exactly, with no ringing
// wrapped around to 255 beside the white pixel.
TEST(ResampleLanczos3, ScaleOnePassOfImpulseIsExact) {
  RgbaImage row = Grey(9, 1, 0);
  SetGrey(&row, 4, 0, 255);
  const RgbaImage out = ResampleLanczos3(row, 9, 3);
  ASSERT_EQ(out.width, 9);
  ASSERT_EQ(out.height, 3);
  for (int y = 0; y < 3; ++y) {
    for (int x = 0; x < 9; ++x) {
      EXPECT_EQ(Red(out, x, y), x == 4 ? 255 : 0) << x << "," << y;
      EXPECT_EQ(Alpha(out, x, y), 255);
    }
  }
}

// The negative lobes undershoot next to a sharp edge; a wrapped value would
// show as a bright pixel on the black side (or a dark one on the white).
TEST(ResampleLanczos3, SharpEdgesClampInsteadOfWrapping) {
  struct Case {
    int src_w, dst_w;
  };
  for (const Case c : {Case{40, 15}, Case{333, 166}, Case{9, 31}}) {
    RgbaImage img = Grey(c.src_w, 2, 0);
    for (int x = c.src_w / 2; x < c.src_w; ++x) {
      SetGrey(&img, x, 0, 255);
      SetGrey(&img, x, 1, 255);
    }
    const RgbaImage out = ResampleLanczos3(img, c.dst_w, 2);
    ASSERT_EQ(out.width, c.dst_w);
    const double edge = c.src_w / 2.0;
    for (int x = 0; x < c.dst_w; ++x) {
      const double centre = (x + 0.5) * c.src_w / c.dst_w;
      // In pixels of the coarser grid, the one the filter spans.
      const double coarse =
          std::max(1.0, static_cast<double>(c.src_w) / c.dst_w);
      const double distance = (centre - edge) / coarse;
      if (distance < -1.0) {
        EXPECT_LE(Red(out, x, 0), 20)
            << c.src_w << "->" << c.dst_w << " x=" << x;
      } else if (distance > 1.0) {
        EXPECT_GE(Red(out, x, 0), 235)
            << c.src_w << "->" << c.dst_w << " x=" << x;
      }
    }
    EXPECT_EQ(Red(out, 0, 0), 0);
    EXPECT_EQ(Red(out, c.dst_w - 1, 0), 255);
  }
}

// Fully transparent pixels carry no colour into their neighbours, and an
// alpha edge rings without wrapping the alpha channel.
TEST(ResampleLanczos3, TransparentAreasDoNotBleedColour) {
  RgbaImage img = Grey(60, 4, 255, 0);  // transparent white
  for (int y = 0; y < 4; ++y) {
    for (int x = 30; x < 60; ++x) {
      std::uint8_t* p = &img.pixels[(static_cast<std::size_t>(y) * 60 + x) * 4];
      p[0] = 0x2C, p[1] = 0x3E, p[2] = 0x50, p[3] = 255;
    }
  }
  const RgbaImage out = ResampleLanczos3(img, 25, 2);
  for (int x = 0; x < 25; ++x) {
    const std::uint8_t* p = &out.pixels[static_cast<std::size_t>(x) * 4];
    if (p[3] == 0) continue;
    EXPECT_NEAR(p[0], 0x2C, 2) << x;  // no white mixed in
    EXPECT_NEAR(p[1], 0x3E, 2) << x;
    EXPECT_NEAR(p[2], 0x50, 2) << x;
  }
  EXPECT_EQ(Alpha(out, 0, 0), 0);
  EXPECT_EQ(Alpha(out, 24, 1), 255);
}

TEST(ResampleLanczos3, FlatAreaStaysFlatUpToTheBorders) {
  const RgbaImage out = ResampleLanczos3(Grey(333, 100, 137, 200), 166, 50);
  ASSERT_EQ(out.pixels.size(), 166u * 50 * 4);
  for (std::size_t i = 0; i < out.pixels.size(); i += 4) {
    ASSERT_EQ(out.pixels[i], 137) << i / 4;
    ASSERT_EQ(out.pixels[i + 3], 200) << i / 4;
  }
}

TEST(ResampleLanczos3, RefusesBadInputWithAnEmptyImage) {
  RgbaImage short_buffer = Grey(4, 4, 0);
  short_buffer.pixels.pop_back();
  const struct {
    RgbaImage src;
    int w, h;
  } cases[] = {
      {RgbaImage(), 10, 10},           {Grey(4, 4, 0), 0, 4},
      {Grey(4, 4, 0), 4, -1},          {short_buffer, 2, 2},
      {Grey(4, 4, 0), 100000, 100000},
  };
  for (const auto& c : cases) {
    const RgbaImage out = ResampleLanczos3(c.src, c.w, c.h);
    EXPECT_EQ(out.width, 0);
    EXPECT_EQ(out.height, 0);
    EXPECT_TRUE(out.pixels.empty());
  }
}

TEST(LogoWidthFor, KeepsAspectRatioAndTruncates) {
  const struct {
    int w, h, expected;
  } cases[] = {
      {333, 100, 166}, {400, 100, 200}, {300, 200, 75}, {120, 50, 120},
      {666, 200, 166}, {1, 1000, 0},    {10, 0, 0},     {10, -5, 0},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(LogoWidthFor(c.w, c.h), c.expected) << c.w << "x" << c.h;
  }
  EXPECT_EQ(LogoWidthFor(333, 100, 100), 333);
}

// Sizes that X must be able to draw: the icon within 256 x 256, the logo at
// most kMaxLogoWidth wide, neither ever enlarged past them nor down to 0.
TEST(PictureSizes, IconAndLogoStayWithinWhatXDraws) {
  const struct {
    int w, h;
    PixelSize icon, logo;
  } cases[] = {
      {64, 64, {64, 64}, {50, 50}},        {256, 100, {256, 100}, {128, 50}},
      {4096, 2048, {256, 128}, {100, 50}}, {2048, 4096, {128, 256}, {25, 50}},
      {100000, 1, {256, 1}, {2048, 1}},    {1, 100000, {1, 256}, {0, 0}},
      {1400, 2, {256, 1}, {2048, 2}},      {2048, 50, {256, 6}, {2048, 50}},
      {2049, 50, {256, 6}, {2048, 49}},    {0, 10, {0, 0}, {0, 0}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::to_string(c.w) + "x" + std::to_string(c.h));
    const PixelSize icon = FitWithin(c.w, c.h, kMaxIconSide, kMaxIconSide);
    EXPECT_EQ(icon.width, c.icon.width);
    EXPECT_EQ(icon.height, c.icon.height);
    const PixelSize logo = LogoSizeFor(c.w, c.h);
    EXPECT_EQ(logo.width, c.logo.width);
    EXPECT_EQ(logo.height, c.logo.height);
  }
}

TEST(ResampleLanczos3, LogoOf333By100BecomesTheBannerSize) {
  const RgbaImage out = ResampleLanczos3(
      Grey(333, 100, 10), LogoWidthFor(333, 100), kLogoBaseHeight);
  EXPECT_EQ(out.width, 166);
  EXPECT_EQ(out.height, 50);
  EXPECT_EQ(out.pixels.size(), 166u * 50 * 4);
}

}  // namespace
}  // namespace zarvek
