// The first tab: see folders/folder_tab_tk.h. Every Tcl command is a list of
// words: typed codes and chosen paths are data.
#include "folders/folder_tab_tk.h"

#include <exception>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "folders/codes.h"
#include "folders/tree_create.h"
#include "project/chosen_folder.h"
#include "project/layout.h"
#include "text/ascii_text.h"
#include "ui/scroll_area_tk.h"

namespace zarvek {
namespace {

// The bind tag of the preview's canvas, frame, labels and entries.
constexpr const char* kPreviewTag = "ZarvekVistaPrevia";

}  // namespace

FolderTab::FolderTab(Ui& ui, FileSystem& fs, OpenProject& project,
                     std::string tab,
                     std::function<void(const std::string&)> open_project,
                     std::function<std::string()> chooser_dir)
    : ui_(ui),
      fs_(fs),
      project_(project),
      tab_(std::move(tab)),
      open_project_(std::move(open_project)),
      chooser_dir_(std::move(chooser_dir)) {
  tk::Interp& root = ui_.tk();
  root.Call({"set", kNumPuntosVar, ""});
  root.Call({"set", kPrimerCodigoVar, ""});
  const std::string card = tab_ + ".card";
  const std::string bottom_frame = tab_ + ".bottom_frame";
  const std::string list_container = tab_ + ".list_container";

  root.Call({"ttk::frame", card, "-style", "Card.TFrame", "-padding", 15});
  root.Call(
      {"pack", card, "-side", "top", "-fill", "x", "-padx", 10, "-pady", 10});
  root.Call({"ttk::label", card + ".title", "-text", "CONFIGURACIÓN DE PUNTOS",
             "-style", "Header.TLabel"});
  root.Call({"pack", card + ".title", "-anchor", "w", "-pady",
             tk::Obj::List({"0", "10"})});

  BuildInputs(card);

  const std::string preview_command =
      ui_.Bind("generar_lista_codigos_consecutivos",
               [this] { generar_lista_codigos_consecutivos(); });
  root.Call({"ttk::button", card + ".preview", "-text", "PREVISUALIZAR CÓDIGOS",
             "-command", preview_command, "-takefocus", 1});
  // Enter in either entry previews, as the button does.
  for (const char* row : {".input_frame.f1.entry", ".input_frame.f2.entry"}) {
    for (const char* key : {"<Return>", "<KP_Enter>"})
      root.Call({"bind", card + row, key, preview_command});
  }
  root.Call({"pack", card + ".preview", "-pady", 10, "-anchor", "e"});

  BuildCreateButton(bottom_frame);
  BuildPreview(list_container);
}

void FolderTab::BuildCreateButton(const std::string& bottom_frame) {
  tk::Interp& root = ui_.tk();
  root.Call({"ttk::frame", bottom_frame, "-style", "TFrame"});
  root.Call({"pack", bottom_frame, "-side", "bottom", "-fill", "x", "-padx", 10,
             "-pady", 10});
  // The tree is made for the project that is open once a change of project
  // in progress has ended.
  const std::string create_command =
      ui_.Bind("crear_estructura_carpetas", [this] {
        project_.WhenSettled([this] { crear_estructura_carpetas(); });
      });
  MakePrimaryButton(
      ui_, bottom_frame + ".create", "CREAR CARPETAS",
      {"-width", 45, "-takefocus", 1, "-command", create_command});
  root.Call({"pack", bottom_frame + ".create", "-fill", "x"});
}

void FolderTab::BuildInputs(const std::string& card) {
  tk::Interp& root = ui_.tk();
  const std::string input_frame = card + ".input_frame";
  root.Call({"ttk::frame", input_frame, "-style", "Card.TFrame"});
  root.Call({"pack", input_frame, "-fill", "x"});
  struct InputRow {
    std::string frame;
    const char* label;
    const char* variable;
  };
  for (const InputRow& row :
       {InputRow{input_frame + ".f1", "CANTIDAD DE PUNTOS:", kNumPuntosVar},
        InputRow{input_frame + ".f2",
                 "PRIMER CÓDIGO (NUMÉRICO):", kPrimerCodigoVar}}) {
    root.Call({"ttk::frame", row.frame, "-style", "Card.TFrame"});
    root.Call({"pack", row.frame, "-fill", "x", "-pady", 5});
    root.Call({"ttk::label", row.frame + ".label", "-text", row.label, "-width",
               25, "-style", "SubHeader.TLabel"});
    root.Call({"pack", row.frame + ".label", "-side", "left"});
    root.Call({"ttk::entry", row.frame + ".entry", "-textvariable",
               row.variable, "-width", 10});
    root.Call({"pack", row.frame + ".entry", "-side", "left"});
  }
}

void FolderTab::BuildPreview(const std::string& list_container) {
  tk::Interp& root = ui_.tk();
  root.Call({"ttk::frame", list_container, "-style", "Card.TFrame"});
  root.Call({"pack", list_container, "-side", "top", "-fill", "both", "-expand",
             1, "-padx", 10, "-pady", tk::Obj::List({"0", "5"})});

  preview_canvas_ = list_container + ".canvas_codigos";
  preview_scrollbar_ = list_container + ".scrollbar";
  preview_frame_ = preview_canvas_ + ".scrollable_frame";
  root.Call(
      {"canvas", preview_canvas_, "-bg", "white", "-highlightthickness", 0});
  root.Call({"ttk::scrollbar", preview_scrollbar_, "-orient", "vertical",
             "-command", tk::Obj::List({preview_canvas_, "yview"})});
  root.Call({"ttk::frame", preview_frame_, "-style", "Card.TFrame"});
  // The binding script is a command name only, so Tk's %-substitution has
  // nothing to act on.
  root.Call({"bind", preview_frame_, "<Configure>",
             ui_.Bind("actualizar_scroll_codigos", [this] {
               tk::Interp& root = ui_.tk();
               root.Call({preview_canvas_, "configure", "-scrollregion",
                          root.CallObj({preview_canvas_, "bbox", "all"})});
             })});
  root.Call({preview_canvas_, "create", "window", 0, 0, "-window",
             preview_frame_, "-anchor", "nw"});
  root.Call({preview_canvas_, "configure", "-yscrollcommand",
             tk::Obj::List({preview_scrollbar_, "set"})});
  root.Call({"pack", preview_canvas_, "-side", "left", "-fill", "both",
             "-expand", 1, "-padx", 5, "-pady", 5});
  root.Call(
      {"pack", preview_scrollbar_, "-side", "right", "-fill", "y", "-pady", 5});
  WireScrollArea(ui_, preview_canvas_, preview_frame_, kPreviewTag);
  AddBindTag(root, list_container, kPreviewTag);
}

void FolderTab::generar_lista_codigos_consecutivos() {
  tk::Interp& root = ui_.tk();
  // One destroy command for all children: Tk destroys them one by one in the
  // order given, which is the order winfo lists them.
  std::vector<tk::Word> destroy = {"destroy"};
  for (const std::string& child :
       root.SplitList(root.Call({"winfo", "children", preview_frame_}))) {
    destroy.emplace_back(child);
  }
  root.Call(destroy);
  // A frame whose last grid slave is gone keeps its old requested size, and
  // the scroll region would still offer the height of the rows just removed:
  // a 1x1 request shrinks it (the next rows' grid request overrides it). The
  // view goes back to the top, where the frame sits: the canvas neither
  // resizes nor reports a window item that is scrolled out of sight, so the
  // scroll region would otherwise not follow. A new preview starts at row 1.
  root.Call({preview_frame_, "configure", "-width", 1, "-height", 1});
  root.Call({preview_canvas_, "yview", "moveto", 0});
  preview_entries_.clear();

  const std::string count_text = root.Call({"set", kNumPuntosVar});
  const std::string first_text = root.Call({"set", kPrimerCodigoVar});
  std::vector<PreviewProblem> problems;
  const std::optional<std::vector<std::string>> codes =
      PreviewCodes(count_text, first_text, &problems);
  if (!codes) {
    ui_.ErrorBox(DescribePreviewProblems(problems, count_text, first_text));
    return;
  }
  try {
    tk::InputMethodsOff quiet(root);
    preview_entries_.reserve(codes->size());
    for (size_t i = 0; i < codes->size(); ++i) {
      const std::string number = DecimalText(i + 1);
      const std::string label = preview_frame_ + ".n" + number;
      const std::string ent = preview_frame_ + ".c" + number;
      root.Call({"ttk::label", label, "-text", number, "-background", "white"});
      root.Call({"bindtags", label,
                 tk::Obj::List({label, kPreviewTag, "TLabel", ".", "all"})});
      root.Call({"grid", label, "-row", i, "-column", 0, "-padx", 5});
      root.Call({"ttk::entry", ent, "-justify", "center"});
      root.Call({"bindtags", ent,
                 tk::Obj::List({ent, kPreviewTag, "TEntry", ".", "all"})});
      root.Call({ent, "insert", 0, (*codes)[i]});
      root.Call({"grid", ent, "-row", i, "-column", 1, "-padx", 5, "-pady", 2});
      preview_entries_.push_back(ent);
    }
    // Layout and the first paint while input methods are still off.
    root.Call({"update", "idletasks"});
    root.Call({"update"});
  } catch (const std::exception& e) {
    // Tk refused a widget: the rows made so far stay, and the box says why.
    ui_.ErrorBox(e.what());
  }
}

std::vector<std::string> FolderTab::PreviewTexts() const {
  std::vector<std::string> texts;
  texts.reserve(preview_entries_.size());
  for (const std::string& ent : preview_entries_)
    texts.push_back(ui_.tk().Call({ent, "get"}));
  return texts;
}

void FolderTab::crear_estructura_carpetas() {
  tk::Interp& root = ui_.tk();
  const std::vector<std::string> texts = PreviewTexts();
  // An entry that is not a code, or repeats one, stops everything before
  // the folder is asked for: folders made for a list that lost or doubled a
  // point would not be the project the surveyor sees.
  const EntryCodes read = ReadEntryCodes(texts);
  if (!read.problems.empty()) {
    ui_.ErrorBox(DescribeEntryProblems(read.problems));
    return;
  }
  const std::vector<std::string>& codigos = read.codes;
  if (codigos.empty()) return;

  std::vector<tk::Word> chooser = {"tk_chooseDirectory"};
  const std::string start = chooser_dir_ ? chooser_dir_() : "";
  if (!start.empty()) chooser.insert(chooser.end(), {"-initialdir", start});
  const std::string directorio = root.Call(chooser);
  if (directorio.empty()) return;
  // A folder typed into the chooser may be new; a chosen one that does not
  // exist under the name the chooser gives must not get a tree beside it.
  const ChosenFolder chosen = ClassifyChosenFolder(
      fs_, directorio,
      [](const std::string& name) { return tk::Obj::Text(name).str(); });
  if (!IsUsable(chosen)) {
    ui_.ErrorBox(ChosenFolderRefusedText(fs_, directorio, chosen));
    return;
  }

  // A folder of a project (its "2. DATOS GNSS", a point's folder) stands
  // for that project: the points are added to it, not to a tree inside it.
  const ProjectLayout layout = ProjectLayout::ForChosenFolder(fs_, directorio);
  const std::string raiz = layout.IsProject() ? layout.root() : directorio;
  try {
    TreeAdditions additions;
    const Status status = CreateProjectTree(fs_, raiz, codigos, &additions);
    if (!status.ok()) {
      ui_.ErrorBox(status.message());
      return;
    }
    root.Call({"tk_messageBox", "-icon", "info", "-title",
               additions.added.empty() ? "INFORMACIÓN" : "ÉXITO", "-message",
               DescribeTreeAdditions(additions)});
    // The root becomes the project of the heights tab once its table is
    // built there; the label, the project and the table change together.
    open_project_(raiz);
  } catch (const std::exception& e) {
    ui_.ErrorBox(e.what());
  }
}

}  // namespace zarvek
