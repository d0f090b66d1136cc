// A thin C++ layer over the Tcl C API: the only code in the program that
// includes tcl.h or tk.h (and so X11's macros). Every command is built as a
// list of words and run with Tcl_EvalObjv, so folder paths, point codes and
// heights typed by the user are passed as data and never parsed as Tcl.
// Tcl_Obj references are held by the RAII type tk::Obj. C++ callbacks become
// Tcl commands through one trap that turns any exception into a Tcl error,
// so nothing unwinds through Tcl's C stack frames.
#ifndef ZARVEK_UI_TK_INTERP_H_
#define ZARVEK_UI_TK_INTERP_H_

#include <functional>
#include <initializer_list>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "image/png_decode.h"
#include "platform/status.h"
#include "platform/work_area.h"

struct Tcl_Interp;
struct Tcl_Obj;

namespace zarvek::tk {

/// A counted reference to a Tcl_Obj.
class Obj {
 public:
  Obj() = default;
  /// Takes a new reference to `obj` (which may have a reference count of 0).
  explicit Obj(Tcl_Obj* obj);
  Obj(const Obj& other);
  Obj(Obj&& other) noexcept;
  Obj& operator=(Obj other) noexcept;
  ~Obj();

  static Obj Text(std::string_view utf8);
  static Obj Int(long long value);
  static Obj List(const std::vector<std::string>& items);

  Tcl_Obj* get() const { return obj_; }
  /// The value as standard UTF-8 (Tcl keeps characters beyond the BMP in a
  /// modified form; this converts them back).
  std::string str() const;

 private:
  Tcl_Obj* obj_ = nullptr;
};

/// One word of a command: text, a whole number or an existing object.
class Word {
 public:
  Word(const char* text) : obj_(Obj::Text(text)) {}
  Word(std::string_view text) : obj_(Obj::Text(text)) {}
  Word(const std::string& text) : obj_(Obj::Text(text)) {}
  Word(int value) : obj_(Obj::Int(value)) {}
  Word(long value) : obj_(Obj::Int(value)) {}
  Word(long long value) : obj_(Obj::Int(value)) {}
  Word(size_t value) : obj_(Obj::Int(static_cast<long long>(value))) {}
  Word(Obj obj) : obj_(std::move(obj)) {}
  const Obj& obj() const { return obj_; }

 private:
  Obj obj_;
};

/// A Tcl command failed; what() is Tcl's error message.
class Error : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

class Interp {
 public:
  /// Creates an interpreter with Tk loaded: system encoding UTF-8 (so that
  /// file names with Á, Í, Ó survive any locale), the message catalogue in
  /// Spanish (the stock dialogs speak Spanish), a background-error handler
  /// that prints to stderr instead of opening Tk's dialog. Returns nullptr
  /// and sets `error` when Tcl or Tk cannot start (no display, say).
  static std::unique_ptr<Interp> Create(const char* argv0, std::string* error);
  ~Interp();
  Interp(const Interp&) = delete;
  Interp& operator=(const Interp&) = delete;

  /// Runs one command made of `words` and returns its result as text.
  /// Throws tk::Error with Tcl's message when the command fails.
  std::string Call(std::initializer_list<Word> words);
  std::string Call(const std::vector<Word>& words);
  /// Same, returning the result object.
  Obj CallObj(const std::vector<Word>& words);

  /// A C++ callback: receives the words after the command name.
  using Callback =
      std::function<std::string(const std::vector<std::string>& args)>;
  /// Makes `fn` the Tcl command `name` (replacing any command of that name).
  /// An exception thrown by `fn` becomes a Tcl error with its what() text.
  void Command(const std::string& name, Callback fn);
  /// Like Command, but a successful call ends with Tcl's "break" code: as a
  /// binding script it handles the event and keeps the bindings of the
  /// widget's later tags (its class, say) from seeing it.
  void BreakingCommand(const std::string& name, Callback fn);

  /// The elements of a Tcl list given as text.
  std::vector<std::string> SplitList(const std::string& list);

  /// Puts `image` into the photo image `name`, creating it if needed.
  Status PutPhoto(const std::string& name, const RgbaImage& image);

  /// Maps the X windows of all children of the unmapped window `path` in
  /// one request, ahead of Tk. X maps a window into a visible parent at a
  /// cost that grows with its siblings, so thousands of children mapped one
  /// by one cost time quadratic in their number; mapped while the parent is
  /// hidden, they cost nothing, and Tk's own later map of each child is a
  /// no-op in the server. Tk's view is unchanged. Does nothing when `path`
  /// is mapped or is not a window.
  void MapChildWindowsEarly(const std::string& path);

  /// The work area of the screen the main window opens on: X11's
  /// _NET_WORKAREA of the root window (of the current desktop) within the
  /// screen, or the whole screen when the window manager gives none;
  /// Windows' work area of the primary monitor, where the window opens,
  /// with the frame of an overlapped window. Empty without a main window.
  std::optional<WorkArea> ScreenWorkArea();
  /// Calls `fn` from the event loop whenever the file descriptor `fd` can
  /// be read, until the interpreter goes; `fd` must stay open until then.
  /// Tcl watches descriptors on Linux only: elsewhere nothing is watched
  /// and the result is false. An exception from `fn` is dropped.
  bool WatchReadable(int fd, std::function<void()> fn);

  /// True while the main window "." exists.
  bool MainWindowAlive() const;
  /// Runs the event loop until the main window is destroyed.
  void MainLoop();

 private:
  explicit Interp(Tcl_Interp* interp);
  /// Ends every WatchReadable.
  void StopWatching();
  Tcl_Interp* interp_;
  std::vector<std::pair<int, std::unique_ptr<std::function<void()>>>> watches_;
};

/// Turns X input methods off for its lifetime and restores the state it
/// found. Tk makes an input context for every window on that window's first
/// event, about 175 us per ttk widget; a table of 1,000 rows has 6,000 of
/// them. Contexts are made lazily, so a widget built and first painted while
/// input methods are off gets one later, when it is focused or typed into.
/// Restoring never throws: a window already destroyed is left alone.
class InputMethodsOff {
 public:
  explicit InputMethodsOff(Interp& interp);
  ~InputMethodsOff();
  InputMethodsOff(const InputMethodsOff&) = delete;
  InputMethodsOff& operator=(const InputMethodsOff&) = delete;

 private:
  Interp& interp_;
  std::string previous_;
};

}  // namespace zarvek::tk

#endif  // ZARVEK_UI_TK_INTERP_H_
