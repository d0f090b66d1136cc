#include "dossier/matrix.h"

#include <algorithm>
#include <optional>
#include <string_view>
#include <utility>

#include "dossier/file_kind.h"
#include "project/layout.h"
#include "project/point_detection.h"
#include "text/ascii_text.h"

namespace zarvek {
namespace {

constexpr std::string_view kNotThere = "✗ NO EXISTE";

// A file's time, comparable.
std::pair<std::int64_t, std::int32_t> TimeOf(const FoundFile& file) {
  return {file.mtime_s, file.mtime_ns};
}

MatrixCell Cell(std::string text, CellTone tone, std::string folder) {
  MatrixCell cell;
  cell.text = std::move(text);
  cell.tone = tone;
  cell.folder = std::move(folder);
  return cell;
}

// A folder's cell: its count ("*" after it when it holds HEIC/HEIF photos,
// which `heif` counts; "?" when some of them could not be read), "0" in red
// when `required`, "✗ NO EXISTE" or "?". A folder whose every photo could not
// be read shows in the "?" tone.
MatrixCell CountCell(const FolderCount& folder, bool required,
                     std::size_t* heif) {
  switch (folder.state) {
    case FolderCount::State::kMissing:
      return Cell(std::string(kNotThere), CellTone::kMissing, folder.path);
    case FolderCount::State::kUnreadable: {
      MatrixCell cell = Cell("?", CellTone::kUnknown, folder.path);
      cell.reason = folder.reason;
      return cell;
    }
    case FolderCount::State::kRead:
      break;
  }
  const std::size_t heifs = std::count_if(
      folder.files.begin(), folder.files.end(),
      [](const FoundFile& f) { return f.kind == FileKind::kHeif; });
  *heif += heifs;
  const FoundFile* unreadable = nullptr;
  std::size_t unreadables = 0;
  for (const FoundFile& f : folder.files) {
    if (f.kind != FileKind::kUnreadable) continue;
    if (unreadables++ == 0) unreadable = &f;
  }
  std::string text = DecimalText(folder.files.size());
  if (heifs > 0) text += "*";
  if (unreadables > 0) text += "?";
  MatrixCell cell = Cell(std::move(text),
                         folder.files.size() > unreadables ? CellTone::kGood
                         : unreadables > 0                 ? CellTone::kUnknown
                         : required                        ? CellTone::kMissing
                                                           : CellTone::kPlain,
                         folder.path);
  cell.reason = unreadable != nullptr ? unreadable->error : folder.reason;
  cell.unreadable = unreadables;
  return cell;
}

// What is missing of a folder whose cell is `cell`, or "". (Photos that
// could not be read are named one by one: UnreadablePhotos.)
std::string FolderLack(const MatrixCell& cell, std::string_view lack,
                       std::string_view what) {
  if (cell.unreadable > 0) return "";
  if (cell.tone == CellTone::kUnknown) {
    return "NO SE PUEDE LEER " + std::string(what);
  }
  if (cell.tone == CellTone::kMissing) return std::string(lack);
  return "";
}

// Names in `lacks` each photo of `folder` that could not be read, as
// "NO SE PUEDE LEER <what>/<name>", and counts them in `matrix`.
void UnreadablePhotos(const FolderCount& folder, std::string_view what,
                      std::vector<std::string>* lacks, DossierMatrix* matrix) {
  for (const FoundFile& f : folder.files) {
    if (f.kind != FileKind::kUnreadable) continue;
    if (matrix->unreadable_photos++ == 0) matrix->unreadable_reason = f.error;
    lacks->push_back("NO SE PUEDE LEER " + std::string(what) + "/" + f.name);
  }
}

CellTone ToneOfVerdict(std::string_view text) {
  if (text.empty()) return CellTone::kPlain;
  if (text.rfind("✓", 0) == 0) return CellTone::kGood;
  if (text == "?") return CellTone::kUnknown;
  return CellTone::kMissing;  // "✗ …", "—"
}

// The time of the newest photo of the project, for the photo report.
std::optional<std::pair<std::int64_t, std::int32_t>> NewestPhoto(
    const DossierScan& scan) {
  std::optional<std::pair<std::int64_t, std::int32_t>> newest_photo;
  for (const PointDossier& point : scan.points) {
    for (const FolderCount& stage : point.stages) {
      for (const FoundFile& file : stage.files) {
        if (!IsPhotoKind(file.kind)) continue;
        if (!newest_photo || TimeOf(file) > *newest_photo)
          newest_photo = TimeOf(file);
      }
    }
  }
  return newest_photo;
}

// The cell of a report `item` (shown as `name`), out of date when its
// `source` is newer than it; what it lacks goes to `matrix`.
MatrixCell ReportCell(
    const ProjectItem& item, const std::string& name,
    const std::optional<std::pair<std::int64_t, std::int32_t>>& source,
    DossierMatrix* matrix) {
  // A report's folder is the one that holds it.
  const std::string& path = item.folder.path;
  const std::string folder = path.substr(0, path.find_last_of("/\\"));
  if (item.folder.state == FolderCount::State::kUnreadable) {
    MatrixCell cell = Cell("?", CellTone::kUnknown, folder);
    cell.reason = item.folder.reason;
    matrix->missing.push_back("NO SE PUEDE LEER " + name);
    return cell;
  }
  if (item.folder.files.empty()) {
    matrix->missing.push_back(name + ": NO EXISTE");
    return Cell("✗", CellTone::kMissing, folder);
  }
  if (source && *source > TimeOf(item.folder.files.front())) {
    matrix->missing.push_back(name + ": DESACTUALIZADO");
    return Cell("DESACTUALIZADO", CellTone::kMissing, folder);
  }
  return Cell("✓", CellTone::kGood, folder);
}

// The project items' cells and what they lack.
void AddItems(const DossierScan& scan, DossierMatrix* matrix) {
  const std::optional<std::pair<std::int64_t, std::int32_t>> newest_photo =
      NewestPhoto(scan);
  std::size_t heif = 0;
  for (const ProjectItem& item : scan.items) {
    const bool height_report = item.label == kReportFileName;
    const bool photo_report = item.label == kPhotoReportFileName;
    MatrixItem shown;
    shown.label = item.label;
    const bool base_native = item.label == kBaseNativeLabel;
    const bool base = base_native || item.label == kBaseRinexLabel;
    const std::string name = item.label;
    if (height_report || photo_report) {
      std::optional<std::pair<std::int64_t, std::int32_t>> source;
      if (height_report && scan.measurement_file)
        source = TimeOf(*scan.measurement_file);
      if (photo_report) source = newest_photo;
      shown.cell = ReportCell(item, name, source, matrix);
    } else {
      shown.cell = CountCell(item.folder, true, &heif);
      if (shown.cell.tone == CellTone::kGood) shown.cell.text += " ✓";
      if (shown.cell.text == "0") shown.cell.text = "0 ✗";
      const bool missing = item.folder.state == FolderCount::State::kMissing;
      std::string lack;
      if (base) {
        // Named as a point's folders are: "ESTACIÓN BASE: SIN ARCHIVOS EN
        // NATIVA".
        const std::string folder(base_native ? kNativeFolder : kRinexFolder);
        lack = FolderLack(
            shown.cell,
            (missing ? "NO EXISTE LA CARPETA " : "SIN ARCHIVOS EN ") + folder,
            folder);
        if (!lack.empty()) lack = "ESTACIÓN BASE: " + lack;
      } else {
        lack = FolderLack(shown.cell,
                          name + (missing ? ": NO EXISTE" : ": SIN ARCHIVOS"),
                          name);
      }
      if (!lack.empty()) matrix->missing.push_back(lack);
    }
    matrix->items.push_back(std::move(shown));
  }
}

// The NATIVA, RINEX and ALTURA cells of a point with a GNSS folder, and
// what they lack.
void AddGnssCells(const PointDossier& point, const PointCellSources& sources,
                  std::vector<MatrixCell>* row, std::vector<std::string>* lacks,
                  DossierMatrix* matrix) {
  const FolderCount native = point.native.value_or(FolderCount{});
  row->push_back(CountCell(native, true, &matrix->heif_photos));
  const std::string lack =
      FolderLack(row->back(), "SIN ARCHIVOS EN " + std::string(kNativeFolder),
                 kNativeFolder);
  if (!lack.empty()) lacks->push_back(lack);
  const std::string rinex_dir =
      JoinPath(point.gnss_folder, std::string(kRinexFolder));
  const std::string rinex =
      sources.rinex ? sources.rinex(point.code) : std::string();
  row->push_back(Cell(rinex, ToneOfVerdict(rinex), rinex_dir));
  if (rinex == "—") {
    lacks->push_back("SIN ARCHIVOS RINEX");
  } else if (row->back().tone == CellTone::kMissing ||
             row->back().tone == CellTone::kUnknown) {
    lacks->push_back("RINEX POR REVISAR (" + rinex + ")");
  }
  std::string session_reason;
  const std::string session = sources.session
                                  ? sources.session(point.code, &session_reason)
                                  : std::string();
  // The figures carry no verdict: no requirement judges them here.
  row->push_back(Cell(session,
                      session == "?" ? CellTone::kUnknown : CellTone::kPlain,
                      rinex_dir));
  row->back().reason = session_reason;
  const std::string height =
      sources.height ? sources.height(point.code) : std::string();
  const bool no_height = height == "—" || height == "✗";
  row->push_back(Cell(height,
                      height.empty() ? CellTone::kPlain
                      : no_height    ? CellTone::kMissing
                                     : CellTone::kGood,
                      point.gnss_folder));
  if (height == "—") lacks->push_back("SIN ALTURA DE ANTENA");
  if (height == "✗") lacks->push_back("ALTURA DE ANTENA ERRÓNEA");
}

// The cells of a point's photo stages, and what they lack.
void AddPhotoCells(const PointDossier& point, std::vector<MatrixCell>* row,
                   std::vector<std::string>* lacks, DossierMatrix* matrix) {
  for (std::size_t i = 0; i < kPhotoStages; ++i) {
    const bool videos = i + 1 == kPhotoStages;
    if (!point.has_photo_folder || i >= point.stages.size()) {
      row->push_back(
          Cell(std::string(kNotThere), CellTone::kMissing, std::string()));
      continue;
    }
    if (videos && point.stages[i].state == FolderCount::State::kMissing) {
      // Videos are optional: a point without their folder lacks nothing.
      row->push_back(Cell("—", CellTone::kPlain, point.stages[i].path));
      continue;
    }
    row->push_back(CountCell(point.stages[i], !videos, &matrix->heif_photos));
    if (videos) continue;
    const std::string stage(subcarpetas_fotos[i]);
    UnreadablePhotos(point.stages[i], stage, lacks, matrix);
    const std::string lack =
        FolderLack(row->back(), "SIN FOTOS DE " + stage, stage);
    if (!lack.empty()) lacks->push_back(lack);
  }
}

// The row of `point`: its code and its cells; what it lacks goes to
// `lacks`.
std::vector<MatrixCell> PointRow(const PointDossier& point,
                                 const PointCellSources& sources,
                                 std::vector<std::string>* lacks,
                                 DossierMatrix* matrix) {
  std::vector<MatrixCell> row;
  const bool has_gnss = !point.gnss_folder.empty();
  row.push_back(Cell(point.code,
                     has_gnss && point.has_photo_folder ? CellTone::kPlain
                                                        : CellTone::kMissing,
                     has_gnss ? point.gnss_folder : point.photo_folder));
  if (!has_gnss) {
    lacks->push_back("SIN CARPETA EN " + std::string(kGnssDataFolder));
    // Every cell of the GNSS folder: NATIVA up to ALTURA.
    for (std::size_t i = kNativeColumn; i < kFirstStageColumn; ++i) {
      row.push_back(
          Cell(std::string(kNotThere), CellTone::kMissing, std::string()));
    }
  } else {
    AddGnssCells(point, sources, &row, lacks, matrix);
  }
  if (!point.has_photo_folder) {
    lacks->push_back("SIN CARPETA EN " + std::string(kPhotosFolder));
  }
  AddPhotoCells(point, &row, lacks, matrix);
  // What the files show that a count cannot: how many, in the AVISOS
  // column; the texts in the status line and the summary.
  row.push_back(point.warnings.empty()
                    ? Cell("", CellTone::kPlain, std::string())
                    : Cell(DecimalText(point.warnings.size()),
                           CellTone::kUnknown, point.photo_folder));
  for (const std::string& warning : point.warnings)
    matrix->warnings.push_back(point.code + ": " + warning);
  return row;
}

}  // namespace

DossierMatrix BuildDossierMatrix(const DossierScan& scan,
                                 const PointCellSources& sources) {
  DossierMatrix matrix;
  matrix.headings = {"PUNTO", "NATIVA", "RINEX", "SESIÓN", "ALTURA"};
  for (std::string_view stage : subcarpetas_fotos) {
    matrix.headings.emplace_back(stage.substr(0, stage.find('.')));
  }
  matrix.headings.emplace_back("AVISOS");
  // The points' lacks are named first: the summary counts them by point,
  // and the project items show their own marks at the top of the tab.
  DossierMatrix project;
  AddItems(scan, &project);
  matrix.items = std::move(project.items);
  for (const std::string& reason : scan.unlisted) {
    project.missing.push_back("NO SE PUEDE LEER " + reason);
  }
  if (scan.points.empty() && scan.unlisted.empty()) {
    project.missing.push_back(std::string(kGnssDataFolder) + ": SIN PUNTOS");
  }
  std::size_t points_lacking = 0;
  for (const PointDossier& point : scan.points) {
    std::vector<std::string> lacks;
    std::vector<MatrixCell> row = PointRow(point, sources, &lacks, &matrix);
    if (!lacks.empty()) ++points_lacking;
    for (const std::string& lack : lacks) {
      matrix.missing.push_back("PUNTO " + point.code + ": " + lack);
    }
    matrix.rows.push_back(std::move(row));
  }
  matrix.missing.insert(matrix.missing.end(), project.missing.begin(),
                        project.missing.end());
  // Points past the rooms' limit are not read: nothing is said of them but
  // that they are there.
  const bool capped = scan.points_found > scan.points.size();
  matrix.complete = matrix.missing.empty() && !capped;
  matrix.summary = DossierSummary(matrix.missing, points_lacking);
  if (capped) {
    matrix.summary =
        TooManyPointsText() + ": SE MUESTRAN LOS " +
        DecimalText(scan.points.size()) + " PRIMEROS DE " +
        DecimalText(scan.points_found) + ". " +
        (matrix.missing.empty() ? std::string("EN ELLOS NO FALTA NADA.")
                                : matrix.summary);
  }
  return matrix;
}

std::string DossierSummary(const std::vector<std::string>& missing,
                           std::size_t points, std::size_t shown) {
  if (missing.empty()) return "EXPEDIENTE COMPLETO";
  const std::size_t n = missing.size();
  std::string text =
      n == 1 ? "FALTA 1 ELEMENTO" : "FALTAN " + DecimalText(n) + " ELEMENTOS";
  if (points > 0) {
    text +=
        points == 1 ? " EN 1 PUNTO" : " EN " + DecimalText(points) + " PUNTOS";
  }
  text += ":\n";
  for (std::size_t i = 0; i < n && i < shown; ++i) {
    if (i > 0) text += "; ";
    text += missing[i];
  }
  if (n > shown) text += "; … Y " + DecimalText(n - shown) + " MÁS.";
  return text;
}

std::string DossierWarningsLine(const DossierMatrix& matrix,
                                std::size_t shown) {
  const std::vector<std::string>& warnings = matrix.warnings;
  if (warnings.empty()) return "";
  std::size_t points = 0;
  for (const auto& row : matrix.rows) {
    if (row.size() > kWarningsColumn && !row[kWarningsColumn].text.empty())
      ++points;
  }
  std::string text = CountedText(warnings.size(), "AVISO", "AVISOS") + " EN " +
                     CountedText(points, "PUNTO", "PUNTOS") + ": ";
  for (std::size_t i = 0; i < warnings.size() && i < shown; ++i) {
    if (i > 0) text += "; ";
    text += "PUNTO " + warnings[i];
  }
  if (warnings.size() > shown)
    text += "; … Y " + DecimalText(warnings.size() - shown) + " MÁS.";
  return text;
}

std::string DossierStatusLine(const DossierMatrix& matrix) {
  std::size_t unreadable = 0;
  std::string first;
  auto look = [&](const MatrixCell& cell) {
    // A folder that was listed, some of whose photos could not be read, is
    // told below.
    if (cell.tone != CellTone::kUnknown || cell.reason.empty() ||
        cell.unreadable > 0) {
      return;
    }
    if (unreadable++ == 0) first = cell.reason;
  };
  for (const MatrixItem& item : matrix.items) look(item.cell);
  for (const auto& row : matrix.rows) {
    // A session that cannot be read is a file's, told on its own cell.
    for (std::size_t c = 0; c < row.size(); ++c) {
      if (c != kSessionColumn) look(row[c]);
    }
  }
  std::string line;
  if (unreadable > 0) {
    line = (unreadable == 1 ? std::string("? 1 CARPETA NO SE PUEDE LEER: ")
                            : "? " + DecimalText(unreadable) +
                                  " CARPETAS NO SE PUEDEN LEER: ") +
           first;
  }
  if (matrix.unreadable_photos > 0) {
    if (!line.empty()) line += "\n";
    line += (matrix.unreadable_photos == 1
                 ? std::string("? 1 FOTO NO SE PUEDE LEER: ")
                 : "? " + DecimalText(matrix.unreadable_photos) +
                       " FOTOS NO SE PUEDEN LEER: ") +
            matrix.unreadable_reason;
  }
  if (matrix.heif_photos > 0) {
    if (!line.empty()) line += "\n";
    line += "* " + DecimalText(matrix.heif_photos) +
            (matrix.heif_photos == 1 ? " FOTO HEIC/HEIF: CUENTA"
                                     : " FOTOS HEIC/HEIF: CUENTAN") +
            ", PERO EL REPORTAJE FOTOGRÁFICO NO PUEDE INCLUIRLAS.";
  }
  return line;
}

}  // namespace zarvek
