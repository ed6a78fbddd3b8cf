#include "support/scoped_temp_dir.h"

#include <stdlib.h>

#include <gtest/gtest.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <system_error>

#include "platform/file_name_bytes.h"

namespace tessivo {

ScopedTempDir::ScopedTempDir() {
  const char* tmp = ::getenv("TMPDIR");
  std::string folder = (tmp && tmp[0] == '/') ? tmp : "/tmp";
  if (folder.size() > 1 && folder.back() == '/') folder.pop_back();
  std::string pattern = folder + "/tessivo-test-XXXXXX";
  if (::mkdtemp(pattern.data()) == nullptr) {
    ADD_FAILURE() << "ScopedTempDir: mkdtemp in " << folder << ": " << std::strerror(errno);
    return;
  }
  native_ = pattern;
  path_ = Utf8ToUtf16(native_);
}

ScopedTempDir::~ScopedTempDir() {
  std::error_code error;  // links inside are removed, never followed
  if (!native_.empty()) std::filesystem::remove_all(native_, error);
  if (error) ADD_FAILURE() << "ScopedTempDir: cannot remove " << native_ << ": " << error.message();
}

std::u16string ScopedTempDir::Path(const std::u16string& name) const { return path_ + u"/" + name; }

std::string ScopedTempDir::NativePath(const std::string& name) const {
  return native_ + "/" + name;
}

}  // namespace tessivo
