// The measurement file through the heights tab built alone under Xvfb: rows
// typed and chosen as a person does are saved as they change and come back
// when the tab is built again, as at a new start; a file edited in a
// spreadsheet is read back; failures give one error box; Ctrl+D and the row
// menu copy equipment. Last, the window's close button while saves fail.
#include <atomic>
#include <cerrno>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "heights/measurement_table.h"
#include "measurements/measurement_file.h"
#include "project/point_detection.h"
#include "testing/gui_fixture.h"
#include "testing/heights_room.h"
#include "testing/temp_dir.h"
#include "text/shown_path.h"

namespace zarvek {
namespace {

namespace stdfs = std::filesystem;
using Texts = std::vector<std::string>;
using testing::ReadFileBytes;

// The system's saves, but for a disk that is full while `full` is set.
struct FullDisk : FileExchange {
  std::atomic<bool> full = true;
  FileExchange& real = RealFileExchange();
  Status WriteTemporary(const std::string& path, std::string_view bytes,
                        std::string* temp) override {
    if (full) return Status::FromErrno(ENOSPC, path);
    return real.WriteTemporary(path, bytes, temp);
  }
  Status Exchange(const std::string& temp, const std::string& path,
                  bool* was_missing) override {
    return real.Exchange(temp, path, was_missing);
  }
  Status Read(const std::string& file, std::size_t max,
              std::string* bytes) override {
    return real.Read(file, max, bytes);
  }
  Status Remove(const std::string& file) override { return real.Remove(file); }
};

class MeasurementFileTkTest : public testing::HeightsRoomTest {
 protected:
  void SetUp() override {
    HeightsRoomTest::SetUp();
    datos_ = temp_.path() / "obra" / std::string(kGnssDataFolder);
    for (int i = 0; i < 4; ++i) {
      stdfs::create_directories(
          datos_ / (std::to_string(i + 4) + ". 100" + std::to_string(i + 1)));
    }
    csv_ = datos_ / std::string(kMeasurementFileName);
  }

  // Starts the tab afresh, as a new start of the program does, saving
  // through `exchange` (the system's when null), and opens the project
  // with BUSCAR.
  void StartAndOpen(FileExchange* exchange = nullptr) {
    if (heights_) Restart();
    MakeRoom(exchange);
    Call({kNotebook, "select", kRoomTab});
    Call({"update"});
    AnswerDirectory((temp_.path() / "obra").string());
    heights_tab().seleccionar_directorio_trabajo();
  }

  const RowCells& Row(size_t i) { return heights_tab().cells().at(i); }
  std::string Get(const std::string& w) { return Call({w, "get"}); }
  void Pick(const std::string& box, const std::string& value) {
    Call({box, "set", value});
    Call({"event", "generate", box, "<<ComboboxSelected>>"});
  }
  // Key events go to the focus window, which X sets on its next event.
  void Focus(const std::string& w) {
    Call({"focus", "-force", w});
    Call({"update"});
  }
  // Types `text` key by key into the focused entry `h`.
  void Type(const std::string& h, const std::string& text) {
    Focus(h);
    for (char c : text) {
      const std::string keysym = c == '.' ? "period" : std::string(1, c);
      Call({"event", "generate", h, "<KeyPress>", "-keysym", keysym});
      Call({"event", "generate", h, "<KeyRelease>", "-keysym", keysym});
    }
  }
  Texts RowTexts(size_t i) {
    const RowCells& r = Row(i);
    return {Get(r.rec), Get(r.tipo), Get(r.acc), Get(r.ref), Get(r.h)};
  }

  // The file once the saves of the edits so far have finished.
  std::string Saved() {
    heights_tab().WaitForSaves();
    return ReadFileBytes(csv_);
  }
  // The message boxes, those of finished saves included.
  std::vector<std::vector<std::string>> Messages() {
    if (heights_) heights_->WaitForSaves();
    return HeightsRoomTest::Messages();
  }

  testing::TempDir temp_;
  stdfs::path datos_, csv_;
};

TEST_F(MeasurementFileTkTest, RowsComeBackAfterARestart) {
  StartAndOpen();
  heights_tab().WaitForSaves();
  EXPECT_FALSE(stdfs::exists(csv_));  // opening writes nothing

  Pick(Row(0).tipo, "INCLINADA");
  Pick(Row(0).acc, "TRÍPODE");
  Pick(Row(0).ref, "R1");
  Type(Row(0).h, "1.5");
  // Saved key by key: the file already holds the whole height.
  EXPECT_NE(Saved().find(";R1;1,5;1,4285;1,5105\r\n"), std::string::npos);

  Pick(Row(2).rec, "QUENTARO R100");
  Pick(Row(2).tipo, "VERTICAL");
  Pick(Row(2).acc, "BASTÓN");  // R3 chosen by the row rules
  Call({Row(2).h, "insert", 0, "2"});
  Call({"event", "generate", Row(2).h, "<FocusOut>"});

  Pick(Row(3).rec, "QUENTARO M200 PLUS");
  Pick(Row(3).tipo, "INCLINADA");
  Pick(Row(3).acc, "BÍPODE Y BASTÓN");
  // Pasted with the middle button: no key, and the cell is never left.
  Call({"entry", ".fuente"});
  Call({".fuente", "insert", 0, "1.45"});
  Call({".fuente", "selection", "range", 0, "end"});
  Call({"event", "generate", Row(3).h, "<<PasteSelection>>", "-x", 4, "-y", 4});
  ASSERT_EQ(Get(Row(3).h), "1.45");

  const std::string fixture =
      ReadFileBytes(ZARVEK_SOURCE_DIR "/heights/testdata/three_rows.csv");
  ASSERT_FALSE(fixture.empty());
  EXPECT_EQ(Saved(), fixture);
  std::vector<Texts> typed;
  for (size_t i = 0; i < 4; ++i) typed.push_back(RowTexts(i));

  StartAndOpen();
  for (size_t i = 0; i < 4; ++i) EXPECT_EQ(RowTexts(i), typed[i]) << i;
  // The boxes offer what they offered after the person's choices.
  EXPECT_EQ(List(Call({Row(0).ref, "cget", "-values"})), (Texts{"R1", "R2"}));
  EXPECT_EQ(List(Call({Row(3).ref, "cget", "-values"})), (Texts{"R2"}));
  EXPECT_EQ(List(Call({Row(1).acc, "cget", "-values"})), Texts{});
  EXPECT_TRUE(Messages().empty());
  // Leaving a cell unchanged writes nothing new.
  Call({"event", "generate", Row(1).h, "<FocusOut>"});
  EXPECT_EQ(Saved(), fixture);
}

TEST_F(MeasurementFileTkTest, SpreadsheetEditIsReadBack) {
  // 1001's height was edited by hand (1.6 -> 1.62) and its results were
  // not; 1002 has the decimal comma; 1003 has no receiver; 1004's "1.452"
  // was read by a spreadsheet as 1452.
  const std::string edited =
      "NOTA;ALTURA MEDIDA (m);PUNTO;RECEPTOR GNSS;TIPO DE MEDIDA;ACCESORIO;"
      "REFERENCIA;ALTURA ARP (m);ALTURA CENTRO DE FASE (m)\n"
      "pilar;1.62;1001;QUENTARO R700;INCLINADA;TRÍPODE;R1;1.5321;1.6191\n"
      ";1,5;1002;QUENTARO R300;VERTICAL;BASTÓN;R3;1,5000;1,5820\n"
      ";2;uno;QUENTARO R300;VERTICAL;BASTÓN;R3;;\n"
      ";1.452;1003;;INCLINADA;TRÍPODE;R1;1.3805;1.4625\n"
      ";1452;1004;QUENTARO R300;VERTICAL;BASTÓN;R3;;\n";
  std::ofstream(csv_, std::ios::binary) << edited;
  StartAndOpen();
  EXPECT_EQ(RowTexts(0),
            (Texts{"QUENTARO R700", "INCLINADA", "TRÍPODE", "R1", "1.62"}));
  EXPECT_EQ(RowTexts(1),
            (Texts{"QUENTARO R300", "VERTICAL", "BASTÓN", "R3", "1.5"}));
  EXPECT_EQ(RowTexts(2), (Texts{"", "INCLINADA", "TRÍPODE", "R1", "1.452"}));
  EXPECT_FALSE(MeasurementTable::IsComplete(heights_tab().table().values(2)));
  EXPECT_EQ(RowTexts(3),
            (Texts{"QUENTARO R300", "VERTICAL", "BASTÓN", "R3", "1452"}));
  EXPECT_EQ(Call({Row(3).h, "cget", "-style"}), "Dudosa.TEntry");
  EXPECT_EQ(Call({Row(2).h, "cget", "-style"}), "");
  // Both things the file had to say, in one box.
  const auto messages = Messages();
  ASSERT_EQ(messages.size(), 1u);
  EXPECT_EQ(Option(messages[0], "-icon"), "warning");
  EXPECT_EQ(Option(messages[0], "-title"), "Aviso");
  EXPECT_EQ(Option(messages[0], "-message"),
            BoxPathAfter("ALGUNAS LÍNEAS DE ", csv_.string()) +
                " NO SE HAN USADO O SE HAN USADO EN PARTE:\n"
                "LÍNEA 4: EL CÓDIGO DE PUNTO «uno» NO ES NUMÉRICO; LA LÍNEA "
                "SE CONSERVA SIN USAR.\n"
                "LÍNEA 5: SIN RECEPTOR: ELIJA UNO.\n"
                "LÍNEA 6: LA ALTURA «1452» PASA DE 1000 m.\n"
                "\nUNA ALTURA DE MÁS DE 1000 m SUELE SER OBRA DE UNA HOJA DE "
                "CÁLCULO QUE TOMÓ EL PUNTO DECIMAL POR SEPARADOR DE MILES "
                "(1.452 → 1452): CORRIJA LAS ALTURAS MARCADAS EN ROJO.\n\n" +
                BoxPathAfter(
                    "SE HAN PUESTO AL DÍA LAS ALTURAS ARP Y DE CENTRO DE FASE DE ",
                    csv_.string()) +
                ", CALCULADAS DE NUEVO CON LOS DATOS DE CADA LÍNEA, EN LOS "
                "PUNTOS: 1001, 1003.");
  // Written at once, with decimal commas; only the stale lines changed.
  const std::string mended =
      "\xEF\xBB\xBF"
      "NOTA;ALTURA MEDIDA (m);PUNTO;RECEPTOR GNSS;TIPO DE MEDIDA;ACCESORIO;"
      "REFERENCIA;ALTURA ARP (m);ALTURA CENTRO DE FASE (m)\r\n"
      "pilar;1,62;1001;QUENTARO R700;INCLINADA;TRÍPODE;R1;1,5521;1,6391\r\n"
      ";1,5;1002;QUENTARO R300;VERTICAL;BASTÓN;R3;1,5000;1,5820\r\n"
      ";2;uno;QUENTARO R300;VERTICAL;BASTÓN;R3;;\r\n"
      ";1,452;1003;;INCLINADA;TRÍPODE;R1;;\r\n"
      ";1452;1004;QUENTARO R300;VERTICAL;BASTÓN;R3;;\r\n";
  EXPECT_EQ(Saved(), mended);
  // Opened again, nothing is stale.
  StartAndOpen();
  ASSERT_EQ(Messages().size(), 1u);
  EXPECT_EQ(Saved(), mended);

  // The doubtful height loses its mark on its first edit.
  Call({Row(3).h, "delete", 0, "end"});
  EXPECT_EQ(Call({Row(3).h, "cget", "-style"}), "");
  Call({Row(3).h, "insert", 0, "1.452"});
  // Choosing the receiver completes 1003; an edit keeps the unusable line.
  Pick(Row(2).rec, "QUENTARO R300");
  Pick(Row(2).ref, "R1");
  Pick(Row(0).ref, "R2");
  EXPECT_EQ(
      Saved(),
      "\xEF\xBB\xBF"
      "NOTA;ALTURA MEDIDA (m);PUNTO;RECEPTOR GNSS;TIPO DE MEDIDA;ACCESORIO;"
      "REFERENCIA;ALTURA ARP (m);ALTURA CENTRO DE FASE (m)\r\n"
      "pilar;1,62;1001;QUENTARO R700;INCLINADA;TRÍPODE;R2;1,6148;1,7018\r\n"
      ";1,5;1002;QUENTARO R300;VERTICAL;BASTÓN;R3;1,5000;1,5820\r\n"
      ";2;uno;QUENTARO R300;VERTICAL;BASTÓN;R3;;\r\n"
      ";1,452;1003;QUENTARO R300;INCLINADA;TRÍPODE;R1;1,3805;1,4625\r\n"
      ";1,452;1004;QUENTARO R300;VERTICAL;BASTÓN;R3;1,4520;1,5340\r\n");
}

// A write that keeps failing shows one box until a write succeeds again; the
// table keeps working. A file that cannot be read is said once and never
// written over.
TEST_F(MeasurementFileTkTest, FailuresAreShownOnceAndKeepTheFile) {
  // It outlives the window, which the fixture closes after the test.
  static FullDisk disk;
  std::atomic<bool>& full = disk.full;
  full = true;
  StartAndOpen(&disk);
  Pick(Row(0).tipo, "VERTICAL");
  Pick(Row(0).acc, "BASTÓN");
  Type(Row(0).h, "1.25");
  ASSERT_EQ(Messages().size(), 1u);
  EXPECT_EQ(Option(Messages()[0], "-message"),
            "NO SE PUDIERON GUARDAR LAS MEDIDAS.\nNo space left on device: " +
                csv_.string() +
                "\nLA TABLA SIGUE FUNCIONANDO; SE VOLVERÁ A INTENTAR CON EL "
                "PRÓXIMO CAMBIO.");
  EXPECT_EQ(Get(Row(0).h), "1.25");
  full = false;
  Call({"event", "generate", Row(0).h, "<FocusOut>"});  // retried
  EXPECT_NE(Saved().find("1001;QUENTARO R300;VERTICAL;BASTÓN;R3;"
                         "1,25;1,2500;1,3320\r\n"),
            std::string::npos);
  full = true;
  Type(Row(1).h, "2");
  EXPECT_EQ(Messages().size(), 2u);  // a new run of failures

  // Before the window closes the saves finish: the failure is returned
  // (the window asks whether to close all the same), in no box of the tab.
  EXPECT_EQ(heights_tab().FinishSaves().message(),
            "No space left on device: " + csv_.string());
  EXPECT_EQ(Messages().size(), 2u);
  // With the disk back, what the table shows is saved, unasked.
  full = false;
  EXPECT_TRUE(heights_tab().FinishSaves().ok());
  EXPECT_EQ(Messages().size(), 2u);
  EXPECT_NE(ReadFileBytes(csv_).find("1002;QUENTARO R300;;;;2;;"),
            std::string::npos);

  // Binary: refused at opening, once; edits leave it alone.
  const std::string binary("PUNTO\n\x00\xFF\x10", 9);
  std::ofstream(csv_, std::ios::binary) << binary;
  ClearMessages();
  StartAndOpen();
  ASSERT_EQ(Messages().size(), 1u);
  EXPECT_EQ(Option(Messages()[0], "-message"),
            "EL ARCHIVO DE MEDIDAS NO ES UN ARCHIVO DE TEXTO:\n" +
                BoxPath(csv_.string()) +
                "\nLA TABLA EMPIEZA VACÍA Y ESE ARCHIVO NO SE MODIFICARÁ.");
  Pick(Row(0).tipo, "INCLINADA");
  Type(Row(0).h, "1");
  EXPECT_EQ(Messages().size(), 1u);
  EXPECT_EQ(Saved(), binary);
}

// Another program (a spreadsheet, a second window on the project) saves the
// file while the table is open: its rows and lines are kept, this window's
// edits are applied over them, the table and the ARP column show the
// result, and one box says so, naming a point changed on both sides with the
// other program's values. A same-size rewrite in the same second is seen.
TEST_F(MeasurementFileTkTest, EditsOfAnotherProgramAreKept) {
  StartAndOpen();
  Pick(Row(0).tipo, "VERTICAL");
  Pick(Row(0).acc, "BASTÓN");
  Type(Row(0).h, "1.5");
  // A receiver chosen alone is written (the preset one of a row not begun
  // is not), so the other program can change it in place.
  Pick(Row(1).rec, "QUENTARO R350");
  const std::string ours = Saved();
  const std::string line0 =
      "1001;QUENTARO R300;VERTICAL;BASTÓN;R3;1,5;1,5000;1,5820";
  ASSERT_NE(ours.find(line0), std::string::npos) << ours;
  std::string theirs = ours;
  theirs.replace(theirs.find(line0), line0.size(),
                 "1001;QUENTARO R300;VERTICAL;BASTÓN;R3;1,6;1,6000;1,6820");
  theirs.replace(theirs.find("1002;QUENTARO R350"), 18, "1002;QUENTARO R700");
  ASSERT_EQ(theirs.size(), ours.size());
  std::ofstream(csv_, std::ios::binary) << theirs;

  Call({Row(0).h, "insert", "end", "5"});
  Pick(Row(2).tipo, "INCLINADA");
  auto messages = Messages();
  ASSERT_EQ(messages.size(), 1u);
  EXPECT_EQ(Option(messages[0], "-title"), "Aviso");
  EXPECT_EQ(Option(messages[0], "-message"),
            "EL ARCHIVO DE MEDIDAS HA CAMBIADO FUERA DEL PROGRAMA:\n" +
                BoxPath(csv_.string()) +
                "\nSE HAN CONSERVADO LOS CAMBIOS HECHOS FUERA Y SE HAN "
                "APLICADO LOS DE ESTA VENTANA; LA TABLA MUESTRA EL RESULTADO."
                "\nPUNTOS CAMBIADOS EN LOS DOS SITIOS, QUE QUEDAN COMO EN ESTA "
                "VENTANA (ENTRE PARÉNTESIS, COMO ESTABAN FUERA):\n"
                "1001 (QUENTARO R300 · VERTICAL · BASTÓN · R3 · 1.6)");
  EXPECT_EQ(RowTexts(0),
            (Texts{"QUENTARO R300", "VERTICAL", "BASTÓN", "R3", "1.55"}));
  EXPECT_EQ(RowTexts(1), (Texts{"QUENTARO R700", "", "", "", ""}));
  EXPECT_EQ(RowTexts(2), (Texts{"QUENTARO R300", "INCLINADA", "", "", ""}));
  std::string merged = Saved();
  EXPECT_NE(
      merged.find(
          "\r\n1001;QUENTARO R300;VERTICAL;BASTÓN;R3;1,55;1,5500;1,6320\r\n"
          "1002;QUENTARO R700;;;;;;\r\n"
          "1003;QUENTARO R300;INCLINADA;;;;;\r\n"),
      std::string::npos)
      << merged;

  // Later: a line of its own and a row this window left alone; nothing was
  // changed on both sides. The ARP column follows the row taken from outside.
  theirs = merged;
  theirs.replace(theirs.find("1004;;;;;;;"), 11,
                 "1004;QUENTARO R300;VERTICAL;BASTÓN;R3;2;2,0000;2,0820");
  theirs += "9999;QUENTARO R100;;;;;;\r\n";
  std::ofstream(csv_, std::ios::binary) << theirs;
  Call({Row(2).h, "insert", "end", "1"});
  messages = Messages();
  ASSERT_EQ(messages.size(), 2u);
  EXPECT_EQ(Option(messages[1], "-message"),
            "EL ARCHIVO DE MEDIDAS HA CAMBIADO FUERA DEL PROGRAMA:\n" +
                BoxPath(csv_.string()) +
                "\nSE HAN CONSERVADO LOS CAMBIOS HECHOS FUERA Y SE HAN "
                "APLICADO LOS DE ESTA VENTANA; LA TABLA MUESTRA EL RESULTADO.");
  EXPECT_EQ(RowTexts(3),
            (Texts{"QUENTARO R300", "VERTICAL", "BASTÓN", "R3", "2"}));
  EXPECT_EQ(Call({arp_column().canvas(), "itemcget", "arp3", "-text"}),
            "2.0000");
  merged = Saved();
  EXPECT_NE(
      merged.find("1003;QUENTARO R300;INCLINADA;;;1;;\r\n"
                  "1004;QUENTARO R300;VERTICAL;BASTÓN;R3;2;2,0000;2,0820\r\n"
                  "9999;QUENTARO R100;;;;;;\r\n"),
      std::string::npos)
      << merged;
  // Its own saves are no change from outside.
  Call({Row(2).h, "insert", "end", "2"});
  EXPECT_EQ(Messages().size(), 2u);
}

TEST_F(MeasurementFileTkTest, CtrlDAndTheRowMenuCopyEquipmentNotHeights) {
  StartAndOpen();
  Pick(Row(0).rec, "QUENTARO R700");
  Pick(Row(0).tipo, "INCLINADA");
  Pick(Row(0).acc, "TRÍPODE");
  Pick(Row(0).ref, "R2");
  Type(Row(0).h, "1.6");
  Type(Row(2).h, "9");  // a row with a height is not empty

  Focus(Row(1).tipo);
  Call({"event", "generate", Row(1).tipo, "<Control-Key-d>"});
  const Texts equipment = {"QUENTARO R700", "INCLINADA", "TRÍPODE", "R2", ""};
  EXPECT_EQ(RowTexts(1), equipment);
  EXPECT_EQ(List(Call({Row(1).ref, "cget", "-values"})), (Texts{"R1", "R2"}));
  // In the height cell Ctrl+D copies too, and deletes no character.
  Focus(Row(2).h);
  Call({Row(2).h, "icursor", 0});
  Call({"event", "generate", Row(2).h, "<Control-Key-d>"});
  EXPECT_EQ(RowTexts(2),
            (Texts{"QUENTARO R700", "INCLINADA", "TRÍPODE", "R2", "9"}));

  // The menu of a point code: only empty rows take the equipment.
  Call({"proc", "tk_popup", "args", "lappend ::zarvek_test_popups $args"});
  Pick(Row(1).tipo, "VERTICAL");
  Call({"event", "generate", heights_tab().frame_rows() + ".cod1",
        "<Button-3>"});
  ASSERT_EQ(List(Call({"set", "::zarvek_test_popups"})).size(), 1u);
  EXPECT_EQ(Call({".menu_fila", "entrycget", 0, "-label"}),
            "COPIAR EQUIPO A LAS FILAS VACÍAS");
  Call({".menu_fila", "invoke", 0});
  EXPECT_EQ(RowTexts(3), (Texts{"QUENTARO R700", "VERTICAL", "", "", ""}));
  EXPECT_EQ(RowTexts(0)[1], "INCLINADA");
  EXPECT_EQ(RowTexts(2)[1], "INCLINADA");

  StartAndOpen();  // all of it was saved
  EXPECT_EQ(RowTexts(1), (Texts{"QUENTARO R700", "VERTICAL", "", "", ""}));
  EXPECT_EQ(RowTexts(2)[4], "9");
  EXPECT_EQ(RowTexts(3), (Texts{"QUENTARO R700", "VERTICAL", "", "", ""}));
}

// The window's close button while the file lags behind asks first: "no"
// keeps the window; with the disk back it saves what the table shows,
// unasked, and the window goes.
class MeasurementFileWindowTest : public testing::GuiTest {
 protected:
  testing::TempDir temp_;
};

TEST_F(MeasurementFileWindowTest, ClosingWhileTheFileLagsBehindAsksFirst) {
  const stdfs::path datos =
      temp_.path() / "obra" / std::string(kGnssDataFolder);
  stdfs::create_directories(datos / "4. 1001");
  stdfs::create_directories(datos / "5. 1002");
  const stdfs::path csv = datos / std::string(kMeasurementFileName);
  // It outlives the window, which closes at the end of the test.
  static FullDisk disk;
  disk.full = true;
  AppServices services;
  services.file_exchange = &disk;
  MakeApp(std::move(services));
  AnswerDirectory((temp_.path() / "obra").string());
  app_->heights_tab().seleccionar_directorio_trabajo();
  ASSERT_EQ(app_->heights_tab().cells().size(), 2u);
  Call({app_->heights_tab().cells()[1].h, "insert", 0, "2"});
  app_->heights_tab().WaitForSaves();
  ASSERT_EQ(Messages().size(), 1u);

  const std::string close = Call({"wm", "protocol", ".", "WM_DELETE_WINDOW"});
  AnswerQuestion("no");
  Call({"eval", close});
  ASSERT_EQ(Messages().size(), 2u);
  EXPECT_EQ(Option(Messages()[1], "-type"), "yesno");
  EXPECT_EQ(Option(Messages()[1], "-message"),
            "NO SE PUDIERON GUARDAR LAS MEDIDAS.\nNo space left on device: " +
                csv.string() +
                "\n¿CERRAR DE TODAS FORMAS? LOS ÚLTIMOS CAMBIOS DE LA TABLA "
                "NO ESTÁN EN EL ARCHIVO.");
  EXPECT_EQ(Call({"info", "commands", "."}), ".");
  disk.full = false;
  Call({"eval", close});
  EXPECT_EQ(Messages().size(), 2u);
  EXPECT_NE(ReadFileBytes(csv).find("1002;QUENTARO R300;;;;2;;"),
            std::string::npos);
  EXPECT_EQ(Call({"info", "commands", "."}), "");  // the window is gone
}

}  // namespace
}  // namespace zarvek
