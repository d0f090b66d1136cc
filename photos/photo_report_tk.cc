// The photo report command: see photos/photo_report_tk.h.
#include "photos/photo_report_tk.h"

#include <exception>
#include <utility>

#include "image/photo_decode.h"
#include "project/layout.h"
#include "text/shown_path.h"

namespace zarvek {
namespace {

// How often the progress shows: often enough to look alive.
constexpr int kTickMs = 100;

std::string LastComponent(std::string path) {
  while (path.size() > 1 && (path.back() == '/' || path.back() == '\\')) {
    path.pop_back();
  }
  const std::size_t cut = path.find_last_of("/\\");
  return cut == std::string::npos ? path : path.substr(cut + 1);
}

std::string ProgressText(int done, int total) {
  return "FOTO " + std::to_string(done) + " DE " + std::to_string(total);
}

}  // namespace

PhotoCell PreparePhotoCell(FileSystem& fs, const PhotoJob& job,
                           const std::atomic<bool>* cancel) {
  PhotoCell cell;
  const std::string file_date = LocalDateTime(job.mtime_s);
  cell.when = file_date.empty() ? "" : file_date + " " + kFileDateMark;
  if (job.kind == FileKind::kHeif) {
    cell.failure = "FORMATO HEIF NO ADMITIDO";
    return cell;
  }
  std::string bytes;
  Status read = fs.ReadFile(job.path, kMaxPhotoFileBytes, &bytes);
  if (!read.ok()) {
    cell.failure = read.message();
    return cell;
  }
  PreparedPhoto photo;
  Status made =
      PreparePhoto(bytes, kPhotoBoxWidth, kPhotoBoxHeight, &photo, cancel);
  bytes = std::string();
  if (const std::string taken = FormatExifDateTime(photo.tags.taken);
      !taken.empty()) {
    cell.when = taken;
  }
  if (photo.tags.gps) {
    cell.where = FormatGps(photo.tags.gps->latitude, photo.tags.gps->longitude);
  }
  if (!made.ok()) {
    cell.failure = made.message();
    return cell;
  }
  cell.readable = true;
  cell.picture = std::move(photo.picture);
  cell.damage = std::move(photo.damage);
  return cell;
}

PhotoReportCommand::PhotoReportCommand(Ui& ui, PhotoReportServices services,
                                       const std::string& frame)
    : ui_(ui),
      services_(std::move(services)),
      frame_(frame),
      tick_command_(ui.Bind("reportaje_progreso",
                            [this] {
                              if (!running_) return;
                              ShowProgress();
                              ui_.tk().Call({"after", kTickMs, tick_command_});
                            })),
      background_(ui, "reportaje_fotografico") {}

PhotoReportCommand::~PhotoReportCommand() {
  if (control_) control_->cancel = true;
  try {
    ui_.tk().Call({"after", "cancel", tick_command_});
  } catch (const std::exception&) {
    // The interpreter is going too.
  }
}

bool PhotoReportCommand::Generate(PhotoReportRequest request) {
  if (running_ || request.project_root.empty()) return false;
  tk::Interp& root = ui_.tk();
  const ProjectLayout layout = ProjectLayout::AtRoot(request.project_root);
  const std::string path = layout.PhotoReportPath();
  // The report is written into the photos folder, never through a link
  // there into another folder, whose report it would replace.
  const Status own_folder =
      RefuseLinkedFolder(services_.fs, layout.PhotosDir(), kPhotosFolder);
  if (!own_folder.ok()) {
    root.Call({"tk_messageBox", "-icon", "error", "-title", "ERROR PDF",
               "-message", own_folder.message()});
    return false;
  }
  auto input = std::make_shared<PhotoReportInput>();
  input->project_name = LastComponent(request.project_root);
  input->fecha = services_.today ? services_.today() : "";
  input->matrix = std::move(request.matrix);
  input->scan = std::move(request.scan);
  input->bands = std::move(request.bands);

  control_ = std::make_shared<PhotoRunControl>();
  control_->total = static_cast<int>(PlanPhotoReport(*input).photos.size());
  running_ = true;

  root.Call({"ttk::progressbar", progress_bar(), "-mode", "determinate",
             "-length", 260, "-maximum", std::max(1, control_->total.load()),
             "-value", 0});
  root.Call({"ttk::label", progress_label(), "-text",
             ProgressText(0, control_->total)});
  root.Call({"ttk::button", cancel_button(), "-text", "CANCELAR", "-command",
             ui_.Bind("reportaje_cancelar", [this] { Cancel(); })});
  root.Call({"pack", progress_bar(), progress_label(), cancel_button(), "-side",
             "left", "-padx", 4, "-pady", 4});
  root.Call({"after", kTickMs, tick_command_});

  FileSystem& fs = services_.fs;
  std::shared_ptr<PhotoRunControl> control = control_;
  // CANCELAR and closing the window reach a decode in progress too.
  PhotoRunServices run{services_.pdf, services_.random,
                       [&fs, control](const PhotoJob& job) {
                         return PreparePhotoCell(fs, job, &control->cancel);
                       },
                       services_.workers,
                       services_.author ? services_.author() : std::string()};
  background_.Run(
      [this, input, control, run, path]() -> WorkQueue::Done {
        PhotoRunOutcome outcome = RunPhotoReport(*input, path, run, *control);
        return [this, outcome, path] { Ended(outcome, path); };
      },
      [this, path](const std::string& what) {
        PhotoRunOutcome failed;
        failed.message = what;
        Ended(failed, path);
      });
  return true;
}

void PhotoReportCommand::Cancel() {
  if (!running_ || !control_) return;
  control_->cancel = true;
  ui_.tk().Call({cancel_button(), "state", "disabled"});
}

void PhotoReportCommand::ShowProgress() {
  if (!running_ || !control_) return;
  tk::Interp& root = ui_.tk();
  const int done = control_->done;
  root.Call({progress_bar(), "configure", "-value", done});
  root.Call({progress_label(), "configure", "-text",
             ProgressText(done, control_->total)});
}

void PhotoReportCommand::RemoveProgress() {
  ui_.tk().Call({"after", "cancel", tick_command_});
  ui_.tk().Call({"destroy", progress_bar(), progress_label(), cancel_button()});
}

void PhotoReportCommand::Ended(const PhotoRunOutcome& outcome,
                               const std::string& path) {
  running_ = false;
  RemoveProgress();
  tk::Interp& root = ui_.tk();
  switch (outcome.result) {
    case PhotoRunOutcome::Result::kCancelled:
      ui_.Print("REPORTAJE FOTOGRÁFICO CANCELADO");
      return;
    case PhotoRunOutcome::Result::kFailed:
      root.Call({"tk_messageBox", "-icon", "error", "-title", "ERROR PDF",
                 "-message", outcome.message});
      return;
    case PhotoRunOutcome::Result::kSaved:
      break;
  }
  if (saved_) saved_(path);
  std::string text = "REPORTAJE FOTOGRÁFICO GUARDADO:\n" + BoxPath(path) +
                     "\n\n" + std::to_string(outcome.photos) + " FOTOGRAFÍAS";
  if (outcome.unreadable > 0) {
    text +=
        ", " + std::to_string(outcome.unreadable) +
        (outcome.unreadable == 1 ? " NO SE PUDO LEER" : " NO SE PUDIERON LEER");
  }
  root.Call({"tk_messageBox", "-icon", "info", "-title",
             "REPORTAJE FOTOGRÁFICO", "-message", text});
  if (services_.open_file) {
    try {
      services_.open_file(path);
    } catch (const std::exception& e) {
      // Opening the viewer is a convenience; the report is saved.
      ui_.Print("No se pudo abrir el visor de PDF: " + std::string(e.what()));
    }
  }
}

}  // namespace zarvek
