// libFuzzer target: the shortcut (.lnk) reader, on the bytes of a shortcut
// file of an in-memory file system.
//
// Must hold:
// - no crash, no read outside the bytes, no undefined behaviour;
// - the paths read hold no backslash;
// - ResolveShortcut fails exactly when ParseShellLink does; a target it
//   gives is a full path of at most 259 characters, folded: no empty, "."
//   or ".." part, no "/" at the end (but "/" itself), so folding it again
//   changes nothing.

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>
#include <string_view>

#include "fuzz_check.h"
#include "core/shell_link.h"
#include "support/fake_file_system.h"

namespace tessivo {
namespace {

void CheckFolded(std::u16string_view path) {
  CHECK(!path.empty() && path.front() == u'/' && path.size() <= 259);
  if (path == u"/") return;
  CHECK(path.back() != u'/');
  CHECK(path.find(u"//") == std::u16string_view::npos);
  CHECK(path.find(u"/./") == std::u16string_view::npos && !path.ends_with(u"/."));
  CHECK(path.find(u"/../") == std::u16string_view::npos && !path.ends_with(u"/.."));
  CHECK(JoinAndFold(u"", path) == path);
}

}  // namespace
}  // namespace tessivo

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace tessivo;
  const std::string bytes(reinterpret_cast<const char*>(data), size);
  const Result<ShellLinkPaths> paths = ParseShellLink(bytes);
  if (paths) {
    CHECK(paths->local_path.find(u'\\') == std::u16string::npos);
    CHECK(paths->relative_path.find(u'\\') == std::u16string::npos);
  }

  FakeFileSystem fs;
  fs.AddFile(u"/s/d/x.lnk", bytes);
  std::u16string target = u"stale";
  const int result = ResolveShortcut(fs, u"/s/d/x.lnk", target);
  CHECK(result == (paths ? 0 : 1));
  if (!target.empty()) CheckFolded(target);
  return 0;
}
