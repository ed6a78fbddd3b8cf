// The floor of an execution over one folder: the bare renames, one
// renameat2(RENAME_NOREPLACE) per file on paths built in advance.
//
//   execute_floor FOLDER REPETITIONS
//
// Renames the files as execute_run does: "file_*" to "done_*", or back when
// no name starts with "file_"; each pass turns the names back. One warm-up
// pass, then REPETITIONS passes, each printed as seconds on its own line.

#include <dirent.h>
#include <fcntl.h>
#include <stdio.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

int main(int argc, char** argv) {
  if (argc != 3) {
    std::fprintf(stderr, "usage: %s FOLDER REPETITIONS\n", argv[0]);
    return 2;
  }
  const std::string folder = std::string(argv[1]) + "/";
  const int repetitions = std::atoi(argv[2]);

  std::vector<std::string> names;
  DIR* dir = ::opendir(argv[1]);
  if (dir == nullptr) {
    std::fprintf(stderr, "cannot list %s\n", argv[1]);
    return 1;
  }
  bool forward = false;
  while (const dirent* entry = ::readdir(dir)) {
    const std::string name = entry->d_name;
    if (name == "." || name == "..") continue;
    names.push_back(name.substr(5));
    forward = forward || name.compare(0, 5, "file_") == 0;
  }
  ::closedir(dir);
  std::vector<std::string> file_paths;
  std::vector<std::string> done_paths;
  for (const std::string& rest : names) {
    file_paths.push_back(folder + "file_" + rest);
    done_paths.push_back(folder + "done_" + rest);
  }

  for (int i = 0; i <= repetitions; ++i) {
    const std::vector<std::string>& from = forward ? file_paths : done_paths;
    const std::vector<std::string>& to = forward ? done_paths : file_paths;
    const auto start = std::chrono::steady_clock::now();
    for (std::size_t row = 0; row < from.size(); ++row) {
      if (::renameat2(AT_FDCWD, from[row].c_str(), AT_FDCWD, to[row].c_str(), RENAME_NOREPLACE) !=
          0) {
        std::perror(from[row].c_str());
        return 1;
      }
    }
    const std::chrono::duration<double> took = std::chrono::steady_clock::now() - start;
    forward = !forward;
    if (i > 0) std::printf("%.6f\n", took.count());
  }
  return 0;
}
