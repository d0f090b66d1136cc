#include "image/png_decode.h"

#include <png.h>

#include <cerrno>
#include <cstring>

namespace zarvek {

namespace {

// Reads the image that `begin` has opened in `image` (and frees it).
Status FinishRead(png_image* image, const std::string& path, RgbaImage* out) {
  const std::uint64_t pixels =
      static_cast<std::uint64_t>(image->width) * image->height;
  if (image->width == 0 || image->height == 0 || pixels > kMaxImagePixels) {
    Status s = Status::Error("imagen demasiado grande (" +
                             std::to_string(image->width) + "x" +
                             std::to_string(image->height) + "): " + path);
    png_image_free(image);
    return s;
  }
  image->format = PNG_FORMAT_RGBA;
  std::vector<std::uint8_t> buffer(PNG_IMAGE_SIZE(*image));
  if (!png_image_finish_read(image, nullptr, buffer.data(), 0, nullptr)) {
    Status s = Status::Error(std::string(image->message) + ": " + path);
    png_image_free(image);
    return s;
  }
  out->width = static_cast<int>(image->width);
  out->height = static_cast<int>(image->height);
  out->pixels = std::move(buffer);
  return Status::OK();
}

}  // namespace

Status DecodePngFile(FileSystem& fs, const std::string& path, RgbaImage* out) {
  *out = RgbaImage();
  // Read through the regular-file reader rather than opened by libpng: a
  // FIFO or a device in the pictures folder is refused instead of blocking
  // the start, and a missing or unreadable file reports the system's own
  // reason.
  std::string bytes;
  Status s = fs.ReadFile(path, kMaxPngFileBytes, &bytes);
  if (!s.ok()) return s;
  return DecodePngMemory(bytes, path, out);
}

Status DecodePngMemory(std::string_view bytes, const std::string& name,
                       RgbaImage* out) {
  *out = RgbaImage();
  // The same limits as for a file read from the disk, whoever read it.
  if (bytes.size() > kMaxPngFileBytes) return Status::FromErrno(EFBIG, name);
  png_image image;
  std::memset(&image, 0, sizeof image);
  image.version = PNG_IMAGE_VERSION;
  if (!png_image_begin_read_from_memory(&image, bytes.data(), bytes.size())) {
    Status s = Status::Error(std::string(image.message) + ": " + name);
    png_image_free(&image);
    return s;
  }
  return FinishRead(&image, name, out);
}

}  // namespace zarvek
