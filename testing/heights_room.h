// A fixture for the tests of the heights tab's room alone: the tab (project
// bar, table, measurement file) in RoomTest's kRoomTab, with the rooms that
// stand beside its rows and under them, wired to it as the main window
// wires them: the ARP column, the RINEX column and the report command. No
// other tab, no settings, no project mark.
#ifndef ZARVEK_TESTING_HEIGHTS_ROOM_H_
#define ZARVEK_TESTING_HEIGHTS_ROOM_H_

#include <memory>
#include <string>
#include <vector>

#include "heights/arp_column_tk.h"
#include "heights/heights_tab_tk.h"
#include "heights/rinex_column_tk.h"
#include "pdf/pdf_writer.h"
#include "platform/file_exchange.h"
#include "platform/fs.h"
#include "platform/random.h"
#include "report/report_tk.h"
#include "testing/room_fixture.h"

namespace zarvek::testing {

class HeightsRoomTest : public RoomTest {
 protected:
  // As the window's members go: the report first, the tab last.
  void DestroyRooms() override {
    report_.reset();
    arp_.reset();
    rinex_.reset();
    heights_.reset();
  }

  /// Builds the room. The measurement file is saved through `exchange`
  /// (the system's when null); `hooks.access` and `hooks.chooser_dir` are
  /// passed on, the rest is the columns' wiring.
  void MakeRoom(FileExchange* exchange = nullptr, HeightsTabHooks hooks = {}) {
    hooks.rows_made = [this](const std::string& frame_rows,
                             const tk::Obj& tags) {
      arp_->MakeColumn(frame_rows);
      rinex_->MakeColumn(frame_rows, tags);
    };
    hooks.rows_changed = [this](const std::vector<size_t>& rows) {
      arp_->RowsChanged(rows);
      rinex_->RowsChanged(rows);
    };
    heights_ = std::make_unique<HeightsTab>(
        *ui_, RealFileSystem(), project_, equipos_specs_, kNotebook, kRoomTab,
        exchange != nullptr ? *exchange : RealFileExchange(), hooks);
    rinex_ = std::make_unique<RinexColumn>(
        *ui_, RealFileSystem(), heights_->table(), project_, equipos_specs_,
        heights_->bottom_frame(), HeightsTab::kTableTag);
    arp_ = std::make_unique<ArpColumn>(
        *ui_, heights_->table(), equipos_specs_, HeightsTab::kTableTag,
        [this](size_t row) { rinex_->ShowRow(row); });
    rinex_->SetRowLine([this](size_t row) { return arp_->LineOf(row); });
    report_ = std::make_unique<ReportCommand>(
        *ui_, heights_->table(),
        [this](size_t row) {
          const std::vector<RowCells>& cells = heights_->cells();
          return row < cells.size() ? cells[row].h : std::string();
        },
        project_, equipos_specs_,
        ReportCommandServices{
            pdf_,
            SystemRandom(),
            RealFileSystem(),
            // the pictures the build puts beside it
            [](const std::string& name) {
              return std::string(ZARVEK_BINARY_DIR) + "/resources/" + name;
            },
            [] { return std::string("07/12/2026"); },
            [this](const std::string& path) { opened_.push_back(path); },
            [this] { return rinex_->States(); },
            {},
            [this] { return rinex_->Misfiled(); }},
        heights_->bottom_frame());
    // The observation files are read when a project opens and when the
    // surveyor comes back to the tab.
    project_.AddObserver([this] { rinex_->ReadRinex(); });
    Call({"bind", kNotebook, "<<NotebookTabChanged>>",
          "+" + ui_->Bind("volver_a_la_sala", [this] {
            if (Call({kNotebook, "select"}) == kRoomTab)
              project_.WhenSettled([this] { rinex_->ReadRinex(); });
          })});
  }

  HeightsTab& heights_tab() { return *heights_; }
  ArpColumn& arp_column() { return *arp_; }
  RinexColumn& rinex_column() { return *rinex_; }
  ReportCommand& report_command() { return *report_; }

  PdfWriterDocumentFactory pdf_{"QUENTARO"};
  /// The reports the viewer was asked to open.
  std::vector<std::string> opened_;
  std::unique_ptr<HeightsTab> heights_;
  std::unique_ptr<RinexColumn> rinex_;
  std::unique_ptr<ArpColumn> arp_;
  std::unique_ptr<ReportCommand> report_;
};

}  // namespace zarvek::testing

#endif  // ZARVEK_TESTING_HEIGHTS_ROOM_H_
