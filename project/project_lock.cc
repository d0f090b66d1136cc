#include "project/project_lock.h"

#include <charconv>
#include <chrono>
#include <thread>
#include <utility>

#include "project/layout.h"
#include "text/key_lines.h"

namespace zarvek {
namespace {

constexpr std::string_view kHostKey = "equipo";
constexpr std::string_view kUserKey = "usuario";
constexpr std::string_view kPidKey = "proceso";
constexpr std::string_view kSinceKey = "desde";
constexpr std::string_view kRenewedKey = "renovado";
// A mark is a few lines; anything longer is not one.
constexpr size_t kMaxLockBytes = 4096;

std::string OneLine(std::string text) {
  for (char& c : text) {
    if (c == '\r' || c == '\n' || c == '\0') c = ' ';
  }
  return text;
}

bool ParseWhole(std::string_view text, long long* value) {
  if (text.empty() || text.front() < '0' || text.front() > '9') return false;
  auto [end, ec] =
      std::from_chars(text.data(), text.data() + text.size(), *value);
  return ec == std::errc() && end == text.data() + text.size();
}

std::string WholeText(long long value) {
  char text[24];
  auto [end, ec] = std::to_chars(text, text + sizeof text, value);
  return std::string(text, end);
}

char AsciiLower(char c) { return c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c; }

bool SameHost(const std::string& a, const std::string& b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    if (AsciiLower(a[i]) != AsciiLower(b[i])) return false;
  }
  return true;
}

}  // namespace

std::string FormatLock(const LockHolder& holder) {
  std::string text =
      "# Zarvek Certificación: proyecto abierto en este programa (se borra al "
      "cerrarlo)\n";
  auto line = [&text](std::string_view key, const std::string& value) {
    text += key;
    text += '=';
    text += value;
    text += '\n';
  };
  line(kHostKey, OneLine(holder.host));
  line(kUserKey, OneLine(holder.user));
  line(kPidKey, WholeText(holder.pid));
  line(kSinceKey, WholeText(holder.since));
  line(kRenewedKey, WholeText(holder.renewed));
  return text;
}

std::optional<LockHolder> ParseLock(std::string_view text) {
  LockHolder holder;
  bool pid = false, since = false, renewed = false;
  ForEachKeyLine(text, [&](std::string_view key, std::string_view value) {
    if (key == kHostKey) {
      holder.host = value;
    } else if (key == kUserKey) {
      holder.user = value;
    } else if (key == kPidKey) {
      pid = ParseWhole(value, &holder.pid);
    } else if (key == kSinceKey) {
      since = ParseWhole(value, &holder.since);
    } else if (key == kRenewedKey) {
      renewed = ParseWhole(value, &holder.renewed);
    }
  });
  if (!pid || !since || !renewed) return std::nullopt;
  return holder;
}

namespace {

// `text` cut to at most `max` characters (not bytes: a name is UTF-8),
// the last of them "…" when it was longer.
std::string Shortened(const std::string& text, std::size_t max) {
  std::size_t chars = 0, cut = text.size();
  for (std::size_t i = 0; i < text.size(); ++i) {
    if ((static_cast<unsigned char>(text[i]) & 0xC0) == 0x80) continue;
    if (chars == max - 1) cut = i;
    if (++chars > max) return text.substr(0, cut) + "…";
  }
  return text;
}

}  // namespace

LockState JudgeLock(const std::optional<LockHolder>& holder,
                    const std::string& my_host, long long my_pid, long long now,
                    const std::function<bool(long long pid)>& running) {
  if (!holder) return LockState::kFree;
  const bool this_host = SameHost(holder->host, my_host);
  if (this_host && holder->pid == my_pid) return LockState::kMine;
  if (now - holder->renewed > kLockStaleSeconds) return LockState::kFree;
  if (this_host && !running(holder->pid)) return LockState::kFree;
  return LockState::kHeld;
}

std::string LockHeldText(const std::string& folder, const LockHolder& holder,
                         const std::string& since) {
  auto or_unknown = [](const std::string& text) {
    return text.empty() ? std::string("(DESCONOCIDO)")
                        : Shortened(text, kLockShownChars);
  };
  return "ESTE PROYECTO YA ESTÁ ABIERTO EN OTRA VENTANA DEL PROGRAMA:\n" +
         folder + "\n\nEQUIPO: " + or_unknown(holder.host) +
         "\nUSUARIO: " + or_unknown(holder.user) + "\nDESDE: " + since +
         "\n\nSI LAS DOS VENTANAS EDITAN LA TABLA, CADA UNA PUEDE DESHACER "
         "LOS CAMBIOS DE LA OTRA.\n\n¿ABRIRLO EN SOLO LECTURA?\n"
         "SÍ: SOLO LECTURA (LA TABLA MUESTRA LAS MEDIDAS, NO SE PUEDE EDITAR "
         "Y NO SE GUARDA NADA).\n"
         "NO: ABRIRLO PARA EDITAR TAMBIÉN AQUÍ.\n"
         "CANCELAR: NO ABRIRLO.";
}

ProjectLock::ProjectLock(FileSystem& fs, Identity me,
                         std::function<long long()> now,
                         std::function<bool(long long pid)> running,
                         std::chrono::milliseconds renew_every)
    : fs_(fs),
      me_(std::move(me)),
      now_(std::move(now)),
      running_(std::move(running)),
      renew_every_(renew_every) {
  renewer_ = std::thread([this] { RenewLoop(); });
}

ProjectLock::~ProjectLock() {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    stopping_ = true;
  }
  wake_.notify_all();
  renewer_.join();
  Release();
}

std::optional<LockHolder> ProjectLock::Read(const std::string& path) {
  std::string bytes;
  bool missing = false;
  // Windows refuses to open a file for the instant another program moves
  // its mark into place: a mark that cannot be opened is tried again
  // briefly before it counts as unreadable (and so as left behind).
  Status read;
  for (int attempt = 0; attempt < 5; ++attempt) {
    if (attempt > 0) std::this_thread::sleep_for(std::chrono::milliseconds(20));
    bytes.clear();
    read = fs_.ReadPrefix(path, kMaxLockBytes, &bytes, &missing);
    if (read.ok()) break;
  }
  if (!read.ok() || missing || bytes.size() > kMaxLockBytes) {
    return std::nullopt;
  }
  return ParseLock(bytes);
}

std::optional<LockHolder> ProjectLock::OtherHolder(const std::string& chosen) {
  const std::string path = LockFilePath(chosen);
  if (path.empty()) return std::nullopt;
  std::optional<LockHolder> holder = Read(path);
  if (JudgeLock(holder, me_.host, me_.pid, now_(), running_) !=
      LockState::kHeld) {
    return std::nullopt;
  }
  return holder;
}

LockClaim ProjectLock::Claim(const std::string& chosen) {
  const std::string path = LockFilePath(chosen);
  LockClaim claim;
  std::lock_guard<std::mutex> lock(mutex_);
  if (path.empty() || path == path_ || path == claimed_) return claim;
  DropClaimLocked("");
  const long long now = now_();
  const std::string text = FormatLock({me_.host, me_.user, me_.pid, now, now});
  bool existed = false;
  claim.why = fs_.CreateNewFile(path, text, &existed);
  if (claim.why.ok() && existed) {
    if (!fs_.IsFile(path)) {
      claim.why = Status::Error(
          "EN SU LUGAR HAY UNA CARPETA U OTRA COSA QUE NO ES UN ARCHIVO: " +
          path);
    } else {
      claim.holder = Read(path);
      if (JudgeLock(claim.holder, me_.host, me_.pid, now, running_) ==
          LockState::kHeld) {
        claim.result = LockClaim::Result::kHeld;
        return claim;
      }
      claim.holder.reset();
      // Left behind, unreadable or this process's own: replaced.
      claim.why = fs_.WriteAtomically(path, text);
    }
  }
  if (!claim.why.ok()) {
    claim.result = LockClaim::Result::kRefused;
    return claim;
  }
  claimed_ = path;
  claimed_since_ = now;
  return claim;
}

Status ProjectLock::Take(const std::string& chosen) {
  const std::string path = LockFilePath(chosen);
  std::lock_guard<std::mutex> lock(mutex_);
  if (path != path_) {
    RemoveLocked();
    since_ = path == claimed_ ? claimed_since_ : now_();
  }
  DropClaimLocked(path);
  path_.clear();
  if (path.empty()) return Status::OK();
  const long long now = now_();
  const Status status = fs_.WriteAtomically(
      path, FormatLock({me_.host, me_.user, me_.pid, since_, now}));
  if (status.ok()) path_ = path;
  return status;
}

void ProjectLock::Release() {
  std::lock_guard<std::mutex> lock(mutex_);
  RemoveLocked();
  DropClaimLocked("");
}

std::string ProjectLock::path() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return path_;
}

void ProjectLock::RemoveLocked() {
  if (path_.empty()) return;
  RemoveIfMine(path_);
  path_.clear();
}

void ProjectLock::RemoveIfMine(const std::string& path) {
  // Another copy that went on editing may have put its own mark in place:
  // that one stays.
  if (JudgeLock(Read(path), me_.host, me_.pid, now_(), running_) ==
      LockState::kMine) {
    fs_.RemoveFile(path);
  }
}

void ProjectLock::DropClaimLocked(const std::string& keep) {
  // A claimed project that did not open (it was not taken) is left
  // unmarked again.
  if (!claimed_.empty() && claimed_ != keep && claimed_ != path_)
    RemoveIfMine(claimed_);
  claimed_.clear();
}

void ProjectLock::Renew() {
  if (path_.empty()) return;
  // A mark of another running copy (one that went on editing) is left
  // alone; a missing or left-behind one is put back, so that the project
  // stays marked while this window has it open.
  const long long now = now_();
  if (JudgeLock(Read(path_), me_.host, me_.pid, now, running_) ==
      LockState::kHeld) {
    return;
  }
  fs_.WriteAtomically(path_,
                      FormatLock({me_.host, me_.user, me_.pid, since_, now}));
}

void ProjectLock::RenewLoop() {
  std::unique_lock<std::mutex> lock(mutex_);
  while (!stopping_) {
    if (wake_.wait_for(lock, renew_every_, [this] { return stopping_; })) break;
    Renew();
  }
}

}  // namespace zarvek
