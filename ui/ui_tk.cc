#include "ui/ui_tk.h"

#include <charconv>
#include <system_error>
#include <utility>

namespace zarvek {

Palette WindowPalette() {
  return {
      {"bg_main", "#F4F6F9"}, {"bg_panel", "#FFFFFF"},
      {"primary", "#2C3E50"}, {"accent", "#2980B9"},
      {"text", "#34495E"},    {"success", "#27AE60"},
      {"error", "#C0392B"},   {"tab_selected", "#2980B9"},
      {"tab_bg", "#BDC3C7"},
  };
}

const std::string& Ui::color(const std::string& key) const {
  for (const auto& [k, v] : colors_) {
    if (k == key) return v;
  }
  throw tk::Error("color de la paleta desconocido: \"" + key + "\"");
}

std::string Ui::Bind(const std::string& name, std::function<void()> fn) {
  std::string full = "::zarvek::" + name;
  tk_.Command(full, [fn = std::move(fn)](const std::vector<std::string>&) {
    fn();
    return std::string();
  });
  return full;
}

int Ui::Int(std::initializer_list<tk::Word> words) {
  const std::string reply = tk_.Call(words);
  std::string what;
  for (const tk::Word& word : words) {
    if (!what.empty()) what += ' ';
    what += word.obj().str();
    if (what.size() > 60) break;
  }
  return IntFromReply(reply, what);
}

void Ui::ErrorBox(const std::string& message) {
  tk_.Call({"tk_messageBox", "-icon", "error", "-title", "Error", "-message",
            message});
}

void Ui::Print(const std::string& line) {
  std::fputs(line.c_str(), console_);
  std::fputc('\n', console_);
  std::fflush(console_);
}

std::optional<std::size_t> RowIndexArg(std::string_view text) {
  std::size_t value = 0;
  const char* last = text.data() + text.size();
  // from_chars takes a leading '-' for signed types only; the first
  // character is checked so that no sign or space slips through.
  if (text.empty() || text[0] < '0' || text[0] > '9') return std::nullopt;
  auto [end, ec] = std::from_chars(text.data(), last, value);
  if (ec != std::errc() || end != last) return std::nullopt;
  return value;
}

std::optional<std::size_t> RowAtHeight(std::string_view y, int pitch) {
  int value = 0;
  const char* last = y.data() + y.size();
  auto [end, ec] = std::from_chars(y.data(), last, value);
  if (y.empty() || ec != std::errc() || end != last || value < 0 || pitch < 1)
    return std::nullopt;
  return static_cast<std::size_t>(value / pitch);
}

void MakePrimaryButton(Ui& ui, const std::string& path, const std::string& text,
                       std::vector<tk::Word> more) {
  // clang-format off
  std::vector<tk::Word> words{
      "button", path, "-text", text,
      "-bg", ui.color("primary"), "-fg", "white",
      "-activebackground", ui.color("accent"), "-activeforeground", "white",
      "-font", tk::Obj::List({ui.family(), "11", "bold"}),
      "-relief", "flat", "-height", 2};
  // clang-format on
  for (tk::Word& word : more) words.push_back(std::move(word));
  ui.tk().Call(words);
}

void DefineRedEntryStyle(Ui& ui, const std::string& style) {
  ui.tk().Call({"ttk::style", "configure", style, "-fieldbackground", "#F9D6D5",
                "-foreground", "#922B21", "-bordercolor", ui.color("error")});
}

void MarkEntryUntilEdited(Ui& ui, const std::string& path,
                          const std::string& style, const std::string& edited,
                          std::size_t row) {
  ui.tk().Call({path, "configure", "-style", style, "-validate", "key",
                "-validatecommand",
                tk::Obj::List({edited, std::to_string(row)})});
}

void UnmarkEntry(Ui& ui, const std::string& path) {
  ui.tk().Call({path, "configure", "-style", "", "-validate", "none",
                "-validatecommand", ""});
}

int IntFromReply(const std::string& reply, const std::string& what) {
  int value = 0;
  const char* first = reply.data();
  const char* last = reply.data() + reply.size();
  auto [end, ec] = std::from_chars(first, last, value);
  if (ec != std::errc() || end != last || reply.empty()) {
    throw tk::Error("respuesta no numérica de Tk a \"" + what + "\": \"" +
                    reply + "\"");
  }
  return value;
}

}  // namespace zarvek
