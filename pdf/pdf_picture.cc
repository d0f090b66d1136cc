#include "pdf/pdf_picture.h"

#include <zlib.h>

#include <cstdint>
#include <cstring>
#include <vector>

#include "platform/atomic_file.h"
#include "image/png_decode.h"
#include "platform/read_file.h"

namespace zarvek {
namespace {

constexpr std::string_view kPngSignature = "\x89PNG\r\n\x1a\n";
constexpr std::string_view kPreparedMagic = "ZKPDFIMG1\n";

// Pictures are read only from ordinary files: a FIFO or a device among
// them is refused at once instead of blocking the report.
Status ReadPicture(const std::string& path, std::string* out) {
  return ReadWholeFile(path, kMaxPngFileBytes, out);
}

std::uint32_t Be32(std::string_view s, std::size_t at) {
  return (std::uint32_t{static_cast<unsigned char>(s[at])} << 24) |
         (std::uint32_t{static_cast<unsigned char>(s[at + 1])} << 16) |
         (std::uint32_t{static_cast<unsigned char>(s[at + 2])} << 8) |
         std::uint32_t{static_cast<unsigned char>(s[at + 3])};
}

void PutBe32(std::string* out, std::uint32_t v) {
  for (int shift = 24; shift >= 0; shift -= 8) {
    out->push_back(static_cast<char>((v >> shift) & 0xFF));
  }
}

std::uint32_t Crc(std::string_view s) {
  uLong crc = crc32(0, nullptr, 0);
  // zlib takes at most 4 GiB a call; pictures are far smaller, but loop
  // all the same.
  while (!s.empty()) {
    const uInt n = static_cast<uInt>(std::min<std::size_t>(s.size(), 1u << 30));
    crc = crc32(crc, reinterpret_cast<const Bytef*>(s.data()), n);
    s.remove_prefix(n);
  }
  return static_cast<std::uint32_t>(crc);
}

std::string Number(long long v) { return std::to_string(v); }

std::string Broken(const std::string& path) {
  return "imagen PNG dañada o no admitida: " + path;
}

// The parts of a PNG file that direct embedding needs.
struct PngLayout {
  std::uint32_t width = 0, height = 0;
  int bit_depth = 0, colour_type = 0, interlace = 0;
  bool transparency = false;
  std::string_view palette;
  std::string idat;
};

// Walks the chunks of a complete PNG file, checking every CRC, and
// gathers what PngLayout holds. False for anything that is not a whole,
// well-formed PNG.
bool ParsePng(std::string_view file, PngLayout* png) {
  if (file.substr(0, 8) != kPngSignature) return false;
  std::size_t at = 8;
  bool header = false;
  while (at + 12 <= file.size()) {
    const std::uint32_t length = Be32(file, at);
    if (length > file.size() - at - 12) return false;
    const std::string_view type = file.substr(at + 4, 4);
    const std::string_view data = file.substr(at + 8, length);
    if (Crc(file.substr(at + 4, 4 + length)) != Be32(file, at + 8 + length)) {
      return false;
    }
    at += 12 + length;
    if (!header) {
      if (type != "IHDR" || length != 13) return false;
      header = true;
      png->width = Be32(data, 0);
      png->height = Be32(data, 4);
      png->bit_depth = static_cast<unsigned char>(data[8]);
      png->colour_type = static_cast<unsigned char>(data[9]);
      if (data[10] != 0 || data[11] != 0) return false;
      png->interlace = static_cast<unsigned char>(data[12]);
    } else if (type == "PLTE") {
      png->palette = data;
    } else if (type == "tRNS") {
      png->transparency = true;
    } else if (type == "IDAT") {
      png->idat.append(data);
    } else if (type == "IEND") {
      return !png->idat.empty();
    }
  }
  return false;  // no IEND: truncated
}

// Whether PDF can take the PNG's image data as it is: one image, no
// transparency, samples of at most 8 bits.
bool Embeddable(const PngLayout& png) {
  if (png.interlace != 0 || png.transparency) return false;
  const std::uint64_t pixels = std::uint64_t{png.width} * png.height;
  if (png.width == 0 || png.height == 0 || pixels > kMaxImagePixels) {
    return false;
  }
  switch (png.colour_type) {
    case 0:  // grey
      return png.bit_depth == 1 || png.bit_depth == 2 || png.bit_depth == 4 ||
             png.bit_depth == 8;
    case 2:  // RGB
      return png.bit_depth == 8;
    case 3:  // palette
      return (png.bit_depth == 1 || png.bit_depth == 2 || png.bit_depth == 4 ||
              png.bit_depth == 8) &&
             !png.palette.empty() && png.palette.size() % 3 == 0 &&
             png.palette.size() / 3 <= (1u << png.bit_depth);
    default:
      return false;
  }
}

// Whether the image data inflates to exactly the rows the header promises,
// each with a known filter: a file whose chunks are intact can still carry
// data that a reader would show broken. Inflates in small pieces, keeping
// nothing.
bool ImageDataIsSound(const PngLayout& png) {
  const int colours = png.colour_type == 2 ? 3 : 1;
  const std::uint64_t row =
      1 + (std::uint64_t{png.width} * colours * png.bit_depth + 7) / 8;
  const std::uint64_t expected = row * png.height;
  z_stream zs{};
  if (inflateInit(&zs) != Z_OK) return false;
  zs.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(png.idat.data()));
  zs.avail_in = static_cast<uInt>(png.idat.size());
  unsigned char buf[65536];
  std::uint64_t total = 0;
  std::uint64_t next_filter = 0;  // offset of the next row's filter byte
  int ret = Z_OK;
  while (ret == Z_OK) {
    zs.next_out = buf;
    zs.avail_out = sizeof buf;
    ret = inflate(&zs, Z_NO_FLUSH);
    if (ret != Z_OK && ret != Z_STREAM_END) break;
    const std::uint64_t produced = sizeof buf - zs.avail_out;
    if (total + produced > expected) {
      ret = Z_DATA_ERROR;
      break;
    }
    for (; next_filter < total + produced; next_filter += row) {
      if (buf[next_filter - total] > 4) ret = Z_DATA_ERROR;
    }
    total += produced;
    if (ret == Z_OK && produced == 0 && zs.avail_in == 0) break;
  }
  inflateEnd(&zs);
  return ret == Z_STREAM_END && total == expected && zs.avail_in == 0;
}

void EmbedDirectly(PngLayout&& png, PdfPicture* out) {
  const int colours = png.colour_type == 2 ? 3 : 1;
  if (png.colour_type == 0) {
    out->color_space = "/DeviceGray";
  } else if (png.colour_type == 2) {
    out->color_space = "/DeviceRGB";
  } else {
    out->palette.assign(png.palette);
  }
  const std::string depth = Number(png.bit_depth);
  out->width = static_cast<int>(png.width);
  out->height = static_cast<int>(png.height);
  out->color_entries = "/BitsPerComponent " + depth +
                       "/Filter/FlateDecode/DecodeParms<</Predictor 15"
                       "/Colors " +
                       Number(colours) + "/BitsPerComponent " + depth +
                       "/Columns " + Number(png.width) + ">>";
  out->color_data = std::move(png.idat);
  out->alpha_data.clear();
}

std::string Deflate(const std::vector<std::uint8_t>& raw, int level) {
  uLongf size = compressBound(static_cast<uLong>(raw.size()));
  std::string out(size, '\0');
  if (compress2(reinterpret_cast<Bytef*>(out.data()), &size, raw.data(),
                static_cast<uLong>(raw.size()), level) != Z_OK) {
    return std::string();
  }
  out.resize(size);
  return out;
}

constexpr char kRgbEntries[] = "/BitsPerComponent 8/Filter/FlateDecode";

// Decodes the PNG and compresses its colour and (when not opaque) alpha.
Status Recompress(std::string_view file, const std::string& path, int level,
                  PdfPicture* out) {
  RgbaImage rgba;
  Status s = DecodePngMemory(file, path, &rgba);
  if (!s.ok()) return s;
  const std::size_t n = static_cast<std::size_t>(rgba.width) *
                        static_cast<std::size_t>(rgba.height);
  std::vector<std::uint8_t> rgb(n * 3);
  std::vector<std::uint8_t> alpha(n);
  bool opaque = true;
  for (std::size_t i = 0; i < n; ++i) {
    std::memcpy(&rgb[3 * i], &rgba.pixels[4 * i], 3);
    alpha[i] = rgba.pixels[4 * i + 3];
    opaque = opaque && alpha[i] == 0xFF;
  }
  out->width = rgba.width;
  out->height = rgba.height;
  out->color_space = "/DeviceRGB";
  out->color_entries = kRgbEntries;
  out->color_data = Deflate(rgb, level);
  out->alpha_data = opaque ? std::string() : Deflate(alpha, level);
  if (out->color_data.empty() || (!opaque && out->alpha_data.empty())) {
    return Status::Error("no se pudo comprimir la imagen: " + path);
  }
  return Status::OK();
}

// The prepared copy: magic, then big-endian size and CRC of the PNG it was
// made from, width, height, the lengths of the colour and alpha data and
// the CRC of both; then the data.
std::string SerializePrepared(std::string_view png, const PdfPicture& p) {
  std::string out(kPreparedMagic);
  PutBe32(&out, static_cast<std::uint32_t>(png.size()));
  PutBe32(&out, Crc(png));
  PutBe32(&out, static_cast<std::uint32_t>(p.width));
  PutBe32(&out, static_cast<std::uint32_t>(p.height));
  PutBe32(&out, static_cast<std::uint32_t>(p.color_data.size()));
  PutBe32(&out, static_cast<std::uint32_t>(p.alpha_data.size()));
  PutBe32(&out, Crc(p.color_data + p.alpha_data));
  return out + p.color_data + p.alpha_data;
}

bool ParsePrepared(std::string_view prepared, std::string_view png,
                   PdfPicture* out) {
  const std::size_t head = kPreparedMagic.size() + 7 * 4;
  if (prepared.size() < head ||
      prepared.substr(0, kPreparedMagic.size()) != kPreparedMagic) {
    return false;
  }
  const std::size_t at = kPreparedMagic.size();
  const std::uint32_t width = Be32(prepared, at + 8);
  const std::uint32_t height = Be32(prepared, at + 12);
  const std::uint64_t color_size = Be32(prepared, at + 16);
  const std::uint64_t alpha_size = Be32(prepared, at + 20);
  if (Be32(prepared, at) != png.size() || Be32(prepared, at + 4) != Crc(png) ||
      width == 0 || height == 0 ||
      std::uint64_t{width} * height > kMaxImagePixels || color_size == 0 ||
      prepared.size() - head != color_size + alpha_size) {
    return false;
  }
  const std::string_view data = prepared.substr(head);
  if (Crc(data) != Be32(prepared, at + 24)) return false;
  out->width = static_cast<int>(width);
  out->height = static_cast<int>(height);
  out->color_space = "/DeviceRGB";
  out->color_entries = kRgbEntries;
  out->color_data.assign(data.substr(0, color_size));
  out->alpha_data.assign(data.substr(color_size));
  return true;
}

}  // namespace

Status LoadPdfPicture(const std::string& path, PdfPicture* out) {
  *out = PdfPicture();
  std::string file;
  Status s = ReadPicture(path, &file);
  if (!s.ok()) return s;
  PngLayout png;
  if (!ParsePng(file, &png)) return Status::Error(Broken(path));
  if (Embeddable(png)) {
    if (!ImageDataIsSound(png)) return Status::Error(Broken(path));
    EmbedDirectly(std::move(png), out);
    return Status::OK();
  }
  std::string prepared;
  if (ReadPicture(path + std::string(kPreparedPictureSuffix), &prepared).ok() &&
      ParsePrepared(prepared, file, out)) {
    return Status::OK();
  }
  s = Recompress(file, path, Z_DEFAULT_COMPRESSION, out);
  if (!s.ok()) *out = PdfPicture();
  return s;
}

bool EmbedsDirectly(const std::string& path) {
  std::string file;
  PngLayout png;
  return ReadPicture(path, &file).ok() && ParsePng(file, &png) &&
         Embeddable(png);
}

Status PreparePictureFile(const std::string& png_path,
                          const std::string& out_path) {
  std::string file;
  Status s = ReadPicture(png_path, &file);
  if (!s.ok()) return s;
  PdfPicture picture;
  s = Recompress(file, png_path, Z_BEST_COMPRESSION, &picture);
  if (!s.ok()) return s;
  return WriteFileAtomically(out_path, SerializePrepared(file, picture));
}

}  // namespace zarvek
