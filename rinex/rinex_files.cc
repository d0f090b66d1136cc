#include "rinex/rinex_files.h"

#include <algorithm>
#include <chrono>
#include <functional>
#include <utility>
#include <vector>

#include "project/layout.h"
#include "project/point_detection.h"
#include "rinex/header_fields.h"
#include "rinex/rinex_lines.h"
#include "text/ascii_text.h"
#include "text/shown_path.h"

namespace zarvek {
namespace {

Status ReadHeaderBytes(FileSystem& fs, const std::string& path,
                       DecodedPrefix* prefix) {
  EndOfHeaderFinder end_of_header;
  return fs.ReadDecodedPrefix(path, kRinexHeaderMaxBytes,
                              std::ref(end_of_header), prefix);
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
// their names here: only a ".gz" keeps its suffix. The folder is listed
// once per run: a folder of thousands of files costs one listing, not one
// per copy.
Status CheckCopyNameIsItsOwn(FileSystem& fs, const std::string& rinex_dir,
                             const std::string& name,
                             const std::string& copy_name, RinexCopyRun& run) {
  auto listed = run.listed.find(rinex_dir);
  if (listed == run.listed.end()) {
    std::vector<std::string> files;
    Status status = ListFiles(fs, rinex_dir, &files);
    if (!status.ok()) return status;
    listed = run.listed.emplace(rinex_dir, std::move(files)).first;
  }
  for (const std::string& other : listed->second) {
    if (other == name) continue;
    const bool gzip =
        other.size() > 3 && (other.ends_with(".gz") || other.ends_with(".GZ"));
    const std::string other_copy =
        gzip ? other : CorrectedCopyName(other, RinexWrapper::kOther);
    if (other_copy == copy_name) {
      return Status::Error(BoxPathAfter(other + " y " + name +
                                            " darían la misma copia " +
                                            copy_name + "; deje uno solo: ",
                                        JoinPath(rinex_dir, name)));
    }
  }
  return Status::OK();
}

// How much of the observations after the header a copy is compared on.
constexpr std::size_t kCompareBodyBytes = 64 * 1024;

// Reads the header of `path` and up to kCompareBodyBytes + 1 bytes after
// it; `*header_end` is where the header ends (0 when it was not found).
Status ReadHeaderAndBodyStart(FileSystem& fs, const std::string& path,
                              DecodedPrefix* prefix, std::size_t* header_end) {
  EndOfHeaderFinder finder;
  *header_end = 0;
  auto enough = [&](std::string_view bytes, std::size_t seen) {
    if (*header_end == 0 && finder(bytes, seen)) {
      *header_end = finder.header_end();
    }
    return *header_end != 0 && bytes.size() > *header_end + kCompareBodyBytes;
  };
  return fs.ReadDecodedPrefix(
      path, kRinexHeaderMaxBytes + kCompareBodyBytes + 1, enough, prefix);
}

// True when the copy `copy` (whose DELTA H is `copy_delta_h`) was made from
// `original` as it is now: its header is the original's, with the DELTA H
// written by CORREGIR RINEX or unchanged, and the first kCompareBodyBytes
// of observations (and whether they end there) are the same, the DELTA H
// lines of event records among them counting as the header's does. A
// replaced original differs there: its header says when and by what
// program it was written and when the session began, and its first epochs
// are its own. Reading only that much keeps the table's build bounded,
// whatever the size of the files.
bool CopyIsOfOriginal(FileSystem& fs, const std::string& original,
                      const std::string& copy, double copy_delta_h) {
  DecodedPrefix a, b;
  std::size_t a_end = 0, b_end = 0;
  if (!ReadHeaderAndBodyStart(fs, original, &a, &a_end).ok() ||
      !ReadHeaderAndBodyStart(fs, copy, &b, &b_end).ok() || a_end == 0 ||
      b_end == 0) {
    return false;
  }
  // A line cut by the reading bound is left out: its DELTA H label may be
  // missing, so it would not be corrected as the whole line was.
  auto same = [&](const std::string& text) {
    if (a.complete) return text == b.bytes;
    const std::size_t last = text.rfind('\n');
    const std::size_t n = last == std::string::npos ? 0 : last + 1;
    return n >= a_end && b.bytes.size() >= n &&
           text.compare(0, n, b.bytes, 0, n) == 0;
  };
  if (same(a.bytes)) return true;
  std::string corrected = a.bytes;
  return CorrectDeltaHInPlace(corrected, copy_delta_h, nullptr) &&
         same(corrected);
}

}  // namespace

namespace {

// The header in `prefix`, read from `path` with `status`.
RinexHeader HeaderOf(const DecodedPrefix& prefix, const Status& status,
                     const std::string& path) {
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

// Gathers, from the lines of a file as they stream by, what the file says
// about itself: the header's text (up to END OF HEADER, within the header's
// bounds) for its identity fields, place and day, and the fingerprint of
// its observations. The file is read once for its DELTA H lines anyway, so
// the facts cost no second reading.
class FactsGatherer {
 public:
  void Take(const TextLine& line) {
    fingerprint_.Feed(line.text);
    if (header_done_) return;
    if (header_.size() + line.text.size() + 1 > kRinexHeaderMaxBytes) {
      header_done_ = true;
      return;
    }
    header_.append(line.text);
    header_ += '\n';
    header_done_ =
        line.text.size() >= 73 && line.text.substr(60, 13) == "END OF HEADER";
  }

  void Finish(ObservationFileFacts* facts) const {
    const HeaderFields fields = ReadHeaderFields(header_);
    facts->marker_name = fields.marker_name;
    facts->antenna_type = fields.antenna_type;
    facts->receiver_serial = fields.receiver_serial;
    const RinexPlaceAndDay place = ReadRinexPlaceAndDay(header_);
    facts->approx_xyz = place.approx_xyz;
    facts->first_epoch_utc_s.reset();
    if (place.first_obs) {
      const std::chrono::year_month_day ymd{
          std::chrono::year{place.first_obs->year},
          std::chrono::month{static_cast<unsigned>(place.first_obs->month)},
          std::chrono::day{static_cast<unsigned>(place.first_obs->day)}};
      if (ymd.ok()) {
        facts->first_epoch_utc_s =
            std::int64_t{
                std::chrono::sys_days{ymd}.time_since_epoch().count()} *
            86400;
      }
    }
    facts->observation_fingerprint = fingerprint_.Finish();
  }

 private:
  std::string header_;
  bool header_done_ = false;
  ObservationFingerprinter fingerprint_;
};

// The header of the file at `path` and, for an observation file, every
// DELTA H line in force (DeltaHScan), from one reading of its lines: the
// whole file, however long, in the memory of one piece and one line. A
// file that is no observation file is read no further than its header's
// bounds. `*cancelled` is set when `cancel` stopped the reading. With
// `session`, the same lines give the session its epochs record; `facts`,
// when not null, takes what an observation file says about itself.
RinexHeader ReadObservationFile(FileSystem& fs, const std::string& path,
                                const std::atomic<bool>* cancel,
                                RinexWrapper* wrapper,
                                std::vector<RinexDeltaLine>* lines,
                                bool* cancelled = nullptr,
                                Session* session = nullptr,
                                ObservationFileFacts* facts = nullptr) {
  DeltaHScan scan;
  SessionReader reader;
  FactsGatherer gatherer;
  bool stopped = false;
  const Status status = ForEachLine(
      fs, path, cancel,
      [&](const TextLine& line) {
        // The rest of a line cut at the bound is no line of its own.
        if (session && !line.rest) reader.Feed(line.text);
        if (facts) gatherer.Take(line);
        stopped = !scan.Take(line);
        return !stopped;
      },
      wrapper);
  if (session) *session = reader.Finish();
  if (cancelled) *cancelled = cancel && cancel->load() && !status.ok();
  RinexHeader header = scan.Finish(!stopped, status, lines);
  if (header.kind == RinexKind::kNotRinex &&
      LooksLikeObservationName(BaseName(path))) {
    header.kind = RinexKind::kUnreadable;
  }
  // Only a file read to its end as an observation file has facts: a part
  // of one would give a fingerprint that another file's part could share.
  if (facts && header.kind == RinexKind::kObservation) gatherer.Finish(facts);
  return header;
}

}  // namespace

RinexHeader ReadRinexHeaderFile(FileSystem& fs, const std::string& path,
                                RinexWrapper* wrapper) {
  DecodedPrefix prefix;
  const Status status = ReadHeaderBytes(fs, path, &prefix);
  if (wrapper) *wrapper = prefix.wrapper;
  return HeaderOf(prefix, status, path);
}

namespace {

// Reads the file `name` at `path` of a RINEX folder and, when it is an
// observation file with a copy in CORREGIDO (`corrected_dir`, when
// `has_corrected`), its copy. `listed` says whether the folder's check
// shows it: an observation file or one that looks like one.
RinexFileCheck ReadRinexFile(FileSystem& fs, const std::string& path,
                             const std::string& name, bool has_corrected,
                             const std::string& corrected_dir,
                             const std::atomic<bool>* cancel, bool* listed,
                             bool* cancelled) {
  RinexFileCheck check;
  check.name = name;
  // The event records after the header carry DELTA H lines of their own,
  // which the processing applies to the epochs after them.
  std::vector<RinexDeltaLine> lines;
  check.facts.name = name;
  const RinexHeader header =
      ReadObservationFile(fs, path, cancel, &check.wrapper, &lines, cancelled,
                          &check.session, &check.facts);
  *listed = header.kind == RinexKind::kObservation ||
            header.kind == RinexKind::kUnreadable;
  if (*listed) {
    check.kind = header.kind;
    check.reason = header.reason;
    check.delta_h = header.delta_h;
    check.delta_line = header.delta_line_number;
  }
  if (check.kind != RinexKind::kObservation) return check;
  check.later_delta_h.assign(lines.begin() + 1, lines.end());
  if (has_corrected) {
    const std::string copy =
        JoinPath(corrected_dir, CorrectedCopyName(name, check.wrapper));
    if (fs.IsFile(copy) &&
        ReadObservationFile(fs, copy, cancel, nullptr, &lines, cancelled)
                .kind == RinexKind::kObservation) {
      check.copy_delta_h = lines.front().h;
      for (std::size_t i = 1; i < lines.size(); ++i)
        check.copy_later_delta_h.push_back(lines[i].h);
      check.copy_stale = !CopyIsOfOriginal(fs, path, copy, lines.front().h);
    }
  }
  return check;
}

// Two originals whose copies share a name ("a.26o" and "a.26o.Z") cannot
// both be corrected by the one copy: neither counts as corrected.
void ForgetSharedCopies(std::vector<RinexFileCheck>* files) {
  std::map<std::string, int> copy_names;
  for (const RinexFileCheck& check : *files)
    ++copy_names[CorrectedCopyName(check.name, check.wrapper)];
  for (RinexFileCheck& check : *files) {
    if (copy_names[CorrectedCopyName(check.name, check.wrapper)] > 1)
      check.copy_delta_h.reset();
  }
}

}  // namespace

PointRinexFiles CheckRinexFolder(FileSystem& fs, const std::string& rinex_dir,
                                 RinexReadCache* cache,
                                 const std::atomic<bool>* cancel) {
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
  // Copies behind a link are not the point's: they do not count.
  const bool has_corrected = fs.IsRealDirectory(corrected_dir);
  for (const std::string& name : names) {
    const std::string path = JoinPath(rinex_dir, name);
    // A file whose stamps (and its copy's) are those of the last reading
    // is what it was then.
    FileStamp stamp;
    const bool stamped = cache != nullptr && fs.Stat(path, &stamp);
    auto copy_stamp = [&](const RinexFileCheck& check) {
      std::optional<FileStamp> copy;
      FileStamp found;
      if (has_corrected && check.kind == RinexKind::kObservation &&
          fs.Stat(
              JoinPath(corrected_dir, CorrectedCopyName(name, check.wrapper)),
              &found)) {
        copy = found;
      }
      return copy;
    };
    if (stamped) {
      const RinexReadCache::Entry* known = cache->Find(path);
      if (known && known->original == stamp &&
          copy_stamp(known->check) == known->copy) {
        if (known->listed) result.files.push_back(known->check);
        continue;
      }
    }
    bool listed = false, cancelled = false;
    RinexFileCheck check =
        ReadRinexFile(fs, path, name, has_corrected, corrected_dir, cancel,
                      &listed, &cancelled);
    // A reading cut short says nothing of the file: it is neither kept
    // nor shown, and the folder is read no further.
    if (cancelled) {
      result.cancelled = true;
      break;
    }
    if (stamped) {
      cache->Put(
          path, RinexReadCache::Entry{stamp, copy_stamp(check), listed, check});
    }
    if (listed) result.files.push_back(std::move(check));
  }
  ForgetSharedCopies(&result.files);
  return result;
}

std::map<std::string, std::string> ProjectRinexFolders(
    FileSystem& fs, const std::string& chosen) {
  std::map<std::string, std::string> folders;
  if (chosen.empty()) return folders;
  const ProjectLayout layout = ProjectLayout::ForChosenFolder(fs, chosen);
  std::vector<std::string> names;
  if (!fs.ListDir(layout.PointsDir(), &names).ok()) return folders;
  // In name order, so that of two folders of the same code the same one is
  // read every time.
  std::sort(names.begin(), names.end());
  for (const std::string& folder : names) {
    const std::vector<std::string> codes = CodesFromEntryNames({folder});
    if (codes.empty() || folders.count(codes[0]) != 0) continue;
    if (!fs.IsDirectory(layout.PointGnssDir(folder))) continue;
    folders.emplace(codes[0], layout.PointRinexDir(folder));
  }
  return folders;
}

namespace {

// "4 GiB", "12 MB" or "300 BYTES".
std::string SizeText(std::uint64_t bytes) {
  if (bytes >= kGiB && bytes % kGiB == 0) {
    return DecimalText(bytes / kGiB) + " GiB";
  }
  if (bytes >= (1u << 20)) return DecimalText(bytes >> 20) + " MB";
  return DecimalText(bytes) + " BYTES";
}

// What the disk of `folder` must keep free: keep_free_bytes, or
// keep_free_share of its size when that is less.
std::uint64_t Reserve(const RinexCopyLimits& limits, const DiskSpace& space) {
  const auto share = static_cast<std::uint64_t>(
      static_cast<double>(space.total) * limits.keep_free_share);
  return std::min(limits.keep_free_bytes, share);
}

Status DiskNearlyFull(const DiskSpace& space, std::uint64_t reserve,
                      const std::string& copy) {
  return Status::Error(BoxPathAfter(
      "EL DISCO SE QUEDARÍA CASI LLENO (LIBRES: " + SizeText(space.free) +
          "; SE DEJAN AL MENOS " + SizeText(reserve) +
          "); NO SE ESCRIBE LA COPIA: ",
      copy));
}

// A project may come from anywhere: CORREGIDO may be a link to another
// folder, whose files a copy would replace. Only a folder of its own is
// written into (a broken link MakeDirs refuses itself).
Status MakeCorrectedDir(FileSystem& fs, const std::string& corrected_dir) {
  constexpr std::string_view kShown = "RINEX/CORREGIDO";
  Status status = RefuseLinkedFolder(fs, corrected_dir, kShown);
  if (!status.ok()) return status;
  status = fs.MakeDirs(corrected_dir);
  if (!status.ok()) return status;
  return RefuseLinkedFolder(fs, corrected_dir, kShown);
}

// Refuses a copy of `original` that would leave less than `reserve` free.
Status CheckRoomForCopy(FileSystem& fs, const std::string& original,
                        const std::string& copy, const DiskSpace& space,
                        std::uint64_t reserve) {
  FileStamp stamp;
  const std::uint64_t size = fs.Stat(original, &stamp) ? stamp.size : 0;
  if (space.free < reserve || space.free - reserve < size) {
    return DiskNearlyFull(space, reserve, copy);
  }
  return Status::OK();
}

// Reads the header of `original`, for its wrapper; for a correction to
// `*arp` it must be an observation header, and `arp` must have an F14.4
// form, before anything is written. The DELTA H lines after the header are
// rewritten as the copy streams (DeltaHRewrite).
Status ReadHeaderForCopy(FileSystem& fs, const std::string& original,
                         const double* arp, DecodedPrefix* head) {
  Status status = ReadHeaderBytes(fs, original, head);
  if (!status.ok() || !arp) return status;
  const RinexHeader header = ReadRinexHeader(head->bytes, head->complete);
  if (header.kind != RinexKind::kObservation) {
    return Status::Error(
        BoxPathAfter((header.reason.empty() ? "no es un archivo de observación"
                                            : header.reason) +
                         ": ",
                     original));
  }
  if (!FormatF14_4(*arp)) {
    return Status::Error(
        BoxPathAfter("la altura ARP no cabe en F14.4: ", original));
  }
  return Status::OK();
}

// The copy of `name` into CORREGIDO: corrected to `arp`, or unchanged when
// `arp` is null.
Status WriteCopy(FileSystem& fs, const std::string& rinex_dir,
                 const std::string& name, const double* arp,
                 std::string* copy_path, RinexCopyRun* given_run) {
  RinexCopyRun own_run;
  RinexCopyRun& run = given_run ? *given_run : own_run;
  const RinexCopyLimits& limits = run.limits;
  const std::string original = JoinPath(rinex_dir, name);
  DecodedPrefix head;
  Status status = ReadHeaderForCopy(fs, original, arp, &head);
  if (!status.ok()) return status;
  const std::string copy_name = CorrectedCopyName(name, head.wrapper);
  status = CheckCopyNameIsItsOwn(fs, rinex_dir, name, copy_name, run);
  if (!status.ok()) return status;
  const std::string corrected_dir = CorrectedDir(rinex_dir);
  status = MakeCorrectedDir(fs, corrected_dir);
  if (!status.ok()) return status;
  const std::string copy = JoinPath(corrected_dir, copy_name);
  // The copy takes at least what the original takes on the disk; a disk
  // that would be left nearly full is not written to. A system that cannot
  // tell its free space is written to: the write itself fails when full.
  DiskSpace space;
  std::uint64_t reserve = 0;
  const bool space_known = fs.FreeSpace(corrected_dir, &space).ok();
  if (space_known) {
    reserve = Reserve(limits, space);
    status = CheckRoomForCopy(fs, original, copy, space, reserve);
    if (!status.ok()) return status;
  }
  std::uint64_t next_check = limits.check_free_every;
  const CopyWatch watch = [&](std::uint64_t decoded) {
    if (run.cancelled()) return Status::Error("CANCELADO: " + ShownPath(copy));
    if (decoded > limits.max_bytes) {
      return Status::Error(BoxPathAfter(
          "NO PARECE UN ARCHIVO DE OBSERVACIÓN: DESCOMPRIMIDO PASA DE " +
              SizeText(limits.max_bytes) + "; NO SE ESCRIBE SU COPIA: ",
          original));
    }
    if (space_known && decoded >= next_check) {
      next_check = decoded + limits.check_free_every;
      if (fs.FreeSpace(corrected_dir, &space).ok() && space.free < reserve)
        return DiskNearlyFull(space, reserve, copy);
    }
    return Status::OK();
  };
  if (arp) {
    DeltaHRewrite rewrite(*FormatF14_4(*arp), original);
    status = fs.WriteChangedCopy(
        original,
        [&](std::string_view piece, bool last, std::string* out) {
          return rewrite.Change(piece, last, out);
        },
        copy, watch);
  } else {
    // An unchanged copy replaces no bytes: the empty change.
    status = fs.WriteDecodedCopy(original, 0, "", copy, watch);
  }
  if (status.ok() && copy_path) *copy_path = copy;
  return status;
}

}  // namespace

Status WriteCorrectedCopy(FileSystem& fs, const std::string& rinex_dir,
                          const std::string& name, double arp,
                          std::string* copy_path, RinexCopyRun* run) {
  return WriteCopy(fs, rinex_dir, name, &arp, copy_path, run);
}

Status WriteUnchangedCopy(FileSystem& fs, const std::string& rinex_dir,
                          const std::string& name, std::string* copy_path,
                          RinexCopyRun* run) {
  return WriteCopy(fs, rinex_dir, name, nullptr, copy_path, run);
}

}  // namespace zarvek
