#include <gtest/gtest.h>

#include <atomic>
#include <filesystem>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "platform/fs.h"
#include "project/project_lock.h"
#include "testing/temp_dir.h"

namespace zarvek {
namespace {

// Twenty copies claiming one project at the same instant: exactly one takes
// it, and every other one finds it held by that one.
TEST(ProjectLockIoTest, OneOfManySimultaneousClaimsWins) {
  testing::TempDir dir;
  const std::filesystem::path root = dir.path() / "OBRA";
  std::filesystem::create_directories(root / "2. DATOS GNSS" / "4. 1");
  constexpr int kCopies = 20;
  std::vector<std::unique_ptr<ProjectLock>> locks;
  for (int i = 0; i < kCopies; ++i) {
    locks.push_back(std::make_unique<ProjectLock>(
        RealFileSystem(), ProjectLock::Identity{"pc1", "ana", 1000 + i},
        [] { return 5000LL; }, [](long long) { return true; }));
  }
  std::atomic<int> ready = 0;
  std::vector<LockClaim> claims(kCopies);
  std::vector<std::thread> threads;
  for (int i = 0; i < kCopies; ++i) {
    threads.emplace_back([&, i] {
      ++ready;
      while (ready < kCopies) std::this_thread::yield();
      claims[i] = locks[i]->Claim(root.string());
    });
  }
  for (std::thread& t : threads) t.join();
  int winner = -1;
  for (int i = 0; i < kCopies; ++i) {
    ASSERT_NE(claims[i].result, LockClaim::Result::kRefused)
        << claims[i].why.message();
    if (claims[i].result == LockClaim::Result::kTaken) {
      EXPECT_EQ(winner, -1) << "two copies took the project";
      winner = i;
    }
  }
  ASSERT_NE(winner, -1);
  for (int i = 0; i < kCopies; ++i) {
    if (i != winner) EXPECT_EQ(claims[i].holder->pid, 1000 + winner);
  }
}

}  // namespace
}  // namespace zarvek
