// The heights tab under Xvfb, built alone with its columns: the project
// folder chosen through the (scripted) directory chooser on real temporary
// folders, the table that the detection builds, and the row rules driven as
// a user drives them: a box's text set, then <<ComboboxSelected>> generated
// on it. Last, the table in the whole main window, which it fits at 96 and
// 192 dpi.
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <system_error>
#include <vector>

#include "project/point_detection.h"
#include "rinex/rinex_verdict.h"
#include "testing/gui_fixture.h"
#include "testing/heights_room.h"
#include "testing/temp_dir.h"
#include "text/shown_path.h"

namespace zarvek {
namespace {

namespace stdfs = std::filesystem;
using Texts = std::vector<std::string>;

// The helpers of both fixtures below: `Base` gives heights_tab(),
// kNotebook, kRoomTab and the interpreter.
template <class Base>
class HeightsHelpers : public Base {
 public:
  using Base::Call;
  using Base::List;

 protected:
  // A project folder `name` with point folders "i. code" in "2. DATOS GNSS".
  std::string Project(const std::string& name, const Texts& codes) {
    stdfs::path datos = root_ / name / std::string(kGnssDataFolder);
    stdfs::create_directories(datos);
    stdfs::create_directories(datos.parent_path() / "1. FORMULARIOS");
    for (size_t i = 0; i < codes.size(); ++i)
      stdfs::create_directories(datos /
                                (std::to_string(i + 4) + ". " + codes[i]));
    return (root_ / name).string();
  }

  void Choose(const std::string& path) {
    this->AnswerDirectory(path);
    this->heights_tab().seleccionar_directorio_trabajo();
  }

  Texts TableCodes() {
    Texts codes;
    for (const RowCells& row : this->heights_tab().cells())
      codes.push_back(row.codigo);
    return codes;
  }
  std::string Get(const std::string& widget) { return Call({widget, "get"}); }
  Texts Values(const std::string& widget) {
    return List(Call({widget, "cget", "-values"}));
  }
  std::string State(const std::string& widget) {
    return Call({widget, "cget", "-state"});
  }
  // What a user does: picks `value` in the box's list.
  void Pick(const std::string& box, const std::string& value) {
    Call({box, "set", value});
    Call({"event", "generate", box, "<<ComboboxSelected>>"});
  }
  std::string Label() {
    // Shown with the system's separators; compared with "/" throughout.
    return testing::Slashes(
        Call({this->heights_tab().folder_label(), "cget", "-text"}));
  }
  // A project of `rows` points, its table shown on the second tab.
  void ShowTable(size_t rows) {
    Call({Base::kNotebook, "select", Base::kRoomTab});
    Texts codes;
    for (size_t i = 0; i < rows; ++i) codes.push_back(std::to_string(1000 + i));
    Choose(Project("larga" + std::to_string(rows), codes));
    Call({"update"});
  }

 public:
  int Int(const std::string& text) { return std::stoi(text); }

 protected:
  // The canvas y of the top of the table's view.
  double ViewTop() {
    return std::stod(Call({this->heights_tab().canvas(), "canvasy", 0}));
  }
  // Whether `cell` (of the rows frame) lies wholly inside the table's view.
  bool InView(const std::string& cell) {
    const double top = ViewTop();
    const int y = Int(Call({"winfo", "y", cell}));
    return y >= top &&
           y + Int(Call({"winfo", "height", cell})) <=
               top +
                   Int(Call({"winfo", "height", this->heights_tab().canvas()}));
  }

  testing::TempDir temp_;
  const stdfs::path& root_ = temp_.path();
};

// The room alone, in a notebook whose other page is shown first.
class HeightsTabTest : public HeightsHelpers<testing::HeightsRoomTest> {
 protected:
  void SetUp() override {
    HeightsRoomTest::SetUp();
    MakeRoom();
  }
};

TEST_F(HeightsTabTest, LayoutOfTheTab) {
  EXPECT_EQ(Label(), "NO SELECCIONADO");
  EXPECT_EQ(Call({heights_tab().folder_label(), "cget", "-foreground"}), "red");
  EXPECT_EQ(Call({heights_tab().folder_label(), "cget", "-background"}),
            "white");
  // Card, caption, bottom bar, then the table area that takes the rest.
  Texts packed = List(Call({"pack", "slaves", std::string(kRoomTab)}));
  ASSERT_EQ(packed.size(), 4u);
  EXPECT_EQ(packed[2], std::string(kRoomTab) + ".bottom_frame");
  EXPECT_EQ(packed[3], std::string(kRoomTab) + ".table_container");
  const std::string btn_pdf = std::string(kRoomTab) + ".bottom_frame.btn_pdf";
  EXPECT_EQ(Call({"winfo", "class", btn_pdf}), "Button");
  EXPECT_EQ(Call({btn_pdf, "cget", "-takefocus"}), "1");
  EXPECT_EQ(Call({btn_pdf, "cget", "-command"}),
            "::zarvek::generar_pdf_conversion");
  EXPECT_EQ(Call({heights_tab().canvas(), "cget", "-yscrollcommand"}),
            heights_tab().scrollbar() + " set");
  EXPECT_EQ(Call({heights_tab().scrollbar(), "cget", "-command"}),
            heights_tab().canvas() + " yview");
  EXPECT_EQ(Call({"winfo", "children", heights_tab().frame_rows()}), "");
}

TEST_F(HeightsTabTest, ChosenFolderGivesRowsInNumericOrder) {
  const std::string project = Project("obra", {"105", "99", "100"});
  Choose(project);
  EXPECT_EQ(project_.folder(), project);
  EXPECT_EQ(Label(), testing::Slashes(project));
  EXPECT_EQ(Call({heights_tab().folder_label(), "cget", "-foreground"}),
            "#27AE60");
  EXPECT_EQ(TableCodes(), (Texts{"99", "100", "105"}));
  EXPECT_EQ(project_.codes(), (Texts{"99", "100", "105"}));
  // Three rows of six cells and the ARP and RINEX columns beside them, under
  // eight headings; the title of the chooser as given.
  EXPECT_EQ(
      List(Call({"winfo", "children", heights_tab().frame_rows()})).size(),
      20u);
  EXPECT_EQ(Call({"grid", "size", heights_tab().frame_rows()}), "8 3");
  EXPECT_EQ(Call({"grid", "size", heights_tab().frame_headers()}), "8 1");
  EXPECT_EQ(List(Call({"lindex", Call({"set", "::zarvek_test_choosers"}), 0})),
            (Texts{"-title", "SELECCIONE LA CARPETA RAÍZ"}));
  // After the build input methods are on again, so typing works as before.
  EXPECT_EQ(Call({"tk", "useinputmethods"}), "1");

  // Choosing a folder inside a project ("2. DATOS GNSS", a point's RINEX)
  // opens that project, named by its root; then a cancelled choice changes
  // nothing.
  const std::string other = Project("otra", {"7", "3"});
  const std::string datos = other + "/" + std::string(kGnssDataFolder);
  stdfs::create_directories(datos + "/4. 7/RINEX");
  for (const std::string& inside : {datos, datos + "/4. 7/RINEX"}) {
    SCOPED_TRACE(inside);
    Choose(project);
    Choose(inside);
    EXPECT_EQ(TableCodes(), (Texts{"3", "7"}));
    EXPECT_EQ(project_.folder(), other);
    EXPECT_EQ(Label(), testing::Slashes(other));
  }
  Choose("");
  EXPECT_EQ(project_.folder(), other);
  EXPECT_EQ(Label(), testing::Slashes(other));
  EXPECT_EQ(TableCodes(), (Texts{"3", "7"}));
  EXPECT_EQ(Console(), "");
}

TEST_F(HeightsTabTest, NewRowAndItsHeaders) {
  Choose(Project("obra", {"12345"}));
  ASSERT_EQ(heights_tab().cells().size(), 1u);
  const RowCells& row = heights_tab().cells()[0];
  const std::string f = heights_tab().frame_rows();
  const std::string h = heights_tab().frame_headers();
  const Texts headers = {"PUNTO",     "RECEPTOR GNSS", "TIPO DE MEDIDA",
                         "ACCESORIO", "REFERENCIA",    "ALTURA (m)",
                         "ARP (m)",   "RINEX"};
  const Texts widths = {"10", "22", "15", "18", "12", "12", "10", "11"};
  for (int c = 0; c < 8; ++c) {
    std::string cell = Call({"grid", "slaves", h, "-row", 0, "-column", c});
    EXPECT_EQ(Call({cell, "cget", "-text"}), headers[c]);
    EXPECT_EQ(Call({cell, "cget", "-width"}), widths[c]);
    EXPECT_EQ(Call({cell, "cget", "-style"}), "SubHeader.TLabel");
  }
  std::string code = Call({"grid", "slaves", f, "-row", 0, "-column", 0});
  EXPECT_EQ(Call({code, "cget", "-text"}), "12345");
  const Texts cells = {row.rec,
                       row.tipo,
                       row.acc,
                       row.ref,
                       row.h,
                       arp_column().canvas(),
                       rinex_column().canvas()};
  for (int c = 1; c <= 7; ++c) {
    EXPECT_EQ(Call({"grid", "slaves", f, "-row", 0, "-column", c}),
              cells[c - 1]);
  }
  EXPECT_EQ(
      List(Call({"grid", "info", row.h})),
      (Texts{"-in",      f,   "-column", "5", "-row",   "0", "-columnspan", "1",
             "-rowspan", "1", "-ipadx",  "0", "-ipady", "0", "-padx",       "5",
             "-pady",    "0", "-sticky", ""}));
  EXPECT_EQ(Option(List(Call({"grid", "info", code})), "-pady"), "2");
  EXPECT_EQ(List(Call({code, "cget", "-font"})),
            (Texts{ui_->family(), "9", "bold"}));
  EXPECT_EQ(Get(row.rec), "QUENTARO R300");
  EXPECT_EQ(Values(row.rec).size(), 6u);
  EXPECT_EQ(Values(row.tipo), (Texts{"INCLINADA", "VERTICAL"}));
  for (const std::string& box : {row.tipo, row.acc, row.ref}) {
    EXPECT_EQ(Get(box), "");
    EXPECT_EQ(State(box), "readonly");
  }
  EXPECT_EQ(Values(row.acc), Texts{});
  EXPECT_EQ(Call({row.h, "cget", "-width"}), "12");
  EXPECT_EQ(Call({row.h, "cget", "-justify"}), "center");
}

TEST_F(HeightsTabTest, ReferenceChoicesRowByRow) {
  Choose(Project("obra", {"1"}));
  const RowCells row = heights_tab().cells().at(0);
  struct Case {
    const char* receiver;
    const char* tipo;
    const char* acc;  // nullptr: no accessory chosen
    Texts refs;       // empty: box disabled
    const char* selected;
  };
  const Case cases[] = {
      {"QUENTARO R300", "INCLINADA", "TRÍPODE", {"R1", "R2"}, ""},
      {"QUENTARO R750", "INCLINADA", "BÍPODE Y BASTÓN", {"R1", "R2"}, ""},
      {"QUENTARO R350", "VERTICAL", "BÍPODE Y BASTÓN", {"R3"}, "R3"},
      {"QUENTARO R700", "VERTICAL", "BASTÓN", {"R3"}, "R3"},
      {"QUENTARO M200 PLUS", "INCLINADA", "TRÍPODE", {"R2"}, "R2"},
      {"QUENTARO R100", "INCLINADA", "BÍPODE Y BASTÓN", {"R2"}, "R2"},
      {"QUENTARO R100", "VERTICAL", "BASTÓN", {"R3"}, "R3"},
      {"QUENTARO M200 PLUS", "VERTICAL", "BÍPODE Y BASTÓN", {"R3"}, "R3"},
      // A receiver chosen after the type but before any accessory.
      {"QUENTARO R300", "VERTICAL", nullptr, {"R3"}, "R3"},
      {"QUENTARO R100", "VERTICAL", nullptr, {"R3"}, "R3"},
      {"QUENTARO R300", "INCLINADA", nullptr, {}, ""},
      {"QUENTARO M200 PLUS", "INCLINADA", nullptr, {}, ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.receiver) + " / " + c.tipo + " / " +
                 (c.acc ? c.acc : "-"));
    Pick(row.tipo, c.tipo);
    Pick(row.rec, c.receiver);
    if (c.acc) Pick(row.acc, c.acc);
    EXPECT_EQ(Values(row.ref), c.refs);
    EXPECT_EQ(State(row.ref), c.refs.empty() ? "disabled" : "readonly");
    EXPECT_EQ(Get(row.ref), c.selected);
  }
}

TEST_F(HeightsTabTest, DependentBoxesAreClearedAndRecomputed) {
  const std::string project = Project("obra", {"1", "2"});
  Choose(project);
  const RowCells row = heights_tab().cells().at(1);
  const RowCells other = heights_tab().cells().at(0);

  // Choosing a receiver before any type disables the reference box.
  Pick(row.rec, "QUENTARO R350");
  EXPECT_EQ(State(row.ref), "disabled");

  Pick(row.tipo, "INCLINADA");
  EXPECT_EQ(Values(row.acc), (Texts{"TRÍPODE", "BÍPODE Y BASTÓN"}));
  Pick(row.acc, "TRÍPODE");
  Pick(row.ref, "R1");
  Call({row.h, "insert", 0, "1.5"});

  // A new receiver without R1: the reference becomes R2 on its own.
  Pick(row.rec, "QUENTARO M200 PLUS");
  EXPECT_EQ(Values(row.ref), (Texts{"R2"}));
  EXPECT_EQ(Get(row.ref), "R2");

  // A new type empties accessory and reference and offers new accessories;
  // the reference keeps its choices until an accessory is chosen.
  Pick(row.tipo, "VERTICAL");
  EXPECT_EQ(Get(row.acc), "");
  EXPECT_EQ(Get(row.ref), "");
  EXPECT_EQ(Values(row.acc), (Texts{"BÍPODE Y BASTÓN", "BASTÓN"}));
  EXPECT_EQ(Values(row.ref), (Texts{"R2"}));
  EXPECT_EQ(Get(row.h), "1.5");

  // Text set by the program runs no handler; the other row is untouched.
  Call({row.tipo, "set", "INCLINADA"});
  Call({"update"});
  EXPECT_EQ(Values(row.acc), (Texts{"BÍPODE Y BASTÓN", "BASTÓN"}));
  EXPECT_EQ(Get(other.tipo), "");
  EXPECT_EQ(Values(other.acc), Texts{});

  // A rebuild with the same codes brings the row back as last chosen (the
  // text set by the program was no choice), the other row as new.
  ASSERT_TRUE(heights_tab().LoadProject(project));
  ASSERT_EQ(heights_tab().cells().size(), 2u);
  const RowCells fresh = heights_tab().cells().at(1);
  EXPECT_EQ(Get(fresh.rec), "QUENTARO M200 PLUS");
  EXPECT_EQ(Get(fresh.tipo), "VERTICAL");
  EXPECT_EQ(Values(fresh.acc), (Texts{"BÍPODE Y BASTÓN", "BASTÓN"}));
  EXPECT_EQ(Get(fresh.h), "1.5");
  EXPECT_EQ(State(fresh.ref), "disabled");
  EXPECT_EQ(Get(heights_tab().cells().at(0).rec), "QUENTARO R300");
  EXPECT_EQ(Values(heights_tab().cells().at(0).acc), Texts{});
}

TEST_F(HeightsTabTest, TableBuiltBehindTheFirstTabIsShownLater) {
  // As after "CREAR CARPETAS": the table is rebuilt while tab 1 is in front.
  Call({kNotebook, "select", kOtherTab});
  Call({"update"});
  Choose(Project("obra", {"1", "2"}));
  EXPECT_EQ(Call({"winfo", "viewable", heights_tab().cells()[0].h}), "0");
  Call({kNotebook, "select", kRoomTab});
  Call({"update"});
  EXPECT_EQ(Call({"winfo", "viewable", heights_tab().cells()[0].h}), "1");
  // Input methods are on again, so typing (dead keys too) works as before.
  EXPECT_EQ(Call({"tk", "useinputmethods"}), "1");
  Call({"focus", "-force", heights_tab().cells()[1].h});
  Call({"event", "generate", heights_tab().cells()[1].h, "<KeyPress>",
        "-keysym", "7"});
  EXPECT_EQ(Call({heights_tab().cells()[1].h, "get"}), "7");
}

TEST_F(HeightsTabTest, EmptyProjectLeavesNoHeaderRow) {
  Choose(Project("obra", {"1"}));
  ASSERT_EQ(heights_tab().cells().size(), 1u);
  Choose(Project("vacia", {}));
  EXPECT_TRUE(heights_tab().cells().empty());
  EXPECT_EQ(Call({"winfo", "children", heights_tab().frame_rows()}), "");
  EXPECT_EQ(Call({"winfo", "children", heights_tab().frame_headers()}), "");
  EXPECT_EQ(Call({"winfo", "manager", heights_tab().frame_headers()}), "");
  EXPECT_TRUE(Messages().empty());
  EXPECT_EQ(Console(), "");
}

TEST_F(HeightsTabTest, FolderThatCannotBeReadKeepsTheLoadedProject) {
  const std::string obra = Project("obra", {"5"});
  Choose(obra);
  const RowCells row = heights_tab().cells().at(0);
  Call({row.h, "insert", 0, "1.52"});
  // "2. DATOS GNSS" here is a file: it exists but cannot be listed.
  stdfs::create_directories(root_ / "rota");
  const stdfs::path datos = root_ / "rota" / "2. DATOS GNSS";
  std::FILE* file = std::fopen(datos.string().c_str(), "w");
  ASSERT_NE(file, nullptr);
  std::fclose(file);
  Choose((root_ / "rota").string());
  ASSERT_EQ(Messages().size(), 1u);
  EXPECT_EQ(Option(Messages()[0], "-icon"), "error");
  EXPECT_EQ(Option(Messages()[0], "-title"), "Error");
  EXPECT_EQ(Option(Messages()[0], "-message"),
            std::string(std::strerror(ENOTDIR)) + ": " + datos.string());
  // Folder, label and table still belong to the project loaded before.
  EXPECT_EQ(project_.folder(), obra);
  EXPECT_EQ(Label(), testing::Slashes(obra));
  EXPECT_EQ(TableCodes(), (Texts{"5"}));
  EXPECT_EQ(Get(row.h), "1.52");
  EXPECT_EQ(Console(), "");
}

// A folder that is neither a project nor inside one (empty, or holding
// point-like folders of its own) is refused with its path, whatever tab 1
// previews: its rows would be saved nowhere. The project before it stays.
TEST_F(HeightsTabTest, FolderThatIsNotAProjectIsRefused) {
  const std::string obra = Project("obra", {"5"});
  Choose(obra);
  Call({heights_tab().cells().at(0).h, "insert", 0, "1.52"});
  heights_tab().WaitForSaves();
  // What tab 1 would hold after previewing codes 700 and 701.
  Call({"set", "::zarvek::num_puntos_var", "2"});
  Call({"set", "::zarvek::primer_codigo_var", "700"});
  stdfs::create_directories(root_ / "vacia");
  stdfs::create_directories(root_ / "suelta" / "4. 900");
  for (const stdfs::path& folder : {root_ / "vacia", root_ / "suelta"}) {
    SCOPED_TRACE(folder.string());
    ClearMessages();
    Choose(folder.string());
    ASSERT_EQ(Messages().size(), 1u);
    EXPECT_EQ(Option(Messages()[0], "-icon"), "error");
    EXPECT_EQ(Option(Messages()[0], "-message"),
              "LA CARPETA ELEGIDA NO ES UN PROYECTO (NO TIENE «2. DATOS "
              "GNSS»):\n" +
                  BoxPath(folder.string()) +
                  "\n\nELIJA LA CARPETA DEL PROYECTO O CRÉELO CON «CREAR "
                  "CARPETAS» EN LA PESTAÑA 1.");
    EXPECT_EQ(project_.folder(), obra);
    EXPECT_EQ(Label(), testing::Slashes(obra));
    EXPECT_EQ(TableCodes(), (Texts{"5"}));
    EXPECT_EQ(Get(heights_tab().cells().at(0).h), "1.52");
  }
  EXPECT_FALSE(stdfs::exists(root_ / "vacia" / "2. DATOS GNSS"));
  EXPECT_EQ(Console(), "");
}

// A second BUSCAR given while the first one's table is being built (the
// build runs the event loop) waits for it: the label, the project and the
// table end on the last folder chosen, together.
TEST_F(HeightsTabTest, SecondSearchDuringABuildOpensItsProjectWhole) {
  const std::string kBuscar = std::string(kRoomTab) + ".top_panel.btn_buscar";
  Texts many;
  for (size_t i = 0; i < 300; ++i) many.push_back(std::to_string(2000 + i));
  const std::string b = Project("b", many);
  const std::string c = Project("c", {"7", "9"});
  AnswerDirectory(b);
  AnswerDirectory(c);
  // The second click lands in the first build's first idle moment.
  Call({"after", "idle", tk::Obj::List({kBuscar, "invoke"})});
  Call({kBuscar, "invoke"});
  EXPECT_EQ(ChooserCalls(), 2);
  EXPECT_EQ(project_.folder(), c);
  EXPECT_EQ(Label(), testing::Slashes(c));
  EXPECT_EQ(TableCodes(), (Texts{"7", "9"}));
  EXPECT_EQ(project_.codes(), (Texts{"7", "9"}));
  EXPECT_TRUE(Messages().empty());
}

TEST_F(HeightsTabTest, MoreThanTheMaximumKeepsThePreviousTable) {
  Choose(Project("obra", {"8"}));
  Texts many;
  for (size_t i = 0; i <= kMaxTableRows; ++i) many.push_back(std::to_string(i));
  Choose(Project("enorme", many));
  ASSERT_EQ(Messages().size(), 1u);
  EXPECT_EQ(Option(Messages()[0], "-icon"), "error");
  EXPECT_EQ(Option(Messages()[0], "-title"), "Error");
  EXPECT_EQ(Option(Messages()[0], "-message"),
            "DEMASIADOS PUNTOS EN EL PROYECTO (MÁXIMO 1000).");
  EXPECT_EQ(TableCodes(), (Texts{"8"}));
  EXPECT_EQ(project_.codes(), (Texts{"8"}));
  EXPECT_EQ(project_.folder(), (root_ / "obra").string());
  EXPECT_EQ(Label(), testing::Slashes(project_.folder()));

  // Exactly the maximum is built.
  ClearMessages();
  many.pop_back();
  stdfs::remove_all(root_ / "enorme");
  Choose(Project("enorme", many));
  EXPECT_TRUE(Messages().empty());
  EXPECT_EQ(heights_tab().cells().size(), kMaxTableRows);
}

TEST_F(HeightsTabTest, WheelScrollsTheTableAndChangesNoCell) {
  ShowTable(200);
  const RowCells row = heights_tab().cells().at(0);
  Pick(row.tipo, "INCLINADA");
  Pick(row.acc, "TRÍPODE");
  Pick(row.ref, "R1");
  Call({row.h, "insert", 0, "1.5"});
  const std::string code_label = Call(
      {"grid", "slaves", heights_tab().frame_rows(), "-row", 0, "-column", 0});
  const std::string heading =
      Call({"grid", "slaves", heights_tab().frame_headers(), "-row", 0,
            "-column", 1});
  // Cells, headings and the gaps between them (frames, canvas).
  const Texts over = {row.rec,
                      row.tipo,
                      row.acc,
                      row.ref,
                      row.h,
                      code_label,
                      heading,
                      heights_tab().frame_rows(),
                      heights_tab().frame_headers(),
                      heights_tab().canvas()};
  for (const std::string& widget : over) {
    SCOPED_TRACE(widget);
    double top = ViewTop();
    Call({"event", "generate", widget, "<ButtonPress-5>"});
    Call({"event", "generate", widget, "<ButtonRelease-5>"});
    EXPECT_GT(ViewTop(), top);
    top = ViewTop();
    Call({"event", "generate", widget, "<MouseWheel>", "-delta", -240});
    EXPECT_GT(ViewTop(), top);
    top = ViewTop();
    Call({"event", "generate", widget, "<ButtonPress-4>"});
    EXPECT_LT(ViewTop(), top);
  }
  Call({"update"});
  EXPECT_EQ(Get(row.rec), "QUENTARO R300");
  EXPECT_EQ(Get(row.tipo), "INCLINADA");
  EXPECT_EQ(Get(row.acc), "TRÍPODE");
  EXPECT_EQ(Get(row.ref), "R1");
  EXPECT_EQ(Get(row.h), "1.5");
}

TEST_F(HeightsTabTest, TabAndShiftTabKeepTheFocusedCellInView) {
  ShowTable(60);
  Call({"focus", "-force", heights_tab().cells().at(0).rec});
  Call({"update"});
  int out_of_view = 0;
  Texts visited;
  for (const char* key : {"<KeyPress-Tab>", "<Shift-KeyPress-Tab>"}) {
    for (int i = 0; i < 5 * 40; ++i) {
      Call({"event", "generate", Call({"focus"}), key});
      Call({"update"});
      if (!InView(Call({"focus"}))) {
        ++out_of_view;
        ADD_FAILURE() << key << " " << i << " " << Call({"focus"});
      }
      visited.push_back(Call({"focus"}));
    }
  }
  EXPECT_EQ(out_of_view, 0);
  // Forwards to row 40, then back to the first row.
  EXPECT_EQ(visited[5 * 40 - 1], heights_tab().cells().at(40).rec);
  EXPECT_EQ(visited.back(), heights_tab().cells().at(0).rec);
  EXPECT_EQ(ViewTop(), 0);
}

TEST_F(HeightsTabTest, HeadingsStayAboveTheirColumnsAtEveryWidth) {
  ShowTable(200);
  const std::string heading =
      Call({"grid", "slaves", heights_tab().frame_headers(), "-row", 0,
            "-column", 1});
  const std::string y = Call({"winfo", "rooty", heading});
  Call({heights_tab().canvas(), "yview", "moveto", 1});
  Call({"update"});
  EXPECT_GT(ViewTop(), 0);
  EXPECT_EQ(Call({"winfo", "rooty", heading}), y);
  EXPECT_EQ(Call({"winfo", "viewable", heading}), "1");
  const RowCells& row = heights_tab().cells().at(0);
  const Texts cells = {Call({"grid", "slaves", heights_tab().frame_rows(),
                             "-row", 0, "-column", 0}),
                       row.rec,
                       row.tipo,
                       row.acc,
                       row.ref,
                       row.h};
  auto center = [&](const std::string& w) {
    return 2 * Int(Call({"winfo", "rootx", w})) +
           Int(Call({"winfo", "width", w}));
  };
  for (const char* size : {"950x700", "1250x700", "950x500"}) {
    SCOPED_TRACE(size);
    Call({"wm", "geometry", ".", size});
    Call({"update"});
    EXPECT_EQ(Call({"winfo", "rootx", heights_tab().frame_headers()}),
              Call({"winfo", "rootx", heights_tab().frame_rows()}));
    for (int c = 0; c < 6; ++c) {
      // The same x and width; heights differ.
      const Texts head_box =
          List(Call({"grid", "bbox", heights_tab().frame_headers(), c, 0}));
      const Texts row_box =
          List(Call({"grid", "bbox", heights_tab().frame_rows(), c, 0}));
      EXPECT_EQ(Texts(head_box.begin(), head_box.begin() + 3),
                Texts(row_box.begin(), row_box.begin() + 3));
      const std::string head =
          Call({"grid", "slaves", heights_tab().frame_headers(), "-row", 0,
                "-column", c});
      EXPECT_NEAR(center(head), center(cells[c]), 2) << c;
    }
  }
}

TEST_F(HeightsTabTest, NewProjectIsSeenFromItsFirstRow) {
  ShowTable(200);
  Call({heights_tab().canvas(), "yview", "moveto", 1});
  Call({"update"});
  Choose(Project("corta", {"1", "2"}));
  Call({"update"});
  EXPECT_EQ(Call({heights_tab().canvas(), "yview"}), "0.0 1.0");
  EXPECT_EQ(List(Call({heights_tab().canvas(), "cget", "-scrollregion"})).at(3),
            Call({"winfo", "reqheight", heights_tab().frame_rows()}));
  EXPECT_TRUE(InView(heights_tab().cells().at(1).h));
  EXPECT_EQ(Call({"winfo", "viewable", heights_tab().cells().at(1).h}), "1");
}

TEST_F(HeightsTabTest, KeypadDecimalKeyTypesAPointInHeights) {
  // The keypad of a Spanish keyboard: its decimal key types a comma
  // (KP_Separator with Num Lock on). The server's keyboard options are put
  // back afterwards.
  std::string options;
  if (std::FILE* query = popen("setxkbmap -query", "r")) {
    char line[256];
    while (std::fgets(line, sizeof line, query) != nullptr) {
      std::string text(line);
      if (text.rfind("options:", 0) == 0)
        options = text.substr(text.find_first_not_of(" ", 8));
    }
    pclose(query);
  }
  while (!options.empty() && (options.back() == '\n' || options.back() == ' '))
    options.pop_back();
  if (options.find('\'') != std::string::npos ||
      std::system("setxkbmap -option kpdl:comma") != 0)
    GTEST_SKIP() << "setxkbmap cannot change the keymap";
  struct Restore {
    std::string command;
    ~Restore() { (void)std::system(command.c_str()); }
  } restore{"setxkbmap -option '' -option '" + options + "'"};
  ShowTable(2);
  const std::string h = heights_tab().cells().at(1).h;
  Call({"focus", "-force", h});
  Call({"update"});
  const int num_lock = 16;
  for (const char* keysym : {"1", "KP_Separator", "5", "KP_Decimal", "2"})
    Call({"event", "generate", h, "<KeyPress>", "-keysym", keysym, "-state",
          num_lock});
  EXPECT_EQ(Get(h), "1.5.2");
  // A selection is replaced, as by any typed character; a comma typed with
  // the main keyboard stays a comma.
  Call({h, "selection", "range", 0, "end"});
  Call({"event", "generate", h, "<KeyPress>", "-keysym", "KP_Separator",
        "-state", num_lock});
  Call({"event", "generate", h, "<KeyPress>", "-keysym", "comma"});
  EXPECT_EQ(Get(h), ".,");
}

TEST_F(HeightsTabTest, HostileFolderNameIsShownAsItIs) {
  // Were the name run as Tcl, "PWNED" would appear in the working folder.
  const std::string name = "x[exec touch PWNED]$HOME{a b}\"q";
  const std::string project = Project(name, {"3"});
  Choose(project);
  Call({"update"});
  EXPECT_EQ(Label(), testing::Slashes(project));
  EXPECT_EQ(project_.folder(), project);
  EXPECT_EQ(TableCodes(), (Texts{"3"}));
  EXPECT_FALSE(stdfs::exists("PWNED"));
}

// A folder whose name is Latin-1, not UTF-8 (as old zip archives leave):
// the chooser shows it as "Año", a name that does not exist. BUSCAR refuses
// it, and a file, and a folder under missing ones, each with its own
// reason, as the folder tab does; no project opens.
TEST_F(HeightsTabTest, ChosenFolderThatIsNotThereIsRefused) {
  const stdfs::path latin1 = root_ / "Proyecto A\xf1o";
  stdfs::create_directories(latin1);
  const std::string shown = (root_ / "Proyecto Año").string();
  const std::string file = (root_ / "nota.txt").string();
  std::FILE* f = std::fopen(file.c_str(), "w");
  ASSERT_NE(f, nullptr);
  std::fclose(f);
  const std::string obras = (root_ / "Obras 2026").string();
  struct Refused {
    std::string path;
    std::string reason;  // the start of the box
    std::string named;   // the path the box names
    bool accents;
  };
  const Refused refused[] = {
      {shown, "LA CARPETA ELEGIDA NO EXISTE CON ESE NOMBRE:", shown, true},
      {file, "LO ELEGIDO NO ES UNA CARPETA:", file, false},
      {obras + "/Red Ávila", "NO EXISTE LA CARPETA «Obras 2026»", obras, false},
      {obras + "/Sur/Red Ávila", "NO EXISTE LA CARPETA «Obras 2026»", obras,
       false},
  };
  auto one_line = [](std::string text) {
    text.erase(std::remove(text.begin(), text.end(), '\n'), text.end());
    return text;
  };
  for (const Refused& r : refused) {
    SCOPED_TRACE(r.path);
    ClearMessages();
    Choose(r.path);
    ASSERT_EQ(Messages().size(), 1u);
    EXPECT_EQ(Option(Messages()[0], "-title"), "Error");
    const std::string message = Option(Messages()[0], "-message");
    EXPECT_EQ(message.rfind(r.reason, 0), 0u) << message;
    EXPECT_NE(one_line(message).find(r.named), std::string::npos) << message;
    EXPECT_EQ(message.find("ACENTOS") != std::string::npos, r.accents)
        << message;
    EXPECT_EQ(project_.folder(), "");
    EXPECT_TRUE(heights_tab().cells().empty());
  }
  EXPECT_FALSE(stdfs::exists(obras));
  EXPECT_TRUE(stdfs::is_empty(latin1));
}

// A project that cannot be shown (the folder label is gone): an error box
// says what Tk says, and the project and the table stay as they were.
TEST_F(HeightsTabTest, ProjectThatCannotBeShownChangesNothing) {
  const std::string obra = Project("obra", {"100"});
  Call({"destroy", heights_tab().folder_label()});
  EXPECT_FALSE(heights_tab().LoadProject(obra));
  ASSERT_EQ(Messages().size(), 1u);
  EXPECT_EQ(Option(Messages()[0], "-title"), "Error");
  EXPECT_EQ(Option(Messages()[0], "-message"),
            "invalid command name \"" + heights_tab().folder_label() + "\"");
  EXPECT_EQ(project_.folder(), "");
  EXPECT_TRUE(heights_tab().cells().empty());
}

// The table in the whole main window: what fits in the first window is
// the window's layout (its header, its size, its fonts) as much as the
// tab's.
class HeightsWindow : public testing::GuiTest {
 public:
  using GuiTest::app_;
  HeightsTab& heights_tab() { return app_->heights_tab(); }

 protected:
  static constexpr const char* kNotebook = MainWindow::kTabControl;
  static constexpr const char* kRoomTab = MainWindow::kTabAlturas;
  void SetUp() override {
    GuiTest::SetUp();
    MakeApp();
  }
};
class HeightsWindowTest : public HeightsHelpers<HeightsWindow> {};

// On the first window, at the scaling of the test: all eight columns are in
// view (the ARP cell wide enough for the widest height), no heading is cut,
// the header's lines are whole and both buttons under the table are on
// screen.
void ExpectEverythingFits(HeightsWindowTest& t) {
  const int table =
      t.Int(t.Call({"winfo", "reqwidth", t.app_->heights_tab().frame_rows()}));
  const int visible =
      t.Int(t.Call({"winfo", "width", t.app_->heights_tab().canvas()}));
  EXPECT_LE(table, visible);
  EXPECT_EQ(t.Call({"grid", "size", t.app_->heights_tab().frame_headers()}),
            "8 1");
  const std::string arp = t.app_->arp_column().canvas();
  EXPECT_GE(t.Int(t.Call({"winfo", "width", arp})),
            t.Int(t.Call({"font", "measure",
                          t.Call({arp, "itemcget", "arp0", "-font"}),
                          "-1000.0000"})));
  // Every text a RINEX verdict shows fits its cell.
  const std::string rinex = t.app_->rinex_column().canvas();
  const std::string rinex_font = t.Call({rinex, "itemcget", "rinex0", "-font"});
  for (const std::string& text : RinexCellTexts()) {
    EXPECT_GE(t.Int(t.Call({"winfo", "width", rinex})),
              t.Int(t.Call({"font", "measure", rinex_font, text})))
        << text;
  }
  const std::string font =
      t.Call({"ttk::style", "lookup", "SubHeader.TLabel", "-font"});
  for (const std::string& cell :
       t.List(t.Call({"grid", "slaves", t.app_->heights_tab().frame_headers(),
                      "-row", 0}))) {
    const std::string text = t.Call({cell, "cget", "-text"});
    EXPECT_GE(t.Int(t.Call({"winfo", "width", cell})),
              t.Int(t.Call({"font", "measure", font, text})))
        << text;
  }
  const std::string inner =
      std::string(MainWindow::kHeaderFrame) + ".inner_header";
  for (const std::string& line : t.List(t.Call({"winfo", "children", inner}))) {
    EXPECT_LE(t.Int(t.Call({"winfo", "y", line})) +
                  t.Int(t.Call({"winfo", "height", line})),
              t.Int(t.Call({"winfo", "height", inner})))
        << line;
  }
  for (const char* name : {".btn_pdf", ".btn_rinex"}) {
    const std::string button =
        std::string(MainWindow::kTabAlturas) + ".bottom_frame" + name;
    EXPECT_GT(t.Int(t.Call({"winfo", "height", button})), 0) << name;
    EXPECT_LE(t.Int(t.Call({"winfo", "rootx", button})) +
                  t.Int(t.Call({"winfo", "width", button})),
              t.Int(t.Call({"winfo", "rootx", "."})) +
                  t.Int(t.Call({"winfo", "width", "."})))
        << name;
    EXPECT_LE(t.Int(t.Call({"winfo", "rooty", button})) +
                  t.Int(t.Call({"winfo", "height", button})),
              t.Int(t.Call({"winfo", "rooty", "."})) +
                  t.Int(t.Call({"winfo", "height", "."})))
        << name;
  }
}

TEST_F(HeightsWindowTest, AllEightColumnsFitTheFirstWindow) {
  ShowTable(1);
  EXPECT_EQ(Call({"winfo", "geometry", "."}).substr(0, 7), "950x700");
  ExpectEverythingFits(*this);
}

// A screen of 192 dpi: the window, the fonts, the scrollbars and the
// combobox arrows are all twice their 96-dpi size. The screen is a 4K one,
// where the window fits at that size (Xvfb's own is smaller).
class HighDensityTest : public HeightsWindowTest {
 protected:
  void SetUp() override {
    GuiTest::SetUp();
    Call({"tk", "scaling", "2.6666667"});
    AppServices services;
    services.work_area = [] {
      return std::optional<WorkArea>(WorkArea{{0, 0, 3840, 2100}, {}});
    };
    MakeApp(std::move(services));
  }
};

TEST_F(HighDensityTest, WindowGrowsWithTheScreenSoEverythingStillFits) {
  ShowTable(1);
  // Tk keeps the scaling as the screen's size in millimetres, so 192 dpi
  // reads back a little above 2.6667.
  EXPECT_NEAR(Int(Call({"winfo", "width", "."})), 1900, 6);
  EXPECT_NEAR(Int(Call({"winfo", "height", "."})), 1400, 6);
  EXPECT_EQ(Call({"winfo", "width", heights_tab().scrollbar()}), "28");
  EXPECT_EQ(Call({"ttk::style", "lookup", "TCombobox", "-arrowsize"}), "28");
  ExpectEverythingFits(*this);
}

}  // namespace
}  // namespace zarvek
