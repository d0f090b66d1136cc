#include "platform/photo_decode.h"

#include <libexif/exif-data.h>
#include <turbojpeg.h>

#include <algorithm>
#include <cmath>
#include <ctime>
#include <memory>
#include <mutex>
#include <vector>

#include "platform/jpeg_eighth.h"
#include "platform/plane_resample.h"
#include "platform/png_decode.h"

namespace zarvek {
namespace {

// Stored pixels beyond this are refused even when a reduced decode would
// fit: the decoder still reads every coefficient of such a file.
constexpr std::uint64_t kMaxPhotoPixels = 250'000'000;

constexpr char kEmpty[] = "ARCHIVO VACÍO";
constexpr char kNotAnImage[] = "NO ES UNA IMAGEN JPEG NI PNG";
constexpr char kBrokenJpeg[] = "JPEG DAÑADO";
constexpr char kBrokenPng[] = "PNG DAÑADO";
constexpr char kNoEncode[] = "NO SE PUDO CONVERTIR";

std::string TooLarge(std::uint64_t width, std::uint64_t height) {
  return "IMAGEN DEMASIADO GRANDE (" + std::to_string(width) + " × " +
         std::to_string(height) + " PÍXELES)";
}

bool StartsWith(std::string_view bytes, std::string_view magic) {
  return bytes.size() >= magic.size() && bytes.substr(0, magic.size()) == magic;
}

// TurboJPEG handles, lent one to a caller at a time and kept for the next:
// making one costs more than a small photo's decode. A shared pool rather
// than one handle per thread, because objects of a thread's own storage
// are not destroyed reliably when the thread ends on Windows (MinGW's
// emulated thread storage frees them first).
class TjPool {
 public:
  explicit TjPool(tjhandle (*make)()) : make_(make) {}
  ~TjPool() {
    for (tjhandle h : free_) tjDestroy(h);
  }
  tjhandle Take() {
    {
      std::lock_guard<std::mutex> lock(mutex_);
      if (!free_.empty()) {
        tjhandle h = free_.back();
        free_.pop_back();
        return h;
      }
    }
    return make_();
  }
  void Give(tjhandle h) {
    if (h == nullptr) return;
    std::lock_guard<std::mutex> lock(mutex_);
    free_.push_back(h);
  }

 private:
  tjhandle (*make_)();
  std::mutex mutex_;
  std::vector<tjhandle> free_;
};

// A handle of `pool` for as long as it lives.
class LentHandle {
 public:
  explicit LentHandle(TjPool& pool) : pool_(pool), handle_(pool.Take()) {}
  ~LentHandle() { pool_.Give(handle_); }
  LentHandle(const LentHandle&) = delete;
  LentHandle& operator=(const LentHandle&) = delete;
  tjhandle get() const { return handle_; }

 private:
  TjPool& pool_;
  tjhandle handle_;
};

TjPool& Decompressors() {
  static TjPool pool(tjInitDecompress);
  return pool;
}
TjPool& Compressors() {
  static TjPool pool(tjInitCompress);
  return pool;
}

// 8-bit pixels, `channels` (1 or 3) a pixel, rows top to bottom.
struct Pixels {
  int width = 0;
  int height = 0;
  int channels = 3;
  std::vector<std::uint8_t> data;
};

// `in` reduced to `width` x `height` (neither larger than in's), each
// output pixel the average of what it covers, channel by channel.
Pixels Reduce(const Pixels& in, int width, int height) {
  if (width == in.width && height == in.height) return in;
  const int ch = in.channels;
  const ResampleTaps xs =
      MakeResampleTaps(in.width, width, static_cast<double>(in.width) / width);
  const ResampleTaps ys = MakeResampleTaps(
      in.height, height, static_cast<double>(in.height) / height);
  Pixels out{width, height, ch, {}};
  out.data.resize(static_cast<std::size_t>(width) * height * ch);
  const std::size_t count = static_cast<std::size_t>(in.width) * in.height;
  std::vector<std::uint8_t> plane(count);
  for (int c = 0; c < ch; ++c) {
    for (std::size_t i = 0; i < count; ++i) plane[i] = in.data[i * ch + c];
    const std::vector<std::uint16_t> reduced =
        ResamplePlane(plane.data(), in.width, in.width, xs, ys);
    for (std::size_t i = 0; i < reduced.size(); ++i) {
      out.data[i * ch + c] = static_cast<std::uint8_t>((reduced[i] + 8) >> 4);
    }
  }
  return out;
}

// `in` as it is to be seen under EXIF `orientation`.
Pixels Upright(Pixels in, int orientation) {
  if (orientation < 2 || orientation > 8) return in;
  const int w = in.width, h = in.height, ch = in.channels;
  Pixels out;
  UprightSize(orientation, w, h, &out.width, &out.height);
  out.channels = ch;
  out.data.resize(in.data.size());
  for (int y = 0; y < out.height; ++y) {
    for (int x = 0; x < out.width; ++x) {
      int sx = x, sy = y;
      switch (orientation) {
        case 2:
          sx = w - 1 - x;
          break;
        case 3:
          sx = w - 1 - x;
          sy = h - 1 - y;
          break;
        case 4:
          sy = h - 1 - y;
          break;
        case 5:
          sx = y;
          sy = x;
          break;
        case 6:
          sx = y;
          sy = h - 1 - x;
          break;
        case 7:
          sx = w - 1 - y;
          sy = h - 1 - x;
          break;
        case 8:
          sx = w - 1 - y;
          sy = x;
          break;
      }
      const std::uint8_t* s =
          &in.data[(static_cast<std::size_t>(sy) * w + sx) * ch];
      std::uint8_t* d =
          &out.data[(static_cast<std::size_t>(y) * out.width + x) * ch];
      std::copy(s, s + ch, d);
    }
  }
  return out;
}

// The pixels a picture of `width` x `height` (upright) needs when printed as
// large as fits in the box at kPhotoDpi; never more than it has.
void NeededSize(int width, int height, double box_width, double box_height,
                int* need_w, int* need_h) {
  const double scale = std::min(box_width / width, box_height / height);
  const double dots = kPhotoDpi / 72.0;
  *need_w =
      std::clamp(static_cast<int>(std::ceil(width * scale * dots)), 1, width);
  *need_h =
      std::clamp(static_cast<int>(std::ceil(height * scale * dots)), 1, height);
}

Status Encode(const Pixels& p, PreparedPhoto* out) {
  unsigned char* buffer = nullptr;
  unsigned long size = 0;
  const bool grey = p.channels == 1;
  const LentHandle compressor(Compressors());
  if (tjCompress2(compressor.get(), p.data.data(), p.width, 0, p.height,
                  grey ? TJPF_GRAY : TJPF_RGB, &buffer, &size,
                  grey ? TJSAMP_GRAY : TJSAMP_420, kPhotoJpegQuality,
                  TJFLAG_FASTDCT) != 0) {
    tjFree(buffer);
    return Status::Error(kNoEncode);
  }
  out->picture.bytes.assign(reinterpret_cast<const char*>(buffer), size);
  tjFree(buffer);
  out->picture.width = p.width;
  out->picture.height = p.height;
  out->picture.components = p.channels;
  out->as_is = false;
  return Status::OK();
}

// CMYK as Adobe's programs write it (inverted), multiplied out to RGB.
Pixels CmykToRgb(const std::vector<std::uint8_t>& cmyk, int width, int height) {
  Pixels out{width, height, 3, {}};
  const std::size_t n = static_cast<std::size_t>(width) * height;
  out.data.resize(n * 3);
  for (std::size_t i = 0; i < n; ++i) {
    const unsigned k = cmyk[i * 4 + 3];
    for (int c = 0; c < 3; ++c) {
      out.data[i * 3 + c] =
          static_cast<std::uint8_t>((cmyk[i * 4 + c] * k + 127) / 255);
    }
  }
  return out;
}

Status PrepareJpeg(std::string_view bytes, double box_width, double box_height,
                   PreparedPhoto* out) {
  out->tags = ReadPhotoTags(bytes);
  const LentHandle decompressor(Decompressors());
  tjhandle tj = decompressor.get();
  if (tj == nullptr) return Status::Error(kBrokenJpeg);
  const auto* data = reinterpret_cast<const unsigned char*>(bytes.data());
  const auto size = static_cast<unsigned long>(bytes.size());
  int width = 0, height = 0, subsamp = 0, colorspace = 0;
  if (tjDecompressHeader3(tj, data, size, &width, &height, &subsamp,
                          &colorspace) != 0 ||
      width <= 0 || height <= 0) {
    return Status::Error(kBrokenJpeg);
  }
  if (static_cast<std::uint64_t>(width) * height > kMaxPhotoPixels) {
    return Status::Error(TooLarge(width, height));
  }
  const int orientation = out->tags.orientation;
  int upright_w, upright_h, need_w, need_h;
  UprightSize(orientation, width, height, &upright_w, &upright_h);
  NeededSize(upright_w, upright_h, box_width, box_height, &need_w, &need_h);
  const bool cmyk = colorspace == TJCS_CMYK || colorspace == TJCS_YCCK;
  const bool grey = colorspace == TJCS_GRAY;
  if (orientation == 1 && !cmyk && need_w >= upright_w && need_h >= upright_h) {
    out->picture.bytes.assign(bytes);
    out->picture.width = width;
    out->picture.height = height;
    out->picture.components = grey ? 1 : 3;
    out->as_is = true;
    return Status::OK();
  }

  // The smallest reduction the decoder offers that still gives the pixels
  // needed, in the file's own orientation.
  int stored_need_w, stored_need_h;
  UprightSize(orientation, need_w, need_h, &stored_need_w, &stored_need_h);
  int count = 0;
  const tjscalingfactor* factors = tjGetScalingFactors(&count);
  tjscalingfactor best{1, 1};
  for (int i = 0; i < count; ++i) {
    const tjscalingfactor f = factors[i];
    if (f.num > f.denom) continue;
    if (TJSCALED(width, f) >= stored_need_w &&
        TJSCALED(height, f) >= stored_need_h &&
        f.num * best.denom < best.num * f.denom) {
      best = f;
    }
  }
  const int scaled_w = TJSCALED(width, best);
  const int scaled_h = TJSCALED(height, best);
  const int pixel_bytes = cmyk ? 4 : grey ? 1 : 3;
  if (static_cast<std::uint64_t>(scaled_w) * scaled_h * pixel_bytes >
      kMaxPhotoDecodeBytes) {
    return Status::Error(TooLarge(width, height));
  }
  const int reduced_w = std::min(scaled_w, stored_need_w);
  const int reduced_h = std::min(scaled_h, stored_need_h);
  Pixels pixels;
  EighthImage eighth;
  if (!cmyk && best.num * 8 == best.denom &&
      DecodeJpegEighth(bytes, reduced_w, reduced_h, &eighth)) {
    // The common case, a photo printed at an eighth of its size or less:
    // read from its blocks' averages alone, straight at the size needed.
    pixels = Pixels{eighth.width, eighth.height, eighth.channels,
                    std::move(eighth.pixels)};
  } else {
    std::vector<std::uint8_t> decoded(static_cast<std::size_t>(scaled_w) *
                                      scaled_h * pixel_bytes);
    const int format = cmyk ? TJPF_CMYK : grey ? TJPF_GRAY : TJPF_RGB;
    if (tjDecompress2(tj, data, size, decoded.data(), scaled_w, 0, scaled_h,
                      format, TJFLAG_FASTDCT | TJFLAG_LIMITSCANS) != 0 &&
        tjGetErrorCode(tj) != TJERR_WARNING) {
      // A warning (a truncated file, say) still leaves a picture, with grey
      // where the data ended, as every viewer shows it.
      return Status::Error(kBrokenJpeg);
    }
    if (cmyk) {
      pixels = CmykToRgb(decoded, scaled_w, scaled_h);
    } else {
      pixels = Pixels{scaled_w, scaled_h, grey ? 1 : 3, std::move(decoded)};
    }
    pixels = Reduce(pixels, reduced_w, reduced_h);
  }
  return Encode(Upright(std::move(pixels), orientation), out);
}

// The size an IHDR chunk claims, before anything is decoded.
bool PngSize(std::string_view bytes, std::uint32_t* width,
             std::uint32_t* height) {
  if (bytes.size() < 24) return false;
  auto be32 = [&](std::size_t at) {
    return static_cast<std::uint32_t>(static_cast<unsigned char>(bytes[at]))
               << 24 |
           static_cast<std::uint32_t>(static_cast<unsigned char>(bytes[at + 1]))
               << 16 |
           static_cast<std::uint32_t>(static_cast<unsigned char>(bytes[at + 2]))
               << 8 |
           static_cast<std::uint32_t>(
               static_cast<unsigned char>(bytes[at + 3]));
  };
  *width = be32(16);
  *height = be32(20);
  return true;
}

Status PreparePng(std::string_view bytes, double box_width, double box_height,
                  PreparedPhoto* out) {
  std::uint32_t width = 0, height = 0;
  if (!PngSize(bytes, &width, &height)) return Status::Error(kBrokenPng);
  if (static_cast<std::uint64_t>(width) * height * 4 > kMaxPhotoDecodeBytes) {
    return Status::Error(TooLarge(width, height));
  }
  RgbaImage rgba;
  if (!DecodePngMemory(bytes, "", &rgba).ok()) {
    return Status::Error(kBrokenPng);
  }
  // Transparency shows the white of the page.
  Pixels pixels{rgba.width, rgba.height, 3, {}};
  const std::size_t n = static_cast<std::size_t>(rgba.width) * rgba.height;
  pixels.data.resize(n * 3);
  for (std::size_t i = 0; i < n; ++i) {
    const unsigned a = rgba.pixels[i * 4 + 3];
    for (int c = 0; c < 3; ++c) {
      pixels.data[i * 3 + c] = static_cast<std::uint8_t>(
          (rgba.pixels[i * 4 + c] * a + 255 * (255 - a) + 127) / 255);
    }
  }
  rgba = RgbaImage();
  int need_w, need_h;
  NeededSize(pixels.width, pixels.height, box_width, box_height, &need_w,
             &need_h);
  return Encode(Reduce(pixels, need_w, need_h), out);
}

ExifEntry* Entry(ExifData* data, ExifIfd ifd, ExifTag tag) {
  return exif_content_get_entry(data->ifd[ifd], tag);
}

// Degrees from the three rationals of a GPS coordinate.
std::optional<double> Degrees(ExifEntry* e, ExifByteOrder order) {
  if (e == nullptr || e->format != EXIF_FORMAT_RATIONAL || e->components < 3 ||
      e->size < 24) {
    return std::nullopt;
  }
  double parts[3];
  for (int i = 0; i < 3; ++i) {
    const ExifRational r = exif_get_rational(e->data + 8 * i, order);
    if (r.denominator == 0) return std::nullopt;
    parts[i] = static_cast<double>(r.numerator) / r.denominator;
  }
  return parts[0] + parts[1] / 60 + parts[2] / 3600;
}

char RefLetter(ExifEntry* e) {
  if (e == nullptr || e->format != EXIF_FORMAT_ASCII || e->size < 1) return 0;
  return static_cast<char>(e->data[0]);
}

void Pad2(std::string* out, int v) {
  out->push_back(static_cast<char>('0' + v / 10 % 10));
  out->push_back(static_cast<char>('0' + v % 10));
}

}  // namespace

PhotoTags ReadPhotoTags(std::string_view jpeg_bytes) {
  PhotoTags tags;
  ExifData* data = exif_data_new();
  if (data == nullptr) return tags;
  // As the file has it: following the standard would add the tags it
  // requires, a date of taking among them, with made-up values.
  exif_data_unset_option(data, EXIF_DATA_OPTION_FOLLOW_SPECIFICATION);
  exif_data_load_data(data,
                      reinterpret_cast<const unsigned char*>(jpeg_bytes.data()),
                      static_cast<unsigned int>(std::min<std::size_t>(
                          jpeg_bytes.size(), 0xFFFFFFFFu)));
  const ExifByteOrder order = exif_data_get_byte_order(data);
  if (ExifEntry* e = Entry(data, EXIF_IFD_0, EXIF_TAG_ORIENTATION);
      e != nullptr && e->format == EXIF_FORMAT_SHORT && e->size >= 2) {
    const int o = exif_get_short(e->data, order);
    if (o >= 1 && o <= 8) tags.orientation = o;
  }
  if (ExifEntry* e = Entry(data, EXIF_IFD_EXIF, EXIF_TAG_DATE_TIME_ORIGINAL);
      e != nullptr && e->format == EXIF_FORMAT_ASCII && e->data != nullptr) {
    std::string text(reinterpret_cast<const char*>(e->data), e->size);
    text.erase(std::find(text.begin(), text.end(), '\0'), text.end());
    tags.taken = text;
  }
  const std::optional<double> lat = Degrees(
      Entry(data, EXIF_IFD_GPS, static_cast<ExifTag>(EXIF_TAG_GPS_LATITUDE)),
      order);
  const std::optional<double> lon = Degrees(
      Entry(data, EXIF_IFD_GPS, static_cast<ExifTag>(EXIF_TAG_GPS_LONGITUDE)),
      order);
  const char lat_ref = RefLetter(Entry(
      data, EXIF_IFD_GPS, static_cast<ExifTag>(EXIF_TAG_GPS_LATITUDE_REF)));
  const char lon_ref = RefLetter(Entry(
      data, EXIF_IFD_GPS, static_cast<ExifTag>(EXIF_TAG_GPS_LONGITUDE_REF)));
  if (lat && lon && *lat <= 90 && *lon <= 180 &&
      (lat_ref == 'N' || lat_ref == 'S') &&
      (lon_ref == 'E' || lon_ref == 'W')) {
    tags.gps = GpsPosition{lat_ref == 'S' ? -*lat : *lat,
                           lon_ref == 'W' ? -*lon : *lon};
  }
  exif_data_unref(data);
  return tags;
}

Status PreparePhoto(std::string_view bytes, double box_width, double box_height,
                    PreparedPhoto* out) {
  *out = PreparedPhoto();
  if (bytes.empty()) return Status::Error(kEmpty);
  if (!(box_width > 0) || !(box_height > 0) || !std::isfinite(box_width) ||
      !std::isfinite(box_height)) {
    return Status::Error(kNoEncode);
  }
  if (StartsWith(bytes, "\xFF\xD8\xFF")) {
    return PrepareJpeg(bytes, box_width, box_height, out);
  }
  if (StartsWith(bytes, "\x89PNG\r\n\x1A\n")) {
    return PreparePng(bytes, box_width, box_height, out);
  }
  return Status::Error(kNotAnImage);
}

Status EncodeRgbJpeg(const std::uint8_t* rgb, int width, int height,
                     int quality, std::string* out) {
  unsigned char* buffer = nullptr;
  unsigned long size = 0;
  const LentHandle compressor(Compressors());
  if (tjCompress2(compressor.get(), rgb, width, 0, height, TJPF_RGB, &buffer,
                  &size, TJSAMP_420, quality, 0) != 0) {
    tjFree(buffer);
    return Status::Error(kNoEncode);
  }
  out->assign(reinterpret_cast<const char*>(buffer), size);
  tjFree(buffer);
  return Status::OK();
}

std::string LocalDateTime(std::int64_t seconds) {
  const std::time_t t = static_cast<std::time_t>(seconds);
  std::tm tm{};
  {
    // std::localtime shares one result between threads on some systems;
    // photos are prepared on several.
    static std::mutex mutex;
    std::lock_guard<std::mutex> lock(mutex);
    const std::tm* local = std::localtime(&t);
    if (local == nullptr) return std::string();
    tm = *local;
  }
  std::string out;
  Pad2(&out, tm.tm_mday);
  out.push_back('/');
  Pad2(&out, tm.tm_mon + 1);
  out.push_back('/');
  out += std::to_string(tm.tm_year + 1900);
  out.push_back(' ');
  Pad2(&out, tm.tm_hour);
  out.push_back(':');
  Pad2(&out, tm.tm_min);
  out.push_back(':');
  Pad2(&out, tm.tm_sec);
  return out;
}

}  // namespace zarvek
