#include "project/project_lock.h"

#include <gtest/gtest.h>

#include <optional>
#include <set>
#include <string>

#include "project/layout.h"
#include "testing/fake_fs.h"

namespace zarvek {
namespace {

TEST(ProjectLockTest, MarksAreReadBackAndGarbageMarksNobody) {
  const LockHolder holders[] = {
      {"PC-OFICINA", "ana", 4242, 1796666630, 1796666690},
      {"portátil.local", "José Ñúñez", 1, 0, 0},
      {"", "", 9223372036854775807LL, 1, 2},
  };
  for (const LockHolder& holder : holders) {
    SCOPED_TRACE(holder.host);
    EXPECT_EQ(ParseLock(FormatLock(holder)), holder);
  }
  // A name that would break the line format is flattened, not lost.
  EXPECT_EQ(ParseLock(FormatLock({"a\nproceso=1", "b\r\nc", 7, 8, 9}))->host,
            "a proceso=1");

  const std::optional<LockHolder> written = ParseLock(
      "\xEF\xBB\xBF# otro programa\r\nequipo=X\r\nproceso=12\r\n"
      "desde=5\r\nrenovado=6\r\nextra=1\r\n");
  ASSERT_TRUE(written);
  EXPECT_EQ(written->pid, 12);
  EXPECT_EQ(written->renewed, 6);

  const char* refused[] = {
      "",
      "equipo=X\ndesde=5\nrenovado=6\n",     // no process
      "proceso=12\nrenovado=6\n",            // no opening time
      "proceso=12a\ndesde=5\nrenovado=6\n",  // not a number
      "proceso=-12\ndesde=5\nrenovado=6\n",  // a sign
      "proceso=+12\ndesde=5\nrenovado=6\n",
      "proceso= 12\ndesde=5\nrenovado=6\n",
      "proceso=12\ndesde=5\nrenovado=99999999999999999999\n",  // overflow
      "\x89PNG\r\n\x1a\n",
  };
  for (const char* text : refused) {
    SCOPED_TRACE(text);
    EXPECT_FALSE(ParseLock(text));
  }
}

TEST(ProjectLockTest, OnlyALiveHolderElsewhereHoldsTheProject) {
  constexpr long long kNow = 1'800'000'000;
  const std::set<long long> running = {100, 200};
  auto is_running = [&running](long long pid) { return running.count(pid); };
  const struct {
    const char* what;
    std::optional<LockHolder> holder;
    LockState expected;
  } cases[] = {
      {"no mark", std::nullopt, LockState::kFree},
      {"this process", LockHolder{"pc1", "ana", 100, 0, 0}, LockState::kMine},
      {"this process, host in other case", LockHolder{"PC1", "", 100, 0, kNow},
       LockState::kMine},
      {"running process here", LockHolder{"pc1", "ana", 200, 0, kNow},
       LockState::kHeld},
      {"gone process here (a crash)", LockHolder{"pc1", "ana", 300, 0, kNow},
       LockState::kFree},
      {"running process here, mark not renewed (number used again)",
       LockHolder{"pc1", "ana", 200, 0, kNow - kLockStaleSeconds - 1},
       LockState::kFree},
      {"other machine, renewed just now",
       LockHolder{"pc2", "eva", 300, 0, kNow}, LockState::kHeld},
      {"other machine, same number as ours",
       LockHolder{"pc2", "", 100, 0, kNow}, LockState::kHeld},
      {"other machine, at the edge",
       LockHolder{"pc2", "eva", 300, 0, kNow - kLockStaleSeconds},
       LockState::kHeld},
      {"other machine, left behind",
       LockHolder{"pc2", "eva", 300, 0, kNow - kLockStaleSeconds - 1},
       LockState::kFree},
      {"other machine, clock ahead",
       LockHolder{"pc2", "eva", 300, 0, kNow + 900}, LockState::kHeld},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    EXPECT_EQ(JudgeLock(c.holder, "pc1", 100, kNow, is_running), c.expected);
  }
}

// Take, OtherHolder and Release against the marks of other copies.
TEST(ProjectLockTest, TakesItsMarkAndRemovesOnlyItsOwn) {
  FakeFileSystem fs;
  fs.AddDirectory("/p/A/2. DATOS GNSS/4. 1");
  fs.AddDirectory("/p/B/2. DATOS GNSS/4. 1");
  const std::string mark_a = "/p/A/2. DATOS GNSS/.proyecto-en-uso";
  const std::string mark_b = "/p/B/2. DATOS GNSS/.proyecto-en-uso";
  long long now = 1000;
  {
    ProjectLock lock(
        fs, {"pc1", "ana", 100}, [&now] { return now; },
        [](long long pid) { return pid == 100 || pid == 200; });
    // Another running copy here holds B.
    const LockHolder other{"pc1", "eva", 200, 900, 990};
    fs.AddFile(mark_b, FormatLock(other));
    EXPECT_EQ(lock.OtherHolder("/p/B/2. DATOS GNSS/4. 1"), other);
    EXPECT_FALSE(lock.OtherHolder("/p/A"));

    ASSERT_TRUE(lock.Take("/p/A").ok());
    EXPECT_EQ(ParseLock(*fs.FileBytes(mark_a)),
              (LockHolder{"pc1", "ana", 100, 1000, 1000}));
    EXPECT_FALSE(lock.OtherHolder("/p/A/2. DATOS GNSS"));  // our own

    // Opening B for editing all the same: A's mark goes, B's is ours.
    now = 1100;
    ASSERT_TRUE(lock.Take("/p/B").ok());
    EXPECT_FALSE(fs.FileBytes(mark_a));
    EXPECT_EQ(ParseLock(*fs.FileBytes(mark_b)),
              (LockHolder{"pc1", "ana", 100, 1100, 1100}));

    // The other copy marks B again (it was there first): our release
    // leaves its mark.
    fs.AddFile(mark_b, FormatLock(other));
    lock.Release();
    EXPECT_EQ(ParseLock(*fs.FileBytes(mark_b)), other);

    // A folder where nothing can be written stays unmarked, with the reason.
    fs.FailPath(mark_a, "Read-only file system");
    EXPECT_EQ(lock.Take("/p/A").message(), "Read-only file system");
    EXPECT_EQ(lock.path(), "");
    ASSERT_TRUE(lock.Take("/p/B/2. DATOS GNSS").ok());
    EXPECT_EQ(lock.path(), mark_b);
  }
  // Gone with the window.
  EXPECT_FALSE(fs.FileBytes(mark_b));
}

// Claim creates the mark only where none is; a live holder's mark is left
// and named; a mark left behind is replaced; anything else in its place
// refuses the mark with the reason. A claim that no Take adopts is removed.
TEST(ProjectLockTest, ClaimTakesOnlyAFreePlace) {
  FakeFileSystem fs;
  fs.AddDirectory("/p/A/2. DATOS GNSS/4. 1");
  fs.AddDirectory("/p/B/2. DATOS GNSS/4. 1");
  fs.AddDirectory("/p/C/2. DATOS GNSS/.proyecto-en-uso");
  const std::string mark_a = "/p/A/2. DATOS GNSS/.proyecto-en-uso";
  const std::string mark_b = "/p/B/2. DATOS GNSS/.proyecto-en-uso";
  ProjectLock lock(
      fs, {"pc1", "ana", 100}, [] { return 1000LL; },
      [](long long pid) { return pid == 100 || pid == 200; });
  const LockHolder other{"pc1", "eva", 200, 900, 990};
  fs.AddFile(mark_b, FormatLock(other));

  LockClaim claim = lock.Claim("/p/B");
  EXPECT_EQ(claim.result, LockClaim::Result::kHeld);
  EXPECT_EQ(claim.holder, other);
  EXPECT_EQ(ParseLock(*fs.FileBytes(mark_b)), other);

  claim = lock.Claim("/p/C");
  EXPECT_EQ(claim.result, LockClaim::Result::kRefused);
  EXPECT_EQ(claim.why.message(),
            "EN SU LUGAR HAY UNA CARPETA U OTRA COSA QUE NO ES UN ARCHIVO: "
            "/p/C/2. DATOS GNSS/.proyecto-en-uso");

  // Left behind by a process that is gone: taken.
  fs.AddFile(mark_b, FormatLock({"pc1", "eva", 300, 900, 990}));
  EXPECT_EQ(lock.Claim("/p/B").result, LockClaim::Result::kTaken);
  EXPECT_EQ(ParseLock(*fs.FileBytes(mark_b))->pid, 100);
  // Claimed but opened elsewhere: the claim goes; the taken one stays.
  EXPECT_EQ(lock.Claim("/p/A").result, LockClaim::Result::kTaken);
  EXPECT_FALSE(fs.FileBytes(mark_b));
  ASSERT_TRUE(lock.Take("/p/A").ok());
  EXPECT_EQ(lock.path(), mark_a);
  EXPECT_EQ(ParseLock(*fs.FileBytes(mark_a))->since, 1000);
}

// A forged mark's names are cut so that the question fits on the screen.
TEST(ProjectLockTest, HeldTextCutsLongNames) {
  const std::string host(3900, 'x');
  std::string user;
  for (int i = 0; i < 100; ++i) user += "ñ";
  const std::string text =
      LockHeldText("/p/A", {host, user, 1, 0, 0}, "01/01/2027 10:00");
  EXPECT_NE(text.find("\nEQUIPO: " + std::string(63, 'x') + "…\n"),
            std::string::npos);
  std::string cut_user;
  for (int i = 0; i < 63; ++i) cut_user += "ñ";
  EXPECT_NE(text.find("\nUSUARIO: " + cut_user + "…\n"), std::string::npos);
  EXPECT_LT(text.size(), 1200u);
  // A name of exactly the limit stays whole.
  EXPECT_NE(LockHeldText("/p", {std::string(64, 'h'), "u", 1, 0, 0}, "")
                .find("EQUIPO: " + std::string(64, 'h') + "\n"),
            std::string::npos);
}

}  // namespace
}  // namespace zarvek
