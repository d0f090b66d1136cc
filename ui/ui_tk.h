// What every room of the main window shares: the interpreter, the palette,
// the interface font, the console, and the one way a C++ function becomes a
// Tcl command. The composition root makes one Ui once the theme is set and
// hands it to each room; a room never reaches another room through it.
#ifndef ZARVEK_UI_UI_TK_H_
#define ZARVEK_UI_UI_TK_H_

#include <cstdio>
#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "ui/tk_interp.h"

namespace zarvek {

/// The window's palette: named colours ("#RRGGBB"), in a fixed order.
using Palette = std::vector<std::pair<std::string, std::string>>;

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
  /// The colour of palette key `key`; black for a key the palette lacks.
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

/// A whole number in a Tk reply; throws tk::Error saying what `what` was
/// when `reply` is not one.
int IntFromReply(const std::string& reply, const std::string& what);

}  // namespace zarvek

#endif  // ZARVEK_UI_UI_TK_H_
