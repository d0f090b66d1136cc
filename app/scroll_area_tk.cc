// The scrolled lists of both tabs (the code preview and the measurement
// table): a canvas that shows one frame of rows. The wheel scrolls the
// canvas wherever the pointer is over the list, and the widget that takes
// the keyboard focus is scrolled into view. Both are bindings on one bind
// tag per list, placed before the class tag of every widget of the list, so
// that a combobox under the pointer never sees the wheel (its class binding
// would step through its values).
#include <charconv>
#include <string>
#include <vector>

#include "app/zarvek_core.h"

namespace zarvek {
namespace {

int ToInt(const std::string& text) {
  int value = 0;
  std::from_chars(text.data(), text.data() + text.size(), value);
  return value;
}

double ToDouble(const std::string& text) {
  double value = 0;
  std::from_chars(text.data(), text.data() + text.size(), value);
  return value;
}

// The fraction for "yview moveto", as locale-free text.
std::string Fraction(double value) {
  char text[32];
  auto [end, ec] = std::to_chars(text, text + sizeof text, value);
  return std::string(text, end);
}

}  // namespace

void ZarvekCertificacionApp::WireScrollArea(const std::string& canvas,
                                            const std::string& frame,
                                            const std::string& tag) {
  const std::string wheel = "::zarvek::rueda_" + tag;
  const std::string focus = "::zarvek::foco_" + tag;
  // One wheel notch is a delta of 120 (X11's buttons 4 and 5 are made one
  // notch each); smaller deltas, as some platforms give, still move a unit.
  root.BreakingCommand(
      wheel, [this, canvas](const std::vector<std::string>& args) {
        const int delta = args.size() == 1 ? ToInt(args[0]) : 0;
        int units = -delta / 120;
        if (units == 0 && delta != 0) units = delta > 0 ? -1 : 1;
        if (units != 0) root.Call({canvas, "yview", "scroll", units, "units"});
        return std::string();
      });
  root.Command(focus, [this, canvas, frame](const std::vector<std::string>&) {
    const std::string widget = root.Call({"focus"});
    if (!widget.empty() && root.Call({"winfo", "parent", widget}) == frame) {
      ScrollIntoView(canvas, widget);
    }
    return std::string();
  });
  root.Call({"bind", tag, "<ButtonPress-4>", tk::Obj::List({wheel, "120"})});
  root.Call({"bind", tag, "<ButtonPress-5>", tk::Obj::List({wheel, "-120"})});
  // %D is the wheel's delta, an integer.
  root.Call({"bind", tag, "<MouseWheel>", wheel + " %D"});
  root.Call({"bind", tag, "<FocusIn>", focus});
  for (const std::string& widget : {canvas, frame}) AddBindTag(widget, tag);
}

void ZarvekCertificacionApp::AddBindTag(const std::string& widget,
                                        const std::string& tag) {
  std::vector<std::string> tags =
      root.SplitList(root.Call({"bindtags", widget}));
  tags.insert(tags.begin() + (tags.empty() ? 0 : 1), tag);
  root.Call({"bindtags", widget, tk::Obj::List(tags)});
}

void ZarvekCertificacionApp::ScrollIntoView(const std::string& canvas,
                                            const std::string& widget) {
  // The frame of rows sits at the canvas's origin, so a row widget's place
  // in the frame is its place on the canvas.
  const std::vector<std::string> region =
      root.SplitList(root.Call({canvas, "cget", "-scrollregion"}));
  if (region.size() != 4) return;
  const double total = ToDouble(region[3]) - ToDouble(region[1]);
  if (total <= 0) return;
  const double top = ToDouble(root.Call({canvas, "canvasy", 0}));
  const double height = ToInt(root.Call({"winfo", "height", canvas}));
  // The whole grid row of the widget comes into view, not just the widget.
  double y = ToInt(root.Call({"winfo", "y", widget}));
  double bottom = y + ToInt(root.Call({"winfo", "height", widget}));
  const std::vector<std::string> info =
      root.SplitList(root.Call({"grid", "info", widget}));
  for (size_t i = 0; i + 1 < info.size(); i += 2) {
    if (info[i] != "-row") continue;
    const std::vector<std::string> box = root.SplitList(
        root.Call({"grid", "bbox", root.Call({"winfo", "parent", widget}), 0,
                   tk::Obj::Text(info[i + 1])}));
    if (box.size() == 4) {
      y = ToInt(box[1]);
      bottom = y + ToInt(box[3]);
    }
  }
  if (y < top) {
    root.Call({canvas, "yview", "moveto", Fraction(y / total)});
  } else if (bottom > top + height) {
    root.Call({canvas, "yview", "moveto", Fraction((bottom - height) / total)});
  }
}

}  // namespace zarvek
