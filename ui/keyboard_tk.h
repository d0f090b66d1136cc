// Keyboard habits every entry, combobox and message box of the window
// follows, on both systems: Ctrl+A selects all the text of an entry (Tk on
// X11 binds it to "line start", as emacs does); a letter typed on a
// read-only combobox picks the next choice that starts with it, as a native
// list does; and a message box takes the keyboard focus when it appears,
// so that Enter answers it.
#ifndef ZARVEK_UI_KEYBOARD_TK_H_
#define ZARVEK_UI_KEYBOARD_TK_H_

#include "ui/ui_tk.h"

namespace zarvek {

/// Installs the habits for the whole application; call once.
void InstallKeyboardHabits(Ui& ui);

}  // namespace zarvek

#endif  // ZARVEK_UI_KEYBOARD_TK_H_
