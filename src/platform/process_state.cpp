#include "platform/process_state.h"

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

}  // namespace tessivo
