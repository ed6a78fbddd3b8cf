#pragma once
// ScopedTempDir: a fresh, empty folder on the real disk ($TMPDIR, else /tmp)
// that is removed with everything in it when the object goes away. If it
// cannot be made, the test fails (ADD_FAILURE) and path() is empty.

#include <string>

namespace tessivo {

class ScopedTempDir {
 public:
  ScopedTempDir();
  ~ScopedTempDir();
  ScopedTempDir(const ScopedTempDir&) = delete;
  ScopedTempDir& operator=(const ScopedTempDir&) = delete;

  // The folder, without a trailing "/".
  const std::u16string& path() const { return path_; }
  const std::string& native() const { return native_; }
  // path() + "/" + name.
  std::u16string Path(const std::u16string& name) const;
  std::string NativePath(const std::string& name) const;

 private:
  std::string native_;
  std::u16string path_;
};

}  // namespace tessivo
