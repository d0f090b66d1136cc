// The pages of the photo report, "REPORTAJE FOTOGRÁFICO.pdf": first the
// project (its folder name, the date and the dossier's matrix as a table,
// continued over as many pages as it needs), then each point on pages of
// its own: a band with its code, receiver, measurement and heights, then
// each photo stage in folder order with its photos, two columns and three
// rows at most a page, each captioned with its stage, its file name, when it
// was taken and where, when the photo says so. A stage with nothing in it
// shows "SIN FOTOGRAFÍAS" in red; videos are listed by name and size.
//
// The plan of the pages is made first, from the dossier alone, so that the
// photos can be prepared (read, turned upright, scaled) off the page in the
// order the pages show them, and the page count is known for every footer.
// Pages are then drawn one at a time from the plan and the prepared photos.
#ifndef ZARVEK_PHOTOS_PHOTO_REPORT_H_
#define ZARVEK_PHOTOS_PHOTO_REPORT_H_

#include <cstddef>
#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "dossier/dossier.h"
#include "heights/catalogue.h"
#include "heights/measurement_table.h"
#include "pdf/pdf_canvas.h"

namespace zarvek {

/// What a point's band says of its measurement, as texts.
struct PointBand {
  std::string receiver;
  std::string measurement;
  std::string arp;           ///< ARP height, e.g. "1.4321 m"
  std::string phase_centre;  ///< phase-centre height
};

/// The band of the measurement table row `row`: the receiver it stands for
/// ("—" for a row not begun: its preset receiver was nobody's choice), the
/// type, accessory, reference and measured height, and the ARP and
/// phase-centre heights with four decimals as ConvertRow gives them, "—"
/// when it gives none.
PointBand BandFromRow(const TableRow& row, const Catalogue& catalogue);

/// What the report prints of a project.
struct PhotoReportInput {
  std::string project_name;  ///< the project folder's name
  std::string fecha;         ///< "dd/mm/yyyy"
  DossierMatrix matrix;
  DossierScan scan;
  /// By point code; a point without one says "SIN DATOS DE MEDICIÓN".
  std::map<std::string, PointBand> bands;
};

/// The box a photo is printed in (it keeps its proportions inside it).
inline constexpr double kPhotoBoxWidth = 250;
inline constexpr double kPhotoBoxHeight = 150;
/// Photos on one page at most.
inline constexpr int kPhotosPerPage = 6;

/// One file to show in a photo cell, in the order of the pages.
struct PhotoJob {
  std::string path;
  std::string name;
  FileKind kind = FileKind::kJpeg;
  std::int64_t mtime_s = 0;
  std::size_t stage = 0;  ///< index into subcarpetas_fotos
  /// Why the photo does not belong where it stands (FoundFile::warnings,
  /// joined by " · "), printed in red under its caption; "" when nothing.
  std::string warning{};
};

/// A photo cell as it is drawn, prepared from its PhotoJob.
struct PhotoCell {
  bool readable = false;
  JpegPicture picture;  ///< when readable
  std::string failure;  ///< why not, in capitals
  std::string when;     ///< date and time as printed, marked when a file's
  std::string where;    ///< the GPS line; empty when none
  /// When readable but not whole (its data ends early or holds errors):
  /// why, in capitals; the picture shows what could be read.
  std::string damage;
};

/// One thing in the flow of a point's pages.
struct PageItem {
  enum class Kind {
    kBand,       ///< the point's band (its first page)
    kBandCont,   ///< the short band of its later pages
    kStage,      ///< a stage heading
    kStageCont,  ///< the heading of a stage continued from the last page
    kPhotoRow,   ///< one or two photos
    kNoPhotos,   ///< "SIN FOTOGRAFÍAS"
    kVideo,      ///< one video's line
    kWarning,    ///< a line of the point's warnings, under its band
  };
  Kind kind = Kind::kBand;
  std::size_t stage = 0;
  std::size_t first_photo = 0;  ///< kPhotoRow: index into the plan's photos
  int photo_count = 0;
  /// kVideo: index into the stage's files; kWarning: the line's index
  /// among the point's warning lines.
  std::size_t file = 0;
  double y_top = 0;  ///< where it starts, from the page's bottom
};

struct PlannedPage {
  bool matrix = false;  ///< a page of the project's table
  std::size_t matrix_first = 0;
  std::size_t matrix_rows = 0;
  /// The lines of the summary under the table on this page (indices into
  /// MatrixLayout::summary).
  std::size_t summary_first = 0;
  std::size_t summary_lines = 0;
  std::size_t point = 0;  ///< index into the scan's points
  std::vector<PageItem> items;
  std::size_t first_photo = 0;  ///< the page's photos, in the plan's order
  std::size_t photo_count = 0;
};

/// One line of the summary printed under the project's table.
struct SummaryLine {
  enum class Style { kHeading, kMissing, kWarning };
  Style style = Style::kMissing;
  std::string text;
  bool continued = false;  ///< the wrapped rest of the line before it
};

/// How the project's table is set, chosen from the texts' own widths (the
/// fonts' metrics) so that every heading and every cell prints whole: the
/// font size (kMatrixFontSize, smaller down to kMatrixMinFontSize when the
/// columns need it), each column's width, and each row's height; a text
/// wider than its column wraps inside its cell, at spaces when it can.
struct MatrixLayout {
  double font_size = 0;
  std::vector<double> widths;  ///< one per heading, in points
  double heading_height = 0;
  std::vector<double> row_heights;  ///< one per row
  /// The summary's first line (its count), wrapped to the page.
  std::vector<std::string> head;
  /// Under the table: every missing element, then every warning, each
  /// group after a heading of its own, wrapped to the page.
  std::vector<SummaryLine> summary;
};

inline constexpr double kMatrixFontSize = 7;
inline constexpr double kMatrixMinFontSize = 5.5;

struct PhotoReportPlan {
  std::vector<PhotoJob> photos;
  std::vector<PlannedPage> pages;
  MatrixLayout matrix;
};

/// The pages of `input`: the table first, with every missing element and
/// every warning of the matrix under it (over as many pages as they
/// take), then every point of the scan in its order. Photo cells are the
/// stage's JPEG, PNG and HEIF files and the files that could not be read (a
/// grey box with the reason), in the scan's order; videos are listed after
/// them; other files are left out.
PhotoReportPlan PlanPhotoReport(const PhotoReportInput& input);

/// Draws page `index` of `plan` (without ending it). `cells` are the page's
/// photos, PlannedPage::photo_count of them in order; their pictures are
/// handed to the canvas.
void DrawPhotoReportPage(PdfCanvas& c, const PhotoReportInput& input,
                         const PhotoReportPlan& plan, std::size_t index,
                         std::vector<PhotoCell> cells);

/// "2024:05:17 10:31:05" (EXIF) as "17/05/2024 10:31:05"; empty when it is
/// not such a date.
std::string FormatExifDateTime(const std::string& exif);

/// A position as "GPS: 12.046374° S, 77.042793° O".
std::string FormatGps(double latitude, double longitude);

/// The mark after a date taken from the file rather than the photo.
inline constexpr char kFileDateMark[] = "(FECHA DEL ARCHIVO)";

}  // namespace zarvek

#endif  // ZARVEK_PHOTOS_PHOTO_REPORT_H_
