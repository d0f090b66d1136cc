#include "heights/background_saver.h"

#include <gtest/gtest.h>

#include <condition_variable>
#include <mutex>
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
    const std::vector<Status> results = saver.TakeResults();
    ASSERT_EQ(results.size(), 3u);
    EXPECT_TRUE(results[0].ok());
    EXPECT_EQ(results[1].message(), "No space left on device: a.csv");
    EXPECT_TRUE(saver.TakeResults().empty());

    // What is queued when the saver goes is still written.
    saver.Save("a.csv", "last");
  }
  EXPECT_EQ(disk.written.back(), "a.csv=last");
}

}  // namespace
}  // namespace zarvek
