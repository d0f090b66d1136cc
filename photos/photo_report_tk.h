// The photo report command of the dossier tab, "GENERAR REPORTAJE
// FOTOGRÁFICO": runs the report (photos/photo_run.h) on the shared
// background runner while a progress bar with "FOTO n DE N" and a
// "CANCELAR" button stand in the frame the tab gives, then opens the
// finished report. Only the window thread touches Tk: the run reports its
// progress through counters the window reads on its own timer.
#ifndef ZARVEK_PHOTOS_PHOTO_REPORT_TK_H_
#define ZARVEK_PHOTOS_PHOTO_REPORT_TK_H_

#include <atomic>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <utility>

#include "dossier/dossier.h"
#include "pdf/pdf_document.h"
#include "photos/photo_report.h"
#include "photos/photo_run.h"
#include "platform/fs.h"
#include "platform/random.h"
#include "ui/background_tk.h"
#include "ui/ui_tk.h"

namespace zarvek {

/// The cell of one photo: its file read through `fs` and made ready
/// (image/photo_decode.h), captioned with the date it was taken, else
/// the file's date marked kFileDateMark, and its GPS position. A HEIF photo
/// or a file that cannot be read gives an unreadable cell with the reason;
/// a photo whose data ends early or holds errors, its picture as far as it
/// goes and the damage.
/// Once `cancel` (when given) is true, a decode in progress stops soon.
PhotoCell PreparePhotoCell(FileSystem& fs, const PhotoJob& job,
                           const std::atomic<bool>* cancel = nullptr);

/// What a run reaches outside the window.
struct PhotoReportServices {
  PdfDocumentFactory& pdf;
  RandomSource& random;
  FileSystem& fs;
  /// Today's local date as "dd/mm/yyyy".
  std::function<std::string()> today;
  /// Opens a finished report in the desktop's viewer.
  std::function<void(const std::string&)> open_file;
  /// Threads that prepare photos.
  int workers = 2;
  /// The surveyor's name as set now, the reports' author. May be empty.
  std::function<std::string()> author = {};
};

/// What the tab hands over when its button is pressed.
struct PhotoReportRequest {
  std::string project_root;
  DossierScan scan;
  DossierMatrix matrix;
  /// The band of each point, by code (BandFromRow of the measurement
  /// table's rows, say).
  std::map<std::string, PointBand> bands;
};

class PhotoReportCommand {
 public:
  /// `frame` is the Tk path of a frame where the progress shows while a
  /// report is made; it is left empty otherwise.
  PhotoReportCommand(Ui& ui, PhotoReportServices services,
                     const std::string& frame);
  /// Cancels a run in progress and waits for it; the earlier file stays.
  ~PhotoReportCommand();
  PhotoReportCommand(const PhotoReportCommand&) = delete;
  PhotoReportCommand& operator=(const PhotoReportCommand&) = delete;

  /// Starts making the report of `request` in its project's photos folder
  /// (ProjectLayout::PhotoReportPath). Does nothing and returns false while
  /// a report is being made, or without a project.
  bool Generate(PhotoReportRequest request);
  /// What "CANCELAR" does: stops the run; the earlier file stays.
  void Cancel();
  bool running() const { return running_; }
  /// Called with the report's path once a report is saved, before its box
  /// is shown: the dossier tab shows it there at once.
  void SetSaved(std::function<void(const std::string&)> saved) {
    saved_ = std::move(saved);
  }
  /// Waits for the run and ends it as the window would: for tests.
  void Finish() { background_.Finish(); }

  /// The widgets while a run goes on.
  std::string progress_bar() const { return frame_ + ".photo_progress"; }
  std::string progress_label() const { return frame_ + ".photo_label"; }
  std::string cancel_button() const { return frame_ + ".photo_cancel"; }
  /// Updates them from the run's counters; the timer calls it.
  void ShowProgress();

 private:
  void Ended(const PhotoRunOutcome& outcome, const std::string& path);
  void RemoveProgress();

  Ui& ui_;
  PhotoReportServices services_;
  std::string frame_;
  std::string tick_command_;
  bool running_ = false;
  std::function<void(const std::string&)> saved_;
  std::shared_ptr<PhotoRunControl> control_;
  Background background_;  // last: its destructor waits for the run
};

}  // namespace zarvek

#endif  // ZARVEK_PHOTOS_PHOTO_REPORT_TK_H_
