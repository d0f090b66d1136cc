#include "measurements/background_saver.h"

#include <exception>

namespace zarvek {

BackgroundSaver::BackgroundSaver(WriteFn write, FileExchange* exchange)
    : write_(std::move(write)),
      exchange_(exchange),
      thread_([this] { Run(); }) {}

BackgroundSaver::~BackgroundSaver() {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    stop_ = true;
  }
  wake_.notify_one();
  thread_.join();
}

void BackgroundSaver::Save(std::string path, std::string bytes,
                           std::uint64_t tag) {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    if (!queue_.empty() && std::get<0>(queue_.back()) == path) {
      std::get<1>(queue_.back()) = std::move(bytes);
      std::get<2>(queue_.back()) = tag;
    } else {
      queue_.emplace_back(std::move(path), std::move(bytes), tag);
    }
  }
  wake_.notify_one();
}

void BackgroundSaver::Guard(const std::string& path,
                            std::optional<std::string> bytes) {
  std::lock_guard<std::mutex> lock(mutex_);
  guards_[path] = std::move(bytes);
}

void BackgroundSaver::Wait() {
  std::unique_lock<std::mutex> lock(mutex_);
  idle_.wait(lock, [this] { return queue_.empty() && !writing_; });
}

bool BackgroundSaver::Busy() {
  std::lock_guard<std::mutex> lock(mutex_);
  return !queue_.empty() || writing_;
}

std::vector<SaveOutcome> BackgroundSaver::TakeResults() {
  std::lock_guard<std::mutex> lock(mutex_);
  std::vector<SaveOutcome> out;
  out.swap(results_);
  return out;
}

void BackgroundSaver::Run() {
  std::unique_lock<std::mutex> lock(mutex_);
  for (;;) {
    wake_.wait(lock, [this] { return stop_ || !queue_.empty(); });
    if (queue_.empty()) return;  // stopping, nothing left to write
    auto [path, bytes, tag] = std::move(queue_.front());
    queue_.pop_front();
    writing_ = true;
    std::optional<std::optional<std::string>> expected;
    if (auto guard = guards_.find(path); guard != guards_.end()) {
      expected = guard->second;
    }
    lock.unlock();
    SaveOutcome outcome;
    try {
      outcome = Write(path, bytes, expected);
    } catch (const std::exception& e) {
      outcome.status = Status::Error(std::string(e.what()) + ": " + path);
    }
    outcome.tag = tag;
    lock.lock();
    writing_ = false;
    if (outcome.ok()) {
      if (auto guard = guards_.find(path); guard != guards_.end()) {
        guard->second = std::move(bytes);
      }
    }
    results_.push_back(std::move(outcome));
    if (queue_.empty()) idle_.notify_all();
  }
}

SaveOutcome BackgroundSaver::Write(
    const std::string& path, const std::string& bytes,
    const std::optional<std::optional<std::string>>& expected) {
  if (expected) return WriteGuarded(path, bytes, *expected);
  SaveOutcome outcome;
  outcome.status = write_(path, bytes);
  return outcome;
}

namespace {

// The exchanges ended with `held` in place: when that is not `bytes`,
// another program's save went back in and this write did not.
void NoteOutsideSave(const std::string& bytes,
                     const std::optional<std::string>& expected,
                     std::optional<std::string> held, SaveOutcome* outcome) {
  if (held == std::optional(bytes)) return;
  outcome->changed_outside = true;
  outcome->expected = expected;
  outcome->found = std::move(held);
}

}  // namespace

SaveOutcome BackgroundSaver::WriteGuarded(
    const std::string& path, const std::string& bytes,
    const std::optional<std::string>& expected) {
  SaveOutcome outcome;
  if (exchange_ == nullptr) {
    outcome.status = Status::Error("Sin modo de escritura vigilada: " + path);
    return outcome;
  }
  FileExchange& fs = *exchange_;
  std::string temp;
  outcome.status = fs.WriteTemporary(path, bytes, &temp);
  if (!outcome.status.ok()) return outcome;
  // `held` is what the temporary file holds, `in_place` what `path` should
  // hold if nobody else wrote it. Each exchange puts `held` in place and
  // brings out what stood there. When that is `in_place`, nothing came
  // between and what came out is dropped: the bytes last read (our write
  // went in), or our own bytes (another program's save went back in).
  // Otherwise another program saved in between: its file came out, and the
  // next exchange puts it back. Each round needs another save to land within
  // microseconds; a file that keeps changing is left alone, its last save
  // kept under the temporary name.
  std::optional<std::string> held = bytes;
  std::optional<std::string> in_place = expected;
  constexpr int kMaxExchanges = 8;
  for (int round = 0; round < kMaxExchanges; ++round) {
    bool was_missing = false;
    outcome.status = fs.Exchange(temp, path, &was_missing);
    if (!outcome.status.ok()) {
      // Nothing moved: the temporary file holds our bytes, or another
      // program's save after a first exchange, which must not be lost.
      if (round == 0) fs.Remove(temp);
      return outcome;
    }
    if (was_missing) {
      // Nothing stood at `path` (another program may have removed it):
      // `held` went in and nothing came out.
      NoteOutsideSave(bytes, expected, std::move(held), &outcome);
      return outcome;
    }
    std::string out;
    outcome.status = fs.Read(temp, kMaxGuardedBytes, &out);
    if (!outcome.status.ok()) return outcome;  // what came out stays in `temp`
    if (out == in_place) {
      fs.Remove(temp);
      NoteOutsideSave(bytes, expected, std::move(held), &outcome);
      return outcome;
    }
    in_place = std::move(held);
    held = std::move(out);
  }
  outcome.status = Status::Error(
      "EL ARCHIVO CAMBIA SIN CESAR MIENTRAS SE GUARDA; SU ÚLTIMA VERSIÓN "
      "AJENA QUEDA EN " +
      temp + ": " + path);
  return outcome;
}

}  // namespace zarvek
