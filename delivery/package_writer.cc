#include "delivery/package_writer.h"

#include <algorithm>
#include <ctime>

namespace zarvek {

PackageJob::PackageJob(std::vector<PackageEntry> entries, SourceFiles* sources,
                       ZipBackend* backend, PackageProgress progress,
                       PackageOptions options)
    : entries_(std::move(entries)),
      sources_(sources),
      progress_(std::move(progress)),
      options_(std::move(options)),
      writer_(&sink_, backend) {
  writer_.set_force_zip64(options_.force_zip64);
  if (options_.chunk_bytes == 0) options_.chunk_bytes = 1 << 20;
  for (const PackageEntry& entry : entries_) {
    if (entry.is_dir) continue;
    ++files_;
    bytes_total_ += entry.size;
  }
}

bool PackageJob::Cancelled() const {
  return progress_.cancel != nullptr &&
         progress_.cancel->load(std::memory_order_relaxed);
}

Status PackageJob::Next(std::string* out, bool* done) {
  *done = false;
  if (failed_) return Status::Error("ZIP: el empaquetado ya falló");
  sink_.out = out;
  Status status;
  if (Cancelled()) {
    status = Status::Error(kPackageCancelled);
  } else if (file_ != nullptr) {
    status = Pump();
  } else if (next_entry_ < entries_.size()) {
    status = StartEntry(entries_[next_entry_++]);
  } else if (!manifest_written_) {
    status = WriteManifest();
  } else {
    status = writer_.Finish();
    *done = status.ok();
  }
  failed_ = !status.ok();
  return status;
}

Status PackageJob::StartEntry(const PackageEntry& entry) {
  if (entry.is_dir) return writer_.AddDirectory(entry.name, entry.mtime_s);
  // The name is checked before the file is opened, so that a refused name
  // costs no reading.
  Status status = CheckMemberName(entry.name);
  if (!status.ok()) return status;
  if (progress_.on_file) progress_.on_file(++file_number_, files_);
  status = sources_->Open(entry.source, &file_);
  if (!status.ok()) return status;
  sha_.Reset();
  file_bytes_ = 0;
  return writer_.BeginFile(entry.name, entry.mtime_s, MethodForName(entry.name),
                           entry.size);
}

Status PackageJob::Pump() {
  Status status = file_->Read(options_.chunk_bytes, &chunk_);
  if (!status.ok()) return status;
  if (chunk_.empty()) {
    file_.reset();
    status = writer_.EndFile();
    if (!status.ok()) return status;
    const PackageEntry& entry = entries_[next_entry_ - 1];
    manifest_.push_back({entry.name, file_bytes_, sha_.HexDigest()});
    return Status::OK();
  }
  sha_.Update(chunk_);
  file_bytes_ += chunk_.size();
  bytes_done_ += chunk_.size();
  status = writer_.WriteData(chunk_);
  if (status.ok() && progress_.on_bytes) {
    progress_.on_bytes(bytes_done_, std::max(bytes_done_, bytes_total_));
  }
  return status;
}

Status PackageJob::WriteManifest() {
  if (progress_.on_file) progress_.on_file(++file_number_, files_);
  const std::string text = ManifestText(options_.program_version, manifest_);
  manifest_written_ = true;
  Status status = writer_.BeginFile(kManifestName, std::time(nullptr),
                                    ZipMethod::kDeflated, text.size());
  if (status.ok()) status = writer_.WriteData(text);
  if (status.ok()) status = writer_.EndFile();
  return status;
}

}  // namespace zarvek
