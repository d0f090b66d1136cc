// The Windows adapters on the real disk: Unicode paths end to end, a report
// held open by another program, a program started from another folder, and
// the photo report's libraries.
#include <gtest/gtest.h>
#include <libexif/exif-data.h>
#include <turbojpeg.h>
#include <windows.h>

#include <cstdlib>
#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include "app/main_window.h"
#include "rinex/rinex_files.h"
#include "platform/atomic_file.h"
#include "platform/config_dir.h"
#include "platform/fs.h"
#include "platform/machine.h"
#include "image/photo_decode.h"
#include "image/png_decode.h"
#include "platform/process.h"
#include "platform/single_instance.h"
#include "ui/tk_interp.h"
#include "platform/win32_text.h"
#include "testing/temp_dir.h"

namespace zarvek {
namespace {

namespace fs = std::filesystem;
using testing::ReadFileBytes;

std::string Utf8(const fs::path& p) {
  const std::u8string s = p.u8string();
  return std::string(s.begin(), s.end());
}

fs::path FromUtf8(const std::string& s) {
  return fs::path(std::u8string(s.begin(), s.end()));
}

class Win32AdaptersTest : public ::testing::Test {
 protected:
  testing::TempDir temp_;
  const std::string dir_ = Utf8(temp_.path());
};

// Greek, Polish and Japanese letters are in no Western ANSI code page; a
// narrow (ANSI) call anywhere on the way would turn them into "?".
TEST_F(Win32AdaptersTest, NamesOutsideTheAnsiCodePageWorkEndToEnd) {
  FileSystem& disk = RealFileSystem();
  const std::string project =
      dir_ + "\\Obras Topografía\\Red ávila Ωμέγα Łódź 東京";
  const std::string points = project + "/1. PUNTOS/PG-01 Ñ";
  ASSERT_TRUE(disk.MakeDirs(points).ok());
  EXPECT_TRUE(disk.IsDirectory(points));
  EXPECT_TRUE(disk.MakeDirs(points).ok()) << "an existing folder is fine";

  std::vector<std::string> names;
  ASSERT_TRUE(disk.ListDir(project, &names).ok());
  EXPECT_EQ(names, std::vector<std::string>{"1. PUNTOS"});
  ASSERT_TRUE(disk.ListDir(dir_ + "/Obras Topografía", &names).ok());
  EXPECT_EQ(names, std::vector<std::string>{"Red ávila Ωμέγα Łódź 東京"});

  const std::string report = project + "\\CONVERSIÓN ΔH.pdf";
  ASSERT_TRUE(WriteFileAtomically(report, "%PDF-1.7 uno").ok());
  ASSERT_TRUE(WriteFileAtomically(report, "%PDF-1.7 dos").ok());
  EXPECT_EQ(ReadFileBytes(FromUtf8(report)), "%PDF-1.7 dos");
  EXPECT_TRUE(disk.Exists(report));

  std::FILE* f = OpenFile(report, "rb");
  ASSERT_NE(f, nullptr);
  std::fclose(f);

  // The program's own pictures copied under such a name still decode.
  const std::string png = project + "\\icono ✓.png";
  fs::copy_file(
      fs::path(ZARVEK_SOURCE_DIR) / "resources" / "ICONO_QUENTARO.png",
      FromUtf8(png));
  RgbaImage image;
  ASSERT_TRUE(DecodePngFile(RealFileSystem(), png, &image).ok());
  EXPECT_EQ(image.width, 256);
}

TEST_F(Win32AdaptersTest, FailuresCarryWindowsTextAndThePath) {
  FileSystem& disk = RealFileSystem();
  const std::string file = dir_ + "\\ocupado";
  ASSERT_TRUE(WriteFileAtomically(file, "x").ok());

  struct Case {
    Status status;
    std::string path;
  };
  std::vector<std::string> names;
  const std::vector<Case> failures = {
      {disk.MakeDirs(file), file},
      // The file in the way is named rather than the folder below it.
      {disk.MakeDirs(file + "\\debajo"), file},
      {disk.ListDir(dir_ + "\\no existe", &names), dir_ + "\\no existe"},
      {WriteFileAtomically(dir_ + "\\no existe\\a.pdf", "x"),
       dir_ + "\\no existe\\a.pdf"},
      {WriteFileAtomically(dir_, "x"), dir_},
  };
  for (const Case& c : failures) {
    ASSERT_FALSE(c.status.ok()) << c.path;
    const std::string& m = c.status.message();
    const std::string tail = ": " + c.path;
    ASSERT_GT(m.size(), tail.size() + 3) << m;
    EXPECT_EQ(m.substr(m.size() - tail.size()), tail) << m;
  }
  EXPECT_EQ(ReadFileBytes(FromUtf8(file)), "x");
}

// A PDF viewer keeps the report open and denies others writing and
// deleting it. Writing the report again must fail with a clear error and
// keep the earlier file exactly, with no temporary file left behind.
TEST_F(Win32AdaptersTest, ReportLockedByAnotherProgramKeepsTheEarlierFile) {
  const std::string report = dir_ + "\\CONVERSIÓN DE ALTURA.pdf";
  ASSERT_TRUE(WriteFileAtomically(report, "earlier report").ok());

  HANDLE viewer =
      CreateFileW(win32::Widen(report).c_str(), GENERIC_READ, FILE_SHARE_READ,
                  nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  ASSERT_NE(viewer, INVALID_HANDLE_VALUE);
  const Status s = WriteFileAtomically(report, "new report");
  CloseHandle(viewer);

  ASSERT_FALSE(s.ok());
  EXPECT_EQ(s.message(),
            win32::ErrorText(ERROR_SHARING_VIOLATION) + ": " + report);
  EXPECT_TRUE(s.held_open());
  EXPECT_EQ(ReadFileBytes(FromUtf8(report)), "earlier report");
  std::vector<std::string> names;
  ASSERT_TRUE(RealFileSystem().ListDir(dir_, &names).ok());
  EXPECT_EQ(names, std::vector<std::string>{"CONVERSIÓN DE ALTURA.pdf"});

  // Once the viewer lets go, the same write succeeds.
  ASSERT_TRUE(WriteFileAtomically(report, "new report").ok());
  EXPECT_EQ(ReadFileBytes(FromUtf8(report)), "new report");
}

// Every wrapper (zlib for gzip, libarchive for the rest) opens observation
// files under a project whose name no ANSI code page holds, and corrected
// copies are written beside them.
TEST_F(Win32AdaptersTest, RinexFilesUnderNamesOutsideTheAnsiCodePage) {
  const std::string project = dir_ + "\\Obras Ωμέγα Łódź";
  const fs::path rinex =
      FromUtf8(project) / "2. DATOS GNSS" / "1. 1001" / "RINEX";
  fs::create_directories(rinex);
  const std::map<std::string, double> expected = {{"v304.obs", 1.4285},
                                                  {"v304_zero.obs.gz", 0},
                                                  {"v211.26o.Z", 1.5},
                                                  {"hatanaka.crx.bz2", 1.5105},
                                                  {"v304.zip", 0}};
  const fs::path fixtures =
      fs::path(ZARVEK_SOURCE_DIR) / "rinex" / "testdata";
  for (const auto& [name, delta_h] : expected) {
    fs::copy_file(fixtures / name, rinex / name);
  }

  const std::string folder =
      ProjectRinexFolders(RealFileSystem(), project)["1001"];
  std::map<std::string, double> read;
  for (const RinexFileCheck& f :
       CheckRinexFolder(RealFileSystem(), folder).files) {
    EXPECT_EQ(f.kind, RinexKind::kObservation) << f.name << ": " << f.reason;
    read[f.name] = f.delta_h;
  }
  EXPECT_EQ(read, expected);

  for (const char* name : {"v211.26o.Z", "v304_zero.obs.gz"}) {
    const Status s =
        WriteCorrectedCopy(RealFileSystem(), folder, name, 1.4285, nullptr);
    EXPECT_TRUE(s.ok()) << s.message();
  }
  const PointRinexFiles again = CheckRinexFolder(RealFileSystem(), Utf8(rinex));
  int corrected = 0;
  for (const RinexFileCheck& f : again.files) {
    if (f.copy_delta_h) {
      EXPECT_EQ(*f.copy_delta_h, 1.4285) << f.name;
      ++corrected;
    }
  }
  EXPECT_EQ(corrected, 2);
}

// A read-only report is refused with the system's text and kept as it was.
TEST_F(Win32AdaptersTest, ReadOnlyReportIsKept) {
  const std::string report = dir_ + "\\CONVERSIÓN DE ALTURA.pdf";
  ASSERT_TRUE(WriteFileAtomically(report, "earlier report").ok());
  const std::wstring wide = win32::Widen(report);
  ASSERT_TRUE(SetFileAttributesW(wide.c_str(), FILE_ATTRIBUTE_READONLY));
  const Status s = WriteFileAtomically(report, "new report");
  SetFileAttributesW(wide.c_str(), FILE_ATTRIBUTE_NORMAL);
  EXPECT_EQ(s.message(),
            win32::ErrorText(ERROR_FILE_READ_ONLY) + ": " + report);
  EXPECT_EQ(ReadFileBytes(FromUtf8(report)), "earlier report");
  std::vector<std::string> names;
  ASSERT_TRUE(RealFileSystem().ListDir(dir_, &names).ok());
  EXPECT_EQ(names.size(), 1u);
}

// The project's mark is hidden in Explorer, as a dot-file is elsewhere:
// taken, and renewed, it keeps the hidden attribute; other files get none.
TEST_F(Win32AdaptersTest, DotFilesAreHidden) {
  auto hidden = [](const std::string& path) {
    const DWORD a = GetFileAttributesW(win32::Widen(path).c_str());
    return a != INVALID_FILE_ATTRIBUTES && (a & FILE_ATTRIBUTE_HIDDEN) != 0;
  };
  FileSystem& fs = RealFileSystem();
  const std::string mark = dir_ + "\\.proyecto-en-uso";
  bool existed = true;
  ASSERT_TRUE(fs.CreateNewFile(mark, "taken", &existed).ok());
  EXPECT_FALSE(existed);
  EXPECT_TRUE(hidden(mark));
  ASSERT_TRUE(fs.WriteAtomically(mark, "renewed").ok());
  EXPECT_TRUE(hidden(mark));
  EXPECT_EQ(ReadFileBytes(FromUtf8(mark)), "renewed");
  const std::string report = dir_ + "\\CONVERSIÓN DE ALTURA.pdf";
  ASSERT_TRUE(fs.WriteAtomically(report, "report").ok());
  EXPECT_FALSE(hidden(report));
}

// Started from another folder, the program still finds its pictures and
// Tcl/Tk's scripts beside its executable, never in the working folder.
// The settings folder comes from %APPDATA% as UTF-16, whatever the ANSI
// code page; the documents folder is the shell's.
TEST_F(Win32AdaptersTest, SettingsFolderUnderANameOutsideTheAnsiCodePage) {
  const wchar_t* old = _wgetenv(L"APPDATA");
  const std::wstring saved = old != nullptr ? old : L"";
  const std::string appdata = dir_ + "\\Begoña Ωμέγα\\Roaming";
  ASSERT_EQ(_wputenv_s(L"APPDATA", win32::Widen(appdata).c_str()), 0);
  EXPECT_EQ(UserConfigDir(), appdata);
  _wputenv_s(L"APPDATA", saved.c_str());
  EXPECT_FALSE(UserDocumentsDir().empty());
}

TEST_F(Win32AdaptersTest, WorkingDirectoryElsewhere) {
  const std::string exe_dir = ExecutableDir();
  ASSERT_FALSE(exe_dir.empty());
  const std::string elsewhere = dir_ + "\\otra carpeta ñ";
  ASSERT_TRUE(RealFileSystem().MakeDirs(elsewhere + "\\resources").ok());
  ASSERT_TRUE(RealFileSystem().MakeDirs(elsewhere + "\\lib\\tcl8.6").ok());
  const std::wstring before = win32::Widen(CurrentDir());
  ASSERT_TRUE(SetCurrentDirectoryW(win32::Widen(elsewhere).c_str()));
  EXPECT_EQ(CurrentDir(), elsewhere);

  const std::string icon = resource_path("ICONO_QUENTARO.png");
  std::string error;
  std::unique_ptr<tk::Interp> interp = tk::Interp::Create("zarvek", &error);
  std::string library;
  if (interp) library = interp->Call({"info", "library"});
  SetCurrentDirectoryW(before.c_str());

  EXPECT_EQ(icon,
            JoinPath(JoinPath(exe_dir, "resources"), "ICONO_QUENTARO.png"));
  ASSERT_TRUE(interp) << error;
  EXPECT_EQ(library, JoinPath(JoinPath(exe_dir, "lib"), "tcl8.6"));
  EXPECT_EQ(interp->Call({"tk", "windowingsystem"}), "win32");
}

// The facts a project mark is written and judged with, and the named mutex
// that tells a second start that a copy runs (with no window of that title
// found, the second start runs as a window of its own).
TEST(Win32MachineTest, ProcessesMachineAndTheSecondStart) {
  EXPECT_TRUE(ProcessRunning(CurrentProcessId()));
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION child{};
  wchar_t command[] = L"cmd.exe /c exit 0";
  ASSERT_TRUE(CreateProcessW(nullptr, command, nullptr, nullptr, FALSE,
                             CREATE_NO_WINDOW, nullptr, nullptr, &startup,
                             &child));
  WaitForSingleObject(child.hProcess, INFINITE);
  CloseHandle(child.hThread);
  CloseHandle(child.hProcess);
  EXPECT_FALSE(ProcessRunning(child.dwProcessId));
  EXPECT_FALSE(ProcessRunning(0));
  EXPECT_FALSE(MachineName().empty());

  std::unique_ptr<FirstInstance> first =
      ClaimFirstInstance("ZarvekPruebaWin", "ninguna ventana");
  ASSERT_NE(first, nullptr);
  HANDLE probe = OpenMutexW(SYNCHRONIZE, FALSE, L"ZarvekPruebaWin");
  EXPECT_NE(probe, nullptr);
  if (probe != nullptr) CloseHandle(probe);
  EXPECT_NE(ClaimFirstInstance("ZarvekPruebaWin", "ninguna ventana"), nullptr);
}

// libjpeg's errors reach the photo decoder by longjmp through its frames
// (image/photo_decode.cc): under MinGW's setjmp too, a refused header
// comes back as its reason, and the photo after it is decoded (scaled to a
// tiny box, so that it goes through libjpeg, not kept as it is).
TEST(Win32PhotoLibrariesTest, AJpegErrorComesBackAndTheNextPhotoDecodes) {
  constexpr int kWidth = 64, kHeight = 32;
  std::vector<std::uint8_t> rgb(kWidth * kHeight * 3, 180);
  std::string good;
  ASSERT_TRUE(EncodeJpeg(rgb.data(), kWidth, kHeight, 3, 90, &good).ok());
  const std::size_t sof = good.find("\xFF\xC0");
  ASSERT_NE(sof, std::string::npos);
  std::string deep = good;
  deep[sof + 4] = 12;  // 12 bits a sample: libjpeg's header read fails
  for (int round = 0; round < 3; ++round) {
    PreparedPhoto photo;
    EXPECT_EQ(PreparePhoto(deep, 10, 5, &photo).message(), "JPEG DAÑADO");
    ASSERT_TRUE(PreparePhoto(good, 10, 5, &photo).ok()) << round;
    EXPECT_FALSE(photo.as_is);
    EXPECT_GT(photo.picture.width, 0);
  }
}

// TurboJPEG and libexif, which the photo report reads pictures with, linked
// statically: TurboJPEG compresses a small picture and gets it back, and
// libexif writes an orientation tag and reads it back from its own bytes.
TEST(Win32PhotoLibrariesTest, TurboJpegAndLibexifRoundTrip) {
  constexpr int kWidth = 16, kHeight = 8;
  std::vector<unsigned char> rgb(kWidth * kHeight * 3, 200);
  tjhandle compressor = tjInitCompress();
  ASSERT_NE(compressor, nullptr);
  unsigned char* jpeg = nullptr;
  unsigned long jpeg_size = 0;
  ASSERT_EQ(tjCompress2(compressor, rgb.data(), kWidth, 0, kHeight, TJPF_RGB,
                        &jpeg, &jpeg_size, TJSAMP_444, 90, 0),
            0)
      << tjGetErrorStr2(compressor);
  tjDestroy(compressor);
  tjhandle decompressor = tjInitDecompress();
  ASSERT_NE(decompressor, nullptr);
  int width = 0, height = 0, subsampling = -1, colorspace = -1;
  EXPECT_EQ(tjDecompressHeader3(decompressor, jpeg, jpeg_size, &width, &height,
                                &subsampling, &colorspace),
            0);
  EXPECT_EQ(width, kWidth);
  EXPECT_EQ(height, kHeight);
  std::vector<unsigned char> back(rgb.size());
  EXPECT_EQ(tjDecompress2(decompressor, jpeg, jpeg_size, back.data(), kWidth, 0,
                          kHeight, TJPF_RGB, 0),
            0)
      << tjGetErrorStr2(decompressor);
  EXPECT_NEAR(back[0], 200, 2);
  tjDestroy(decompressor);
  tjFree(jpeg);

  ExifData* exif = exif_data_new();
  ASSERT_NE(exif, nullptr);
  ExifEntry* entry = exif_entry_new();
  exif_content_add_entry(exif->ifd[EXIF_IFD_0], entry);
  exif_entry_initialize(entry, EXIF_TAG_ORIENTATION);
  exif_set_short(entry->data, exif_data_get_byte_order(exif), 6);
  exif_entry_unref(entry);
  unsigned char* bytes = nullptr;
  unsigned int size = 0;
  exif_data_save_data(exif, &bytes, &size);
  exif_data_unref(exif);
  ASSERT_NE(bytes, nullptr);
  ExifData* read = exif_data_new_from_data(bytes, size);
  std::free(bytes);
  ASSERT_NE(read, nullptr);
  ExifEntry* orientation = exif_data_get_entry(read, EXIF_TAG_ORIENTATION);
  ASSERT_NE(orientation, nullptr);
  EXPECT_EQ(exif_get_short(orientation->data, exif_data_get_byte_order(read)),
            6);
  exif_data_unref(read);
}

}  // namespace
}  // namespace zarvek
