#include "photos/photo_run.h"

#include <chrono>
#include <condition_variable>
#include <exception>
#include <map>
#include <mutex>
#include <thread>
#include <utility>
#include <vector>

#include "pdf/password.h"

namespace zarvek {
namespace {

constexpr char kCancelled[] = "CANCELADO";

// Prepares the photos on `workers` threads, each taking the next photo not
// yet started, never more than `ahead` beyond the one the pages wait for;
// hands them out in order.
class PhotoPipeline {
 public:
  PhotoPipeline(const std::vector<PhotoJob>& jobs,
                const std::function<PhotoCell(const PhotoJob&)>& prepare,
                int workers, const std::atomic<bool>& cancel)
      : jobs_(jobs),
        prepare_(prepare),
        cancel_(cancel),
        ahead_(static_cast<std::size_t>(workers) * 3) {
    for (int i = 0; i < workers && i < static_cast<int>(jobs.size()); ++i) {
      threads_.emplace_back([this] { Work(); });
    }
  }
  ~PhotoPipeline() {
    {
      std::lock_guard<std::mutex> lock(mutex_);
      stop_ = true;
    }
    changed_.notify_all();
    for (std::thread& t : threads_) t.join();
  }
  PhotoPipeline(const PhotoPipeline&) = delete;
  PhotoPipeline& operator=(const PhotoPipeline&) = delete;

  // Photo `index`, the next in order; false once the run is cancelled.
  bool Take(std::size_t index, PhotoCell* out) {
    std::unique_lock<std::mutex> lock(mutex_);
    while (ready_.count(index) == 0) {
      if (cancel_) return false;
      changed_.wait_for(lock, std::chrono::milliseconds(50));
    }
    *out = std::move(ready_[index]);
    ready_.erase(index);
    taken_ = index + 1;
    changed_.notify_all();
    return true;
  }

 private:
  void Work() {
    std::unique_lock<std::mutex> lock(mutex_);
    for (;;) {
      changed_.wait(lock, [this] {
        return stop_ || next_ >= jobs_.size() || next_ < taken_ + ahead_;
      });
      if (stop_ || next_ >= jobs_.size() || cancel_) return;
      const std::size_t index = next_++;
      lock.unlock();
      PhotoCell cell;
      try {
        cell = prepare_(jobs_[index]);
      } catch (const std::exception& e) {
        cell.failure = e.what();
      }
      lock.lock();
      ready_.emplace(index, std::move(cell));
      changed_.notify_all();
    }
  }

  const std::vector<PhotoJob>& jobs_;
  const std::function<PhotoCell(const PhotoJob&)>& prepare_;
  const std::atomic<bool>& cancel_;
  const std::size_t ahead_;
  std::mutex mutex_;
  std::condition_variable changed_;
  std::map<std::size_t, PhotoCell> ready_;
  std::size_t next_ = 0;
  std::size_t taken_ = 0;
  bool stop_ = false;
  std::vector<std::thread> threads_;  // last: they use the rest
};

}  // namespace

namespace {

// The run itself; RunPhotoReport turns what it throws into an outcome.
void DrawAndSave(const PhotoReportInput& input, const std::string& path,
                 const PhotoRunServices& services, PhotoRunControl& control,
                 PhotoRunOutcome* outcome) {
  const PhotoReportPlan plan = PlanPhotoReport(input);
  outcome->photos = static_cast<int>(plan.photos.size());
  control.total = outcome->photos;
  control.done = 0;
  std::unique_ptr<PdfDocument> document = services.documents.Create();
  document->SetInfo({"REPORTAJE FOTOGRÁFICO",
                     "FOTOGRAFÍAS DE CADA PUNTO POR FASE DE CONSTRUCCIÓN",
                     services.author});
  PhotoPipeline pipeline(plan.photos, services.prepare,
                         std::max(1, services.workers), control.cancel);
  std::size_t page = 0;
  const Status saved = document->SaveProtectedAsDrawn(
      path, GenerateOwnerPassword(services.random), [&](bool* done) -> Status {
        if (control.cancel) return Status::Error(kCancelled);
        const PlannedPage& p = plan.pages[page];
        std::vector<PhotoCell> cells(p.photo_count);
        for (std::size_t i = 0; i < p.photo_count; ++i) {
          if (!pipeline.Take(p.first_photo + i, &cells[i])) {
            return Status::Error(kCancelled);
          }
          if (!cells[i].readable || !cells[i].damage.empty()) {
            ++outcome->unreadable;
          }
        }
        DrawPhotoReportPage(document->canvas(), input, plan, page,
                            std::move(cells));
        document->canvas().showPage();
        control.done += static_cast<int>(p.photo_count);
        *done = ++page == plan.pages.size();
        return Status::OK();
      });
  if (saved.ok()) {
    outcome->result = PhotoRunOutcome::Result::kSaved;
  } else if (control.cancel) {
    outcome->result = PhotoRunOutcome::Result::kCancelled;
  } else {
    outcome->message = PdfSaveFailedText(saved);
  }
}

}  // namespace

PhotoRunOutcome RunPhotoReport(const PhotoReportInput& input,
                               const std::string& path,
                               const PhotoRunServices& services,
                               PhotoRunControl& control) {
  PhotoRunOutcome outcome;
  // An exhausted system random source or memory throws; the run then fails
  // with that text as any other failure does, and the earlier file stays.
  try {
    DrawAndSave(input, path, services, control, &outcome);
  } catch (const std::exception& e) {
    outcome.result = PhotoRunOutcome::Result::kFailed;
    outcome.message = e.what();
  } catch (...) {
    outcome.result = PhotoRunOutcome::Result::kFailed;
    outcome.message = kUnknownPdfError;
  }
  return outcome;
}

}  // namespace zarvek
