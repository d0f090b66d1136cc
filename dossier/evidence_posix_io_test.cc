// The search for photos that do not belong, on real files: photos made with
// ImageMagick and tagged with exiftool, their tags read by the program's
// EXIF reader, and a point's RINEX header in a gzip file.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "dossier/evidence.h"
#include "dossier/scan.h"
#include "image/photo_decode.h"
#include "testing/temp_dir.h"

namespace zarvek {
namespace {

namespace stdfs = std::filesystem;

void Shell(const std::string& command) {
  ASSERT_EQ(std::system(command.c_str()), 0) << command;
}

PhotoWhenWhere Tags(std::string_view first_bytes) {
  const PhotoTags tags = ReadPhotoTags(first_bytes);
  PhotoWhenWhere out;
  out.taken = tags.taken;
  if (tags.gps) out.gps = GeoPoint{tags.gps->latitude, tags.gps->longitude};
  return out;
}

std::string RinexLine(const std::string& data, const std::string& label) {
  std::string line = data;
  line.resize(60, ' ');
  return line + label + "\n";
}

// Point 5101 was observed on 17/05/2024 at 12.046374° S, 77.042793° W (its
// gzip RINEX header says so); a copy of its first photo, retagged and with a
// comment, stands in point 5102.
TEST(EvidencePosixIoTest, NamesCopiesFarPhotosAndOldPhotosOfAProject) {
  testing::TempDir temp;
  const ProjectLayout layout = ProjectLayout::AtRoot(temp.path().string());
  const stdfs::path rinex_dir =
      stdfs::path(layout.PointsDir()) / "4. 5101" / std::string(kRinexFolder);
  stdfs::create_directories(rinex_dir);
  std::ofstream(rinex_dir / "5101138a.24o")
      << RinexLine("     2.11           OBSERVATION DATA    G (GPS)",
                   "RINEX VERSION / TYPE")
      << RinexLine("  1398871.6166 -6079892.4324 -1322452.2055",
                   "APPROX POSITION XYZ")
      << RinexLine("        1.5000        0.0000        0.0000",
                   "ANTENNA: DELTA H/E/N")
      << RinexLine("  2024     5    17    14    20    0.0000000     GPS",
                   "TIME OF FIRST OBS")
      << RinexLine("", "END OF HEADER");
  Shell("gzip '" + (rinex_dir / "5101138a.24o").string() + "'");

  const std::vector<std::string> a = layout.PointPhotoStageDirs("5101");
  const std::vector<std::string> b = layout.PointPhotoStageDirs("5102");
  for (const std::string& s : a) stdfs::create_directories(s);
  for (const std::string& s : b) stdfs::create_directories(s);
  const auto photo = [](const std::string& path, const std::string& look,
                        const std::string& tags) {
    Shell("convert -size 96x64 " + look + " -quality 90 '" + path + "'");
    Shell("exiftool -q -overwrite_original " + tags + " '" + path + "'");
  };
  const std::string at_point =
      "'-DateTimeOriginal=2024:05:17 10:31:05' -GPSLatitude=12.046374 "
      "-GPSLatitudeRef=S -GPSLongitude=77.042793 -GPSLongitudeRef=W";
  photo(a[0] + "/IMG_0003.jpg", "gradient:red-blue", at_point);
  photo(a[1] + "/LEJOS.jpg", "gradient:green-white",
        "'-DateTimeOriginal=2024:05:17 11:00:00' -GPSLatitude=12.035526313 "
        "-GPSLatitudeRef=S -GPSLongitude=77.042793 -GPSLongitudeRef=W");
  photo(a[2] + "/VIEJA.jpg", "gradient:black-yellow",
        "'-DateTimeOriginal=2024:03:01 09:00:00'");
  stdfs::copy_file(a[0] + "/IMG_0003.jpg", b[0] + "/COPIA.jpg");
  Shell(
      "exiftool -q -overwrite_original -Comment=retocada "
      "'-DateTimeOriginal=2024:05:20 08:00:00' '" +
      b[0] + "/COPIA.jpg'");
  ASSERT_NE(stdfs::file_size(a[0] + "/IMG_0003.jpg"),
            stdfs::file_size(b[0] + "/COPIA.jpg"));

  DossierScan scan = ScanDossier(RealFileSystem(), layout);
  ASSERT_EQ(scan.points.size(), 2u);
  FindPhotoEvidence(RealFileSystem(), &scan, EvidenceLimits{}, Tags);
  EXPECT_EQ(scan.points[0].warnings,
            (std::vector<std::string>{
                "1. EQUIPO GNSS / IMG_0003.jpg: MISMA FOTO QUE 5102 / 1. "
                "EQUIPO GNSS / COPIA.jpg",
                "2. PROCESO DE MONUMENTACIÓN / LEJOS.jpg: FOTO A 1,2 KM DEL "
                "PUNTO",
                "3. PROFUNDIDAD / VIEJA.jpg: FOTO DEL 01/03/2024, 77 DÍAS "
                "ANTES DE LA OBSERVACIÓN",
            }));
  EXPECT_EQ(scan.points[1].warnings,
            (std::vector<std::string>{
                "1. EQUIPO GNSS / COPIA.jpg: MISMA FOTO QUE 5101 / 1. EQUIPO "
                "GNSS / IMG_0003.jpg"}));
  EXPECT_EQ(scan.points[0].stages[1].files.at(0).warnings,
            std::vector<std::string>{"FOTO A 1,2 KM DEL PUNTO"});
}

}  // namespace
}  // namespace zarvek
