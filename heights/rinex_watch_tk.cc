#include "heights/rinex_watch_tk.h"

#include <algorithm>
#include <exception>
#include <utility>
#include <vector>

#include "rinex/rinex_files.h"

namespace zarvek {
namespace {

// FNV-1a: a listing's 64-bit print. Two listings that differ and print
// alike would only delay a reading until the next change.
class Print {
 public:
  void Add(const void* data, std::size_t size) {
    const auto* bytes = static_cast<const unsigned char*>(data);
    for (std::size_t i = 0; i < size; ++i) {
      hash_ = (hash_ ^ bytes[i]) * 1099511628211ull;
    }
  }
  template <class T>
  void AddValue(T value) {
    Add(&value, sizeof value);
  }
  std::uint64_t value() const { return hash_; }

 private:
  std::uint64_t hash_ = 14695981039346656037ull;
};

// The print of what the folder `dir` holds: each entry's name, kind, size
// and modification time, in name order; a folder that cannot be listed
// prints as such.
std::uint64_t ListingPrint(FileSystem& fs, const std::string& dir) {
  std::vector<DirEntryInfo> entries;
  Print print;
  if (!fs.ListDirInfo(dir, PrefixRequest{}, &entries).ok()) {
    print.AddValue('!');
    return print.value();
  }
  std::sort(entries.begin(), entries.end(),
            [](const DirEntryInfo& a, const DirEntryInfo& b) {
              return a.name < b.name;
            });
  for (const DirEntryInfo& e : entries) {
    print.AddValue(e.name.size());
    print.Add(e.name.data(), e.name.size());
    print.AddValue(static_cast<char>(e.is_dir * 2 + e.is_file));
    print.AddValue(e.size);
    print.AddValue(e.mtime_s);
    print.AddValue(e.mtime_ns);
  }
  return print.value();
}

using ChangedFolders = std::vector<std::pair<std::string, std::string>>;

}  // namespace

RinexWatch::RinexWatch(Ui& ui, FileSystem& fs, const OpenProject& project,
                       Changed changed)
    : ui_(ui),
      fs_(fs),
      project_(project),
      changed_(std::move(changed)),
      seen_(std::make_shared<Seen>()),
      background_(ui, "rinex_vigilado") {
  tick_command_ = ui_.Bind("vigilar_rinex", [this] { Tick(); });
}

RinexWatch::~RinexWatch() {
  try {
    ui_.tk().Call({"after", "cancel", tick_command_});
  } catch (const std::exception&) {
    // The interpreter is going too.
  }
}

void RinexWatch::Start() {
  if (running_) return;
  running_ = true;
  Tick();
}

void RinexWatch::Stop() {
  if (!running_) return;
  running_ = false;
  ui_.tk().Call({"after", "cancel", tick_command_});
  // A listing already posted still ends, so that the next one may start;
  // what it found is dropped.
  ++run_;
  seen_ = std::make_shared<Seen>();
}

void RinexWatch::Finish() {
  // A listing of a run stopped meanwhile posts the new run's first one.
  do {
    background_.Finish();
  } while (listing_);
}

void RinexWatch::Tick() {
  Poll();
  if (running_) ui_.tk().Call({"after", kPollMs, tick_command_});
}

void RinexWatch::Poll() {
  // A slow disk may take longer than a poll's interval: one listing at a
  // time.
  if (listing_ || !project_.is_open()) return;
  listing_ = true;
  const std::uint64_t run = run_;
  background_.Run(
      [fs = &fs_, seen = seen_, folder = project_.folder(), this,
       run]() -> WorkQueue::Done {
        // A new project's listings are the ones to compare with.
        const bool first = seen->project != folder;
        seen->project = folder;
        auto changed = std::make_shared<ChangedFolders>();
        std::map<std::string, std::uint64_t> now;
        for (const auto& [code, dir] : ProjectRinexFolders(*fs, folder)) {
          const std::uint64_t print = ListingPrint(*fs, dir);
          auto it = seen->listings.find(dir);
          if (!first && (it == seen->listings.end() || it->second != print)) {
            changed->emplace_back(code, dir);
          }
          now.emplace(dir, print);
        }
        seen->listings = std::move(now);
        return [this, run, changed] {
          listing_ = false;
          if (run != run_) {
            // Stopped meanwhile; started again, the new run's first
            // listing is due.
            if (running_) Poll();
            return;
          }
          for (const auto& [code, dir] : *changed) changed_(code, dir);
        };
      },
      [this](const std::string& what) {
        listing_ = false;
        ui_.Print("Error: " + what);
      });
}

}  // namespace zarvek
