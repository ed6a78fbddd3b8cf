#include "support/scoped_temp_dir.h"

#include <ftw.h>
#include <stdio.h>
#include <stdlib.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <cerrno>
#include <cstring>
#include <vector>

#include "platform/file_name_bytes.h"

namespace tessivo {
namespace {

int RemoveOne(const char* path, const struct stat* /*sb*/, int /*type*/, struct FTW* /*ftw*/) {
  if (::remove(path) != 0) {
    ADD_FAILURE() << "ScopedTempDir: cannot remove " << path << ": " << std::strerror(errno);
  }
  return 0;  // keep going
}

}  // namespace

ScopedTempDir::ScopedTempDir() {
  const char* tmp = ::getenv("TMPDIR");
  std::string folder = (tmp && tmp[0] == '/') ? tmp : "/tmp";
  if (folder.size() > 1 && folder.back() == '/') folder.pop_back();
  std::string pattern = folder + "/tessivo-test-XXXXXX";
  std::vector<char> buffer(pattern.begin(), pattern.end());
  buffer.push_back('\0');
  if (::mkdtemp(buffer.data()) == nullptr) {
    ADD_FAILURE() << "ScopedTempDir: mkdtemp in " << folder << ": " << std::strerror(errno);
    return;
  }
  native_ = buffer.data();
  path_ = Utf8ToUtf16(native_);
}

ScopedTempDir::~ScopedTempDir() {
  if (native_.empty()) return;
  ::nftw(native_.c_str(), RemoveOne, 16, FTW_DEPTH | FTW_PHYS);
}

std::u16string ScopedTempDir::Path(const std::u16string& name) const {
  return path_ + u"/" + name;
}

std::string ScopedTempDir::NativePath(const std::string& name) const {
  return native_ + "/" + name;
}

}  // namespace tessivo
