#include "heights/background_saver.h"

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

// A guarded file is written only while it holds what was last read or
// written; otherwise nothing is written and the outcome says what the disk
// held, whatever its size or time.
TEST(BackgroundSaverTest, GuardedFileChangedOutsideIsNotWritten) {
  std::mutex mutex;
  std::map<std::string, std::string> disk;
  BackgroundSaver saver(
      [&](const std::string& p, std::string_view b) {
        std::lock_guard<std::mutex> lock(mutex);
        disk[p] = std::string(b);
        return Status::OK();
      },
      [&](const std::string& p, std::string* b, bool* missing) {
        std::lock_guard<std::mutex> lock(mutex);
        *missing = disk.count(p) == 0;
        *b = *missing ? "" : disk[p];
        return Status::OK();
      });
  saver.Guard("a.csv", std::nullopt);  // read: no file
  saver.Save("a.csv", "ours 1", 1);
  saver.Wait();
  saver.Save("a.csv", "ours 2", 2);  // the disk holds what was written
  saver.Wait();
  {
    std::lock_guard<std::mutex> lock(mutex);
    disk["a.csv"] = "them 2";  // same size
  }
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
  EXPECT_EQ(disk["a.csv"], "them 2");
  // Merged and guarded with what was found, it is written again; so is an
  // unguarded file, and a file that appeared where there was none is not.
  saver.Guard("a.csv", "them 2");
  saver.Save("a.csv", "both", 4);
  saver.Save("b.csv", "free", 5);
  saver.Guard("c.csv", std::nullopt);
  {
    std::lock_guard<std::mutex> lock(mutex);
    disk["c.csv"] = "new";
  }
  saver.Save("c.csv", "ours", 6);
  saver.Wait();
  results = saver.TakeResults();
  ASSERT_EQ(results.size(), 3u);
  EXPECT_TRUE(results[0].ok());
  EXPECT_TRUE(results[1].ok());
  EXPECT_TRUE(results[2].changed_outside);
  EXPECT_EQ(results[2].expected, std::nullopt);
  EXPECT_EQ(disk, (std::map<std::string, std::string>{
                      {"a.csv", "both"}, {"b.csv", "free"}, {"c.csv", "new"}}));
}

}  // namespace
}  // namespace zarvek
