// Photos made ready for the page, from files made here with ImageMagick and
// exiftool: bad files become a picture or a reason, never a crash or an
// allocation the size of their claims; every EXIF orientation comes out
// upright; large photos are scaled to the printed size, small ones kept.
#include <gtest/gtest.h>
#include <turbojpeg.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "platform/photo_decode.h"
#include "platform/pdf_writer.h"
#include "testing/temp_dir.h"

namespace zarvek {
namespace {

namespace fs = std::filesystem;

void Shell(const std::string& command) {
  ASSERT_EQ(std::system((command + " >/dev/null 2>&1").c_str()), 0) << command;
}

std::string Read(const fs::path& p) {
  std::ifstream in(p, std::ios::binary);
  std::stringstream ss;
  ss << in.rdbuf();
  return ss.str();
}

void Write(const fs::path& p, const std::string& bytes) {
  std::ofstream(p, std::ios::binary) << bytes;
}

// Decoded RGB pixels of a prepared picture.
struct Rgb {
  int width = 0, height = 0;
  std::vector<unsigned char> px;
  const unsigned char* at(int x, int y) const {
    return &px[(y * width + x) * 3];
  }
};
Rgb Decode(const std::string& jpeg) {
  Rgb out;
  tjhandle h = tjInitDecompress();
  int sub, cs;
  const auto* data = reinterpret_cast<const unsigned char*>(jpeg.data());
  if (tjDecompressHeader3(h, data, jpeg.size(), &out.width, &out.height, &sub,
                          &cs) == 0) {
    out.px.resize(out.width * out.height * 3);
    tjDecompress2(h, data, jpeg.size(), out.px.data(), out.width, 0, out.height,
                  TJPF_RGB, 0);
  }
  tjDestroy(h);
  return out;
}

bool Reddish(const unsigned char* p) { return p[0] > 180 && p[2] < 80; }
bool Bluish(const unsigned char* p) { return p[2] > 180 && p[0] < 80; }

TEST(PhotoDecodeIoTest, BadPhotosBecomeAPictureOrAReason) {
  testing::TempDir dir;
  const fs::path d = dir.path();
  Shell("convert -size 800x600 gradient:red-blue -quality 92 '" +
        (d / "whole.jpg").string() + "'");
  const std::string whole = Read(d / "whole.jpg");
  Write(d / "truncated.jpg", whole.substr(0, whole.size() * 6 / 10));
  Write(d / "text.jpg", "esto no es una foto\n");
  Write(d / "empty.jpg", "");
  Shell("convert -size 800x600 xc:red -colorspace CMYK '" +
        (d / "cmyk.jpg").string() + "'");
  Shell("convert -size 800x600 gradient:white-red -interlace JPEG '" +
        (d / "progressive.jpg").string() + "'");
  Shell("convert -size 300x200 gradient:red-black -depth 16 '" +
        (d / "deep.png").string() + "'");
  Shell("convert -size 300x200 xc:red PNG8:'" + (d / "palette.png").string() +
        "'");
  // Headers claiming 30,000 x 30,000 pixels over a few bytes of data.
  Shell("convert -size 16x16 xc:red '" + (d / "small.jpg").string() + "'");
  std::string huge = Read(d / "small.jpg");
  const std::size_t sof = huge.find("\xFF\xC0");
  ASSERT_NE(sof, std::string::npos);
  huge.replace(sof + 5, 4, "\x75\x30\x75\x30");
  Write(d / "huge.jpg", huge);
  std::string huge_png = Read(d / "palette.png");
  huge_png.replace(16, 8, std::string("\x00\x00\x75\x30\x00\x00\x75\x30", 8));
  Write(d / "huge.png", huge_png);

  struct Case {
    const char* file;
    const char* reason;  // empty: a picture
  } cases[] = {
      {"truncated.jpg", ""},
      {"cmyk.jpg", ""},
      {"progressive.jpg", ""},
      {"deep.png", ""},
      {"palette.png", ""},
      {"text.jpg", "NO ES UNA IMAGEN JPEG NI PNG"},
      {"empty.jpg", "ARCHIVO VACÍO"},
      {"huge.jpg", "IMAGEN DEMASIADO GRANDE (30000 × 30000 PÍXELES)"},
      {"huge.png", "IMAGEN DEMASIADO GRANDE (30000 × 30000 PÍXELES)"},
  };
  for (const Case& c : cases) {
    PreparedPhoto photo;
    const Status s = PreparePhoto(Read(d / c.file), 250, 150, &photo);
    if (*c.reason != '\0') {
      EXPECT_EQ(s.message(), c.reason) << c.file;
      continue;
    }
    ASSERT_TRUE(s.ok()) << c.file << ": " << s.message();
    const Rgb rgb = Decode(photo.picture.bytes);
    EXPECT_EQ(rgb.width, photo.picture.width) << c.file;
    EXPECT_EQ(rgb.height, photo.picture.height) << c.file;
    EXPECT_GT(rgb.width, 0) << c.file;
  }
  // CMYK comes out in its colours, not inverted.
  PreparedPhoto cmyk;
  ASSERT_TRUE(PreparePhoto(Read(d / "cmyk.jpg"), 250, 150, &cmyk).ok());
  const Rgb rgb = Decode(cmyk.picture.bytes);
  EXPECT_TRUE(Reddish(rgb.at(rgb.width / 2, rgb.height / 2)));
}

TEST(PhotoDecodeIoTest, EveryOrientationComesOutUpright) {
  testing::TempDir dir;
  // Upright: 64 x 32, red top-left quadrant, blue elsewhere. Each file
  // stores it turned the way its tag undoes.
  const char* undo[] = {
      "",           "-flop",       "-rotate 180", "-flip",
      "-transpose", "-rotate 270", "-transverse", "-rotate 90"};
  for (int o = 1; o <= 8; ++o) {
    const std::string file =
        (dir.path() / (std::to_string(o) + ".jpg")).string();
    Shell("convert -size 64x32 xc:blue -fill red -draw 'rectangle 0,0 31,15' " +
          std::string(undo[o - 1]) + " -quality 95 '" + file + "'");
    Shell("exiftool -overwrite_original -Orientation#=" + std::to_string(o) +
          " '" + file + "'");
    PreparedPhoto photo;
    ASSERT_TRUE(PreparePhoto(Read(file), 250, 150, &photo).ok()) << o;
    EXPECT_EQ(photo.tags.orientation, o);
    EXPECT_EQ(photo.as_is, o == 1) << o;
    const Rgb rgb = Decode(photo.picture.bytes);
    ASSERT_EQ(rgb.width, 64) << o;
    ASSERT_EQ(rgb.height, 32) << o;
    EXPECT_TRUE(Reddish(rgb.at(8, 8))) << o;
    EXPECT_TRUE(Bluish(rgb.at(56, 8))) << o;
    EXPECT_TRUE(Bluish(rgb.at(8, 24))) << o;
    EXPECT_TRUE(Bluish(rgb.at(56, 24))) << o;
  }
}

TEST(PhotoDecodeIoTest, ScaledToThePrintedSizeOrKeptWhenSmallEnough) {
  testing::TempDir dir;
  const fs::path big = dir.path() / "big.jpg";
  const fs::path small = dir.path() / "small.jpg";
  Shell("convert -size 4000x3000 gradient:green-white '" + big.string() + "'");
  Shell(
      "exiftool -overwrite_original '-DateTimeOriginal=2024:05:17 10:31:05' "
      "-GPSLatitude=12.046374 -GPSLatitudeRef=S -GPSLongitude=77.042793 "
      "-GPSLongitudeRef=W '" +
      big.string() + "'");
  Shell("convert -size 300x200 gradient:green-white '" + small.string() + "'");

  // 4000 x 3000 in 250 x 150 points prints 200 x 150 points: 417 x 313
  // pixels at 150 dpi.
  PreparedPhoto photo;
  ASSERT_TRUE(PreparePhoto(Read(big), 250, 150, &photo).ok());
  EXPECT_FALSE(photo.as_is);
  EXPECT_EQ(photo.picture.width, 417);
  EXPECT_EQ(photo.picture.height, 313);
  EXPECT_LT(photo.picture.bytes.size(), 100'000u);
  EXPECT_EQ(photo.tags.taken, "2024:05:17 10:31:05");
  ASSERT_TRUE(photo.tags.gps.has_value());
  EXPECT_NEAR(photo.tags.gps->latitude, -12.046374, 1e-5);
  EXPECT_NEAR(photo.tags.gps->longitude, -77.042793, 1e-5);

  const std::string small_bytes = Read(small);
  ASSERT_TRUE(PreparePhoto(small_bytes, 250, 150, &photo).ok());
  EXPECT_TRUE(photo.as_is);
  EXPECT_EQ(photo.picture.bytes, small_bytes);
  EXPECT_EQ(photo.picture.width, 300);
  EXPECT_FALSE(photo.tags.gps.has_value());
  EXPECT_EQ(photo.tags.taken, "");
}

// A photo kept as it is goes into the document byte for byte, whether the
// document is saved whole or page by page as it is drawn.
TEST(PhotoDecodeIoTest, KeptPhotoIsEmbeddedByteForByte) {
  testing::TempDir dir;
  const fs::path small = dir.path() / "small.jpg";
  Shell("convert -size 300x200 gradient:green-white '" + small.string() + "'");
  PreparedPhoto photo;
  ASSERT_TRUE(PreparePhoto(Read(small), 250, 150, &photo).ok());
  ASSERT_TRUE(photo.as_is);
  for (const bool as_drawn : {false, true}) {
    const fs::path pdf = dir.path() / (as_drawn ? "drawn.pdf" : "whole.pdf");
    PdfWriterDocument doc;
    Status s;
    if (as_drawn) {
      s = doc.SaveProtectedAsDrawn(pdf.string(), "owner", [&](bool* done) {
        EXPECT_TRUE(doc.drawJpeg(photo.picture, 50, 50, 300, 200));
        doc.showPage();
        *done = true;
        return Status::OK();
      });
    } else {
      EXPECT_TRUE(doc.drawJpeg(photo.picture, 50, 50, 300, 200));
      s = doc.SaveProtected(pdf.string(), "owner");
    }
    ASSERT_TRUE(s.ok()) << s.message();
    Shell("qpdf --check '" + pdf.string() + "'");
    const fs::path out = dir.path() / (as_drawn ? "drawn" : "whole");
    Shell("pdfimages -j '" + pdf.string() + "' '" + out.string() + "'");
    EXPECT_EQ(Read(out.string() + "-000.jpg"), Read(small)) << as_drawn;
  }
  // What is not a JPEG is refused, not embedded.
  PdfWriterDocument doc;
  EXPECT_FALSE(doc.drawJpeg(JpegPicture{"not a jpeg", 10, 10, 3}, 0, 0, 1, 1));
  EXPECT_FALSE(doc.drawJpeg(JpegPicture{Read(small), 300, 200, 4}, 0, 0, 1, 1));
}

}  // namespace
}  // namespace zarvek
