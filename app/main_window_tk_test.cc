// The main window under Xvfb: title, size, palette and styles read back
// through Tk, the header's icon and logo with good, missing and broken
// files, and the Tcl wrapper's handling of hostile text and failing
// callbacks.
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <optional>
#include <string>

#include "app/app_text.h"
#include "testing/gui_fixture.h"
#include "testing/temp_dir.h"

namespace zarvek {
namespace {

namespace fs = std::filesystem;
using testing::GuiTest;

class MainWindowTest : public GuiTest {
 protected:
  // Services whose resources are looked up in the test's own folder.
  AppServices InDir() {
    AppServices s;
    std::string base = dir_.string();
    s.resource_path = [base](const std::string& name) {
      return base + "/" + name;
    };
    return s;
  }

  // Writes a PNG of the given size with ImageMagick.
  void MakePng(const std::string& name, int w, int h) {
    std::string cmd = "convert -size " + std::to_string(w) + "x" +
                      std::to_string(h) + " gradient:#2980B9-#FFFFFF '" +
                      (dir_ / name).string() + "'";
    ASSERT_EQ(std::system(cmd.c_str()), 0) << cmd;
  }

  // Copies a picture that ships with the program into the test's folder.
  void CopyResource(const std::string& name) {
    fs::copy_file(fs::path(ZARVEK_SOURCE_DIR) / "resources" / name, dir_ / name,
                  fs::copy_options::overwrite_existing);
  }

  std::vector<std::string> HeaderChildren() {
    return List(Call({"winfo", "children", ".header_frame.inner_header"}));
  }

  testing::TempDir temp_;
  const fs::path& dir_ = temp_.path();
};

TEST_F(MainWindowTest, TitleSizeTabsAndStyles) {
  MakeApp(InDir());
  Call({"update", "idletasks"});
  EXPECT_EQ(Call({"wm", "title", "."}), kWindowTitle);
  EXPECT_EQ(Call({"wm", "title", "."}),
            "QUENTARO - GESTIÓN DE EXPEDIENTE Y CERTIFICACIÓN DE PG V1.1 "
            "(FREE)");
  std::string geometry = Call({"wm", "geometry", "."});
  EXPECT_EQ(geometry.substr(0, geometry.find('+')), "950x700");
  EXPECT_EQ(Call({".tab_control", "select"}), ".tab_control.tab_carpetas");
  EXPECT_EQ(Call({".tab_control", "tab", 0, "-text"}),
            "  1. ESTRUCTURA Y CARPETAS  ");
  EXPECT_EQ(Call({".tab_control", "tab", 1, "-text"}),
            "  2. CÁLCULO DE ALTURAS  ");
  EXPECT_EQ(Call({".", "cget", "-background"}), "#F4F6F9");
  // The stock dialogs (directory chooser, message boxes) speak Spanish.
  EXPECT_EQ(Call({"namespace", "eval", "::tk", "::msgcat::mc &Cancel"}),
            "&Cancelar");
  // File names are read and written as UTF-8 whatever the locale.
  EXPECT_EQ(Call({"encoding", "system"}), "utf-8");
  EXPECT_EQ(Call({"ttk::style", "theme", "use"}), "clam");

  struct {
    const char* style;
    const char* option;
    const char* value;
  } const options[] = {
      {"TFrame", "-background", "#F4F6F9"},
      {"TLabel", "-background", "#F4F6F9"},
      {"TLabel", "-foreground", "#34495E"},
      {"TButton", "-background", "#2980B9"},
      {"TButton", "-foreground", "white"},
      {"TButton", "-borderwidth", "0"},
      {"Card.TFrame", "-background", "#FFFFFF"},
      {"Card.TFrame", "-relief", "flat"},
      {"Header.TLabel", "-foreground", "#2C3E50"},
      {"Header.TLabel", "-background", "#FFFFFF"},
      {"SubHeader.TLabel", "-foreground", "#34495E"},
      {"SubHeader.TLabel", "-background", "#FFFFFF"},
      {"Custom.TNotebook", "-background", "#F4F6F9"},
      {"Custom.TNotebook", "-borderwidth", "0"},
      {"Custom.TNotebook.Tab", "-padding", "19 4"},
      {"Custom.TNotebook.Tab", "-background", "#BDC3C7"},
      {"Custom.TNotebook.Tab", "-foreground", "white"},
  };
  for (const auto& o : options) {
    EXPECT_EQ(Call({"ttk::style", "configure", o.style, o.option}), o.value)
        << o.style << " " << o.option;
  }
  const std::string family = app_->ui_family();
  EXPECT_EQ(List(Call({"ttk::style", "configure", "TLabel", "-font"})),
            (std::vector<std::string>{family, "10"}));
  EXPECT_EQ(List(Call({"ttk::style", "configure", "TButton", "-font"})),
            (std::vector<std::string>{family, "9", "bold"}));
  EXPECT_EQ(List(Call({"ttk::style", "configure", "Header.TLabel", "-font"})),
            (std::vector<std::string>{family, "11", "bold"}));
  EXPECT_EQ(Call({"ttk::style", "map", "TButton", "-background"}),
            "active #2C3E50");
  // "selected" is tried before "active": the selected tab stays blue under
  // the pointer.
  EXPECT_EQ(Call({"ttk::style", "map", "Custom.TNotebook.Tab", "-background"}),
            "selected #2980B9 active #2C3E50");
  EXPECT_EQ(Call({"ttk::style", "map", "Custom.TNotebook.Tab", "-padding"}),
            "selected {19 9 19 4}");
  EXPECT_EQ(
      List(Call({"ttk::style", "map", "Custom.TNotebook.Tab", "-font"})).at(0),
      "selected");
  EXPECT_EQ(Call({"ttk::style", "layout", "Custom.TNotebook.Tab"}),
            "Notebook.tab -sticky nswe -children {Notebook.padding -side top "
            "-sticky nswe -children {Notebook.focus -side top -sticky nswe "
            "-children {Notebook.label -side top -sticky {}}}}");
  EXPECT_EQ(
      Call({"ttk::style", "configure", "Custom.TNotebook.Tab", "-focuscolor"}),
      "white");
  // The drop-down list of a box leaves room above each line for the accent
  // of a capital (TRÍPODE): each line is the selection border taller than
  // the font, above and below.
  Call({"ttk::combobox", ".prueba", "-values",
        tk::Obj::List({"TRÍPODE", "BASTÓN"})});
  const std::string list =
      Call({"ttk::combobox::PopdownWindow", ".prueba"}) + ".f.l";
  EXPECT_GE(std::stoi(Call({list, "cget", "-selectborderwidth"})), 2);
  Call({"destroy", ".prueba"});
}

// Everything the mouse does on the two tabs the keyboard does too: Tab
// walks from the tabs through the entries to every button, and Enter in
// an entry of tab 1 previews the codes.
TEST_F(MainWindowTest, KeyboardReachesTheButtonsAndEnterPreviews) {
  MakeApp(InDir());
  Call({"update"});
  const std::string card = ".tab_control.tab_carpetas.card";
  const std::string count = card + ".input_frame.f1.entry";
  const std::string first = card + ".input_frame.f2.entry";
  auto walk = [&](const std::string& from) {
    std::vector<std::string> reached;
    Call({"focus", "-force", from});
    for (int i = 0; i < 12; ++i) {
      const std::string now = Call({"focus"});
      Call({"event", "generate", now, "<Tab>"});
      Call({"update"});
      reached.push_back(Call({"focus"}));
    }
    return reached;
  };
  auto reaches = [](const std::vector<std::string>& reached,
                    const std::string& widget) {
    return std::find(reached.begin(), reached.end(), widget) != reached.end();
  };
  std::vector<std::string> reached = walk(".tab_control");
  for (const std::string& widget :
       {count, first, card + ".preview",
        std::string(".tab_control.tab_carpetas.bottom_frame.create")}) {
    EXPECT_TRUE(reaches(reached, widget)) << widget;
  }
  Call({".tab_control", "select", ".tab_control.tab_alturas"});
  Call({"update"});
  reached = walk(".tab_control");
  for (const std::string& widget :
       {std::string(".tab_control.tab_alturas.top_panel.btn_buscar"),
        std::string(".tab_control.tab_alturas.bottom_frame.btn_pdf")}) {
    EXPECT_TRUE(reaches(reached, widget)) << widget;
  }
  Call({".tab_control", "select", ".tab_control.tab_carpetas"});
  Call({"update"});

  // Windows' keypad Enter comes to Tk as Return; X11's has its own keysym.
#if defined(_WIN32)
  const std::vector<const char*> enter_keys = {"<Return>"};
#else
  const std::vector<const char*> enter_keys = {"<Return>", "<KP_Enter>"};
#endif
  for (const std::string& entry : {count, first}) {
    for (const char* key : enter_keys) {
      SCOPED_TRACE(entry + " " + key);
      Call({count, "delete", 0, "end"});
      Call({first, "delete", 0, "end"});
      Call({count, "insert", 0, "3"});
      Call({first, "insert", 0, "100"});
      Call({"focus", "-force", entry});
      Call({"event", "generate", entry, key});
      Call({"update"});
      EXPECT_EQ(app_->folder_tab().PreviewTexts(),
                (std::vector<std::string>{"100", "101", "102"}));
      Call({count, "delete", 0, "end"});
      Call({count, "insert", 0, "1"});
      Call({"event", "generate", entry, key});
      Call({"update"});
      EXPECT_EQ(app_->folder_tab().PreviewTexts().size(), 1u);
    }
  }
}

// The window fits the work area it opens in, whatever the screen: a taskbar
// or panel never hides the bottom buttons of either tab, and the scrolled
// lists give up the height. The last case asks the real screen (run under
// Xvfb with "-screen 0 1024x700x24", say).
TEST_F(MainWindowTest, WindowAndBottomButtonsFitTheWorkArea) {
  struct Case {
    const char* what;
    std::optional<WorkArea> work;  // empty: the system's own
    bool fake;
  };
  const Case cases[] = {
      {"1366x768 less a 40-px taskbar",
       WorkArea{{0, 0, 1366, 728}, FrameInsets{8, 31, 8, 8}}, true},
      {"1024x600 netbook, top panel",
       WorkArea{{0, 24, 1024, 576}, std::nullopt}, true},
      {"the screen itself", std::nullopt, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    AppServices services = InDir();
    if (c.fake) services.work_area = [&c] { return c.work; };
    // A fresh interpreter for each window.
    if (app_ != nullptr) {
      TearDown();
      SetUp();
    }
    MakeApp(std::move(services));
    Call({"update"});
    WorkArea work = c.fake ? *c.work : WorkArea{};
    if (!c.fake) {
      work.area = {0, 0, std::stoi(Call({"winfo", "screenwidth", "."})),
                   std::stoi(Call({"winfo", "screenheight", "."}))};
    }
    const FrameInsets frame = work.frame.value_or(FrameInsets{4, 32, 4, 4});
    const int top = std::stoi(Call({"winfo", "rooty", "."}));
    const int left = std::stoi(Call({"winfo", "rootx", "."}));
    const int bottom = top + std::stoi(Call({"winfo", "height", "."}));
    const int right = left + std::stoi(Call({"winfo", "width", "."}));
#if defined(_WIN32)
    // Windows puts its frame around the inside: `wm geometry` tells where
    // the frame starts, and its bottom is as thick as its sides.
    const std::string geometry = Call({"wm", "geometry", "."});
    const size_t plus = geometry.find('+');
    const size_t plus2 = geometry.find('+', plus + 1);
    ASSERT_NE(plus2, std::string::npos) << geometry;
    const int outer_left = std::stoi(geometry.substr(plus + 1));
    const int outer_top = std::stoi(geometry.substr(plus2 + 1));
    const int side = left - outer_left;
    const int outer_right = right + side;
    const int outer_bottom = bottom + side;
#else
    // Xvfb has no window manager: the inside lies where its frame would.
    const int outer_left = left, outer_top = top;
    const int outer_right = right + frame.left + frame.right;
    const int outer_bottom = bottom + frame.top + frame.bottom;
#endif
    EXPECT_GE(outer_left, work.area.x);
    EXPECT_GE(outer_top, work.area.y);
    EXPECT_LE(outer_right, work.area.x + work.area.width);
    EXPECT_LE(outer_bottom, work.area.y + work.area.height);
    for (const char* tab :
         {".tab_control.tab_carpetas", ".tab_control.tab_alturas"}) {
      Call({".tab_control", "select", tab});
      Call({"update"});
      const std::string buttons =
          Call({"winfo", "children", std::string(tab) + ".bottom_frame"});
      ASSERT_FALSE(List(buttons).empty()) << tab;
      for (const std::string& button : List(buttons)) {
        if (Call({"winfo", "class", button}) != "Button") continue;
        SCOPED_TRACE(button);
        EXPECT_EQ(Call({"winfo", "viewable", button}), "1");
        EXPECT_GT(std::stoi(Call({"winfo", "height", button})), 10);
        EXPECT_LE(std::stoi(Call({"winfo", "rooty", button})) +
                      std::stoi(Call({"winfo", "height", button})),
                  bottom);
      }
    }
    Call({".tab_control", "select", ".tab_control.tab_carpetas"});
  }
}

TEST_F(MainWindowTest, MissingImagesGivePlaceholderAndNoConsoleLine) {
  MakeApp(InDir());
  EXPECT_EQ(app_->icon_photo(), "");
  EXPECT_EQ(app_->logo_img(), "");
  std::vector<std::string> children = HeaderChildren();
  ASSERT_EQ(children.size(), 2u);
  EXPECT_EQ(Call({children[0], "cget", "-text"}), "[LOGO QUENTARO]");
  EXPECT_EQ(List(Call({children[0], "cget", "-font"})),
            (std::vector<std::string>{"Arial", "16", "bold"}));
  EXPECT_EQ(Call({children[1], "cget", "-text"}), kCreditLine);
  EXPECT_EQ(Console(), "");
}

TEST_F(MainWindowTest, GoodIconAndLogoAreShownAtFiftyPixels) {
  MakePng("ICONO_QUENTARO.png", 64, 64);
  MakePng("LOGO_QUENTARO.png", 333, 100);
  CopyResource("CARPETA_16.png");
  CopyResource("CARPETA_32.png");
  MakeApp(InDir());
  // BUSCAR shows its folder as a picture, not as an emoji that a system
  // without a colour-emoji font draws as boxes.
  const std::string buscar = ".tab_control.tab_alturas.top_panel.btn_buscar";
  EXPECT_EQ(Call({buscar, "cget", "-text"}), "BUSCAR");
  EXPECT_EQ(Call({buscar, "cget", "-compound"}), "left");
  const std::string folder = Call({buscar, "cget", "-image"});
  ASSERT_FALSE(folder.empty());
  EXPECT_EQ(Call({"image", "width", folder}), "16");
  EXPECT_EQ(Call({"image", "height", folder}), "16");
  EXPECT_EQ(app_->icon_photo(), "::zarvek::icon_photo");
  EXPECT_EQ(Call({"image", "width", app_->icon_photo()}), "64");
  EXPECT_EQ(Call({"image", "width", app_->logo_img()}), "166");
  EXPECT_EQ(Call({"image", "height", app_->logo_img()}), "50");
  EXPECT_EQ(HeaderChildren().size(), 2u);
  EXPECT_EQ(Console(), "");
}

// At 192 dpi the text is twice as high: so are the logo and the message
// boxes' icons.
TEST_F(MainWindowTest, LogoAndMessageIconsGrowWithADenseScreen) {
  MakePng("LOGO_QUENTARO.png", 333, 100);
  CopyResource("CARPETA_32.png");
  // The scaling belongs to the display, which the next tests share.
  const std::string standard = Call({"tk", "scaling"});
  Call({"tk", "scaling", "2.6666667"});
  MakeApp(InDir());
  Call({"tk", "scaling", standard});
  EXPECT_EQ(Call({"image", "width", app_->logo_img()}), "333");
  EXPECT_EQ(Call({"image", "height", app_->logo_img()}), "100");
  const std::string folder =
      Call({".tab_control.tab_alturas.top_panel.btn_buscar", "cget", "-image"});
  ASSERT_FALSE(folder.empty());
  EXPECT_EQ(Call({"image", "height", folder}), "32");
  for (const char* icon : {"::tk::icons::error", "::tk::icons::information",
                           "::tk::icons::question", "::tk::icons::warning"}) {
    EXPECT_EQ(Call({"image", "height", icon}), "64") << icon;
    EXPECT_EQ(Call({"image", "width", icon}), "64") << icon;
  }
}

TEST_F(MainWindowTest, LogoAlreadyFiftyHighKeepsItsSize) {
  MakePng("LOGO_QUENTARO.png", 137, 50);
  MakeApp(InDir());
  EXPECT_EQ(Call({"image", "width", app_->logo_img()}), "137");
  EXPECT_EQ(Call({"image", "height", app_->logo_img()}), "50");
}

TEST_F(MainWindowTest, HugeIconAndExtremeLogoAreScaledToWhatXAccepts) {
  // Unscaled, the icon overflows the X request that carries it and the
  // logo overflows the widest pixmap X can make: either ends the program.
  MakePng("ICONO_QUENTARO.png", 4096, 2048);
  MakePng("LOGO_QUENTARO.png", 1400, 2);
  MakeApp(InDir());
  Call({"update"});
  EXPECT_EQ(Call({"image", "width", app_->icon_photo()}), "256");
  EXPECT_EQ(Call({"image", "height", app_->icon_photo()}), "128");
  EXPECT_EQ(Call({"image", "width", app_->logo_img()}), "2048");
  EXPECT_EQ(Call({"image", "height", app_->logo_img()}), "2");
  EXPECT_EQ(Console(), "");
}

TEST_F(MainWindowTest, BrokenIconPrintsOneLineAndWindowStillOpens) {
  std::ofstream(dir_ / "ICONO_QUENTARO.png") << "not a png at all";
  MakeApp(InDir());
  std::string console = Console();
  EXPECT_EQ(console.rfind("Error cargando icono: ", 0), 0u) << console;
  EXPECT_EQ(std::count(console.begin(), console.end(), '\n'), 1);
  EXPECT_EQ(app_->icon_photo(), "");
  EXPECT_EQ(Call({"wm", "title", "."}), kWindowTitle);
}

TEST_F(MainWindowTest, BrokenLogoLeavesOnlyTheCreditLine) {
  // A truncated PNG: a valid signature and header, then nothing.
  MakePng("full.png", 333, 100);
  std::ifstream in(dir_ / "full.png", std::ios::binary);
  std::string bytes((std::istreambuf_iterator<char>(in)), {});
  std::ofstream(dir_ / "LOGO_QUENTARO.png", std::ios::binary)
      << bytes.substr(0, 60);
  MakeApp(InDir());
  std::vector<std::string> children = HeaderChildren();
  ASSERT_EQ(children.size(), 1u);
  EXPECT_EQ(Call({children[0], "cget", "-text"}), kCreditLine);
  // The console says why the logo is missing.
  EXPECT_EQ(Console().rfind("Error cargando logo: ", 0), 0u) << Console();
  EXPECT_NE(Console().find((dir_ / "LOGO_QUENTARO.png").string()),
            std::string::npos);
}

TEST_F(MainWindowTest, ImageClaimingTooManyPixelsIsRefusedAsBroken) {
  // A PNG header claiming 50000 x 50000 pixels followed by no data.
  MakePng("small.png", 10, 10);
  std::ifstream in(dir_ / "small.png", std::ios::binary);
  std::string bytes((std::istreambuf_iterator<char>(in)), {});
  // Width and height sit at bytes 16..23 of the IHDR chunk; the CRC is then
  // wrong, which libpng reports for critical chunks; either way the file
  // must be refused without allocating 10 GB.
  const unsigned char big[8] = {0, 0, 0xC3, 0x50, 0, 0, 0xC3, 0x50};
  bytes.replace(16, 8, reinterpret_cast<const char*>(big), 8);
  std::ofstream(dir_ / "ICONO_QUENTARO.png", std::ios::binary) << bytes;
  MakeApp(InDir());
  EXPECT_EQ(app_->icon_photo(), "");
  EXPECT_EQ(Console().rfind("Error cargando icono: ", 0), 0u);
}

TEST_F(MainWindowTest, HostileTextIsShownAsTextAndNeverRun) {
  MakeApp(InDir());
  const fs::path pwned = dir_ / "PWNED";
  const std::string hostile =
      "x[exec touch " + pwned.string() + "]$HOME{a b}\"q ; Ñandú 📂 \\n";
  Call({"ttk::label", ".hostile", "-text", hostile});
  EXPECT_EQ(Call({".hostile", "cget", "-text"}), hostile);
  Call({"set", "::zarvek_test_var", hostile});
  EXPECT_EQ(Call({"set", "::zarvek_test_var"}), hostile);
  Call({"update"});
  EXPECT_FALSE(fs::exists(pwned));
}

TEST_F(MainWindowTest, ThrowingCallbackBecomesTclErrorAndProgramLivesOn) {
  MakeApp(InDir());
  interp_->Command("::zarvek_test_throw",
                   [](const std::vector<std::string>&) -> std::string {
                     throw std::runtime_error("fallo de prueba");
                   });
  EXPECT_THROW(
      {
        try {
          Call({"::zarvek_test_throw"});
        } catch (const tk::Error& e) {
          EXPECT_STREQ(e.what(), "fallo de prueba");
          throw;
        }
      },
      tk::Error);
  // From a button, the error goes to the background handler, not to a
  // modal dialog that would hang the program.
  Call({"ttk::button", ".b", "-command", "::zarvek_test_throw"});
  Call({"after", "idle", ".b invoke"});
  Call({"update"});
  EXPECT_EQ(Call({"wm", "title", "."}), kWindowTitle);
}

// The choosers start in the documents folder, then in the last folder
// used; the last project opens again at the next start; a damaged settings
// file, or a remembered project that is gone, starts the program as new.
TEST_F(MainWindowTest, ChoosersStartWhereTheSurveyorWorksAndTheProjectReopens) {
  const fs::path settings = dir_ / "config" / "zarvek-certificacion";
  const fs::path documents = dir_ / "Documentos";
  const fs::path obra = documents / testing::PathOf("Red ávila");
  fs::create_directories(documents);
  auto services = [&] {
    AppServices s = InDir();
    s.settings_dir = testing::Utf8Path(settings);
    s.documents_dir = testing::Utf8Path(documents);
    return s;
  };
  // A new start: a fresh interpreter, as a new run of the program has.
  auto restart = [&] {
    app_.reset();
    interp_.reset();
    std::fclose(console_);
    GuiTest::SetUp();
    MakeApp(services());
  };
  auto chooser = [&](int i) {
    return List(Call({"lindex", Call({"set", "::zarvek_test_choosers"}), i}));
  };
  const char* kCreate = ".tab_control.tab_carpetas.bottom_frame.create";
  const char* kBuscar = ".tab_control.tab_alturas.top_panel.btn_buscar";
  using Texts = std::vector<std::string>;

  MakeApp(services());
  EXPECT_EQ(app_->project().folder(), "");
  Call({"set", FolderTab::kNumPuntosVar, "2"});
  Call({"set", FolderTab::kPrimerCodigoVar, "100"});
  app_->folder_tab().generar_lista_codigos_consecutivos();
  AnswerDirectory(testing::Utf8Path(obra));
  Call({kCreate, "invoke"});
  EXPECT_EQ(chooser(0), (Texts{"-initialdir", testing::Utf8Path(documents)}));
  ASSERT_EQ(app_->project().folder(), testing::Utf8Path(obra))
      << ::testing::PrintToString(Messages());
  EXPECT_EQ(testing::ReadFileBytes(settings / "ajustes.txt"),
            "# Zarvek Certificación: carpetas recordadas (se reescribe "
            "sola)\nultima_carpeta=" +
                testing::Utf8Path(obra) + "\nultimo_proyecto=" + testing::Utf8Path(obra) + "\n");
  AnswerDirectory("");
  Call({kBuscar, "invoke"});
  EXPECT_EQ(chooser(1), (Texts{"-initialdir", testing::Utf8Path(obra), "-title",
                               "SELECCIONE LA CARPETA RAÍZ"}));

  // The next start opens the project again.
  restart();
  EXPECT_EQ(app_->project().folder(), testing::Utf8Path(obra));
  EXPECT_EQ(app_->project().codes(), (Texts{"100", "101"}));
  EXPECT_EQ(testing::Slashes(
                Call({app_->heights_tab().folder_label(), "cget", "-text"})),
            testing::Slashes(testing::Utf8Path(obra)));

  // Damaged: garbage, unknown keys, a project and a folder that are gone.
  std::ofstream(settings / "ajustes.txt", std::ios::binary)
      << "\xff\xfe\x01 basura\nventana=1\nultimo_proyecto=" << testing::Utf8Path(obra)
      << "X\nultima_carpeta=" << testing::Utf8Path(dir_ / "no") << "\n";
  restart();
  EXPECT_EQ(app_->project().folder(), "");
  AnswerDirectory("");
  Call({kBuscar, "invoke"});
  EXPECT_EQ(chooser(0).at(1), testing::Utf8Path(documents));
  EXPECT_TRUE(Messages().empty());
  EXPECT_EQ(Console(), "");
}

// DATOS DEL TOPÓGRAFO: what GUARDAR keeps is in the settings file, as one
// line each, and in the next start's dialog; when it cannot be kept, the
// box says why and the dialog stays open with what was typed.
TEST_F(MainWindowTest, SurveyorIdentityIsKeptAndShownAgain) {
  const fs::path settings = dir_ / "config";
  auto start = [&] {
    app_.reset();
    interp_.reset();
    std::fclose(console_);
    GuiTest::SetUp();
    AppServices s = InDir();
    s.settings_dir = testing::Utf8Path(settings);
    MakeApp(s);
  };
  auto entry = [&](const char* name) {
    return Call({std::string(MainWindow::kSurveyorDialog) + "." + name, "get"});
  };
  auto type = [&](const char* name, const std::string& text) {
    const std::string path =
        std::string(MainWindow::kSurveyorDialog) + "." + name;
    Call({path, "delete", 0, "end"});
    Call({path, "insert", 0, text});
  };
  const std::string guardar =
      std::string(MainWindow::kSurveyorDialog) + ".guardar";

  MakeApp([&] {
    AppServices s = InDir();
    s.settings_dir = testing::Utf8Path(settings);
    return s;
  }());
  Call({MainWindow::kSurveyorButton, "invoke"});
  EXPECT_EQ(Call({"wm", "title", MainWindow::kSurveyorDialog}),
            "DATOS DEL TOPÓGRAFO");
  // Pasted text brings line breaks; Tcl's own characters are only text.
  type("nombre", "  José Ángel\nMuñoz [exit] $x\t");
  type("colegiado", "Nº 12.345");
  type("lugar", "A Coruña");
  Call({guardar, "invoke"});
  EXPECT_EQ(Call({"winfo", "exists", MainWindow::kSurveyorDialog}), "0");
  EXPECT_EQ(app_->settings().surveyor_name, "José Ángel Muñoz [exit] $x");
  const std::string kept = testing::ReadFileBytes(settings / "ajustes.txt");
  EXPECT_NE(kept.find("topografo_nombre=José Ángel Muñoz [exit] $x\n"
                      "topografo_colegiado=Nº 12.345\n"
                      "topografo_lugar=A Coruña\n"),
            std::string::npos)
      << kept;

  start();
  Call({MainWindow::kSurveyorButton, "invoke"});
  EXPECT_EQ(entry("nombre"), "José Ángel Muñoz [exit] $x");
  EXPECT_EQ(entry("colegiado"), "Nº 12.345");
  EXPECT_EQ(entry("lugar"), "A Coruña");

  // No folder can be made where the settings go.
  fs::remove_all(settings);
  std::ofstream(settings) << "un archivo";
  type("nombre", "Otra Persona");
  Call({guardar, "invoke"});
  ASSERT_EQ(Messages().size(), 1u);
  EXPECT_EQ(Option(Messages()[0], "-icon"), "error");
  EXPECT_EQ(Option(Messages()[0], "-message")
                .rfind("NO SE PUDIERON GUARDAR LOS DATOS DEL TOPÓGRAFO:\n", 0),
            0u)
      << Option(Messages()[0], "-message");
  EXPECT_EQ(entry("nombre"), "Otra Persona");
  EXPECT_EQ(app_->settings().surveyor_name, "José Ángel Muñoz [exit] $x");
  EXPECT_EQ(Console(), "");
}

TEST(ProgramTest, WithoutDisplayExitsWithOneClearLine) {
  // A runtime folder of its own: a copy of the program running on this
  // user's desktop would otherwise be asked to show its window.
  testing::TempDir runtime;
  std::string cmd = "env -u DISPLAY XDG_RUNTIME_DIR='" +
                    runtime.path().string() + "' " + ZARVEK_BINARY_DIR +
                    "/zarvek 2>&1 >/dev/null";
  FILE* p = popen(cmd.c_str(), "r");
  ASSERT_NE(p, nullptr);
  std::string out;
  char buffer[512];
  while (fgets(buffer, sizeof buffer, p)) out += buffer;
  int status = pclose(p);
  EXPECT_TRUE(WIFEXITED(status));
  EXPECT_EQ(WEXITSTATUS(status), 1);
  EXPECT_NE(out.find("display"), std::string::npos) << out;
  EXPECT_EQ(std::count(out.begin(), out.end(), '\n'), 1) << out;
}

// The first start centres the window on the pointer's monitor; closing it
// keeps where and how large it was, and the next start puts it back there,
// unless it no longer fits a monitor's work area, when it is centred again.
TEST_F(MainWindowTest, WindowOpensWhereItWasLeftWhileItFits) {
  const fs::path settings = dir_ / "config";
  WorkArea work{{0, 0, 1280, 1000}, FrameInsets{4, 30, 4, 4}, {}};
  work.monitors = {work.area};
  auto start = [&] {
    if (app_ != nullptr) {
      app_.reset();
      interp_.reset();
      std::fclose(console_);
      GuiTest::SetUp();
    }
    AppServices s = InDir();
    s.settings_dir = testing::Utf8Path(settings);
    s.work_area = [&work] { return std::optional<WorkArea>(work); };
    MakeApp(std::move(s));
    Call({"update"});
    return Call({"wm", "geometry", "."});
  };
  // (1280 - 958) / 2 and (1000 - 734) / 2.
  EXPECT_EQ(start(), "950x700+161+133");
  // The surveyor moves and resizes the window, then closes it.
  Call({"wm", "geometry", ".", "800x600+300+200"});
  Call({"update"});
  Call({Call({"wm", "protocol", ".", "WM_DELETE_WINDOW"})});
  EXPECT_FALSE(interp_->MainWindowAlive());
  EXPECT_NE(testing::ReadFileBytes(settings / "ajustes.txt")
                .find("\nventana=800x600+300+200\n"),
            std::string::npos);
  EXPECT_EQ(start(), "800x600+300+200");
  // A smaller screen: the saved size, centred on it.
  Call({Call({"wm", "protocol", ".", "WM_DELETE_WINDOW"})});
  work.area = {0, 0, 1024, 700};
  work.monitors = {work.area};
  EXPECT_EQ(start(), "800x600+108+33");
  EXPECT_EQ(Console(), "");
}

TEST_F(MainWindowTest, ClosingTheWindowEndsTheEventLoop) {
  MakeApp(InDir());
  // What the window manager's close button does: destroy ".".
  Call({"after", "idle", "destroy ."});
  interp_->MainLoop();
  EXPECT_FALSE(interp_->MainWindowAlive());
}

}  // namespace
}  // namespace zarvek
