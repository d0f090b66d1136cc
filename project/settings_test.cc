#include "project/settings.h"

#include <gtest/gtest.h>

#include <string>

#include "testing/fake_fs.h"

namespace zarvek {
namespace {

TEST(SettingsTest, ReadsWhatItCanAndIgnoresTheRest) {
  const struct {
    const char* what;
    std::string text;
    Settings expected;
  } cases[] = {
      {"both keys",
       "ultima_carpeta=/home/ana/Obras\nultimo_proyecto=/home/ana/Obras/Red "
       "ávila\n",
       {"/home/ana/Obras", "/home/ana/Obras/Red ávila"}},
      {"BOM, CRLF, comments, blank lines",
       "\xEF\xBB\xBF# c\r\n\r\nultima_carpeta=C:/Obras\r\n",
       {"C:/Obras", ""}},
      {"'=' in the value, unknown keys, lines without '='",
       "tamano=950x700\nbasura\nultimo_proyecto=/a=b\n=x\n",
       {"", "/a=b"}},
      // The window's geometry is kept as text; the window checks it.
      {"window", "ventana=950x700+-8+20\nventana=xx\n", {"", "", "xx"}},
      {"last value wins, no final line end",
       "ultima_carpeta=/a\nultima_carpeta=/b",
       {"/b", ""}},
      {"keys are exact", " ultima_carpeta=/a\nULTIMA_CARPETA=/b\n", {}},
      {"binary garbage", std::string("\0\xff\xfe=\n\x80\x81", 7), {}},
      {"empty", "", {}},
      {"photo limits",
       "distancia_fotos_m=100000\ndias_fotos=0\n",
       {"", "", "", 100000, 0}},
      {"photo limits",
       "distancia_fotos_m=1\ndias_fotos=3660\n",
       {"", "", "", 1, 3660}},
      // Refused values leave the defaults: negative, zero metres, too
      // large, not whole numbers, units, signs, blanks, overflow.
      {"refused limits", "distancia_fotos_m=-5\ndias_fotos=-1\n", {}},
      {"refused limits", "distancia_fotos_m=0\ndias_fotos=3661\n", {}},
      {"refused limits", "distancia_fotos_m=100001\ndias_fotos=1e3\n", {}},
      {"refused limits", "distancia_fotos_m=200 m\ndias_fotos=+10\n", {}},
      {"refused limits", "distancia_fotos_m=1,5\ndias_fotos= 30\n", {}},
      {"refused limits",
       "distancia_fotos_m=99999999999999999999\ndias_fotos=\n",
       {}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    EXPECT_EQ(ParseSettings(c.text), c.expected);
  }
}

TEST(SettingsTest, WritesWhatItReadsBack) {
  Settings settings = {"C:\\Users\\Begoña\\Obras", "/p/OBRA", "1200x800+-8+20"};
  // The surveyor's identity, accents, spaces and "=" as typed.
  settings.surveyor_name = "José Ángel Muñoz Peña";
  settings.surveyor_licence = "COL. Nº 1234 = A";
  settings.surveyor_place = " A Coruña ";
  EXPECT_EQ(ParseSettings(SerializeSettings(settings)), settings);
  Settings limits;
  limits.photo_distance_m = 750;
  limits.photo_days = 5;
  EXPECT_EQ(ParseSettings(SerializeSettings(limits)), limits);
  EXPECT_EQ(SerializeSettings(Settings{}).find("fotos"), std::string::npos);
  // A value that cannot be one line is left out, not split.
  const std::string text = SerializeSettings({"/a\nultimo_proyecto=/x", ""});
  EXPECT_EQ(ParseSettings(text), Settings{});
  EXPECT_EQ(text.find("/x"), std::string::npos);
}

TEST(SettingsTest, LoadAndSaveThroughTheFileSystem) {
  FakeFileSystem fs;
  const std::string dir = "/home/ana/.config/zarvek-certificacion";
  const std::string file = dir + "/ajustes.txt";
  // Nothing kept yet, or no place to keep it: defaults.
  EXPECT_EQ(LoadSettings(fs, dir), Settings{});
  EXPECT_EQ(LoadSettings(fs, ""), Settings{});
  EXPECT_TRUE(SaveSettings(fs, "", {"/a", "/b"}).ok());
  EXPECT_EQ(fs.CallCount(FakeFileSystem::Op::kWrite), 0);

  fs.AddDirectory("/obras/OBRA");
  ASSERT_TRUE(SaveSettings(fs, dir, {"/obras", "/obras/OBRA"}).ok());
  EXPECT_TRUE(fs.IsDirectory(dir));
  EXPECT_EQ(fs.CallCount(FakeFileSystem::Op::kWrite), 1);
  EXPECT_EQ(LoadSettings(fs, dir), (Settings{"/obras", "/obras/OBRA"}));

  // Folders that are gone, or are files now, are forgotten.
  fs.AddFile("/obras/nota", "x");
  fs.AddFile(file, "ultima_carpeta=/obras/nota\nultimo_proyecto=/ya/no\n");
  EXPECT_EQ(LoadSettings(fs, dir), Settings{});
  // An unreadable or oversized file is no file.
  fs.AddFile(file, "ultima_carpeta=/obras\n" + std::string(70000, '#'));
  EXPECT_EQ(LoadSettings(fs, dir), Settings{});
  fs.AddFile(file, "ultima_carpeta=/obras\n");
  fs.FailPath(file, "Permission denied: " + file);
  EXPECT_EQ(LoadSettings(fs, dir), Settings{});
  EXPECT_EQ(SaveSettings(fs, dir, {"/obras", ""}).message(),
            "Permission denied: " + file);
}

}  // namespace
}  // namespace zarvek
