// The floor of a preview over one folder: only the file look-ups that
// validating the rows needs, as bare statx calls on paths built in advance.
//
//   preview_floor FOLDER MODE REPETITIONS
//
// MODE "extension": per row, statx of the new name (extension made "txt")
// and of the old name. MODE "case": per row, statx of the old name only, as
// validation in the letter-case mode does not look the new name up. Names
// and paths are made untimed; one warm-up pass, then REPETITIONS passes,
// each printed as seconds on its own line.

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace {

bool Exists(const std::string& path) {
  struct statx stx;
  return ::statx(AT_FDCWD, path.c_str(), AT_SYMLINK_NOFOLLOW | AT_NO_AUTOMOUNT, STATX_TYPE, &stx) ==
         0;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 4) {
    std::fprintf(stderr, "usage: %s FOLDER extension|case REPETITIONS\n", argv[0]);
    return 2;
  }
  const std::string folder = std::string(argv[1]) + "/";
  const bool case_mode = std::strcmp(argv[2], "case") == 0;
  const int repetitions = std::atoi(argv[3]);

  std::vector<std::string> old_paths;
  std::vector<std::string> new_paths;
  DIR* dir = ::opendir(argv[1]);
  if (dir == nullptr) {
    std::fprintf(stderr, "cannot list %s\n", argv[1]);
    return 1;
  }
  while (const dirent* entry = ::readdir(dir)) {
    const std::string name = entry->d_name;
    if (name == "." || name == "..") continue;
    old_paths.push_back(folder + name);
    const std::size_t dot = name.rfind('.');
    new_paths.push_back(folder + name.substr(0, dot) + ".txt");
  }
  ::closedir(dir);

  for (int i = 0; i <= repetitions; ++i) {
    const auto start = std::chrono::steady_clock::now();
    std::size_t found_new = 0;
    std::size_t found_old = 0;
    for (std::size_t row = 0; row < old_paths.size(); ++row) {
      if (!case_mode && Exists(new_paths[row])) ++found_new;
      if (Exists(old_paths[row])) ++found_old;
    }
    const std::chrono::duration<double> took = std::chrono::steady_clock::now() - start;
    if (found_new != 0 || found_old != old_paths.size()) {
      std::fprintf(stderr, "unexpected look-ups: %zu new, %zu old found\n", found_new, found_old);
      return 1;
    }
    if (i > 0) std::printf("%.6f\n", took.count());
  }
  return 0;
}
