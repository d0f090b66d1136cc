#include "ui/scroll_area_tk.h"

#include <charconv>
#include <string>
#include <vector>

namespace zarvek {
namespace {

// A coordinate in a Tk reply ("12", "-3.5"); throws tk::Error when the
// reply is not a number.
double ToDouble(const std::string& text) {
  double value = 0;
  auto [end, ec] =
      std::from_chars(text.data(), text.data() + text.size(), value);
  if (ec != std::errc() || end != text.data() + text.size() || text.empty())
    throw tk::Error("coordenada no numérica de Tk: \"" + text + "\"");
  return value;
}

// The fraction for "yview moveto", as locale-free text.
std::string Fraction(double value) {
  char text[32];
  auto [end, ec] = std::to_chars(text, text + sizeof text, value);
  return std::string(text, end);
}

}  // namespace

void WireScrollArea(Ui& ui, const std::string& canvas, const std::string& frame,
                    const std::string& tag) {
  tk::Interp& root = ui.tk();
  const std::string wheel = "::zarvek::rueda_" + tag;
  const std::string focus = "::zarvek::foco_" + tag;
  // One wheel notch is a delta of 120 (X11's buttons 4 and 5 are made one
  // notch each); smaller deltas, as some platforms give, still move a unit.
  root.BreakingCommand(
      wheel, [&root, canvas](const std::vector<std::string>& args) {
        const int delta = args.size() == 1 ? IntFromReply(args[0], "%D") : 0;
        int units = -delta / 120;
        if (units == 0 && delta != 0) units = delta > 0 ? -1 : 1;
        if (units != 0) root.Call({canvas, "yview", "scroll", units, "units"});
        return std::string();
      });
  root.Command(focus, [&ui, canvas, frame](const std::vector<std::string>&) {
    tk::Interp& root = ui.tk();
    const std::string widget = root.Call({"focus"});
    if (!widget.empty() && root.Call({"winfo", "parent", widget}) == frame) {
      ScrollIntoView(ui, canvas, widget);
    }
    return std::string();
  });
  root.Call({"bind", tag, "<ButtonPress-4>", tk::Obj::List({wheel, "120"})});
  root.Call({"bind", tag, "<ButtonPress-5>", tk::Obj::List({wheel, "-120"})});
  // %D is the wheel's delta, an integer.
  root.Call({"bind", tag, "<MouseWheel>", wheel + " %D"});
  root.Call({"bind", tag, "<FocusIn>", focus});
  for (const std::string& widget : {canvas, frame})
    AddBindTag(root, widget, tag);
}

void AddBindTag(tk::Interp& root, const std::string& widget,
                const std::string& tag) {
  std::vector<std::string> tags =
      root.SplitList(root.Call({"bindtags", widget}));
  tags.insert(tags.begin() + (tags.empty() ? 0 : 1), tag);
  root.Call({"bindtags", widget, tk::Obj::List(tags)});
}

void ScrollIntoView(Ui& ui, const std::string& canvas,
                    const std::string& widget) {
  tk::Interp& root = ui.tk();
  // The frame of rows sits at the canvas's origin, so a row widget's place
  // in the frame is its place on the canvas.
  const std::vector<std::string> region =
      root.SplitList(root.Call({canvas, "cget", "-scrollregion"}));
  if (region.size() != 4) return;
  const double total = ToDouble(region[3]) - ToDouble(region[1]);
  if (total <= 0) return;
  const double top = ToDouble(root.Call({canvas, "canvasy", 0}));
  const double height = ui.Int({"winfo", "height", canvas});
  // The whole grid row of the widget comes into view, not just the widget.
  double y = ui.Int({"winfo", "y", widget});
  double bottom = y + ui.Int({"winfo", "height", widget});
  const std::vector<std::string> info =
      root.SplitList(root.Call({"grid", "info", widget}));
  for (size_t i = 0; i + 1 < info.size(); i += 2) {
    if (info[i] != "-row") continue;
    const std::vector<std::string> box = root.SplitList(
        root.Call({"grid", "bbox", root.Call({"winfo", "parent", widget}), 0,
                   tk::Obj::Text(info[i + 1])}));
    if (box.size() == 4) {
      y = IntFromReply(box[1], "grid bbox");
      bottom = y + IntFromReply(box[3], "grid bbox");
    }
  }
  if (y < top) {
    root.Call({canvas, "yview", "moveto", Fraction(y / total)});
  } else if (bottom > top + height) {
    root.Call({canvas, "yview", "moveto", Fraction((bottom - height) / total)});
  }
}

}  // namespace zarvek
