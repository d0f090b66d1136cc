#include "ui/background_tk.h"

#include <exception>
#include <utility>

namespace zarvek {
namespace {

// Often enough that a result shows without a visible delay, rarely enough
// that polling costs nothing measurable.
constexpr int kPollMs = 20;

}  // namespace

Background::Background(Ui& ui, const std::string& name)
    : ui_(ui), command_(ui.Bind(name, [this] { Poll(); })) {}

Background::~Background() {
  try {
    ui_.tk().Call({"after", "cancel", command_});
  } catch (const std::exception&) {
    // The interpreter is going too.
  }
}

void Background::Run(WorkQueue::Job job, WorkQueue::Failed failed) {
  if (!failed) {
    failed = [this](const std::string& what) { ui_.ErrorBox(what); };
  }
  queue_.Post(std::move(job), std::move(failed));
  if (!poll_pending_) {
    poll_pending_ = true;
    ui_.tk().Call({"after", kPollMs, command_});
  }
}

void Background::Finish() {
  queue_.Wait();
  for (auto& done : queue_.TakeFinished()) done();
}

void Background::Poll() {
  poll_pending_ = false;
  for (auto& done : queue_.TakeFinished()) done();
  // What ran may have posted work, and with it the next poll.
  if (!poll_pending_ && queue_.Busy()) {
    poll_pending_ = true;
    ui_.tk().Call({"after", kPollMs, command_});
  }
}

}  // namespace zarvek
