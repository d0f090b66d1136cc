#include "heights/measurement_sync_tk.h"

#include <exception>
#include <iterator>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "measurements/outside_merge.h"
#include "project/layout.h"
#include "text/ascii_text.h"
#include "text/shown_path.h"

namespace zarvek {
namespace {

// While a save runs, its outcome is looked at this often from the event
// loop.
constexpr const char* kSavePollName = "medidas_guardadas";
constexpr const char* kSavePollCommand = "::zarvek::medidas_guardadas";
constexpr int kSavePollMs = 50;
// Said of a measurement file that cannot be used when the table opens.
constexpr const char* kKeepFile =
    "\nLA TABLA EMPIEZA VACÍA Y ESE ARCHIVO NO SE MODIFICARÁ.";

}  // namespace

MeasurementSync::MeasurementSync(Ui& ui, FileSystem& fs,
                                 const Catalogue& catalogue,
                                 const MeasurementTable& table,
                                 FileExchange& exchange,
                                 MeasurementSyncHooks hooks)
    : ui_(ui),
      fs_(fs),
      catalogue_(catalogue),
      table_(table),
      hooks_(std::move(hooks)) {
  // The measurement file is guarded: what another program saved is never
  // replaced by a save of this window (measurements/background_saver.h).
  saver_ = std::make_unique<BackgroundSaver>(
      [this](const std::string& path, std::string_view bytes) {
        return fs_.WriteAtomically(path, bytes);
      },
      &exchange);
  ui_.Bind(kSavePollName, [this] {
    save_poll_pending_ = false;
    ReportSaves();
    if (saver_->Busy()) {
      save_poll_pending_ = true;
      ui_.tk().Call({"after", kSavePollMs, kSavePollCommand});
    }
  });
}

MeasurementSync::~MeasurementSync() {
  saver_->Wait();
  for (const SaveOutcome& outcome : saver_->TakeResults()) {
    if (!outcome.status.ok()) ui_.Print("Error: " + outcome.message());
  }
  try {
    ui_.tk().Call({"after", "cancel", kSavePollCommand});
  } catch (const std::exception&) {
    // The interpreter is going too.
  }
}

std::vector<std::optional<RowValues>> MeasurementSync::Open(
    const std::string& folder, const std::vector<std::string>& codes,
    bool read_only, std::vector<PendingMessage>* messages) {
  // The file is read below: the last edits must be in it, and their
  // failures belong to the table that is going.
  WaitForSaves();
  file_.reset();
  save_failing_ = false;
  unsaved_rows_.clear();
  read_only_ = read_only;
  if (folder.empty() || codes.empty()) return {};
  path_ = MeasurementFilePath(folder);
  std::string bytes;
  bool missing = false;
  std::optional<MeasurementFile> file = ReadFile(&missing, &bytes, messages);
  if (!file) return {};
  std::vector<std::optional<RowValues>> saved = file->Bind(codes, catalogue_);
  if (!file->problems().empty()) {
    std::string text = BoxPathAfter("ALGUNAS LÍNEAS DE ", path_) +
                       " NO SE HAN USADO O SE HAN USADO EN PARTE:\n" +
                       DescribeProblems(file->problems());
    if (!file->doubtful_heights().empty()) {
      text +=
          "\nUNA ALTURA DE MÁS DE 1000 m SUELE SER OBRA DE UNA HOJA DE CÁLCULO "
          "QUE TOMÓ EL PUNTO DECIMAL POR SEPARADOR DE MILES (1.452 → 1452): "
          "CORRIJA LAS ALTURAS MARCADAS EN ROJO.";
    }
    messages->push_back({"warning", std::move(text)});
  }
  file_ = std::move(file);
  // Saves write over this file only while it holds what was read now.
  saver_->Guard(path_,
                missing ? std::nullopt : std::optional<std::string>(bytes));
  // Results the file held that its own inputs do not give (a height edited
  // by hand, say) are written again at once, and named.
  if (!file_->refreshed_rows().empty() && !read_only_) {
    messages->push_back({"warning", RefreshedText(codes)});
    QueueSave();
  }
  return saved;
}

std::optional<MeasurementFile> MeasurementSync::ReadFile(
    bool* missing, std::string* bytes, std::vector<PendingMessage>* messages) {
  Status read = fs_.ReadPrefix(path_, kMaxMeasurementFileBytes, bytes, missing);
  if (!read.ok()) {
    messages->push_back({"error", "NO SE PUEDEN LEER LAS MEDIDAS GUARDADAS.\n" +
                                      read.message() + kKeepFile});
    return std::nullopt;
  }
  std::string why;
  std::optional<MeasurementFile> file =
      MeasurementFile::Parse(*bytes, catalogue_, &why);
  if (!file) {
    messages->push_back({"error", "EL ARCHIVO DE MEDIDAS " + why + ":\n" +
                                      BoxPath(path_) + kKeepFile});
  }
  return file;
}

std::string MeasurementSync::RefreshedText(
    const std::vector<std::string>& codes) const {
  const std::vector<size_t>& refreshed = file_->refreshed_rows();
  std::string points;
  for (size_t i = 0; i < refreshed.size() && i < 10; ++i)
    points += (i == 0 ? "" : ", ") + codes[refreshed[i]];
  if (refreshed.size() > 10)
    points += " Y " + DecimalText(refreshed.size() - 10) + " MÁS";
  return BoxPathAfter(
             "SE HAN PUESTO AL DÍA LAS ALTURAS ARP Y DE CENTRO DE FASE DE ",
             path_) +
         ", CALCULADAS DE NUEVO CON LOS DATOS DE CADA LÍNEA, " +
         (refreshed.size() == 1 ? "EN EL PUNTO: " : "EN LOS PUNTOS: ") +
         points + ".";
}

void MeasurementSync::SaveRows(const std::vector<size_t>& rows) {
  if (!file_ || read_only_) return;
  bool changed = false;
  ++edit_count_;
  for (size_t idx : rows) {
    if (file_->Update(idx, table_.values(idx), catalogue_)) {
      changed = true;
      unsaved_rows_[idx] = edit_count_;
    }
  }
  ReportSaves();
  // A merge there may leave a file that is not to be written.
  if (!file_) return;
  // After a failed write the file on disk lags behind: try again.
  if (!changed && !save_failing_) return;
  QueueSave();
}

void MeasurementSync::QueueSave() {
  saver_->Save(path_, file_->Serialize(), edit_count_);
  if (!save_poll_pending_) {
    save_poll_pending_ = true;
    ui_.tk().Call({"after", kSavePollMs, kSavePollCommand});
  }
}

void MeasurementSync::ReportSaves() {
  std::vector<SaveOutcome> outcomes = saver_->TakeResults();
  std::optional<SaveOutcome> outside;
  for (size_t i = 0; i < outcomes.size(); ++i) {
    if (outcomes[i].changed_outside) {
      outside = std::move(outcomes[i]);
      // Writes queued behind it are refused too; the last outcome tells
      // what the disk holds now.
      if (i + 1 == outcomes.size()) {
        saver_->Wait();
        for (SaveOutcome& more : saver_->TakeResults())
          outcomes.push_back(std::move(more));
      }
      continue;
    }
    const SaveOutcome& outcome = outcomes[i];
    if (outcome.ok()) {
      save_failing_ = false;
      // The disk held what was last written after all: nothing to merge.
      outside.reset();
      ForgetSavedRows(outcome.tag);
      continue;
    }
    // One box for a run of failures (a full disk fails on every key).
    if (save_failing_) continue;
    save_failing_ = true;
    ui_.ErrorBox("NO SE PUDIERON GUARDAR LAS MEDIDAS.\n" + outcome.message() +
                 "\nLA TABLA SIGUE FUNCIONANDO; SE VOLVERÁ A INTENTAR "
                 "CON EL PRÓXIMO CAMBIO.");
  }
  if (outside) MergeOutsideChanges(*outside, true);
}

void MeasurementSync::ForgetSavedRows(std::uint64_t tag) {
  for (auto it = unsaved_rows_.begin(); it != unsaved_rows_.end();) {
    it = it->second <= tag ? unsaved_rows_.erase(it) : std::next(it);
  }
}

Status MeasurementSync::MergeOutsideChanges(const SaveOutcome& refused,
                                            bool tell) {
  // A table being replaced has nothing to merge: the new one reads the file.
  if (!file_ || !hooks_.table_shown()) return Status::OK();
  std::set<size_t> edited;
  for (const auto& [row, edit] : unsaved_rows_) edited.insert(row);
  RowValues empty_row;
  empty_row.rec = catalogue_.front().first;
  std::string why;
  std::optional<OutsideMerge> merge =
      MergeOutsideEdits(refused.expected, refused.found, table_.rows(), edited,
                        catalogue_, empty_row, &why);
  if (!merge) {
    // As a file that cannot be read on opening: never written over.
    file_.reset();
    const Status status = Status::Error(
        "EL ARCHIVO DE MEDIDAS HA CAMBIADO FUERA DEL PROGRAMA Y AHORA " + why +
        ":\n" + BoxPath(path_) +
        "\nESE ARCHIVO NO SE MODIFICARÁ; LOS ÚLTIMOS CAMBIOS DE LA TABLA NO "
        "ESTÁN EN ÉL.");
    if (tell) ui_.ErrorBox(status.message());
    return status;
  }
  hooks_.take_rows(merge->taken, merge->rows);
  file_ = std::move(merge->file);
  saver_->Guard(path_, refused.found);
  QueueSave();
  if (tell) {
    ui_.tk().Call(
        {"tk_messageBox", "-icon", "warning", "-title", "Aviso", "-message",
         DescribeOutsideMerge(*merge, table_.rows(), BoxPath(path_))});
  }
  return Status::OK();
}

void MeasurementSync::WaitForSaves() {
  // A merge queues a save of its own.
  do {
    saver_->Wait();
    ReportSaves();
  } while (saver_->Busy());
}

Status MeasurementSync::FinishSaves() {
  saver_->Wait();
  Status last = Status::OK();
  std::optional<SaveOutcome> outside;
  for (SaveOutcome& outcome : saver_->TakeResults()) {
    if (outcome.changed_outside) {
      outside = std::move(outcome);
      continue;
    }
    outside.reset();
    last = outcome.status;
    if (outcome.ok()) ForgetSavedRows(outcome.tag);
  }
  if (outside) {
    // Closing: the merge is written without a box.
    last = MergeOutsideChanges(*outside, false);
    if (!last.ok()) return last;
    saver_->Wait();
  }
  if (!last.ok()) save_failing_ = true;
  if (save_failing_ && file_ && !read_only_) {
    saver_->Save(path_, file_->Serialize(), edit_count_);
    saver_->Wait();
  }
  for (const SaveOutcome& outcome : saver_->TakeResults()) {
    if (outcome.ok()) ForgetSavedRows(outcome.tag);
    last = outcome.changed_outside
               ? Status::Error(
                     BoxPathAfter("EL ARCHIVO DE MEDIDAS HA CAMBIADO FUERA "
                                  "DEL PROGRAMA MIENTRAS SE GUARDABA: ",
                                  path_))
               : outcome.status;
  }
  save_failing_ = !last.ok();
  return last;
}

}  // namespace zarvek
