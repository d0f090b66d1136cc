#include "project/open_project.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace zarvek {
namespace {

// Commands given while the project changes run after it, in order, and see
// the new project only; a command that changes the project again holds the
// ones behind it until its own change ends.
TEST(OpenProjectTest, CommandsWaitForTheChangeAndSeeOneProject) {
  OpenProject project;
  std::vector<std::string> seen;
  int observed = 0;
  project.AddObserver([&] { ++observed; });

  project.WhenSettled([&] { seen.push_back("now:" + project.folder()); });
  project.BeginChange();
  project.WhenSettled([&] { seen.push_back("report:" + project.folder()); });
  project.WhenSettled([&] {
    // A second BUSCAR: its own change, with a command queued inside it.
    project.BeginChange();
    project.WhenSettled([&] { seen.push_back("inner:" + project.folder()); });
    project.Set("C", {"3"});
    seen.push_back("buscar:" + project.folder());
    project.EndChange();
  });
  project.WhenSettled([&] { seen.push_back("last:" + project.folder()); });
  EXPECT_EQ(project.waiting(), 3u);
  EXPECT_EQ(seen, std::vector<std::string>{"now:"});
  project.Set("B", {"1", "2"});
  project.EndChange();

  EXPECT_EQ(seen, (std::vector<std::string>{"now:", "report:B", "buscar:C",
                                            "last:C", "inner:C"}));
  EXPECT_EQ(observed, 2);
  EXPECT_EQ(project.codes(), std::vector<std::string>{"3"});
  EXPECT_FALSE(project.changing());
  EXPECT_EQ(project.waiting(), 0u);
}

}  // namespace
}  // namespace zarvek
