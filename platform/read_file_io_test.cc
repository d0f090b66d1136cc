#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "platform/pdf_picture.h"
#include "platform/png_decode.h"
#include "platform/read_file.h"
#include "testing/temp_dir.h"

namespace zarvek {
namespace {

TEST(ReadFileTest, ReadsNoMoreThanTheLimitAndOnlyOrdinaryFiles) {
  testing::TempDir temp;
  const std::string dir = temp.path().string();
  std::string bytes;
  bool missing = false;

  ASSERT_TRUE(ReadFilePrefix(dir + "/none.csv", 10, &bytes, &missing).ok());
  EXPECT_TRUE(missing);

  std::ofstream(dir + "/small.csv") << "PUNTO\r\n";
  ASSERT_TRUE(ReadFilePrefix(dir + "/small.csv", 10, &bytes, &missing).ok());
  EXPECT_FALSE(missing);
  EXPECT_EQ(bytes, "PUNTO\r\n");

  // 100 MB (sparse): only the limit and one byte more are read.
  const std::string huge = dir + "/huge.csv";
  std::ofstream(huge).close();
  std::filesystem::resize_file(huge, 100u << 20);
  ASSERT_TRUE(ReadFilePrefix(huge, 4096, &bytes, &missing).ok());
  EXPECT_EQ(bytes.size(), 4097u);

  const Status folder = ReadFilePrefix(dir, 10, &bytes, &missing);
  EXPECT_EQ(folder.message(), "Is a directory: " + dir);
  // A FIFO would block a plain open and read.
  const std::string fifo = dir + "/fifo.csv";
  ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
  EXPECT_EQ(ReadFilePrefix(fifo, 10, &bytes, &missing).message(),
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
    EXPECT_EQ(DecodePngFile(path, &image).message(), want);
    PdfPicture picture;
    EXPECT_EQ(LoadPdfPicture(path, &picture).message(), want);
    EXPECT_FALSE(EmbedsDirectly(path));
  }
  ::alarm(0);
}

}  // namespace
}  // namespace zarvek
