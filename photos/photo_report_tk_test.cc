// The photo report command under Xvfb: its progress shows while the window
// keeps running, a cancel leaves the earlier report byte for byte, and a
// finished run says so and opens the file.
#include "photos/photo_report_tk.h"

#include <chrono>
#include <condition_variable>
#include <filesystem>
#include <fstream>
#include <mutex>
#include <sstream>
#include <stdexcept>
#include <thread>

#include "pdf/pdf_writer.h"
#include "platform/random.h"
#include "project/layout.h"
#include "testing/room_fixture.h"
#include "testing/temp_dir.h"
#include "text/shown_path.h"

namespace zarvek {
namespace {

namespace fs = std::filesystem;

// The real file system, whose photo reads wait, after the first `free`
// ones, until the test opens the gate: the run is then surely in progress.
class GatedFs : public FileSystem {
 public:
  explicit GatedFs(int free) : free_(free) {}
  void Open() {
    std::lock_guard<std::mutex> lock(mutex_);
    open_ = true;
    opened_.notify_all();
  }
  Status ReadFile(const std::string& path, size_t max_bytes,
                  std::string* bytes) override {
    {
      std::unique_lock<std::mutex> lock(mutex_);
      if (--free_ < 0) opened_.wait(lock, [this] { return open_; });
    }
    return real_.ReadFile(path, max_bytes, bytes);
  }
  bool Exists(const std::string& p) override { return real_.Exists(p); }
  bool IsDirectory(const std::string& p) override {
    return real_.IsDirectory(p);
  }
  bool IsRealDirectory(const std::string& p) override {
    return real_.IsRealDirectory(p);
  }
  Status ListDir(const std::string& p,
                 std::vector<std::string>* names) override {
    return real_.ListDir(p, names);
  }
  Status MakeDirs(const std::string& p) override { return real_.MakeDirs(p); }
  Status ReadPrefix(const std::string& p, size_t max, std::string* bytes,
                    bool* missing) override {
    return real_.ReadPrefix(p, max, bytes, missing);
  }
  Status CreateNewFile(const std::string& p, std::string_view b,
                       bool* existed) override {
    return real_.CreateNewFile(p, b, existed);
  }
  Status WriteAtomically(const std::string& p, std::string_view b) override {
    return real_.WriteAtomically(p, b);
  }
  bool IsFile(const std::string& p) override { return real_.IsFile(p); }
  Status ReadDecodedPrefix(const std::string& p, std::size_t max,
                           const EnoughBytes& enough,
                           DecodedPrefix* prefix) override {
    return real_.ReadDecodedPrefix(p, max, enough, prefix);
  }
  Status WriteDecodedCopy(const std::string& s, std::size_t n,
                          std::string_view prefix, const std::string& t,
                          const CopyWatch& watch) override {
    return real_.WriteDecodedCopy(s, n, prefix, t, watch);
  }
  Status RemoveFile(const std::string& p) override {
    return real_.RemoveFile(p);
  }

 private:
  FileSystem& real_ = RealFileSystem();
  std::mutex mutex_;
  std::condition_variable opened_;
  int free_;
  bool open_ = false;
};

std::string ReadAll(const std::string& p) {
  std::ifstream in(p, std::ios::binary);
  std::stringstream ss;
  ss << in.rdbuf();
  return ss.str();
}

constexpr int kPhotos = 40;
constexpr char kProgress[] = ".salas.sala.progreso";
constexpr char kEarlier[] = "%PDF-1.6 the earlier report";

class PhotoReportCommandTest : public testing::RoomTest {
 protected:
  void SetUp() override {
    RoomTest::SetUp();
    const ProjectLayout layout = ProjectLayout::AtRoot(dir_.path().string());
    const std::string stage = layout.PointPhotoStageDirs("1001")[0];
    fs::create_directories(stage);
    const std::string one = stage + "/IMG_00.jpg";
    ASSERT_EQ(
        std::system(("convert -size 2000x1500 gradient:red-white '" + one + "'")
                        .c_str()),
        0);
    request_.project_root = dir_.path().string();
    PointDossier point;
    point.code = "1001";
    point.has_photo_folder = true;
    point.stages.resize(kPhotoStages);
    point.stages[0].state = FolderCount::State::kRead;
    for (int i = 0; i < kPhotos; ++i) {
      const std::string name =
          "IMG_" + std::string(i < 10 ? "0" : "") + std::to_string(i) + ".jpg";
      if (i > 0) fs::copy_file(one, stage + "/" + name);
      point.stages[0].files.push_back(
          FoundFile{stage + "/" + name, name, 1, 0, FileKind::kJpeg});
    }
    request_.scan.points.push_back(point);
    report_ = layout.PhotoReportPath();
    std::ofstream(report_, std::ios::binary) << kEarlier;

    // The frame the dossier tab gives the command, in front.
    Call({"ttk::frame", kProgress});
    Call({"pack", kProgress});
    Call({kNotebook, "select", kRoomTab});
  }
  void TearDown() override {
    gate_.Open();
    RoomTest::TearDown();
  }
  void DestroyRooms() override { command_.reset(); }
  void MakeCommand(PdfDocumentFactory* pdf = nullptr) {
    command_ = std::make_unique<PhotoReportCommand>(
        *ui_,
        PhotoReportServices{
            pdf != nullptr ? *pdf : pdf_, SystemRandom(), gate_,
            [] { return std::string("07/12/2026"); },
            [this](const std::string& p) { opened_.push_back(p); }},
        kProgress);
  }
  // Runs the event loop until the label shows photos done.
  std::string WaitForProgress() {
    const auto end =
        std::chrono::steady_clock::now() + std::chrono::seconds(30);
    std::string text;
    while (std::chrono::steady_clock::now() < end) {
      Call({"update"});
      text = Call({command_->progress_label(), "cget", "-text"});
      if (text != "FOTO 0 DE 40") break;
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return text;
  }
  bool Exists(const std::string& w) {
    return Call({"winfo", "exists", w}) == "1";
  }

  testing::TempDir dir_;
  PhotoReportRequest request_;
  std::string report_;
  PdfWriterDocumentFactory pdf_;
  GatedFs gate_{8};
  std::unique_ptr<PhotoReportCommand> command_;
  std::vector<std::string> opened_;
};

TEST_F(PhotoReportCommandTest, ProgressShowsAndCancelKeepsTheEarlierFile) {
  MakeCommand();
  ASSERT_TRUE(command_->Generate(request_));
  EXPECT_FALSE(command_->Generate(request_));  // one run at a time
  EXPECT_EQ(Call({command_->progress_label(), "cget", "-text"}),
            "FOTO 0 DE 40");
  EXPECT_EQ(Call({command_->cancel_button(), "cget", "-text"}), "CANCELAR");
  EXPECT_EQ(Call({"winfo", "class", command_->progress_bar()}), "TProgressbar");
  // Eight photos read: the first page of six is written, the run waits.
  EXPECT_EQ(WaitForProgress(), "FOTO 6 DE 40");
  EXPECT_EQ(Call({command_->progress_bar(), "cget", "-value"}), "6");
  Call({command_->cancel_button(), "invoke"});
  gate_.Open();
  command_->Finish();

  EXPECT_FALSE(command_->running());
  EXPECT_EQ(ReadAll(report_), kEarlier);
  for (const auto& e :
       fs::directory_iterator(fs::path(report_).parent_path())) {
    EXPECT_TRUE(e.is_directory() || e.path().string() == report_) << e.path();
  }
  EXPECT_FALSE(Exists(command_->progress_bar()));
  EXPECT_FALSE(Exists(command_->cancel_button()));
  EXPECT_TRUE(Messages().empty());
  EXPECT_TRUE(opened_.empty());
  EXPECT_NE(Console().find("REPORTAJE FOTOGRÁFICO CANCELADO"),
            std::string::npos);
}

// One photo cut short is printed as far as it goes and counted, in the
// singular, among those that could not be read.
TEST_F(PhotoReportCommandTest, AFinishedRunReplacesTheReportAndOpensIt) {
  const std::string last = request_.scan.points[0].stages[0].files.back().path;
  const std::string whole = ReadAll(last);
  std::ofstream(last, std::ios::binary | std::ios::trunc)
      << whole.substr(0, whole.size() / 2);
  gate_.Open();
  MakeCommand();
  ASSERT_TRUE(command_->Generate(request_));
  command_->Finish();
  const std::string pdf = ReadAll(report_);
  EXPECT_EQ(pdf.rfind("%PDF-1.6\n", 0), 0u);
  EXPECT_GT(pdf.size(), 40u * 4'000);  // the photos are in it
  EXPECT_FALSE(Exists(command_->progress_bar()));
  const auto messages = Messages();
  ASSERT_EQ(messages.size(), 1u);
  EXPECT_EQ(Option(messages[0], "-title"), "REPORTAJE FOTOGRÁFICO");
  EXPECT_NE(
      Option(messages[0], "-message").find("40 FOTOGRAFÍAS, 1 NO SE PUDO LEER"),
      std::string::npos)
      << Option(messages[0], "-message");
  EXPECT_EQ(opened_, std::vector<std::string>{report_});
  EXPECT_FALSE(command_->Generate(PhotoReportRequest{}));  // no project
  // The command is ready for another run.
  EXPECT_TRUE(command_->Generate(request_));
  command_->Finish();
}

// A run that throws (here the PDF writer, out of memory) ends as a failed
// run: the box says why, the progress goes, the earlier file stays and the
// command runs again.
TEST_F(PhotoReportCommandTest, AThrowingRunSaysWhyAndTheCommandRunsAgain) {
  struct ThrowsOnce : PdfDocumentFactory {
    explicit ThrowsOnce(PdfDocumentFactory& real) : real(real) {}
    std::unique_ptr<PdfDocument> Create() override {
      if (throws-- > 0) throw std::runtime_error("std::bad_alloc");
      return real.Create();
    }
    PdfDocumentFactory& real;
    int throws = 1;
  } once(pdf_);
  gate_.Open();
  MakeCommand(&once);
  ASSERT_TRUE(command_->Generate(request_));
  command_->Finish();
  EXPECT_FALSE(command_->running());
  EXPECT_FALSE(Exists(command_->progress_bar()));
  EXPECT_EQ(ReadAll(report_), kEarlier);
  auto messages = Messages();
  ASSERT_EQ(messages.size(), 1u);
  EXPECT_EQ(Option(messages[0], "-title"), "ERROR PDF");
  EXPECT_EQ(Option(messages[0], "-message"), "std::bad_alloc");
  EXPECT_TRUE(opened_.empty());

  ASSERT_TRUE(command_->Generate(request_));
  command_->Finish();
  EXPECT_EQ(opened_, std::vector<std::string>{report_});
}

// A photos folder that is a link to another folder is not written through:
// the box names the link, and the other folder's report stays as it was.
TEST_F(PhotoReportCommandTest, ALinkedPhotosFolderIsRefused) {
  gate_.Open();
  MakeCommand();
  const fs::path photos = fs::path(report_).parent_path();
  const fs::path elsewhere = dir_.path() / "OTRA OBRA";
  fs::rename(photos, elsewhere);
  fs::create_directory_symlink(elsewhere, photos);
  EXPECT_FALSE(command_->Generate(request_));
  EXPECT_FALSE(command_->running());
  const auto messages = Messages();
  ASSERT_EQ(messages.size(), 1u);
  EXPECT_EQ(Option(messages[0], "-title"), "ERROR PDF");
  EXPECT_EQ(Option(messages[0], "-message"),
            BoxPathAfter("3. FOTOGRAFIAS ES UN ENLACE O NO ES UNA CARPETA; "
                         "NO SE ESCRIBE NADA EN ÉL: ",
                         photos.string()));
  EXPECT_EQ(ReadAll((elsewhere / fs::path(report_).filename()).string()),
            kEarlier);
  EXPECT_TRUE(opened_.empty());
}

}  // namespace
}  // namespace zarvek
