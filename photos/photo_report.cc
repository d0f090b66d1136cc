#include "photos/photo_report.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <string_view>

#include "dossier/file_kind.h"
#include "heights/row_result.h"
#include "project/layout.h"
#include "text/decimal.h"

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
constexpr double kColumnGap = kContentWidth - 2 * kPhotoBoxWidth;
// Three rows, each under a stage heading of its own, fit below the band.
static_assert(kBandHeight + 3 * (kStageHeight + kRowHeight) <=
              kContentTop - kContentBottom);
static_assert(kColumnGap >= 8);

// The table of the project.
constexpr double kTableFont = 7;
constexpr double kTableHeadingHeight = 16;
constexpr double kTableRowHeight = 14;
constexpr double kProjectBlockHeight = 58;
constexpr double kTableContTitleHeight = 22;

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
    case PageItem::Kind::kNoPhotos:
    case PageItem::Kind::kVideo:
      break;
  }
  return kLineHeight;
}

// Lays out one point's pages.
class PointPager {
 public:
  PointPager(PhotoReportPlan* plan, std::size_t point)
      : plan_(plan), point_(point) {
    NewPage(/*first=*/true);
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

// The tab's marks "✓" and "✗" have no glyph in the standard fonts: a cell
// that starts with one gets it drawn as lines, in the cell's colour, and
// the rest of its text after it. Returns the rest.
std::string_view DrawMark(PdfCanvas& c, std::string_view text, double x,
                          double baseline) {
  static constexpr std::string_view kTicks[] = {"\u2713", "\u2714"};
  static constexpr std::string_view kCrosses[] = {"\u2717", "\u2718"};
  bool tick = false, cross = false;
  for (std::string_view t : kTicks) tick = tick || text.substr(0, 3) == t;
  for (std::string_view t : kCrosses) cross = cross || text.substr(0, 3) == t;
  if (!tick && !cross) return text;
  const double h = kTableFont * 0.75;
  c.setLineWidth(1);
  if (tick) {
    c.line(x, baseline + h * 0.5, x + h * 0.35, baseline);
    c.line(x + h * 0.35, baseline, x + h * 0.9, baseline + h);
  } else {
    c.line(x, baseline, x + h * 0.8, baseline + h);
    c.line(x, baseline + h, x + h * 0.8, baseline);
  }
  text.remove_prefix(3);
  while (!text.empty() && text.front() == ' ') text.remove_prefix(1);
  return text;
}

// The page's title: the project block on the matrix's first page, a line
// on the pages it continues on. Returns the height under it.
double DrawMatrixTitle(PdfCanvas& c, const PhotoReportInput& input,
                       const PlannedPage& page) {
  const DossierMatrix& m = input.matrix;
  double y = kContentTop;
  if (page.matrix_first == 0) {
    Fill(c, kDark);
    c.setFont("Helvetica-Bold", 13);
    c.drawString(kLeft, y - 14,
                 Fit(c, "PROYECTO: " + input.project_name, "Helvetica-Bold", 13,
                     kContentWidth));
    c.setFont("Helvetica", 10);
    c.drawString(kLeft, y - 30, "FECHA: " + input.fecha);
    Fill(c, m.complete ? kGreen : kRed);
    c.setFont("Helvetica-Bold", 10);
    // The tab breaks the summary after its count; here it is one line.
    std::string summary = m.summary;
    std::replace(summary.begin(), summary.end(), '\n', ' ');
    c.drawString(kLeft, y - 46,
                 Fit(c, summary, "Helvetica-Bold", 10, kContentWidth));
    y -= kProjectBlockHeight;
  } else {
    Fill(c, kDark);
    c.setFont("Helvetica-Bold", 11);
    c.drawString(kLeft, y - 13, "EXPEDIENTE (CONTINUACIÓN)");
    y -= kTableContTitleHeight;
  }
  return y;
}

// Columns as wide as their widest text, stretched or narrowed together
// to the width of the page.
std::vector<double> MatrixColumnWidths(PdfCanvas& c, const DossierMatrix& m) {
  const std::size_t columns = m.headings.size();
  std::vector<double> widths(columns, 0);
  for (std::size_t i = 0; i < columns; ++i) {
    widths[i] = c.stringWidth(m.headings[i], "Helvetica-Bold", kTableFont);
    for (const auto& row : m.rows) {
      if (i < row.size()) {
        widths[i] = std::max(
            widths[i], c.stringWidth(row[i].text, "Helvetica", kTableFont));
      }
    }
    widths[i] += 8;
  }
  double total = 0;
  for (double w : widths) total += w;
  for (double& w : widths) w *= kContentWidth / total;
  return widths;
}

// The cells of one matrix row whose top is at `y`, in their tones.
void DrawMatrixRow(PdfCanvas& c, const std::vector<MatrixCell>& row,
                   const std::vector<double>& widths, double y) {
  double x = kLeft;
  for (std::size_t i = 0; i < widths.size() && i < row.size(); ++i) {
    const MatrixCell& cell = row[i];
    const Colour tone = ToneColour(cell.tone);
    Fill(c, tone);
    Stroke(c, tone);
    const std::string_view rest = DrawMark(c, cell.text, x + 4, y - 9.5);
    const double shift = rest.size() < cell.text.size() ? 9 : 0;
    c.drawString(x + 4 + shift, y - 9.5,
                 Fit(c, rest, "Helvetica", kTableFont, widths[i] - 6 - shift));
    x += widths[i];
  }
}

void DrawMatrixPage(PdfCanvas& c, const PhotoReportInput& input,
                    const PlannedPage& page) {
  const DossierMatrix& m = input.matrix;
  double y = DrawMatrixTitle(c, input, page);
  const std::size_t columns = m.headings.size();
  if (columns == 0) return;
  const std::vector<double> widths = MatrixColumnWidths(c, m);

  Fill(c, kDark);
  c.rect(kLeft, y - kTableHeadingHeight, kContentWidth, kTableHeadingHeight,
         false, true);
  c.setFillColorRGB(1, 1, 1);
  c.setFont("Helvetica-Bold", kTableFont);
  double x = kLeft;
  for (std::size_t i = 0; i < columns; ++i) {
    c.drawString(
        x + 4, y - 10.5,
        Fit(c, m.headings[i], "Helvetica-Bold", kTableFont, widths[i] - 6));
    x += widths[i];
  }
  y -= kTableHeadingHeight;
  c.setFont("Helvetica", kTableFont);
  c.setStrokeColorRGB(0.8, 0.8, 0.8);
  c.setLineWidth(0.5);
  for (std::size_t r = page.matrix_first;
       r < page.matrix_first + page.matrix_rows; ++r) {
    if (r % 2 == 1) {
      c.setFillColorRGB(0.95, 0.96, 0.97);
      c.rect(kLeft, y - kTableRowHeight, kContentWidth, kTableRowHeight, false,
             true);
    }
    DrawMatrixRow(c, m.rows[r], widths, y);
    c.setStrokeColorRGB(0.8, 0.8, 0.8);
    c.setLineWidth(0.5);
    c.line(kLeft, y - kTableRowHeight, kRight, y - kTableRowHeight);
    y -= kTableRowHeight;
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
  std::string name(subcarpetas_fotos[stage]);
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
  Fill(c, kRed);
  c.setFont("Helvetica-Bold", 9);
  c.drawString(kLeft + 6, top - 10, "SIN FOTOGRAFÍAS");
  const FolderCount* folder = StageFolder(point, stage);
  std::string note;
  if (folder == nullptr || folder->state == FolderCount::State::kMissing) {
    note = "(NO EXISTE LA CARPETA)";
  } else if (folder->state == FolderCount::State::kUnreadable) {
    note = "(NO SE PUDO LEER LA CARPETA)";
  }
  if (note.empty()) return;
  const double x =
      kLeft + 12 + c.stringWidth("SIN FOTOGRAFÍAS", "Helvetica-Bold", 9);
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
  // The table: as many rows as fit under the project block on the first
  // page and under the title on the others; one page even when empty.
  const std::size_t rows = input.matrix.rows.size();
  std::size_t first = 0;
  do {
    const double above =
        first == 0 ? kProjectBlockHeight : kTableContTitleHeight;
    const auto fit = static_cast<std::size_t>(
        (kContentTop - kContentBottom - above - kTableHeadingHeight) /
        kTableRowHeight);
    PlannedPage p;
    p.matrix = true;
    p.matrix_first = first;
    p.matrix_rows = std::min(fit, rows - first);
    first += p.matrix_rows;
    plan.pages.push_back(std::move(p));
  } while (first < rows);

  for (std::size_t pi = 0; pi < input.scan.points.size(); ++pi) {
    const PointDossier& point = input.scan.points[pi];
    PointPager pager(&plan, pi);
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
    DrawMatrixPage(c, input, page);
    c.restoreState();
    return;
  }
  const PointDossier& point = input.scan.points.at(page.point);
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
