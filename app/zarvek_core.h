// The application: ZarvekCertificacionApp turns Tk's root window into the
// main window (title, palette, styles, header, notebook with two tabs) and
// carries every operation of both tabs as a method. The methods of the first
// tab live in folders/folder_tab_tk.cc, those of the second in
// heights/heights_tab_tk.cc and the report command in report/report_tk.cc;
// this header is their meeting point. Widgets are held by their Tk path
// names; the text the user types is read once at the edge and handed to the
// pure units as plain values.
#ifndef ZARVEK_APP_ZARVEK_CORE_H_
#define ZARVEK_APP_ZARVEK_CORE_H_

#include <cstdio>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "heights/catalogue.h"
#include "platform/fs.h"
#include "platform/random.h"
#include "platform/tk_interp.h"
#include "report/pdf_document.h"

namespace zarvek {

/// The path under which a resource file that ships with the program is
/// looked up: the "resources" folder beside the executable when there is
/// one (the program's bundle, in the build tree as installed), otherwise the
/// current working directory. It does not test whether the file exists.
std::string resource_path(const std::string& relative_path);

/// Everything the application reaches outside the window. Tests replace
/// members; empty ones take the real implementation.
struct AppServices {
  std::function<std::string(const std::string&)> resource_path;
  FileSystem* fs = nullptr;
  PdfDocumentFactory* pdf = nullptr;
  RandomSource* random = nullptr;
  /// Today's local date as "dd/mm/yyyy".
  std::function<std::string()> today;
  /// Opens a finished report in the desktop's viewer; failures are ignored.
  std::function<void(const std::string&)> open_file;
  /// Where the two console lines go.
  std::FILE* console = stdout;
};

/// One row of the measurement table: the code and the Tk paths of its five
/// input widgets.
struct MeasurementRow {
  std::string codigo;
  std::string rec, tipo, acc, ref, h;
};

class ZarvekCertificacionApp {
 public:
  /// Builds the whole main window on `root`. Throws tk::Error if Tk refuses
  /// a widget (which ends the program before the event loop starts).
  explicit ZarvekCertificacionApp(tk::Interp& root, AppServices services = {});
  ZarvekCertificacionApp(const ZarvekCertificacionApp&) = delete;
  ZarvekCertificacionApp& operator=(const ZarvekCertificacionApp&) = delete;

  // Builders, in the order the constructor calls them.
  void _cargar_iconos();
  void _setup_header();
  void _setup_custom_tabs();
  void _setup_tab_carpetas();
  void _setup_tab_alturas();

  // First tab.
  void generar_lista_codigos_consecutivos();
  void crear_estructura_carpetas();

  // Second tab.
  void seleccionar_directorio_trabajo();
  void detectar_codigos_existentes();
  void construir_tabla_filas();
  void _on_row_rec_change(size_t idx);
  void _on_row_type_change(size_t idx);
  void _on_row_acc_change(size_t idx);

  // Report.
  void generar_pdf_conversion();

  /// The colour of palette key `key` ("#RRGGBB").
  const std::string& color(const std::string& key) const;
  /// The interface font family: "Segoe UI" where installed, otherwise a
  /// stand-in of similar width.
  const std::string& ui_family() const { return ui_family_; }

  tk::Interp& root;
  std::vector<std::pair<std::string, std::string>> colors;
  Catalogue equipos_specs;
  std::string icon_photo;  ///< photo image name, empty until the icon loads
  std::string logo_img;    ///< photo image name, empty until the logo loads
  std::string num_puntos_var = "::zarvek::num_puntos_var";
  std::string primer_codigo_var = "::zarvek::primer_codigo_var";
  std::vector<std::string> codigos_entries;  ///< preview entry paths
  std::string ruta_base;
  std::vector<std::string> lista_codigos_final;
  std::vector<MeasurementRow> entradas_alturas;

  std::string header_frame = ".header_frame";
  std::string tab_control = ".tab_control";
  std::string tab_carpetas = ".tab_control.tab_carpetas";
  std::string tab_alturas = ".tab_control.tab_alturas";

  // First tab widgets.
  std::string canvas_codigos, scrollbar, scrollable_frame;
  // Second tab widgets; the label exists once the second tab is built.
  std::optional<std::string> lbl_dir_seleccionado;
  std::string canvas_alturas, scroll_alturas, frame_rows;
  /// The column headings, above the scrolled rows; shown while the table
  /// has rows.
  std::string frame_headers;

  const AppServices& services() const { return services_; }

 private:
  /// Registers `fn` as the Tcl command `name` in the ::zarvek namespace and
  /// returns its full name, for -command options and bindings.
  std::string Bind(const std::string& name, std::function<void()> fn);
  void Print(const std::string& line);
  /// Creates the header and data rows of lista_codigos_final in the (new,
  /// not yet shown) frame_rows and records them in entradas_alturas.
  void FillRowsFrame();
  /// Gives the heading columns the widths of the row columns (or the rows
  /// the widths of the headings, where a heading is wider).
  void AlignHeadings();
  /// Detects the codes of the project at `path` and builds its table; only
  /// then do ruta_base and the folder label take `path`. When the folder
  /// cannot be read or holds too many points, an error box says why and
  /// the previous project, label and table stay. Returns whether it loaded.
  bool CargarProyecto(const std::string& path);

  /// Makes the wheel scroll `canvas` over every widget that carries bind
  /// tag `tag`, and keeps the focused child of `frame` in view.
  void WireScrollArea(const std::string& canvas, const std::string& frame,
                      const std::string& tag);
  /// Puts bind tag `tag` right after the widget's own tag, before its class.
  void AddBindTag(const std::string& widget, const std::string& tag);
  /// Scrolls `canvas` so that `widget`, a child of the frame at the canvas's
  /// origin, is fully visible.
  void ScrollIntoView(const std::string& canvas, const std::string& widget);

  /// True while a table built behind the first tab has not been shown yet.
  bool table_first_show_pending_ = false;
  AppServices services_;
  std::unique_ptr<PdfDocumentFactory> own_pdf_;  ///< the default factory
  std::string ui_family_;
  friend class AppTestPeer;
};

}  // namespace zarvek

#endif  // ZARVEK_APP_ZARVEK_CORE_H_
