#pragma once
// RenameLane: the renames of a pass made on a second thread, in order.
//
// A pass over a large list spends about as long on each row (its paths, its
// log line, the checks, the row's new state) as the system spends on the
// rename itself. The lane lets the two overlap: the pass queues a prepared
// job and goes on with the next row while the lane's thread writes the job's
// line into the log and makes its rename, one job after the other in the
// order queued; the pass takes the jobs back in the same order and finishes
// their rows. Jobs that change nothing (a row that is no change) only hold
// their place in that order.
//
// The thread stops at the first rename that fails and runs nothing after
// it. The pass takes up that row itself (the fresh look-up, a serial, the
// question) and goes on from the next row, queueing anew what was queued
// after it; so the disk sees the same calls in the same order as without
// the lane. While jobs are queued, only the thread touches the log and the
// file system: the pass takes every job back (Drain) before it uses either
// itself.

#include <array>
#include <atomic>
#include <cstdint>
#include <string>
#include <thread>

#include "base/result.h"
#include "core/file_item.h"
#include "exec/rename_log.h"
#include "platform/file_system.h"

namespace tessivo {

class RenameLane {
 public:
  struct Job {
    int row = 0;
    FileStatus status = FileStatus::kUnchecked;
    bool rename = false;     // false: a row that is no change, only kept in order
    bool keep_mark = false;  // of a row that is no change: it keeps its status
    std::u16string source;
    std::u16string target;
    std::string line;  // the log line written ahead of the rename; unused without a log
    Status result;     // the rename's, once the job is done
  };

  RenameLane(FileSystem& fs, RenameLog& log);
  // Ends the thread. Jobs not yet run are dropped; a job being run is
  // finished first.
  ~RenameLane();
  RenameLane(const RenameLane&) = delete;
  RenameLane& operator=(const RenameLane&) = delete;

  // The job to fill and Queue next; only when not full(). Jobs queued after
  // the thread stopped are never run.
  Job& Next();
  void Queue();
  bool full() const { return pending() >= kPlaces; }
  bool empty() const { return pending() == 0; }
  // Jobs queued and not taken back.
  std::uint32_t pending() const { return queued_.load(std::memory_order_relaxed) - taken_; }

  // Waits until `count` of the pending jobs are done, or the thread stopped.
  // Waiting for many at once lets both threads run on in long stretches
  // rather than waking each other at every job.
  void Wait(std::uint32_t count);
  // The oldest pending job if it is done, else nullptr. TakeBack frees it.
  Job* Done();
  void TakeBack() { ++taken_; }

  static constexpr std::uint32_t kPlaces = 256;

 private:
  static constexpr std::uint32_t kNobody = 0xFFFFFFFF;

  void Run();

  FileSystem& fs_;
  RenameLog& log_;
  std::array<Job, kPlaces> jobs_;
  // Each side sleeps on the other's counter, and says so, so that the other
  // calls the system to wake it only then.
  std::atomic<std::uint32_t> queued_{0};         // jobs queued (written by the pass)
  std::atomic<std::uint32_t> done_{0};           // jobs run (written by the thread)
  std::atomic<std::uint32_t> wake_at_{kNobody};  // the pass sleeps until done_ reaches it
  std::atomic<bool> thread_sleeps_{false};
  std::atomic<bool> stopped_{false};  // the thread met a failed rename
  std::atomic<bool> ending_{false};
  std::uint32_t taken_ = 0;  // jobs taken back (the pass's own)
  std::thread thread_;
};

}  // namespace tessivo
