// The second tab: see heights/heights_tab_tk.h.
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
#include "heights/heights_tab_tk.h"

#include <algorithm>
#include <exception>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "heights/row_rules.h"
#include "project/chosen_folder.h"
#include "project/point_detection.h"
#include "text/ascii_text.h"
#include "text/shown_path.h"
#include "ui/scroll_area_tk.h"

namespace zarvek {
namespace {

// Tcl command names of the row handlers; a binding script is the name and
// the row index, nothing else.
constexpr const char* kRowTypeCommand = "::zarvek::row_tipo";
constexpr const char* kRowAccCommand = "::zarvek::row_acc";
constexpr const char* kRowRecCommand = "::zarvek::row_rec";
constexpr const char* kRowRefCommand = "::zarvek::row_ref";
// Leaving a height cell saves again a row whose last write failed.
constexpr const char* kRowSaveCommand = "::zarvek::row_guardar";
constexpr const char* kRowCopyCommand = "::zarvek::row_copiar_anterior";
constexpr const char* kRowMenuCommand = "::zarvek::row_menu";
// The heights are the elements of one array, indexed by row; a trace on it
// sees every change of a height cell, typed, pasted, dropped or set.
constexpr const char* kHeightsArray = "::zarvek::alturas";
constexpr const char* kHeightTraceCommand = "::zarvek::altura_cambiada";
// The menu of a row's point code.
constexpr const char* kRowMenu = ".menu_fila";
// Types a point where the keypad's decimal key would type a comma.
constexpr const char* kKeypadPointCommand = "::zarvek::punto_teclado";
// A height cell whose height from the measurement file is beyond any
// antenna's wears this style until the user edits it; the validation of
// its first edit calls the command with the row index.
constexpr const char* kDoubtfulEntryStyle = "Dudosa.TEntry";
constexpr const char* kDoubtfulEditedCommand =
    "::zarvek::altura_dudosa_editada";

// The bind tags of a table cell of class `widget_class`: the table's tag
// comes before the class, whose wheel bindings would change a combobox.
tk::Obj CellTags(const std::string& widget, const char* widget_class) {
  return tk::Obj::List(
      {widget, HeightsTab::kTableTag, widget_class, ".", "all"});
}

// The row index `text` (RowIndexArg) into `idx`.
bool ParseIndex(const std::string& text, size_t* idx) {
  const std::optional<size_t> row = RowIndexArg(text);
  if (row) *idx = *row;
  return row.has_value();
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
RowBoxes BoxesFor(const Catalogue& catalogue, const RowValues& v) {
  RowBoxes boxes{kNoChoices, kNoChoices};
  if (!v.tipo.empty()) boxes.acc = AccessoryChoices(v.tipo);
  if (!v.acc.empty()) {
    boxes.ref = ReferenceChoices(catalogue, v.rec, v.tipo, v.acc);
  } else if (v.rec != catalogue.front().first) {
    // A receiver chosen before an accessory leaves the reference disabled.
    boxes.ref = ReferenceChoices(catalogue, v.rec, "", "");
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

HeightsTab::HeightsTab(Ui& ui, FileSystem& fs, OpenProject& project,
                       const Catalogue& catalogue, std::string notebook,
                       std::string tab, FileExchange& exchange,
                       HeightsTabHooks hooks)
    : ui_(ui),
      fs_(fs),
      project_(project),
      catalogue_(catalogue),
      notebook_(std::move(notebook)),
      tab_(std::move(tab)),
      hooks_(std::move(hooks)) {
  tk::Interp& root = ui_.tk();
  root.Call({"bind", notebook_, "<<NotebookTabChanged>>",
             ui_.Bind("mostrar_tabla", [this] { OnTabShown(); })});
  BuildProjectBar();
  const std::string lbl_tbl = tab_ + ".lbl_tbl";
  root.Call({"ttk::label", lbl_tbl, "-text", "LISTA DE PUNTOS", "-font",
             ListOf({ui_.family(), "10", "bold"}), "-padding",
             ListOf({"10", "5"})});
  root.Call({"pack", lbl_tbl, "-side", "top", "-anchor", "w"});
  // The status line and the buttons go here (their rooms grid them).
  bottom_frame_ = tab_ + ".bottom_frame";
  root.Call({"ttk::frame", bottom_frame_});
  root.Call({"pack", bottom_frame_, "-side", "bottom", "-fill", "x", "-padx",
             10, "-pady", 10});
  root.Call({"grid", "columnconfigure", bottom_frame_, 0, "-weight", 1});
  BuildTableArea();
  RegisterRowCommands();
  StartSync(exchange);
}

void HeightsTab::OnTabShown() {
  tk::Interp& root = ui_.tk();
  if (!table_first_show_pending_ ||
      root.Call({"winfo", "viewable", tab_}) != "1") {
    return;
  }
  table_first_show_pending_ = false;
  tk::InputMethodsOff quiet(root);
  root.Call({"update", "idletasks"});
  root.Call({"update"});
}

void HeightsTab::BuildProjectBar() {
  tk::Interp& root = ui_.tk();
  const std::string top_panel = tab_ + ".top_panel";
  root.Call({"ttk::frame", top_panel, "-style", "Card.TFrame", "-padding", 10});
  root.Call({"pack", top_panel, "-side", "top", "-fill", "x", "-padx", 10,
             "-pady", 5});

  const std::string heading = top_panel + ".lbl_header";
  root.Call({"ttk::label", heading, "-text", "DIRECTORIO DE PROYECTO", "-style",
             "Header.TLabel"});
  root.Call({"grid", heading, "-row", 0, "-column", 0, "-sticky", "w"});

  // A folder is chosen once a change of project in progress has ended.
  const std::string buscar = top_panel + ".btn_buscar";
  root.Call({"ttk::button", buscar, "-text", "BUSCAR", "-command",
             ui_.Bind("seleccionar_directorio_trabajo",
                      [this] {
                        project_.WhenSettled(
                            [this] { seleccionar_directorio_trabajo(); });
                      }),
             "-takefocus", 1});
  root.Call(
      {"grid", buscar, "-row", 1, "-column", 0, "-sticky", "w", "-pady", 5});

  folder_label_ = top_panel + ".lbl_dir_seleccionado";
  root.Call({"ttk::label", folder_label_, "-text", "NO SELECCIONADO",
             "-foreground", "red", "-background", "white"});
  root.Call({"grid", folder_label_, "-row", 1, "-column", 1, "-sticky", "w",
             "-padx", 10});
}

void HeightsTab::BuildTableArea() {
  tk::Interp& root = ui_.tk();
  const std::string table_container = tab_ + ".table_container";
  root.Call({"ttk::frame", table_container, "-style", "Card.TFrame"});
  root.Call({"pack", table_container, "-side", "top", "-fill", "both",
             "-expand", 1, "-padx", 10, "-pady", ListOf({"0", "5"})});

  canvas_ = table_container + ".canvas_alturas";
  root.Call({"canvas", canvas_, "-bg", "white", "-highlightthickness", 0});
  scroll_ = table_container + ".scroll_alturas";
  root.Call({"ttk::scrollbar", scroll_, "-orient", "vertical", "-command",
             ListOf({canvas_, "yview"})});

  // The headings stay above the rows while these scroll; the frame is
  // packed once the table has rows.
  frame_headers_ = table_container + ".frame_headers";
  root.Call({"ttk::frame", frame_headers_, "-style", "Card.TFrame"});

  frame_rows_ = canvas_ + ".frame_rows";
  ui_.Bind(kScrollRegionName, [this] {
    tk::Interp& root = ui_.tk();
    root.Call({canvas_, "configure", "-scrollregion",
               root.CallObj({canvas_, "bbox", "all"})});
  });
  MakeRowsFrame(root, frame_rows_);
  root.Call({canvas_, "create", "window", 0, 0, "-window", frame_rows_,
             "-anchor", "nw", "-tags", kRowsItemTag});
  root.Call(
      {canvas_, "configure", "-yscrollcommand", ListOf({scroll_, "set"})});
  root.Call({"pack", canvas_, "-side", "left", "-fill", "both", "-expand", 1,
             "-padx", 5, "-pady", 5});
  root.Call({"pack", scroll_, "-side", "right", "-fill", "y", "-pady", 5});
  WireScrollArea(ui_, canvas_, frame_rows_, kTableTag);
  for (const std::string& widget : {table_container, frame_headers_})
    AddBindTag(root, widget, kTableTag);
  // The keypad's decimal key types a comma on keyboards of comma-decimal
  // countries (KP_Separator on X11, KP_Decimal with a comma elsewhere); in
  // a height, whose decimal separator is the point, it types a point.
  root.BreakingCommand(kKeypadPointCommand, [this](const std::vector<
                                                   std::string>&) {
    tk::Interp& root = ui_.tk();
    const std::string widget = root.Call({"focus"});
    if (!widget.empty() && root.Call({"winfo", "class", widget}) == "TEntry")
      root.Call({"ttk::entry::Insert", widget, "."});
    return std::string();
  });
  for (const char* key : {"<KeyPress-KP_Decimal>", "<KeyPress-KP_Separator>"})
    root.Call({"bind", kTableTag, key, kKeypadPointCommand});
}

void HeightsTab::RegisterRowCommands() {
  tk::Interp& root = ui_.tk();
  // The row handlers take the row index from their binding; every change of
  // a row is saved as it is made.
  auto row_command = [this](const char* name,
                            void (HeightsTab::*handler)(size_t)) {
    ui_.tk().Command(name,
                     [this, handler](const std::vector<std::string>& args) {
                       size_t idx = 0;
                       if (args.size() == 1 && ParseIndex(args[0], &idx) &&
                           idx < cells_.size()) {
                         (this->*handler)(idx);
                         SaveRows({idx});
                       }
                       return std::string();
                     });
  };
  row_command(kRowTypeCommand, &HeightsTab::OnRowTypeChange);
  row_command(kRowAccCommand, &HeightsTab::OnRowAccChange);
  row_command(kRowRecCommand, &HeightsTab::OnRowRecChange);
  root.Command(kRowRefCommand, [this](const std::vector<std::string>& args) {
    size_t idx = 0;
    if (args.size() == 1 && ParseIndex(args[0], &idx) && idx < cells_.size()) {
      table_.SetField(idx, RowField::kRef,
                      ui_.tk().Call({cells_[idx].ref, "get"}));
      SaveRows({idx});
    }
    return std::string();
  });
  root.Command(kRowSaveCommand, [this](const std::vector<std::string>& args) {
    size_t idx = 0;
    if (args.size() == 1 && ParseIndex(args[0], &idx) && idx < cells_.size())
      SaveRows({idx});
    return std::string();
  });
  // A trace gets the array's name, the element (the row) and the operation.
  root.Command(kHeightTraceCommand, [this](
                                        const std::vector<std::string>& args) {
    size_t idx = 0;
    if (args.size() == 3 && ParseIndex(args[1], &idx) && idx < cells_.size())
      OnHeightChanged(idx);
    return std::string();
  });
  RegisterCopyCommands();
}

void HeightsTab::RegisterCopyCommands() {
  tk::Interp& root = ui_.tk();
  // Ctrl+D ends with "break": the entry's own Ctrl+D (delete a character)
  // does not run after it.
  root.BreakingCommand(kRowCopyCommand,
                       [this](const std::vector<std::string>& args) {
                         size_t idx = 0;
                         if (args.size() == 1 && ParseIndex(args[0], &idx))
                           CopyRowAbove(idx);
                         return std::string();
                       });
  root.Command(kRowMenuCommand, [this](const std::vector<std::string>& args) {
    size_t idx = 0;
    if (args.size() == 1 && ParseIndex(args[0], &idx) && idx < cells_.size()) {
      menu_row_ = idx;
      tk::Interp& root = ui_.tk();
      root.Call({"tk_popup", kRowMenu, root.Call({"winfo", "pointerx", "."}),
                 root.Call({"winfo", "pointery", "."})});
    }
    return std::string();
  });
  root.Call({"menu", kRowMenu, "-tearoff", 0});
  root.Call({kRowMenu, "add", "command", "-label",
             "COPIAR EQUIPO A LAS FILAS VACÍAS", "-command",
             ui_.Bind("copiar_equipo_vacias",
                      [this] { CopyEquipmentToEmptyRows(menu_row_); })});
}

void HeightsTab::StartSync(FileExchange& exchange) {
  MeasurementSyncHooks hooks;
  hooks.table_shown = [this] { return cells_.size() == table_.size(); };
  hooks.take_rows = [this](const std::vector<size_t>& taken,
                           const std::vector<RowValues>& rows) {
    ShowTakenRows(taken, rows);
  };
  sync_ = std::make_unique<MeasurementSync>(ui_, fs_, catalogue_, table_,
                                            exchange, std::move(hooks));
}

HeightsTab::~HeightsTab() = default;

void HeightsTab::seleccionar_directorio_trabajo() {
  std::vector<tk::Word> chooser = {"tk_chooseDirectory"};
  const std::string start = hooks_.chooser_dir ? hooks_.chooser_dir() : "";
  if (!start.empty()) chooser.insert(chooser.end(), {"-initialdir", start});
  chooser.insert(chooser.end(), {"-title", "SELECCIONE LA CARPETA RAÍZ"});
  std::string path = ui_.tk().Call(chooser);
  if (path.empty()) return;
  // Only an existing folder may be a project; LoadProject refuses one that
  // is not.
  if (!fs_.IsDirectory(path)) {
    const ChosenFolder chosen = ClassifyChosenFolder(
        fs_, path,
        [](const std::string& name) { return tk::Obj::Text(name).str(); });
    ui_.ErrorBox(ChosenFolderRefusedText(fs_, path, chosen));
    return;
  }
  LoadProject(path);
}

bool HeightsTab::LoadProject(const std::string& chosen) {
  // The label, the project and the table always show the same project: a
  // folder that cannot be loaded changes none of them. A folder that is not
  // a project would get a table whose rows save nowhere.
  const ProjectLayout layout = ProjectLayout::ForChosenFolder(fs_, chosen);
  if (!layout.IsProject()) {
    ui_.ErrorBox(NotAProjectText(chosen));
    return false;
  }
  // A folder inside the project (its "2. DATOS GNSS", a point's RINEX)
  // opens the project itself: the label, the settings and the table name
  // the project's root.
  const std::string path = layout.root();
  std::vector<std::string> codes;
  const Status status = DetectProjectCodes(fs_, path, &codes);
  if (!status.ok()) {
    ui_.ErrorBox(status.message());
    return false;
  }
  // Beyond this many rows the table would outgrow what X can map (a frame
  // taller than 32,767 px ends the program).
  if (codes.size() > kMaxTableRows) {
    ui_.ErrorBox(TooManyPointsText() + ".");
    return false;
  }
  const ProjectAccess access =
      hooks_.access ? hooks_.access(path) : ProjectAccess::kEdit;
  if (access == ProjectAccess::kNone) return false;
  read_only_ = access == ProjectAccess::kReadOnly;
  // Building the table runs the event loop: commands given meanwhile wait
  // for the end of the change, and then act on the new project alone.
  project_.BeginChange();
  bool loaded = true;
  try {
    BuildTable(path, codes);
    ui_.tk().Call(
        {folder_label_, "configure", "-text",
         read_only_ ? ShownPath(path) + "   (SOLO LECTURA)" : ShownPath(path),
         "-foreground", ui_.color("success")});
    project_.Set(path, codes, read_only_);
  } catch (const std::exception& e) {
    // A half-built table would hold the new project's rows under the old
    // folder: it is emptied instead.
    loaded = false;
    try {
      read_only_ = project_.read_only();
      BuildTable(project_.folder(), {});
      project_.Set(project_.folder(), {}, read_only_);
    } catch (const std::exception& again) {
      // The box below says what went wrong first; this goes to the console.
      ui_.Print("Error: " + std::string(again.what()));
    }
    ui_.ErrorBox(e.what());
  }
  if (loaded) ShowMessages();
  project_.EndChange();
  return loaded;
}

void HeightsTab::BuildTable(const std::string& folder,
                            const std::vector<std::string>& codes) {
  tk::Interp& root = ui_.tk();
  // Saves of the old rows finish first; an error box about them is shown
  // while those rows are still there.
  WaitForSaves();
  tk::InputMethodsOff quiet(root);

  // The old cells go with their frame: one destroy, and Tk then skips the
  // X requests of each child window. A fresh frame of the same name takes
  // its place and is filled and laid out while it is not shown, so that X
  // maps it once, complete.
  root.Call({"destroy", frame_rows_});
  root.Call({"array", "unset", kHeightsArray});
  cells_.clear();
  MakeRowsFrame(root, frame_rows_);
  try {
    const std::vector<std::optional<RowValues>> saved =
        RestoreRows(folder, codes);
    RowValues empty_row;
    empty_row.rec = catalogue_.front().first;
    table_.Reset(codes, saved, empty_row);
    FillRowsFrame();
    MarkDoubtfulHeights();
    if (read_only_) DisableCells();
  } catch (...) {
    table_.Clear();
    cells_.clear();
    root.Call({canvas_, "itemconfigure", kRowsItemTag, "-window", frame_rows_});
    throw;
  }
  root.MapChildWindowsEarly(frame_rows_);
  // A new table is seen from its first row, and the scroll region is that of
  // the new rows: the canvas reports no size change of a window item that
  // is scrolled out of sight.
  root.Call({canvas_, "yview", "moveto", 0});
  root.Call({canvas_, "itemconfigure", kRowsItemTag, "-window", frame_rows_});
  root.Call({canvas_, "configure", "-scrollregion",
             root.CallObj({canvas_, "bbox", "all"})});
  // Layout and the first paint while input methods are still off (see the
  // note at the top of this file).
  root.Call({"update", "idletasks"});
  root.Call({"update"});
  // Built behind the first tab (after "CREAR CARPETAS"), the cells are
  // first painted when the user turns to this tab; that showing is done
  // with input methods off too.
  table_first_show_pending_ =
      !cells_.empty() && root.Call({"winfo", "viewable", frame_rows_}) != "1";
}

void HeightsTab::MarkDoubtfulHeights() {
  const MeasurementFile* file = sync_->file();
  if (!file || file->doubtful_heights().empty()) return;
  tk::Interp& root = ui_.tk();
  DefineRedEntryStyle(ui_, kDoubtfulEntryStyle);
  root.Command(kDoubtfulEditedCommand,
               [this](const std::vector<std::string>& args) {
                 size_t idx = 0;
                 if (args.size() == 1 && ParseIndex(args[0], &idx) &&
                     idx < cells_.size() &&
                     ui_.tk().Call({cells_[idx].h, "cget", "-style"}) ==
                         kDoubtfulEntryStyle) {
                   UnmarkEntry(ui_, cells_[idx].h);
                 }
                 return std::string("1");  // the edit itself is allowed
               });
  for (size_t idx : file->doubtful_heights()) {
    if (idx >= cells_.size()) continue;
    MarkEntryUntilEdited(ui_, cells_[idx].h, kDoubtfulEntryStyle,
                         kDoubtfulEditedCommand, idx);
  }
}

void HeightsTab::ShowMessages() {
  // What the measurement file had to say, once the rows are there: in one
  // box, as an error when any part of it is one.
  std::vector<std::pair<std::string, std::string>> messages;
  messages.swap(file_messages_);
  if (messages.empty()) return;
  std::string icon = "warning", text;
  for (const auto& [part_icon, part] : messages) {
    if (part_icon == "error") icon = "error";
    text += (text.empty() ? "" : "\n\n") + part;
  }
  ui_.tk().Call({"tk_messageBox", "-icon", icon, "-title",
                 icon == "error" ? "Error" : "Aviso", "-message", text});
}

void HeightsTab::FillRowsFrame() {
  tk::Interp& root = ui_.tk();
  MakeHeadings();
  if (table_.empty()) return;
  // Option values shared by every row, made once.
  std::vector<std::string> receivers;
  for (const auto& [model, spec] : catalogue_) receivers.push_back(model);
  const tk::Obj receiver_values = ListOf(receivers);
  const tk::Obj tipo_values =
      ListOf({std::string(kTipoChoices[0]), std::string(kTipoChoices[1])});
  const tk::Obj code_font = ListOf({ui_.family(), "9", "bold"});

  // The heights first, in one command: each entry shows its element.
  std::vector<std::string> heights;
  heights.reserve(2 * table_.size());
  for (size_t idx = 0; idx < table_.size(); ++idx) {
    heights.push_back(DecimalText(idx));
    heights.push_back(table_.values(idx).h);
  }
  root.Call({"array", "set", kHeightsArray, ListOf(heights)});
  cells_.reserve(table_.size());
  for (size_t idx = 0; idx < table_.size(); ++idx)
    MakeRow(idx, receiver_values, tipo_values, code_font);
  root.Call({"trace", "add", "variable", kHeightsArray, "write",
             kHeightTraceCommand});
  // Cells are placed now, while the frame is not mapped: ttk draws nothing
  // for a window that is not mapped, and later only the rows in view are
  // exposed.
  root.Call({"update", "idletasks"});
  if (hooks_.rows_made)
    hooks_.rows_made(frame_rows_, CellTags(frame_rows_ + ".rinex", "Canvas"));
  AlignHeadings();
}

void HeightsTab::MakeHeadings() {
  tk::Interp& root = ui_.tk();
  std::vector<tk::Word> destroy = {"destroy"};
  for (const std::string& child :
       root.SplitList(root.Call({"winfo", "children", frame_headers_})))
    destroy.emplace_back(child);
  root.Call(destroy);
  if (table_.empty()) {
    root.Call({"pack", "forget", frame_headers_});
    return;
  }
  for (size_t column = 0; column < kTableHeaders.size(); ++column) {
    const std::string header = frame_headers_ + ".hdr" + DecimalText(column);
    root.Call({"ttk::label", header, "-text", kTableHeaders[column].text,
               "-style", "SubHeader.TLabel", "-width",
               kTableHeaders[column].width, "-anchor", "center", "-justify",
               "center"});
    root.Call({"bindtags", header, CellTags(header, "TLabel")});
    root.Call({"grid", header, "-row", 0, "-column", column, "-padx", 5,
               "-pady", 5, "-sticky", "ew"});
  }
  root.Call({"pack", frame_headers_, "-before", canvas_, "-side", "top",
             "-fill", "x", "-padx", 5, "-pady", ListOf({"5", "0"})});
}

void HeightsTab::MakeRow(size_t idx, const tk::Obj& receivers,
                         const tk::Obj& tipos, const tk::Obj& code_font) {
  tk::Interp& root = ui_.tk();
  const std::string suffix = DecimalText(idx);
  const TableRow& model = table_.at(idx);
  const RowValues& v = model.values;
  RowCells row{model.codigo,
               frame_rows_ + ".rec" + suffix,
               frame_rows_ + ".tipo" + suffix,
               frame_rows_ + ".acc" + suffix,
               frame_rows_ + ".ref" + suffix,
               frame_rows_ + ".h" + suffix};
  const std::string label = frame_rows_ + ".cod" + suffix;
  root.Call({"ttk::label", label, "-text", model.codigo, "-font", code_font,
             "-background", "white"});
  root.Call({"grid", label, "-row", idx, "-column", 0, "-padx", 5, "-pady", 2});
  // The boxes get their choices as the row's values need them, then their
  // texts.
  const RowBoxes boxes = BoxesFor(catalogue_, v);
  root.Call({"ttk::combobox", row.rec, "-values", receivers, "-state",
             "readonly", "-width", 21});
  root.Call({row.rec, "set", v.rec});
  root.Call({"ttk::combobox", row.tipo, "-values", tipos, "-state", "readonly",
             "-width", 14});
  root.Call({"ttk::combobox", row.acc, "-values", ChoiceList(boxes.acc.values),
             "-state", boxes.acc.enabled ? "readonly" : "disabled", "-width",
             17});
  root.Call({"ttk::combobox", row.ref, "-values", ChoiceList(boxes.ref.values),
             "-state", boxes.ref.enabled ? "readonly" : "disabled", "-width",
             10});
  root.Call({"ttk::entry", row.h, "-width", 12, "-justify", "center",
             "-textvariable", std::string(kHeightsArray) + "(" + suffix + ")"});
  if (!v.tipo.empty()) root.Call({row.tipo, "set", v.tipo});
  if (!v.acc.empty()) root.Call({row.acc, "set", v.acc});
  if (!v.ref.empty()) root.Call({row.ref, "set", v.ref});
  root.Call({"bindtags", label, CellTags(label, "TLabel")});
  for (const std::string* box : {&row.rec, &row.tipo, &row.acc, &row.ref})
    root.Call({"bindtags", *box, CellTags(*box, "TCombobox")});
  root.Call({"bindtags", row.h, CellTags(row.h, "TEntry")});
  // The five cells go to columns 1 to 5 in one grid command; "x" keeps
  // column 0, which holds the code label.
  root.Call({"grid", "x", row.rec, row.tipo, row.acc, row.ref, row.h, "-row",
             idx, "-padx", 5});

  BindRowCells(row, label, suffix);
  cells_.push_back(std::move(row));
}

void HeightsTab::BindRowCells(const RowCells& row, const std::string& label,
                              const std::string& suffix) {
  tk::Interp& root = ui_.tk();
  root.Call({"bind", row.tipo, "<<ComboboxSelected>>",
             ListOf({kRowTypeCommand, suffix})});
  root.Call({"bind", row.acc, "<<ComboboxSelected>>",
             ListOf({kRowAccCommand, suffix})});
  root.Call({"bind", row.rec, "<<ComboboxSelected>>",
             ListOf({kRowRecCommand, suffix})});
  root.Call({"bind", row.ref, "<<ComboboxSelected>>",
             ListOf({kRowRefCommand, suffix})});
  root.Call({"bind", row.h, "<FocusOut>", ListOf({kRowSaveCommand, suffix})});
  // Ctrl+D fills the row from the row above, as in spreadsheets.
  const tk::Obj copy = ListOf({kRowCopyCommand, suffix});
  for (const std::string* cell :
       {&row.rec, &row.tipo, &row.acc, &row.ref, &row.h}) {
    root.Call({"bind", *cell, "<Control-Key-d>", copy});
  }
  root.Call({"bind", label, "<Button-3>", ListOf({kRowMenuCommand, suffix})});
}

void HeightsTab::DisableCells() {
  // The texts stay readable (and a height can still be selected and
  // copied); the keyboard's letter choice skips disabled boxes.
  tk::Interp& root = ui_.tk();
  for (const RowCells& row : cells_) {
    for (const std::string* box : {&row.rec, &row.tipo, &row.acc, &row.ref})
      root.Call({*box, "configure", "-state", "disabled"});
    root.Call({row.h, "configure", "-state", "readonly"});
  }
}

void HeightsTab::AlignHeadings() {
  tk::Interp& root = ui_.tk();
  auto column_width = [this, &root](const std::string& frame, size_t column) {
    const std::vector<std::string> box =
        root.SplitList(root.Call({"grid", "bbox", frame, column, 0}));
    return box.size() == 4 ? IntFromReply(box[2], "grid bbox") : 0;
  };
  for (size_t column = 0; column < kTableHeaders.size(); ++column) {
    const int width = std::max(column_width(frame_rows_, column),
                               column_width(frame_headers_, column));
    for (const std::string& frame : {frame_rows_, frame_headers_})
      root.Call({"grid", "columnconfigure", frame, column, "-minsize", width});
  }
  root.Call({"update", "idletasks"});
}

void HeightsTab::ConfigureBox(const std::string& box,
                              const std::vector<std::string>& values,
                              bool enabled) {
  ui_.tk().Call({box, "configure", "-values", ChoiceList(values), "-state",
                 enabled ? "readonly" : "disabled"});
}

void HeightsTab::OnRowTypeChange(size_t idx) {
  tk::Interp& root = ui_.tk();
  const RowCells& row = cells_.at(idx);
  RowValues v = table_.values(idx);
  v.tipo = root.Call({row.tipo, "get"});
  v.acc.clear();
  v.ref.clear();
  root.Call({row.acc, "set", ""});
  root.Call({row.ref, "set", ""});
  const Choices choices = AccessoryChoices(v.tipo);
  ConfigureBox(row.acc, choices.values, choices.enabled);
  table_.Set(idx, v);
}

void HeightsTab::OnRowAccChange(size_t idx) {
  RowValues v = table_.values(idx);
  v.acc = ui_.tk().Call({cells_.at(idx).acc, "get"});
  OfferReferences(idx, std::move(v));
}

void HeightsTab::OnRowRecChange(size_t idx) {
  RowValues v = table_.values(idx);
  v.rec = ui_.tk().Call({cells_.at(idx).rec, "get"});
  OfferReferences(idx, std::move(v));
}

void HeightsTab::OfferReferences(size_t idx, RowValues v) {
  tk::Interp& root = ui_.tk();
  const RowCells& row = cells_.at(idx);
  v.ref.clear();
  root.Call({row.ref, "set", ""});
  const Choices choices = ReferenceChoices(catalogue_, v.rec, v.tipo, v.acc);
  ConfigureBox(row.ref, choices.values, choices.enabled);
  if (choices.preselect) {
    v.ref = *choices.preselect;
    root.Call({row.ref, "set", v.ref});
  }
  table_.Set(idx, v);
}

void HeightsTab::OnHeightChanged(size_t idx) {
  const std::string text = ui_.tk().Call(
      {"set", std::string(kHeightsArray) + "(" + DecimalText(idx) + ")"});
  if (table_.SetField(idx, RowField::kH, text)) SaveRows({idx});
}

void HeightsTab::SetRowValues(size_t idx, const RowValues& wanted) {
  tk::Interp& root = ui_.tk();
  const RowCells& row = cells_.at(idx);
  const std::string& default_receiver = catalogue_.front().first;
  RowValues v = ApplyRowRules(catalogue_, default_receiver, wanted, nullptr);
  const RowBoxes boxes = BoxesFor(catalogue_, v);
  root.Call({row.rec, "set", v.rec});
  root.Call({row.tipo, "set", v.tipo});
  ConfigureBox(row.acc, boxes.acc.values, boxes.acc.enabled);
  root.Call({row.acc, "set", v.acc});
  ConfigureBox(row.ref, boxes.ref.values, boxes.ref.enabled);
  root.Call({row.ref, "set", v.ref});
  v.h = table_.values(idx).h;
  table_.Set(idx, v);
}

const tk::Obj& HeightsTab::ChoiceList(const std::vector<std::string>& values) {
  std::string key;
  for (const std::string& value : values) key += value + '\n';
  auto it = choice_lists_.find(key);
  if (it == choice_lists_.end())
    it = choice_lists_.emplace(key, ListOf(values)).first;
  return it->second;
}

std::vector<std::optional<RowValues>> HeightsTab::RestoreRows(
    const std::string& folder, const std::vector<std::string>& codes) {
  file_messages_.clear();
  return sync_->Open(folder, codes, read_only_, &file_messages_);
}

void HeightsTab::SaveRows(const std::vector<size_t>& rows) {
  // Every change of a row passes here: the rooms beside the rows follow it.
  if (hooks_.rows_changed) hooks_.rows_changed(rows);
  sync_->SaveRows(rows);
}

void HeightsTab::ShowTakenRows(const std::vector<size_t>& taken,
                               const std::vector<RowValues>& rows) {
  // The rows that take the other program's values are shown through the
  // model, height first, so that the cell's trace sees no edit; the columns
  // beside the rows follow.
  for (size_t idx : taken) {
    const RowValues& values = rows[idx];
    table_.SetField(idx, RowField::kH, values.h);
    SetRowValues(idx, values);
    ui_.tk().Call({"set",
                   std::string(kHeightsArray) + "(" + DecimalText(idx) + ")",
                   values.h});
  }
  if (!taken.empty() && hooks_.rows_changed) hooks_.rows_changed(taken);
}

void HeightsTab::WaitForSaves() { sync_->WaitForSaves(); }

Status HeightsTab::FinishSaves() { return sync_->FinishSaves(); }

void HeightsTab::CopyRowAbove(size_t idx) {
  if (idx == 0 || idx >= cells_.size() || read_only_) return;
  SetRowValues(idx, table_.values(idx - 1));
  SaveRows({idx});
}

void HeightsTab::CopyEquipmentToEmptyRows(size_t idx) {
  if (idx >= cells_.size() || read_only_) return;
  const RowValues source = table_.values(idx);
  std::vector<size_t> filled;
  for (size_t i = 0; i < cells_.size(); ++i) {
    if (i == idx || !MeasurementTable::IsEmptyRow(table_.values(i))) continue;
    SetRowValues(i, source);
    filled.push_back(i);
  }
  SaveRows(filled);
}

}  // namespace zarvek
