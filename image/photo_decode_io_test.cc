// Photos made ready for the page, from files made here with ImageMagick and
// exiftool: bad files become a picture or a reason, never a crash or an
// allocation the size of their claims; every EXIF orientation comes out
// upright; large photos are scaled to the printed size, small ones kept.
#include <gtest/gtest.h>
#include <turbojpeg.h>

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
// clang-format off
#include <jpeglib.h>
// clang-format on

#include "image/photo_decode.h"
#include "pdf/pdf_writer.h"
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

// Where the segment with `marker` starts (its 0xFF) among the segments
// before the first scan; npos when there is none.
std::size_t Segment(const std::string& jpeg, unsigned char marker) {
  std::size_t at = 2;
  while (at + 4 <= jpeg.size() &&
         static_cast<unsigned char>(jpeg[at]) == 0xFF) {
    const auto m = static_cast<unsigned char>(jpeg[at + 1]);
    if (m == marker) return at;
    if (m == 0xDA) break;
    at += 2 + (static_cast<unsigned char>(jpeg[at + 2]) << 8 |
               static_cast<unsigned char>(jpeg[at + 3]));
  }
  return std::string::npos;
}

// A segment of `marker` with `payload` bytes of `fill`.
std::string MakeSegment(unsigned char marker, std::size_t payload, char fill) {
  std::string s = {'\xFF', static_cast<char>(marker),
                   static_cast<char>((payload + 2) >> 8),
                   static_cast<char>((payload + 2) & 0xFF)};
  return s + std::string(payload, fill);
}

// A JPEG of RGB samples (no colour transform), as libjpeg writes it: an
// Adobe segment says so, and its components are named R, G, B.
std::string RgbSamplesJpeg(int width, int height) {
  jpeg_compress_struct c{};
  jpeg_error_mgr err{};
  c.err = jpeg_std_error(&err);
  jpeg_create_compress(&c);
  unsigned char* buffer = nullptr;
  unsigned long size = 0;
  jpeg_mem_dest(&c, &buffer, &size);
  c.image_width = width;
  c.image_height = height;
  c.input_components = 3;
  c.in_color_space = JCS_RGB;
  jpeg_set_defaults(&c);
  jpeg_set_colorspace(&c, JCS_RGB);
  jpeg_set_quality(&c, 95, TRUE);
  jpeg_start_compress(&c, TRUE);
  std::vector<unsigned char> row(width * 3);
  while (c.next_scanline < c.image_height) {
    for (int x = 0; x < width; ++x) {
      const bool red = x < width / 2;
      row[x * 3] = red ? 220 : 20;
      row[x * 3 + 1] = 30;
      row[x * 3 + 2] = red ? 20 : 220;
    }
    JSAMPROW p = row.data();
    jpeg_write_scanlines(&c, &p, 1);
  }
  jpeg_finish_compress(&c);
  jpeg_destroy_compress(&c);
  std::string out(reinterpret_cast<char*>(buffer), size);
  std::free(buffer);
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
    const char* damage = "";
  } cases[] = {
      {"truncated.jpg", "", "ARCHIVO INCOMPLETO"},
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
    EXPECT_EQ(photo.damage, c.damage) << c.file;
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

// The EXIF block is read wherever it stands among the segments before the
// image data: after a comment, after an XMP block (an APP1 segment too),
// after an ICC profile (APP2), after the tables. Each gives the date, the
// position and the orientation the plain file gives, and the photo stored
// sideways comes out upright.
TEST(PhotoDecodeIoTest, ExifIsReadWhereverItStandsBeforeTheImageData) {
  testing::TempDir dir;
  const std::string file = (dir.path() / "sideways.jpg").string();
  // Upright 64 x 32 with a red top-left quadrant, stored turned for
  // orientation 6.
  Shell(
      "convert -size 64x32 xc:blue -fill red -draw 'rectangle 0,0 31,15' "
      "-rotate 270 -quality 95 '" +
      file + "'");
  Shell(
      "exiftool -overwrite_original -Orientation#=6 "
      "'-DateTimeOriginal=2024:05:17 10:31:05' -GPSLatitude=12.046374 "
      "-GPSLatitudeRef=S -GPSLongitude=77.042793 -GPSLongitudeRef=W '" +
      file + "'");
  const std::string plain = Read(file);
  const std::size_t exif = Segment(plain, 0xE1);
  const std::size_t sos = Segment(plain, 0xDA);
  ASSERT_NE(exif, std::string::npos);
  ASSERT_NE(sos, std::string::npos);
  const std::size_t exif_size =
      2 + (static_cast<unsigned char>(plain[exif + 2]) << 8 |
           static_cast<unsigned char>(plain[exif + 3]));
  const std::string exif_segment = plain.substr(exif, exif_size);
  auto segment = [](unsigned char marker, const std::string& payload) {
    return MakeSegment(marker, 0, 0) + payload;
  };
  auto with_length = [](std::string s) {
    const std::size_t length = s.size() - 2;
    s[2] = static_cast<char>(length >> 8);
    s[3] = static_cast<char>(length & 0xFF);
    return s;
  };
  const std::string comment =
      with_length(segment(0xFE, "Tomada en campo, \xFF\xE1 Exif"));
  const std::string xmp = with_length(segment(
      0xE1, std::string("http://ns.adobe.com/xap/1.0/\0<x:xmpmeta/>", 42)));
  const std::string icc =
      with_length(segment(0xE2, std::string("ICC_PROFILE\0\x01\x01", 14) +
                                    std::string(200, '\x11')));
  auto first = [&](const std::string& before) {
    return plain.substr(0, 2) + before + plain.substr(2);
  };
  std::string after_tables = plain;
  after_tables.insert(sos, exif_segment);
  after_tables.erase(exif, exif_size);
  const struct {
    const char* what;
    std::string bytes;
  } variants[] = {
      {"comentario", first(comment)},
      {"XMP", first(xmp)},
      {"ICC", first(icc)},
      {"comentario, XMP e ICC", first(comment + xmp + icc + comment)},
      {"tras las tablas", after_tables},
  };

  PreparedPhoto reference;
  ASSERT_TRUE(PreparePhoto(plain, 250, 150, &reference).ok());
  ASSERT_EQ(reference.tags.orientation, 6);
  ASSERT_EQ(reference.tags.taken, "2024:05:17 10:31:05");
  ASSERT_TRUE(reference.tags.gps.has_value());
  for (const auto& v : variants) {
    PreparedPhoto photo;
    ASSERT_TRUE(PreparePhoto(v.bytes, 250, 150, &photo).ok()) << v.what;
    EXPECT_EQ(photo.tags.orientation, 6) << v.what;
    EXPECT_EQ(photo.tags.taken, reference.tags.taken) << v.what;
    ASSERT_TRUE(photo.tags.gps.has_value()) << v.what;
    EXPECT_EQ(photo.tags.gps->latitude, reference.tags.gps->latitude);
    EXPECT_EQ(photo.tags.gps->longitude, reference.tags.gps->longitude);
    const Rgb rgb = Decode(photo.picture.bytes);
    ASSERT_EQ(rgb.width, 64) << v.what;
    EXPECT_TRUE(Reddish(rgb.at(8, 8))) << v.what;
    EXPECT_TRUE(Bluish(rgb.at(56, 24))) << v.what;
  }
}

// A JPEG whose image data ends early or holds errors is a picture as far as
// the data goes, grey after, and says it is damaged; the same whichever way
// it is read: printed small (the eighth reader, which refuses it, then
// libjpeg), larger (libjpeg at a scale) or small enough to be kept as it
// is (decoded to be sure, then encoded afresh). A whole photo is never
// damaged, one missing only its end marker neither.
TEST(PhotoDecodeIoTest, DamageIsToldAlikeByEveryReader) {
  testing::TempDir dir;
  const fs::path d = dir.path();
  Shell("convert -size 1600x1200 gradient:red-blue -quality 90 '" +
        (d / "sequential.jpg").string() + "'");
  Shell("convert -size 1600x1200 gradient:red-blue -interlace JPEG '" +
        (d / "progressive.jpg").string() + "'");
  const std::string whole = Read(d / "sequential.jpg");
  const std::string progressive = Read(d / "progressive.jpg");
  const std::size_t sos = Segment(whole, 0xDA);
  ASSERT_NE(sos, std::string::npos);
  // A point in the scan's data, not just after a 0xFF.
  std::size_t middle = sos + (whole.size() - sos) / 2;
  while (static_cast<unsigned char>(whole[middle - 1]) == 0xFF) ++middle;
  auto patched = [&](std::size_t at, const std::string& bytes) {
    std::string out = whole;
    out.replace(at, bytes.size(), bytes);
    return out;
  };
  const char kEarly[] = "ARCHIVO INCOMPLETO";
  const char kErrors[] = "DATOS ERRÓNEOS";
  const struct {
    const char* what;
    std::string bytes;
    const char* damage;
    bool top_shown;  // the top rows as in the whole photo
  } cases[] = {
      {"entera", whole, "", true},
      {"sin marcador final", whole.substr(0, whole.size() - 2), "", true},
      {"progresiva", progressive, "", true},
      {"cortada al 60 %", whole.substr(0, sos + (whole.size() - sos) * 6 / 10),
       kEarly, true},
      {"cortada al 99 %", whole.substr(0, whole.size() - 40), kEarly, true},
      {"fin en medio", patched(middle, "\xFF\xD9"), kErrors, true},
      {"codigos erroneos",
       patched(middle, std::string("\xFF\x00\xFF\x00\xFF\x00\xFF\x00", 8)),
       kErrors, true},
      {"progresiva cortada", progressive.substr(0, progressive.size() / 2),
       kEarly, false},
  };
  const struct { double w, h; } boxes[] = {{250, 150}, {500, 375}, {1000, 750}};
  for (const auto& c : cases) {
    for (const auto& box : boxes) {
      PreparedPhoto photo;
      const Status s = PreparePhoto(c.bytes, box.w, box.h, &photo);
      ASSERT_TRUE(s.ok()) << c.what << " " << box.w << ": " << s.message();
      EXPECT_EQ(photo.damage, c.damage) << c.what << " " << box.w;
      // Kept as it is only when whole, and in a box it fits.
      if (*c.damage != '\0' || box.w < 1000) {
        EXPECT_FALSE(photo.as_is) << c.what << " " << box.w;
      } else if (c.bytes == whole) {
        EXPECT_TRUE(photo.as_is);
      }
      const Rgb rgb = Decode(photo.picture.bytes);
      ASSERT_EQ(rgb.width, photo.picture.width) << c.what << " " << box.w;
      ASSERT_GT(rgb.width, 0) << c.what;
      if (c.top_shown) {
        EXPECT_TRUE(Reddish(rgb.at(rgb.width / 2, 1))) << c.what << box.w;
      }
      if (*c.damage == '\0') {
        EXPECT_TRUE(Bluish(rgb.at(rgb.width / 2, rgb.height - 2)))
            << c.what << " " << box.w;
      }
    }
  }
  // Cut short, the bottom rows are grey, not made up.
  PreparedPhoto cut;
  ASSERT_TRUE(PreparePhoto(cases[3].bytes, 250, 150, &cut).ok());
  const Rgb rgb = Decode(cut.picture.bytes);
  const unsigned char* bottom = rgb.at(rgb.width / 2, rgb.height - 2);
  EXPECT_NEAR(bottom[0], 128, 12);
  EXPECT_NEAR(bottom[1], 128, 12);
  EXPECT_NEAR(bottom[2], 128, 12);
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
  EXPECT_EQ(Decode(photo.picture.bytes).px, Decode(small_bytes).px);
  EXPECT_EQ(photo.picture.width, 300);
  EXPECT_FALSE(photo.tags.gps.has_value());
  EXPECT_EQ(photo.tags.taken, "");
}

// A photo kept as it is keeps only its image data: comments, EXIF, other
// application segments and bytes after its end go, the pixels and colours
// stay (an RGB-sampled JPEG too). A 64 x 48 photo padded to megabytes
// with comments stays a few kilobytes. It goes into the document byte for
// byte, whether the document is saved whole or page by page as drawn.
TEST(PhotoDecodeIoTest, KeptPhotoIsEmbeddedAsItsImageDataAlone) {
  testing::TempDir dir;
  const fs::path small = dir.path() / "small.jpg";
  Shell("convert -size 64x48 gradient:green-white -quality 90 '" +
        small.string() + "'");
  Shell(
      "exiftool -overwrite_original '-DateTimeOriginal=2024:05:17 10:31:05' "
      "'" +
      small.string() + "'");
  std::string padded = Read(small);
  const std::size_t dqt = Segment(padded, 0xDB);
  ASSERT_NE(dqt, std::string::npos);
  std::string junk;
  for (int i = 0; i < 40; ++i) junk += MakeSegment(0xFE, 65000, 'c');
  junk += MakeSegment(0xE2, 60000, 'a');
  padded.insert(dqt, junk);
  padded += std::string(100000, 't');  // after the end of the image
  Write(small, padded);
  ASSERT_GT(padded.size(), 2'500'000u);

  const std::string rgb = RgbSamplesJpeg(64, 48);
  for (const std::string* original :
       std::vector<const std::string*>{&padded, &rgb}) {
    PreparedPhoto kept;
    ASSERT_TRUE(PreparePhoto(*original, 250, 150, &kept).ok());
    EXPECT_TRUE(kept.as_is);
    EXPECT_LT(kept.picture.bytes.size(), 8000u);
    EXPECT_EQ(kept.picture.bytes.find("Exif"), std::string::npos);
    EXPECT_EQ(Segment(kept.picture.bytes, 0xFE), std::string::npos);
    EXPECT_EQ(Decode(kept.picture.bytes).px, Decode(*original).px);
  }
  PreparedPhoto rgb_kept;
  ASSERT_TRUE(PreparePhoto(rgb, 250, 150, &rgb_kept).ok());
  const Rgb colours = Decode(rgb_kept.picture.bytes);
  EXPECT_TRUE(Reddish(colours.at(8, 24)));
  EXPECT_TRUE(Bluish(colours.at(56, 24)));

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
    EXPECT_EQ(Read(out.string() + "-000.jpg"), photo.picture.bytes) << as_drawn;
    EXPECT_LT(fs::file_size(pdf), 20'000u) << as_drawn;
  }
  // What is not a JPEG is refused, not embedded.
  PdfWriterDocument doc;
  EXPECT_FALSE(doc.drawJpeg(JpegPicture{"not a jpeg", 10, 10, 3}, 0, 0, 1, 1));
  EXPECT_FALSE(doc.drawJpeg(JpegPicture{Read(small), 300, 200, 4}, 0, 0, 1, 1));
}

// JPEGs the decoder refuses (12-bit, lossless, arithmetic-hierarchical,
// bad sampling, too wide, broken tables, truncated) spoil nothing for the
// photos after them: each good one comes out, whichever way it is read.
TEST(PhotoDecodeIoTest, AFailedDecodeSpoilsNoLaterPhoto) {
  testing::TempDir dir;
  const fs::path d = dir.path();
  Shell("convert -size 1600x1200 gradient:red-blue '" +
        (d / "eighth.jpg").string() + "'");
  Shell("convert -size 800x600 gradient:red-blue -interlace JPEG '" +
        (d / "progressive.jpg").string() + "'");
  Shell("convert -size 64x48 gradient:red-blue '" + (d / "kept.jpg").string() +
        "'");
  const std::string goods[] = {Read(d / "eighth.jpg"),
                               Read(d / "progressive.jpg"),
                               Read(d / "kept.jpg")};
  const int good_width[] = {417, 417, 64};

  const std::string base = goods[2];
  const std::size_t sof = Segment(base, 0xC0), dqt = Segment(base, 0xDB),
                    dht = Segment(base, 0xC4), sos = base.find("\xFF\xDA");
  ASSERT_NE(sof, std::string::npos);
  ASSERT_NE(dqt, std::string::npos);
  ASSERT_NE(dht, std::string::npos);
  ASSERT_NE(sos, std::string::npos);
  auto patched = [&](std::size_t at, std::string bytes) {
    std::string out = base;
    out.replace(at, bytes.size(), bytes);
    return out;
  };
  struct Bad {
    const char* what;
    std::string bytes;
  };
  std::vector<Bad> bads = {
      {"12 bits", patched(sof + 4, "\x0C")},
      {"SOF3", patched(sof + 1, "\xC3")},
      {"SOF5", patched(sof + 1, "\xC5")},
      {"SOF11", patched(sof + 1, "\xCB")},
      {"muestreo", patched(sof + 11, "\x05")},
      {"65535 de ancho", patched(sof + 7, "\xFF\xFF")},
      {"DQT", patched(dqt + 4, "\x0F")},
      {"DHT", patched(dht + 5, std::string(16, '\xFF'))},
      {"SOS", patched(sos + 5, "\x77")},
  };
  for (const Bad& bad : bads) {
    PreparedPhoto photo;
    EXPECT_FALSE(PreparePhoto(bad.bytes, 250, 150, &photo).ok()) << bad.what;
  }
  for (std::size_t n = 3; n < base.size(); n += 5) {
    bads.push_back({"truncado", base.substr(0, n)});
  }
  int round = 0;
  for (const Bad& bad : bads) {
    PreparedPhoto photo;
    PreparePhoto(bad.bytes, 250, 150, &photo);
    const int g = round++ % 3;
    const Status s = PreparePhoto(goods[g], 250, 150, &photo);
    ASSERT_TRUE(s.ok()) << "after " << bad.what << " (" << bad.bytes.size()
                        << " bytes): " << s.message();
    EXPECT_EQ(Decode(photo.picture.bytes).width, good_width[g]) << bad.what;
  }
}

// What a header claims never decides what a decode takes: a progressive
// JPEG of a few hundred bytes claiming 15,811 x 15,811 pixels (whose
// coefficients alone would take 750 MB) is refused at once, a file of too
// many scans is refused, and a cancel stops a decode whichever reader it is
// in. The memory a whole report takes is measured in photo_report_io_test.
TEST(PhotoDecodeIoTest, HostileClaimsAreRefusedAndCancelStopsADecode) {
  testing::TempDir dir;
  const fs::path d = dir.path();
  Shell("convert -size 16x16 xc:red -interlace JPEG '" +
        (d / "p.jpg").string() + "'");
  std::string bomb = Read(d / "p.jpg");
  const std::size_t sof2 = Segment(bomb, 0xC2);
  ASSERT_NE(sof2, std::string::npos);
  bomb.replace(sof2 + 5, 4, "\x3D\xC3\x3D\xC3");  // 15811 x 15811
  ASSERT_LT(bomb.size(), 1000u);
  Write(d / "bomb.jpg", bomb);  // a seed for the fuzz targets too
  PreparedPhoto photo;
  EXPECT_EQ(PreparePhoto(bomb, 250, 150, &photo).message(),
            "IMAGEN DEMASIADO GRANDE (15811 × 15811 PÍXELES)");

  Shell("convert -size 800x600 gradient:red-blue -interlace JPEG '" +
        (d / "progressive.jpg").string() + "'");
  const std::string progressive = Read(d / "progressive.jpg");
  ASSERT_TRUE(PreparePhoto(progressive, 250, 150, &photo).ok());
  // The last scan again and again: libjpeg takes each as a refinement.
  const std::size_t last_scan = progressive.rfind("\xFF\xDA");
  const std::string scan =
      progressive.substr(last_scan, progressive.size() - 2 - last_scan);
  std::string many = progressive.substr(0, progressive.size() - 2);
  for (int i = 0; i < kMaxJpegScans; ++i) many += scan;
  many += "\xFF\xD9";
  EXPECT_EQ(PreparePhoto(many, 250, 150, &photo).message(), "JPEG DAÑADO");

  Shell("convert -size 1600x1200 gradient:red-blue '" +
        (d / "eighth.jpg").string() + "'");
  const std::atomic<bool> cancelled{true};
  for (const std::string& file : {progressive, Read(d / "eighth.jpg")}) {
    EXPECT_EQ(PreparePhoto(file, 250, 150, &photo, &cancelled).message(),
              "CANCELADO");
  }
}

}  // namespace
}  // namespace zarvek
