#include "folders/tree_create.h"

#include <string>
#include <vector>

#include "folders/tree_plan.h"
#include "gtest/gtest.h"
#include "testing/fake_fs.h"

namespace zarvek {
namespace {

TEST(CreateProjectTreeTest, MakesThePlanInOrder) {
  FakeFileSystem fs;
  const std::vector<std::string> codes = {"100", "101", "102"};
  ASSERT_TRUE(CreateProjectTree(fs, "/root", codes).ok());
  EXPECT_EQ(fs.directories_made_, PlanProjectTree("/root", codes));
}

TEST(CreateProjectTreeTest, StopsAtTheFirstFailure) {
  FakeFileSystem fs;
  fs.FailMakeDirsAt(5, "No space left on device: /root/x");
  const Status status = CreateProjectTree(fs, "/root", {"100"});
  EXPECT_FALSE(status.ok());
  EXPECT_EQ(status.message(), "No space left on device: /root/x");
  const std::vector<std::string> plan = PlanProjectTree("/root", {"100"});
  EXPECT_EQ(fs.directories_made_,
            std::vector<std::string>(plan.begin(), plan.begin() + 4));
}

}  // namespace
}  // namespace zarvek
