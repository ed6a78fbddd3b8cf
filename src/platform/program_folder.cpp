#include "platform/program_folder.h"

#include <pwd.h>
#include <unistd.h>

#include <cstdlib>
#include <vector>

#include "platform/file_name_bytes.h"

namespace tessivo {
namespace {

constexpr unsigned kFolderMode = 0700;

std::u16string Variable(const char* name) {
  const char* value = std::getenv(name);
  return value ? Utf8ToUtf16(value) : std::u16string();
}

// A usable value: set, not empty and absolute.
bool Usable(const std::u16string& value) { return !value.empty() && value[0] == u'/'; }

std::u16string WithSlash(std::u16string path) {
  if (path.empty() || path.back() != u'/') path.push_back(u'/');
  return path;
}

std::u16string WithoutSlash(std::u16string path) {
  while (path.size() > 1 && path.back() == u'/') path.pop_back();
  return path;
}

std::u16string XdgHome(const std::u16string& variable, const ProgramEnvironment& env,
                       std::u16string_view fallback) {
  if (Usable(variable)) return WithoutSlash(variable);
  if (!Usable(env.home)) return {};
  return WithSlash(WithoutSlash(env.home)) + std::u16string(fallback);
}

bool IsFile(FileSystem& fs, const std::u16string& path) {
  auto info = fs.Stat(path);
  return info && !info->is_directory;
}

}  // namespace

ProgramEnvironment ProgramEnvironment::FromProcess() {
  ProgramEnvironment env;
  env.tessivo_home = Variable("TESSIVO_HOME");
  env.xdg_data_home = Variable("XDG_DATA_HOME");
  env.xdg_config_home = Variable("XDG_CONFIG_HOME");
  env.home = Variable("HOME");
  if (!Usable(env.home)) {
    std::vector<char> buffer(16384);
    struct passwd pw;
    struct passwd* found = nullptr;
    if (::getpwuid_r(::getuid(), &pw, buffer.data(), buffer.size(), &found) == 0 && found &&
        found->pw_dir) {
      env.home = Utf8ToUtf16(found->pw_dir);
    }
  }
  std::string exe(4096, '\0');
  ssize_t n = ::readlink("/proc/self/exe", exe.data(), exe.size());
  if (n > 0 && static_cast<std::size_t>(n) < exe.size()) {
    exe.resize(static_cast<std::size_t>(n));
    env.executable = Utf8ToUtf16(exe);
  }
  return env;
}

std::u16string DataHome(const ProgramEnvironment& env) {
  return XdgHome(env.xdg_data_home, env, u".local/share");
}

std::u16string ConfigHome(const ProgramEnvironment& env) {
  return XdgHome(env.xdg_config_home, env, u".config");
}

Result<ProgramLocation> LocateProgram(const ProgramEnvironment& env, FileSystem& fs) {
  ProgramLocation loc;
  bool make = true;
  // A relative TESSIVO_HOME would put the logs wherever the program happens
  // to start: refused rather than passed over for another folder.
  if (!env.tessivo_home.empty() && !Usable(env.tessivo_home)) {
    return MakeError(ErrorCode::kInvalidArgument,
                     u"TESSIVO_HOME must be an absolute path: " + env.tessivo_home);
  }
  if (Usable(env.tessivo_home)) {
    loc.folder = WithSlash(WithoutSlash(env.tessivo_home));
  } else if (Usable(env.executable) &&
             IsFile(fs, ProgramFilePath(env.executable.substr(0, env.executable.rfind(u'/') + 1),
                                        kUseIniName))) {
    loc.folder = env.executable.substr(0, env.executable.rfind(u'/') + 1);
    make = false;
  } else {
    std::u16string data = DataHome(env);
    if (data.empty()) {
      return MakeError(ErrorCode::kNotFound, u"no program folder: HOME and XDG_DATA_HOME unset");
    }
    loc.folder = WithSlash(data) + u"tessivo/";
  }
  if (make) {
    Status made = fs.CreateFolders(WithoutSlash(loc.folder), kFolderMode);
    if (!made) return made.error();
  }

  loc.ini_path = ProgramFilePath(loc.folder, kIniFileName);
  loc.use_ini = IsFile(fs, ProgramFilePath(loc.folder, kUseIniName));
  std::u16string config = ConfigHome(env);
  if (!config.empty()) {
    std::u16string registry_folder = WithSlash(config) + u"tessivo";
    loc.registry_path = ProgramFilePath(registry_folder, kRegistryFileName);
    if (!loc.use_ini) (void)fs.CreateFolders(registry_folder, kFolderMode);
  }
  return loc;
}

std::u16string ProgramFilePath(std::u16string_view folder, std::u16string_view pattern,
                               int number) {
  std::u16string path(folder);
  if (path.empty() || path.back() != u'/') path.push_back(u'/');
  std::size_t mark = pattern.find(u"%d");
  if (mark == std::u16string_view::npos) {
    path.append(pattern);
    return path;
  }
  path.append(pattern.substr(0, mark));
  path += Utf8ToUtf16(std::to_string(number));
  path.append(pattern.substr(mark + 2));
  return path;
}

}  // namespace tessivo
