#include "dossier/file_kind.h"

#include <gtest/gtest.h>

#include <string>

namespace zarvek {
namespace {

std::string Ftyp(const std::string& major, const std::string& compatible) {
  const std::string body = major + std::string("\0\0\0\0", 4) + compatible;
  const std::size_t size = 8 + body.size();
  std::string box = {'\0', '\0', '\0', static_cast<char>(size)};
  return box + "ftyp" + body;
}

TEST(FileKindTest, PhotosAreToldByTheirFirstBytes) {
  const struct {
    std::string prefix;
    FileKind kind;
  } cases[] = {
      {"\xFF\xD8\xFF\xE0\0\x10JFIF", FileKind::kJpeg},
      {"\xFF\xD8\xFF", FileKind::kJpeg},
      {"\x89PNG\r\n\x1A\n\0\0\0\rIHDR", FileKind::kPng},
      {Ftyp("heic", "mif1heic"), FileKind::kHeif},
      {Ftyp("mif1", "heic"), FileKind::kHeif},
      {Ftyp("heix", ""), FileKind::kHeif},
      {Ftyp("avif", "mif1miaf"), FileKind::kHeif},
      // Not photos, whatever the file is called.
      {"", FileKind::kOther},
      {"\xFF\xD8", FileKind::kOther},
      {"\x89PNG\r\n", FileKind::kOther},
      {"JFIF this is text", FileKind::kOther},
      {Ftyp("isom", "iso2mp41"), FileKind::kOther},
      {Ftyp("qt  ", "qt  "), FileKind::kOther},
      // A brand past the end of the box belongs to the next box.
      {Ftyp("isom", "") + "heic", FileKind::kOther},
      {"GIF89a", FileKind::kOther},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(PhotoKindOfPrefix(c.prefix), c.kind) << c.prefix;
  }
}

TEST(FileKindTest, NamesThatNeverCountAndVideoNames) {
  for (const char* name :
       {".oculta.jpg", ".DS_Store", "._IMG_1.JPG", "Thumbs.db", "THUMBS.DB",
        "desktop.ini", "Desktop.ini", "@eaDir", ""}) {
    EXPECT_TRUE(IsIgnoredFileName(name)) << name;
  }
  for (const char* name : {"IMG_1.jpg", "Thumbs.db.jpg", "foto .jpg"}) {
    EXPECT_FALSE(IsIgnoredFileName(name)) << name;
  }
  for (const char* name : {"a.mp4", "b.MOV", "c.avi", "d.3GP", "e.mkv", "f.M4v",
                           "vuelta.dron.mp4"}) {
    EXPECT_TRUE(HasVideoExtension(name)) << name;
  }
  for (const char* name :
       {"mp4", ".mp4", "a.mp4.txt", "a.mpg", "a.mp", "a.", "a.jpg"}) {
    EXPECT_FALSE(HasVideoExtension(name)) << name;
  }
}

// A stage folder is found under a name that differs from its own only in
// accents (precomposed or combining, as a Mac writes them), case, spaces or
// the leading zero; nothing else passes for it.
TEST(FileKindTest, StageFolderNamesThatPassForTheStage) {
  const struct {
    const char* own;
    const char* found;
  } same[] = {
      {"5. INCRUSTACIÓN DEL DISCO DE BRONCE",
       "5. INCRUSTACION DEL DISCO DE BRONCE"},
      {"5. INCRUSTACIÓN DEL DISCO DE BRONCE",
       "05. incrustación del disco de bronce"},
      {"5. INCRUSTACIÓN DEL DISCO DE BRONCE",
       " 5.INCRUSTACIÓN  DEL\u00A0DISCO DE BRONCE "},
      {"5. INCRUSTACIÓN DEL DISCO DE BRONCE",
       "5. INCRUSTACIO\u0301N DEL DISCO DE BRONCE"},
      {"08. FOTOGRAFÍAS PANORÁMICAS", "8. Fotografias Panoramicas"},
      {"09. VIDEOS", "09. VÍDEOS"},
      {"09. VIDEOS", "9. vídeos"},
      {"2. PROCESO DE MONUMENTACIÓN", "002. PROCESO DE MONUMENTACIÒN"},
  };
  for (const auto& c : same) {
    EXPECT_EQ(StageFolderKey(c.found), StageFolderKey(c.own)) << c.found;
  }
  const struct {
    const char* own;
    const char* found;
  } other[] = {
      {"5. INCRUSTACIÓN DEL DISCO DE BRONCE",
       "6. INCRUSTACIÓN DEL DISCO DE BRONCE"},
      {"5. INCRUSTACIÓN DEL DISCO DE BRONCE",
       "50. INCRUSTACIÓN DEL DISCO DE BRONCE"},
      {"5. INCRUSTACIÓN DEL DISCO DE BRONCE",
       "5 INCRUSTACIÓN DEL DISCO DE BRONCE"},
      {"5. INCRUSTACIÓN DEL DISCO DE BRONCE", "5. INCRUSTACIÓN DEL DISCO"},
      {"5. INCRUSTACIÓN DEL DISCO DE BRONCE",
       "INCRUSTACIÓN DEL DISCO DE BRONCE"},
      {"5. INCRUSTACIÓN DEL DISCO DE BRONCE",
       "5. INCRUSTACIÓN_DEL_DISCO_DE_BRONCE"},
      {"1. EQUIPO GNSS", "1. EQUIPOS GNSS"},
      {"1. EQUIPO GNSS", "1. EQUIPO GNSS (2)"},
      {"09. VIDEOS", "09. VIDEO"},
      {"3. PROFUNDIDAD", "3. PROFUNDIDAD×"},
  };
  for (const auto& c : other) {
    EXPECT_NE(StageFolderKey(c.found), StageFolderKey(c.own)) << c.found;
  }
}

}  // namespace
}  // namespace zarvek
