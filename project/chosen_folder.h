// What stands at a folder path returned by the directory chooser, before
// either tab uses it. The chooser lists folders through Tcl, which reads a
// name that is not valid UTF-8 (a Latin-1 "A\xf1o" from an old zip archive)
// as Latin-1 and returns it as "Año": a different name, which does not exist.
// Used as it is, that path would get a whole new project tree beside the real
// folder, or detect no points and show another project's codes. The real
// name cannot be rebuilt from the chooser's text: a genuine "Año" reads the
// same. So such a choice is recognised and refused.
#ifndef ZARVEK_PROJECT_CHOSEN_FOLDER_H_
#define ZARVEK_PROJECT_CHOSEN_FOLDER_H_

#include <functional>
#include <string>

#include "platform/fs.h"

namespace zarvek {

enum class ChosenFolder {
  kDirectory,   ///< an existing directory
  kNew,         ///< nothing there yet, in an existing directory: a new folder
  kMissing,     ///< nothing there, and no listable parent to make it in
  kNotAFolder,  ///< a file or something else that is not a directory
  kParentMissing,   ///< the folder that would hold it does not exist
  kShownOtherwise,  ///< its parent lists a name the chooser shows this way
};

/// Whether a folder classified as `kind` can be used (made when kNew).
inline bool IsUsable(ChosenFolder kind) {
  return kind == ChosenFolder::kDirectory || kind == ChosenFolder::kNew;
}

/// Turns an entry name as the disk holds it into the text the directory
/// chooser shows for it.
using ShownName = std::function<std::string(const std::string&)>;

/// Classifies `path` (as the chooser returned it, "/" between names).
/// kNew when nothing exists at `path`, its parent is a directory and no entry
/// of that parent is shown under the last name of `path` (a name typed into
/// the chooser for a folder to be made); otherwise the reason it cannot be
/// used: a file, a missing parent, or a name that only the chooser shows
/// that way; kMissing when the parent cannot be listed.
ChosenFolder ClassifyChosenFolder(FileSystem& fs, const std::string& path,
                                  const ShownName& shown);

/// The text of the box that refuses `path`, classified as `kind` (not
/// usable, or kNew where only an existing folder will do), with the reason:
/// for kParentMissing it names the outermost folder of the path that does
/// not exist; only kShownOtherwise suggests renaming a name with accents.
std::string ChosenFolderRefusedText(FileSystem& fs, const std::string& path,
                                    ChosenFolder kind);

}  // namespace zarvek

#endif  // ZARVEK_PROJECT_CHOSEN_FOLDER_H_
