#include "platform/process_state.h"

#include <malloc.h>
#include <sys/mman.h>
#include <time.h>
#include <unistd.h>

#include <cstdint>
#include <vector>

#include "platform/file_name_bytes.h"

namespace tessivo {

FileTime CurrentFileTime() {
  struct timespec ts;
  ::clock_gettime(CLOCK_REALTIME, &ts);
  return FileTimeFromUnix(ts.tv_sec, static_cast<std::uint32_t>(ts.tv_nsec));
}

std::u16string WorkingFolder() {
  std::vector<char> buffer(4096);
  if (::getcwd(buffer.data(), buffer.size()) == nullptr) return u"/";
  return Utf8ToUtf16(buffer.data());
}

void PrepareHeapForLargeLists() {
  constexpr std::size_t kGrowthStep = std::size_t{64} << 20;
  constexpr std::uintptr_t kHugePage = std::uintptr_t{2} << 20;
  // Blocks up to 256 MiB (the row vectors of a large list) come from the
  // heap too, rather than each from a mapping of its own, and the heap is
  // not handed back to the system while the process runs.
  ::mallopt(M_TOP_PAD, static_cast<int>(kGrowthStep));
  ::mallopt(M_MMAP_THRESHOLD, 256 << 20);
  ::mallopt(M_TRIM_THRESHOLD, 512 << 20);
  // One block grows the heap by a whole step; the part of it from the next
  // huge-page boundary to the heap's end is offered for huge pages.
  void* probe = ::malloc(std::size_t{1} << 20);
  if (probe == nullptr) return;
  const std::uintptr_t begin =
      (reinterpret_cast<std::uintptr_t>(probe) + kHugePage - 1) & ~(kHugePage - 1);
  const std::uintptr_t end = reinterpret_cast<std::uintptr_t>(::sbrk(0));
  if (end > begin + kHugePage) {
    (void)::madvise(reinterpret_cast<void*>(begin), end - begin, MADV_HUGEPAGE);
  }
  ::free(probe);
}

}  // namespace tessivo
