#include "measurements/background_saver.h"

#include <gtest/gtest.h>

#include <condition_variable>
#include <map>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

namespace zarvek {
namespace {

// Writes recorded in order; the first write waits for the test to open the
// gate, so that edits can pile up behind it.
struct GatedWrites {
  std::mutex mutex;
  std::condition_variable changed;
  bool open = false;
  bool first_started = false;
  std::vector<std::string> written;

  Status Write(const std::string& path, std::string_view bytes) {
    std::unique_lock<std::mutex> lock(mutex);
    if (written.empty()) {
      first_started = true;
      changed.notify_all();
      changed.wait(lock, [this] { return open; });
    }
    written.push_back(path + "=" + std::string(bytes));
    if (bytes == "full")
      return Status::Error("No space left on device: " + path);
    return Status::OK();
  }
};

TEST(BackgroundSaverTest, CoalescesQueuedBytesAndReportsEveryWrite) {
  GatedWrites disk;
  {
    BackgroundSaver saver([&disk](const std::string& p, std::string_view b) {
      return disk.Write(p, b);
    });
    saver.Save("a.csv", "1");
    {
      std::unique_lock<std::mutex> lock(disk.mutex);
      disk.changed.wait(lock, [&] { return disk.first_started; });
    }
    EXPECT_TRUE(saver.Busy());
    saver.Save("a.csv", "2");
    saver.Save("a.csv", "full");  // replaces "2", which was never taken
    saver.Save("b.csv", "x");
    {
      std::lock_guard<std::mutex> lock(disk.mutex);
      disk.open = true;
    }
    disk.changed.notify_all();
    saver.Wait();
    EXPECT_FALSE(saver.Busy());
    EXPECT_EQ(disk.written,
              (std::vector<std::string>{"a.csv=1", "a.csv=full", "b.csv=x"}));
    const std::vector<SaveOutcome> results = saver.TakeResults();
    ASSERT_EQ(results.size(), 3u);
    EXPECT_TRUE(results[0].ok());
    EXPECT_EQ(results[1].message(), "No space left on device: a.csv");
    EXPECT_TRUE(saver.TakeResults().empty());

    // What is queued when the saver goes is still written.
    saver.Save("a.csv", "last");
  }
  EXPECT_EQ(disk.written.back(), "a.csv=last");
}

// An in-memory disk on which another program saves `landing` to `path`
// just before the step numbered `land_at` of the saver's (every call is one
// step), so that a test can land it between any two steps of a save.
struct RacingDisk : FileExchange {
  std::mutex mutex;
  std::map<std::string, std::string> files;
  int steps = 0;
  int land_at = -1;
  std::string path, landing;
  int temporaries = 0;

  void Step() {
    if (steps++ == land_at) files[path] = landing;
  }
  Status WriteTemporary(const std::string& p, std::string_view bytes,
                        std::string* temp) override {
    std::lock_guard<std::mutex> lock(mutex);
    Step();
    *temp = p + "." + std::to_string(++temporaries) + ".tmp";
    files[*temp] = std::string(bytes);
    return Status::OK();
  }
  Status Exchange(const std::string& temp, const std::string& p,
                  bool* was_missing) override {
    std::lock_guard<std::mutex> lock(mutex);
    Step();
    *was_missing = files.count(p) == 0;
    if (*was_missing) {
      files[p] = files[temp];
      files.erase(temp);
    } else {
      std::swap(files[temp], files[p]);
    }
    return Status::OK();
  }
  Status Read(const std::string& file, std::size_t,
              std::string* bytes) override {
    std::lock_guard<std::mutex> lock(mutex);
    Step();
    *bytes = files.at(file);
    return Status::OK();
  }
  Status Remove(const std::string& file) override {
    std::lock_guard<std::mutex> lock(mutex);
    Step();
    files.erase(file);
    return Status::OK();
  }
  void Put(const std::string& p, const std::string& bytes) {
    std::lock_guard<std::mutex> lock(mutex);
    files[p] = bytes;
  }
};

Status NoPlainWrites(const std::string& p, std::string_view) {
  return Status::Error("unguarded write: " + p);
}

// A guarded file is never written over what another program saved since it
// was last read or written: the outcome says what the disk holds, whatever
// its size or time, and the disk holds it.
TEST(BackgroundSaverTest, GuardedFileChangedOutsideIsNotWritten) {
  RacingDisk disk;
  BackgroundSaver saver(NoPlainWrites, &disk);
  saver.Guard("a.csv", std::nullopt);  // read: no file
  saver.Save("a.csv", "ours 1", 1);
  saver.Wait();
  saver.Save("a.csv", "ours 2", 2);  // the disk holds what was written
  saver.Wait();
  disk.Put("a.csv", "them 2");  // same size
  saver.Save("a.csv", "ours 3", 3);
  saver.Wait();
  std::vector<SaveOutcome> results = saver.TakeResults();
  ASSERT_EQ(results.size(), 3u);
  EXPECT_TRUE(results[1].ok());
  EXPECT_EQ(results[1].tag, 2u);
  EXPECT_FALSE(results[2].ok());
  EXPECT_TRUE(results[2].changed_outside);
  EXPECT_EQ(results[2].expected, "ours 2");
  EXPECT_EQ(results[2].found, "them 2");
  EXPECT_EQ(disk.files,
            (std::map<std::string, std::string>{{"a.csv", "them 2"}}));
  // Merged and guarded with what was found, it is written again; a file
  // that appeared where there was none is not written over.
  saver.Guard("a.csv", "them 2");
  saver.Save("a.csv", "both", 4);
  saver.Guard("c.csv", std::nullopt);
  disk.Put("c.csv", "new");
  saver.Save("c.csv", "ours", 6);
  saver.Wait();
  results = saver.TakeResults();
  ASSERT_EQ(results.size(), 2u);
  EXPECT_TRUE(results[0].ok());
  EXPECT_TRUE(results[1].changed_outside);
  EXPECT_EQ(results[1].expected, std::nullopt);
  EXPECT_EQ(disk.files, (std::map<std::string, std::string>{{"a.csv", "both"},
                                                            {"c.csv", "new"}}));
}

// Another program's save that lands between any two steps of a save (or of
// the exchange back) is never lost: either the save sees it and the window
// merges it, or it lands after the window's bytes and the next save sees
// it. No temporary file is left.
TEST(BackgroundSaverTest, OutsideSaveAtAnyStepIsKept) {
  for (int land_at = -1; land_at < 12; ++land_at) {
    SCOPED_TRACE("outside save before step " + std::to_string(land_at));
    RacingDisk disk;
    disk.path = "a.csv";
    disk.landing = "them";
    disk.land_at = land_at;
    disk.Put("a.csv", "base");
    BackgroundSaver saver(NoPlainWrites, &disk);
    saver.Guard("a.csv", "base");
    // As the window does: each edit saves the whole table; a refused save
    // is merged (the edit over what was found) and written again.
    std::string table = "base";
    auto edit = [&](const std::string& mine) {
      table += "+" + mine;
      saver.Save("a.csv", table);
      for (int round = 0; round < 4; ++round) {
        saver.Wait();
        std::vector<SaveOutcome> results = saver.TakeResults();
        ASSERT_EQ(results.size(), 1u);
        ASSERT_TRUE(results[0].status.ok()) << results[0].message();
        if (!results[0].changed_outside) return;
        table = results[0].found.value_or("") + "+" + mine;
        saver.Guard("a.csv", results[0].found);
        saver.Save("a.csv", table);
      }
      FAIL() << "no end to the merges";
    };
    edit("ours");
    edit("later");
    edit("last");
    std::lock_guard<std::mutex> lock(disk.mutex);
    ASSERT_EQ(disk.files.size(), 1u) << "a temporary file was left";
    // The disk holds the other program's save, or the table merged with it;
    // only a save that landed after the last exchange is not merged yet.
    const std::string& on_disk = disk.files["a.csv"];
    if (land_at >= 0 && land_at < disk.steps) {
      EXPECT_NE(on_disk.find("them"), std::string::npos) << on_disk;
    }
    if (on_disk != "them") EXPECT_EQ(on_disk, table);
    EXPECT_TRUE(table.ends_with("+last")) << table;
  }
}

}  // namespace
}  // namespace zarvek
