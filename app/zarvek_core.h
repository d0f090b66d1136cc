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
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "heights/background_saver.h"
#include "heights/catalogue.h"
#include "heights/measurement_file.h"
#include "heights/rinex_verdict.h"
#include "platform/fs.h"
#include "platform/pdf_document.h"
#include "platform/random.h"
#include "platform/tk_interp.h"

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
  /// Replaces the file at a path with the given bytes in one step (see
  /// platform/atomic_file.h, the default); tests put failures here.
  std::function<Status(const std::string&, std::string_view)> write_file;
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
  /// Finishes the saves still running; a failure there goes to the console,
  /// as the window is gone.
  ~ZarvekCertificacionApp();
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
  /// Ctrl+D: receiver, type, accessory and reference of the row above.
  void copiar_fila_anterior(size_t idx);
  /// Gives every empty row (no type, accessory, reference or height) the
  /// receiver, type, accessory and reference of row `idx`.
  void copiar_equipo_a_filas_vacias(size_t idx);
  /// Writes row `idx` to the project's measurement file when it changed.
  void guardar_fila(size_t idx);
  /// Waits for the measurement file's writes to finish and reports their
  /// outcome (which otherwise shows a moment later, from the event loop).
  void esperar_guardado();

  /// Reads the headers of every point's observation files and shows each
  /// row's RINEX verdict; done once per table build and when the surveyor
  /// comes back to the tab, never on a change of a row.
  void leer_rinex();
  /// Writes, after a yes/no box listing them, corrected copies of the
  /// observation files of every point whose DELTA H differs from its ARP
  /// height into the point's RINEX/CORREGIDO folder.
  void corregir_rinex();

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
  /// The RINEX column of the rows: one canvas in which the text item tagged
  /// "rinex<i>" is row i's cell (a canvas item is no window, so the column
  /// adds nothing to what X maps).
  std::string canvas_rinex;

  const AppServices& services() const { return services_; }

 private:
  /// Registers `fn` as the Tcl command `name` in the ::zarvek namespace and
  /// returns its full name, for -command options and bindings.
  std::string Bind(const std::string& name, std::function<void()> fn);
  void Print(const std::string& line);
  /// Creates the header and data rows of lista_codigos_final in the (new,
  /// not yet shown) frame_rows and records them in entradas_alturas.
  void FillRowsFrame();
  /// Reads the measurement file of the project whose table is being built
  /// into medidas_ and the rows' saved values into filas_guardadas_, which
  /// FillRowsFrame puts in the new cells; the messages about the file wait
  /// in medidas_messages_ until the table is shown.
  void RestoreRows();
  /// Puts `values` in the boxes of row `idx` through the row rules; the
  /// height is left as it is.
  void SetRowValues(size_t idx, const RowValues& values);
  /// `values` as a Tcl list, made once per distinct list.
  const tk::Obj& ChoiceList(const std::vector<std::string>& values);
  RowValues ReadRow(size_t idx);
  /// Records rows `rows` in the measurement file and writes it.
  void SaveRows(const std::vector<size_t>& rows);

  /// The measurement file of the table's project; empty while there is no
  /// table, and when the file could not be read (it is then never written).
  std::optional<MeasurementFile> medidas_;
  std::string medidas_path_;
  /// A write failed and its error box was shown; cleared by a good write.
  bool medidas_failing_ = false;
  /// Per row of the table being built, its values from the file.
  std::vector<std::optional<RowValues>> filas_guardadas_;
  /// Message boxes (icon, text) waiting for the table to be shown.
  std::vector<std::pair<std::string, std::string>> medidas_messages_;
  /// Choice lists as Tcl lists, by their texts.
  std::map<std::string, tk::Obj> choice_lists_;
  /// The folder whose table is being built, before it becomes ruta_base.
  std::optional<std::string> proyecto_en_carga_;
  /// The row whose code label opened the row menu.
  size_t menu_row_ = 0;
  /// Takes the outcomes of finished writes: the first failure of a run of
  /// failures shows the error box, a good write ends the run.
  void ReportSaves();
  /// Writes the file on its own thread; made with the second tab.
  std::unique_ptr<BackgroundSaver> saver_;
  bool save_poll_pending_ = false;

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

  // The RINEX column (heights/rinex_column_tk.cc).
  /// Builds the status line and the "CORREGIR RINEX" button in `bottom`,
  /// and shows the reason of the row that takes the focus (bind tag `tag`).
  void _setup_rinex(const std::string& bottom, const std::string& tag);
  /// Creates the RINEX column of the laid-out rows: one canvas beside them
  /// with bind tags `tags`, a text item per row.
  void MakeRinexColumn(const tk::Obj& tags);
  /// The row's ARP, phase-centre and measured heights; nullopt while the
  /// row is incomplete or does not convert.
  std::optional<RinexRowHeights> RinexHeightsOf(size_t idx);
  /// Judges row `idx` again from the headers already read and updates its
  /// cell when its text changed.
  void ActualizarCeldaRinex(size_t idx);
  /// Puts the reason of the row in view (rinex_row_) or, without one, the
  /// column's summary in the status line, and enables "CORREGIR RINEX"
  /// while some point has copies to write.
  void MostrarEstadoRinex();
  /// Per row: what was read in its RINEX folder, and the verdict its cell
  /// shows; emptied whenever the rows are made anew.
  std::vector<PointRinexFiles> rinex_files_;
  std::vector<RinexVerdict> rinex_verdicts_;
  /// The row whose reason the status line shows (focus or pointer).
  size_t rinex_row_ = static_cast<size_t>(-1);
  std::string lbl_rinex_, btn_rinex_;
  std::string texto_estado_rinex_;
  /// Height in pixels of a table row, as the RINEX canvas places its items.
  int rinex_pitch_ = 1;

  /// True while a table built behind the first tab has not been shown yet.
  bool table_first_show_pending_ = false;
  AppServices services_;
  std::unique_ptr<PdfDocumentFactory> own_pdf_;  ///< the default factory
  std::string ui_family_;
  friend class AppTestPeer;
};

}  // namespace zarvek

#endif  // ZARVEK_APP_ZARVEK_CORE_H_
