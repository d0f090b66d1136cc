// The eighth-size JPEG reader against what it stands in for: every kind of
// file it reads gives the pixels TurboJPEG gives at its 1/8 scale; a file
// written bit by bit here, flat blocks at known levels with restart
// markers, stuffed bytes and 16-bit quantization, comes back exactly; every
// kind it leaves to TurboJPEG, and every broken file, is refused whole.
#include <gtest/gtest.h>
#include <turbojpeg.h>

#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "image/jpeg_eighth.h"

namespace zarvek {
namespace {

struct Made {
  int width;
  int height;
  int subsampling;  // TJSAMP_*
  int quality;
};

// A photo-like picture: smooth gradients of moderate colour with noise, so
// that blocks carry AC coefficients of every length.
std::string MakeJpeg(const Made& m, int flags = 0,
                     int pixel_format = TJPF_RGB) {
  const int channels = tjPixelSize[pixel_format];
  std::vector<unsigned char> px(static_cast<std::size_t>(m.width) * m.height *
                                channels);
  std::uint32_t state = 12345;
  for (int y = 0; y < m.height; ++y) {
    for (int x = 0; x < m.width; ++x) {
      for (int c = 0; c < channels; ++c) {
        state = state * 1664525u + 1013904223u;
        const int noise = static_cast<int>(state >> 28) - 8;
        const int v = 40 + (x * 120 / m.width + y * 50 / m.height + c * 20);
        px[(static_cast<std::size_t>(y) * m.width + x) * channels + c] =
            static_cast<unsigned char>(v + noise);
      }
    }
  }
  tjhandle h = tjInitCompress();
  unsigned char* out = nullptr;
  unsigned long size = 0;
  const int rc = tjCompress2(h, px.data(), m.width, 0, m.height, pixel_format,
                             &out, &size, m.subsampling, m.quality, flags);
  std::string jpeg =
      rc == 0 ? std::string(reinterpret_cast<char*>(out), size) : std::string();
  tjFree(out);
  tjDestroy(h);
  return jpeg;
}

// TurboJPEG's own picture at 1/8, in the channels the reader gives.
std::vector<unsigned char> TurboEighth(const std::string& jpeg, int channels) {
  tjhandle h = tjInitDecompress();
  int w = 0, hgt = 0, sub = 0, cs = 0;
  const auto* data = reinterpret_cast<const unsigned char*>(jpeg.data());
  tjDecompressHeader3(h, data, jpeg.size(), &w, &hgt, &sub, &cs);
  const int sw = (w + 7) / 8, sh = (hgt + 7) / 8;
  std::vector<unsigned char> px(static_cast<std::size_t>(sw) * sh * channels);
  tjDecompress2(h, data, jpeg.size(), px.data(), sw, 0, sh,
                channels == 1 ? TJPF_GRAY : TJPF_RGB, TJFLAG_FASTDCT);
  tjDestroy(h);
  return px;
}

TEST(JpegEighthTest, ReadsEveryKindItTakesAsTurboJpegDoes) {
  const Made made[] = {
      {203, 117, TJSAMP_420, 92},  // the usual camera file, odd sizes
      {64, 48, TJSAMP_420, 100},   // whole units, quantization of ones
      {97, 61, TJSAMP_422, 75},   {45, 77, TJSAMP_440, 85},
      {130, 9, TJSAMP_444, 60},   {83, 50, TJSAMP_GRAY, 90},
      {7, 5, TJSAMP_420, 90},  // smaller than one block
  };
  for (const Made& m : made) {
    SCOPED_TRACE(std::to_string(m.width) + "x" + std::to_string(m.height) +
                 " sampling " + std::to_string(m.subsampling));
    const std::string jpeg = MakeJpeg(m);
    ASSERT_FALSE(jpeg.empty());
    const int w = (m.width + 7) / 8, h = (m.height + 7) / 8;
    EighthImage image;
    ASSERT_TRUE(DecodeJpegEighth(jpeg, w, h, &image));
    const int channels = m.subsampling == TJSAMP_GRAY ? 1 : 3;
    ASSERT_EQ(image.width, w);
    ASSERT_EQ(image.height, h);
    ASSERT_EQ(image.channels, channels);
    const std::vector<unsigned char> expected = TurboEighth(jpeg, channels);
    ASSERT_EQ(image.pixels.size(), expected.size());
    // Luma is TurboJPEG's own arithmetic; chroma it takes from a few more
    // coefficients or upsamples otherwise, a level or a few apart.
    int most = 0;
    for (std::size_t i = 0; i < expected.size(); ++i) {
      most = std::max(most, std::abs(image.pixels[i] - expected[i]));
    }
    EXPECT_LE(most, channels == 1 || m.subsampling == TJSAMP_444 ? 1 : 4);

    // Reduced further, a flat mean stays the mean: the average level of
    // the picture moves by less than a level.
    EighthImage half;
    ASSERT_TRUE(DecodeJpegEighth(jpeg, (w + 1) / 2, (h + 1) / 2, &half));
    ASSERT_EQ(half.pixels.size(),
              static_cast<std::size_t>((w + 1) / 2) * ((h + 1) / 2) * channels);
    double full_mean = 0, half_mean = 0;
    for (unsigned char v : image.pixels) full_mean += v;
    for (unsigned char v : half.pixels) half_mean += v;
    EXPECT_NEAR(full_mean / image.pixels.size(), half_mean / half.pixels.size(),
                2.0);
  }
}

// Bits most significant first, with a 0 stuffed after each 0xFF byte.
class BitWriter {
 public:
  void Put(std::uint32_t value, int count) {
    for (int i = count - 1; i >= 0; --i) {
      byte_ = static_cast<std::uint8_t>(byte_ << 1 | ((value >> i) & 1));
      if (++filled_ == 8) Flush();
    }
  }
  // Pads the last byte with ones, as an encoder does before a marker.
  void Align() {
    while (filled_ != 0) Put(1, 1);
  }
  void Marker(std::uint8_t code) {
    Align();
    out_ += '\xFF';
    out_ += static_cast<char>(code);
  }
  const std::string& bytes() const { return out_; }

 private:
  void Flush() {
    out_ += static_cast<char>(byte_);
    if (byte_ == 0xFF) out_ += '\0';
    byte_ = 0;
    filled_ = 0;
  }
  std::string out_;
  std::uint8_t byte_ = 0;
  int filled_ = 0;
};

void Segment(std::string* out, std::uint8_t marker, const std::string& body) {
  *out += '\xFF';
  *out += static_cast<char>(marker);
  const std::size_t length = body.size() + 2;
  *out += static_cast<char>(length >> 8);
  *out += static_cast<char>(length & 0xFF);
  *out += body;
}

// The luminance DC table of the standard's annex K.
constexpr std::uint8_t kDcCounts[16] = {0, 1, 5, 1, 1, 1, 1, 1,
                                        1, 0, 0, 0, 0, 0, 0, 0};

// A grey JPEG of `cols` x `rows` blocks, each flat at its level in
// `levels`, `width` x `height` pixels, with a restart marker every
// `restart` blocks (0: none). Quantization is 16-bit, DC step 1, so that a
// level L is the DC value 8 (L - 128) and neighbours 0 and 255 differ by
// the largest difference an 8-bit file holds. Every third block also
// carries one AC coefficient, which the reader must pass over.
std::string FlatBlocksJpeg(int width, int height, int cols, int rows,
                           const std::vector<int>& levels, int restart) {
  std::string jpeg = "\xFF\xD8";
  std::string dqt(1, '\x10');  // 16-bit, table 0
  for (int i = 0; i < 64; ++i) dqt += std::string{'\0', '\x01'};
  Segment(&jpeg, 0xDB, dqt);
  Segment(&jpeg, 0xC0,
          std::string{8, static_cast<char>(height >> 8),
                      static_cast<char>(height & 0xFF),
                      static_cast<char>(width >> 8),
                      static_cast<char>(width & 0xFF), 1, 1, 0x11, 0});
  std::string dht(1, '\x00');
  dht.append(reinterpret_cast<const char*>(kDcCounts), 16);
  for (int s = 0; s <= 11; ++s) dht += static_cast<char>(s);
  // AC: end of block "0", one coefficient of size 1 "10".
  dht += '\x10';
  dht += std::string{1, 1, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0};
  dht += std::string{0x00, 0x01};
  Segment(&jpeg, 0xC4, dht);
  if (restart != 0) {
    Segment(&jpeg, 0xDD,
            std::string{static_cast<char>(restart >> 8),
                        static_cast<char>(restart & 0xFF)});
  }
  Segment(&jpeg, 0xDA, std::string{1, 1, 0x00, 0, 63, 0});

  // DC codes by size, canonical from the counts.
  std::vector<std::pair<std::uint32_t, int>> dc_codes;
  std::uint32_t code = 0;
  for (int l = 1; l <= 16; ++l, code <<= 1) {
    for (int i = 0; i < kDcCounts[l - 1]; ++i) dc_codes.push_back({code++, l});
  }
  BitWriter bits;
  int prediction = 0;
  for (int b = 0; b < cols * rows; ++b) {
    if (restart != 0 && b != 0 && b % restart == 0) {
      bits.Marker(static_cast<std::uint8_t>(0xD0 + (b / restart - 1) % 8));
      prediction = 0;
    }
    const int dc = 8 * (levels[b] - 128);
    const int diff = dc - prediction;
    prediction = dc;
    int size = 0;
    while ((1 << size) <= std::abs(diff)) ++size;
    bits.Put(dc_codes[size].first, dc_codes[size].second);
    if (size != 0) {
      bits.Put(diff > 0 ? diff : diff + (1 << size) - 1, size);
    }
    if (b % 3 == 0) bits.Put(0b101, 3);  // AC +1, then
    bits.Put(0, 1);                      // the end of the block
  }
  bits.Align();
  jpeg += bits.bytes();
  jpeg += "\xFF\xD9";
  return jpeg;
}

TEST(JpegEighthTest, FlatBlocksComeBackExactlyThroughRestartsAndStuffing) {
  const int cols = 9, rows = 5;
  std::vector<int> levels;
  for (int b = 0; b < cols * rows; ++b) {
    levels.push_back(b % 4 == 0 ? 255 : b % 4 == 2 ? 0 : (b * 37) % 256);
  }
  bool stuffed = false;
  for (int restart : {0, 1, 4, 7}) {
    SCOPED_TRACE("restart every " + std::to_string(restart));
    // Neither size a whole number of blocks.
    const std::string jpeg =
        FlatBlocksJpeg(cols * 8 - 3, rows * 8 - 5, cols, rows, levels, restart);
    stuffed |= jpeg.find(std::string("\xFF\0", 2), 2) != std::string::npos;
    EighthImage image;
    ASSERT_TRUE(DecodeJpegEighth(jpeg, cols, rows, &image));
    ASSERT_EQ(image.channels, 1);
    EXPECT_EQ(std::vector<int>(image.pixels.begin(), image.pixels.end()),
              levels);
    EXPECT_EQ(TurboEighth(jpeg, 1), image.pixels);
  }
  EXPECT_TRUE(stuffed) << "some data should hold a stuffed 0xFF";
}

TEST(JpegEighthTest, RefusesWhatItLeavesToTurboJpegAndBrokenFiles) {
  const Made usual{96, 64, TJSAMP_420, 90};
  const std::string good = MakeJpeg(usual);
  const std::string sof9 = [&] {
    std::string s = good;
    s[s.find("\xFF\xC0") + 1] = '\xC9';  // arithmetic coding
    return s;
  }();
  std::vector<int> levels(4 * 3, 128);
  const std::string restarts = FlatBlocksJpeg(32, 24, 4, 3, levels, 2);
  const std::string wrong_restart = [&] {
    std::string s = restarts;
    s[s.find("\xFF\xD1") + 1] = '\xD3';  // the second marker out of turn
    return s;
  }();
  const std::string missing_restart = [&] {
    std::string s = restarts;
    s.erase(s.find("\xFF\xD0"), 2);
    return s;
  }();
  const struct {
    const char* what;
    std::string bytes;
    int width = 12, height = 8;
  } refused[] = {
      {"progressive", MakeJpeg(usual, TJFLAG_PROGRESSIVE)},
      {"CMYK", MakeJpeg(usual, 0, TJPF_CMYK)},
      {"arithmetic", sof9},
      {"cut short", good.substr(0, good.size() * 2 / 3)},
      {"restart out of turn", wrong_restart, 4, 3},
      {"restart missing", missing_restart, 4, 3},
      {"empty", ""},
      {"text", "this is not a photo\n"},
      {"headers only", good.substr(0, good.find("\xFF\xDA"))},
      {"wider than an eighth", good, 13, 8},
      {"no pixels", good, 0, 8},
  };
  for (const auto& r : refused) {
    SCOPED_TRACE(r.what);
    EighthImage image;
    image.width = 5;  // must be cleared
    EXPECT_FALSE(DecodeJpegEighth(r.bytes, r.width, r.height, &image));
    EXPECT_EQ(image.width, 0);
    EXPECT_TRUE(image.pixels.empty());
  }
  EighthImage image;
  EXPECT_TRUE(DecodeJpegEighth(restarts, 4, 3, &image)) << "the control";
}

}  // namespace
}  // namespace zarvek
