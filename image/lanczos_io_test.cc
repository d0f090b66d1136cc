// Compares ResampleLanczos3 with ImageMagick's Lanczos resize on real PNG
// files, and checks that the shipped logo scales to the banner size.
#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "image/lanczos.h"
#include "image/png_decode.h"

namespace zarvek {
namespace {

namespace fs = std::filesystem;

class LanczosVsImageMagick : public ::testing::Test {
 protected:
  void SetUp() override {
    if (std::system("convert -version >/dev/null 2>&1") != 0) {
      GTEST_SKIP() << "ImageMagick convert is not installed";
    }
    dir_ = fs::temp_directory_path() /
           ("zarvek_lanczos_" + std::to_string(::getpid()));
    fs::create_directories(dir_);
  }
  void TearDown() override {
    std::error_code ec;
    if (!dir_.empty()) fs::remove_all(dir_, ec);
  }
  std::string Path(const char* name) const { return (dir_ / name).string(); }

  fs::path dir_;
};

struct Difference {
  double mean = 0;  // mean absolute difference per channel, grey levels
  int max = 0;
};

// Compares premultiplied channels, so that the colour of (nearly)
// transparent pixels, which nobody sees, does not count.
Difference Compare(const RgbaImage& a, const RgbaImage& b) {
  Difference d;
  double sum = 0;
  for (std::size_t i = 0; i < a.pixels.size(); i += 4) {
    for (int c = 0; c < 4; ++c) {
      const double va =
          c == 3 ? a.pixels[i + 3] : a.pixels[i + c] * a.pixels[i + 3] / 255.0;
      const double vb =
          c == 3 ? b.pixels[i + 3] : b.pixels[i + c] * b.pixels[i + 3] / 255.0;
      const double diff = std::fabs(va - vb);
      sum += diff;
      d.max = std::max(d.max, static_cast<int>(std::lround(diff)));
    }
  }
  d.mean = sum / static_cast<double>(a.pixels.size());
  return d;
}

TEST_F(LanczosVsImageMagick, Logo333By100To166By50WithinOneGreyLevel) {
  // Sharp and antialiased shapes, a gradient, thin lines and text on a
  // transparent background: what a logo is made of.
  const std::string in = Path("in.png");
  const std::string make =
      "convert -size 333x100 xc:none"
      " \\( -size 90x100 gradient:'#2980B9'-'#2C3E50' \\) -geometry +0+0 "
      "-composite"
      " -fill '#2C3E50' -draw 'rectangle 100,10 140,90'"
      " -fill '#27AE60' -draw 'circle 190,50 225,50'"
      " -fill '#2980B9' -draw 'polygon 240,90 280,8 320,90'"
      " -stroke black -strokewidth 1 -draw 'line 0,99 332,0'"
      " -stroke none -fill white -draw 'rectangle 150,40 160,60'"
      " -fill '#2C3E50' -font DejaVu-Sans-Bold -pointsize 18"
      " -annotate +150+95 'QUENTARO' PNG32:'" +
      in + "'";
  ASSERT_EQ(std::system(make.c_str()), 0);
  const std::string ref = Path("ref.png");
  const std::string resize = "convert '" + in +
                             "' -filter Lanczos -resize 166x50! PNG32:'" + ref +
                             "'";
  ASSERT_EQ(std::system(resize.c_str()), 0);

  RgbaImage src, expected;
  ASSERT_TRUE(DecodePngFile(RealFileSystem(), in, &src).ok());
  ASSERT_TRUE(DecodePngFile(RealFileSystem(), ref, &expected).ok());
  ASSERT_EQ(src.width, 333);
  ASSERT_EQ(src.height, 100);

  const int w = LogoWidthFor(src.width, src.height);
  const RgbaImage ours = ResampleLanczos3(src, w, kLogoBaseHeight);
  ASSERT_EQ(ours.width, 166);
  ASSERT_EQ(ours.height, 50);
  ASSERT_EQ(expected.width, 166);
  ASSERT_EQ(expected.height, 50);

  const Difference d = Compare(ours, expected);
  RecordProperty("mean_abs_difference", std::to_string(d.mean));
  RecordProperty("max_abs_difference", d.max);
  std::printf("mean |ours - ImageMagick| = %.3f grey levels, max %d\n", d.mean,
              d.max);
  EXPECT_LT(d.mean, 1.0);
}

// The logo that ships with the program, scaled for the window header.
TEST_F(LanczosVsImageMagick, ShippedLogoToBannerHeight) {
  const std::string path =
      std::string(ZARVEK_SOURCE_DIR) + "/resources/LOGO_QUENTARO.png";
  if (!fs::exists(path)) GTEST_SKIP() << "no logo in resources/";
  RgbaImage logo, expected;
  ASSERT_TRUE(DecodePngFile(RealFileSystem(), path, &logo).ok());
  const int w = LogoWidthFor(logo.width, logo.height);
  const RgbaImage banner = ResampleLanczos3(logo, w, kLogoBaseHeight);
  ASSERT_EQ(banner.height, kLogoBaseHeight);
  ASSERT_EQ(banner.width, w);
  EXPECT_GT(w, 2 * kLogoBaseHeight);  // a wide logo

  const std::string ref = Path("logo_ref.png");
  const std::string resize = "convert '" + path + "' -filter Lanczos -resize " +
                             std::to_string(w) + "x50! PNG32:'" + ref + "'";
  ASSERT_EQ(std::system(resize.c_str()), 0);
  ASSERT_TRUE(DecodePngFile(RealFileSystem(), ref, &expected).ok());
  ASSERT_EQ(expected.width, w);
  const Difference d = Compare(banner, expected);
  std::printf("logo: mean |ours - ImageMagick| = %.3f grey levels, max %d\n",
              d.mean, d.max);
  EXPECT_LT(d.mean, 1.0);
}

}  // namespace
}  // namespace zarvek
