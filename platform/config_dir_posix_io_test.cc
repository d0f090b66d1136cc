#include <stdlib.h>

#include <filesystem>
#include <fstream>
#include <optional>
#include <string>

#include "gtest/gtest.h"
#include "platform/config_dir.h"
#include "testing/temp_dir.h"

namespace zarvek {
namespace {

// Sets an environment variable for one test and puts it back afterwards.
class ScopedEnv {
 public:
  ScopedEnv(const char* name, const char* value) : name_(name) {
    if (const char* old = getenv(name)) old_ = old;
    if (value == nullptr) {
      unsetenv(name);
    } else {
      setenv(name, value, 1);
    }
  }
  ~ScopedEnv() {
    if (old_) {
      setenv(name_, old_->c_str(), 1);
    } else {
      unsetenv(name_);
    }
  }

 private:
  const char* name_;
  std::optional<std::string> old_;
};

TEST(ConfigDirTest, SettingsAndDocumentsFoldersFollowTheDesktop) {
  testing::TempDir temp;
  const std::string home = temp.path().string();
  ScopedEnv home_env("HOME", home.c_str());
  {
    ScopedEnv xdg("XDG_CONFIG_HOME", nullptr);
    EXPECT_EQ(UserConfigDir(), home + "/.config");
    EXPECT_EQ(UserDocumentsDir(), home);  // no user-dirs.dirs
  }
  {
    // A relative XDG_CONFIG_HOME is invalid and ignored.
    ScopedEnv xdg("XDG_CONFIG_HOME", "relativo");
    EXPECT_EQ(UserConfigDir(), home + "/.config");
  }
  ScopedEnv xdg("XDG_CONFIG_HOME", (home + "/cfg").c_str());
  EXPECT_EQ(UserConfigDir(), home + "/cfg");
  std::filesystem::create_directories(home + "/cfg");
  std::ofstream(home + "/cfg/user-dirs.dirs")
      << "# written by xdg-user-dirs-update\n"
         "XDG_DESKTOP_DIR=\"$HOME/Escritorio\"\n"
         "XDG_DOCUMENTS_DIR=\"$HOME/Documentos\"\n";
  EXPECT_EQ(UserDocumentsDir(), home + "/Documentos");
  std::ofstream(home + "/cfg/user-dirs.dirs")
      << "XDG_DOCUMENTS_DIR=\"/srv/obras\"\n";
  EXPECT_EQ(UserDocumentsDir(), "/srv/obras");
  std::ofstream(home + "/cfg/user-dirs.dirs")
      << "XDG_DOCUMENTS_DIR=\"relativo\"\n";
  EXPECT_EQ(UserDocumentsDir(), home);
}

}  // namespace
}  // namespace zarvek
