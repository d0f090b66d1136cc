#include "project/point_detection.h"

#include <gtest/gtest.h>

#include <map>
#include <optional>
#include <string>
#include <vector>

namespace zarvek {
namespace {

using Codes = std::vector<std::string>;

TEST(PointDetectionTest, EntryNames) {
  struct Case {
    const char* name;
    const char* code;  // nullptr: the name yields no code
  } cases[] = {
      {"4. 12345", "12345"},
      {"4.12345", "12345"},
      {"7.0042.txt", "0042"},
      {" 12 .\t99 ", "99"},
      {"4. 100. FOTOS", "100"},
      // No-break, thin, ideographic and line-separator spaces are white space.
      {"18.\u00a0300", "300"},
      {"\u20095.\u3000301\u202f", "301"},
      {"6. 3\u00a002", nullptr},
      {"4. 12 345", nullptr},
      {"A. 12345", nullptr},
      {"4a. 12345", nullptr},
      {"4. ", nullptr},
      {". 12345", nullptr},
      {"12345", nullptr},
      {"1. DATOS DE LA ESTACION BASE", nullptr},
      {"2. EFEMERIDES", nullptr},
      {"CONVERSION DE ALTURA.pdf", nullptr},
      {"4. \xC2\xB9\xC2\xB2", nullptr},  // superscript one, two
      {"4. \xD9\xA1\xD9\xA2", nullptr},  // Arabic-Indic digits
      {"\xEF\xBC\x94. 12345", nullptr},  // fullwidth four
      {"4. -5", nullptr},
      {"4. +5", nullptr},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Codes got = CodesFromEntryNames({c.name});
    EXPECT_EQ(got, c.code ? Codes{c.code} : Codes{});
  }
}

TEST(PointDetectionTest, SortsByValueStably) {
  Codes codes = {"105",
                 "99",
                 "007",
                 "100",
                 "7",
                 "0",
                 "123456789012345678901234567890",
                 "99999999999999999999999999999",
                 "00"};
  SortCodesByValue(codes);
  EXPECT_EQ(codes, (Codes{"0", "00", "007", "7", "99", "100", "105",
                          "99999999999999999999999999999",
                          "123456789012345678901234567890"}));
  EXPECT_FALSE(CodeValueLess("007", "7"));
  EXPECT_FALSE(CodeValueLess("7", "007"));
}

// A directory tree held in memory: path -> entry names; a path mapped to
// nullopt is a plain file, which cannot be listed.
class TinyFs : public FileSystem {
 public:
  std::map<std::string, std::optional<Codes>> entries;

  bool Exists(const std::string& path) override {
    return entries.count(path) > 0;
  }
  bool IsDirectory(const std::string& path) override {
    auto it = entries.find(path);
    return it != entries.end() && it->second.has_value();
  }
  bool IsRealDirectory(const std::string& path) override {
    return IsDirectory(path);
  }
  Status ListDir(const std::string& path, Codes* names) override {
    auto it = entries.find(path);
    if (it == entries.end() || !it->second) {
      return Status::Error("Not a directory: " + path);
    }
    *names = *it->second;
    return Status::OK();
  }
  Status MakeDirs(const std::string&) override {
    return Status::Error("read only");
  }
  Status CreateNewFile(const std::string&, std::string_view, bool*) override {
    return Status::Error("read only");
  }
  Status ReadPrefix(const std::string&, size_t, std::string*, bool*) override {
    return Status::Error("not read here");
  }
  Status ReadFile(const std::string&, size_t, std::string*) override {
    return Status::Error("not read here");
  }
  Status WriteAtomically(const std::string&, std::string_view) override {
    return Status::Error("read only");
  }
  Status RemoveFile(const std::string&) override {
    return Status::Error("read only");
  }
  bool IsFile(const std::string& path) override {
    auto it = entries.find(path);
    return it != entries.end() && !it->second.has_value();
  }
  Status ReadDecodedPrefix(const std::string& path, std::size_t,
                           const EnoughBytes&, DecodedPrefix*) override {
    return Status::Error("not read here: " + path);
  }
  Status WriteDecodedCopy(const std::string&, std::size_t, std::string_view,
                          const std::string& target,
                          const CopyWatch&) override {
    return Status::Error("read only: " + target);
  }
};

// A project's points are its point folders and nothing else: neither the
// entries of a folder that is not a project nor the codes typed in tab 1.
TEST(PointDetectionTest, DetectProjectCodes) {
  struct Case {
    const char* what;
    std::map<std::string, std::optional<Codes>> tree;
    std::string ruta_base;
    Codes expected;
  } cases[] = {
      {"datos folder, numeric order",
       {{"/p", Codes{"2. DATOS GNSS"}},
        {"/p/2. DATOS GNSS",
         Codes{"1. DATOS DE LA ESTACION BASE", "4. 105", "5. 99", "6. 100",
               "CONVERSION DE ALTURA.pdf"}}},
       "/p",
       {"99", "100", "105"}},
      {"datos folder picked itself",
       {{"/p/2. DATOS GNSS", Codes{"4. 105", "5. 99"}}},
       "/p/2. DATOS GNSS",
       {"99", "105"}},
      {"a point's RINEX folder picked",
       {{"/p/2. DATOS GNSS", Codes{"4. 105", "5. 99"}},
        {"/p/2. DATOS GNSS/4. 105/RINEX", Codes{"a.26o"}}},
       "/p/2. DATOS GNSS/4. 105/RINEX",
       {"99", "105"}},
      {"files count, duplicates kept in listing order",
       {{"/p/2. DATOS GNSS",
         Codes{"9. 100", "7.0042.txt", "4. 100", "3. 0100"}}},
       "/p",
       {"0042", "100", "100", "0100"}},
      {"no point folders: no points",
       {{"/p/2. DATOS GNSS", Codes{"2. EFEMERIDES"}}},
       "/p",
       {}},
      {"empty project", {{"/p/2. DATOS GNSS", Codes{}}}, "/p", {}},
      {"not a project: its own entries are not points",
       {{"/p", Codes{"4. 100", "5. 101"}}},
       "/p",
       {}},
      {"missing folder", {}, "/gone", {}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    TinyFs fs;
    fs.entries = c.tree;
    Codes codes = {"stale"};
    Status status = DetectProjectCodes(fs, c.ruta_base, &codes);
    ASSERT_TRUE(status.ok()) << status.message();
    EXPECT_EQ(codes, c.expected);
  }
}

TEST(PointDetectionTest, ListingFailureKeepsOldCodes) {
  TinyFs fs;
  fs.entries["/p/2. DATOS GNSS"] = std::nullopt;  // a plain file
  Codes codes = {"old"};
  Status status = DetectProjectCodes(fs, "/p", &codes);
  EXPECT_FALSE(status.ok());
  EXPECT_EQ(status.message(), "Not a directory: /p/2. DATOS GNSS");
  EXPECT_EQ(codes, Codes{"old"});

  // No project folder: nothing is detected and nothing changes.
  EXPECT_TRUE(DetectProjectCodes(fs, "", &codes).ok());
  EXPECT_EQ(codes, Codes{"old"});
}

}  // namespace
}  // namespace zarvek
