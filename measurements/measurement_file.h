// The project's measurement file, "2. DATOS GNSS/ALTURAS DE ANTENA.csv"
// (its path: MeasurementFilePath in project/layout.h): what
// the surveyor entered in the measurement table, one line per point, kept
// beside the report so that closing the program or rebuilding the table loses
// nothing, and so that spreadsheets and processing programs can read it.
//
// Format: UTF-8 with a byte-order mark, CRLF line ends, ";" between fields,
// fields quoted as RFC 4180 does when they hold ";", '"' or a line break.
// Numbers (heights, ARP and phase centre) are written with the decimal
// comma, as the ";" convention's spreadsheets read them, and read with
// either the comma or the point. One header line names the columns; the file
// is read back by column name, so a spreadsheet may reorder columns, add its
// own (kept as they are) and save with LF or CRLF, with or without the mark.
//
// The file belongs to the surveyor as much as to the program, so nothing of
// it is dropped: lines of points no longer detected, lines that cannot be
// used (reported with their line number and why) and unknown columns are
// written back as they were read. A file that cannot be read as a whole
// (not UTF-8 text, too large, no "PUNTO" column, an unclosed quote) is
// refused: the caller must then never write over it.
#ifndef ZARVEK_MEASUREMENTS_MEASUREMENT_FILE_H_
#define ZARVEK_MEASUREMENTS_MEASUREMENT_FILE_H_

#include <array>
#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "heights/catalogue.h"
#include "measurements/field_list.h"
#include "project/layout.h"

namespace zarvek {

/// Larger files are refused unread: 40,000 lines of the program's own take
/// 4 MB, far beyond the largest table.
inline constexpr std::size_t kMaxMeasurementFileBytes = 4u << 20;
/// Files of more lines, or with more columns named in the header (or used
/// by a line, when the header lacks some of the program's), are refused:
/// far beyond any table, and what they cost must stay a few times the
/// file's size whatever its shape.
inline constexpr std::size_t kMaxMeasurementLines = 100000;
inline constexpr std::size_t kMaxMeasurementColumns = 1000;

/// The column names of the file, in the order the program writes them.
inline constexpr std::array<std::string_view, 8> kMeasurementColumns = {
    "PUNTO",          "RECEPTOR GNSS",
    "TIPO DE MEDIDA", "ACCESORIO",
    "REFERENCIA",     "ALTURA MEDIDA (m)",
    "ALTURA ARP (m)", "ALTURA CENTRO DE FASE (m)"};

/// The five input texts of one table row, as its widgets show them.
struct RowValues {
  std::string rec, tipo, acc, ref, h;
  bool operator==(const RowValues&) const = default;
};

/// `saved` as the table can show it, replaying the row rules as a person's
/// choices would (type, then accessory, then reference): a value the box
/// would not offer at that point is left empty, and a reference that is the
/// only choice is selected. An empty or unknown receiver becomes
/// `default_receiver` only in a row with nothing else filled; in any other
/// it is left empty, for the surveyor to choose. `dropped`, if given,
/// receives one note per value left out.
RowValues ApplyRowRules(const Catalogue& catalogue,
                        const std::string& default_receiver,
                        const RowValues& saved,
                        std::vector<std::string>* dropped = nullptr);

/// A line of the file that was not used, or not entirely.
struct LineProblem {
  std::size_t line;  ///< 1-based line of the file where the record starts
  std::string why;
  bool operator==(const LineProblem&) const = default;
};

class MeasurementFile {
 public:
  /// An empty file: the header and no rows.
  MeasurementFile();

  /// Reads `bytes`. On failure returns nullopt and sets `error` to why the
  /// file as a whole cannot be used. Lines that cannot be used (a code that
  /// is not digits, an unknown receiver, more fields than the header) go to
  /// problems() and are written back unchanged.
  static std::optional<MeasurementFile> Parse(std::string_view bytes,
                                              const Catalogue& catalogue,
                                              std::string* error);

  /// Pairs the table's rows (`codes`, in table order) with the usable lines:
  /// the k-th row with a code takes the k-th line with that code as written;
  /// a row left over then takes the first line left with the same value
  /// ("7" for "007", as a spreadsheet writes it back) only when no other row
  /// has that value: with rows "07" and "7", a line "007" is neither's, so
  /// which row takes a line never depends on the order of rows or lines.
  /// Returns per row the values to show, row rules applied, or nullopt for a
  /// row with no line. Values left out and heights the report would refuse
  /// (kept as typed) are noted in problems(). A height is shown with the
  /// decimal point; one beyond kMaxHeightMagnitude is noted too, its row listed
  /// in doubtful_heights(). The ARP and phase-centre columns of every paired
  /// line are computed again from the values shown, so that a hand edit of
  /// an input never leaves a stale result: the rows whose results changed
  /// are listed in refreshed_rows(), and Serialize then gives the mended
  /// file. Call once, before Update.
  std::vector<std::optional<RowValues>> Bind(
      const std::vector<std::string>& codes, const Catalogue& catalogue);

  /// Table rows (as given to Bind) whose ARP or phase-centre height in the
  /// file was not that of their inputs and has been written again.
  const std::vector<std::size_t>& refreshed_rows() const {
    return refreshed_rows_;
  }
  /// Table rows whose height in the file lies beyond kMaxHeightMagnitude:
  /// typically "1.452" that a spreadsheet took for 1452.
  const std::vector<std::size_t>& doubtful_heights() const {
    return doubtful_heights_;
  }

  /// Sets the line of table row `idx` (0-based, as given to Bind) to
  /// `values` with its ARP and phase-centre heights, as ConvertRow gives
  /// them (empty when the row has none); numbers are written with the
  /// decimal comma. A row not begun is written without its receiver, which
  /// nobody chose: Bind reads it back as a row not begun. The first Update
  /// also gives every row without a line one, its code alone, in table
  /// order at the end of the file. Other lines are not touched. Returns
  /// whether the file's bytes changed.
  bool Update(std::size_t idx, const RowValues& values,
              const Catalogue& catalogue);

  /// The bytes of the whole file.
  std::string Serialize() const;

  const std::vector<LineProblem>& problems() const { return problems_; }

 private:
  struct Record {
    std::size_t line = 0;  ///< where it was read; 0 if new
    /// In the file's column order; empty for a line that is not used,
    /// which is written back as its text.
    FieldList fields;
    std::string text;  ///< the record as written, no line end
    bool usable = false;
  };
  static constexpr std::size_t kNone = static_cast<std::size_t>(-1);

  std::string_view Field(const Record& r, std::size_t column) const;
  void Render(Record* r) const;

  // Parse's steps. ReadHeader takes the columns from the first line's
  // `names` (false, with `error`, when "PUNTO" is not among them, or there
  // are too many); AddMissingColumns appends the program's columns the
  // header lacks and writes the header line again; ReadRecord makes one
  // later line usable or notes its problem, its fields cut to `width` when
  // the extra ones are blank.
  bool ReadHeader(const FieldList& names, std::string* error);
  void AddMissingColumns();
  // Sizes the header for lines `widest` fields wide and adds the columns it
  // lacks; `width` is then the width every line is read at. False (with
  // `error`) when that would make too many columns.
  bool FitColumns(std::size_t widest, std::size_t* width, std::string* error);
  void ReadRecord(Record* record, std::size_t width);

  // Bind's steps: fills row_of_ for codes_, and reads one line's values as
  // the table shows them, noting in problems_ what it leaves out.
  void PairRowsWithLines();
  RowValues ValuesOfLine(const Record& r, const Catalogue& catalogue,
                         const std::string& default_receiver);
  // Writes in `r` the results of `shown` when its own differ; returns
  // whether it did.
  bool RefreshResults(Record* r, const RowValues& shown,
                      const Catalogue& catalogue);

  FieldList header_;
  std::string header_text_;
  /// Index in header_ of each of kMeasurementColumns.
  std::array<std::size_t, kMeasurementColumns.size()> column_{};
  std::vector<Record> records_;
  std::vector<std::string> codes_;   ///< the table's codes, from Bind
  std::vector<std::size_t> row_of_;  ///< table row -> record, or kNone
  bool all_rows_present_ = false;
  std::vector<LineProblem> problems_;
  std::vector<std::size_t> refreshed_rows_;
  std::vector<std::size_t> doubtful_heights_;
};

/// The warning text for `problems`: one line each, at most `max_lines`,
/// then how many more.
std::string DescribeProblems(const std::vector<LineProblem>& problems,
                             std::size_t max_lines = 15);

}  // namespace zarvek

#endif  // ZARVEK_MEASUREMENTS_MEASUREMENT_FILE_H_
