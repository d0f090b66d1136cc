// The session of an observation file, read line by line from whatever lies
// in a point's RINEX folder. Reading must stay inside the bounds whatever
// the lines claim, give a session that holds together, read CRLF lines as
// LF ones, and format it as the dossier shows it.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "fuzz/fuzz_check.h"
#include "rinex/session.h"

namespace {

zarvek::Session Read(std::string_view text, std::string_view end) {
  zarvek::SessionReader reader;
  while (!text.empty()) {
    const std::size_t stop = text.find('\n');
    const std::string_view line = text.substr(0, stop);
    reader.Feed(std::string(line) + std::string(end));
    if (stop == std::string_view::npos) break;
    text.remove_prefix(stop + 1);
  }
  return reader.Finish();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data,
                                      std::size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  const zarvek::Session s = Read(text, "");
  FUZZ_CHECK(s.epochs >= 0 && s.unread_lines >= 0);
  FUZZ_CHECK(s.observation || s.epochs == 0);
  FUZZ_CHECK(s.first <= s.last);
  FUZZ_CHECK(s.epochs > 1 || (s.interval == 0 && s.first == s.last));
  FUZZ_CHECK(s.interval >= 0 && s.interval <= s.longest_step);
  FUZZ_CHECK(s.longest_gap == s.longest_step - s.interval);
  FUZZ_CHECK(s.satellite_sum >= 0 &&
             s.satellite_sum <= s.epochs * zarvek::kMaxEpochItems);
  std::string ordered;
  for (char c : std::string_view("GRECJSI")) {
    if (s.systems.find(c) != std::string::npos) ordered += c;
  }
  FUZZ_CHECK(ordered == s.systems);

  const zarvek::Session crlf = Read(text, "\r\n");
  FUZZ_CHECK(
      crlf.epochs == s.epochs && crlf.first == s.first && crlf.last == s.last &&
      crlf.interval == s.interval && crlf.satellite_sum == s.satellite_sum &&
      crlf.systems == s.systems && crlf.dual_frequency == s.dual_frequency &&
      crlf.unread_lines == s.unread_lines);

  const std::string shown = zarvek::FormatSession(s);
  if (s.epochs == 0) {
    FUZZ_CHECK(shown == "SIN ÉPOCAS");
  } else {
    // The share ends the text and never passes 100 %.
    const std::size_t dot = shown.rfind("· ");
    FUZZ_CHECK(dot != std::string::npos && shown.ends_with(" %"));
    FUZZ_CHECK(std::stoi(shown.substr(dot + 3)) <= 100);
  }

  const zarvek::Session joined = zarvek::JoinSessions({s, s});
  FUZZ_CHECK(joined.epochs <= s.epochs && joined.first == s.first &&
             joined.last == s.last && joined.systems == s.systems);
  return 0;
}
