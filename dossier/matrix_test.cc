#include "dossier/matrix.h"

#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

#include "dossier/scan.h"
#include "project/layout.h"
#include "testing/fake_fs.h"

namespace zarvek {
namespace {

using Texts = std::vector<std::string>;

const std::string kJpeg = "\xFF\xD8\xFF\xE0 jpeg";
const std::string kHeic =
    std::string("\0\0\0\x18", 4) + "ftypheic" + std::string(4, '\0') + "mif1";

// A project at /p on the fake disk, with a little of everything.
class DossierMatrixTest : public ::testing::Test {
 protected:
  void SetUp() override {
    const std::string gnss = "/p/2. DATOS GNSS";
    const std::string photos = "/p/3. FOTOGRAFIAS";
    fs_.AddFile("/p/1. FORMULARIOS/solicitud.pdf", "x");
    fs_.AddDirectory(gnss + "/1. DATOS DE LA ESTACION BASE/NATIVA");
    fs_.AddFile(gnss + "/1. DATOS DE LA ESTACION BASE/RINEX/base.26o", "x");
    fs_.AddFile(gnss + "/3. PROCESAMIENTO/red.txt", "x");
    fs_.AddFile(gnss + "/CONVERSION DE ALTURA.pdf", "%PDF");
    fs_.SetModified(gnss + "/CONVERSION DE ALTURA.pdf", 200);
    fs_.AddFile(gnss + "/ALTURAS DE ANTENA.csv", "PUNTO");
    fs_.SetModified(gnss + "/ALTURAS DE ANTENA.csv", 200, 5);
    fs_.AddFile(photos + "/REPORTAJE FOTOGRÁFICO.pdf", "%PDF");
    fs_.SetModified(photos + "/REPORTAJE FOTOGRÁFICO.pdf", 500);
    // 6003: all but its depth photos. 007 (photos in "7"): one of each
    // kind of trouble. 12: no photo folder. 9: photos only.
    fs_.AddFile(gnss + "/4. 6003/NATIVA/6003.T02", "x");
    fs_.AddFile(gnss + "/5. 007/NATIVA/.oculto", "x");
    fs_.AddFile(gnss + "/6. 12/NATIVA/12.T02", "x");
    for (const char* code : {"6003", "9"}) {
      for (const std::string& stage :
           PhotoStageDirs(photos + "/" + std::string(code))) {
        // 6003 has no folder for videos, which are optional.
        if (code == std::string("6003") &&
            stage.find("09. ") != std::string::npos) {
          continue;
        }
        fs_.AddDirectory(stage);
        if (stage.find("09. ") == std::string::npos &&
            stage.find("3. PROF") == std::string::npos) {
          fs_.AddFile(stage + "/IMG.jpg", kJpeg);
          fs_.SetModified(stage + "/IMG.jpg", 400);
        }
      }
    }
    fs_.AddFile(photos + "/9/3. PROFUNDIDAD/IMG.png", "\x89PNG\r\n\x1A\n....");
    // Point 7 has no folder for stage 4.
    const std::string seven = photos + "/7/";
    for (const char* stage :
         {"7. MEDICIÓN DE ALTURA DE ANTENA", "08. FOTOGRAFÍAS PANORÁMICAS"}) {
      fs_.AddFile(seven + stage + "/IMG.jpg", kJpeg);
    }
    fs_.AddFile(seven + "1. EQUIPO GNSS/IMG.jpg", "no soy una foto");
    // A photo nobody may open, beside a readable one: it counts, as a photo
    // that cannot be read. In a stage of its own it is all there is.
    const std::string locked = seven + "7. MEDICIÓN DE ALTURA DE ANTENA/B.jpg";
    fs_.AddFile(locked, kJpeg);
    fs_.FailPath(locked, "Permission denied: B.jpg");
    fs_.AddFile(seven + "6. DISCO INSTALADO/C.jpg", kJpeg);
    fs_.FailPath(seven + "6. DISCO INSTALADO/C.jpg",
                 "Permission denied: C.jpg");
    fs_.AddFile(seven + "2. PROCESO DE MONUMENTACIÓN/IMG.heic", kHeic);
    fs_.AddFile(seven + "3. PROFUNDIDAD/vacía.jpg", "");
    fs_.AddFile(seven + "3. PROFUNDIDAD/Thumbs.db", kJpeg);
    fs_.AddDirectory(seven + "5. INCRUSTACIÓN DEL DISCO DE BRONCE");
    fs_.FailPath(seven + "5. INCRUSTACIÓN DEL DISCO DE BRONCE",
                 "Permission denied: 5");
    fs_.AddFile(seven + "09. VIDEOS/dron.MP4", "x");
    fs_.AddFile(seven + "09. VIDEOS/IMG.jpg", kJpeg);
    fs_.AddFile(seven + "6. DISCO INSTALADO/.IMG.jpg", kJpeg);
    // Files where a stage is not looked for: stage 4 under another name,
    // with photos in subfolders (and thumbnails that never count); a video
    // among photos; a link to a folder, never followed. 6003's depth
    // photos in a second folder of that stage.
    const std::string anchor = seven + "04. Anclaje de Disco de Bronce/";
    fs_.AddFile(anchor + "IMG.jpg", kJpeg);
    fs_.AddFile(anchor + "viejas/IMG_2.jpg", kJpeg);
    fs_.AddFile(anchor + "viejas/más/IMG_3.jpg", kJpeg);
    fs_.AddFile(anchor + "@eaDir/IMG.jpg/THUMB.jpg", kJpeg);
    fs_.AddFile(seven + "1. EQUIPO GNSS/VID.mov", "x");
    fs_.AddLinkToFolder(seven + "1. EQUIPO GNSS/enlace");
    fs_.AddFile(seven + "1. EQUIPO GNSS/enlace/IMG.jpg", kJpeg);
    fs_.AddFile(photos + "/6003/3.PROFUNDIDAD/IMG.jpg", kJpeg);
  }

  DossierMatrix Build(FakeFileSystem& fs) {
    const std::map<std::string, std::string> rinex = {
        {"6003", "✓"}, {"007", "✗ 1.5000"}, {"12", "—"}};
    const std::map<std::string, std::string> height = {
        {"6003", "1.4285"}, {"007", "—"}, {"12", "✗"}};
    auto from = [](const std::map<std::string, std::string>& cells) {
      return [&cells](const std::string& code) {
        auto it = cells.find(code);
        return it == cells.end() ? std::string() : it->second;
      };
    };
    // The session's "?" carries its reason: it is no folder that cannot
    // be read, and the status line's count of those leaves it out.
    auto session = [](const std::string& code, std::string* reason) {
      if (code == "007") *reason = "a.26o: gzip: datos corruptos";
      return code == "6003"  ? std::string("2 h 05 min · 1 s · 99 %")
             : code == "007" ? std::string("?")
             : code == "12"  ? std::string("—")
                             : std::string();
    };
    return BuildDossierMatrix(
        ScanDossier(fs, ProjectLayout::AtRoot("/p")),
        PointCellSources{from(rinex), from(height), session});
  }

  FakeFileSystem fs_;
};

std::string Row(const std::vector<MatrixCell>& cells) {
  std::string text;
  for (const MatrixCell& cell : cells) {
    const char* tone = cell.tone == CellTone::kGood      ? "+"
                       : cell.tone == CellTone::kMissing ? "!"
                       : cell.tone == CellTone::kUnknown ? "?"
                                                         : "";
    text += (text.empty() ? "" : "|") + cell.text + tone;
  }
  return text;
}

TEST_F(DossierMatrixTest, CountsWhatCountsAndNamesWhatIsMissing) {
  const DossierMatrix matrix = Build(fs_);
  Texts items;
  for (const MatrixItem& item : matrix.items)
    items.push_back(item.label + "=" + Row({item.cell}));
  EXPECT_EQ(items, (Texts{"1. FORMULARIOS=1 ✓+", "ESTACIÓN BASE: NATIVA=0 ✗!",
                          "ESTACIÓN BASE: RINEX=1 ✓+",
                          "2. EFEMERIDES=✗ NO EXISTE!", "3. PROCESAMIENTO=1 ✓+",
                          "CONVERSION DE ALTURA.pdf=DESACTUALIZADO!",
                          "REPORTAJE FOTOGRÁFICO.pdf=✓+"}));
  EXPECT_EQ(matrix.headings,
            (Texts{"PUNTO", "NATIVA", "RINEX", "SESIÓN", "ALTURA", "1", "2",
                   "3", "4", "5", "6", "7", "08", "09", "AVISOS"}));
  Texts rows;
  for (const auto& row : matrix.rows) rows.push_back(Row(row));
  EXPECT_EQ(rows,
            (Texts{"007|0!|✗ 1.5000!|??|—!|0!|1*+|0!|3+|??|1??|2?+|1+|1+|4?",
                   "9!|✗ NO EXISTE!|✗ NO EXISTE!|✗ NO EXISTE!|✗ NO EXISTE!|"
                   "1+|1+|1+|1+|1+|1+|1+|1+|0|",
                   "12!|1+|—!|—|✗!|✗ NO EXISTE!|✗ NO EXISTE!|✗ NO EXISTE!|"
                   "✗ NO EXISTE!|✗ NO EXISTE!|✗ NO EXISTE!|✗ NO EXISTE!|"
                   "✗ NO EXISTE!|✗ NO EXISTE!|",
                   "6003|1+|✓+|2 h 05 min · 1 s · 99 %|1.4285+|1+|1+|0!|1+|1+|"
                   "1+|1+|1+|—|1?"}));
  EXPECT_EQ(matrix.rows[0][kSessionColumn].reason,
            "a.26o: gzip: datos corruptos");
  EXPECT_EQ(matrix.rows[0][kFirstStageColumn + 6].reason,
            "Permission denied: B.jpg");
  // The stage read under another name is that folder, with the photos of
  // its subfolders; the warnings are not missing elements.
  EXPECT_EQ(matrix.rows[0][kFirstStageColumn + 3].folder,
            "/p/3. FOTOGRAFIAS/7/04. Anclaje de Disco de Bronce");
  EXPECT_EQ(matrix.warnings,
            (Texts{"007: CARPETA CON OTRO NOMBRE: 04. Anclaje de Disco de "
                   "Bronce",
                   "007: VÍDEO EN 1. EQUIPO GNSS: VID.mov",
                   "007: 2 FOTOS EN LA SUBCARPETA 4. ANCLAJE DE DISCO DE "
                   "BRONCE/viejas",
                   "007: FOTO EN 09. VÍDEOS: IMG.jpg",
                   "6003: CARPETA REPETIDA CON OTRO NOMBRE, NO SE CUENTA: "
                   "3.PROFUNDIDAD"}));
  EXPECT_EQ(DossierWarningsLine(matrix, 1),
            "5 AVISOS EN 2 PUNTOS: PUNTO 007: CARPETA CON OTRO NOMBRE: 04. "
            "Anclaje de Disco de Bronce; … Y 4 MÁS.");
  EXPECT_EQ(
      matrix.missing,
      (Texts{
          "PUNTO 007: SIN ARCHIVOS EN NATIVA",
          "PUNTO 007: RINEX POR REVISAR (✗ 1.5000)",
          "PUNTO 007: SIN ALTURA DE ANTENA",
          "PUNTO 007: SIN FOTOS DE 1. EQUIPO GNSS",
          "PUNTO 007: SIN FOTOS DE 3. PROFUNDIDAD",
          "PUNTO 007: NO SE PUEDE LEER 5. INCRUSTACIÓN DEL DISCO DE "
          "BRONCE",
          "PUNTO 007: NO SE PUEDE LEER 6. DISCO INSTALADO/C.jpg",
          "PUNTO 007: NO SE PUEDE LEER 7. MEDICIÓN DE ALTURA DE "
          "ANTENA/B.jpg",
          "PUNTO 9: SIN CARPETA EN 2. DATOS GNSS",
          "PUNTO 12: SIN ARCHIVOS RINEX", "PUNTO 12: ALTURA DE ANTENA ERRÓNEA",
          "PUNTO 12: SIN CARPETA EN 3. FOTOGRAFIAS",
          "PUNTO 6003: SIN FOTOS DE 3. PROFUNDIDAD",
          "ESTACIÓN BASE: SIN ARCHIVOS EN NATIVA", "2. EFEMERIDES: NO EXISTE",
          "CONVERSION DE ALTURA.pdf: DESACTUALIZADO"}));
  EXPECT_EQ(matrix.summary,
            "FALTAN 16 ELEMENTOS EN 4 PUNTOS:\n"
            "PUNTO 007: SIN ARCHIVOS EN NATIVA; PUNTO 007: RINEX POR REVISAR "
            "(✗ 1.5000); PUNTO 007: SIN ALTURA DE ANTENA; … Y 13 MÁS.");
  EXPECT_FALSE(matrix.complete);
  EXPECT_EQ(DossierStatusLine(matrix),
            "? 1 CARPETA NO SE PUEDE LEER: Permission denied: 5\n"
            "? 2 FOTOS NO SE PUEDEN LEER: Permission denied: C.jpg\n"
            "* 1 FOTO HEIC/HEIF: CUENTA, PERO EL REPORTAJE FOTOGRÁFICO NO "
            "PUEDE INCLUIRLAS.");
}

TEST_F(DossierMatrixTest, ReportsAgainstWhatTheyReportOn) {
  const std::string gnss = "/p/2. DATOS GNSS/";
  const std::string photo_report =
      "/p/3. FOTOGRAFIAS/REPORTAJE FOTOGRÁFICO.pdf";
  const struct {
    std::int64_t measurements, height_report, photo, photo_report;
    const char* height_cell;
    const char* photo_cell;
  } cases[] = {
      {100, 100, 100, 100, "✓", "✓"},  // the same instant
      {100, 101, 100, 101, "✓", "✓"},
      {101, 100, 101, 100, "DESACTUALIZADO", "DESACTUALIZADO"},
  };
  for (const auto& c : cases) {
    FakeFileSystem fs = fs_;
    fs.SetModified(gnss + "ALTURAS DE ANTENA.csv", c.measurements);
    fs.SetModified(gnss + "CONVERSION DE ALTURA.pdf", c.height_report);
    fs.SetModified("/p/3. FOTOGRAFIAS/9/1. EQUIPO GNSS/IMG.jpg", c.photo);
    fs.SetModified(photo_report, c.photo_report);
    for (const char* code : {"6003", "9"}) {
      for (const std::string& stage :
           PhotoStageDirs("/p/3. FOTOGRAFIAS/" + std::string(code))) {
        if (fs.IsFile(stage + "/IMG.jpg") &&
            stage != "/p/3. FOTOGRAFIAS/9/1. EQUIPO GNSS") {
          fs.SetModified(stage + "/IMG.jpg", 0);
        }
      }
    }
    const DossierMatrix matrix = Build(fs);
    EXPECT_EQ(matrix.items.at(5).cell.text, c.height_cell) << c.measurements;
    EXPECT_EQ(matrix.items.at(6).cell.text, c.photo_cell) << c.photo;
  }
  // Without the reports.
  FakeFileSystem fs;
  fs.AddDirectory("/p/2. DATOS GNSS/4. 1");
  const DossierMatrix matrix = Build(fs);
  EXPECT_EQ(matrix.items.at(5).cell.text, "✗");
  EXPECT_EQ(matrix.items.at(6).cell.text, "✗");
}

TEST(DossierSummaryTest, CountsAndNamesTheFirstFew) {
  const struct {
    Texts missing;
    std::size_t points;
    const char* summary;
  } cases[] = {
      {{}, 0, "EXPEDIENTE COMPLETO"},
      {{"PUNTO 6003: SIN FOTOS DE 3. PROFUNDIDAD"},
       1,
       "FALTA 1 ELEMENTO EN 1 PUNTO:\nPUNTO 6003: SIN FOTOS DE 3. PROFUNDIDAD"},
      {{"2. EFEMERIDES: NO EXISTE", "3. PROCESAMIENTO: SIN ARCHIVOS"},
       0,
       "FALTAN 2 ELEMENTOS:\n2. EFEMERIDES: NO EXISTE; 3. PROCESAMIENTO: "
       "SIN ARCHIVOS"},
      {{"a", "b", "c", "d", "e"},
       2,
       "FALTAN 5 ELEMENTOS EN 2 PUNTOS:\na; b; c; … Y 2 MÁS."},
      {{"a", "b", "c"}, 3, "FALTAN 3 ELEMENTOS EN 3 PUNTOS:\na; b; c"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(DossierSummary(c.missing, c.points), c.summary);
  }
}

}  // namespace
}  // namespace zarvek
