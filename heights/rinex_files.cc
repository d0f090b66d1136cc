#include "heights/rinex_files.h"

#include <algorithm>
#include <utility>
#include <vector>

#include "heights/point_detection.h"
#include "project/layout.h"

namespace zarvek {
namespace {

// True when `bytes` holds an `END OF HEADER` record label with its line
// end, so that reading may stop. Only the part not searched before (and
// the label's length before it) is searched again.
bool HasEndOfHeaderLine(std::string_view bytes, std::size_t seen) {
  constexpr std::string_view kEnd = "END OF HEADER";
  const std::size_t from = seen > 100 ? seen - 100 : 0;
  for (std::size_t at = bytes.find(kEnd, from); at != std::string_view::npos;
       at = bytes.find(kEnd, at + 1)) {
    const std::size_t line_start = bytes.rfind('\n', at);
    const std::size_t column =
        line_start == std::string_view::npos ? at : at - line_start - 1;
    if (column == 60 && bytes.find('\n', at) != std::string_view::npos) {
      return true;
    }
  }
  return false;
}

Status ReadHeaderBytes(FileSystem& fs, const std::string& path,
                       DecodedPrefix* prefix) {
  return fs.ReadDecodedPrefix(path, kRinexHeaderMaxBytes, HasEndOfHeaderLine,
                              prefix);
}

std::string BaseName(const std::string& path) {
  const std::size_t slash = path.find_last_of("/\\");
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

// The names of the ordinary files of `dir`, sorted.
Status ListFiles(FileSystem& fs, const std::string& dir,
                 std::vector<std::string>* files) {
  std::vector<std::string> names;
  Status status = fs.ListDir(dir, &names);
  files->clear();
  if (!status.ok()) return status;
  for (std::string& name : names) {
    if (fs.IsFile(JoinPath(dir, name))) files->push_back(std::move(name));
  }
  std::sort(files->begin(), files->end());
  return Status::OK();
}

// Two originals whose copies would bear one name ("a.26o" and "a.26o.Z"):
// writing the copy of one would replace that of the other, so neither is
// written while both are there. Other originals' wrappers are told by
// their names here: only a ".gz" keeps its suffix.
Status CheckCopyNameIsItsOwn(FileSystem& fs, const std::string& rinex_dir,
                             const std::string& name,
                             const std::string& copy_name) {
  std::vector<std::string> files;
  Status status = ListFiles(fs, rinex_dir, &files);
  if (!status.ok()) return status;
  for (const std::string& other : files) {
    if (other == name) continue;
    const bool gzip =
        other.size() > 3 && (other.ends_with(".gz") || other.ends_with(".GZ"));
    const std::string other_copy =
        gzip ? other : CorrectedCopyName(other, RinexWrapper::kOther);
    if (other_copy == copy_name) {
      return Status::Error(other + " y " + name + " darían la misma copia " +
                           copy_name +
                           "; deje uno solo: " + JoinPath(rinex_dir, name));
    }
  }
  return Status::OK();
}

}  // namespace

RinexHeader ReadRinexHeaderFile(FileSystem& fs, const std::string& path,
                                RinexWrapper* wrapper) {
  DecodedPrefix prefix;
  const Status status = ReadHeaderBytes(fs, path, &prefix);
  if (wrapper) *wrapper = prefix.wrapper;
  RinexHeader header;
  if (status.ok()) {
    header = ReadRinexHeader(prefix.bytes, prefix.complete);
  } else {
    // What could be read before the failure may show that the file is no
    // observation file at all; otherwise the failure is its reason.
    header = ReadRinexHeader(prefix.bytes, false);
    if (header.kind != RinexKind::kNotRinex &&
        header.kind != RinexKind::kOtherRinex) {
      header.kind = RinexKind::kUnreadable;
    }
    if (header.kind != RinexKind::kOtherRinex) header.reason = status.message();
  }
  if (header.kind == RinexKind::kNotRinex &&
      LooksLikeObservationName(BaseName(path))) {
    header.kind = RinexKind::kUnreadable;
  }
  return header;
}

PointRinexFiles CheckRinexFolder(FileSystem& fs, const std::string& rinex_dir) {
  PointRinexFiles result;
  result.folder = rinex_dir;
  if (!fs.IsDirectory(rinex_dir)) return result;
  std::vector<std::string> names;
  const Status listed = ListFiles(fs, rinex_dir, &names);
  if (!listed.ok()) {
    result.listing_error = listed.message();
    return result;
  }
  const std::string corrected_dir = CorrectedDir(rinex_dir);
  const bool has_corrected = fs.IsDirectory(corrected_dir);
  for (const std::string& name : names) {
    RinexFileCheck check;
    check.name = name;
    const RinexHeader header =
        ReadRinexHeaderFile(fs, JoinPath(rinex_dir, name), &check.wrapper);
    if (header.kind != RinexKind::kObservation &&
        header.kind != RinexKind::kUnreadable) {
      continue;
    }
    check.kind = header.kind;
    check.reason = header.reason;
    check.delta_h = header.delta_h;
    if (has_corrected && header.kind == RinexKind::kObservation) {
      const std::string copy =
          JoinPath(corrected_dir, CorrectedCopyName(name, check.wrapper));
      if (fs.IsFile(copy)) {
        const RinexHeader copied = ReadRinexHeaderFile(fs, copy, nullptr);
        if (copied.kind == RinexKind::kObservation) {
          check.copy_delta_h = copied.delta_h;
        }
      }
    }
    result.files.push_back(std::move(check));
  }
  // Two originals whose copies share a name ("a.26o" and "a.26o.Z") cannot
  // both be corrected by the one copy: neither counts as corrected.
  std::map<std::string, int> copy_names;
  for (const RinexFileCheck& check : result.files)
    ++copy_names[CorrectedCopyName(check.name, check.wrapper)];
  for (RinexFileCheck& check : result.files) {
    if (copy_names[CorrectedCopyName(check.name, check.wrapper)] > 1)
      check.copy_delta_h.reset();
  }
  return result;
}

std::map<std::string, PointRinexFiles> CheckProjectRinex(
    FileSystem& fs, const std::string& chosen) {
  std::map<std::string, PointRinexFiles> points;
  if (chosen.empty()) return points;
  const ProjectLayout layout = ProjectLayout::ForChosenFolder(fs, chosen);
  std::vector<std::string> names;
  if (!fs.ListDir(layout.PointsDir(), &names).ok()) return points;
  // In name order, so that of two folders of the same code the same one is
  // read every time.
  std::sort(names.begin(), names.end());
  for (const std::string& folder : names) {
    const std::vector<std::string> codes = CodesFromEntryNames({folder});
    if (codes.empty() || points.count(codes[0]) != 0) continue;
    if (!fs.IsDirectory(layout.PointGnssDir(folder))) continue;
    points.emplace(codes[0],
                   CheckRinexFolder(fs, layout.PointRinexDir(folder)));
  }
  return points;
}

namespace {

// The copy of `name` into CORREGIDO: corrected to `arp`, or unchanged when
// `arp` is null.
Status WriteCopy(FileSystem& fs, const std::string& rinex_dir,
                 const std::string& name, const double* arp,
                 std::string* copy_path) {
  const std::string original = JoinPath(rinex_dir, name);
  // Only the header is read and corrected here; the rest of the file
  // streams through FileSystem::WriteDecodedCopy, so a file of any size is
  // copied in little memory.
  DecodedPrefix head;
  Status status = ReadHeaderBytes(fs, original, &head);
  if (!status.ok()) return status;
  std::string corrected = head.bytes;
  std::string reason;
  if (arp && !CorrectDeltaHInPlace(corrected, *arp, &reason)) {
    return Status::Error(reason + ": " + original);
  }
  const std::string copy_name = CorrectedCopyName(name, head.wrapper);
  status = CheckCopyNameIsItsOwn(fs, rinex_dir, name, copy_name);
  if (!status.ok()) return status;
  const std::string corrected_dir = CorrectedDir(rinex_dir);
  status = fs.MakeDirs(corrected_dir);
  if (!status.ok()) return status;
  const std::string copy = JoinPath(corrected_dir, copy_name);
  // An unchanged copy replaces no bytes: the empty change.
  status =
      arp ? fs.WriteDecodedCopy(original, head.bytes.size(), corrected, copy)
          : fs.WriteDecodedCopy(original, 0, "", copy);
  if (status.ok() && copy_path) *copy_path = copy;
  return status;
}

}  // namespace

Status WriteCorrectedCopy(FileSystem& fs, const std::string& rinex_dir,
                          const std::string& name, double arp,
                          std::string* copy_path) {
  return WriteCopy(fs, rinex_dir, name, &arp, copy_path);
}

Status WriteUnchangedCopy(FileSystem& fs, const std::string& rinex_dir,
                          const std::string& name, std::string* copy_path) {
  return WriteCopy(fs, rinex_dir, name, nullptr, copy_path);
}

}  // namespace zarvek
