// The program itself, run as a script runs it, in a temporary folder with its own
// TESSIVO_HOME: its exit status, standard error and the files afterwards, one row per rule.

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "macro/macro_test_util.h"
#include "support/scoped_temp_dir.h"

namespace tessivo {
namespace {

namespace fs = std::filesystem;

std::string Binary() {
  const char* dir = std::getenv("TESSIVO_TEST_BINARY_DIR");
  if (dir != nullptr) return std::string(dir) + "/tessivo";
  // Run by hand from build/tests: the program is one folder up.
  return (fs::canonical("/proc/self/exe").parent_path().parent_path() / "tessivo").string();
}

std::string ReadAll(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

void Touch(const fs::path& path) {
  fs::create_directories(path.parent_path());
  std::ofstream(path).put('x');
}

struct Ran {
  int status = -1;
  std::string out, err;
};

// Runs the program in `root` with nothing of this process's environment, and
// one that keeps every file it writes under `root`. `display` set gives it a
// display that does not exist, so that a window program started by mistake
// fails the case.
Ran RunProgram(const fs::path& root, const std::vector<std::string>& args, bool display) {
  auto quoted = [](const std::string& text) {
    std::string q = "'";
    for (char c : text) q += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return q + "'";
  };
  std::string command = "cd " + quoted(root) + " && env -i" +
                        " TESSIVO_HOME=" + quoted(root / "home") +
                        " XDG_CONFIG_HOME=" + quoted(root / "config") +
                        " XDG_DATA_HOME=" + quoted(root / "data") +
                        " HOME=" + quoted(root / "nohome") + (display ? " DISPLAY=:4711 " : " ") +
                        quoted(Binary());
  for (const std::string& a : args) command += " " + quoted(a);
  command += " </dev/null >stdout 2>stderr";
  const int status = std::system(command.c_str());
  return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, ReadAll(root / "stdout"),
          ReadAll(root / "stderr")};
}

// The files under root/d, sorted, separated by blanks; then, when root/many
// exists, how many of its names begin with "pic".
std::string Files(const fs::path& root) {
  std::vector<std::string> names;
  for (const auto& entry : fs::recursive_directory_iterator(root / "d")) {
    if (entry.is_regular_file()) names.push_back(fs::relative(entry.path(), root / "d").string());
  }
  std::sort(names.begin(), names.end());
  std::string text;
  for (const std::string& name : names) text += (text.empty() ? "" : " ") + name;
  if (fs::exists(root / "many")) {
    int renamed = 0;
    for (const auto& entry : fs::directory_iterator(root / "many")) {
      renamed += entry.path().filename().string().starts_with("pic");
    }
    text += " many:" + std::to_string(renamed);
  }
  return text;
}

TEST(CliTest, TheCommandLineNeverSurprises) {
  const std::string serials_off = "[Base]\n_count=1\n_version=4231169\noption1=4145\n";
  const std::string long_file = std::string(200, 'a') + "/IMG_" + std::string(60, 'b') + ".JPG";
  std::vector<std::string> twenty_one(1, "s/IMG/pic/");
  twenty_one.insert(twenty_one.end(), 20, "d");
  twenty_one.push_back("/test");
  const std::string U = "IMG_1230.JPG IMG_1231.JPG notes.txt";  // untouched
  const std::string renamed = "notes.txt pic_1230.JPG pic_1231.JPG";
  const std::string S = " with a collision serial, ";
  const std::string png_macro = "TS150\n" + EncodeStepLine(Step(2, {0, 0, 0}, u"png"));

  // Standard error holds `err`, standard output `out`; Files() gives `files`
  // afterwards. `extra` are more files under root, `settings` home/tessivo.ini,
  // `many` the files IMG_n in root/many, `macro1` home/macro1.bin (slot 1);
  // `display`: a (bogus) display is set.
  const struct { const char* rule; std::vector<std::string> args; int status; std::string err, files;
      std::string out = {}; std::vector<std::string> extra = {}; std::string settings = {};
      int many = 0; std::string macro1 = {}; bool display = true; } cases[] = {
      {"--dry-run is /test: a header, the table and the summary", {"s/IMG/pic/", "--dry-run", "d"},
       0, "dry run, nothing changed: 2 renamed, 1 unchanged, 0" + S + "0 failed, 0 skipped", U,
       "path\tnew name\tstatus\n"},
      {"a GNU form that is none of ours", {"s/IMG/pic/", "--test=yes", "d"}, 2,
       "tessivo: --test=yes: no such option", U},
      {"-h is --help", {"-h"}, 0, "", U, "Usage: tessivo"},
      {"a switch beyond argument 20", twenty_one, 2,
       "tessivo: /test: a switch must be one of the first 20 arguments", U},
      {"a path that does not exist", {"s/IMG/pic/", "d", "nothere"}, 2,
       "tessivo: nothere: no such file or folder", U},
      {"a path too long to list is named; the others are renamed",
       {"s/IMG/pic/", "/subfolder1", "d"}, 1, "left out, its path is too long: ",
       long_file + " " + renamed, "", {"d/" + long_file}},
      {"an expression that does not compile", {"s/IMG(/pic/", "d"}, 2,
       "does not compile: missing closing parenthesis at offset 4", U},
      {"a replacement over its limit", {"s/IMG_/" + std::string(242, 'x') + "/", "d"}, 2,
       "search and replacement text are at most 241 characters each", U},
      {"the list-size setting (2000) does not cut a headless run short", {"s/IMG/pic/", "many"}, 0,
       "2001 renamed", U + " many:2001", "", {}, "", 2001},
      {"more than 50,000 files change nothing", {"s/IMG/pic/", "many"}, 2,
       "more than 50000 files: nothing was changed", U + " many:0", "", {}, "", 50001},
      {"the summary counts renamed, unchanged and serial rows", {"s/IMG/pic/", "d"}, 0,
       "tessivo: 1 renamed, 2 unchanged, 1" + S + "0 failed, 0 skipped by validation",
       "notes.txt pic_1230(1).JPG pic_1230.JPG pic_1231.JPG", "", {"d/pic_1230.JPG"}},
      {"a failed change says why", {"s/IMG/pic/", "d"}, 1, "/d/pic_1230.JPG: name taken",
       "IMG_1230.JPG notes.txt pic_1230.JPG pic_1231.JPG", "", {"d/pic_1230.JPG"}, serials_off},
      {"dry run: a taken target with serials off would fail", {"s/IMG/pic/", "-n", "d"}, 1,
       "1 renamed, 2 unchanged, 0" + S + "1 failed", U + " pic_1230.JPG", "", {"d/pic_1230.JPG"},
       serials_off},
      {"dry run: rows refused by validation", {"s/IMG/a:b/", "-n", "d"}, 1,
       "0 renamed, 1 unchanged, 0" + S + "0 failed, 2 skipped by validation", U},
      {"dry run: excluded rows are left alone", {"s/IMG/pic/", "/filter=IMG_1230*", "-n", "d"}, 0,
       "1 renamed, 0 unchanged, 0" + S + "0 failed, 0 skipped", U},
      {"/auto1 plays the macro of slot 1", {"/auto1", "d"}, 0, "",
       "IMG_1230.png IMG_1231.png notes.png", "", {}, "", 0, png_macro},
      // Only paths and window switches start the window; everything else
      // stays here, display or not.
      {"/test without a run stays here", {"/test", "d"}, 2, "no automatic run", U},
      {"--null without a run stays here", {"--null", "d"}, 2, "no automatic run", U},
      {"--csv stays here", {"--csv=nothere.csv"}, 2, "nothere.csv: cannot be read", U},
      {"--version stays here", {"--version", "d"}, 0, "", U, "tessivo "},
      {"--logs stays here", {"--logs", "/show"}, 0, "", U},
      {"--mode stays here", {"--mode=case", "--set", "bigsmall=1", "d"}, 0, "",
       "IMG_1230.JPG IMG_1231.JPG NOTES.TXT"},
      {"an unknown --mode stays here", {"--mode=nothing", "d"}, 2, "nothing", U},
      {"/undo1 stays here", {"/undo1"}, 2, "could not be loaded", U},
      {"a mistake in a window command line stays here", {"/show", "-q", "d"}, 2,
       "tessivo: -q: no such option", U},
      {"paths alone start the window, which needs a display", {"/show", "d"}, 2,
       "tessivo: the window needs a display", U, "", {}, "", 0, "", false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.rule);
    ScopedTempDir temp;
    const fs::path root = temp.native();
    std::vector<std::string> files = {"home/use.ini", "d/IMG_1230.JPG", "d/IMG_1231.JPG",
                                      "d/notes.txt"};
    files.insert(files.end(), c.extra.begin(), c.extra.end());
    for (const std::string& name : files) Touch(root / name);
    if (!c.settings.empty()) std::ofstream(root / "home/tessivo.ini") << c.settings;
    if (!c.macro1.empty()) std::ofstream(root / "home/macro1.bin") << c.macro1;
    if (c.many > 0) fs::create_directories(root / "many");
    for (int i = 0; i < c.many; ++i) {
      ASSERT_EQ(::close(::creat((root / "many" / ("IMG_" + std::to_string(i))).c_str(), 0600)), 0);
    }
    const Ran ran = RunProgram(root, c.args, c.display);
    EXPECT_EQ(ran.status, c.status) << ran.err;
    EXPECT_NE(ran.err.find(c.err), std::string::npos) << ran.err;
    EXPECT_NE(ran.out.find(c.out), std::string::npos) << ran.out;
    EXPECT_EQ(Files(root), c.files);
    // A run that could not start has not used up a log slot; no run writes
    // outside its own folders.
    if (c.status == 2) {
      EXPECT_FALSE(fs::exists(root / "home/rename1.log"));
    }
    EXPECT_FALSE(fs::exists(root / "config") || fs::exists(root / "nohome"));
  }
}

}  // namespace
}  // namespace tessivo
