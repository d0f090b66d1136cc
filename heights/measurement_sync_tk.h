// The heights table's measurement file kept in step with the table: read
// when a table opens, written on a thread of its own after every change,
// watched for another program's saves and merged with them.
//
// The state of that exchange (the file as last read or written, the rows
// edited since, whether the last write failed) lives here alone; the
// heights tab hands over the rows that changed and is asked to show the
// rows a merge took from the other program's file.
#ifndef ZARVEK_HEIGHTS_MEASUREMENT_SYNC_TK_H_
#define ZARVEK_HEIGHTS_MEASUREMENT_SYNC_TK_H_

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "heights/catalogue.h"
#include "heights/measurement_table.h"
#include "measurements/background_saver.h"
#include "measurements/measurement_file.h"
#include "platform/fs.h"
#include "ui/ui_tk.h"

namespace zarvek {

/// What the file's keeper asks of the table it keeps.
struct MeasurementSyncHooks {
  /// Whether the table shows every row of its model (false while a table is
  /// being replaced: the new one reads the file itself).
  std::function<bool()> table_shown;
  /// Rows `taken` take `rows[idx]` from another program's file: the table
  /// shows them (without counting them as edits) and the rooms beside the
  /// rows follow.
  std::function<void(const std::vector<size_t>& taken,
                     const std::vector<RowValues>& rows)>
      take_rows;
};

/// A message box waiting for the table to be shown: icon and text.
using PendingMessage = std::pair<std::string, std::string>;

class MeasurementSync {
 public:
  /// Keeps the file of the rows of `table`, read through `fs` and saved
  /// through `exchange` on a thread of its own.
  MeasurementSync(Ui& ui, FileSystem& fs, const Catalogue& catalogue,
                  const MeasurementTable& table, FileExchange& exchange,
                  MeasurementSyncHooks hooks);
  /// Finishes the saves still running; a failure there goes to the console,
  /// as the window is gone.
  ~MeasurementSync();
  MeasurementSync(const MeasurementSync&) = delete;
  MeasurementSync& operator=(const MeasurementSync&) = delete;

  /// Forgets the file of the table that goes (its saves finish first) and
  /// reads that of the project at `folder` with points `codes`: returns the
  /// rows' saved values and adds what the file has to say to `messages`.
  /// A file that cannot be read is never written; read only, the file is
  /// only read.
  std::vector<std::optional<RowValues>> Open(
      const std::string& folder, const std::vector<std::string>& codes,
      bool read_only, std::vector<PendingMessage>* messages);
  /// Records rows `rows` of the table in the file and writes it.
  void SaveRows(const std::vector<size_t>& rows);
  /// Waits for the file's writes to finish and reports their outcome.
  void WaitForSaves();
  /// Before the window closes: waits for the writes, merges a file changed
  /// outside the program meanwhile and, when the last write failed, tries
  /// once more with what the table shows. Returns the outcome of the last
  /// write (OK when there was nothing to write); shows no box.
  Status FinishSaves();

  /// The file of the open table; null when there is none or it could not be
  /// read.
  const MeasurementFile* file() const { return file_ ? &*file_ : nullptr; }

 private:
  /// Reads the file at path_; null (with a message) when it cannot be used.
  std::optional<MeasurementFile> ReadFile(
      bool* missing, std::string* bytes, std::vector<PendingMessage>* messages);
  /// The warning naming the points whose results the file was brought up to
  /// date in.
  std::string RefreshedText(const std::vector<std::string>& codes) const;
  /// Hands the file's bytes to the saver.
  void QueueSave();
  /// Takes the outcomes of finished writes: the first failure of a run of
  /// failures shows the error box, a good write ends the run. A write
  /// refused because the file changed outside the program is merged.
  void ReportSaves();
  /// The file changed outside the program (`refused` says how): the other
  /// program's file takes the rows edited since it was last read or
  /// written, the table shows the result, and it is saved; a box says so
  /// when `tell`. A file that cannot be read is no longer written: the
  /// returned error says so (in a box when `tell`).
  Status MergeOutsideChanges(const SaveOutcome& refused, bool tell);
  /// The rows whose last edit the write tagged `tag` holds are saved.
  void ForgetSavedRows(std::uint64_t tag);

  Ui& ui_;
  FileSystem& fs_;
  const Catalogue& catalogue_;
  const MeasurementTable& table_;
  MeasurementSyncHooks hooks_;

  /// The file of the table's project; empty while there is no table, and
  /// when the file could not be read (it is then never written).
  std::optional<MeasurementFile> file_;
  std::string path_;
  bool read_only_ = false;
  /// A write failed and its error box was shown; cleared by a good write.
  bool save_failing_ = false;
  /// The rows edited since the file was last read or written, each with
  /// the number of its last edit: the write tagged with that number or a
  /// later one holds it.
  std::map<size_t, std::uint64_t> unsaved_rows_;
  std::uint64_t edit_count_ = 0;
  std::unique_ptr<BackgroundSaver> saver_;
  bool save_poll_pending_ = false;
};

}  // namespace zarvek

#endif  // ZARVEK_HEIGHTS_MEASUREMENT_SYNC_TK_H_
