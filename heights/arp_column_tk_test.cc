// The ARP column and the status line under the table, in the heights tab
// built alone: each row's ARP height as it is typed, its colour, the line that
// explains the row in focus, and that line wrapping inside the window.
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "measurements/measurement_file.h"
#include "project/point_detection.h"
#include "testing/heights_room.h"
#include "testing/temp_dir.h"

namespace zarvek {
namespace {

namespace stdfs = std::filesystem;

class ArpColumnTest : public testing::HeightsRoomTest {
 protected:
  // Points 1001-1003: 1001 and 1002 R300 slant to R1 of 1.5 m, 1003 empty.
  void SetUp() override {
    HeightsRoomTest::SetUp();
    const stdfs::path datos = temp_.path() / std::string(kGnssDataFolder);
    for (int i = 0; i < 3; ++i) {
      stdfs::create_directories(
          datos / (std::to_string(i + 4) + ". " + std::to_string(1001 + i)));
    }
    std::ofstream(datos / std::string(kMeasurementFileName), std::ios::binary)
        << "PUNTO;RECEPTOR GNSS;TIPO DE MEDIDA;ACCESORIO;REFERENCIA;"
           "ALTURA MEDIDA (m)\r\n"
           "1001;QUENTARO R300;INCLINADA;TRÍPODE;R1;1.5\r\n"
           "1002;QUENTARO R300;INCLINADA;TRÍPODE;R1;1.5\r\n";
    MakeRoom();
    Call({std::string(kNotebook), "select", std::string(kRoomTab)});
    AnswerDirectory(temp_.path().string());
    heights_tab().seleccionar_directorio_trabajo();
    ASSERT_EQ(heights_tab().cells().size(), 3u);
    Call({"update"});
  }

  std::string Cell(size_t i, const char* option = "-text") {
    return Call(
        {arp_column().canvas(), "itemcget", "arp" + std::to_string(i), option});
  }
  std::string Status() { return Call({kStatus(), "cget", "-text"}); }
  std::string kStatus() { return rinex_column().status_label(); }
  void TypeHeight(size_t i, const std::string& text) {
    const std::string& h = heights_tab().cells()[i].h;
    Call({"focus", "-force", h});
    Call({"update"});
    Call({h, "delete", 0, "end"});
    Call({h, "insert", 0, text});
  }

  testing::TempDir temp_;
};

TEST_F(ArpColumnTest, EachRowsArpShowsAsItIsTypedAndTheRowInFocusIsExplained) {
  // Between the height and the RINEX column, under its heading.
  const std::string f = heights_tab().frame_rows();
  EXPECT_EQ(Call({"grid", "slaves", f, "-row", 0, "-column", 6}),
            arp_column().canvas());
  EXPECT_EQ(Call({"grid", "slaves", f, "-row", 0, "-column", 7}),
            rinex_column().canvas());
  EXPECT_EQ(Call({Call({"grid", "slaves", heights_tab().frame_headers(), "-row",
                        0, "-column", 6}),
                  "cget", "-text"}),
            "ARP (m)");
  EXPECT_EQ(Cell(0), "1.4285");
  EXPECT_EQ(Cell(1), "1.4285");
  EXPECT_EQ(Cell(2), "");

  // Typed: the cell and the status line follow every change.
  struct Step {
    const char* typed;
    const char* cell;
    const char* color;
    const char* status_part;
  } steps[] = {
      {"1.6", "1.5286", "#2C3E50",
       "PUNTO 1002: ARP = √(H² - r²) - HR1 = √(1.6000² - 0.0670²) - 0.0700 = "
       "1.5286 m · CENTRO DE FASE = ARP + OFFSET = 1.5286 + 0.0820 = "
       "1.6106 m\nRINEX: "},
      // A decimal comma is the point.
      {"1,6", "1.5286", "#2C3E50",
       "PUNTO 1002: ARP = √(H² - r²) - HR1 = √(1.6000² - 0.0670²)"},
      {"1,6,0", "ERROR", "#C0392B", "PUNTO 1002: LA ALTURA NO ES UN NÚMERO"},
      {"160", "159.9300", "#B9770E",
       "PUNTO 1002: ALTURA ARP FUERA DEL RANGO DE 0 A 5 m."},
      {"", "", "#2C3E50", "RINEX: 0 ✓"},
  };
  for (const Step& s : steps) {
    SCOPED_TRACE(s.typed);
    TypeHeight(1, s.typed);
    EXPECT_EQ(Cell(1), s.cell);
    EXPECT_EQ(Cell(1, "-fill"), s.color);
    EXPECT_EQ(Status().rfind(s.status_part, 0), 0u) << Status();
  }
  EXPECT_EQ(Cell(0), "1.4285");
  // The pointer on another row's ARP cell explains that row.
  const std::vector<std::string> xy =
      List(Call({arp_column().canvas(), "coords", "arp0"}));
  ASSERT_EQ(xy.size(), 2u);
  Call({"event", "generate", arp_column().canvas(), "<Motion>", "-x",
        std::stoi(xy[0]), "-y", std::stoi(xy[1])});
  EXPECT_EQ(Status().rfind("PUNTO 1001: ARP = ", 0), 0u) << Status();
  EXPECT_NE(Status().find("\nRINEX: "), std::string::npos) << Status();
}

TEST_F(ArpColumnTest, StatusLineWrapsInsideTheWindowAtEveryWidth) {
  // A status line longer than the narrower windows: the worked formula.
  TypeHeight(1, "1," + std::string(400, '5'));
  ASSERT_EQ(Cell(1), "1.4841");
  for (const char* size : {"950x700", "1400x700", "700x700", "950x700"}) {
    SCOPED_TRACE(size);
    Call({"wm", "geometry", ".", size});
    Call({"update"});
    const int window = std::stoi(Call({"winfo", "width", "."}));
    EXPECT_LE(std::stoi(Call({"winfo", "reqwidth", kStatus()})),
              std::stoi(Call({"winfo", "width", kStatus()})));
    EXPECT_LE(std::stoi(Call({"winfo", "rootx", kStatus()})) +
                  std::stoi(Call({"winfo", "width", kStatus()})),
              std::stoi(Call({"winfo", "rootx", "."})) + window);
    // Every line is shown: the label is as high as its text wrapped at
    // its width needs.
    Call({"label", ".medida", "-text", Call({kStatus(), "cget", "-text"}),
          "-font", Call({kStatus(), "cget", "-font"}), "-wraplength",
          Call({kStatus(), "cget", "-wraplength"})});
    EXPECT_GE(std::stoi(Call({"winfo", "height", kStatus()})),
              std::stoi(Call({"winfo", "reqheight", ".medida"})));
    Call({"destroy", ".medida"});
  }
}

}  // namespace
}  // namespace zarvek
