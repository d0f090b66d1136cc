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
  };
  for (const Case& c : cases) {
    EXPECT_EQ(BreakPathLines(c.path, c.width), c.lines)
        << c.path << " at " << c.width;
  }
  EXPECT_EQ(WithSeparator("C:/Users/Begoña/Red ávila/", '\\'),
            "C:\\Users\\Begoña\\Red ávila\\");
  EXPECT_EQ(WithSeparator("sin barras", '\\'), "sin barras");
}

}  // namespace
}  // namespace zarvek
