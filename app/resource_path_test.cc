#include "app/resource_path.h"

#include <gtest/gtest.h>

namespace zarvek {
namespace {

TEST(ResourcePathTest, BundleFolderBesideExecutableWinsOverWorkingDir) {
  auto yes = [](const std::string& d) { return d == "/opt/z/resources"; };
  auto no = [](const std::string&) { return false; };
  EXPECT_EQ(ResolveResourcePath("LOGO_QUENTARO.png", "/opt/z", "/home/u", yes),
            "/opt/z/resources/LOGO_QUENTARO.png");
  // Another working directory does not change where a bundle looks.
  EXPECT_EQ(ResolveResourcePath("LOGO_QUENTARO.png", "/opt/z", "/tmp", yes),
            "/opt/z/resources/LOGO_QUENTARO.png");
  // Without a bundle folder the working directory is the base.
  EXPECT_EQ(ResolveResourcePath("LOGO_QUENTARO.png", "/opt/z", "/home/u", no),
            "/home/u/LOGO_QUENTARO.png");
  EXPECT_EQ(ResolveResourcePath("R300_R1.png", "", "/home/u", yes),
            "/home/u/R300_R1.png");
  EXPECT_EQ(ResolveResourcePath("a.png", "/", "/", no), "/a.png");
}

}  // namespace
}  // namespace zarvek
