#include "dossier/scan.h"

#include <algorithm>
#include <map>
#include <optional>
#include <utility>
#include <vector>

#include "dossier/file_kind.h"
#include "project/point_detection.h"

namespace zarvek {
namespace {

bool Stopped(const std::atomic<bool>* stop) {
  return stop != nullptr && stop->load(std::memory_order_relaxed);
}

FoundFile FileOf(const std::string& dir, const DirEntryInfo& entry) {
  FoundFile file;
  file.path = JoinPath(dir, entry.name);
  file.name = entry.name;
  file.size = entry.size;
  file.mtime_s = entry.mtime_s;
  file.mtime_ns = entry.mtime_ns;
  return file;
}

// True when something stands at `path`: what Exists follows to (a folder,
// a file), or else a name in its folder's listing, such as a link that
// leads to itself, which no system call can follow.
bool SomethingAt(FileSystem& fs, const std::string& path) {
  if (fs.Exists(path)) return true;
  const std::size_t cut = path.find_last_of("/\\");
  if (cut == std::string::npos || cut + 1 == path.size()) return false;
  std::vector<std::string> names;
  if (!fs.ListDir(path.substr(0, cut == 0 ? 1 : cut), &names).ok())
    return false;
  return std::find(names.begin(), names.end(), path.substr(cut + 1)) !=
         names.end();
}

// A folder that could not be listed: missing, or there but unreadable.
FolderCount NotListed(FileSystem& fs, const std::string& path,
                      const Status& status) {
  FolderCount folder;
  folder.path = path;
  if (SomethingAt(fs, path)) {
    folder.state = FolderCount::State::kUnreadable;
    folder.reason = status.message();
  }
  return folder;
}

// The single file `name` in the folder `dir`, as a project item: kRead with
// the file when it is there, kMissing when not, kUnreadable when the folder
// cannot be listed.
FolderCount FileItem(FileSystem& fs, const std::string& dir,
                     std::string_view name) {
  std::vector<DirEntryInfo> entries;
  const std::string path = JoinPath(dir, std::string(name));
  const Status status = fs.ListDirInfo(dir, PrefixRequest{}, &entries);
  if (!status.ok()) {
    FolderCount folder = NotListed(fs, dir, status);
    folder.path = path;
    return folder;
  }
  FolderCount item;
  item.path = path;
  for (const DirEntryInfo& entry : entries) {
    if (entry.is_file && entry.name == name) {
      item.state = FolderCount::State::kRead;
      item.files.push_back(FileOf(dir, entry));
    }
  }
  return item;
}

// A point as the two folders name it.
struct PointFolders {
  std::string code;
  std::string gnss_folder, photo_folder;  // full paths; "" for none
};

using PointMap = std::map<std::string, PointFolders,
                          bool (*)(std::string_view, std::string_view)>;

// Adds the points named by the entries of `dir` (in name order) through
// `parse`; with `folders_only`, only folders (links to one included) name
// points. Returns the listing's failure.
template <typename Parse>
Status AddPoints(FileSystem& fs, const std::string& dir, Parse parse,
                 std::string PointFolders::*folder, PointMap* points,
                 bool folders_only) {
  std::vector<std::string> names;
  Status status;
  if (folders_only) {
    std::vector<DirEntryInfo> entries;
    status = fs.ListDirInfo(dir, PrefixRequest{}, &entries);
    for (DirEntryInfo& entry : entries) {
      if (entry.is_dir) names.push_back(std::move(entry.name));
    }
  } else {
    status = fs.ListDir(dir, &names);
  }
  if (!status.ok()) return status;
  std::sort(names.begin(), names.end());
  for (const std::string& name : names) {
    std::optional<std::string> code = parse(name);
    if (!code) continue;
    PointFolders& point = (*points)[*code];
    if (point.code.empty()) point.code = *code;
    if ((point.*folder).empty()) point.*folder = JoinPath(dir, name);
  }
  return Status::OK();
}

}  // namespace

FolderCount CountFolder(FileSystem& fs, const std::string& path,
                        FolderContent content) {
  // Every photo candidate's first bytes are read with the listing: the name
  // alone never makes a photo. Hidden and system files and videos need no
  // reading.
  PrefixRequest prefixes;
  if (content == FolderContent::kPhotos) {
    prefixes.bytes = kKindPrefixBytes;
    prefixes.wanted = [](std::string_view name) {
      return !IsIgnoredFileName(name) && !HasVideoExtension(name);
    };
  }
  std::vector<DirEntryInfo> entries;
  const Status status = fs.ListDirInfo(path, prefixes, &entries);
  if (!status.ok()) return NotListed(fs, path, status);
  FolderCount folder;
  folder.state = FolderCount::State::kRead;
  folder.path = path;
  for (const DirEntryInfo& entry : entries) {
    if (!entry.is_file || IsIgnoredFileName(entry.name)) continue;
    FoundFile file = FileOf(path, entry);
    switch (content) {
      case FolderContent::kFiles:
        break;
      case FolderContent::kVideos:
        if (!HasVideoExtension(entry.name)) continue;
        file.kind = FileKind::kVideo;
        break;
      case FolderContent::kPhotos:
        if (entry.size == 0 || HasVideoExtension(entry.name)) continue;
        if (!entry.prefix_error.empty()) {
          // Perhaps a photo, but nobody can tell: it counts, as one that
          // cannot be read, rather than vanish from the dossier.
          file.kind = FileKind::kUnreadable;
          file.error = entry.prefix_error;
          break;
        }
        file.kind = PhotoKindOfPrefix(entry.prefix);
        if (!IsPhotoKind(file.kind)) continue;
        break;
    }
    folder.files.push_back(std::move(file));
  }
  std::sort(
      folder.files.begin(), folder.files.end(),
      [](const FoundFile& a, const FoundFile& b) { return a.name < b.name; });
  return folder;
}

namespace {

// The project's own folders and files: the shared folders, both reports
// and the measurement file.
void ScanProjectItems(FileSystem& fs, const ProjectLayout& layout,
                      DossierScan* scan) {
  auto folder_item = [&](std::string_view label, const std::string& path) {
    scan->items.push_back(
        {std::string(label), CountFolder(fs, path, FolderContent::kFiles)});
  };
  folder_item(kFormsFolder, layout.FormsDir());
  folder_item(kNativeFolder, layout.BaseNativeDir());
  folder_item(kRinexFolder, layout.BaseRinexDir());
  folder_item(kEphemeridesFolder, layout.EphemeridesDir());
  folder_item(kProcessingFolder, layout.ProcessingDir());
  scan->items.push_back({std::string(kReportFileName),
                         FileItem(fs, layout.GnssDataDir(), kReportFileName)});
  scan->items.push_back(
      {std::string(kPhotoReportFileName),
       FileItem(fs, layout.PhotosDir(), kPhotoReportFileName)});
  const FolderCount measurements =
      FileItem(fs, layout.GnssDataDir(), kMeasurementFileName);
  if (!measurements.files.empty())
    scan->measurement_file = measurements.files.front();
}

// What the folders of one point hold.
PointDossier ScanPoint(FileSystem& fs, const PointFolders& found) {
  PointDossier point;
  point.code = found.code;
  point.gnss_folder = found.gnss_folder;
  point.photo_folder = found.photo_folder;
  if (!found.gnss_folder.empty()) {
    point.native =
        CountFolder(fs, JoinPath(found.gnss_folder, std::string(kNativeFolder)),
                    FolderContent::kFiles);
  }
  if (!found.photo_folder.empty()) {
    point.has_photo_folder = true;
    const std::vector<std::string> stages = PhotoStageDirs(found.photo_folder);
    for (std::size_t i = 0; i < stages.size(); ++i) {
      point.stages.push_back(CountFolder(fs, stages[i],
                                         i + 1 == kPhotoStages
                                             ? FolderContent::kVideos
                                             : FolderContent::kPhotos));
    }
  }
  return point;
}

}  // namespace

DossierScan ScanDossier(FileSystem& fs, const ProjectLayout& layout,
                        const std::atomic<bool>* stop) {
  DossierScan scan;
  scan.project_root = layout.root();
  ScanProjectItems(fs, layout, &scan);

  PointMap points(CodeValueLess);
  auto note = [&](const std::string& dir, const Status& status) {
    if (!status.ok() && SomethingAt(fs, dir))
      scan.unlisted.push_back(status.message());
  };
  note(layout.PointsDir(),
       AddPoints(
           fs, layout.PointsDir(),
           [](const std::string& name) -> std::optional<std::string> {
             std::optional<PointFolderName> parsed = ParsePointFolderName(name);
             if (!parsed) return std::nullopt;
             return parsed->code;
           },
           &PointFolders::gnss_folder, &points, false));
  // A photo point is a folder: a pipe or a file named "1003" holds no
  // stage folders. (The GNSS side names points as tab 2 detects them.)
  note(layout.PhotosDir(),
       AddPoints(fs, layout.PhotosDir(), ParsePhotoFolderName,
                 &PointFolders::photo_folder, &points, true));

  scan.points_found = points.size();
  scan.points.reserve(std::min(points.size(), kMaxTableRows));
  for (auto& [value, found] : points) {
    if (Stopped(stop) || scan.points.size() == kMaxTableRows) break;
    scan.points.push_back(ScanPoint(fs, found));
  }
  return scan;
}

}  // namespace zarvek
