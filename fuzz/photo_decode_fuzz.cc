// The photo decoder on untrusted files (photos come from the surveyor's
// folders, from any camera or program, or from anyone who can write there),
// at the photo report's box and at a box so small that every photo is
// reduced. A prepared photo is a JPEG no larger than the box needs at the
// printed resolution; one kept as it is is not far bigger than its pixels
// (no comments, application segments or padding are carried along); a
// refused one says why and holds nothing. Whatever a header claims, no
// input may allocate without bound or run on (libFuzzer's memory limit and
// timeout catch those).
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "fuzz/fuzz_check.h"
#include "image/photo_decode.h"

namespace {

void Check(std::string_view bytes, double box_width, double box_height) {
  zarvek::PreparedPhoto photo;
  const zarvek::Status status =
      zarvek::PreparePhoto(bytes, box_width, box_height, &photo);
  if (!status.ok()) {
    FUZZ_CHECK(!status.message().empty());
    FUZZ_CHECK(photo.picture.bytes.empty());
    return;
  }
  const zarvek::JpegPicture& p = photo.picture;
  FUZZ_CHECK(p.width > 0 && p.height > 0);
  FUZZ_CHECK(p.components == 1 || p.components == 3);
  FUZZ_CHECK(p.bytes.size() >= 4 && p.bytes.substr(0, 2) == "\xFF\xD8");
  // At most 150 dpi over the box, give or take the rounding up.
  const double dots = zarvek::kPhotoDpi / 72.0;
  FUZZ_CHECK(p.width <= box_width * dots + 1 &&
             p.height <= box_height * dots + 1);
  if (photo.as_is) {
    // Its image data only: nothing much beyond what its pixels need.
    FUZZ_CHECK(p.bytes.size() <=
               static_cast<std::size_t>(p.width) * p.height * p.components +
                   (64 << 10));
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data,
                                      std::size_t size) {
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);
  Check(bytes, 250, 150);
  Check(bytes, 12, 9);
  return 0;
}
