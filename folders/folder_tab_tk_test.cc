// The folder tab built alone under Xvfb: layout and scroll wiring, the code
// preview with good and bad inputs, and the folder tree made through the
// buttons on a real temporary folder (or a failing fake file system), with
// the directory chooser and the message boxes answered by the fixture. The
// new project is handed to a stand-in for the heights tab, which opens it as
// that tab does (the project takes the folder and its detected points) or
// fails as asked.
#include "folders/folder_tab_tk.h"

#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <set>

#include "project/chosen_folder.h"
#include "project/point_detection.h"
#include "testing/fake_fs.h"
#include "testing/room_fixture.h"
#include "testing/temp_dir.h"

namespace zarvek {
namespace {

namespace fs = std::filesystem;
const char kTab[] = ".salas.sala";
const char kPreviewButton[] = ".salas.sala.card.preview";
const char kCreateButton[] = ".salas.sala.bottom_frame.create";

class FolderTabTest : public testing::RoomTest {
 protected:
  /// Builds the tab over `fs` (the real file system when null).
  void MakeTab(FileSystem* fs = nullptr) {
    FileSystem& files = fs != nullptr ? *fs : RealFileSystem();
    tab_ = std::make_unique<FolderTab>(
        *ui_, files, project_, kRoomTab,
        [this, &files](const std::string& folder) {
          handed_.push_back(folder);
          if (!hand_over_error_.empty()) throw tk::Error(hand_over_error_);
          std::vector<std::string> codes;
          const Status detected = DetectProjectCodes(files, folder, &codes);
          if (!detected.ok()) throw tk::Error(detected.message());
          project_.Set(folder, codes);
        });
    // The tab is the one in front, as the window's first tab is at start.
    Call({kNotebook, "select", kRoomTab});
  }
  void DestroyRooms() override { tab_.reset(); }
  FolderTab& folder_tab() { return *tab_; }

  void Preview(const std::string& count, const std::string& first) {
    Call({"set", std::string(FolderTab::kNumPuntosVar), count});
    Call({"set", std::string(FolderTab::kPrimerCodigoVar), first});
    Call({kPreviewButton, "invoke"});
  }
  void Create() { Call({kCreateButton, "invoke"}); }
  void SetEntry(size_t row, const std::string& text) {
    const std::string& ent = folder_tab().preview_entries().at(row);
    Call({ent, "delete", 0, "end"});
    Call({ent, "insert", 0, text});
  }
  std::vector<std::string> EntryTexts() {
    std::vector<std::string> out;
    for (const std::string& ent : folder_tab().preview_entries())
      out.push_back(Call({ent, "get"}));
    return out;
  }
  size_t PreviewWidgets() {
    return List(Call({"winfo", "children", folder_tab().preview_frame()}))
        .size();
  }
  // Every directory under `root`, as paths relative to it.
  static std::set<std::string> DirectoriesUnder(const fs::path& root) {
    std::set<std::string> out;
    for (const auto& e : fs::recursive_directory_iterator(root))
      if (e.is_directory()) out.insert(fs::relative(e.path(), root).string());
    return out;
  }
  std::string OnlyMessage(const char* option) {
    std::vector<std::vector<std::string>> messages = Messages();
    if (messages.size() != 1)
      return "<" + std::to_string(messages.size()) + " boxes>";
    return Option(messages[0], option);
  }

  testing::TempDir temp_;
  const fs::path& dir_ = temp_.path();
  std::unique_ptr<FolderTab> tab_;
  /// The folders handed over as the project to open, oldest first.
  std::vector<std::string> handed_;
  /// When set, the hand-over fails with this text.
  std::string hand_over_error_;
};

TEST_F(FolderTabTest, LayoutPackingOrderAndScrollWiring) {
  MakeTab();
  EXPECT_EQ(List(Call({"pack", "slaves", kTab})),
            (std::vector<std::string>{std::string(kTab) + ".card",
                                      std::string(kTab) + ".bottom_frame",
                                      std::string(kTab) + ".list_container"}));
  EXPECT_EQ(
      Call({"pack", "slaves", std::string(kTab) + ".list_container"}),
      folder_tab().preview_canvas() + " " + folder_tab().preview_scrollbar());
  EXPECT_EQ(Call({kPreviewButton, "cget", "-takefocus"}), "1");
  EXPECT_EQ(Call({"winfo", "class", kCreateButton}), "Button");
  EXPECT_EQ(Call({kCreateButton, "cget", "-takefocus"}), "1");
  EXPECT_EQ(Call({folder_tab().preview_canvas(), "cget", "-yscrollcommand"}),
            folder_tab().preview_scrollbar() + " set");
  EXPECT_EQ(Call({folder_tab().preview_scrollbar(), "cget", "-command"}),
            folder_tab().preview_canvas() + " yview");

  // The scroll region follows the rows: the last row can be scrolled to.
  Call({"update"});
  Preview("60", "1");
  Call({"update"});
  std::vector<std::string> region =
      List(Call({folder_tab().preview_canvas(), "cget", "-scrollregion"}));
  ASSERT_EQ(region.size(), 4u);
  EXPECT_EQ(region[3], Call({"winfo", "height", folder_tab().preview_frame()}));
  EXPECT_GT(
      std::stoi(region[3]),
      std::stoi(Call({"winfo", "height", folder_tab().preview_canvas()})));
  Call({folder_tab().preview_canvas(), "yview", "moveto", 1});
  EXPECT_EQ(List(Call({folder_tab().preview_canvas(), "yview"})).at(1), "1.0");
  // An empty preview leaves nothing to scroll.
  Preview("0", "1");
  Call({"update"});
  EXPECT_LE(std::stoi(List(Call({folder_tab().preview_canvas(), "cget",
                                 "-scrollregion"}))
                          .at(3)),
            1);
  EXPECT_EQ(Call({folder_tab().preview_canvas(), "yview"}), "0.0 1.0");
}

TEST_F(FolderTabTest, PreviewScrollsWithTheWheelAndFollowsTheFocus) {
  MakeTab();
  Call({"update"});
  Preview("200", "1");
  Call({"update"});
  const std::string canvas = folder_tab().preview_canvas();
  auto top = [&] { return std::stod(Call({canvas, "canvasy", 0})); };
  const std::string label =
      Call({"grid", "slaves", folder_tab().preview_frame(), "-row", 0,
            "-column", 0});
  for (const std::string& widget : {folder_tab().preview_entries()[0], label,
                                    folder_tab().preview_frame(), canvas}) {
    const double before = top();
    Call({"event", "generate", widget, "<ButtonPress-5>"});
    Call({"event", "generate", widget, "<MouseWheel>", "-delta", -120});
    EXPECT_GT(top(), before) << widget;
  }
  EXPECT_EQ(Call({folder_tab().preview_entries()[0], "get"}), "1");

  // Tab from entry to entry: the focused one is always wholly in view.
  Call({"focus", "-force", folder_tab().preview_entries()[0]});
  Call({"update"});
  int out_of_view = 0;
  for (int i = 0; i < 40; ++i) {
    Call({"event", "generate", Call({"focus"}), "<KeyPress-Tab>"});
    Call({"update"});
    const std::string entry = Call({"focus"});
    const int y = std::stoi(Call({"winfo", "y", entry}));
    if (y < top() || y + std::stoi(Call({"winfo", "height", entry})) >
                         top() + std::stoi(Call({"winfo", "height", canvas})))
      ++out_of_view;
  }
  EXPECT_EQ(out_of_view, 0);
  EXPECT_EQ(Call({"focus"}), folder_tab().preview_entries()[40]);

  // A new preview is seen from its first row.
  Call({canvas, "yview", "moveto", 1});
  Preview("2", "1");
  Call({"update"});
  EXPECT_EQ(Call({canvas, "yview"}), "0.0 1.0");
}

TEST_F(FolderTabTest, PreviewRowsAndEntries) {
  MakeTab();
  Preview("3", "100");
  EXPECT_TRUE(Messages().empty());
  ASSERT_EQ(folder_tab().preview_entries().size(), 3u);
  EXPECT_EQ(EntryTexts(), (std::vector<std::string>{"100", "101", "102"}));
  for (int row = 0; row < 3; ++row) {
    const std::string& ent = folder_tab().preview_entries()[row];
    EXPECT_EQ(Call({"grid", "slaves", folder_tab().preview_frame(), "-row", row,
                    "-column", 1}),
              ent);
    const std::string label =
        Call({"grid", "slaves", folder_tab().preview_frame(), "-row", row,
              "-column", 0});
    EXPECT_EQ(Call({label, "cget", "-text"}), std::to_string(row + 1));
  }
  EXPECT_EQ(PreviewWidgets(), 6u);

  // A second press replaces the preview; numbering restarts at 1.
  Preview(" 2 ", "0012");
  EXPECT_EQ(EntryTexts(), (std::vector<std::string>{"12", "13"}));
  EXPECT_EQ(PreviewWidgets(), 4u);
  EXPECT_EQ(Call({"grid", "slaves", folder_tab().preview_frame(), "-row", 1,
                  "-column", 1}),
            folder_tab().preview_entries()[1]);
  Preview("3", "-2");
  EXPECT_EQ(EntryTexts(), (std::vector<std::string>{"-2", "-1", "0"}));
  EXPECT_TRUE(Messages().empty());
  // Input methods are on again after the build.
  EXPECT_EQ(Call({"tk", "useinputmethods"}), "1");
}

TEST_F(FolderTabTest, EmptyAndRefusedPreviews) {
  MakeTab();
  for (const char* count : {"0", "-2", "+0"}) {
    Preview("3", "100");
    Preview(count, "100");
    EXPECT_TRUE(Messages().empty()) << count;
    EXPECT_EQ(PreviewWidgets(), 0u) << count;
    EXPECT_TRUE(folder_tab().preview_entries().empty()) << count;
  }
  // The box names the input at fault and what was typed in it.
  const struct {
    const char* count;
    const char* first;
    const char* message;
  } refused[] = {
      {"0", "", "Datos inválidos\nPRIMER CÓDIGO (NUMÉRICO): «»"},
      {"", "100", "Datos inválidos\nCANTIDAD DE PUNTOS: «»"},
      {"3.0", "100", "Datos inválidos\nCANTIDAD DE PUNTOS: «3.0»"},
      {"12a", "1e2",
       "Datos inválidos\nCANTIDAD DE PUNTOS: «12a»\n"
       "PRIMER CÓDIGO (NUMÉRICO): «1e2»"},
      {"1001", "1",
       "Datos inválidos\nCANTIDAD DE PUNTOS: «1001» (MÁXIMO 1000)"},
      {"999999999999", "1",
       "Datos inválidos\nCANTIDAD DE PUNTOS: «999999999999» (MÁXIMO 1000)"},
      {"99999999999999999999", "1",
       "Datos inválidos\nCANTIDAD DE PUNTOS: «99999999999999999999»"},
      {"2", "9223372036854775807",
       "Datos inválidos\nPRIMER CÓDIGO (NUMÉRICO): «9223372036854775807» "
       "(DEMASIADO GRANDE)"}};
  for (const auto& r : refused) {
    Preview("3", "100");
    ClearMessages();
    Preview(r.count, r.first);
    EXPECT_EQ(OnlyMessage("-message"), r.message) << r.count;
    EXPECT_EQ(OnlyMessage("-title"), "Error") << r.count;
    EXPECT_EQ(OnlyMessage("-icon"), "error") << r.count;
    EXPECT_EQ(PreviewWidgets(), 0u) << r.count;
    EXPECT_TRUE(folder_tab().preview_entries().empty()) << r.count;
  }
  // The largest count allowed is built in full.
  Preview("1000", "1");
  EXPECT_EQ(folder_tab().preview_entries().size(), 1000u);
  EXPECT_EQ(Call({folder_tab().preview_entries().back(), "get"}), "1000");
}

TEST_F(FolderTabTest, EditedEntriesAndSecondRun) {
  MakeTab();
  Preview("5", "1");
  // Emptied entries are skipped; white space around a code, a no-break
  // space pasted from a spreadsheet included, is not part of it.
  const char* texts[] = {"", " 100 ", "\u00a0\t", "2405\u00a0", "007"};
  for (size_t i = 0; i < 5; ++i) SetEntry(i, texts[i]);
  AnswerDirectory(dir_.string());
  Create();
  const std::set<std::string> first = DirectoriesUnder(dir_);
  EXPECT_EQ(first.size(), 8u + 3 * 13);
  for (const char* name :
       {"2. DATOS GNSS/4. 100", "2. DATOS GNSS/5. 2405/RINEX",
        "2. DATOS GNSS/6. 007", "3. FOTOGRAFIAS/007/09. VIDEOS",
        "3. FOTOGRAFIAS/2405/1. EQUIPO GNSS"}) {
    EXPECT_EQ(first.count(name), 1u) << name;
  }
  ASSERT_EQ(Messages().size(), 1u);
  EXPECT_EQ(Option(Messages()[0], "-title"), "ÉXITO");
  EXPECT_EQ(Option(Messages()[0], "-message"),
            "CARPETAS CREADAS CORRECTAMENTE.");

  // Again on the same project: nothing is doubled, and the box says so.
  ClearMessages();
  AnswerDirectory(dir_.string());
  Create();
  EXPECT_EQ(DirectoriesUnder(dir_), first);
  EXPECT_EQ(OnlyMessage("-title"), "INFORMACIÓN");
  EXPECT_EQ(OnlyMessage("-message"),
            "NO SE CREÓ NINGÚN PUNTO: EL PROYECTO YA LOS TENÍA TODOS.\n"
            "YA EXISTÍAN, SIN CAMBIOS (3): 100, 2405, 007");

  // One code changed ("007" is "7" by value), chosen through the project's
  // own "2. DATOS GNSS": only the new point is made, numbered after the
  // highest number there, in the project and not in a tree inside it.
  ClearMessages();
  SetEntry(2, "7");
  SetEntry(4, "107");
  AnswerDirectory((dir_ / "2. DATOS GNSS").string());
  Create();
  std::set<std::string> dirs = DirectoriesUnder(dir_);
  EXPECT_EQ(dirs.size(), 8u + 4 * 13);
  EXPECT_EQ(dirs.count("2. DATOS GNSS/7. 107/RINEX"), 1u);
  EXPECT_EQ(dirs.count("3. FOTOGRAFIAS/107/09. VIDEOS"), 1u);
  EXPECT_EQ(dirs.count("2. DATOS GNSS/2. DATOS GNSS"), 0u);
  EXPECT_EQ(OnlyMessage("-title"), "ÉXITO");
  EXPECT_EQ(OnlyMessage("-message"),
            "CARPETAS CREADAS CORRECTAMENTE.\n"
            "PUNTOS AÑADIDOS (1): 7. 107\n"
            "YA EXISTÍAN, SIN CAMBIOS (3): 100, 7, 2405");
  EXPECT_EQ(project().folder(), dir_.string());
  EXPECT_EQ(project().codes(),
            (std::vector<std::string>{"007", "100", "107", "2405"}));
  // The entries are read, not changed.
  EXPECT_EQ(EntryTexts()[1], " 100 ");
}

TEST_F(FolderTabTest, BadOrRepeatedCodesStopBeforeAnythingIsMade) {
  MakeTab();
  Preview("4", "2405");
  SetEntry(1, "24O6");  // a letter O
  SetEntry(2, "2405");
  SetEntry(3, " ");
  Create();
  EXPECT_EQ(OnlyMessage("-title"), "Error");
  EXPECT_EQ(OnlyMessage("-icon"), "error");
  EXPECT_EQ(OnlyMessage("-message"),
            "NO SE CREÓ NINGUNA CARPETA. REVISE ESTOS CÓDIGOS:\n"
            "FILA 2: «24O6» NO ES UN CÓDIGO NUMÉRICO\n"
            "FILA 3: «2405» REPETIDO (FILA 1)");
  // Each of these, beside a good code, stops the run the same way.
  for (const char* bad : {"-5", "+7", "1 2", "3.0", "abc", "0002405"}) {
    ClearMessages();
    Preview("2", "2405");
    SetEntry(1, bad);
    Create();
    EXPECT_EQ(OnlyMessage("-title"), "Error") << bad;
  }
  EXPECT_EQ(ChooserCalls(), 0);
  EXPECT_TRUE(fs::is_empty(dir_));
}

TEST_F(FolderTabTest, NothingToDoOrCancelled) {
  MakeTab();
  testing::TempDir earlier("anterior");
  fs::create_directories(earlier.path() / "2. DATOS GNSS");
  project_.Set(earlier.path().string(), {});
  Create();  // no preview yet
  Preview("2", "5");
  SetEntry(0, "");
  SetEntry(1, "\u3000 ");
  Create();  // every entry emptied
  EXPECT_EQ(ChooserCalls(), 0);
  Preview("2", "5");
  AnswerDirectory("");
  Create();
  EXPECT_EQ(ChooserCalls(), 1);
  EXPECT_TRUE(Messages().empty());
  EXPECT_EQ(project().folder(), earlier.path().string());
  EXPECT_TRUE(fs::is_empty(dir_));
}

TEST_F(FolderTabTest, FileInTheWayStopsWithTheSystemError) {
  MakeTab();
  std::ofstream(dir_ / "1. FORMULARIOS") << "x";
  Preview("3", "100");
  AnswerDirectory(dir_.string());
  Create();
  EXPECT_EQ(OnlyMessage("-title"), "Error");
  EXPECT_EQ(OnlyMessage("-icon"), "error");
  EXPECT_EQ(OnlyMessage("-message"), std::string(std::strerror(EEXIST)) + ": " +
                                         (dir_ / "1. FORMULARIOS").string());
  EXPECT_TRUE(DirectoriesUnder(dir_).empty());
  // The project of the heights tab stays the one it shows.
  EXPECT_EQ(project().folder(), "");
}

TEST_F(FolderTabTest, OverlongCodeGivesFileNameTooLong) {
  MakeTab();
  Preview("1", "1");
  const std::string code(300, '7');
  SetEntry(0, code);
  AnswerDirectory(dir_.string());
  Create();
  EXPECT_EQ(OnlyMessage("-message"),
            std::string(std::strerror(ENAMETOOLONG)) + ": " +
                (dir_ / "2. DATOS GNSS" / ("4. " + code)).string());
  EXPECT_NE(OnlyMessage("-message").find("File name too long"),
            std::string::npos);
  EXPECT_EQ(DirectoriesUnder(dir_).size(), 7u);  // the shared folders only
}

TEST_F(FolderTabTest, FailureAtTheNthFolderKeepsEarlierOnes) {
  FakeFileSystem fake;
  fake.AddDirectory("/p");
  fake.FailMakeDirsAt(10,
                      "No space left on device: /p/2. DATOS GNSS/4. 1/RINEX");
  MakeTab(&fake);
  Preview("2", "1");
  AnswerDirectory("/p");
  Create();
  EXPECT_EQ(OnlyMessage("-message"),
            "No space left on device: /p/2. DATOS GNSS/4. 1/RINEX");
  EXPECT_EQ(fake.directories_made_.size(), 9u);
  EXPECT_EQ(project().folder(), "");
}

// Codes 100, 101 and 102 in a root whose name would run commands if it were
// ever read as Tcl; the root is then handed to the heights tab.
TEST_F(FolderTabTest, TreeOfThreeCodesInAHostileRoot) {
  MakeTab();
  const fs::path root =
      dir_ / "Proyecto Ñandú \"x\" 'y' $HOME [exec touch PWNED] {a} } { 📂";
  fs::create_directories(root);
  const fs::path cwd = fs::current_path();
  fs::current_path(dir_);
  Preview("3", "100");
  AnswerDirectory(root.string());
  Create();
  fs::current_path(cwd);

  EXPECT_EQ(ChooserCalls(), 1);
  EXPECT_EQ(Call({"lindex", Call({"set", "::zarvek_test_choosers"}), 0}), "")
      << "the chooser takes no options";
  EXPECT_EQ(OnlyMessage("-title"), "ÉXITO");
  EXPECT_EQ(OnlyMessage("-message"), "CARPETAS CREADAS CORRECTAMENTE.");
  EXPECT_EQ(OnlyMessage("-icon"), "info");
  const std::set<std::string> dirs = DirectoriesUnder(root);
  EXPECT_EQ(dirs.size(), 47u);
  for (const char* name :
       {"1. FORMULARIOS", "2. DATOS GNSS/1. DATOS DE LA ESTACION BASE/RINEX",
        "2. DATOS GNSS/4. 100/NATIVA", "2. DATOS GNSS/6. 102/RINEX",
        "3. FOTOGRAFIAS/101/2. PROCESO DE MONUMENTACIÓN",
        "3. FOTOGRAFIAS/102/08. FOTOGRAFÍAS PANORÁMICAS"}) {
    EXPECT_EQ(dirs.count(name), 1u) << name;
  }
  EXPECT_EQ(project().folder(), root.string());
  EXPECT_EQ(handed_, std::vector<std::string>{root.string()});
  EXPECT_FALSE(fs::exists(dir_ / "PWNED"));
  EXPECT_FALSE(fs::exists(cwd / "PWNED"));
}

// A folder whose name is Latin-1, not UTF-8 (as old zip archives leave):
// the chooser shows it as "Año", a name that does not exist. The tab does
// not use that name (nor does the heights tab: see its test); a new folder
// typed into the chooser is still made.
TEST_F(FolderTabTest, ChosenFolderThatIsNotThereIsRefused) {
  MakeTab();
  const fs::path latin1 = dir_ / "Proyecto A\xf1o";
  fs::create_directories(latin1);
  const std::string shown = (dir_ / "Proyecto Año").string();
  const std::string file = (dir_ / "nota.txt").string();
  std::FILE* f = std::fopen(file.c_str(), "w");
  ASSERT_NE(f, nullptr);
  std::fclose(f);
  Preview("1", "100");
  // Each box names its own reason; only a name the chooser shows otherwise
  // is blamed on accents. A missing parent is named, the outermost first.
  const std::string obras = (dir_ / "Obras 2026").string();
  struct Refused {
    std::string path;
    std::string reason;  // the start of the box
    std::string named;   // the path the box names
    bool accents;
  };
  const Refused refused[] = {
      {shown, "LA CARPETA ELEGIDA NO EXISTE CON ESE NOMBRE:", shown, true},
      {file, "LO ELEGIDO NO ES UNA CARPETA:", file, false},
      {obras + "/Red Ávila", "NO EXISTE LA CARPETA «Obras 2026»", obras, false},
      {obras + "/Sur/Red Ávila", "NO EXISTE LA CARPETA «Obras 2026»", obras,
       false},
  };
  auto one_line = [](std::string text) {
    text.erase(std::remove(text.begin(), text.end(), '\n'), text.end());
    return text;
  };
  for (const Refused& r : refused) {
    SCOPED_TRACE(r.path);
    ClearMessages();
    AnswerDirectory(r.path);
    Create();
    EXPECT_EQ(OnlyMessage("-title"), "Error");
    const std::string message = OnlyMessage("-message");
    EXPECT_EQ(message.rfind(r.reason, 0), 0u) << message;
    EXPECT_NE(one_line(message).find(r.named), std::string::npos) << message;
    EXPECT_EQ(message.find("ACENTOS") != std::string::npos, r.accents)
        << message;
    EXPECT_EQ(project().folder(), "");
    EXPECT_TRUE(handed_.empty());
  }
  EXPECT_FALSE(fs::exists(obras));
  EXPECT_TRUE(fs::is_empty(latin1));
  EXPECT_EQ(DirectoriesUnder(dir_).size(), 1u);

  const fs::path nuevo = dir_ / "Proyecto Nuevo";
  ClearMessages();
  AnswerDirectory(nuevo.string());
  Create();
  EXPECT_EQ(OnlyMessage("-title"), "ÉXITO");
  EXPECT_TRUE(fs::is_directory(nuevo / "2. DATOS GNSS" / "4. 100"));
}

// The heights tab cannot show the new project (its label is gone, say):
// the tree is made and said so, then the hand-over's error is shown.
TEST_F(FolderTabTest, FailingHandOverShowsItsErrorAfterSuccess) {
  MakeTab();
  hand_over_error_ = "invalid command name \".salas.alturas.etiqueta\"";
  Preview("1", "100");
  AnswerDirectory(dir_.string());
  Create();
  std::vector<std::vector<std::string>> messages = Messages();
  ASSERT_EQ(messages.size(), 2u);
  EXPECT_EQ(Option(messages[0], "-title"), "ÉXITO");
  EXPECT_EQ(Option(messages[1], "-title"), "Error");
  EXPECT_EQ(Option(messages[1], "-message"), hand_over_error_);
  EXPECT_EQ(handed_, std::vector<std::string>{dir_.string()});
  // The project stays the one it was.
  EXPECT_EQ(project().folder(), "");
}

}  // namespace
}  // namespace zarvek
