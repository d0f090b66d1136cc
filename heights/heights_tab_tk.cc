// The second tab: project folder, point detection and measurement table.
//
// The table can hold up to kMaxTableRows rows of six ttk cells each, and
// two costs dominate how long it takes to appear. Tk gives every window an X
// input context on the first event it receives while input methods are on,
// at about 175 µs a window; the build therefore runs with input methods off
// until the new cells have been laid out and painted once, and turns them
// back on afterwards: a cell then gets its context lazily on its next event
// (focus, key press), so typing in the height entries, dead keys included,
// works as before. And the X server maps a window into a visible parent at a
// cost that grows with the number of its siblings; the cells are therefore
// created, laid out and mapped in a frame that is not shown, and the frame
// is shown once, complete.
#include <algorithm>
#include <charconv>
#include <exception>
#include <string>
#include <utility>
#include <vector>

#include "app/zarvek_core.h"
#include "folders/chosen_folder.h"
#include "heights/measurement_file.h"
#include "heights/point_detection.h"
#include "heights/row_rules.h"
#include "platform/atomic_file.h"
#include "platform/read_file.h"
#include "text/ascii_text.h"

namespace zarvek {
namespace {

// Tcl command names of the row handlers; a binding script is the name and
// the row index, nothing else.
constexpr const char* kRowTypeCommand = "::zarvek::row_tipo";
constexpr const char* kRowAccCommand = "::zarvek::row_acc";
constexpr const char* kRowRecCommand = "::zarvek::row_rec";
constexpr const char* kRowSaveCommand = "::zarvek::row_guardar";
constexpr const char* kRowCopyCommand = "::zarvek::row_copiar_anterior";
constexpr const char* kRowMenuCommand = "::zarvek::row_menu";
// While a save runs, its outcome is looked at this often from the event
// loop.
constexpr const char* kSavePollName = "medidas_guardadas";
constexpr const char* kSavePollCommand = "::zarvek::medidas_guardadas";
constexpr int kSavePollMs = 50;
// The menu of a row's point code.
constexpr const char* kRowMenu = ".menu_fila";

// The bind tag of every widget of the table area (wheel, focus, keypad).
constexpr const char* kTableTag = "ZarvekTabla";
// Types a point where the keypad's decimal key would type a comma.
constexpr const char* kKeypadPointCommand = "::zarvek::punto_teclado";

// The bind tags of a table cell of class `widget_class`: the table's tag
// comes before the class, whose wheel bindings would change a combobox.
tk::Obj CellTags(const std::string& widget, const char* widget_class) {
  return tk::Obj::List({widget, kTableTag, widget_class, ".", "all"});
}

// The row index carried by a binding script, if it is a plain integer.
bool ParseIndex(const std::vector<std::string>& args, size_t* idx) {
  if (args.size() != 1) return false;
  const std::string& text = args[0];
  auto [end, ec] =
      std::from_chars(text.data(), text.data() + text.size(), *idx);
  return ec == std::errc() && end == text.data() + text.size();
}

tk::Obj ListOf(const std::vector<std::string>& items) {
  return tk::Obj::List(items);
}

// The scroll-region update bound to the rows frame, and the tag of the
// canvas item that shows the frame.
constexpr const char* kScrollRegionName = "alturas_scrollregion";
constexpr const char* kScrollRegionCommand = "::zarvek::alturas_scrollregion";
constexpr const char* kRowsItemTag = "frame_rows";

// The choices of the accessory and reference boxes of a row whose values
// went through the row rules: as the handlers leave them after a person
// chose the receiver, the type, the accessory and the reference in turn.
// Without a type or an accessory a box is as in a new row.
const Choices kNoChoices{{}, true, std::nullopt};
struct RowBoxes {
  Choices acc, ref;
};
RowBoxes BoxesFor(const RowValues& v, const std::string& default_receiver) {
  RowBoxes boxes{kNoChoices, kNoChoices};
  if (!v.tipo.empty()) boxes.acc = AccessoryChoices(v.tipo);
  if (!v.acc.empty()) {
    boxes.ref = ReferenceChoices(v.rec, v.tipo, v.acc);
  } else if (v.rec != default_receiver) {
    // A receiver chosen before an accessory leaves the reference disabled.
    boxes.ref = ReferenceChoices(v.rec, "", "");
  }
  return boxes;
}

// Creates the (empty) frame that holds the table's cells, with its
// "<Configure>" binding; it is not yet shown in the canvas.
void MakeRowsFrame(tk::Interp& interp, const std::string& path) {
  interp.Call({"ttk::frame", path, "-style", "Card.TFrame"});
  interp.Call({"bindtags", path, CellTags(path, "TFrame")});
  interp.Call({"bind", path, "<Configure>", kScrollRegionCommand});
}

}  // namespace

void ZarvekCertificacionApp::_setup_tab_alturas() {
  const std::string family = ui_family();
  root.Call({"bind", tab_control, "<<NotebookTabChanged>>",
             Bind("mostrar_tabla", [this] {
               if (!table_first_show_pending_ ||
                   root.Call({"winfo", "viewable", tab_alturas}) != "1") {
                 return;
               }
               table_first_show_pending_ = false;
               tk::InputMethodsOff quiet(root);
               root.Call({"update", "idletasks"});
               root.Call({"update"});
             })});
  // Coming back to the tab reads the observation files again: they may have
  // been copied or processed meanwhile.
  root.Call({"bind", tab_control, "<<NotebookTabChanged>>",
             "+" + Bind("volver_a_alturas", [this] {
               if (root.Call({tab_control, "select"}) == tab_alturas)
                 leer_rinex();
             })});
  const std::string top_panel = tab_alturas + ".top_panel";
  root.Call({"ttk::frame", top_panel, "-style", "Card.TFrame", "-padding", 10});
  root.Call({"pack", top_panel, "-side", "top", "-fill", "x", "-padx", 10,
             "-pady", 5});

  const std::string heading = top_panel + ".lbl_header";
  root.Call({"ttk::label", heading, "-text", "DIRECTORIO DE PROYECTO", "-style",
             "Header.TLabel"});
  root.Call({"grid", heading, "-row", 0, "-column", 0, "-sticky", "w"});

  const std::string buscar = top_panel + ".btn_buscar";
  root.Call({"ttk::button", buscar, "-text", "📂 BUSCAR", "-command",
             Bind("seleccionar_directorio_trabajo",
                  [this] { seleccionar_directorio_trabajo(); }),
             "-takefocus", 0});
  root.Call(
      {"grid", buscar, "-row", 1, "-column", 0, "-sticky", "w", "-pady", 5});

  lbl_dir_seleccionado = top_panel + ".lbl_dir_seleccionado";
  root.Call({"ttk::label", *lbl_dir_seleccionado, "-text", "NO SELECCIONADO",
             "-foreground", "red", "-background", "white"});
  root.Call({"grid", *lbl_dir_seleccionado, "-row", 1, "-column", 1, "-sticky",
             "w", "-padx", 10});

  const std::string lbl_tbl = tab_alturas + ".lbl_tbl";
  root.Call({"ttk::label", lbl_tbl, "-text", "LISTA DE PUNTOS", "-font",
             ListOf({family, "10", "bold"}), "-padding", ListOf({"10", "5"})});
  root.Call({"pack", lbl_tbl, "-side", "top", "-anchor", "w"});

  const std::string bottom_frame = tab_alturas + ".bottom_frame";
  root.Call({"ttk::frame", bottom_frame});
  root.Call({"pack", bottom_frame, "-side", "bottom", "-fill", "x", "-padx", 10,
             "-pady", 10});

  const std::string btn_pdf = bottom_frame + ".btn_pdf";
  // Same hover colours as the tab-1 button: X's default light grey would
  // wash out the white text.
  // clang-format off
  root.Call({"button", btn_pdf, "-text", "CALCULAR Y GENERAR REPORTE PDF",
             "-bg", color("primary"), "-fg", "white",
             "-activebackground", color("accent"), "-activeforeground", "white",
             "-font", ListOf({family, "11", "bold"}),
             "-relief", "flat", "-width", 45, "-height", 2, "-takefocus", 0,
             "-command", Bind("generar_pdf_conversion",
                              [this] { generar_pdf_conversion(); })});
  // clang-format on
  root.Call({"grid", btn_pdf, "-row", 1, "-column", 0, "-sticky", "ew"});
  root.Call({"grid", "columnconfigure", bottom_frame, 0, "-weight", 1});

  const std::string table_container = tab_alturas + ".table_container";
  root.Call({"ttk::frame", table_container, "-style", "Card.TFrame"});
  root.Call({"pack", table_container, "-side", "top", "-fill", "both",
             "-expand", 1, "-padx", 10, "-pady", ListOf({"0", "5"})});

  canvas_alturas = table_container + ".canvas_alturas";
  root.Call(
      {"canvas", canvas_alturas, "-bg", "white", "-highlightthickness", 0});
  scroll_alturas = table_container + ".scroll_alturas";
  root.Call({"ttk::scrollbar", scroll_alturas, "-orient", "vertical",
             "-command", ListOf({canvas_alturas, "yview"})});

  // The headings stay above the rows while these scroll; the frame is
  // packed once the table has rows.
  frame_headers = table_container + ".frame_headers";
  root.Call({"ttk::frame", frame_headers, "-style", "Card.TFrame"});

  frame_rows = canvas_alturas + ".frame_rows";
  Bind(kScrollRegionName, [this] {
    root.Call({canvas_alturas, "configure", "-scrollregion",
               root.CallObj({canvas_alturas, "bbox", "all"})});
  });
  MakeRowsFrame(root, frame_rows);
  root.Call({canvas_alturas, "create", "window", 0, 0, "-window", frame_rows,
             "-anchor", "nw", "-tags", kRowsItemTag});
  root.Call({canvas_alturas, "configure", "-yscrollcommand",
             ListOf({scroll_alturas, "set"})});
  root.Call({"pack", canvas_alturas, "-side", "left", "-fill", "both",
             "-expand", 1, "-padx", 5, "-pady", 5});
  root.Call(
      {"pack", scroll_alturas, "-side", "right", "-fill", "y", "-pady", 5});
  WireScrollArea(canvas_alturas, frame_rows, kTableTag);
  for (const std::string& widget : {table_container, frame_headers})
    AddBindTag(widget, kTableTag);
  // The keypad's decimal key types a comma on keyboards of comma-decimal
  // countries (KP_Separator on X11, KP_Decimal with a comma elsewhere); in
  // a height, whose decimal separator is the point, it types a point.
  root.BreakingCommand(kKeypadPointCommand, [this](const std::vector<
                                                   std::string>&) {
    const std::string widget = root.Call({"focus"});
    if (!widget.empty() && root.Call({"winfo", "class", widget}) == "TEntry")
      root.Call({"ttk::entry::Insert", widget, "."});
    return std::string();
  });
  for (const char* key : {"<KeyPress-KP_Decimal>", "<KeyPress-KP_Separator>"})
    root.Call({"bind", kTableTag, key, kKeypadPointCommand});

  // The row handlers take the row index from their binding.
  auto row_command = [this](const char* name,
                            void (ZarvekCertificacionApp::*handler)(size_t)) {
    root.Command(name, [this, handler](const std::vector<std::string>& args) {
      size_t idx = 0;
      if (ParseIndex(args, &idx) && idx < entradas_alturas.size()) {
        (this->*handler)(idx);
        // Every change of a row is saved as it is made.
        if (handler != &ZarvekCertificacionApp::guardar_fila) guardar_fila(idx);
      }
      return std::string();
    });
  };
  row_command(kRowTypeCommand, &ZarvekCertificacionApp::_on_row_type_change);
  row_command(kRowAccCommand, &ZarvekCertificacionApp::_on_row_acc_change);
  row_command(kRowRecCommand, &ZarvekCertificacionApp::_on_row_rec_change);
  row_command(kRowSaveCommand, &ZarvekCertificacionApp::guardar_fila);
  // Ctrl+D ends with "break": the entry's own Ctrl+D (delete a character)
  // does not run after it.
  root.BreakingCommand(kRowCopyCommand,
                       [this](const std::vector<std::string>& args) {
                         size_t idx = 0;
                         if (ParseIndex(args, &idx)) copiar_fila_anterior(idx);
                         return std::string();
                       });
  root.Command(kRowMenuCommand, [this](const std::vector<std::string>& args) {
    size_t idx = 0;
    if (ParseIndex(args, &idx) && idx < entradas_alturas.size()) {
      menu_row_ = idx;
      root.Call({"tk_popup", kRowMenu, root.Call({"winfo", "pointerx", "."}),
                 root.Call({"winfo", "pointery", "."})});
    }
    return std::string();
  });
  BackgroundSaver::WriteFn write = services_.write_file;
  if (!write) write = WriteFileAtomically;
  saver_ = std::make_unique<BackgroundSaver>(std::move(write));
  Bind(kSavePollName, [this] {
    save_poll_pending_ = false;
    ReportSaves();
    if (saver_->Busy()) {
      save_poll_pending_ = true;
      root.Call({"after", kSavePollMs, kSavePollCommand});
    }
  });

  // The RINEX status line above both buttons, and "CORREGIR RINEX" beside
  // the report button.
  _setup_rinex(bottom_frame, kTableTag);

  root.Call({"menu", kRowMenu, "-tearoff", 0});
  root.Call({kRowMenu, "add", "command", "-label",
             "COPIAR EQUIPO A LAS FILAS VACÍAS", "-command",
             Bind("copiar_equipo_vacias",
                  [this] { copiar_equipo_a_filas_vacias(menu_row_); })});
}

void ZarvekCertificacionApp::seleccionar_directorio_trabajo() {
  std::string path =
      root.Call({"tk_chooseDirectory", "-title", "SELECCIONE LA CARPETA RAÍZ"});
  if (path.empty()) return;
  // Only an existing folder is a project; anything else would show the
  // first tab's codes as if they were its points.
  FileSystem& fs = services().fs ? *services().fs : RealFileSystem();
  if (!fs.IsDirectory(path)) {
    root.Call({"tk_messageBox", "-icon", "error", "-title", "Error", "-message",
               ChosenFolderMissingText(path)});
    return;
  }
  CargarProyecto(path);
}

void ZarvekCertificacionApp::detectar_codigos_existentes() {
  if (ruta_base.empty()) return;
  CargarProyecto(ruta_base);
}

bool ZarvekCertificacionApp::CargarProyecto(const std::string& path) {
  auto error_box = [this](const std::string& message) {
    root.Call({"tk_messageBox", "-icon", "error", "-title", "Error", "-message",
               message});
  };
  std::vector<std::string> fallback;
  fallback.reserve(codigos_entries.size());
  for (const std::string& entry : codigos_entries)
    fallback.push_back(root.Call({entry, "get"}));

  // The label, ruta_base and the table always show the same project: a
  // folder that cannot be loaded changes none of them.
  FileSystem& fs = services().fs ? *services().fs : RealFileSystem();
  std::vector<std::string> codes;
  const Status status = DetectProjectCodes(fs, path, fallback, &codes);
  if (!status.ok()) {
    error_box(status.message());
    return false;
  }
  // Beyond this many rows the table would outgrow what X can map (a frame
  // taller than 32,767 px ends the program).
  if (codes.size() > kMaxTableRows) {
    error_box("DEMASIADOS PUNTOS EN EL PROYECTO (MÁXIMO " +
              DecimalText(kMaxTableRows) + ").");
    return false;
  }
  lista_codigos_final = std::move(codes);
  // The rows are filled from the measurement file of `path`, which becomes
  // ruta_base only once the table is built.
  struct Loading {
    std::optional<std::string>& slot;
    ~Loading() { slot.reset(); }
  } loading{proyecto_en_carga_};
  proyecto_en_carga_ = path;
  try {
    construir_tabla_filas();
  } catch (const std::exception& e) {
    // A half-built table would hold the new project's rows under the old
    // folder: it is emptied instead.
    lista_codigos_final.clear();
    try {
      construir_tabla_filas();
    } catch (const std::exception&) {
    }
    error_box(e.what());
    return false;
  }
  ruta_base = path;
  if (lbl_dir_seleccionado) {
    root.Call({*lbl_dir_seleccionado, "configure", "-text", ruta_base,
               "-foreground", color("success")});
  }
  return true;
}

void ZarvekCertificacionApp::construir_tabla_filas() {
  // Saves of the old rows finish first; an error box about them is shown
  // while those rows are still there.
  esperar_guardado();
  tk::InputMethodsOff quiet(root);

  // The old cells go with their frame: one destroy, and Tk then skips the
  // X requests of each child window. A fresh frame of the same name takes
  // its place and is filled and laid out while it is not shown, so that X
  // maps it once, complete.
  root.Call({"destroy", frame_rows});
  entradas_alturas.clear();
  rinex_verdicts_.clear();
  MakeRowsFrame(root, frame_rows);
  try {
    RestoreRows();
    FillRowsFrame();
    filas_guardadas_.clear();
    leer_rinex();
  } catch (...) {
    root.Call(
        {canvas_alturas, "itemconfigure", kRowsItemTag, "-window", frame_rows});
    throw;
  }
  root.MapChildWindowsEarly(frame_rows);
  // A new table is seen from its first row, and the scroll region is that of
  // the new rows: the canvas reports no size change of a window item that
  // is scrolled out of sight.
  root.Call({canvas_alturas, "yview", "moveto", 0});
  root.Call(
      {canvas_alturas, "itemconfigure", kRowsItemTag, "-window", frame_rows});
  root.Call({canvas_alturas, "configure", "-scrollregion",
             root.CallObj({canvas_alturas, "bbox", "all"})});
  // Layout and the first paint while input methods are still off (see the
  // note at the top of this file).
  root.Call({"update", "idletasks"});
  root.Call({"update"});
  // Built behind the first tab (after "CREAR CARPETAS"), the cells are
  // first painted when the user turns to this tab; that showing is done
  // with input methods off too.
  table_first_show_pending_ =
      !entradas_alturas.empty() &&
      root.Call({"winfo", "viewable", frame_rows}) != "1";
  // What the measurement file had to say, once the rows are there.
  std::vector<std::pair<std::string, std::string>> messages;
  messages.swap(medidas_messages_);
  for (const auto& [icon, text] : messages) {
    root.Call({"tk_messageBox", "-icon", icon, "-title",
               icon == "error" ? "Error" : "Aviso", "-message", text});
  }
}

void ZarvekCertificacionApp::FillRowsFrame() {
  std::vector<tk::Word> destroy = {"destroy"};
  for (const std::string& child :
       root.SplitList(root.Call({"winfo", "children", frame_headers})))
    destroy.emplace_back(child);
  root.Call(destroy);
  if (lista_codigos_final.empty()) {
    root.Call({"pack", "forget", frame_headers});
    return;
  }
  for (size_t column = 0; column < kTableHeaders.size(); ++column) {
    const std::string header = frame_headers + ".hdr" + DecimalText(column);
    root.Call({"ttk::label", header, "-text", kTableHeaders[column].text,
               "-style", "SubHeader.TLabel", "-width",
               kTableHeaders[column].width, "-anchor", "center", "-justify",
               "center"});
    root.Call({"bindtags", header, CellTags(header, "TLabel")});
    root.Call({"grid", header, "-row", 0, "-column", column, "-padx", 5,
               "-pady", 5, "-sticky", "ew"});
  }
  root.Call({"pack", frame_headers, "-before", canvas_alturas, "-side", "top",
             "-fill", "x", "-padx", 5, "-pady", ListOf({"5", "0"})});

  // Option values shared by every row, made once.
  std::vector<std::string> receivers;
  for (const auto& [model, spec] : equipos_specs) receivers.push_back(model);
  const tk::Obj receiver_values = ListOf(receivers);
  const tk::Obj tipo_values =
      ListOf({std::string(kTipoChoices[0]), std::string(kTipoChoices[1])});
  const tk::Obj code_font = ListOf({ui_family(), "9", "bold"});
  const tk::Obj no_values = ListOf({});
  const std::string default_receiver = receivers.front();

  entradas_alturas.reserve(lista_codigos_final.size());
  for (size_t idx = 0; idx < lista_codigos_final.size(); ++idx) {
    const std::string& code = lista_codigos_final[idx];
    const std::string suffix = DecimalText(idx);
    MeasurementRow row;
    row.codigo = code;
    row.rec = frame_rows + ".rec" + suffix;
    row.tipo = frame_rows + ".tipo" + suffix;
    row.acc = frame_rows + ".acc" + suffix;
    row.ref = frame_rows + ".ref" + suffix;
    row.h = frame_rows + ".h" + suffix;

    const std::string label = frame_rows + ".cod" + suffix;
    root.Call({"ttk::label", label, "-text", code, "-font", code_font,
               "-background", "white"});
    root.Call(
        {"grid", label, "-row", idx, "-column", 0, "-padx", 5, "-pady", 2});
    // A row saved in the measurement file is made as the person left it:
    // its boxes get their choices as they are made, then their texts.
    const RowValues* saved =
        idx < filas_guardadas_.size() && filas_guardadas_[idx]
            ? &*filas_guardadas_[idx]
            : nullptr;
    const RowBoxes boxes = saved ? BoxesFor(*saved, default_receiver)
                                 : RowBoxes{kNoChoices, kNoChoices};
    root.Call({"ttk::combobox", row.rec, "-values", receiver_values, "-state",
               "readonly", "-width", 21});
    root.Call({row.rec, "set", saved ? saved->rec : default_receiver});
    root.Call({"ttk::combobox", row.tipo, "-values", tipo_values, "-state",
               "readonly", "-width", 14});
    root.Call({"ttk::combobox", row.acc, "-values",
               saved ? ChoiceList(boxes.acc.values) : no_values, "-state",
               boxes.acc.enabled ? "readonly" : "disabled", "-width", 17});
    root.Call({"ttk::combobox", row.ref, "-values",
               saved ? ChoiceList(boxes.ref.values) : no_values, "-state",
               boxes.ref.enabled ? "readonly" : "disabled", "-width", 10});
    root.Call({"ttk::entry", row.h, "-width", 12, "-justify", "center"});
    if (saved) {
      if (!saved->tipo.empty()) root.Call({row.tipo, "set", saved->tipo});
      if (!saved->acc.empty()) root.Call({row.acc, "set", saved->acc});
      if (!saved->ref.empty()) root.Call({row.ref, "set", saved->ref});
      if (!saved->h.empty()) root.Call({row.h, "insert", 0, saved->h});
    }
    root.Call({"bindtags", label, CellTags(label, "TLabel")});
    for (const std::string* box : {&row.rec, &row.tipo, &row.acc, &row.ref})
      root.Call({"bindtags", *box, CellTags(*box, "TCombobox")});
    root.Call({"bindtags", row.h, CellTags(row.h, "TEntry")});
    // The five cells go to columns 1 to 5 in one grid command; "x" keeps
    // column 0, which holds the code label.
    root.Call({"grid", "x", row.rec, row.tipo, row.acc, row.ref, row.h, "-row",
               idx, "-padx", 5});

    root.Call({"bind", row.tipo, "<<ComboboxSelected>>",
               ListOf({kRowTypeCommand, suffix})});
    root.Call({"bind", row.acc, "<<ComboboxSelected>>",
               ListOf({kRowAccCommand, suffix})});
    root.Call({"bind", row.rec, "<<ComboboxSelected>>",
               ListOf({kRowRecCommand, suffix})});
    // Saving: a chosen reference, and the height on each edit (a key
    // released: typing, deleting, pasting by key) and on leaving the cell;
    // unchanged texts are not written again.
    const tk::Obj save = ListOf({kRowSaveCommand, suffix});
    root.Call({"bind", row.ref, "<<ComboboxSelected>>", save});
    root.Call({"bind", row.h, "<KeyRelease>", save});
    root.Call({"bind", row.h, "<FocusOut>", save});
    // Ctrl+D fills the row from the row above, as in spreadsheets.
    const tk::Obj copy = ListOf({kRowCopyCommand, suffix});
    for (const std::string* cell :
         {&row.rec, &row.tipo, &row.acc, &row.ref, &row.h}) {
      root.Call({"bind", *cell, "<Control-Key-d>", copy});
    }
    root.Call({"bind", label, "<Button-3>", ListOf({kRowMenuCommand, suffix})});
    entradas_alturas.push_back(std::move(row));
  }
  // Cells are placed now, while the frame is not mapped: ttk draws nothing
  // for a window that is not mapped, and later only the rows in view are
  // exposed.
  root.Call({"update", "idletasks"});
  MakeRinexColumn(CellTags(frame_rows + ".rinex", "Canvas"));
  AlignHeadings();
}

void ZarvekCertificacionApp::AlignHeadings() {
  auto column_width = [this](const std::string& frame, size_t column) {
    const std::vector<std::string> box =
        root.SplitList(root.Call({"grid", "bbox", frame, column, 0}));
    int width = 0;
    if (box.size() == 4)
      std::from_chars(box[2].data(), box[2].data() + box[2].size(), width);
    return width;
  };
  for (size_t column = 0; column < kTableHeaders.size(); ++column) {
    const int width = std::max(column_width(frame_rows, column),
                               column_width(frame_headers, column));
    for (const std::string& frame : {frame_rows, frame_headers})
      root.Call({"grid", "columnconfigure", frame, column, "-minsize", width});
  }
  root.Call({"update", "idletasks"});
}

void ZarvekCertificacionApp::_on_row_type_change(size_t idx) {
  const MeasurementRow& row = entradas_alturas.at(idx);
  const std::string tipo = root.Call({row.tipo, "get"});
  root.Call({row.acc, "set", ""});
  root.Call({row.ref, "set", ""});
  Choices choices = AccessoryChoices(tipo);
  root.Call({row.acc, "configure", "-values", ListOf(choices.values), "-state",
             choices.enabled ? "readonly" : "disabled"});
}

void ZarvekCertificacionApp::_on_row_acc_change(size_t idx) {
  const MeasurementRow& row = entradas_alturas.at(idx);
  const std::string rec = root.Call({row.rec, "get"});
  const std::string acc = root.Call({row.acc, "get"});
  const std::string tipo = root.Call({row.tipo, "get"});
  root.Call({row.ref, "set", ""});
  Choices choices = ReferenceChoices(rec, tipo, acc);
  root.Call({row.ref, "configure", "-values", ListOf(choices.values), "-state",
             choices.enabled ? "readonly" : "disabled"});
  if (choices.preselect) root.Call({row.ref, "set", *choices.preselect});
}

void ZarvekCertificacionApp::_on_row_rec_change(size_t idx) {
  _on_row_acc_change(idx);
}

}  // namespace zarvek

namespace zarvek {

RowValues ZarvekCertificacionApp::ReadRow(size_t idx) {
  const MeasurementRow& row = entradas_alturas.at(idx);
  return {root.Call({row.rec, "get"}), root.Call({row.tipo, "get"}),
          root.Call({row.acc, "get"}), root.Call({row.ref, "get"}),
          root.Call({row.h, "get"})};
}

void ZarvekCertificacionApp::SetRowValues(size_t idx, const RowValues& wanted) {
  const MeasurementRow& row = entradas_alturas.at(idx);
  const std::string& default_receiver = equipos_specs.front().first;
  const RowValues v =
      ApplyRowRules(equipos_specs, default_receiver, wanted, nullptr);
  const RowBoxes boxes = BoxesFor(v, default_receiver);
  root.Call({row.rec, "set", v.rec});
  root.Call({row.tipo, "set", v.tipo});
  root.Call({row.acc, "configure", "-values", ChoiceList(boxes.acc.values),
             "-state", boxes.acc.enabled ? "readonly" : "disabled"});
  root.Call({row.acc, "set", v.acc});
  root.Call({row.ref, "configure", "-values", ChoiceList(boxes.ref.values),
             "-state", boxes.ref.enabled ? "readonly" : "disabled"});
  root.Call({row.ref, "set", v.ref});
}

const tk::Obj& ZarvekCertificacionApp::ChoiceList(
    const std::vector<std::string>& values) {
  std::string key;
  for (const std::string& value : values) key += value + '\n';
  auto it = choice_lists_.find(key);
  if (it == choice_lists_.end())
    it = choice_lists_.emplace(key, ListOf(values)).first;
  return it->second;
}

void ZarvekCertificacionApp::RestoreRows() {
  // The file is read below: the last edits must be in it, and their
  // failures belong to the table that is going.
  esperar_guardado();
  medidas_.reset();
  medidas_failing_ = false;
  medidas_messages_.clear();
  filas_guardadas_.clear();
  const std::string& project =
      proyecto_en_carga_ ? *proyecto_en_carga_ : ruta_base;
  if (project.empty() || lista_codigos_final.empty()) return;
  medidas_path_ = MeasurementFilePath(project);
  const std::string keep =
      "\nLA TABLA EMPIEZA VACÍA Y ESE ARCHIVO NO SE MODIFICARÁ.";
  std::string bytes;
  bool missing = false;
  Status read =
      ReadFilePrefix(medidas_path_, kMaxMeasurementFileBytes, &bytes, &missing);
  if (!read.ok()) {
    medidas_messages_.push_back(
        {"error",
         "NO SE PUEDEN LEER LAS MEDIDAS GUARDADAS.\n" + read.message() + keep});
    return;
  }
  std::string why;
  std::optional<MeasurementFile> file =
      MeasurementFile::Parse(bytes, equipos_specs, &why);
  if (!file) {
    medidas_messages_.push_back({"error", "EL ARCHIVO DE MEDIDAS " + why +
                                              ":\n" + medidas_path_ + keep});
    return;
  }
  filas_guardadas_ = file->Bind(lista_codigos_final, equipos_specs);
  if (!file->problems().empty()) {
    medidas_messages_.push_back(
        {"warning", "ALGUNAS LÍNEAS DE " + medidas_path_ +
                        " NO SE HAN USADO O SE HAN USADO EN PARTE:\n" +
                        DescribeProblems(file->problems())});
  }
  medidas_ = std::move(file);
}

void ZarvekCertificacionApp::SaveRows(const std::vector<size_t>& rows) {
  // Every change of a row passes here: its RINEX verdict follows at once,
  // from the headers read when the table was built.
  for (size_t idx : rows) ActualizarCeldaRinex(idx);
  MostrarEstadoRinex();
  if (!medidas_) return;
  const std::string& default_receiver = equipos_specs.front().first;
  bool changed = false;
  for (size_t idx : rows) {
    changed |=
        medidas_->Update(idx, ReadRow(idx), equipos_specs, default_receiver);
  }
  ReportSaves();
  // After a failed write the file on disk lags behind: try again.
  if (!changed && !medidas_failing_) return;
  saver_->Save(medidas_path_, medidas_->Serialize());
  if (!save_poll_pending_) {
    save_poll_pending_ = true;
    root.Call({"after", kSavePollMs, kSavePollCommand});
  }
}

void ZarvekCertificacionApp::ReportSaves() {
  if (!saver_) return;
  for (const Status& status : saver_->TakeResults()) {
    if (status.ok()) {
      medidas_failing_ = false;
      continue;
    }
    // One box for a run of failures (a full disk fails on every key).
    if (medidas_failing_) continue;
    medidas_failing_ = true;
    root.Call({"tk_messageBox", "-icon", "error", "-title", "Error", "-message",
               "NO SE PUDIERON GUARDAR LAS MEDIDAS.\n" + status.message() +
                   "\nLA TABLA SIGUE FUNCIONANDO; SE VOLVERÁ A INTENTAR "
                   "CON EL PRÓXIMO CAMBIO."});
  }
}

void ZarvekCertificacionApp::esperar_guardado() {
  if (!saver_) return;
  saver_->Wait();
  ReportSaves();
}

void ZarvekCertificacionApp::guardar_fila(size_t idx) { SaveRows({idx}); }

ZarvekCertificacionApp::~ZarvekCertificacionApp() {
  if (!saver_) return;
  saver_->Wait();
  for (const Status& status : saver_->TakeResults()) {
    if (!status.ok()) Print("Error: " + status.message());
  }
  try {
    root.Call({"after", "cancel", kSavePollCommand});
  } catch (const std::exception&) {
    // The interpreter is going too.
  }
}

void ZarvekCertificacionApp::copiar_fila_anterior(size_t idx) {
  if (idx == 0 || idx >= entradas_alturas.size()) return;
  RowValues above = ReadRow(idx - 1);
  SetRowValues(idx, above);
  SaveRows({idx});
}

void ZarvekCertificacionApp::copiar_equipo_a_filas_vacias(size_t idx) {
  if (idx >= entradas_alturas.size()) return;
  const RowValues source = ReadRow(idx);
  std::vector<size_t> filled;
  for (size_t i = 0; i < entradas_alturas.size(); ++i) {
    if (i == idx) continue;
    const RowValues v = ReadRow(i);
    if (!v.tipo.empty() || !v.acc.empty() || !v.ref.empty() || !v.h.empty()) {
      continue;
    }
    SetRowValues(i, source);
    filled.push_back(i);
  }
  SaveRows(filled);
}

}  // namespace zarvek
