// The header of a RINEX observation file, read from whatever lies in a
// point's RINEX folder, and the corrected copy written from it. Reading
// must stay inside the bytes and the bounds; a correction must change the
// DELTA H lines alone, keep every other byte, read back as the ARP height
// asked for, and agree with the in-place correction.
//
// The input's last byte chooses the ARP height; the rest is the file.
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "fuzz/fuzz_check.h"
#include "rinex/rinex_header.h"
#include "rinex/rinex_lines.h"

namespace {

constexpr double kArps[] = {0.0, 1.4285, 2.263, 0.00005, 99.9999, -1.5, 1e9};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size == 0) return 0;
  const double arp = kArps[data[size - 1] % std::size(kArps)];
  const std::string_view bytes(reinterpret_cast<const char*>(data), size - 1);
  using zarvek::RinexKind;
  for (bool complete : {false, true}) {
    const zarvek::RinexHeader h = zarvek::ReadRinexHeader(bytes, complete);
    if (h.kind == RinexKind::kObservation) {
      FUZZ_CHECK(h.reason.empty());
      FUZZ_CHECK(std::isfinite(h.delta_h));
      FUZZ_CHECK(h.delta_line_offset + h.delta_line_length <= bytes.size());
      FUZZ_CHECK(bytes.substr(h.delta_line_offset, h.delta_line_length)
                     .find("ANTENNA: DELTA H/E/N") != std::string_view::npos);
    } else {
      FUZZ_CHECK(h.kind == RinexKind::kOtherRinex || !h.reason.empty());
    }
  }

  const zarvek::RinexHeader before = zarvek::ReadRinexHeader(bytes, true);
  std::string reason;
  std::string corrected(bytes);
  const bool ok = zarvek::CorrectDeltaHInPlace(corrected, arp, &reason);
  const auto field = zarvek::FormatF14_4(arp);
  if (field) FUZZ_CHECK(field->size() == 14);
  // A refusal says why and leaves the bytes alone.
  if (!ok) FUZZ_CHECK(corrected == bytes && !reason.empty());
  // The copy rewritten as the text streams by, in pieces of a size the
  // input's first byte chooses, is the correction in place, or is refused
  // when that is.
  if (field) {
    zarvek::DeltaHRewrite rewrite(*field, "p");
    const std::size_t step =
        1 + (bytes.empty() ? 0 : static_cast<unsigned char>(bytes[0]) % 97);
    std::string streamed;
    zarvek::Status status;
    for (std::size_t at = 0; status.ok() && at < bytes.size(); at += step)
      status = rewrite.Change(bytes.substr(at, step), false, &streamed);
    if (status.ok()) status = rewrite.Change({}, true, &streamed);
    FUZZ_CHECK(status.ok() == ok);
    if (ok) FUZZ_CHECK(streamed == corrected);
  }
  if (before.kind != RinexKind::kObservation || !field) {
    FUZZ_CHECK(!ok);
    return 0;
  }
  // Shifted numbers are laid out again in F14.4, which a huge E or N does
  // not fit: such a file is refused, with its reason.
  if (!ok) return 0;
  // Everything outside the DELTA H lines (the header's and the event
  // records') is untouched, and each line keeps its length.
  std::vector<zarvek::RinexDeltaLine> lines;
  FUZZ_CHECK(zarvek::FindDeltaHLines(bytes, true, &lines, &reason));
  FUZZ_CHECK(corrected.size() == bytes.size());
  size_t from = 0;
  for (const zarvek::RinexDeltaLine& line : lines) {
    FUZZ_CHECK(line.offset >= from);
    FUZZ_CHECK(corrected.compare(from, line.offset - from,
                                 bytes.substr(from, line.offset - from)) == 0);
    from = line.offset + line.length;
  }
  FUZZ_CHECK(corrected.compare(from, std::string::npos, bytes.substr(from)) ==
             0);
  // Every one reads back as the asked height.
  std::vector<zarvek::RinexDeltaLine> back;
  FUZZ_CHECK(zarvek::FindDeltaHLines(corrected, true, &back, &reason));
  FUZZ_CHECK(back.size() == lines.size());
  for (const zarvek::RinexDeltaLine& line : back)
    FUZZ_CHECK(zarvek::FormatF14_4(line.h) == field);
  // It reads back as the asked height, with E and N as they were.
  const zarvek::RinexHeader after = zarvek::ReadRinexHeader(corrected, true);
  FUZZ_CHECK(after.kind == RinexKind::kObservation);
  FUZZ_CHECK(zarvek::FormatF14_4(after.delta_h) == field);
  FUZZ_CHECK(after.delta_e == before.delta_e);
  FUZZ_CHECK(after.delta_n == before.delta_n);
  return 0;
}
