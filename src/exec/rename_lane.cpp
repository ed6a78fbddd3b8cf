#include "exec/rename_lane.h"

namespace tessivo {

RenameLane::RenameLane(FileSystem& fs, RenameLog& log)
    : fs_(fs), log_(log), thread_([this] { Run(); }) {}

RenameLane::~RenameLane() {
  ending_.store(true);
  // Wakes a sleeping thread; it sees `ending_` before any further job.
  queued_.fetch_add(1);
  queued_.notify_one();
  thread_.join();
}

RenameLane::Job& RenameLane::Next() {
  return jobs_[queued_.load(std::memory_order_relaxed) % kPlaces];
}

void RenameLane::Queue() {
  queued_.fetch_add(1);
  if (thread_sleeps_.load()) queued_.notify_one();
}

void RenameLane::Wait(std::uint32_t count) {
  const std::uint32_t target = taken_ + count;
  for (;;) {
    wake_at_.store(target);
    const std::uint32_t done = done_.load();
    if (done - taken_ >= count || stopped_.load()) break;
    done_.wait(done);
  }
  wake_at_.store(kNobody);
}

RenameLane::Job* RenameLane::Done() {
  if (done_.load(std::memory_order_acquire) == taken_) return nullptr;
  return &jobs_[taken_ % kPlaces];
}

void RenameLane::Run() {
  // The counters are read and written in one order seen alike by both
  // threads (sequentially consistent): a side that says it sleeps and then
  // finds nothing new is sure to be woken by the other.
  std::uint32_t next = 0;
  for (;;) {
    std::uint32_t queued = queued_.load();
    while (queued == next) {
      thread_sleeps_.store(true);
      queued = queued_.load();
      if (queued == next) queued_.wait(queued);
      thread_sleeps_.store(false);
      queued = queued_.load();
    }
    if (ending_.load()) return;
    Job& job = jobs_[next % kPlaces];
    bool failed = false;
    if (job.rename) {
      job.result = log_.BeginChange(job.line);
      if (job.result) {
        job.result = fs_.RenameNoReplace(job.source, job.target);
        if (!job.result) (void)log_.AbortChange();
      }
      failed = !job.result;
    }
    ++next;
    if (failed) stopped_.store(true);
    done_.store(next);
    const std::uint32_t wake_at = wake_at_.load();
    if (failed || (wake_at != kNobody && next - wake_at < kPlaces)) done_.notify_one();
    if (failed) return;
  }
}

}  // namespace tessivo
