#include "ui/work_queue.h"

#include <atomic>
#include <future>
#include <stdexcept>
#include <string>
#include <vector>

#include <gtest/gtest.h>

namespace zarvek {
namespace {

// Jobs run one at a time in the order posted, a job that throws does not
// stop the ones after it, and what they hand back reaches the caller's
// thread in the same order, only through TakeFinished. A job that throws
// hands back its failure handler with the exception's text instead, so its
// owner can end what it began; one without a handler hands back nothing.
TEST(WorkQueueTest, RunsInOrderSurvivesThrowsAndHandsBackOnTheCallersThread) {
  WorkQueue queue;
  std::vector<std::string> ran;  // touched by the worker only
  std::vector<std::string> done;  // touched by this thread only
  std::promise<void> gate;
  std::shared_future<void> open = gate.get_future().share();
  const auto failed = [&](const std::string& what) {
    done.push_back("failed: " + what);
  };
  queue.Post([&, open] {
    open.wait();  // holds the worker until everything is queued
    ran.push_back("a");
    return WorkQueue::Done([&] { done.push_back("a"); });
  });
  queue.Post(
      [&]() -> WorkQueue::Done {
        ran.push_back("throws");
        throw std::runtime_error("disk gone");
      },
      failed);
  queue.Post(
      [&]() -> WorkQueue::Done {
        ran.push_back("throws 42");
        throw 42;
      },
      failed);
  queue.Post([&]() -> WorkQueue::Done {
    ran.push_back("throws unheard");
    throw std::runtime_error("nobody listens");
  });
  queue.Post([&] {
    ran.push_back("b");
    return WorkQueue::Done([&] { done.push_back("b"); });
  });
  EXPECT_TRUE(queue.Busy());
  gate.set_value();
  queue.Wait();
  EXPECT_EQ(ran, (std::vector<std::string>{"a", "throws", "throws 42",
                                           "throws unheard", "b"}));
  EXPECT_TRUE(done.empty());
  EXPECT_TRUE(queue.Busy()) << "results not yet taken";
  for (auto& d : queue.TakeFinished()) d();
  EXPECT_EQ(done, (std::vector<std::string>{"a", "failed: disk gone",
                                            "failed: error desconocido", "b"}));
  EXPECT_FALSE(queue.Busy());
}

// Dropping pending work (a newer project replaces an older scan) keeps the
// running job but never starts the queued ones; destruction does the same.
TEST(WorkQueueTest, DropPendingAndDestructionNeverStartQueuedJobs) {
  std::atomic<int> started = 0;
  std::promise<void> gate;
  std::shared_future<void> open = gate.get_future().share();
  std::promise<void> running;
  {
    WorkQueue queue;
    queue.Post([&, open] {
      running.set_value();
      open.wait();
      ++started;
      return WorkQueue::Done();
    });
    running.get_future().wait();
    for (int i = 0; i < 3; ++i) {
      queue.Post([&] {
        ++started;
        return WorkQueue::Done();
      });
    }
    queue.DropPending();
    queue.Post([&] {
      started += 10;
      return WorkQueue::Done();
    });
    gate.set_value();
    queue.Wait();
    EXPECT_EQ(started, 11);
    queue.Post([&, open] {
      ++started;
      return WorkQueue::Done();
    });
  }  // the last job may or may not have started; it never runs twice
  EXPECT_LE(started, 12);
}

}  // namespace
}  // namespace zarvek
