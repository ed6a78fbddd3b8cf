// tessivo: the command-line entry point. For now it answers --version and
// --help; the unattended runs and the window come with later work.

#include <cstdio>
#include <cstring>

namespace {

constexpr char kHelp[] =
    "Usage: tessivo [--help] [--version]\n"
    "\n"
    "Tessivo renames many files and folders at once.\n"
    "\n"
    "  --help      show this help and exit\n"
    "  --version   show the version and exit\n";

}  // namespace

int main(int argc, char** argv) {
  for (int i = 1; i < argc; ++i) {
    if (std::strcmp(argv[i], "--version") == 0) {
      std::printf("tessivo %s\n", TESSIVO_VERSION);
      return 0;
    }
    if (std::strcmp(argv[i], "--help") == 0) {
      std::fputs(kHelp, stdout);
      return 0;
    }
  }
  std::fputs(kHelp, stderr);
  return 2;
}
