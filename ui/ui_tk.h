// What every room of the main window shares: the interpreter, the palette,
// the interface font, the console, and the one way a C++ function becomes a
// Tcl command. The composition root makes one Ui once the theme is set and
// hands it to each room; a room never reaches another room through it.
#ifndef ZARVEK_UI_UI_TK_H_
#define ZARVEK_UI_UI_TK_H_

#include <cstddef>
#include <cstdio>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "ui/tk_interp.h"

namespace zarvek {

/// The window's palette: named colours ("#RRGGBB"), in a fixed order.
using Palette = std::vector<std::pair<std::string, std::string>>;

/// The main window's palette: "bg_main", "bg_panel", "primary", "accent",
/// "text", "success", "error" (a fault, a missing item), "tab_selected",
/// "tab_bg".
Palette WindowPalette();

class Ui {
 public:
  Ui(tk::Interp& interp, Palette colors, std::string family, std::FILE* console)
      : tk_(interp),
        colors_(std::move(colors)),
        family_(std::move(family)),
        console_(console) {}
  Ui(const Ui&) = delete;
  Ui& operator=(const Ui&) = delete;

  tk::Interp& tk() const { return tk_; }
  /// The colour of palette key `key`. Throws tk::Error naming a key the
  /// palette lacks: a misspelt key is a fault to find, not a black widget.
  const std::string& color(const std::string& key) const;
  /// The interface font family ("Segoe UI" or its stand-in).
  const std::string& family() const { return family_; }

  /// Registers `fn` as the Tcl command ::zarvek::`name` and returns that
  /// full name, for -command options and bindings.
  std::string Bind(const std::string& name, std::function<void()> fn);
  /// Runs a Tk command whose reply is a whole number (a size, a position).
  /// Throws tk::Error naming the command when the reply is not one, rather
  /// than lay widgets out at 0.
  int Int(std::initializer_list<tk::Word> words);
  /// A modal error box titled "Error".
  void ErrorBox(const std::string& message);
  /// One line on the console (stdout, or what the tests capture).
  void Print(const std::string& line);

 private:
  tk::Interp& tk_;
  Palette colors_;
  std::string family_;
  std::FILE* console_;
};

/// A whole number in a Tk reply: an optional "-" and ASCII digits, within
/// an int, read without the locale. Throws tk::Error saying what `what` was
/// and what came back when `reply` is anything else ("", "+3", " 3",
/// "1.5", "0x10"), so that an unreadable reply is never taken for 0.
int IntFromReply(const std::string& reply, const std::string& what);

/// The row index a Tcl script passed to a room's command: ASCII digits
/// only, within size_t. nullopt for anything else ("", "-1", "+1", "1x",
/// " 1"), which no row of ours sends.
std::optional<std::size_t> RowIndexArg(std::string_view text);

/// The row under the pointer at height `y` (Tk's %y, in pixels from the
/// top of a column whose rows are `pitch` pixels high); nullopt when `y`
/// is not a whole number or lies above the first row.
std::optional<std::size_t> RowAtHeight(std::string_view y, int pitch);

/// Makes the window's main action button `path` (white bold text on the
/// primary colour, flat) labelled `text`, with the further options `more`
/// (its size, -takefocus, -command). Under the pointer it turns to the
/// accent colour, with the text still white: X's default light grey would
/// wash the white text out.
void MakePrimaryButton(Ui& ui, const std::string& path, const std::string& text,
                       std::vector<tk::Word> more);

/// Defines the ttk entry style `style`: red text on a pale red field with a
/// red border, for a height the user must look at again.
void DefineRedEntryStyle(Ui& ui, const std::string& style);
/// Gives entry `path` the style `style` until its text changes: key
/// validation runs on every insertion and deletion, typed, pasted or made
/// by a binding, and calls Tcl command `edited` with `row` (which allows
/// the edit and should call UnmarkEntry).
void MarkEntryUntilEdited(Ui& ui, const std::string& path,
                          const std::string& style, const std::string& edited,
                          std::size_t row);
/// Takes the style and the validation of MarkEntryUntilEdited off `path`.
void UnmarkEntry(Ui& ui, const std::string& path);

}  // namespace zarvek

#endif  // ZARVEK_UI_UI_TK_H_
