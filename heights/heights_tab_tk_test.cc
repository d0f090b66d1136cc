// The heights tab under Xvfb: the project folder chosen through the
// (scripted) directory chooser on real temporary folders, the table that the
// detection builds, and the row rules driven as a user drives them: a box's
// text set, then <<ComboboxSelected>> generated on it.
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <string>
#include <system_error>
#include <vector>

#include "heights/point_detection.h"
#include "testing/gui_fixture.h"
#include "testing/temp_dir.h"

namespace zarvek {
namespace {

namespace stdfs = std::filesystem;
using Texts = std::vector<std::string>;
using testing::GuiTest;

class HeightsTabTest : public GuiTest {
 protected:
  void SetUp() override {
    GuiTest::SetUp();
    MakeApp();
  }

  // A project folder `name` with point folders "i. code" in "2. DATOS GNSS".
  std::string Project(const std::string& name, const Texts& codes) {
    stdfs::path datos = root_ / name / std::string(kDatosGnssFolder);
    stdfs::create_directories(datos);
    stdfs::create_directories(datos.parent_path() / "1. FORMULARIOS");
    for (size_t i = 0; i < codes.size(); ++i)
      stdfs::create_directories(datos /
                                (std::to_string(i + 4) + ". " + codes[i]));
    return (root_ / name).string();
  }

  void Choose(const std::string& path) {
    AnswerDirectory(path);
    app_->seleccionar_directorio_trabajo();
  }

  Texts TableCodes() {
    Texts codes;
    for (const MeasurementRow& row : app_->entradas_alturas)
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
    return Call({*app_->lbl_dir_seleccionado, "cget", "-text"});
  }

  testing::TempDir temp_;
  const stdfs::path& root_ = temp_.path();
};

TEST_F(HeightsTabTest, LayoutOfTheTab) {
  EXPECT_EQ(Label(), "NO SELECCIONADO");
  EXPECT_EQ(Call({*app_->lbl_dir_seleccionado, "cget", "-foreground"}), "red");
  EXPECT_EQ(Call({*app_->lbl_dir_seleccionado, "cget", "-background"}),
            "white");
  // Card, caption, bottom bar, then the table area that takes the rest.
  Texts packed = List(Call({"pack", "slaves", app_->tab_alturas}));
  ASSERT_EQ(packed.size(), 4u);
  EXPECT_EQ(packed[2], app_->tab_alturas + ".bottom_frame");
  EXPECT_EQ(packed[3], app_->tab_alturas + ".table_container");
  const std::string btn_pdf = app_->tab_alturas + ".bottom_frame.btn_pdf";
  EXPECT_EQ(Call({"winfo", "class", btn_pdf}), "Button");
  EXPECT_EQ(Call({btn_pdf, "cget", "-takefocus"}), "0");
  EXPECT_EQ(Call({btn_pdf, "cget", "-command"}),
            "::zarvek::generar_pdf_conversion");
  EXPECT_EQ(Call({app_->canvas_alturas, "cget", "-yscrollcommand"}),
            app_->scroll_alturas + " set");
  EXPECT_EQ(Call({app_->scroll_alturas, "cget", "-command"}),
            app_->canvas_alturas + " yview");
  EXPECT_EQ(Call({"bind", app_->frame_rows, "<MouseWheel>"}), "");
  EXPECT_EQ(Call({"winfo", "children", app_->frame_rows}), "");
}

TEST_F(HeightsTabTest, ChosenFolderGivesRowsInNumericOrder) {
  const std::string project = Project("obra", {"105", "99", "100"});
  Choose(project);
  EXPECT_EQ(app_->ruta_base, project);
  EXPECT_EQ(Label(), project);
  EXPECT_EQ(Call({*app_->lbl_dir_seleccionado, "cget", "-foreground"}),
            "#27AE60");
  EXPECT_EQ(TableCodes(), (Texts{"99", "100", "105"}));
  EXPECT_EQ(app_->lista_codigos_final, (Texts{"99", "100", "105"}));
  // One header row and three data rows of six cells; the title of the
  // chooser as given.
  EXPECT_EQ(List(Call({"winfo", "children", app_->frame_rows})).size(), 24u);
  EXPECT_EQ(Call({"grid", "size", app_->frame_rows}), "6 4");
  EXPECT_EQ(List(Call({"lindex", Call({"set", "::zarvek_test_choosers"}), 0})),
            (Texts{"-title", "SELECCIONE LA CARPETA RAÍZ"}));
  // After the build input methods are on again, so typing works as before.
  EXPECT_EQ(Call({"tk", "useinputmethods"}), "1");

  // Choosing "2. DATOS GNSS" itself finds the same codes; then a cancelled
  // choice changes nothing.
  const std::string other = Project("otra", {"7", "3"});
  Choose(other + "/" + std::string(kDatosGnssFolder));
  EXPECT_EQ(TableCodes(), (Texts{"3", "7"}));
  Choose("");
  EXPECT_EQ(app_->ruta_base, other + "/" + std::string(kDatosGnssFolder));
  EXPECT_EQ(Label(), app_->ruta_base);
  EXPECT_EQ(TableCodes(), (Texts{"3", "7"}));
  EXPECT_EQ(Console(), "");
}

TEST_F(HeightsTabTest, NewRowAndItsHeaders) {
  Choose(Project("obra", {"12345"}));
  ASSERT_EQ(app_->entradas_alturas.size(), 1u);
  const MeasurementRow& row = app_->entradas_alturas[0];
  const std::string f = app_->frame_rows;
  const Texts headers = {"PUNTO",     "RECEPTOR GNSS", "TIPO DE MEDIDA",
                         "ACCESORIO", "REFERENCIA",    "ALTURA (m)"};
  const Texts widths = {"10", "30", "15", "25", "12", "12"};
  for (int c = 0; c < 6; ++c) {
    std::string cell = Call({"grid", "slaves", f, "-row", 0, "-column", c});
    EXPECT_EQ(Call({cell, "cget", "-text"}), headers[c]);
    EXPECT_EQ(Call({cell, "cget", "-width"}), widths[c]);
    EXPECT_EQ(Call({cell, "cget", "-style"}), "SubHeader.TLabel");
  }
  std::string code = Call({"grid", "slaves", f, "-row", 1, "-column", 0});
  EXPECT_EQ(Call({code, "cget", "-text"}), "12345");
  const Texts cells = {row.rec, row.tipo, row.acc, row.ref, row.h};
  for (int c = 1; c <= 5; ++c) {
    EXPECT_EQ(Call({"grid", "slaves", f, "-row", 1, "-column", c}),
              cells[c - 1]);
  }
  EXPECT_EQ(
      List(Call({"grid", "info", row.h})),
      (Texts{"-in",      f,   "-column", "5", "-row",   "1", "-columnspan", "1",
             "-rowspan", "1", "-ipadx",  "0", "-ipady", "0", "-padx",       "5",
             "-pady",    "0", "-sticky", ""}));
  EXPECT_EQ(Option(List(Call({"grid", "info", code})), "-pady"), "2");
  EXPECT_EQ(List(Call({code, "cget", "-font"})),
            (Texts{app_->ui_family(), "9", "bold"}));
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

TEST_F(HeightsTabTest, AllSixColumnsFitTheFirstWindow) {
  Call({app_->tab_control, "select", app_->tab_alturas});
  Choose(Project("obra", {"123456789"}));
  Call({"update"});
  const int table = std::stoi(Call({"winfo", "reqwidth", app_->frame_rows}));
  const int visible = std::stoi(Call({"winfo", "width", app_->canvas_alturas}));
  EXPECT_LE(table, visible);
  // No heading is cut: each label is as wide as its text.
  for (const std::string& cell :
       List(Call({"grid", "slaves", app_->frame_rows, "-row", 0}))) {
    const std::string font =
        Call({"ttk::style", "lookup", "SubHeader.TLabel", "-font"});
    const std::string text = Call({cell, "cget", "-text"});
    EXPECT_GE(std::stoi(Call({"winfo", "width", cell})),
              std::stoi(Call({"font", "measure", font, text})))
        << text;
  }
}

TEST_F(HeightsTabTest, ReferenceChoicesRowByRow) {
  Choose(Project("obra", {"1"}));
  const MeasurementRow row = app_->entradas_alturas.at(0);
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
  Choose(Project("obra", {"1", "2"}));
  const MeasurementRow row = app_->entradas_alturas.at(1);
  const MeasurementRow other = app_->entradas_alturas.at(0);

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
  app_->detectar_codigos_existentes();
  ASSERT_EQ(app_->entradas_alturas.size(), 2u);
  const MeasurementRow fresh = app_->entradas_alturas.at(1);
  EXPECT_EQ(Get(fresh.rec), "QUENTARO M200 PLUS");
  EXPECT_EQ(Get(fresh.tipo), "VERTICAL");
  EXPECT_EQ(Values(fresh.acc), (Texts{"BÍPODE Y BASTÓN", "BASTÓN"}));
  EXPECT_EQ(Get(fresh.h), "1.5");
  EXPECT_EQ(State(fresh.ref), "disabled");
  EXPECT_EQ(Get(app_->entradas_alturas.at(0).rec), "QUENTARO R300");
  EXPECT_EQ(Values(app_->entradas_alturas.at(0).acc), Texts{});
}

TEST_F(HeightsTabTest, TableBuiltBehindTheFirstTabIsShownLater) {
  // As after "CREAR CARPETAS": the table is rebuilt while tab 1 is in front.
  Call({".tab_control", "select", ".tab_control.tab_carpetas"});
  Call({"update"});
  Choose(Project("obra", {"1", "2"}));
  EXPECT_EQ(Call({"winfo", "viewable", app_->entradas_alturas[0].h}), "0");
  Call({".tab_control", "select", ".tab_control.tab_alturas"});
  Call({"update"});
  EXPECT_EQ(Call({"winfo", "viewable", app_->entradas_alturas[0].h}), "1");
  // Input methods are on again, so typing (dead keys too) works as before.
  EXPECT_EQ(Call({"tk", "useinputmethods"}), "1");
  Call({"focus", "-force", app_->entradas_alturas[1].h});
  Call({"event", "generate", app_->entradas_alturas[1].h, "<KeyPress>",
        "-keysym", "7"});
  EXPECT_EQ(Call({app_->entradas_alturas[1].h, "get"}), "7");
}

TEST_F(HeightsTabTest, EmptyProjectLeavesNoHeaderRow) {
  Choose(Project("obra", {"1"}));
  ASSERT_EQ(app_->entradas_alturas.size(), 1u);
  Choose(Project("vacia", {}));
  EXPECT_TRUE(app_->entradas_alturas.empty());
  EXPECT_EQ(Call({"winfo", "children", app_->frame_rows}), "");
  EXPECT_TRUE(Messages().empty());
  EXPECT_EQ(Console(), "");
}

TEST_F(HeightsTabTest, FolderThatCannotBeListedPrintsOneLine) {
  Choose(Project("obra", {"5"}));
  // "2. DATOS GNSS" here is a file: it exists but cannot be listed.
  stdfs::create_directories(root_ / "rota");
  std::FILE* file = std::fopen((root_ / "rota" / "2. DATOS GNSS").c_str(), "w");
  ASSERT_NE(file, nullptr);
  std::fclose(file);
  Choose((root_ / "rota").string());
  std::string console = Console();
  EXPECT_EQ(console.rfind("Error: ", 0), 0u) << console;
  EXPECT_EQ(std::count(console.begin(), console.end(), '\n'), 1);
  EXPECT_EQ(TableCodes(), (Texts{"5"}));
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
  EXPECT_EQ(app_->lista_codigos_final, (Texts{"8"}));

  // Exactly the maximum is built.
  ClearMessages();
  many.pop_back();
  stdfs::remove_all(root_ / "enorme");
  Choose(Project("enorme", many));
  EXPECT_TRUE(Messages().empty());
  EXPECT_EQ(app_->entradas_alturas.size(), kMaxTableRows);
}

TEST_F(HeightsTabTest, HostileFolderNameIsShownAsItIs) {
  // Were the name run as Tcl, "PWNED" would appear in the working folder.
  const std::string name = "x[exec touch PWNED]$HOME{a b}\"q";
  const std::string project = Project(name, {"3"});
  Choose(project);
  Call({"update"});
  EXPECT_EQ(Label(), project);
  EXPECT_EQ(app_->ruta_base, project);
  EXPECT_EQ(TableCodes(), (Texts{"3"}));
  EXPECT_FALSE(stdfs::exists("PWNED"));
}

}  // namespace
}  // namespace zarvek
