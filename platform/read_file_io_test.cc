#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>
#include <zlib.h>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <string>

#include "platform/fs.h"
#include "pdf/pdf_picture.h"
#include "image/png_decode.h"
#include "platform/read_file.h"
#include "testing/temp_dir.h"

namespace zarvek {
namespace {

// Through the FileSystem that the program is given, which must be these
// readers themselves.
TEST(ReadFileTest, ReadsNoMoreThanTheLimitAndOnlyOrdinaryFiles) {
  testing::TempDir temp;
  const std::string dir = temp.path().string();
  FileSystem& fs = RealFileSystem();
  std::string bytes;
  bool missing = false;

  ASSERT_TRUE(fs.ReadPrefix(dir + "/none.csv", 10, &bytes, &missing).ok());
  EXPECT_TRUE(missing);

  std::ofstream(dir + "/small.csv") << "PUNTO\r\n";
  ASSERT_TRUE(fs.ReadPrefix(dir + "/small.csv", 10, &bytes, &missing).ok());
  EXPECT_FALSE(missing);
  EXPECT_EQ(bytes, "PUNTO\r\n");

  // 100 MB (sparse): only the limit and one byte more are read.
  const std::string huge = dir + "/huge.csv";
  std::ofstream(huge).close();
  std::filesystem::resize_file(huge, 100u << 20);
  ASSERT_TRUE(fs.ReadPrefix(huge, 4096, &bytes, &missing).ok());
  EXPECT_EQ(bytes.size(), 4097u);

  // A whole file: exactly its bytes, or nothing and the reason.
  ASSERT_TRUE(fs.ReadFile(dir + "/small.csv", 7, &bytes).ok());
  EXPECT_EQ(bytes, "PUNTO\r\n");
  EXPECT_EQ(fs.ReadFile(dir + "/small.csv", 6, &bytes).message(),
            "File too large: " + dir + "/small.csv");
  EXPECT_EQ(bytes, "");
  EXPECT_EQ(fs.ReadFile(huge, 4096, &bytes).message(),
            "File too large: " + huge);
  EXPECT_EQ(fs.ReadFile(dir + "/none.png", 10, &bytes).message(),
            "No such file or directory: " + dir + "/none.png");

  const Status folder = fs.ReadPrefix(dir, 10, &bytes, &missing);
  EXPECT_EQ(folder.message(), "Is a directory: " + dir);
  // A FIFO would block a plain open and read.
  const std::string fifo = dir + "/fifo.csv";
  ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
  EXPECT_EQ(fs.ReadPrefix(fifo, 10, &bytes, &missing).message(),
            "Invalid argument: " + fifo);
}

// Every reader of pictures refuses anything but an ordinary file at once:
// a FIFO would block the start (the logo and icon) or the report until
// someone writes to it, and an endless device would never end. The alarm
// turns a hang into a failure.
TEST(ReadFileTest, PicturesAreReadOnlyFromOrdinaryFiles) {
  testing::TempDir temp;
  const std::string dir = temp.path().string();
  const std::string fifo = dir + "/LOGO_QUENTARO.png";
  ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
  const std::string zero = dir + "/ICONO_QUENTARO.png";
  std::filesystem::create_symlink("/dev/zero", zero);
  const std::string folder = dir + "/folder.png";
  std::filesystem::create_directory(folder);

  ::alarm(60);
  for (const std::string& path : {fifo, zero, folder}) {
    SCOPED_TRACE(path);
    const std::string want =
        (path == folder ? "Is a directory: " : "Invalid argument: ") + path;
    RgbaImage image;
    EXPECT_EQ(DecodePngFile(RealFileSystem(), path, &image).message(), want);
    std::string bytes;
    EXPECT_EQ(
        RealFileSystem().ReadFile(path, kMaxPngFileBytes, &bytes).message(),
        want);
    PdfPicture picture;
    EXPECT_EQ(LoadPdfPicture(path, &picture).message(), want);
    EXPECT_FALSE(EmbedsDirectly(path));
  }
  ::alarm(0);
}

// A PNG whose header claims width x height RGBA pixels, with an empty image
// data chunk: enough for libpng to read the header.
std::string PngClaiming(std::uint32_t width, std::uint32_t height) {
  auto be32 = [](std::uint32_t v) {
    return std::string{static_cast<char>(v >> 24), static_cast<char>(v >> 16),
                       static_cast<char>(v >> 8), static_cast<char>(v)};
  };
  auto chunk = [&be32](const std::string& type, const std::string& data) {
    const std::string body = type + data;
    const auto crc = static_cast<std::uint32_t>(
        ::crc32(0, reinterpret_cast<const Bytef*>(body.data()), body.size()));
    return be32(static_cast<std::uint32_t>(data.size())) + body + be32(crc);
  };
  const std::string ihdr =
      be32(width) + be32(height) + std::string{8, 6, 0, 0, 0};  // 8-bit RGBA
  return std::string("\x89PNG\r\n\x1a\n", 8) + chunk("IHDR", ihdr) +
         chunk("IDAT", "") + chunk("IEND", "");
}

// A header that claims too many pixels is refused before the pixels are
// allocated, whether the picture comes from a path or from memory.
TEST(ReadFileTest, PicturesClaimingTooManyPixelsAreRefusedUnread) {
  testing::TempDir temp;
  const std::string path = temp.path().string() + "/LOGO_QUENTARO.png";
  const std::string want = "imagen demasiado grande (8001x5000): " + path;
  const std::string bomb = PngClaiming(8001, 5000);  // just over the limit
  std::ofstream(path, std::ios::binary) << bomb;
  RgbaImage image;
  EXPECT_EQ(DecodePngFile(RealFileSystem(), path, &image).message(), want);
  EXPECT_EQ(DecodePngMemory(bomb, path, &image).message(), want);
  EXPECT_TRUE(image.pixels.empty());
  // A small header is accepted; its missing pixel data is what fails.
  const Status small = DecodePngMemory(PngClaiming(2, 2), path, &image);
  EXPECT_FALSE(small.ok());
  EXPECT_EQ(small.message().find("imagen demasiado grande"), std::string::npos)
      << small.message();
}

}  // namespace
}  // namespace zarvek
