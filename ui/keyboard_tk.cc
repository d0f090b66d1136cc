#include "ui/keyboard_tk.h"

#include <charconv>
#include <cstdint>

#include "text/key_choice.h"

namespace zarvek {
namespace {

constexpr const char* kComboboxKeyCommand = "::zarvek::combobox_letra";
constexpr const char* kDialogShownCommand = "::zarvek::dialogo_visible";
// X's modifier bits of Control and Alt (Mod1): such a key is a shortcut,
// not a letter.
constexpr unsigned kShortcutModifiers = 0x4 | 0x8;

bool ParseUnsigned(const std::string& text, std::uint32_t* value) {
  auto [end, ec] =
      std::from_chars(text.data(), text.data() + text.size(), *value);
  return ec == std::errc() && end == text.data() + text.size() && !text.empty();
}

// Tk's message box on X11 asks for the focus with a plain `focus`, which
// X ignores until the window manager hands the new window the focus; some
// do not (none at all on a bare X server), and Enter then goes nowhere.
// Once the box is on screen its chosen button takes the focus by force.
void FocusShownDialogs(Ui& ui) {
  tk::Interp& root = ui.tk();
  // %i is the window's X id, a number.
  root.Command(
      kDialogShownCommand, [&ui](const std::vector<std::string>& args) {
        if (args.size() != 1) return std::string();
        tk::Interp& root = ui.tk();
        try {
          const std::string box = root.Call({"winfo", "pathname", args[0]});
          if (box.empty() || root.Call({"winfo", "toplevel", box}) != box)
            return std::string();
          std::string target = root.Call({"focus", "-lastfor", box});
          if (target.empty()) target = box;
          root.Call({"focus", "-force", target});
        } catch (const tk::Error&) {
          // The box went before its Map event was handled.
        }
        return std::string();
      });
  root.Call({"bind", "Dialog", "<Map>",
             "+" + std::string(kDialogShownCommand) + " %i"});
}

}  // namespace

void InstallKeyboardHabits(Ui& ui) {
  tk::Interp& root = ui.tk();
  // Ctrl+A: from "line start" to "select all" (Windows' Tk already does
  // this; deleting a binding that is not there is harmless).
  root.Call({"event", "delete", "<<LineStart>>", "<Control-Key-a>",
             "<Control-Lock-Key-A>"});
  root.Call({"event", "add", "<<SelectAll>>", "<Control-Key-a>",
             "<Control-Lock-Key-A>"});

  // A letter on a read-only combobox; the key goes to the focus window.
  root.Command(kComboboxKeyCommand, [&ui](
                                        const std::vector<std::string>& args) {
    std::uint32_t keysym = 0, state = 0;
    if (args.size() != 2 || !ParseUnsigned(args[0], &keysym) ||
        !ParseUnsigned(args[1], &state) || (state & kShortcutModifiers) != 0) {
      return std::string();
    }
    tk::Interp& root = ui.tk();
    const std::string box = root.Call({"focus"});
    if (box.empty() || root.Call({"winfo", "class", box}) != "TCombobox" ||
        root.Call({box, "instate", "readonly"}) != "1" ||
        root.Call({box, "instate", "disabled"}) == "1") {
      return std::string();
    }
    const std::vector<std::string> choices =
        root.SplitList(root.Call({box, "cget", "-values"}));
    const int current = ui.Int({box, "current"});
    const int next = NextChoiceForKey(choices, current, keysym);
    if (next < 0 || next == current) return std::string();
    root.Call({box, "current", next});
    // As a choice made in the list: the row rules and the save follow.
    root.Call({"event", "generate", box, "<<ComboboxSelected>>"});
    return std::string();
  });
  root.Call({"bind", "TCombobox", "<KeyPress>",
             "+" + std::string(kComboboxKeyCommand) + " %N %s"});

  FocusShownDialogs(ui);
}

}  // namespace zarvek
