// The floor of a whole unattended rename run: one process that lists the
// folder and renames every name beginning with FROM to TO + the rest, with
// renameat2(RENAME_NOREPLACE), and nothing else (no look-ups, no log).
//
//   e2e_floor FOLDER FROM TO

#include <dirent.h>
#include <fcntl.h>
#include <stdio.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

int main(int argc, char** argv) {
  if (argc != 4) {
    std::fprintf(stderr, "usage: %s FOLDER FROM TO\n", argv[0]);
    return 2;
  }
  const std::string from = argv[2];
  const std::string to = argv[3];
  DIR* dir = ::opendir(argv[1]);
  if (dir == nullptr) return 1;
  std::vector<std::string> names;
  while (const dirent* entry = ::readdir(dir)) {
    if (std::strncmp(entry->d_name, from.c_str(), from.size()) == 0) names.emplace_back(entry->d_name);
  }
  const int fd = ::dirfd(dir);
  int failed = 0;
  for (const std::string& name : names) {
    const std::string target = to + name.substr(from.size());
    if (::renameat2(fd, name.c_str(), fd, target.c_str(), RENAME_NOREPLACE) != 0) ++failed;
  }
  ::closedir(dir);
  return failed == 0 ? 0 : 1;
}
