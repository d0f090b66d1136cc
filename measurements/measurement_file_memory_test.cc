// What the measurement file costs in memory is bounded by its size, whatever
// its shape: the most memory held at once while reading a file of up to
// 4 MB, pairing it with a table of the largest size, updating every row and
// writing it. This test program's operator new keeps the size of every
// block, so that the bytes held can be followed.
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cstddef>
#include <cstdlib>
#include <new>
#include <optional>
#include <string>
#include <vector>

#include "measurements/measurement_file.h"
#include "project/point_detection.h"

namespace {
constexpr std::size_t kPrefix = alignof(std::max_align_t);
std::atomic<long long> held{0};
std::atomic<long long> most_held{0};
}  // namespace

void* operator new(std::size_t n) {
  void* block = std::malloc(n + kPrefix);
  if (block == nullptr) throw std::bad_alloc();
  *static_cast<std::size_t*>(block) = n;
  const long long now = held += static_cast<long long>(n);
  if (now > most_held.load(std::memory_order_relaxed)) most_held = now;
  return static_cast<char*>(block) + kPrefix;
}
void operator delete(void* p) noexcept {
  if (p == nullptr) return;
  char* block = static_cast<char*>(p) - kPrefix;
  held -= static_cast<long long>(*reinterpret_cast<std::size_t*>(block));
  std::free(block);
}
void operator delete(void* p, std::size_t) noexcept { operator delete(p); }

namespace zarvek {
namespace {

const std::string kHeader =
    "PUNTO;RECEPTOR GNSS;TIPO DE MEDIDA;ACCESORIO;REFERENCIA;"
    "ALTURA MEDIDA (m);ALTURA ARP (m);ALTURA CENTRO DE FASE (m)";

// `start`, then `piece` as many times as fit in `bytes`.
std::string Fill(std::string start, const std::string& piece,
                 std::size_t bytes = kMaxMeasurementFileBytes) {
  start.reserve(bytes);
  while (start.size() + piece.size() <= bytes) start += piece;
  return start;
}

TEST(MeasurementFileMemoryTest, FilesOfAnyShapeCostAFewTimesTheirSize) {
  const Catalogue catalogue = BuildEquiposSpecs();
  const std::string line = "1001;QUENTARO R300;VERTICAL;BASTÓN;R3;1,5;;\n";
  std::string wide_header = kHeader;
  for (int i = 0; i < 990; ++i) wide_header += ";N";
  const std::string shapes[] = {
      // A header of a million separators, then lines of the program's own.
      kHeader + std::string(1 << 20, ';') + "\n" + line + line + line,
      Fill(kHeader, ";", kMaxMeasurementFileBytes - line.size() - 1) + "\n" +
          line,
      // Lines of a thousand fields.
      Fill(kHeader + "\n", "1" + std::string(999, ';') + "\n"),
      // As many fields as bytes, in the header or in one line.
      Fill("PUNTO;", "a;"),
      Fill(kHeader + "\n1", ";;a"),
      // Many short lines.
      Fill(kHeader + "\n", "1\n"),
      Fill(kHeader + "\n", "\n"),
      // The program's own lines, and a thousand named columns.
      Fill(kHeader + "\n", line),
      Fill(wide_header + "\n", line),
  };
  std::vector<std::string> codes;
  for (std::size_t i = 0; i < kMaxTableRows; ++i)
    codes.push_back(std::to_string(1000 + i));
  const RowValues row{"QUENTARO R300", "VERTICAL", "BASTÓN", "R3", "1.5"};
  for (const std::string& bytes : shapes) {
    ASSERT_LE(bytes.size(), kMaxMeasurementFileBytes);
    const long long before = held;
    most_held = before;
    std::string error;
    std::optional<MeasurementFile> file =
        MeasurementFile::Parse(bytes, catalogue, &error);
    std::size_t written = 0;
    if (file) {
      file->Bind(codes, catalogue);
      for (std::size_t i = 0; i < codes.size(); ++i)
        file->Update(i, row, catalogue);
      written = file->Serialize().size();
    }
    file.reset();
    EXPECT_LE(most_held - before, 40ll << 20)
        << bytes.substr(0, 80) << " " << error;
    EXPECT_LE(written, std::size_t{8} << 20) << bytes.substr(0, 80);
  }
}

}  // namespace
}  // namespace zarvek
