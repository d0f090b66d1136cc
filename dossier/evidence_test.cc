#include "dossier/evidence.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

#include "dossier/scan.h"
#include "project/layout.h"
#include "rinex/rinex_header.h"
#include "testing/fake_fs.h"

namespace zarvek {
namespace {

std::string RinexLine(const std::string& data, const std::string& label) {
  std::string line = data;
  line.resize(60, ' ');
  return line + label + "\n";
}

// Positions on GRS80 and their Earth-centred coordinates, worked apart from
// this code (the forward formula, heights included); the conversion back
// must land within a centimetre, far inside the metre the checks need.
TEST(EvidenceTest, GeodesyTextsAndDates) {
  const struct {
    double x, y, z, lat, lon;
  } points[] = {
      {1398871.6166, -6079892.4324, -1322452.2055, -12.046374, -77.042793},
      {3194419.1451, 3194419.1451, 4487348.4088, 45, 45},
      {4853172.4595, -314163.8067, 4113756.2463, 40.4168, -3.7038},
      {1763565.9981, -5027316.9702, -3495920.9001, -33.4489, -70.6693},
      {6378137, 0, 0, 0, 0},
      {0, 0, 6356752.3141, 90, 0},
  };
  for (const auto& p : points) {
    const GeoPoint g = EcefToGrs80(p.x, p.y, p.z);
    EXPECT_NEAR(g.latitude, p.lat, 1e-7) << p.lat;  // about a centimetre
    EXPECT_NEAR(g.longitude, p.lon, 1e-7) << p.lat;
  }
  // 200 m along the meridian at 12° S, worked with its radius of curvature.
  EXPECT_NEAR(
      GroundDistanceM({-12.046374, -77.042793}, {-12.044557012, -77.042793}),
      201.0, 0.05);

  const struct {
    double metres;
    const char* text;
  } distances[] = {
      {350.2, "FOTO A 350 M DEL PUNTO"},   {999.4, "FOTO A 999 M DEL PUNTO"},
      {999.6, "FOTO A 1,0 KM DEL PUNTO"},  {1234, "FOTO A 1,2 KM DEL PUNTO"},
      {12345, "FOTO A 12,3 KM DEL PUNTO"},
  };
  for (const auto& d : distances) EXPECT_EQ(FarPhotoText(d.metres), d.text);

  const std::int64_t may17 = *DayNumber(2024, 5, 17);
  EXPECT_EQ(*DayNumber(1970, 1, 1), 0);
  EXPECT_EQ(*DayNumber(2024, 3, 1) - *DayNumber(2024, 2, 28), 2);
  EXPECT_EQ(*DayNumber(2000, 3, 1) - *DayNumber(2000, 2, 28), 2);
  EXPECT_EQ(*DayNumber(1900, 3, 1) - *DayNumber(1900, 2, 28), 1);
  EXPECT_EQ(ExifDay("2024:05:17 10:31:05"), may17);
  EXPECT_EQ(ExifDay("2024:05:17"), may17);
  for (const char* refused :
       {"0000:00:00 00:00:00", "2024:02:30 10:00:00", "2023:02:29 10:00:00",
        "2024:13:01 10:00:00", "2024-05-17 10:31:05", "2024:5:17 10:31:05",
        "    :  :     :  :  ", "2024:05:17T10:31:05", ""}) {
    EXPECT_FALSE(ExifDay(refused).has_value()) << refused;
  }
  EXPECT_EQ(OtherDayText(may17, -45),
            "FOTO DEL 17/05/2024, 45 DÍAS ANTES DE LA OBSERVACIÓN");
  // The header's records: the first of each counts, and only before END OF
  // HEADER; zeros (a receiver that did not know), a position far from the
  // Earth's surface, a wrong count of numbers or a date that is none are
  // no place or day.
  const std::string xyz = RinexLine(
      "  1398871.6166 -6079892.4324 -1322452.2055", "APPROX POSITION XYZ");
  const std::string first =
      RinexLine("  2024     5    17    14    20    0.0000000     GPS",
                "TIME OF FIRST OBS");
  const std::string end = RinexLine("", "END OF HEADER");
  const RinexPlaceAndDay read = ReadRinexPlaceAndDay(
      xyz + first +
      RinexLine("        0.0000        0.0000        0.0000",
                "APPROX POSITION XYZ") +
      end);
  ASSERT_TRUE(read.approx_xyz && read.first_obs);
  EXPECT_EQ((*read.approx_xyz)[2], -1322452.2055);
  EXPECT_EQ(read.first_obs->month, 5);
  for (const std::string& refused : {
           RinexLine("        0.0000        0.0000        0.0000",
                     "APPROX POSITION XYZ"),
           RinexLine("  1398871.6166 -6079892.4324", "APPROX POSITION XYZ"),
           RinexLine("     1398.8716    -6079.8924    -1322.4522",
                     "APPROX POSITION XYZ"),
           RinexLine("  1398871.6166 -6079892.4324 -13224x2.2055",
                     "APPROX POSITION XYZ"),
           RinexLine("  2024    13    17    14    20    0.0000000",
                     "TIME OF FIRST OBS"),
           RinexLine("    24     5    17    14    20    0.0000000",
                     "TIME OF FIRST OBS"),
           end + xyz + first,
       }) {
    const RinexPlaceAndDay none = ReadRinexPlaceAndDay(refused + end);
    EXPECT_FALSE(none.approx_xyz || none.first_obs) << refused;
  }
  EXPECT_EQ(OtherDayText(*DayNumber(2023, 12, 31), 1),
            "FOTO DEL 31/12/2023, 1 DÍA DESPUÉS DE LA OBSERVACIÓN");
}

std::string Segment(unsigned char marker, const std::string& payload) {
  const std::size_t n = payload.size() + 2;
  return std::string{'\xFF', static_cast<char>(marker),
                     static_cast<char>(n >> 8), static_cast<char>(n & 0xFF)} +
         payload;
}

constexpr char kSoi[] = "\xFF\xD8";

TEST(EvidenceTest, ImageDataStartsAfterTheApplicationSegments) {
  const std::string dqt = Segment(0xDB, std::string(65, '\x01'));
  const std::string exif = Segment(0xE1, std::string("Exif\0\0", 6) + "II*");
  const std::string com = Segment(0xFE, "hola \xFF\xD9");
  const struct {
    std::string bytes;
    std::size_t offset;
  } accepted[] = {
      {kSoi + dqt, 2},
      {kSoi + exif + dqt, 2 + exif.size()},
      {kSoi + com + exif + Segment(0xE2, "ICC") + dqt,
       2 + com.size() + exif.size() + 7},
      {kSoi + exif + "\xFF\xFF" + dqt, 2 + exif.size() + 2},  // fill bytes
  };
  for (const auto& a : accepted) {
    std::size_t need = 1;
    EXPECT_EQ(JpegImageDataOffset(a.bytes, &need), a.offset);
  }
  const struct {
    std::string bytes;
    std::size_t need;
  } refused[] = {
      {"GIF89a", 0},
      {"", 0},
      {kSoi + std::string("\x00\xE1", 2), 0},           // no marker
      {kSoi + std::string("\xFF\xE1\x00\x01", 4), 0},   // length below 2
      {kSoi + exif.substr(0, 3), 6},                    // cut in a header
      {kSoi + exif.substr(0, 8), 2 + exif.size() + 4},  // cut in a payload
  };
  for (const auto& r : refused) {
    std::size_t need = 1;
    EXPECT_FALSE(JpegImageDataOffset(r.bytes, &need).has_value());
    EXPECT_EQ(need, r.need);
  }
}

// A JPEG whose "tags" the test's reader finds in a comment: "T=<date>" and
// "G=<lat>,<lon>".
std::string Photo(const std::string& picture, const std::string& tags,
                  const std::string& before = "") {
  return kSoi + before + Segment(0xFE, tags) + Segment(0xDB, picture) +
         "\xFF\xD9";
}

PhotoWhenWhere FakeTags(std::string_view bytes) {
  PhotoWhenWhere tags;
  const std::string text(bytes);
  if (std::size_t t = text.find("T="); t != std::string::npos) {
    tags.taken = text.substr(t + 2, 19);
  }
  if (std::size_t g = text.find("G="); g != std::string::npos) {
    const std::size_t comma = text.find(',', g);
    tags.gps = GeoPoint{std::stod(text.substr(g + 2, comma - g - 2)),
                        std::stod(text.substr(comma + 1, 14))};
  }
  return tags;
}

// A small project on the fake disk: point 5101 observed at a known place on
// 17/05/2024 (its RINEX header), point 5102 without RINEX, whose centre is
// the median of its photos.
TEST(EvidenceTest, FindsCopiesFarPhotosAndOtherDays) {
  FakeFileSystem fs;
  const std::string root = "/p";
  const ProjectLayout layout = ProjectLayout::AtRoot(root);
  const std::string rinex =
      RinexLine("     3.04           OBSERVATION DATA    M",
                "RINEX VERSION / TYPE") +
      RinexLine("  1398871.6166 -6079892.4324 -1322452.2055",
                "APPROX POSITION XYZ") +
      RinexLine("        1.5000        0.0000        0.0000",
                "ANTENNA: DELTA H/E/N") +
      RinexLine("  2024     5    17    14    20    0.0000000     GPS",
                "TIME OF FIRST OBS") +
      RinexLine("", "END OF HEADER");
  fs.AddFile(JoinPath(layout.PointsDir(), "4. 5101/RINEX/p5101.24o"), rinex);
  fs.AddDirectory(JoinPath(layout.PointsDir(), "5. 5102/NATIVA"));
  const auto stage = [&](const std::string& code, std::size_t s) {
    return PhotoStageDirs(JoinPath(layout.PhotosDir(), code))[s];
  };
  const std::string at = "T=2024:05:17 09:00:00;G=-12.046374,-77.042793";
  const std::string picture(300, 'a');
  const struct {
    std::string code;
    std::size_t stage;
    std::string name, bytes;
    std::vector<std::string> warnings;
  } photos[] = {
      {"5101",
       0,
       "IMG_0003.jpg",
       Photo(picture, at),
       {"MISMA FOTO QUE 5102 / 3. PROFUNDIDAD / COPIA.jpg"}},
      {"5101", 1, "A.jpg", Photo(std::string(300, 'b'), at), {}},
      {"5101",
       1,
       "N199.jpg",
       Photo("c", "T=2024:04:17 23:59:59;G=-12.044575092,-77.042793"),
       {}},
      {"5101",
       1,
       "N201.jpg",
       Photo("d", "T=2024:06:16 00:00:00;G=-12.044557012,-77.042793"),
       {"FOTO A 201 M DEL PUNTO"}},
      {"5101",
       2,
       "OLD.jpg",
       Photo("e", "T=2024:04:16 12:00:00"),
       {"FOTO DEL 16/04/2024, 31 DÍAS ANTES DE LA OBSERVACIÓN"}},
      {"5101",
       2,
       "LATE.jpg",
       Photo("f", "T=2024:06:17 12:00:00"),
       {"FOTO DEL 17/06/2024, 31 DÍAS DESPUÉS DE LA OBSERVACIÓN"}},
      {"5101",
       3,
       "P.png",
       "\x89PNG\r\n\x1A\n same bytes",
       {"MISMA FOTO QUE 5102 / 4. ANCLAJE DE DISCO DE BRONCE / P2.png"}},
      // The same picture behind another comment and an APP segment: its
      // image data is that of IMG_0003.jpg.
      {"5102",
       2,
       "COPIA.jpg",
       Photo(picture, "T=2024:05:17 09:00:00", Segment(0xE0, "JFIF")),
       {"MISMA FOTO QUE 5101 / 1. EQUIPO GNSS / IMG_0003.jpg"}},
      {"5102",
       3,
       "P2.png",
       "\x89PNG\r\n\x1A\n same bytes",
       {"MISMA FOTO QUE 5101 / 4. ANCLAJE DE DISCO DE BRONCE / P.png"}},
      // As long as IMG_0003.jpg, but another picture.
      {"5102", 3, "Q.jpg", Photo(std::string(300, 'z'), at), {}},
      {"5102", 4, "R.jpg", Photo("g", "G=-12.046,-77.0428"), {}},
      {"5102",
       4,
       "FAR.jpg",
       Photo("h", "G=-12.035526313,-77.042793"),
       {"FOTO A 1,2 KM DEL PUNTO"}},
  };
  for (const auto& p : photos) {
    fs.AddFile(JoinPath(stage(p.code, p.stage), p.name), p.bytes);
  }
  DossierScan scan = ScanDossier(fs, layout);
  ASSERT_EQ(scan.points.size(), 2u);
  FindPhotoEvidence(fs, &scan, EvidenceLimits{}, FakeTags);

  for (const auto& p : photos) {
    const PointDossier& point = scan.points[p.code == "5101" ? 0 : 1];
    const std::vector<FoundFile>& files = point.stages[p.stage].files;
    auto f = std::find_if(files.begin(), files.end(),
                          [&](const FoundFile& f) { return f.name == p.name; });
    ASSERT_NE(f, files.end()) << p.name;
    EXPECT_EQ(f->warnings, p.warnings) << p.name;
  }
  EXPECT_EQ(scan.points[1].warnings,
            (std::vector<std::string>{
                "3. PROFUNDIDAD / COPIA.jpg: MISMA FOTO QUE 5101 / 1. EQUIPO "
                "GNSS / IMG_0003.jpg",
                "4. ANCLAJE DE DISCO DE BRONCE / P2.png: MISMA FOTO QUE 5101 / "
                "4. ANCLAJE DE DISCO DE BRONCE / P.png",
                "5. INCRUSTACIÓN DEL DISCO DE BRONCE / FAR.jpg: FOTO A 1,2 KM "
                "DEL PUNTO",
            }));

  // The surveyor's limits: 250 m and 31 days let every one of point 5101's
  // far and late photos pass; 0 days flags all but the day itself.
  DossierScan wide = ScanDossier(fs, layout);
  FindPhotoEvidence(fs, &wide, EvidenceLimits{250, 31}, FakeTags);
  EXPECT_EQ(wide.points[0].warnings.size(), 2u);  // the two copies
  DossierScan strict = ScanDossier(fs, layout);
  FindPhotoEvidence(fs, &strict, EvidenceLimits{200, 0}, FakeTags);
  EXPECT_EQ(strict.points[0].warnings.size(), 2u + 1 + 4);
}

}  // namespace
}  // namespace zarvek
