#include "text/shown_path.h"

#include <gtest/gtest.h>

#include <string>

namespace zarvek {
namespace {

TEST(ShownPath, LongPathsBreakBetweenNamesOnly) {
  struct Case {
    const char* path;
    size_t width;
    const char* lines;
    size_t used = 0;  // characters of the line before the path
  };
  const Case cases[] = {
      {"", 10, ""},
      {"/home/ana", 40, "/home/ana"},
      // Names with spaces and accents stay whole; a line takes as many
      // names as fit, counted in characters, not bytes ("Á" is two).
      {"/home/ana/Obras/Red Ávila/2. DATOS GNSS/CONVERSION DE ALTURA.pdf", 26,
       "/home/ana/Obras/Red Ávila/\n2. DATOS GNSS/\nCONVERSION DE ALTURA.pdf"},
      {"C:\\Users\\Begoña\\Obras Topografía\\Red ávila", 20,
       "C:\\Users\\Begoña\\\nObras Topografía\\\nRed ávila"},
      // A name longer than the width gets a line of its own, whole.
      {"/a/UN NOMBRE MUY LARGO DE CARPETA/b", 8,
       "/a/\nUN NOMBRE MUY LARGO DE CARPETA/\nb"},
      {"/a/b/", 3, "/a/\nb/"},
      // After text on the same line: the names that fit stay on it...
      {"/home/ana/Obras/Red ÁVILA Peña/medidas.csv", 26,
       "/home/\nana/Obras/Red ÁVILA Peña/\nmedidas.csv", 18},
      // ... and a path whose first name does not fit starts a line.
      {"C:\\Obras\\Red ÁVILA Peña", 26, "\nC:\\Obras\\Red ÁVILA Peña", 24},
      {"Red ÁVILA Peña", 20, "\nRed ÁVILA Peña", 7},
      {"Red ÁVILA Peña", 20, "Red ÁVILA Peña", 6},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(BreakPathLines(c.path, c.width, c.used), c.lines)
        << c.path << " at " << c.width << " after " << c.used;
  }
  EXPECT_EQ(WithSeparator("C:/Users/Begoña/Red ávila/", '\\'),
            "C:\\Users\\Begoña\\Red ávila\\");
  EXPECT_EQ(WithSeparator("sin barras", '\\'), "sin barras");
}

// A path after a sentence's first words: no line of the box is wider than
// the box (which would wrap it at a space inside a name), the path's names
// are whole and in order, and the sentence loses no more than the spaces
// before a line break.
TEST(ShownPath, PathAfterTextKeepsEveryLineWithinTheBox) {
  const std::string path =
      "/srv/obras/Topografía 2026/Red ÁVILA Peña/2. DATOS GNSS/MEDIDAS.csv";
  struct Case {
    const char* lead;
    const char* kept;  // the lead as it stays in the text
  };
  const Case cases[] = {
      {"ALGUNAS LÍNEAS DE ", "ALGUNAS LÍNEAS DE "},
      {"EL FICHERO DE MEDIDAS HA CAMBIADO FUERA DEL PROGRAMA MIENTRAS SE "
       "GUARDABA: ",
       "EL FICHERO DE MEDIDAS HA CAMBIADO FUERA DEL PROGRAMA MIENTRAS SE "
       "GUARDABA:"},
      {"UNA LÍNEA\nDE ", "UNA LÍNEA\nDE "},
      {"", ""},
  };
  for (const Case& c : cases) {
    const std::string text = BoxPathAfter(c.lead, path);
    ASSERT_EQ(text.substr(0, std::string(c.kept).size()), c.kept) << text;
    std::string rest = text.substr(std::string(c.kept).size());
    std::string joined;
    for (char ch : rest) {
      if (ch != '\n') joined += ch;
    }
    EXPECT_EQ(joined, ShownPath(path)) << text;
    // Every line the path touches holds at most kBoxPathWidth characters
    // (the lead's own lines are the sentence's, wrapped by the box).
    const size_t lead_line = std::string(c.kept).rfind('\n');
    size_t start = lead_line == std::string::npos ? 0 : lead_line + 1;
    while (start <= text.size()) {
      size_t end = text.find('\n', start);
      if (end == std::string::npos) end = text.size();
      size_t chars = 0;
      for (size_t i = start; i < end; ++i)
        chars += (static_cast<unsigned char>(text[i]) & 0xC0) != 0x80;
      if (start > 0 || std::string(c.kept).size() < kBoxPathWidth) {
        EXPECT_LE(chars, kBoxPathWidth) << text.substr(start, end - start);
      }
      start = end + 1;
    }
  }
}

}  // namespace
}  // namespace zarvek
