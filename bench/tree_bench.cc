// Times the creation of a 1,000-point project tree (13,008 folders) with
// CreateProjectTree on the real file system against a plain loop of mkdir(2)
// calls over the same paths, each run in a fresh folder under /tmp. The tree
// should cost no more than about 1.2 times the plain loop: the folders are
// made parents first, so MakeDirs needs one system call per folder.
#include <stdlib.h>
#include <sys/stat.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <iostream>
#include <locale>
#include <string>
#include <vector>

#include "folders/tree_create.h"
#include "folders/tree_plan.h"
#include "platform/fs.h"

namespace zarvek {
namespace {

std::string FreshRoot() {
  char name[] = "/tmp/zarvek_bench_XXXXXX";
  if (mkdtemp(name) == nullptr) {
    std::cerr << "mkdtemp failed\n";
    exit(1);
  }
  return name;
}

size_t CountDirectories(const std::string& root) {
  size_t count = 0;
  for (const auto& entry :
       std::filesystem::recursive_directory_iterator(root)) {
    count += entry.is_directory();
  }
  return count;
}

double Median(std::vector<double> v) {
  std::sort(v.begin(), v.end());
  return v[v.size() / 2];
}

int Run() {
  std::vector<std::string> codes;
  for (int i = 0; i < 1000; ++i) codes.push_back(std::to_string(100000 + i));
  using Clock = std::chrono::steady_clock;
  const int kRounds = 9;
  std::vector<double> tree_ms, loop_ms;

  for (int round = 0; round < kRounds; ++round) {
    // Alternate which one goes first, so that neither always meets a
    // warmer or colder file system.
    for (int turn = 0; turn < 2; ++turn) {
      const bool tree_turn = (turn == 0) == (round % 2 == 0);
      const std::string root = FreshRoot();
      if (tree_turn) {
        const auto start = Clock::now();
        const Status status = CreateProjectTree(RealFileSystem(), root, codes);
        const auto end = Clock::now();
        if (!status.ok()) {
          std::cerr << status.message() << "\n";
          return 1;
        }
        tree_ms.push_back(
            std::chrono::duration<double, std::milli>(end - start).count());
      } else {
        const std::vector<std::string> plan = PlanProjectTree(root, codes);
        const auto start = Clock::now();
        for (const std::string& path : plan) {
          if (::mkdir(path.c_str(), 0777) != 0) {
            std::cerr << "mkdir failed: " << path << "\n";
            return 1;
          }
        }
        const auto end = Clock::now();
        loop_ms.push_back(
            std::chrono::duration<double, std::milli>(end - start).count());
      }
      if (round == 0 && CountDirectories(root) != 8 + 13 * codes.size()) {
        std::cerr << "wrong number of folders in " << root << "\n";
        return 1;
      }
      std::filesystem::remove_all(root);
    }
  }

  const double tree = Median(tree_ms);
  const double loop = Median(loop_ms);
  const double tree_min = *std::min_element(tree_ms.begin(), tree_ms.end());
  const double loop_min = *std::min_element(loop_ms.begin(), loop_ms.end());
  std::cout.imbue(std::locale::classic());
  std::cout.setf(std::ios::fixed);
  std::cout.precision(2);
  std::cout << "folders per run: " << 8 + 13 * codes.size()
            << ", runs: " << kRounds << " each, medians\n"
            << "CreateProjectTree (RealFileSystem): " << tree << " ms\n"
            << "plain mkdir(2) loop:                " << loop << " ms\n"
            << "ratio of medians: " << tree / loop << "\n"
            << "fastest runs: " << tree_min << " ms and " << loop_min
            << " ms, ratio " << tree_min / loop_min << "\n";
  return 0;
}

}  // namespace
}  // namespace zarvek

int main() { return zarvek::Run(); }
