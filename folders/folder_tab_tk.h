// The first tab, ESTRUCTURA Y CARPETAS: the number of points and the first
// code, the editable preview of consecutive codes, and CREAR CARPETAS, which
// makes the project's folder tree in a folder the surveyor picks and hands
// that folder on as the project to open. The tab reads the typed texts once
// and gives them to the pure units (folders/codes.h, folders/tree_create.h);
// typed codes and chosen paths are data, never Tcl.
#ifndef ZARVEK_FOLDERS_FOLDER_TAB_TK_H_
#define ZARVEK_FOLDERS_FOLDER_TAB_TK_H_

#include <functional>
#include <string>
#include <vector>

#include "platform/fs.h"
#include "project/open_project.h"
#include "ui/ui_tk.h"

namespace zarvek {

class FolderTab {
 public:
  /// Builds the tab's widgets in the (existing) frame `tab`. After a tree is
  /// made, `open_project` is called with its root folder. The folder chooser
  /// starts in the folder `chooser_dir` gives ("", or none, lets Tk choose).
  FolderTab(Ui& ui, FileSystem& fs, OpenProject& project, std::string tab,
            std::function<void(const std::string&)> open_project,
            std::function<std::string()> chooser_dir = {});
  FolderTab(const FolderTab&) = delete;
  FolderTab& operator=(const FolderTab&) = delete;

  /// PREVISUALIZAR CÓDIGOS: one editable entry per consecutive code.
  void generar_lista_codigos_consecutivos();
  /// CREAR CARPETAS: checks the entries, asks for the root folder, makes
  /// the tree and opens it as the project.
  void crear_estructura_carpetas();

  /// The texts of the preview entries, in order, as the surveyor left them.
  std::vector<std::string> PreviewTexts() const;

  // Widget paths, for the window tests.
  const std::string& preview_canvas() const { return preview_canvas_; }
  const std::string& preview_frame() const { return preview_frame_; }
  const std::string& preview_scrollbar() const { return preview_scrollbar_; }
  const std::vector<std::string>& preview_entries() const {
    return preview_entries_;
  }
  /// The Tcl variables of the two inputs.
  static constexpr const char* kNumPuntosVar = "::zarvek::num_puntos_var";
  static constexpr const char* kPrimerCodigoVar = "::zarvek::primer_codigo_var";

 private:
  void BuildInputs(const std::string& card);
  void BuildPreview(const std::string& list_container);
  /// "CREAR CARPETAS" in the new frame `bottom_frame`.
  void BuildCreateButton(const std::string& bottom_frame);

  Ui& ui_;
  FileSystem& fs_;
  OpenProject& project_;
  std::string tab_;
  std::function<void(const std::string&)> open_project_;
  std::function<std::string()> chooser_dir_;
  std::string preview_canvas_, preview_scrollbar_, preview_frame_;
  std::vector<std::string> preview_entries_;
};

}  // namespace zarvek

#endif  // ZARVEK_FOLDERS_FOLDER_TAB_TK_H_
