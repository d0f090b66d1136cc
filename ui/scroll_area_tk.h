// The scrolled lists of both tabs (the code preview and the measurement
// table): a canvas that shows one frame of rows. The wheel scrolls the
// canvas wherever the pointer is over the list, and the widget that takes
// the keyboard focus is scrolled into view. Both are bindings on one bind
// tag per list, placed before the class tag of every widget of the list, so
// that a combobox under the pointer never sees the wheel (its class binding
// would step through its values).
#ifndef ZARVEK_UI_SCROLL_AREA_TK_H_
#define ZARVEK_UI_SCROLL_AREA_TK_H_

#include <string>

#include "ui/ui_tk.h"

namespace zarvek {

/// Makes the wheel scroll `canvas` over every widget that carries bind tag
/// `tag`, and keeps the focused child of `frame` in view.
void WireScrollArea(Ui& ui, const std::string& canvas, const std::string& frame,
                    const std::string& tag);
/// Puts bind tag `tag` right after the widget's own tag, before its class.
void AddBindTag(tk::Interp& interp, const std::string& widget,
                const std::string& tag);
/// Scrolls `canvas` so that `widget`, a child of the frame at the canvas's
/// origin, is fully visible with its whole grid row.
void ScrollIntoView(Ui& ui, const std::string& canvas,
                    const std::string& widget);

}  // namespace zarvek

#endif  // ZARVEK_UI_SCROLL_AREA_TK_H_
