#include "image/photo_decode.h"

#include <libexif/exif-data.h>
#include <turbojpeg.h>

// jpeglib.h needs FILE and size_t declared before it.
#include <cstddef>
#include <cstdio>
// clang-format off
#include <jpeglib.h>
#include <jerror.h>
// clang-format on

#include <algorithm>
#include <atomic>
#include <cmath>
#include <csetjmp>
#include <ctime>
#include <memory>
#include <mutex>
#include <vector>

#include "image/jpeg_eighth.h"
#include "image/plane_resample.h"
#include "image/png_decode.h"
#include "platform/local_time.h"

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
constexpr char kCancelled[] = "CANCELADO";
constexpr char kEndsEarly[] = "ARCHIVO INCOMPLETO";
constexpr char kDataErrors[] = "DATOS ERRÓNEOS";

std::string TooLarge(std::uint64_t width, std::uint64_t height) {
  return "IMAGEN DEMASIADO GRANDE (" + std::to_string(width) + " × " +
         std::to_string(height) + " PÍXELES)";
}

bool StartsWith(std::string_view bytes, std::string_view magic) {
  return bytes.size() >= magic.size() && bytes.substr(0, magic.size()) == magic;
}

// TurboJPEG handles, lent one to a caller at a time and kept for the next:
// making one costs more than a small photo's encode. A shared pool rather
// than one handle per thread, because objects of a thread's own storage
// are not destroyed reliably when the thread ends on Windows (MinGW's
// emulated thread storage frees them first). A handle that has failed is
// never lent again: libjpeg-turbo leaves such a handle failing every later
// call.
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

// A handle of `pool` for as long as it lives; given back to the pool at the
// end unless a call on it failed (Failed()), and destroyed then.
class LentHandle {
 public:
  explicit LentHandle(TjPool& pool) : pool_(pool), handle_(pool.Take()) {}
  ~LentHandle() {
    if (failed_) {
      if (handle_ != nullptr) tjDestroy(handle_);
    } else {
      pool_.Give(handle_);
    }
  }
  LentHandle(const LentHandle&) = delete;
  LentHandle& operator=(const LentHandle&) = delete;
  tjhandle get() const { return handle_; }
  void Failed() { failed_ = true; }

 private:
  TjPool& pool_;
  tjhandle handle_;
  bool failed_ = false;
};

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
  const Status encoded =
      EncodeJpeg(p.data.data(), p.width, p.height, p.channels,
                 kPhotoJpegQuality, &out->picture.bytes);
  if (!encoded.ok()) return encoded;
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

// libjpeg's decoder (jpeglib.h), watched so that a hostile file cannot take
// more memory than kMaxPhotoDecodeBytes, run through more than
// kMaxJpegScans scans, or go on after a cancel. Its errors come back here
// by longjmp: the functions that call setjmp hold nothing with a
// destructor, and every libjpeg object lives in JpegDecoder, which frees it
// however the decode ended. A decoder serves one file and is destroyed with
// it, so a failure never reaches the next photo.
constexpr int kCancelCode = -1;
constexpr int kTooManyScansCode = -2;

struct JpegErrorTrap {
  jpeg_error_mgr pub;  // first: libjpeg sees only this
  std::jmp_buf jump;
  int code = 0;
  // What the warnings met while the image data was decoded (`watching`)
  // said: the file ended before its end marker, the data ran into a marker
  // before the bits it needed, the data held errors before the file ended.
  bool watching = false;
  bool multi_scan = false;
  bool file_ended = false;
  bool ran_short = false;
  bool bad_data = false;
};

struct JpegWatch {
  jpeg_progress_mgr pub;  // first
  const std::atomic<bool>* cancel = nullptr;
};

[[noreturn]] void JumpOut(j_common_ptr cinfo, int code) {
  auto* trap = reinterpret_cast<JpegErrorTrap*>(cinfo->err);
  trap->code = code;
  std::longjmp(trap->jump, 1);
}

void OnJpegError(j_common_ptr cinfo) { JumpOut(cinfo, cinfo->err->msg_code); }

// Warnings (data that ends early, a bad code) leave a picture with grey
// where the data broke, as every viewer shows it; nothing is printed.
void OnJpegMessage(j_common_ptr) {}

// Notes the warnings about damaged image data (level -1; traces are
// higher), so that such a photo is printed as far as it goes and told
// apart from a whole one (JpegDamage). Warnings about the headers (a JFIF
// version, an Adobe transform, an ICC profile) are not damage to the
// picture.
void OnJpegWarning(j_common_ptr cinfo, int level) {
  if (level >= 0) return;
  auto* trap = reinterpret_cast<JpegErrorTrap*>(cinfo->err);
  if (!trap->watching) return;
  switch (cinfo->err->msg_code) {
    case JWRN_JPEG_EOF:
      trap->file_ended = true;
      break;
    case JWRN_HIT_MARKER:
      trap->ran_short = true;
      break;
    case JWRN_HUFF_BAD_CODE:
    case JWRN_ARITH_BAD_CODE:
    case JWRN_MUST_RESYNC:
    case JWRN_EXTRANEOUS_DATA:
      if (!trap->file_ended) trap->bad_data = true;
      break;
    default:
      break;
  }
}

// Called by libjpeg before each row of blocks it reads or writes, also
// while it takes in the scans of a progressive file before the first row.
void OnJpegProgress(j_common_ptr cinfo) {
  const auto* watch = reinterpret_cast<const JpegWatch*>(cinfo->progress);
  if (watch->cancel != nullptr &&
      watch->cancel->load(std::memory_order_relaxed)) {
    JumpOut(cinfo, kCancelCode);
  }
  if (reinterpret_cast<j_decompress_ptr>(cinfo)->input_scan_number >
      kMaxJpegScans) {
    JumpOut(cinfo, kTooManyScansCode);
  }
}

struct JpegDecoder {
  jpeg_decompress_struct cinfo{};
  JpegErrorTrap trap{};
  JpegWatch watch{};
  ~JpegDecoder() { jpeg_destroy_decompress(&cinfo); }
};

// Reads the headers of `bytes` up to the first scan. False on any error
// (the code in d->trap.code).
bool ReadJpegHeader(JpegDecoder* d, const unsigned char* data,
                    unsigned long size, const std::atomic<bool>* cancel) {
  d->cinfo.err = jpeg_std_error(&d->trap.pub);
  d->trap.pub.error_exit = OnJpegError;
  d->trap.pub.output_message = OnJpegMessage;
  d->trap.pub.emit_message = OnJpegWarning;
  d->watch.pub.progress_monitor = OnJpegProgress;
  d->watch.cancel = cancel;
  if (setjmp(d->trap.jump)) return false;
  jpeg_create_decompress(&d->cinfo);
  d->cinfo.progress = &d->watch.pub;
  jpeg_mem_src(&d->cinfo, data, size);
  jpeg_read_header(&d->cinfo, TRUE);
  return true;
}

// Sets the output of the decode (the scale `eighths`/8, the colour space)
// and computes its size.
bool SetJpegOutput(JpegDecoder* d, int eighths, J_COLOR_SPACE space) {
  if (setjmp(d->trap.jump)) return false;
  d->cinfo.scale_num = static_cast<unsigned>(eighths);
  d->cinfo.scale_denom = 8;
  d->cinfo.out_color_space = space;
  d->cinfo.dct_method = JDCT_IFAST;
  jpeg_calc_output_dimensions(&d->cinfo);
  return true;
}

// Decodes every output row into `out` (`row_bytes` a row); libjpeg's own
// memory stays within `work_bytes`.
bool DecodeJpegRows(JpegDecoder* d, std::size_t work_bytes, std::uint8_t* out,
                    std::size_t row_bytes) {
  if (setjmp(d->trap.jump)) return false;
  d->cinfo.mem->max_memory_to_use = static_cast<long>(work_bytes);
  d->trap.multi_scan = d->cinfo.progressive_mode ||
                       d->cinfo.comps_in_scan < d->cinfo.num_components;
  d->trap.watching = true;
  jpeg_start_decompress(&d->cinfo);
  while (d->cinfo.output_scanline < d->cinfo.output_height) {
    JSAMPROW row = out + d->cinfo.output_scanline * row_bytes;
    jpeg_read_scanlines(&d->cinfo, &row, 1);
  }
  return true;
}

// What libjpeg keeps of a file as a whole before the first row comes out:
// every coefficient of every component (128 bytes a block) when the file
// has several scans (progressive, or components in scans of their own);
// nothing for a single interleaved scan, which is decoded a row at a time.
std::uint64_t CoefficientBytes(const jpeg_decompress_struct& c) {
  if (!c.progressive_mode && c.comps_in_scan >= c.num_components) return 0;
  std::uint64_t total = 0;
  for (int i = 0; i < c.num_components; ++i) {
    const jpeg_component_info& comp = c.comp_info[i];
    const auto round_up = [](std::uint64_t n, std::uint64_t m) {
      return m == 0 ? n : (n + m - 1) / m * m;
    };
    total += round_up(comp.width_in_blocks, comp.h_samp_factor) *
             round_up(comp.height_in_blocks, comp.v_samp_factor) *
             sizeof(JBLOCK);
  }
  return total;
}

// What is wrong with a picture libjpeg decoded to its end; empty when it
// is whole. The data holds errors when a code was bad, a restart was lost
// or the data ran into a marker of the file's own (corrupt data decoded on
// runs past its end); it ends early when the file ends before the bits
// needed or, for a file of several scans, before its last scan. A single
// scan whose data is all there is whole even without the end marker, as
// the eighth reader (image/jpeg_eighth.h) finds it too.
const char* JpegDamage(const JpegErrorTrap& t) {
  if (t.bad_data) return kDataErrors;
  if (t.file_ended && (t.ran_short || t.multi_scan)) return kEndsEarly;
  if (t.ran_short) return kDataErrors;
  return "";
}

// The reason for a decode that libjpeg ended with `code`.
std::string JpegFailure(int code, int width, int height) {
  switch (code) {
    case kCancelCode:
      return kCancelled;
    case JERR_OUT_OF_MEMORY:
    case JERR_NO_BACKING_STORE:
    case JERR_IMAGE_TOO_BIG:
    case JERR_WIDTH_OVERFLOW:
      return TooLarge(width, height);
    default:
      return kBrokenJpeg;
  }
}

std::uint16_t BigEndian16(const unsigned char* p) {
  return static_cast<std::uint16_t>(p[0] << 8 | p[1]);
}

// The end of the entropy-coded data of a scan that starts at `p`: the next
// marker that is neither a stuffed zero nor a restart; `end` when the data
// runs to the end of the file.
const unsigned char* EndOfScanData(const unsigned char* p,
                                   const unsigned char* end) {
  while (p < end) {
    if (*p != 0xFF) {
      ++p;
      continue;
    }
    const unsigned char* q = p + 1;
    while (q < end && *q == 0xFF) ++q;
    if (q >= end) return end;
    if (*q == 0x00 || (*q >= 0xD0 && *q <= 0xD7)) {
      p = q + 1;
      continue;
    }
    break;
  }
  return p;
}

// The JPEG `bytes` with only what a decoder needs to show the picture: every
// application segment (EXIF, JFIF, XMP, ICC profiles, thumbnails) and
// comment dropped, and anything after the end of the image. A 3-component
// picture gets an Adobe segment that says whether its samples are YCbCr or
// RGB, `rgb` (as libjpeg decided from what was dropped), which PDF readers
// follow for DCT pictures. False when the file's structure cannot be
// followed to its end marker; the caller then encodes the picture afresh.
bool StripJpeg(std::string_view bytes, int components, bool rgb,
               std::string* out) {
  const auto* p = reinterpret_cast<const unsigned char*>(bytes.data());
  const auto* end = p + bytes.size();
  if (end - p < 4 || p[0] != 0xFF || p[1] != 0xD8) return false;
  out->clear();
  out->append("\xFF\xD8", 2);
  if (components == 3) {
    static const char kAdobe[] =
        "\xFF\xEE\x00\x0E"
        "Adobe\x00\x64\x00\x00\x00\x00";
    out->append(kAdobe, 15);
    out->push_back(rgb ? '\0' : '\x01');
  }
  p += 2;
  for (;;) {
    // A marker, after any number of fill bytes.
    if (p >= end || *p != 0xFF) return false;
    while (p < end && *p == 0xFF) ++p;
    if (p >= end) return false;
    const unsigned char marker = *p++;
    if (marker == 0xD9) {
      out->append("\xFF\xD9", 2);
      return true;
    }
    if (marker == 0x00 || marker == 0x01 ||
        (marker >= 0xD0 && marker <= 0xD8)) {
      return false;  // no segment starts so here
    }
    if (end - p < 2) return false;
    const std::uint16_t length = BigEndian16(p);
    if (length < 2 || end - p < length) return false;
    const bool drop = (marker >= 0xE0 && marker <= 0xEF) || marker == 0xFE;
    if (!drop) {
      out->push_back('\xFF');
      out->push_back(static_cast<char>(marker));
      out->append(reinterpret_cast<const char*>(p), length);
    }
    p += length;
    if (marker != 0xDA) continue;
    const unsigned char* data = p;
    p = EndOfScanData(p, end);
    if (p >= end) return false;
    out->append(reinterpret_cast<const char*>(data), p - data);
  }
}

// The colours a JPEG holds, as the steps of PrepareJpeg read them.
struct JpegColours {
  bool cmyk = false;
  bool grey = false;
  int channels = 3;  // of the picture made: 1 (grey) or 3 (RGB)
};

// Refuses a picture that is empty, too large, of colours not read here, or
// whose coefficients alone would not fit; otherwise says its colours.
Status CheckJpegFrame(const jpeg_decompress_struct& info, JpegColours* colours,
                      std::uint64_t* coefficients) {
  const int width = static_cast<int>(info.image_width);
  const int height = static_cast<int>(info.image_height);
  if (width <= 0 || height <= 0) return Status::Error(kBrokenJpeg);
  if (static_cast<std::uint64_t>(width) * height > kMaxPhotoPixels) {
    return Status::Error(TooLarge(width, height));
  }
  const J_COLOR_SPACE space = info.jpeg_color_space;
  colours->cmyk = space == JCS_CMYK || space == JCS_YCCK;
  colours->grey = space == JCS_GRAYSCALE;
  colours->channels = colours->grey ? 1 : 3;
  if (!colours->cmyk && !colours->grey && space != JCS_YCbCr &&
      space != JCS_RGB) {
    return Status::Error(kBrokenJpeg);
  }
  // Whatever the scale, a file of several scans is held whole as
  // coefficients: refused at once when they alone would not fit.
  *coefficients = CoefficientBytes(info);
  if (*coefficients > kMaxPhotoDecodeBytes) {
    return Status::Error(TooLarge(width, height));
  }
  return Status::OK();
}

// A picture small enough as it is: its image data goes in unchanged,
// unless the file holds far more than such a picture needs (many scans,
// padding), which is then encoded afresh. True when it went in as it is.
bool TakeJpegAsIs(std::string_view bytes, const jpeg_decompress_struct& info,
                  int channels, PreparedPhoto* out) {
  const int width = static_cast<int>(info.image_width);
  const int height = static_cast<int>(info.image_height);
  const std::uint64_t enough =
      static_cast<std::uint64_t>(width) * height * channels + (64 << 10);
  std::string stripped;
  if (!StripJpeg(bytes, info.num_components, info.jpeg_color_space == JCS_RGB,
                 &stripped) ||
      stripped.size() > enough) {
    return false;
  }
  out->picture.bytes = std::move(stripped);
  out->picture.width = width;
  out->picture.height = height;
  out->picture.components = channels;
  out->as_is = true;
  return true;
}

// `n` pixels reduced to `eighths`/8 by the decoder, rounded up as it does.
int ScaledSize(int n, int eighths) {
  return static_cast<int>((static_cast<std::int64_t>(n) * eighths + 7) / 8);
}

// The smallest reduction the decoder offers (n/8) that still gives
// `need_w` x `need_h` pixels of a `width` x `height` picture.
int ChooseEighths(int width, int height, int need_w, int need_h) {
  int eighths = 1;
  while (eighths < 8 && (ScaledSize(width, eighths) < need_w ||
                         ScaledSize(height, eighths) < need_h)) {
    ++eighths;
  }
  return eighths;
}

// Decodes the picture through the library at `eighths`/8 of its size
// (scaled_w x scaled_h, `pixel_memory` bytes) and reduces it to
// reduced_w x reduced_h.
Status DecodeJpegScaled(JpegDecoder* decoder, const JpegColours& colours,
                        int eighths, int scaled_w, int scaled_h,
                        std::uint64_t pixel_memory, int reduced_w,
                        int reduced_h, Pixels* pixels) {
  const jpeg_decompress_struct& info = decoder->cinfo;
  const int width = static_cast<int>(info.image_width);
  const int height = static_cast<int>(info.image_height);
  const bool cmyk = colours.cmyk;
  const int pixel_bytes = cmyk ? 4 : colours.channels;
  const J_COLOR_SPACE wanted = cmyk           ? JCS_CMYK
                               : colours.grey ? JCS_GRAYSCALE
                                              : JCS_RGB;
  if (!SetJpegOutput(decoder, eighths, wanted) ||
      static_cast<int>(info.output_width) != scaled_w ||
      static_cast<int>(info.output_height) != scaled_h) {
    return Status::Error(JpegFailure(decoder->trap.code, width, height));
  }
  std::vector<std::uint8_t> decoded(pixel_memory);
  const std::size_t row_bytes =
      static_cast<std::size_t>(scaled_w) * pixel_bytes;
  if (!DecodeJpegRows(decoder, kMaxPhotoDecodeBytes - pixel_memory,
                      decoded.data(), row_bytes)) {
    return Status::Error(JpegFailure(decoder->trap.code, width, height));
  }
  // The coefficients go before the pixels are reduced.
  jpeg_abort_decompress(&decoder->cinfo);
  if (cmyk) {
    *pixels = CmykToRgb(decoded, scaled_w, scaled_h);
  } else {
    *pixels = Pixels{scaled_w, scaled_h, colours.channels, std::move(decoded)};
  }
  *pixels = Reduce(*pixels, reduced_w, reduced_h);
  return Status::OK();
}

// Decodes the picture of `decoder` at the smallest reduction the decoder
// offers (n/8) that still gives `need_w` x `need_h` pixels in the file's own
// orientation, and reduces it to those: from its blocks' averages when an
// eighth will do and the eighth reader takes the file, else through
// libjpeg, whose warnings say in `damage` when the data is not whole.
Status DecodeJpegNeeded(std::string_view bytes, JpegDecoder* decoder,
                        const JpegColours& colours, std::uint64_t coefficients,
                        int need_w, int need_h, Pixels* pixels,
                        std::string* damage, const std::atomic<bool>* cancel) {
  const int width = static_cast<int>(decoder->cinfo.image_width);
  const int height = static_cast<int>(decoder->cinfo.image_height);
  const int eighths = ChooseEighths(width, height, need_w, need_h);
  const int scaled_w = ScaledSize(width, eighths);
  const int scaled_h = ScaledSize(height, eighths);
  const int pixel_bytes = colours.cmyk ? 4 : colours.channels;
  const std::uint64_t pixel_memory =
      static_cast<std::uint64_t>(scaled_w) * scaled_h * pixel_bytes;
  if (pixel_memory + coefficients > kMaxPhotoDecodeBytes) {
    return Status::Error(TooLarge(width, height));
  }
  const int reduced_w = std::min(scaled_w, need_w);
  const int reduced_h = std::min(scaled_h, need_h);
  EighthImage eighth;
  if (!colours.cmyk && eighths == 1 &&
      DecodeJpegEighth(bytes, reduced_w, reduced_h, &eighth, cancel)) {
    // The common case, a photo printed at an eighth of its size or less:
    // read from its blocks' averages alone, straight at the size needed.
    *pixels = Pixels{eighth.width, eighth.height, eighth.channels,
                     std::move(eighth.pixels)};
    return Status::OK();
  }
  Status decoded =
      DecodeJpegScaled(decoder, colours, eighths, scaled_w, scaled_h,
                       pixel_memory, reduced_w, reduced_h, pixels);
  if (decoded.ok()) *damage = JpegDamage(decoder->trap);
  return decoded;
}

Status PrepareJpeg(std::string_view bytes, double box_width, double box_height,
                   PreparedPhoto* out, const std::atomic<bool>* cancel) {
  out->tags = ReadPhotoTags(bytes);
  JpegDecoder decoder;
  const auto* data = reinterpret_cast<const unsigned char*>(bytes.data());
  const auto size = static_cast<unsigned long>(bytes.size());
  if (!ReadJpegHeader(&decoder, data, size, cancel)) {
    return Status::Error(decoder.trap.code == kCancelCode ? kCancelled
                                                          : kBrokenJpeg);
  }
  const jpeg_decompress_struct& info = decoder.cinfo;
  JpegColours colours;
  std::uint64_t coefficients = 0;
  if (Status checked = CheckJpegFrame(info, &colours, &coefficients);
      !checked.ok()) {
    return checked;
  }
  const int orientation = out->tags.orientation;
  int upright_w, upright_h, need_w, need_h;
  UprightSize(orientation, static_cast<int>(info.image_width),
              static_cast<int>(info.image_height), &upright_w, &upright_h);
  NeededSize(upright_w, upright_h, box_width, box_height, &need_w, &need_h);
  int stored_need_w, stored_need_h;
  UprightSize(orientation, need_w, need_h, &stored_need_w, &stored_need_h);
  Pixels pixels;
  if (Status decoded = DecodeJpegNeeded(bytes, &decoder, colours, coefficients,
                                        stored_need_w, stored_need_h, &pixels,
                                        &out->damage, cancel);
      !decoded.ok()) {
    return decoded;
  }
  // A picture small enough keeps its own image data when the decode found
  // it whole; a damaged one is shown as decoded. (The header's sizes and
  // colours stay in `info` after the decode.)
  if (orientation == 1 && !colours.cmyk && need_w >= upright_w &&
      need_h >= upright_h && out->damage.empty() &&
      TakeJpegAsIs(bytes, info, colours.channels, out)) {
    return Status::OK();
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

// The EXIF block of a JPEG file: the payload of the APP1 segment that
// begins "Exif\0\0", wherever it stands among the segments before the
// image data (APPn segments and comments come in any order); empty when
// there is none or the segments cannot be followed. XMP, which is an APP1
// segment too, and the thumbnail inside the EXIF block are passed over:
// each segment is skipped whole by its length.
std::string_view FindExifBlock(std::string_view jpeg_bytes) {
  const auto* begin = reinterpret_cast<const unsigned char*>(jpeg_bytes.data());
  const auto* end = begin + jpeg_bytes.size();
  const auto* p = begin;
  if (end - p < 2 || p[0] != 0xFF || p[1] != 0xD8) return {};
  p += 2;
  for (;;) {
    // A marker, after any number of fill bytes.
    if (p >= end || *p != 0xFF) return {};
    while (p < end && *p == 0xFF) ++p;
    if (p >= end) return {};
    const unsigned char marker = *p++;
    // The image data, the end, or no segment that may stand here.
    if (marker == 0xDA || marker == 0xD9 || marker == 0x00 || marker == 0x01 ||
        (marker >= 0xD0 && marker <= 0xD8)) {
      return {};
    }
    if (end - p < 2) return {};
    const std::uint16_t length = BigEndian16(p);
    if (length < 2 || end - p < length) return {};
    static constexpr std::string_view kExifHeader("Exif\0\0", 6);
    const std::string_view payload(reinterpret_cast<const char*>(p + 2),
                                   length - 2);
    if (marker == 0xE1 &&
        payload.substr(0, kExifHeader.size()) == kExifHeader) {
      return payload;
    }
    p += length;
  }
}

}  // namespace

PhotoTags ReadPhotoTags(std::string_view jpeg_bytes) {
  PhotoTags tags;
  ExifData* data = exif_data_new();
  if (data == nullptr) return tags;
  // As the file has it: following the standard would add the tags it
  // requires, a date of taking among them, with made-up values.
  exif_data_unset_option(data, EXIF_DATA_OPTION_FOLLOW_SPECIFICATION);
  // libexif's own search of a JPEG file gives up at a comment or an XMP
  // block before the EXIF one: it is given the block itself (at most 64 KB,
  // a segment's length).
  const std::string_view exif = FindExifBlock(jpeg_bytes);
  if (exif.empty()) {
    exif_data_unref(data);
    return tags;
  }
  exif_data_load_data(data, reinterpret_cast<const unsigned char*>(exif.data()),
                      static_cast<unsigned int>(exif.size()));
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
                    PreparedPhoto* out, const std::atomic<bool>* cancel) {
  *out = PreparedPhoto();
  if (bytes.empty()) return Status::Error(kEmpty);
  if (!(box_width > 0) || !(box_height > 0) || !std::isfinite(box_width) ||
      !std::isfinite(box_height)) {
    return Status::Error(kNoEncode);
  }
  if (StartsWith(bytes, "\xFF\xD8\xFF")) {
    return PrepareJpeg(bytes, box_width, box_height, out, cancel);
  }
  if (StartsWith(bytes, "\x89PNG\r\n\x1A\n")) {
    return PreparePng(bytes, box_width, box_height, out);
  }
  return Status::Error(kNotAnImage);
}

Status EncodeJpeg(const std::uint8_t* pixels, int width, int height,
                  int channels, int quality, std::string* out) {
  unsigned char* buffer = nullptr;
  unsigned long size = 0;
  const bool grey = channels == 1;
  LentHandle compressor(Compressors());
  if (compressor.get() == nullptr || (channels != 1 && channels != 3) ||
      tjCompress2(compressor.get(), pixels, width, 0, height,
                  grey ? TJPF_GRAY : TJPF_RGB, &buffer, &size,
                  grey ? TJSAMP_GRAY : TJSAMP_420, quality,
                  TJFLAG_FASTDCT) != 0) {
    compressor.Failed();
    tjFree(buffer);
    return Status::Error(kNoEncode);
  }
  out->assign(reinterpret_cast<const char*>(buffer), size);
  tjFree(buffer);
  return Status::OK();
}

std::string LocalDateTime(std::int64_t seconds) {
  std::tm tm;
  if (!LocalTime(static_cast<std::time_t>(seconds), &tm)) return std::string();
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
