#include "photos/photo_report.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <string_view>

#include "dossier/file_kind.h"
#include "heights/row_result.h"
#include "pdf/pdf_fonts.h"
#include "project/layout.h"
#include "text/decimal.h"
#include "text/utf8_text.h"

namespace zarvek {
namespace {

constexpr double kMargin = 1.5 * kCm;
constexpr double kLeft = kMargin;
constexpr double kRight = kA4Width - kMargin;
constexpr double kContentWidth = kRight - kLeft;
constexpr double kTop = kA4Height - kMargin;
constexpr double kContentTop = kTop - 30;
constexpr double kContentBottom = kMargin + 20;

// Heights of the items of a point's pages, with the space after them.
constexpr double kBandHeight = 60;
constexpr double kBandContHeight = 24;
constexpr double kStageHeight = 22;
constexpr double kCaptionLine = 8.5;
constexpr double kRowHeight = kPhotoBoxHeight + 4 * kCaptionLine + 8;
constexpr double kLineHeight = 14;
constexpr double kWarningLine = 10;
// Characters of a warning line at 8 points, a little under what the page
// holds of wide capitals; the few lines that would still be too long are
// cut to fit when drawn.
constexpr std::size_t kWarningChars = 88;
constexpr double kColumnGap = kContentWidth - 2 * kPhotoBoxWidth;
// Three rows, each under a stage heading of its own, fit below the band.
static_assert(kBandHeight + 3 * (kStageHeight + kRowHeight) <=
              kContentTop - kContentBottom);
static_assert(kColumnGap >= 8);

// The table of the project and the summary under it.
constexpr std::string_view kRegular = "Helvetica";
constexpr std::string_view kBold = "Helvetica-Bold";
constexpr double kCellPad = 3;              // each side of a cell's text
constexpr double kProjectBlockHeight = 58;  // with a one-line summary head
constexpr double kHeadFont = 10;
constexpr double kHeadLine = 13;  // each further line of the head
constexpr double kTableContTitleHeight = 22;
constexpr double kSummaryFont = 7.5;
constexpr double kSummaryLine = 9.5;
constexpr double kSummaryIndent = 8;
constexpr double kSummaryGap = 10;  // between the table and the summary

struct Colour {
  double r, g, b;
};
constexpr Colour kDark{0.17, 0.24, 0.31};
constexpr Colour kRed{0.75, 0.13, 0.13};
constexpr Colour kGreen{0.10, 0.50, 0.25};
constexpr Colour kAmber{0.78, 0.45, 0.04};
constexpr Colour kGreyText{0.35, 0.35, 0.35};

void Fill(PdfCanvas& c, Colour k) { c.setFillColorRGB(k.r, k.g, k.b); }
void Stroke(PdfCanvas& c, Colour k) { c.setStrokeColorRGB(k.r, k.g, k.b); }

// `text` cut to fit `width` points in `font` at `size`, ending in "…" when
// cut; whole characters only.
std::string Fit(PdfCanvas& c, std::string_view text, std::string_view font,
                double size, double width) {
  if (c.stringWidth(text, font, size) <= width) return std::string(text);
  std::string cut(text);
  while (!cut.empty()) {
    // Drops the last character: its continuation bytes, then its lead.
    while (!cut.empty() &&
           (static_cast<unsigned char>(cut.back()) & 0xC0) == 0x80) {
      cut.pop_back();
    }
    if (!cut.empty()) cut.pop_back();
    const std::string candidate = cut + "…";
    if (c.stringWidth(candidate, font, size) <= width) return candidate;
  }
  return "…";
}

std::string Count(std::size_t n, std::string_view one, std::string_view many) {
  return std::to_string(n) + " " + std::string(n == 1 ? one : many);
}

std::string Megabytes(std::uint64_t bytes) {
  char buf[32];
  auto res = std::to_chars(buf, buf + sizeof buf, bytes / 1e6,
                           std::chars_format::fixed, 1);
  return std::string(buf, res.ptr) + " MB";
}

bool IsPhoto(FileKind k) { return IsPhotoKind(k); }

const FolderCount* StageFolder(const PointDossier& point, std::size_t stage) {
  if (stage >= point.stages.size()) return nullptr;
  return &point.stages[stage];
}

std::vector<const FoundFile*> FilesOf(const PointDossier& point,
                                      std::size_t stage, bool photos) {
  std::vector<const FoundFile*> out;
  const FolderCount* folder = StageFolder(point, stage);
  if (folder == nullptr || folder->state != FolderCount::State::kRead) {
    return out;
  }
  for (const FoundFile& f : folder->files) {
    if (photos ? IsPhoto(f.kind) : f.kind == FileKind::kVideo) {
      out.push_back(&f);
    }
  }
  return out;
}

double ItemHeight(PageItem::Kind k) {
  switch (k) {
    case PageItem::Kind::kBand:
      return kBandHeight;
    case PageItem::Kind::kBandCont:
      return kBandContHeight;
    case PageItem::Kind::kStage:
    case PageItem::Kind::kStageCont:
      return kStageHeight;
    case PageItem::Kind::kPhotoRow:
      return kRowHeight;
    case PageItem::Kind::kWarning:
      return kWarningLine;
    case PageItem::Kind::kNoPhotos:
    case PageItem::Kind::kVideo:
      break;
  }
  return kLineHeight;
}

// The point's warnings as printed under its band: "AVISO: <text>", each
// broken between words into lines of at most kWarningChars characters, the
// lines after the first indented; a word too long for a line is broken
// inside.
std::vector<std::string> WarningLines(const PointDossier& point) {
  constexpr std::string_view kIndent = "   ";
  std::vector<std::string> lines;
  for (const std::string& warning : point.warnings) {
    std::string line = "AVISO:";
    std::size_t length = Utf8Length(line);
    bool fresh = true;  // no word on the line yet
    auto next_line = [&] {
      lines.push_back(std::move(line));
      line = std::string(kIndent);
      length = kIndent.size();
      fresh = true;
    };
    std::string_view rest = warning;
    while (!rest.empty()) {
      const std::size_t space = rest.find(' ');
      std::string_view word = rest.substr(0, space);
      rest = space == std::string_view::npos ? std::string_view()
                                             : rest.substr(space + 1);
      while (!word.empty()) {
        const std::size_t n = Utf8Length(word);
        if (length + 1 + n <= kWarningChars) {
          line += " " + std::string(word);
          length += 1 + n;
          fresh = false;
          break;
        }
        const std::size_t room =
            length + 1 < kWarningChars ? kWarningChars - length - 1 : 0;
        if (!fresh && (kIndent.size() + 1 + n <= kWarningChars || room < 10)) {
          next_line();
          continue;
        }
        const std::string_view piece = Utf8Prefix(word, room);
        line += " " + std::string(piece);
        word.remove_prefix(piece.size());
        next_line();
      }
    }
    lines.push_back(std::move(line));
  }
  return lines;
}

// Lays out one point's pages.
class PointPager {
 public:
  PointPager(PhotoReportPlan* plan, std::size_t point)
      : plan_(plan), point_(point) {
    NewPage(/*first=*/true);
  }

  /// One line under the band, on a page of its own when this one is full.
  void Line(PageItem item) {
    if (!Fits(ItemHeight(item.kind))) NewPage(false);
    Add(item);
  }

  void Stage(std::size_t stage, const std::vector<PageItem>& entries) {
    // A heading stays with its first entry.
    const PageItem& head = entries.front();
    if (!Fits(kStageHeight + ItemHeight(head.kind)) ||
        (head.kind == PageItem::Kind::kPhotoRow &&
         page().photo_count + head.photo_count > kPhotosPerPage)) {
      NewPage(false);
    }
    Add(PageItem{PageItem::Kind::kStage, stage});
    for (const PageItem& e : entries) {
      const bool row = e.kind == PageItem::Kind::kPhotoRow;
      if (!Fits(ItemHeight(e.kind)) ||
          (row && page().photo_count + e.photo_count > kPhotosPerPage)) {
        NewPage(false);
        Add(PageItem{PageItem::Kind::kStageCont, stage});
      }
      if (row) {
        if (page().photo_count == 0) page().first_photo = e.first_photo;
        page().photo_count += e.photo_count;
      }
      Add(e);
    }
  }

 private:
  PlannedPage& page() { return plan_->pages.back(); }
  bool Fits(double h) const { return y_ - h >= kContentBottom - 0.01; }
  void Add(PageItem item) {
    item.y_top = y_;
    y_ -= ItemHeight(item.kind);
    page().items.push_back(item);
  }
  void NewPage(bool first) {
    PlannedPage p;
    p.point = point_;
    p.first_photo = plan_->photos.size();
    plan_->pages.push_back(std::move(p));
    y_ = kContentTop;
    Add(PageItem{first ? PageItem::Kind::kBand : PageItem::Kind::kBandCont});
  }

  PhotoReportPlan* plan_;
  std::size_t point_;
  double y_ = kContentTop;
};

void DrawFrame(PdfCanvas& c, const PhotoReportInput& input, std::size_t index,
               std::size_t total) {
  Fill(c, kDark);
  c.setFont("Helvetica-Bold", 14);
  c.drawString(kLeft, kTop - 14, "REPORTAJE FOTOGRÁFICO");
  c.setFont("Helvetica", 9);
  c.drawRightString(kRight, kTop - 13,
                    Fit(c, input.project_name, "Helvetica", 9, 280));
  Stroke(c, kDark);
  c.setLineWidth(1);
  c.line(kLeft, kTop - 22, kRight, kTop - 22);
  c.setStrokeColorRGB(0.75, 0.75, 0.75);
  c.setLineWidth(0.5);
  c.line(kLeft, kMargin + 12, kRight, kMargin + 12);
  Fill(c, kGreyText);
  c.setFont("Helvetica", 8);
  c.drawString(kLeft, kMargin, "FECHA: " + input.fecha);
  c.drawRightString(
      kRight, kMargin,
      "PÁGINA " + std::to_string(index + 1) + " DE " + std::to_string(total));
}

// Width in points of `text` in the standard font `font` at `size`. The
// table is laid out in the plan, before there is a canvas, so it measures
// with the fonts' own metrics, as the document does.
double TextWidth(std::string_view text, std::string_view font, double size) {
  return StandardTextWidth(StandardFontIndex(font), text) * size / 1000.0;
}

// Bytes of the UTF-8 character that starts at `i`.
std::size_t CharLength(std::string_view s, std::size_t i) {
  std::size_t n = 1;
  while (i + n < s.size() &&
         (static_cast<unsigned char>(s[i + n]) & 0xC0) == 0x80) {
    ++n;
  }
  return n;
}

// `word` broken between characters into lines no wider than `width`
// (a character on its own even when wider); all but the last go to
// `lines`, the last is returned. Widths add up character by character
// (the fonts have no kerning), so a long word costs one pass.
std::string BreakWord(std::string_view word, std::string_view font, double size,
                      double width, std::vector<std::string>* lines) {
  std::string piece;
  double used = 0;
  for (std::size_t i = 0; i < word.size();) {
    const std::size_t n = CharLength(word, i);
    const std::string_view ch = word.substr(i, n);
    const double w = TextWidth(ch, font, size);
    if (!piece.empty() && used + w > width) {
      lines->push_back(std::move(piece));
      piece.clear();
      used = 0;
    }
    piece.append(ch);
    used += w;
    i += n;
  }
  return piece;
}

// `text` in lines no wider than `width`, broken at spaces, and a word
// wider than a line broken between its characters; nothing is left out
// but the spaces at the breaks. At least one line.
std::vector<std::string> Wrap(std::string_view text, std::string_view font,
                              double size, double width) {
  std::vector<std::string> lines;
  std::string line;
  std::size_t at = 0;
  while (at <= text.size()) {
    std::size_t end = text.find_first_of(" \n", at);
    if (end == std::string_view::npos) end = text.size();
    const std::string_view word = text.substr(at, end - at);
    at = end + 1;
    if (word.empty()) continue;
    const std::string joined =
        line.empty() ? std::string(word) : line + " " + std::string(word);
    if (TextWidth(joined, font, size) <= width) {
      line = joined;
      continue;
    }
    if (!line.empty()) lines.push_back(std::move(line));
    line = TextWidth(word, font, size) <= width
               ? std::string(word)
               : BreakWord(word, font, size, width, &lines);
  }
  if (!line.empty() || lines.empty()) lines.push_back(std::move(line));
  return lines;
}

// The widest word of `text`.
double WidestWord(std::string_view text, std::string_view font) {
  double widest = 0;
  std::size_t at = 0;
  while (at < text.size()) {
    std::size_t end = text.find_first_of(" \n", at);
    if (end == std::string_view::npos) end = text.size();
    widest = std::max(widest, TextWidth(text.substr(at, end - at), font, 1));
    at = end + 1;
  }
  return widest;
}

// A column's texts at size 1: its widest text and its widest word (the
// least it can be without breaking a word).
struct ColumnNeed {
  double whole = 0;
  double least = 0;
};

std::vector<ColumnNeed> ColumnNeeds(const DossierMatrix& m) {
  std::vector<ColumnNeed> needs(m.headings.size());
  for (std::size_t i = 0; i < needs.size(); ++i) {
    needs[i].whole = TextWidth(m.headings[i], kBold, 1);
    needs[i].least = WidestWord(m.headings[i], kBold);
    for (const auto& row : m.rows) {
      if (i >= row.size()) continue;
      needs[i].whole =
          std::max(needs[i].whole, TextWidth(row[i].text, kRegular, 1));
      needs[i].least =
          std::max(needs[i].least, WidestWord(row[i].text, kRegular));
    }
  }
  return needs;
}

// Widths for columns whose widest words do not all fit at `size`: a
// column whose longest word fits in an even share of what is left gets
// that; the others share the rest evenly, and their longest words break.
void SqueezeColumns(const std::vector<ColumnNeed>& needs, double size,
                    std::vector<double>* widths) {
  std::vector<bool> set(needs.size(), false);
  double room = kContentWidth;
  std::size_t open = needs.size();
  for (bool changed = true; changed && open > 0;) {
    changed = false;
    for (std::size_t i = 0; i < needs.size(); ++i) {
      const double need = needs[i].least * size + 2 * kCellPad;
      if (set[i] || open == 0 || need > room / open) continue;
      (*widths)[i] = need;
      set[i] = changed = true;
      room -= need;
      --open;
    }
  }
  for (std::size_t i = 0; i < needs.size(); ++i) {
    if (!set[i]) (*widths)[i] = room / open;
  }
}

// The font size and column widths: every text whole on one line when the
// page is wide enough (the columns stretched to fill it); else every word
// whole, the room left shared among the columns that wrap, the font made
// smaller down to its floor first; else, at the floor, SqueezeColumns.
void FitColumns(const DossierMatrix& m, MatrixLayout* layout) {
  const std::vector<ColumnNeed> needs = ColumnNeeds(m);
  double whole = 0, least = 0;
  for (const ColumnNeed& n : needs) {
    whole += n.whole;
    least += n.least;
  }
  const double pads = 2 * kCellPad * needs.size();
  double size = kMatrixFontSize;
  if (least * size + pads > kContentWidth && least > 0) {
    size = std::max(kMatrixMinFontSize, (kContentWidth - pads) / least);
  }
  layout->font_size = size;
  layout->widths.assign(needs.size(), 0);
  const double room = kContentWidth - pads;
  if (least * size > room) {
    SqueezeColumns(needs, size, &layout->widths);
    return;
  }
  for (std::size_t i = 0; i < needs.size(); ++i) {
    const ColumnNeed& n = needs[i];
    if (whole * size <= room) {
      layout->widths[i] = (n.whole * size + 2 * kCellPad) * kContentWidth /
                          (whole * size + pads);
    } else {
      const double share = (room - least * size) / ((whole - least) * size);
      layout->widths[i] =
          2 * kCellPad + n.least * size + (n.whole - n.least) * size * share;
    }
  }
}

double MatrixLineHeight(const MatrixLayout& layout) {
  return layout.font_size * 1.25;
}

// The lines of a cell's (or heading's) text in column `i`.
std::vector<std::string> CellLines(const MatrixLayout& layout, std::size_t i,
                                   std::string_view text,
                                   std::string_view font) {
  return Wrap(text, font, layout.font_size, layout.widths[i] - 2 * kCellPad);
}

// Every missing element, then every warning, each group under a heading.
std::vector<SummaryLine> SummaryLines(const DossierMatrix& m) {
  std::vector<SummaryLine> out;
  auto group = [&](const std::vector<std::string>& texts,
                   std::string_view title, SummaryLine::Style style) {
    if (texts.empty()) return;
    out.push_back(
        {SummaryLine::Style::kHeading,
         std::string(title) + " (" + std::to_string(texts.size()) + "):"});
    for (const std::string& text : texts) {
      bool continued = false;
      for (std::string& line : Wrap(text, kRegular, kSummaryFont,
                                    kContentWidth - kSummaryIndent - 8)) {
        out.push_back({style, std::move(line), continued});
        continued = true;
      }
    }
  };
  group(m.missing, "ELEMENTOS QUE FALTAN", SummaryLine::Style::kMissing);
  group(m.warnings, "AVISOS", SummaryLine::Style::kWarning);
  return out;
}

MatrixLayout LayoutMatrix(const DossierMatrix& m) {
  MatrixLayout layout;
  FitColumns(m, &layout);
  const double line = MatrixLineHeight(layout);
  std::size_t most = 1;
  for (std::size_t i = 0; i < m.headings.size(); ++i) {
    most = std::max(most, CellLines(layout, i, m.headings[i], kBold).size());
  }
  layout.heading_height = most * line + 7;
  for (const auto& row : m.rows) {
    most = 1;
    for (std::size_t i = 0; i < m.headings.size() && i < row.size(); ++i) {
      most = std::max(most, CellLines(layout, i, row[i].text, kRegular).size());
    }
    layout.row_heights.push_back(most * line + 5);
  }
  // The tab breaks the summary after its count; the names follow it here,
  // every one of them, under the table.
  const std::string& summary = m.summary;
  layout.head = Wrap(summary.substr(0, summary.find('\n')), kBold, kHeadFont,
                     kContentWidth);
  layout.summary = SummaryLines(m);
  return layout;
}

// The first page of the table opens with the project block.
bool OpensMatrix(const PlannedPage& page) {
  return page.matrix_first == 0 && page.summary_first == 0;
}

// The table's headings are drawn on the pages that hold rows, and on the
// first page even when there are none.
bool ShowsHeadings(const PlannedPage& page, const DossierMatrix& m) {
  return !m.headings.empty() && (page.matrix_rows > 0 || OpensMatrix(page));
}

double TitleHeight(const MatrixLayout& layout, const PlannedPage& page) {
  if (!OpensMatrix(page)) return kTableContTitleHeight;
  return kProjectBlockHeight +
         (std::max<std::size_t>(layout.head.size(), 1) - 1) * kHeadLine;
}

// Adds the pages of the project's table and of the summary under it to
// `plan`, filling each page; one page even when both are empty.
void PlanMatrixPages(const DossierMatrix& m, PhotoReportPlan* plan) {
  plan->matrix = LayoutMatrix(m);
  const MatrixLayout& layout = plan->matrix;
  const std::size_t rows = m.rows.size(), lines = layout.summary.size();
  std::size_t row = 0, line = 0;
  do {
    PlannedPage p;
    p.matrix = true;
    p.matrix_first = row;
    p.summary_first = line;
    double y = kContentTop - TitleHeight(layout, p);
    if (!m.headings.empty() && (row < rows || OpensMatrix(p))) {
      y -= layout.heading_height;
    }
    // A row taller than a page still gets one, so that the plan ends.
    while (row < rows && (p.matrix_rows == 0 ||
                          y - layout.row_heights[row] >= kContentBottom)) {
      y -= layout.row_heights[row++];
      ++p.matrix_rows;
    }
    if (row == rows) {
      if (ShowsHeadings(p, m)) y -= kSummaryGap;
      // A heading stays with the line after it.
      while (line < lines &&
             y - (layout.summary[line].style == SummaryLine::Style::kHeading
                      ? 2 * kSummaryLine
                      : kSummaryLine) >=
                 kContentBottom) {
        y -= kSummaryLine;
        ++line;
        ++p.summary_lines;
      }
    }
    plan->pages.push_back(std::move(p));
  } while (row < rows || line < lines);
}

Colour ToneColour(CellTone tone) {
  switch (tone) {
    case CellTone::kGood:
      return kGreen;
    case CellTone::kMissing:
      return kRed;
    case CellTone::kUnknown:
      return kAmber;
    case CellTone::kPlain:
      break;
  }
  return Colour{0.1, 0.1, 0.1};
}

// The page's title: the project block on the matrix's first page, a line
// on the pages it continues on. Returns where the table begins.
double DrawMatrixTitle(PdfCanvas& c, const PhotoReportInput& input,
                       const MatrixLayout& layout, const PlannedPage& page) {
  const DossierMatrix& m = input.matrix;
  const double y = kContentTop;
  Fill(c, kDark);
  if (!OpensMatrix(page)) {
    c.setFont(kBold, 11);
    c.drawString(kLeft, y - 13, "EXPEDIENTE (CONTINUACIÓN)");
    return y - TitleHeight(layout, page);
  }
  c.setFont(kBold, 13);
  c.drawString(
      kLeft, y - 14,
      Fit(c, "PROYECTO: " + input.project_name, kBold, 13, kContentWidth));
  c.setFont(kRegular, 10);
  c.drawString(kLeft, y - 30, "FECHA: " + input.fecha);
  Fill(c, m.complete ? kGreen : kRed);
  c.setFont(kBold, kHeadFont);
  double base = y - 46;
  for (const std::string& line : layout.head) {
    c.drawString(kLeft, base, line);
    base -= kHeadLine;
  }
  return y - TitleHeight(layout, page);
}

// The lines of `text` in column `i`, from the baseline `base` down.
void DrawCellText(PdfCanvas& c, const MatrixLayout& layout, std::size_t i,
                  double x, double base, std::string_view text,
                  std::string_view font) {
  for (const std::string& line : CellLines(layout, i, text, font)) {
    if (!line.empty()) c.drawString(x + kCellPad, base, line);
    base -= MatrixLineHeight(layout);
  }
}

double DrawMatrixHeadings(PdfCanvas& c, const DossierMatrix& m,
                          const MatrixLayout& layout, double y) {
  Fill(c, kDark);
  c.rect(kLeft, y - layout.heading_height, kContentWidth, layout.heading_height,
         false, true);
  c.setFillColorRGB(1, 1, 1);
  c.setFont(kBold, layout.font_size);
  double x = kLeft;
  for (std::size_t i = 0; i < m.headings.size(); ++i) {
    DrawCellText(c, layout, i, x, y - 3.5 - 0.95 * layout.font_size,
                 m.headings[i], kBold);
    x += layout.widths[i];
  }
  return y - layout.heading_height;
}

// Row `r` of the table with its top at `y`, its cells in their tones.
double DrawMatrixRow(PdfCanvas& c, const DossierMatrix& m,
                     const MatrixLayout& layout, std::size_t r, double y) {
  const double h = layout.row_heights[r];
  if (r % 2 == 1) {
    c.setFillColorRGB(0.95, 0.96, 0.97);
    c.rect(kLeft, y - h, kContentWidth, h, false, true);
  }
  c.setFont(kRegular, layout.font_size);
  const std::vector<MatrixCell>& row = m.rows[r];
  double x = kLeft;
  for (std::size_t i = 0; i < layout.widths.size() && i < row.size(); ++i) {
    Fill(c, ToneColour(row[i].tone));
    DrawCellText(c, layout, i, x, y - 2.5 - 0.95 * layout.font_size,
                 row[i].text, kRegular);
    x += layout.widths[i];
  }
  c.setStrokeColorRGB(0.8, 0.8, 0.8);
  c.setLineWidth(0.5);
  c.line(kLeft, y - h, kRight, y - h);
  return y - h;
}

void DrawSummaryLine(PdfCanvas& c, const SummaryLine& line, double y) {
  const double base = y - kSummaryLine + 2.5;
  switch (line.style) {
    case SummaryLine::Style::kHeading:
      Fill(c, kDark);
      c.setFont(kBold, kSummaryFont + 0.5);
      c.drawString(kLeft, base, line.text);
      return;
    case SummaryLine::Style::kMissing:
      Fill(c, kRed);
      break;
    case SummaryLine::Style::kWarning:
      Fill(c, kAmber);
      break;
  }
  c.setFont(kRegular, kSummaryFont);
  c.drawString(kLeft + kSummaryIndent + (line.continued ? 8 : 0), base,
               line.text);
}

void DrawMatrixPage(PdfCanvas& c, const PhotoReportInput& input,
                    const PhotoReportPlan& plan, const PlannedPage& page) {
  const DossierMatrix& m = input.matrix;
  const MatrixLayout& layout = plan.matrix;
  double y = DrawMatrixTitle(c, input, layout, page);
  if (ShowsHeadings(page, m)) {
    y = DrawMatrixHeadings(c, m, layout, y);
    for (std::size_t r = page.matrix_first;
         r < page.matrix_first + page.matrix_rows; ++r) {
      y = DrawMatrixRow(c, m, layout, r, y);
    }
    if (page.summary_lines > 0) y -= kSummaryGap;
  }
  for (std::size_t i = page.summary_first;
       i < page.summary_first + page.summary_lines; ++i) {
    DrawSummaryLine(c, layout.summary[i], y);
    y -= kSummaryLine;
  }
}

void DrawBand(PdfCanvas& c, const PhotoReportInput& input,
              const PointDossier& point, double top) {
  const double h = kBandHeight - 6;
  c.setFillColorRGB(0.93, 0.95, 0.97);
  Stroke(c, kDark);
  c.setLineWidth(1);
  c.roundRect(kLeft, top - h, kContentWidth, h, 4, true, true);
  Fill(c, kDark);
  c.setFont("Helvetica", 8);
  c.drawString(kLeft + 10, top - 16, "PUNTO");
  c.setFont("Helvetica-Bold", 18);
  c.drawString(kLeft + 10, top - 38,
               Fit(c, point.code, "Helvetica-Bold", 18, 120));
  const auto it = input.bands.find(point.code);
  const double x = kLeft + 140;
  const double width = kRight - 8 - x;
  c.setFont("Helvetica", 8.5);
  if (it == input.bands.end()) {
    Fill(c, kRed);
    c.drawString(x, top - 30, "SIN DATOS DE MEDICIÓN");
    return;
  }
  const PointBand& b = it->second;
  c.drawString(x, top - 15,
               Fit(c, "RECEPTOR: " + b.receiver, "Helvetica", 8.5, width));
  c.drawString(x, top - 28,
               Fit(c, "MEDICIÓN: " + b.measurement, "Helvetica", 8.5, width));
  c.setFont("Helvetica-Bold", 8.5);
  c.drawString(x, top - 41, "ALTURA ARP: " + b.arp);
  c.drawString(x + width / 2, top - 41,
               "ALTURA CENTRO DE FASE: " + b.phase_centre);
}

void DrawStageHeading(PdfCanvas& c, const PointDossier& point,
                      std::size_t stage, bool continued, double top) {
  Fill(c, kDark);
  c.rect(kLeft, top - 16, kContentWidth, 16, false, true);
  c.setFillColorRGB(1, 1, 1);
  c.setFont("Helvetica-Bold", 9);
  std::string name(PhotoStageTitle(stage));
  if (continued) name += " (CONTINUACIÓN)";
  c.drawString(kLeft + 6, top - 11.5, name);
  const std::size_t photos = FilesOf(point, stage, true).size();
  const std::size_t videos = FilesOf(point, stage, false).size();
  std::string count = Count(photos, "FOTOGRAFÍA", "FOTOGRAFÍAS");
  if (videos > 0) count += ", " + Count(videos, "VÍDEO", "VÍDEOS");
  c.setFont("Helvetica", 8);
  c.drawRightString(kRight - 6, top - 11.5, count);
}

void DrawNoPhotos(PdfCanvas& c, const PointDossier& point, std::size_t stage,
                  double top) {
  // Videos are not required: their empty stage is told, not marked red.
  const bool videos = stage + 1 == kPhotoStages;
  const std::string empty = videos ? "SIN VÍDEOS" : "SIN FOTOGRAFÍAS";
  Fill(c, videos ? kGreyText : kRed);
  c.setFont("Helvetica-Bold", 9);
  c.drawString(kLeft + 6, top - 10, empty);
  const FolderCount* folder = StageFolder(point, stage);
  std::string note;
  if (folder == nullptr || folder->state == FolderCount::State::kMissing) {
    note = "(NO EXISTE LA CARPETA)";
  } else if (folder->state == FolderCount::State::kUnreadable) {
    note = "(NO SE PUDO LEER LA CARPETA)";
  }
  if (note.empty()) return;
  const double x = kLeft + 12 + c.stringWidth(empty, "Helvetica-Bold", 9);
  Fill(c, kGreyText);
  c.setFont("Helvetica", 8);
  c.drawString(x, top - 10, note);
}

void DrawVideo(PdfCanvas& c, const PointDossier& point, std::size_t stage,
               std::size_t file, double top) {
  const FoundFile& f = point.stages[stage].files[file];
  Fill(c, kDark);
  c.setFont("Helvetica", 8);
  const std::string size = " — " + Megabytes(f.size);
  const double room = kContentWidth - 12 - c.stringWidth(size, "Helvetica", 8);
  c.drawString(kLeft + 6, top - 10,
               Fit(c, "VÍDEO: " + f.name, "Helvetica", 8, room) + size);
}

// The lines under a photo's box: its name, stage, date and place, and why
// it does not belong when it does not.
void DrawCaption(PdfCanvas& c, const PhotoJob& job, const PhotoCell& cell,
                 double x, double bottom);

void DrawPhotoCell(PdfCanvas& c, const PhotoJob& job, PhotoCell cell, double x,
                   double top) {
  const double bottom = top - kPhotoBoxHeight;
  bool drawn = false;
  if (cell.readable && cell.picture.width > 0 && cell.picture.height > 0) {
    const double scale = std::min(kPhotoBoxWidth / cell.picture.width,
                                  kPhotoBoxHeight / cell.picture.height);
    const double w = cell.picture.width * scale;
    const double h = cell.picture.height * scale;
    drawn = c.drawJpeg(std::move(cell.picture), x + (kPhotoBoxWidth - w) / 2,
                       bottom + (kPhotoBoxHeight - h) / 2, w, h);
    if (!drawn && cell.failure.empty()) cell.failure = "NO SE PUDO INSERTAR";
  }
  if (!drawn) {
    c.setFillColorRGB(0.85, 0.85, 0.85);
    c.rect(x, bottom, kPhotoBoxWidth, kPhotoBoxHeight, false, true);
    Fill(c, kGreyText);
    c.setFont("Helvetica-Bold", 8);
    const double mid = x + kPhotoBoxWidth / 2;
    c.drawCentredString(mid, bottom + kPhotoBoxHeight / 2 + 4,
                        "NO SE PUDO LEER:");
    c.drawCentredString(
        mid, bottom + kPhotoBoxHeight / 2 - 7,
        Fit(c, cell.failure, "Helvetica-Bold", 8, kPhotoBoxWidth - 12));
  } else if (!cell.damage.empty()) {
    // A damaged photo is shown as far as it goes, with a band across the
    // foot of its box saying so.
    c.setFillColorRGB(1, 1, 1);
    c.rect(x, bottom, kPhotoBoxWidth, 12, false, true);
    Fill(c, kRed);
    c.setFont("Helvetica-Bold", 8);
    c.drawCentredString(x + kPhotoBoxWidth / 2, bottom + 3.5,
                        Fit(c, "FOTO DAÑADA: " + cell.damage, "Helvetica-Bold",
                            8, kPhotoBoxWidth - 12));
  }
  c.setStrokeColorRGB(0.75, 0.75, 0.75);
  c.setLineWidth(0.5);
  c.rect(x, bottom, kPhotoBoxWidth, kPhotoBoxHeight, true, false);
  DrawCaption(c, job, cell, x, bottom);
}

void DrawCaption(PdfCanvas& c, const PhotoJob& job, const PhotoCell& cell,
                 double x, double bottom) {
  double y = bottom - kCaptionLine;
  Fill(c, kDark);
  c.setFont("Helvetica-Bold", 7);
  c.drawString(x, y, Fit(c, job.name, "Helvetica-Bold", 7, kPhotoBoxWidth));
  c.setFont("Helvetica", 7);
  // A photo that does not belong where it stands says so on the last line,
  // in red; its date and place then share a line, which holds both.
  const bool warned = !job.warning.empty();
  const std::string lines[] = {std::string(subcarpetas_fotos[job.stage]),
                               warned && !cell.where.empty()
                                   ? cell.when + "   " + cell.where
                                   : cell.when,
                               warned ? std::string() : cell.where};
  for (const std::string& line : lines) {
    if (line.empty() && warned) continue;
    y -= kCaptionLine;
    if (!line.empty()) {
      c.drawString(x, y, Fit(c, line, "Helvetica", 7, kPhotoBoxWidth));
    }
  }
  if (warned) {
    y -= kCaptionLine;
    Fill(c, kRed);
    c.setFont("Helvetica-Bold", 7);
    c.drawString(x, y,
                 Fit(c, job.warning, "Helvetica-Bold", 7, kPhotoBoxWidth));
  }
}

void Append2(std::string* out, std::string_view digits) { out->append(digits); }

bool AllDigits(std::string_view s) {
  return !s.empty() && std::all_of(s.begin(), s.end(), [](char ch) {
    return ch >= '0' && ch <= '9';
  });
}

std::string Degrees(double v, int decimals) {
  char buf[32];
  auto res = std::to_chars(buf, buf + sizeof buf, std::fabs(v),
                           std::chars_format::fixed, decimals);
  return std::string(buf, res.ptr) + "°";
}

}  // namespace

PointBand BandFromRow(const TableRow& row, const Catalogue& catalogue) {
  const RowValues& v = row.values;
  const RowResult result = ConvertRow(v, catalogue);
  PointBand band;
  band.receiver = result.receiver.empty() ? "—" : result.receiver;
  std::string m;
  for (const std::string* part : {&v.tipo, &v.acc, &v.ref}) {
    if (part->empty()) continue;
    if (!m.empty()) m += " · ";
    m += *part;
  }
  if (!v.h.empty()) {
    if (!m.empty()) m += " · ";
    m += "ALTURA MEDIDA " + v.h + " m";
  }
  band.measurement = m.empty() ? "—" : m;
  band.arp = band.phase_centre = "—";
  if (result.conversion) {
    band.arp = FormatFixed(result.conversion->arp, 4) + " m";
    band.phase_centre = FormatFixed(result.conversion->phase_center, 4) + " m";
  }
  return band;
}

PhotoReportPlan PlanPhotoReport(const PhotoReportInput& input) {
  PhotoReportPlan plan;
  PlanMatrixPages(input.matrix, &plan);

  for (std::size_t pi = 0; pi < input.scan.points.size(); ++pi) {
    const PointDossier& point = input.scan.points[pi];
    PointPager pager(&plan, pi);
    const std::size_t warning_lines = WarningLines(point).size();
    for (std::size_t i = 0; i < warning_lines; ++i) {
      PageItem line{PageItem::Kind::kWarning};
      line.file = i;
      pager.Line(line);
    }
    for (std::size_t s = 0; s < kPhotoStages; ++s) {
      std::vector<PageItem> entries;
      const std::vector<const FoundFile*> photos = FilesOf(point, s, true);
      for (std::size_t i = 0; i < photos.size(); i += 2) {
        PageItem row{PageItem::Kind::kPhotoRow, s};
        row.first_photo = plan.photos.size();
        row.photo_count = i + 1 < photos.size() ? 2 : 1;
        for (int k = 0; k < row.photo_count; ++k) {
          const FoundFile& f = *photos[i + k];
          PhotoJob job{f.path, f.name, f.kind, f.mtime_s, s};
          for (const std::string& w : f.warnings) {
            job.warning += (job.warning.empty() ? "" : " · ") + w;
          }
          plan.photos.push_back(std::move(job));
        }
        entries.push_back(row);
      }
      if (const FolderCount* folder = StageFolder(point, s);
          folder != nullptr && folder->state == FolderCount::State::kRead) {
        for (std::size_t i = 0; i < folder->files.size(); ++i) {
          if (folder->files[i].kind != FileKind::kVideo) continue;
          PageItem video{PageItem::Kind::kVideo, s};
          video.file = i;
          entries.push_back(video);
        }
      }
      if (entries.empty()) entries.push_back({PageItem::Kind::kNoPhotos, s});
      pager.Stage(s, entries);
    }
  }
  return plan;
}

void DrawPhotoReportPage(PdfCanvas& c, const PhotoReportInput& input,
                         const PhotoReportPlan& plan, std::size_t index,
                         std::vector<PhotoCell> cells) {
  const PlannedPage& page = plan.pages.at(index);
  c.saveState();
  DrawFrame(c, input, index, plan.pages.size());
  if (page.matrix) {
    DrawMatrixPage(c, input, plan, page);
    c.restoreState();
    return;
  }
  const PointDossier& point = input.scan.points.at(page.point);
  std::vector<std::string> warning_lines;  // made when the page has some
  for (const PageItem& item : page.items) {
    switch (item.kind) {
      case PageItem::Kind::kBand:
        DrawBand(c, input, point, item.y_top);
        break;
      case PageItem::Kind::kBandCont:
        Fill(c, kDark);
        c.setFont("Helvetica-Bold", 10);
        c.drawString(kLeft, item.y_top - 13,
                     "PUNTO " + point.code + " (CONTINUACIÓN)");
        break;
      case PageItem::Kind::kStage:
      case PageItem::Kind::kStageCont:
        DrawStageHeading(c, point, item.stage,
                         item.kind == PageItem::Kind::kStageCont, item.y_top);
        break;
      case PageItem::Kind::kNoPhotos:
        DrawNoPhotos(c, point, item.stage, item.y_top);
        break;
      case PageItem::Kind::kVideo:
        DrawVideo(c, point, item.stage, item.file, item.y_top);
        break;
      case PageItem::Kind::kWarning:
        if (warning_lines.empty()) warning_lines = WarningLines(point);
        if (item.file < warning_lines.size()) {
          Fill(c, kRed);
          c.setFont("Helvetica", 8);
          c.drawString(
              kLeft, item.y_top - 8,
              Fit(c, warning_lines[item.file], "Helvetica", 8, kContentWidth));
        }
        break;
      case PageItem::Kind::kPhotoRow:
        for (int k = 0; k < item.photo_count; ++k) {
          const std::size_t photo = item.first_photo + k;
          const std::size_t at = photo - page.first_photo;
          PhotoCell cell;
          if (at < cells.size()) cell = std::move(cells[at]);
          DrawPhotoCell(c, plan.photos.at(photo), std::move(cell),
                        kLeft + k * (kPhotoBoxWidth + kColumnGap), item.y_top);
        }
        break;
    }
  }
  c.restoreState();
}

std::string FormatExifDateTime(const std::string& exif) {
  // "YYYY:MM:DD HH:MM:SS"
  if (exif.size() < 19 || exif[4] != ':' || exif[7] != ':' || exif[10] != ' ' ||
      exif[13] != ':' || exif[16] != ':') {
    return std::string();
  }
  const std::string_view s(exif);
  for (auto [at, n] :
       {std::pair{0, 4}, {5, 2}, {8, 2}, {11, 2}, {14, 2}, {17, 2}}) {
    if (!AllDigits(s.substr(at, n))) return std::string();
  }
  if (s.substr(0, 4) == "0000") return std::string();
  std::string out;
  Append2(&out, s.substr(8, 2));
  out += '/';
  Append2(&out, s.substr(5, 2));
  out += '/';
  out.append(s.substr(0, 4));
  out += ' ';
  out.append(s.substr(11, 8));
  return out;
}

std::string FormatGps(double latitude, double longitude) {
  return "GPS: " + Degrees(latitude, 6) + (latitude < 0 ? " S" : " N") + ", " +
         Degrees(longitude, 6) + (longitude < 0 ? " O" : " E");
}

}  // namespace zarvek
