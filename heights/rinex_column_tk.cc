// The RINEX column of the measurement table: per point, whether the
// `ANTENNA: DELTA H/E/N` record of its observation files holds the row's ARP
// height, the reason when it does not in a status line under the table, and
// the "CORREGIR RINEX" button that writes corrected copies.
//
// The files are read once per table build and when the surveyor comes back
// to the tab (leer_rinex); a change of a row only judges the headers already
// read against the row's new heights, which costs no disk access, so typing
// a height never waits on the disk.
#include <algorithm>
#include <charconv>
#include <map>
#include <string>
#include <vector>

#include "app/ascii_text.h"
#include "app/zarvek_core.h"
#include "heights/conversion.h"
#include "heights/decimal.h"
#include "heights/rinex_files.h"
#include "heights/rinex_header.h"
#include "heights/rinex_verdict.h"

namespace zarvek {
namespace {

// Tcl commands of the column; a binding script is the name and the row
// index, nothing else.
constexpr const char* kHoverCommand = "::zarvek::rinex_puntero";
constexpr const char* kFocusCommand = "::zarvek::rinex_foco";
// The status line keeps two lines of height, so that the table above it
// does not move as its text changes.
constexpr int kStatusLines = 2;
// The yes/no box names at most this many points, then how many more.
constexpr size_t kListedPoints = 15;

const char* ColorOf(RinexState state) {
  switch (state) {
    case RinexState::kMatch:
      return "#27AE60";
    case RinexState::kMismatch:
      return "#C0392B";
    case RinexState::kUnreadable:
      return "#B9770E";
    case RinexState::kNoFiles:
    case RinexState::kEmpty:
      break;
  }
  return "#7F8C8D";
}

int ToInt(const std::string& text) {
  int value = 0;
  std::from_chars(text.data(), text.data() + text.size(), value);
  return value;
}

// The number at the end of `path` (".h12" -> 12), if any.
bool RowOfCell(const std::string& path, size_t* idx) {
  size_t start = path.size();
  while (start > 0 && path[start - 1] >= '0' && path[start - 1] <= '9') --start;
  if (start == path.size()) return false;
  auto [end, ec] =
      std::from_chars(path.data() + start, path.data() + path.size(), *idx);
  return ec == std::errc() && end == path.data() + path.size();
}

// The reason on one line: its lines joined by " · ".
std::string OneLine(const std::string& text) {
  std::string out;
  for (char c : text) {
    if (c == '\n') {
      out += " · ";
    } else {
      out += c;
    }
  }
  return out;
}

}  // namespace

void ZarvekCertificacionApp::_setup_rinex(const std::string& bottom,
                                          const std::string& tag) {
  const std::string family = ui_family();
  lbl_rinex_ = bottom + ".estado_rinex";
  root.Call({"label", lbl_rinex_, "-text", "", "-anchor", "nw", "-justify",
             "left", "-height", kStatusLines, "-foreground", color("primary"),
             "-background", color("bg_main"), "-font",
             tk::Obj::List({family, "9"})});
  root.Call({"grid", lbl_rinex_, "-row", 0, "-column", 0, "-columnspan", 2,
             "-sticky", "ew", "-pady", tk::Obj::List({"0", "6"})});
  // The text wraps at the width the line is given.
  root.Call(
      {"bind", lbl_rinex_, "<Configure>", Bind("ajustar_estado_rinex", [this] {
         root.Call({lbl_rinex_, "configure", "-wraplength",
                    root.Call({"winfo", "width", lbl_rinex_})});
       })});

  btn_rinex_ = bottom + ".btn_rinex";
  // clang-format off
  root.Call({"button", btn_rinex_, "-text", "CORREGIR RINEX",
             "-bg", color("tab_bg"), "-fg", "white",
             "-activebackground", color("primary"), "-activeforeground", "white",
             "-disabledforeground", "#ECF0F1",
             "-font", tk::Obj::List({family, "11", "bold"}),
             "-relief", "flat", "-width", 16, "-height", 2, "-takefocus", 0,
             "-state", "disabled",
             "-command", Bind("corregir_rinex", [this] { corregir_rinex(); })});
  // clang-format on
  root.Call({"grid", btn_rinex_, "-row", 1, "-column", 1, "-sticky", "ns",
             "-padx", tk::Obj::List({"10", "0"})});

  auto show_row = [this](size_t idx) {
    if (idx >= rinex_verdicts_.size() || idx == rinex_row_) return;
    rinex_row_ = idx;
    MostrarEstadoRinex();
  };
  root.Command(kHoverCommand,
               [this, show_row](const std::vector<std::string>& args) {
                 size_t y = 0;
                 if (args.size() == 1 && RowOfCell(args[0], &y))
                   show_row(y / static_cast<size_t>(rinex_pitch_));
                 return std::string();
               });
  root.Command(kFocusCommand,
               [this, show_row](const std::vector<std::string>&) {
                 const std::string widget = root.Call({"focus"});
                 size_t idx = 0;
                 if (!widget.empty() &&
                     root.Call({"winfo", "parent", widget}) == frame_rows &&
                     RowOfCell(widget, &idx)) {
                   show_row(idx);
                 }
                 return std::string();
               });
  // Added to the table's focus binding, which keeps the cell in view.
  root.Call({"bind", tag, "<FocusIn>", "+" + std::string(kFocusCommand)});
}

void ZarvekCertificacionApp::MakeRinexColumn(const tk::Obj& tags) {
  canvas_rinex = frame_rows + ".rinex";
  const size_t rows = entradas_alturas.size();
  const tk::Obj font = tk::Obj::List({ui_family(), "10", "bold"});
  // Wide enough for the widest verdict, "✗" and a height of two digits.
  const int width =
      ToInt(root.Call({"font", "measure", font, "✗ 00.0000"})) + 10;
  // The rows hold the same cells, so they are all as high as the first:
  // row i's middle is i + 1/2 pitches below the first row's top.
  const std::vector<std::string> first =
      root.SplitList(root.Call({"grid", "bbox", frame_rows, 0, 0}));
  const std::vector<std::string> last =
      root.SplitList(root.Call({"grid", "bbox", frame_rows, 0, rows - 1}));
  rinex_pitch_ = 1;
  if (first.size() == 4 && last.size() == 4) {
    rinex_pitch_ = std::max(1, rows > 1 ? (ToInt(last[1]) - ToInt(first[1])) /
                                              static_cast<int>(rows - 1)
                                        : ToInt(first[3]));
  }
  root.Call({"canvas", canvas_rinex, "-width", width, "-height", 0,
             "-background", "white", "-highlightthickness", 0, "-borderwidth",
             0, "-takefocus", 0});
  root.Call({"bindtags", canvas_rinex, tags});
  root.Call({"grid", canvas_rinex, "-row", 0, "-column", 6, "-rowspan", rows,
             "-sticky", "ns", "-padx", 5});
  for (size_t idx = 0; idx < rows; ++idx) {
    root.Call({canvas_rinex, "create", "text", width / 2,
               static_cast<int>(idx) * rinex_pitch_ + rinex_pitch_ / 2, "-text",
               "", "-font", font, "-tags", "rinex" + DecimalText(idx)});
  }
  // %y, an integer, is the pointer's height in the column.
  root.Call(
      {"bind", canvas_rinex, "<Motion>", std::string(kHoverCommand) + " %y"});
}

std::optional<RinexRowHeights> ZarvekCertificacionApp::RinexHeightsOf(
    size_t idx) {
  const RowValues v = ReadRow(idx);
  // As the report: a row converts when its five inputs are filled.
  if (v.rec.empty() || v.tipo.empty() || v.acc.empty() || v.ref.empty() ||
      v.h.empty()) {
    return std::nullopt;
  }
  const ReceiverSpec* spec = FindReceiver(equipos_specs, v.rec);
  if (spec == nullptr) return std::nullopt;
  const std::optional<Conversion> conversion =
      calcular_arp_y_fase(v.h, v.tipo, v.ref, *spec);
  if (!conversion || conversion->mode.empty()) return std::nullopt;
  return RinexRowHeights{conversion->arp, conversion->phase_center,
                         conversion->vals.Hm};
}

void ZarvekCertificacionApp::leer_rinex() {
  const size_t rows = entradas_alturas.size();
  rinex_files_.assign(rows, PointRinexFiles{});
  // A verdict stays until its cell is judged again below; new cells are
  // blank, as a fresh verdict is.
  rinex_verdicts_.resize(rows);
  if (rinex_row_ >= rows) rinex_row_ = static_cast<size_t>(-1);
  const std::string& project =
      proyecto_en_carga_ ? *proyecto_en_carga_ : ruta_base;
  if (rows > 0 && !project.empty()) {
    std::map<std::string, PointRinexFiles> read =
        CheckProjectRinex(RealFileSystem(), project);
    for (size_t idx = 0; idx < rows; ++idx) {
      auto it = read.find(entradas_alturas[idx].codigo);
      if (it != read.end()) rinex_files_[idx] = std::move(it->second);
    }
  }
  for (size_t idx = 0; idx < rows; ++idx) ActualizarCeldaRinex(idx);
  MostrarEstadoRinex();
}

void ZarvekCertificacionApp::ActualizarCeldaRinex(size_t idx) {
  if (idx >= rinex_verdicts_.size() || idx >= entradas_alturas.size()) return;
  RinexVerdict verdict =
      JudgeRinexPoint(rinex_files_[idx], RinexHeightsOf(idx));
  if (verdict.cell != rinex_verdicts_[idx].cell ||
      verdict.state != rinex_verdicts_[idx].state) {
    root.Call({canvas_rinex, "itemconfigure", "rinex" + DecimalText(idx),
               "-text", verdict.cell, "-fill", ColorOf(verdict.state)});
  }
  rinex_verdicts_[idx] = std::move(verdict);
}

void ZarvekCertificacionApp::MostrarEstadoRinex() {
  if (lbl_rinex_.empty()) return;
  size_t matches = 0, mismatches = 0, unreadable = 0, none = 0;
  bool correctable = false;
  for (const RinexVerdict& v : rinex_verdicts_) {
    switch (v.state) {
      case RinexState::kMatch:
        ++matches;
        break;
      case RinexState::kMismatch:
        ++mismatches;
        correctable |= !v.to_correct.empty();
        break;
      case RinexState::kUnreadable:
        ++unreadable;
        break;
      case RinexState::kNoFiles:
        ++none;
        break;
      case RinexState::kEmpty:
        break;
    }
  }
  std::string text;
  if (rinex_row_ < rinex_verdicts_.size() &&
      !rinex_verdicts_[rinex_row_].reason.empty()) {
    text = "RINEX DEL PUNTO " + entradas_alturas[rinex_row_].codigo + ": " +
           OneLine(rinex_verdicts_[rinex_row_].reason);
  } else if (!rinex_verdicts_.empty()) {
    text = "RINEX: " + DecimalText(matches) + " ✓ · " +
           DecimalText(mismatches) + " ✗ · " + DecimalText(unreadable) +
           " ? · " + DecimalText(none) + " — SIN ARCHIVO DE OBSERVACIÓN.";
    if (mismatches + unreadable > 0) {
      text +=
          " EL MOTIVO DE CADA PUNTO SE VE AQUÍ AL ENTRAR EN SU FILA O AL "
          "PASAR EL RATÓN POR SU CELDA RINEX.";
    }
  }
  if (text != texto_estado_rinex_) {
    root.Call({lbl_rinex_, "configure", "-text", text});
    texto_estado_rinex_ = text;
  }
  // Disabled, the button turns grey: there is nothing to correct.
  const char* state = correctable ? "normal" : "disabled";
  if (root.Call({btn_rinex_, "cget", "-state"}) != state) {
    root.Call({btn_rinex_, "configure", "-state", state, "-bg",
               color(correctable ? "accent" : "tab_bg")});
  }
}

void ZarvekCertificacionApp::corregir_rinex() {
  struct Point {
    size_t idx;
    double arp;
    std::vector<std::string> names;
  };
  std::vector<Point> points;
  std::string listing;
  std::vector<std::string> errors;
  for (size_t idx = 0; idx < rinex_verdicts_.size(); ++idx) {
    ActualizarCeldaRinex(idx);
    const RinexVerdict& v = rinex_verdicts_[idx];
    const PointRinexFiles& files = rinex_files_[idx];
    if (v.state != RinexState::kMismatch || files.folder.empty()) continue;
    const std::optional<RinexRowHeights> heights = RinexHeightsOf(idx);
    if (!heights) continue;
    // Two originals whose copies would have one name ("a.26o" and
    // "a.26o.Z") are left alone: one copy would replace the other.
    std::map<std::string, std::string> copy_of;
    std::map<std::string, int> copies;
    for (const RinexFileCheck& file : files.files) {
      copy_of[file.name] = CorrectedCopyName(file.name, file.wrapper);
      ++copies[copy_of[file.name]];
    }
    std::vector<std::string> names;
    for (const std::string& name : v.to_correct) {
      if (copies[copy_of[name]] > 1) {
        errors.push_back("OTRO ARCHIVO DARÍA LA MISMA COPIA " + copy_of[name] +
                         "; NO SE CORRIGE: " + JoinPath(files.folder, name));
      } else {
        names.push_back(name);
      }
    }
    if (names.empty()) continue;
    if (points.size() < kListedPoints) {
      listing += "\n" + entradas_alturas[idx].codigo + " (ARP " +
                 FormatFixed(heights->arp, 4) + " m): ";
      for (size_t i = 0; i < names.size(); ++i)
        listing += (i ? ", " : "") + names[i];
    }
    points.push_back({idx, heights->arp, std::move(names)});
  }
  MostrarEstadoRinex();
  if (!points.empty()) {
    if (points.size() > kListedPoints) {
      listing += "\n… Y " + DecimalText(points.size() - kListedPoints) +
                 " PUNTOS MÁS.";
    }
    const std::string answer = root.Call(
        {"tk_messageBox", "-type", "yesno", "-default", "no", "-icon",
         "question", "-title", "CORREGIR RINEX", "-message",
         "EL DELTA H DE ESTOS PUNTOS NO ES SU ALTURA ARP. SE ESCRIBIRÁ UNA "
         "COPIA CORREGIDA DE CADA ARCHIVO EN RINEX/CORREGIDO; LOS ORIGINALES "
         "NO SE MODIFICAN." +
             listing + "\n\n¿ESCRIBIR LAS COPIAS CORREGIDAS?"});
    if (answer != "yes") return;
  }

  size_t written = 0;
  for (const Point& point : points) {
    const std::string dir = rinex_files_[point.idx].folder;
    for (const std::string& name : point.names) {
      const Status status =
          WriteCorrectedCopy(RealFileSystem(), dir, name, point.arp, nullptr);
      if (status.ok()) {
        ++written;
      } else {
        errors.push_back(status.message());
      }
    }
    // The point's folder is read again: the cell now judges the copies.
    rinex_files_[point.idx] = CheckRinexFolder(RealFileSystem(), dir);
    ActualizarCeldaRinex(point.idx);
  }
  MostrarEstadoRinex();
  if (!errors.empty()) {
    std::string message =
        "NO SE ESCRIBIERON " + DecimalText(errors.size()) +
        " COPIAS CORREGIDAS (ESCRITAS: " + DecimalText(written) + ").";
    for (const std::string& error : errors) message += "\n" + error;
    root.Call({"tk_messageBox", "-icon", "error", "-title", "Error", "-message",
               message});
    return;
  }
  root.Call({"tk_messageBox", "-icon", "info", "-title", "CORREGIR RINEX",
             "-message",
             "COPIAS CORREGIDAS ESCRITAS: " + DecimalText(written) +
                 " ARCHIVOS EN LAS CARPETAS RINEX/CORREGIDO DE " +
                 DecimalText(points.size()) + " PUNTOS."});
}

}  // namespace zarvek
