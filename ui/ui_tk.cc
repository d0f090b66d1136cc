#include "ui/ui_tk.h"

#include <charconv>

namespace zarvek {

const std::string& Ui::color(const std::string& key) const {
  for (const auto& [k, v] : colors_) {
    if (k == key) return v;
  }
  static const std::string kBlack = "#000000";
  return kBlack;
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
