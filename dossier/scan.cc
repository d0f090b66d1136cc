#include "dossier/scan.h"

#include <algorithm>
#include <map>
#include <optional>
#include <utility>
#include <vector>

#include "dossier/file_kind.h"
#include "project/point_detection.h"
#include "text/ascii_text.h"

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

namespace {

// How deep below a stage folder its files are looked for, and how many
// subfolders of one stage are read at most: a copy of a whole memory card
// left in a stage must not turn the scan into a reading of the disk.
constexpr int kSubfolderDepth = 3;
constexpr std::size_t kMaxSubfolders = 100;

// What a stage folder holds that is not where it should be, named in
// `warnings` with the stage as texts name it.
struct StageFindings {
  std::string title;
  std::vector<std::string>* warnings = nullptr;
  std::size_t subfolders = 0;  // read so far
};

Status AddFolderFiles(FileSystem& fs, const std::string& path,
                      FolderContent content, const std::string& under,
                      int depth, StageFindings* findings, FolderCount* folder);

// Adds the files of the subfolder `name` of `path` (a stage folder or a
// folder below it) as files of the stage. Links are not followed: they may
// lead out of the project, or round in a loop.
void AddSubfolder(FileSystem& fs, const std::string& path,
                  const std::string& name, FolderContent content, int depth,
                  StageFindings* findings, FolderCount* folder) {
  const std::string sub = JoinPath(path, name.substr(name.rfind('/') + 1));
  if (!fs.IsRealDirectory(sub)) return;
  if (findings->subfolders == kMaxSubfolders) {
    findings->warnings->push_back("MÁS DE " + DecimalText(kMaxSubfolders) +
                                  " SUBCARPETAS EN " + findings->title +
                                  ": NO SE LEEN TODAS");
  }
  if (findings->subfolders++ >= kMaxSubfolders) return;
  const std::size_t before = folder->files.size();
  const Status listed =
      AddFolderFiles(fs, sub, content, name, depth + 1, findings, folder);
  const std::string where = findings->title + "/" + name;
  if (!listed.ok()) {
    findings->warnings->push_back("NO SE PUEDE LEER LA SUBCARPETA " + where +
                                  ": " + listed.message());
    return;
  }
  // A subfolder is named once, with everything below it.
  const std::size_t added = folder->files.size() - before;
  if (depth > 0 || added == 0) return;
  findings->warnings->push_back((content == FolderContent::kVideos
                                     ? CountedText(added, "VÍDEO", "VÍDEOS")
                                     : CountedText(added, "FOTO", "FOTOS")) +
                                " EN LA SUBCARPETA " + where);
}

// Whether the listed `entry` counts for `content`, with its kind set in
// `file`. With `findings`, what the stage should not hold is named there.
bool Counts(const DirEntryInfo& entry, FolderContent content,
            StageFindings* findings, FoundFile* file) {
  const bool video_name = HasVideoExtension(entry.name);
  switch (content) {
    case FolderContent::kFiles:
      return true;
    case FolderContent::kVideos:
      if (video_name) {
        file->kind = FileKind::kVideo;
        return true;
      }
      if (findings != nullptr && entry.size > 0 && entry.prefix_error.empty() &&
          IsPhotoKind(PhotoKindOfPrefix(entry.prefix))) {
        findings->warnings->push_back("FOTO EN " + findings->title + ": " +
                                      file->name);
      }
      return false;
    case FolderContent::kPhotos:
      break;
  }
  if (video_name) {
    if (findings != nullptr) {
      findings->warnings->push_back("VÍDEO EN " + findings->title + ": " +
                                    file->name);
    }
    return false;
  }
  if (entry.size == 0) return false;
  if (!entry.prefix_error.empty()) {
    // Perhaps a photo, but nobody can tell: it counts, as one that cannot
    // be read, rather than vanish from the dossier.
    file->kind = FileKind::kUnreadable;
    file->error = entry.prefix_error;
    return true;
  }
  file->kind = PhotoKindOfPrefix(entry.prefix);
  return IsPhotoKind(file->kind);
}

// Lists `path` and adds to `folder` the files that count for `content`,
// named by their path below the stage folder (`under`, "" for the stage
// folder itself). With `findings`, what a stage should not hold (a video
// among photos, a photo among videos) is named and subfolders are read
// down to kSubfolderDepth.
Status AddFolderFiles(FileSystem& fs, const std::string& path,
                      FolderContent content, const std::string& under,
                      int depth, StageFindings* findings, FolderCount* folder) {
  // Every photo candidate's first bytes are read with the listing: the name
  // alone never makes a photo. Hidden and system files and videos need no
  // reading; among videos, only when a photo there is to be named.
  PrefixRequest prefixes;
  if (content == FolderContent::kPhotos ||
      (content == FolderContent::kVideos && findings != nullptr)) {
    prefixes.bytes = kKindPrefixBytes;
    prefixes.wanted = [](std::string_view name) {
      return !IsIgnoredFileName(name) && !HasVideoExtension(name);
    };
  }
  std::vector<DirEntryInfo> entries;
  const Status status = fs.ListDirInfo(path, prefixes, &entries);
  if (!status.ok()) return status;
  std::sort(entries.begin(), entries.end(),
            [](const DirEntryInfo& a, const DirEntryInfo& b) {
              return a.name < b.name;
            });
  for (const DirEntryInfo& entry : entries) {
    if (IsIgnoredFileName(entry.name)) continue;
    const std::string name =
        under.empty() ? entry.name : under + "/" + entry.name;
    if (entry.is_dir && findings != nullptr && depth < kSubfolderDepth) {
      AddSubfolder(fs, path, name, content, depth, findings, folder);
      continue;
    }
    if (!entry.is_file) continue;
    FoundFile file = FileOf(path, entry);
    file.name = name;
    if (Counts(entry, content, findings, &file))
      folder->files.push_back(std::move(file));
  }
  return Status::OK();
}

FolderCount CountFiles(FileSystem& fs, const std::string& path,
                       FolderContent content, StageFindings* findings) {
  FolderCount folder;
  const Status status =
      AddFolderFiles(fs, path, content, "", 0, findings, &folder);
  if (!status.ok()) return NotListed(fs, path, status);
  folder.state = FolderCount::State::kRead;
  folder.path = path;
  std::sort(
      folder.files.begin(), folder.files.end(),
      [](const FoundFile& a, const FoundFile& b) { return a.name < b.name; });
  return folder;
}

}  // namespace

FolderCount CountFolder(FileSystem& fs, const std::string& path,
                        FolderContent content) {
  return CountFiles(fs, path, content, nullptr);
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
  folder_item(kBaseNativeLabel, layout.BaseNativeDir());
  folder_item(kBaseRinexLabel, layout.BaseRinexDir());
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

// The stage folders of the photo folder `dir`, in stage order. A stage
// whose folder is not there under its own name is read from a folder whose
// name differs only in accents, case, spaces or the leading zero
// (StageFolderKey), the first in name order, and `warnings` names it; any
// further such folder is named as not counted.
std::vector<std::string> StageFolders(FileSystem& fs, const std::string& dir,
                                      std::vector<std::string>* warnings) {
  std::vector<std::string> stages = PhotoStageDirs(dir);
  std::vector<DirEntryInfo> entries;
  if (!fs.ListDirInfo(dir, PrefixRequest{}, &entries).ok()) return stages;
  std::sort(entries.begin(), entries.end(),
            [](const DirEntryInfo& a, const DirEntryInfo& b) {
              return a.name < b.name;
            });
  for (std::size_t i = 0; i < stages.size(); ++i) {
    const std::string_view own = subcarpetas_fotos[i];
    bool found = std::any_of(
        entries.begin(), entries.end(),
        [own](const DirEntryInfo& entry) { return entry.name == own; });
    const std::string key = StageFolderKey(own);
    for (const DirEntryInfo& entry : entries) {
      if (!entry.is_dir || entry.name == own ||
          StageFolderKey(entry.name) != key) {
        continue;
      }
      if (found) {
        warnings->push_back("CARPETA REPETIDA CON OTRO NOMBRE, NO SE CUENTA: " +
                            entry.name);
        continue;
      }
      found = true;
      stages[i] = JoinPath(dir, entry.name);
      warnings->push_back("CARPETA CON OTRO NOMBRE: " + entry.name);
    }
  }
  return stages;
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
    const std::vector<std::string> stages =
        StageFolders(fs, found.photo_folder, &point.warnings);
    for (std::size_t i = 0; i < stages.size(); ++i) {
      StageFindings findings{std::string(PhotoStageTitle(i)), &point.warnings};
      point.stages.push_back(CountFiles(fs, stages[i],
                                        i + 1 == kPhotoStages
                                            ? FolderContent::kVideos
                                            : FolderContent::kPhotos,
                                        &findings));
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
