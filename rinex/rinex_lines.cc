#include "rinex/rinex_lines.h"

#include <algorithm>
#include <utility>

#include "text/ascii_text.h"
#include "text/shown_path.h"

namespace zarvek {
namespace {

constexpr std::string_view kDeltaLabel = "ANTENNA: DELTA H/E/N";
constexpr std::string_view kEndLabel = "END OF HEADER";

}  // namespace

bool LineSplitter::Emit(std::string_view text, bool has_newline,
                        const Visit& visit) {
  TextLine line;
  line.number = ++number_;
  line.text = text;
  if (!text.empty() && text.back() == '\r') {
    line.text.remove_suffix(1);
    line.end = has_newline ? "\r\n" : "\r";
  } else {
    line.end = has_newline ? "\n" : "";
  }
  return visit(line);
}

bool LineSplitter::Push(std::string_view piece, const Visit& visit) {
  while (!piece.empty()) {
    const std::size_t newline = piece.find('\n');
    if (in_rest_) {
      // The rest of a cut line goes by as it comes, up to its line end.
      TextLine rest;
      rest.number = number_;
      rest.cut = rest.rest = true;
      rest.text = piece.substr(0, newline);
      if (newline != std::string_view::npos) {
        rest.end = "\n";
        in_rest_ = false;
      }
      piece.remove_prefix(newline == std::string_view::npos ? piece.size()
                                                            : newline + 1);
      if (!visit(rest)) return false;
      continue;
    }
    // A whole line within the piece is handed out where it lies.
    if (line_.empty() && newline != std::string_view::npos &&
        newline <= max_line_) {
      if (!Emit(piece.substr(0, newline), true, visit)) return false;
      piece.remove_prefix(newline + 1);
      continue;
    }
    const std::size_t room = max_line_ - line_.size();
    const std::size_t take =
        newline == std::string_view::npos ? piece.size() : newline;
    if (take <= room) {
      line_.append(piece.substr(0, take));
      held_peak_ = std::max(held_peak_, line_.size());
      if (newline == std::string_view::npos) return true;
      piece.remove_prefix(newline + 1);
      const bool go_on = Emit(line_, true, visit);
      line_.clear();
      if (!go_on) return false;
      continue;
    }
    // Longer than the bound: its first max_line_ bytes stand for it.
    line_.append(piece.substr(0, room));
    held_peak_ = std::max(held_peak_, line_.size());
    piece.remove_prefix(room);
    TextLine cut;
    cut.number = ++number_;
    cut.text = line_;
    cut.cut = true;
    in_rest_ = true;
    const bool go_on = visit(cut);
    line_.clear();
    if (!go_on) return false;
  }
  return true;
}

bool LineSplitter::Finish(const Visit& visit) {
  if (in_rest_ || line_.empty()) return true;
  const bool go_on = Emit(line_, false, visit);
  line_.clear();
  return go_on;
}

Status ForEachLine(FileSystem& fs, const std::string& path,
                   const std::atomic<bool>* cancel,
                   const std::function<bool(const TextLine& line)>& visit,
                   FileWrapper* wrapper, LineReadStats* stats) {
  LineSplitter split;
  LineReadStats seen;
  bool cancelled = false, stopped = false;
  const LineSplitter::Visit heads = [&](const TextLine& line) {
    return line.rest || visit(line);
  };
  Status status = fs.ReadDecoded(
      path,
      [&](std::string_view piece) {
        if (cancel && cancel->load()) {
          cancelled = true;
          return false;
        }
        seen.bytes += piece.size();
        seen.largest_piece = std::max(seen.largest_piece, piece.size());
        stopped = !split.Push(piece, heads);
        return !stopped;
      },
      wrapper);
  if (status.ok() && !cancelled && !stopped) split.Finish(heads);
  seen.held_line_peak = split.held_peak();
  if (stats) *stats = seen;
  if (cancelled) return Status::Error("CANCELADO: " + ShownPath(path));
  return status;
}

bool DeltaHScan::TakeHeaderLine(const TextLine& line) {
  header_bytes_.append(line.text);
  header_bytes_.append(line.end);
  if (line.rest) return true;
  ++header_line_count_;
  // The header is read once it is whole, or once it passes a bound, or
  // once its first lines show the file is not an observation file.
  const bool at_end =
      RinexRecordLabel(line.text) == kEndLabel && !line.end.empty();
  const bool bound = line.cut || header_bytes_.size() >= kRinexHeaderMaxBytes ||
                     header_line_count_ >= kRinexHeaderMaxLines;
  const bool first_lines = header_line_count_ == 1 || header_line_count_ == 3;
  if (!at_end && !bound && !first_lines) return true;
  RinexHeader header = ReadRinexHeader(header_bytes_, false);
  if (header.kind == RinexKind::kObservation) {
    header_done_ = true;
    lines_.push_back({header.delta_line_number, header.delta_line_offset,
                      header.delta_line_length, header.delta_h});
    offset_ = header_bytes_.size();
    header_ = std::move(header);
    std::string().swap(header_bytes_);
    return true;
  }
  if (!at_end && !bound && header.kind != RinexKind::kNotRinex &&
      header.kind != RinexKind::kOtherRinex) {
    return true;  // an observation header so far: read on
  }
  header_done_ = true;
  header_ = std::move(header);
  return false;
}

bool DeltaHScan::Take(const TextLine& line) {
  if (!header_done_) return TakeHeaderLine(line);
  if (header_.kind != RinexKind::kObservation || !refusal_.empty()) {
    return false;
  }
  const std::uint64_t at = offset_;
  offset_ += line.text.size() + line.end.size();
  if (line.rest || RinexRecordLabel(line.text) != kDeltaLabel) return true;
  const std::string where = "línea " + DecimalText(line.number);
  if (lines_.size() >= kRinexMaxDeltaLines) {
    refusal_ = "más de " + DecimalText(kRinexMaxDeltaLines) +
               " líneas ANTENNA: DELTA H/E/N (" + where + ")";
    return false;
  }
  const std::optional<double> h = ReadDeltaH(line.text);
  if (!h) {
    refusal_ = where +
               ": la línea ANTENNA: DELTA H/E/N de un registro de evento no "
               "tiene tres números";
    return false;
  }
  lines_.push_back(
      {line.number, static_cast<std::size_t>(at), line.text.size(), *h});
  return true;
}

RinexHeader DeltaHScan::Finish(bool ended, const Status& failure,
                               std::vector<RinexDeltaLine>* lines) {
  lines->clear();
  RinexHeader header =
      header_done_ ? header_
                   : ReadRinexHeader(header_bytes_, ended && failure.ok());
  if (!failure.ok()) {
    // What was read before the failure may show that the file is no
    // observation file at all; otherwise the failure is its reason.
    if (header.kind != RinexKind::kNotRinex &&
        header.kind != RinexKind::kOtherRinex) {
      header.kind = RinexKind::kUnreadable;
    }
    if (header.kind != RinexKind::kOtherRinex) {
      header.reason = failure.message();
    }
  }
  if (header.kind != RinexKind::kObservation) return header;
  if (!refusal_.empty()) {
    header.kind = RinexKind::kUnreadable;
    header.reason = refusal_;
    return header;
  }
  *lines = lines_;
  return header;
}

bool DeltaHRewrite::Rewrite(const TextLine& line, std::string* out) {
  if (scanning_ && !scan_.Take(line)) {
    // The scan stops at a file it refuses; so does the copy.
    scanning_ = false;
    std::vector<RinexDeltaLine> lines;
    const RinexHeader header = scan_.Finish(false, Status::OK(), &lines);
    if (header.kind != RinexKind::kObservation) {
      refusal_ = header.reason.empty() ? "no es un archivo de observación"
                                       : header.reason;
      return false;
    }
  }
  if (!line.rest && RinexRecordLabel(line.text) == kDeltaLabel) {
    std::string why;
    const std::optional<std::string> start =
        DeltaHLineStart(line.text, field_, &why);
    if (!start) {
      refusal_ = rewritten_ == 0
                     ? why
                     : "línea " + DecimalText(line.number) + ": " + why;
      return false;
    }
    ++rewritten_;
    out->append(*start);
    out->append(line.text.substr(start->size()));
  } else {
    out->append(line.text);
  }
  out->append(line.end);
  return true;
}

Status DeltaHRewrite::Change(std::string_view piece, bool last,
                             std::string* out) {
  const LineSplitter::Visit visit = [&](const TextLine& line) {
    return Rewrite(line, out);
  };
  const bool go_on = last ? split_.Finish(visit) : split_.Push(piece, visit);
  if (go_on && last && scanning_) {
    std::vector<RinexDeltaLine> lines;
    const RinexHeader header = scan_.Finish(true, Status::OK(), &lines);
    if (header.kind != RinexKind::kObservation) {
      refusal_ = header.reason.empty() ? "no es un archivo de observación"
                                       : header.reason;
    }
  }
  if (!refusal_.empty()) {
    return Status::Error(BoxPathAfter(refusal_ + ": ", path_));
  }
  return Status::OK();
}

}  // namespace zarvek
