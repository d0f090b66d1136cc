// The first tab: project folder structure. The glue reads the two inputs and
// the preview entries, hands their texts to the pure units (folders/codes.h,
// folders/tree_create.h) and shows the outcome in message boxes. Every Tcl
// command is a list of words: typed codes and chosen paths are data.
#include <charconv>
#include <exception>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

#include "app/zarvek_core.h"
#include "folders/chosen_folder.h"
#include "folders/codes.h"
#include "folders/tree_create.h"
#include "text/ascii_text.h"

namespace zarvek {
namespace {

// The bind tag of the preview's canvas, frame, labels and entries.
constexpr const char* kPreviewTag = "ZarvekVistaPrevia";

void ErrorBox(tk::Interp& interp, const std::string& message) {
  interp.Call({"tk_messageBox", "-icon", "error", "-title", "Error", "-message",
               message});
}

}  // namespace

void ZarvekCertificacionApp::_setup_tab_carpetas() {
  const std::string card = tab_carpetas + ".card";
  const std::string input_frame = card + ".input_frame";
  const std::string f1 = input_frame + ".f1";
  const std::string f2 = input_frame + ".f2";
  const std::string bottom_frame = tab_carpetas + ".bottom_frame";
  const std::string list_container = tab_carpetas + ".list_container";

  root.Call({"ttk::frame", card, "-style", "Card.TFrame", "-padding", 15});
  root.Call(
      {"pack", card, "-side", "top", "-fill", "x", "-padx", 10, "-pady", 10});
  root.Call({"ttk::label", card + ".title", "-text", "CONFIGURACIÓN DE PUNTOS",
             "-style", "Header.TLabel"});
  root.Call({"pack", card + ".title", "-anchor", "w", "-pady",
             tk::Obj::List({"0", "10"})});

  root.Call({"ttk::frame", input_frame, "-style", "Card.TFrame"});
  root.Call({"pack", input_frame, "-fill", "x"});
  struct InputRow {
    const std::string& frame;
    const char* label;
    const std::string& variable;
  };
  for (const InputRow& row :
       {InputRow{f1, "CANTIDAD DE PUNTOS:", num_puntos_var},
        InputRow{f2, "PRIMER CÓDIGO (NUMÉRICO):", primer_codigo_var}}) {
    root.Call({"ttk::frame", row.frame, "-style", "Card.TFrame"});
    root.Call({"pack", row.frame, "-fill", "x", "-pady", 5});
    root.Call({"ttk::label", row.frame + ".label", "-text", row.label, "-width",
               25, "-style", "SubHeader.TLabel"});
    root.Call({"pack", row.frame + ".label", "-side", "left"});
    root.Call({"ttk::entry", row.frame + ".entry", "-textvariable",
               row.variable, "-width", 10});
    root.Call({"pack", row.frame + ".entry", "-side", "left"});
  }

  root.Call({"ttk::button", card + ".preview", "-text", "PREVISUALIZAR CÓDIGOS",
             "-command",
             Bind("generar_lista_codigos_consecutivos",
                  [this] { generar_lista_codigos_consecutivos(); }),
             "-takefocus", 0});
  root.Call({"pack", card + ".preview", "-pady", 10, "-anchor", "e"});

  root.Call({"ttk::frame", bottom_frame, "-style", "TFrame"});
  root.Call({"pack", bottom_frame, "-side", "bottom", "-fill", "x", "-padx", 10,
             "-pady", 10});
  const std::string create_command = Bind(
      "crear_estructura_carpetas", [this] { crear_estructura_carpetas(); });
  // X's default hover colours are light grey with black text; the palette's
  // accent keeps the button's look under the pointer.
  // clang-format off
  root.Call({"button", bottom_frame + ".create", "-text", "CREAR CARPETAS",
             "-bg", color("primary"), "-fg", "white",
             "-activebackground", color("accent"), "-activeforeground", "white",
             "-font", tk::Obj::List({ui_family(), "11", "bold"}),
             "-relief", "flat", "-width", 45, "-height", 2, "-takefocus", 0,
             "-command", create_command});
  // clang-format on
  root.Call({"pack", bottom_frame + ".create", "-fill", "x"});

  root.Call({"ttk::frame", list_container, "-style", "Card.TFrame"});
  root.Call({"pack", list_container, "-side", "top", "-fill", "both", "-expand",
             1, "-padx", 10, "-pady", tk::Obj::List({"0", "5"})});

  canvas_codigos = list_container + ".canvas_codigos";
  scrollbar = list_container + ".scrollbar";
  scrollable_frame = canvas_codigos + ".scrollable_frame";
  root.Call(
      {"canvas", canvas_codigos, "-bg", "white", "-highlightthickness", 0});
  root.Call({"ttk::scrollbar", scrollbar, "-orient", "vertical", "-command",
             tk::Obj::List({canvas_codigos, "yview"})});
  root.Call({"ttk::frame", scrollable_frame, "-style", "Card.TFrame"});
  // The binding script is a command name only, so Tk's %-substitution has
  // nothing to act on.
  root.Call({"bind", scrollable_frame, "<Configure>",
             Bind("actualizar_scroll_codigos", [this] {
               root.Call({canvas_codigos, "configure", "-scrollregion",
                          root.CallObj({canvas_codigos, "bbox", "all"})});
             })});
  root.Call({canvas_codigos, "create", "window", 0, 0, "-window",
             scrollable_frame, "-anchor", "nw"});
  root.Call({canvas_codigos, "configure", "-yscrollcommand",
             tk::Obj::List({scrollbar, "set"})});
  root.Call({"pack", canvas_codigos, "-side", "left", "-fill", "both",
             "-expand", 1, "-padx", 5, "-pady", 5});
  root.Call({"pack", scrollbar, "-side", "right", "-fill", "y", "-pady", 5});
  WireScrollArea(canvas_codigos, scrollable_frame, kPreviewTag);
  AddBindTag(list_container, kPreviewTag);
}

void ZarvekCertificacionApp::generar_lista_codigos_consecutivos() {
  // One destroy command for all children: Tk destroys them one by one in the
  // order given, which is the order winfo lists them.
  std::vector<tk::Word> destroy = {"destroy"};
  for (const std::string& child :
       root.SplitList(root.Call({"winfo", "children", scrollable_frame}))) {
    destroy.emplace_back(child);
  }
  root.Call(destroy);
  // A frame whose last grid slave is gone keeps its old requested size, and
  // the scroll region would still offer the height of the rows just removed:
  // a 1x1 request shrinks it (the next rows' grid request overrides it). The
  // view goes back to the top, where the frame sits: the canvas neither
  // resizes nor reports a window item that is scrolled out of sight, so the
  // scroll region would otherwise not follow. A new preview starts at row 1.
  root.Call({scrollable_frame, "configure", "-width", 1, "-height", 1});
  root.Call({canvas_codigos, "yview", "moveto", 0});
  codigos_entries.clear();

  try {
    const std::optional<std::vector<std::string>> codes =
        PreviewCodes(root.Call({"set", num_puntos_var}),
                     root.Call({"set", primer_codigo_var}));
    if (!codes) throw std::invalid_argument("Datos inválidos");
    tk::InputMethodsOff quiet(root);
    codigos_entries.reserve(codes->size());
    for (size_t i = 0; i < codes->size(); ++i) {
      const std::string number = DecimalText(i + 1);
      const std::string label = scrollable_frame + ".n" + number;
      const std::string ent = scrollable_frame + ".c" + number;
      root.Call({"ttk::label", label, "-text", number, "-background", "white"});
      root.Call({"bindtags", label,
                 tk::Obj::List({label, kPreviewTag, "TLabel", ".", "all"})});
      root.Call({"grid", label, "-row", i, "-column", 0, "-padx", 5});
      root.Call({"ttk::entry", ent, "-justify", "center"});
      root.Call({"bindtags", ent,
                 tk::Obj::List({ent, kPreviewTag, "TEntry", ".", "all"})});
      root.Call({ent, "insert", 0, (*codes)[i]});
      root.Call({"grid", ent, "-row", i, "-column", 1, "-padx", 5, "-pady", 2});
      codigos_entries.push_back(ent);
    }
    // Layout and the first paint while input methods are still off.
    root.Call({"update", "idletasks"});
    root.Call({"update"});
  } catch (const std::exception&) {
    // Bad input and any failure while the rows are built: the rows made so
    // far stay, as does codigos_entries.
    ErrorBox(root, "Datos inválidos");
  }
}

void ZarvekCertificacionApp::crear_estructura_carpetas() {
  std::vector<std::string> texts;
  texts.reserve(codigos_entries.size());
  for (const std::string& ent : codigos_entries) {
    texts.push_back(root.Call({ent, "get"}));
  }
  // An entry that is not a code, or repeats one, stops everything before
  // the folder is asked for: folders made for a list that lost or doubled a
  // point would not be the project the surveyor sees.
  const EntryCodes read = ReadEntryCodes(texts);
  if (!read.problems.empty()) {
    ErrorBox(root, DescribeEntryProblems(read.problems));
    return;
  }
  const std::vector<std::string>& codigos = read.codes;
  if (codigos.empty()) return;

  const std::string directorio = root.Call({"tk_chooseDirectory"});
  if (directorio.empty()) return;
  // A folder typed into the chooser may be new; a chosen one that does not
  // exist under the name the chooser gives must not get a tree beside it.
  const ChosenFolder chosen = ClassifyChosenFolder(
      *services().fs, directorio,
      [](const std::string& name) { return tk::Obj::Text(name).str(); });
  if (chosen == ChosenFolder::kMissing) {
    ErrorBox(root, ChosenFolderMissingText(directorio));
    return;
  }

  try {
    const Status status =
        CreateProjectTree(*services().fs, directorio, codigos);
    if (!status.ok()) {
      ErrorBox(root, status.message());
      return;
    }
    root.Call({"tk_messageBox", "-icon", "info", "-title", "ÉXITO", "-message",
               "CARPETAS CREADAS CORRECTAMENTE."});
    // The new root becomes the project of the heights tab once its table is
    // built there; the label, ruta_base and the table change together.
    if (lbl_dir_seleccionado) {
      CargarProyecto(directorio);
    } else {
      ruta_base = directorio;
    }
  } catch (const std::exception& e) {
    ErrorBox(root, e.what());
  }
}

}  // namespace zarvek
