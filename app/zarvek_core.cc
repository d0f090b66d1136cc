#include "app/zarvek_core.h"

#include <algorithm>
#include <charconv>
#include <ctime>
#include <optional>

#include "app/app_text.h"
#include "app/resource_path.h"
#include "app/screen_scale.h"
#include "heights/decimal.h"
#include "platform/pdf_writer.h"
#include "platform/process.h"
#include "platform/shell_open.h"
#include "text/ascii_text.h"

namespace zarvek {
namespace {

std::string TodayText() {
  const std::tm local = LocalTime(std::time(nullptr));
  char text[16];
  std::strftime(text, sizeof text, "%d/%m/%Y", &local);
  return text;
}

}  // namespace

std::string resource_path(const std::string& relative_path) {
  // Looked up anew on every call; nothing is cached.
  return ResolveResourcePath(
      relative_path, ExecutableDir(), CurrentDir(),
      [](const std::string& dir) { return RealFileSystem().IsDirectory(dir); });
}

ZarvekCertificacionApp::ZarvekCertificacionApp(tk::Interp& root_window,
                                               AppServices services)
    : root(root_window), services_(std::move(services)) {
  if (!services_.resource_path) services_.resource_path = resource_path;
  if (!services_.today) services_.today = TodayText;
  if (services_.fs == nullptr) services_.fs = &RealFileSystem();
  if (services_.random == nullptr) services_.random = &SystemRandom();
  if (services_.pdf == nullptr) {
    own_pdf_ = std::make_unique<PdfWriterDocumentFactory>();
    services_.pdf = own_pdf_.get();
  }
  if (!services_.open_file) services_.open_file = OpenWithDesktop;
  root.Call({"namespace", "eval", "::zarvek", ""});

  root.Call({"wm", "title", ".", kWindowTitle});
  // The 950x700 design grows with the density of the screen (see the fonts
  // below), so that what fits at 96 dpi fits at any density.
  const std::optional<double> screen_scaling =
      ParseDecimal(root.Call({"tk", "scaling"}));
  const double density =
      ChooseScreenScale(screen_scaling.value_or(kScaling96Dpi), true).factor;
  root.Call({"wm", "geometry", ".",
             DecimalText(ScaledPixels(950, density)) + "x" +
                 DecimalText(ScaledPixels(700, density))});

  colors = {
      {"bg_main", "#F4F6F9"},      {"bg_panel", "#FFFFFF"},
      {"primary", "#2C3E50"},      {"accent", "#2980B9"},
      {"text", "#34495E"},         {"success", "#27AE60"},
      {"tab_selected", "#2980B9"}, {"tab_bg", "#BDC3C7"},
  };

  // Fonts: the design is drawn for "Segoe UI" on a 96-dpi screen. Where that
  // family is missing Tk would fall back to a wide face, and the measurement
  // table would no longer fit the window; a condensed face of similar width
  // stands in, and standard-density screens get the 96-dpi scaling.
  const std::vector<std::string> families =
      root.SplitList(root.Call({"font", "families"}));
  const bool has_segoe =
      std::find(families.begin(), families.end(), "Segoe UI") != families.end();
  // Tk lists a face under its first family name only (the condensed
  // DejaVu face appears as "DejaVu Sans"), so the stand-in is recognised by
  // being narrower than the plain face.
  auto digits_width = [&](const char* family) {
    std::string text = root.Call(
        {"font", "measure", tk::Obj::List({family, "9"}), "0000000000"});
    int width = 0;
    std::from_chars(text.data(), text.data() + text.size(), width);
    return width;
  };
  ui_family_ = "Segoe UI";
  if (!has_segoe &&
      digits_width("DejaVu Sans Condensed") < digits_width("DejaVu Sans")) {
    ui_family_ = "DejaVu Sans Condensed";
  }
  // The stand-in's characters are wider than Segoe UI's (bold digits 8 px
  // instead of 7 at 9 points), which would push the measurement table past
  // the window; 15/16 of the scaling (90 dpi on a standard screen) brings
  // them back to the design's pixel widths. Standard-density screens get the
  // 96-dpi scaling; denser ones keep their own.
  const ScreenScale scale = ChooseScreenScale(
      screen_scaling.value_or(kScaling96Dpi), ui_family_ == "Segoe UI");
  char scaling_text[32];
  auto [scaling_end, scaling_ec] = std::to_chars(
      scaling_text, scaling_text + sizeof scaling_text, scale.tk_scaling);
  root.Call({"tk", "scaling", std::string(scaling_text, scaling_end)});
  for (const char* font : {"TkDefaultFont", "TkTextFont", "TkMenuFont"}) {
    root.Call({"font", "configure", font, "-family", ui_family_, "-size", 9});
  }

  const std::string font10 = root.CallObj({"list", ui_family_, 10}).str();
  const std::string font9b =
      root.CallObj({"list", ui_family_, 9, "bold"}).str();
  const std::string font11b =
      root.CallObj({"list", ui_family_, 11, "bold"}).str();

  root.Call({"ttk::style", "theme", "use", "clam"});
  root.Call(
      {"ttk::style", "configure", "TFrame", "-background", color("bg_main")});
  root.Call({"ttk::style", "configure", "TLabel", "-background",
             color("bg_main"), "-foreground", color("text"), "-font", font10});
  root.Call({"ttk::style", "configure", "TButton", "-font", font9b,
             "-background", color("accent"), "-foreground", "white",
             "-borderwidth", 0});
  root.Call({"ttk::style", "map", "TButton", "-background",
             tk::Obj::List({"active", color("primary")})});
  root.Call({"ttk::style", "configure", "Card.TFrame", "-background",
             color("bg_panel"), "-relief", "flat"});
  root.Call({"ttk::style", "configure", "Header.TLabel", "-font", font11b,
             "-foreground", color("primary"), "-background",
             color("bg_panel")});
  root.Call({"ttk::style", "configure", "SubHeader.TLabel", "-font", font9b,
             "-foreground", color("text"), "-background", color("bg_panel")});
  root.Call({".", "configure", "-background", color("bg_main")});
  // Arrows and scrollbars are sized in pixels (14 in this theme): on a dense
  // screen they grow with the fonts.
  if (scale.factor > 1) {
    for (const char* style : {"TScrollbar", "TCombobox"}) {
      root.Call({"ttk::style", "configure", style, "-arrowsize",
                 ScaledPixels(14, scale.factor)});
    }
  }

  equipos_specs = BuildEquiposSpecs();
  _cargar_iconos();

  root.Call({"set", num_puntos_var, ""});
  root.Call({"set", primer_codigo_var, ""});
  codigos_entries.clear();
  ruta_base.clear();
  lista_codigos_final.clear();
  entradas_alturas.clear();

  root.Call({"frame", header_frame, "-bg", color("bg_panel"), "-height", 110});
  root.Call({"pack", header_frame, "-fill", "x", "-side", "top", "-pady",
             tk::Obj::List({"0", "2"})});
  _setup_header();
  _setup_custom_tabs();

  root.Call({"ttk::notebook", tab_control, "-style", "Custom.TNotebook"});
  root.Call({"ttk::frame", tab_carpetas, "-style", "TFrame"});
  root.Call({"ttk::frame", tab_alturas, "-style", "TFrame"});
  root.Call({tab_control, "add", tab_carpetas, "-text",
             "  1. ESTRUCTURA Y CARPETAS  "});
  root.Call(
      {tab_control, "add", tab_alturas, "-text", "  2. CÁLCULO DE ALTURAS  "});
  root.Call({"pack", tab_control, "-expand", 1, "-fill", "both", "-padx", 10,
             "-pady", 10});

  _setup_tab_carpetas();
  _setup_tab_alturas();
}

void ZarvekCertificacionApp::_setup_custom_tabs() {
  const std::string font10 = root.CallObj({"list", ui_family_, 10}).str();
  const std::string font11b =
      root.CallObj({"list", ui_family_, 11, "bold"}).str();
  root.Call({"ttk::style", "configure", "Custom.TNotebook", "-background",
             color("bg_main"), "-borderwidth", 0});
  root.Call({"ttk::style", "configure", "Custom.TNotebook.Tab", "-padding",
             tk::Obj::List({"20", "5"}), "-font", font10, "-background",
             color("tab_bg"), "-foreground", "white"});
  root.Call({"ttk::style", "map", "Custom.TNotebook.Tab", "-background",
             tk::Obj::List({"selected", color("tab_selected"), "active",
                            color("primary")}),
             "-font", tk::Obj::List({"selected", font11b}), "-padding",
             tk::Obj::List({"selected", "20 10 20 5"})});
  // Three elements only: tab, padding, label; no focus ring.
  tk::Obj label =
      tk::Obj::List({"Notebook.label", "-side", "top", "-sticky", ""});
  std::string padding_children = label.str();
  std::string padding =
      tk::Obj::List({"Notebook.padding", "-side", "top", "-sticky", "nswe",
                     "-children", padding_children})
          .str();
  std::string layout =
      tk::Obj::List({"Notebook.tab", "-sticky", "nswe", "-children", padding})
          .str();
  root.Call({"ttk::style", "layout", "Custom.TNotebook.Tab", layout});
}

const std::string& ZarvekCertificacionApp::color(const std::string& key) const {
  for (const auto& [k, v] : colors) {
    if (k == key) return v;
  }
  static const std::string kBlack = "#000000";
  return kBlack;
}

std::string ZarvekCertificacionApp::Bind(const std::string& name,
                                         std::function<void()> fn) {
  std::string full = "::zarvek::" + name;
  root.Command(full, [fn = std::move(fn)](const std::vector<std::string>&) {
    fn();
    return std::string();
  });
  return full;
}

void ZarvekCertificacionApp::Print(const std::string& line) {
  std::fputs(line.c_str(), services_.console);
  std::fputc('\n', services_.console);
  std::fflush(services_.console);
}

}  // namespace zarvek
