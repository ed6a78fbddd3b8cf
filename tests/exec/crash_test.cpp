// The reliability proof of execution on the real disk: a child process runs
// an execution of a few thousand renames with the log on and is killed with
// SIGKILL at a random moment. Whatever the moment, every file must exist
// exactly once with its content, and after the start-up repair an undo of
// the newest log must bring back every old name exactly.

#include <dirent.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <fstream>
#include <functional>
#include <map>
#include <random>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "core/headless_message_sink.h"
#include "exec/execute.h"
#include "exec/rename_log.h"
#include "exec/undo.h"
#include "platform/file_name_bytes.h"
#include "platform/posix_file_system.h"
#include "platform/temp_name.h"
#include "support/scoped_temp_dir.h"

namespace tessivo {
namespace {

struct Scenario {
  const char* name;
  int mode;
  bool serials;
  int files;
  // Old and new name of file `i`.
  std::function<std::pair<std::string, std::string>(int i)> names;
};

std::string Number(int i) {
  char text[16];
  std::snprintf(text, sizeof text, "%04d", i);
  return text;
}

const Scenario kScenarios[] = {
    {"plain", 1, false, 2500, [](int i) { return std::make_pair("f" + Number(i) + ".dat", "g" + Number(i) + ".dat"); }},
    // Triples a -> b -> c -> a: each of the first two gets a serial that the
    // clean-up at the end takes back.
    {"rotation", 1, true, 2400,
     [](int i) {
       const char letters[] = "abc";
       const std::string n = Number(i / 3);
       return std::make_pair(letters[i % 3] + n + ".dat", letters[(i + 1) % 3] + n + ".dat");
     }},
    {"case only", 4, false, 2500, [](int i) { return std::make_pair("f" + Number(i) + ".dat", "F" + Number(i) + ".DAT"); }},
    {"8.3 two steps", 6, false, 2000,
     [](int i) { return std::make_pair("long name " + Number(i) + ".text", "LONGNA" + Number(i) + ".TXT"); }},
};

std::string ReadAll(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

// name -> content of every entry of `folder` (empty contents unless
// `contents`).
std::map<std::string, std::string> Snapshot(const std::string& folder, bool contents = true) {
  std::map<std::string, std::string> out;
  DIR* dir = ::opendir(folder.c_str());
  if (dir == nullptr) return out;
  while (const dirent* entry = ::readdir(dir)) {
    const std::string name = entry->d_name;
    if (name != "." && name != "..") out[name] = contents ? ReadAll(folder + "/" + name) : "";
  }
  ::closedir(dir);
  return out;
}

class CrashTest : public ::testing::Test {
 protected:
  void SetUp() override {
    program_ = temp_.Path(u"program");
    ASSERT_EQ(::mkdir(temp_.NativePath("program").c_str(), 0700), 0);
  }

  // Runs the execution in a child, killed `delay` after it starts (never,
  // when negative). Returns how long the child ran.
  double RunChild(const Scenario& s, std::chrono::microseconds delay) {
    int ready[2];
    if (::pipe(ready) != 0) return 0;
    const pid_t child = ::fork();
    if (child == 0) {
      ::close(ready[0]);
      ::_exit(Execute(s, ready[1]));
    }
    ::close(ready[1]);
    char byte;
    const bool started = ::read(ready[0], &byte, 1) == 1;
    ::close(ready[0]);
    const auto start = std::chrono::steady_clock::now();
    if (started && delay.count() >= 0) {
      std::this_thread::sleep_for(delay);
      ::kill(child, SIGKILL);
    }
    int status = 0;
    ::waitpid(child, &status, 0);
    const bool killed = WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL;
    EXPECT_TRUE(started && (killed || (WIFEXITED(status) && WEXITSTATUS(status) == 0)))
        << "child status " << status;
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  }

  // The child: the rows as a preview leaves them, then ExecuteRun(1).
  int Execute(const Scenario& s, int ready_fd) {
    PosixFileSystem fs;
    std::ofstream quiet("/dev/null");
    HeadlessMessageSink sink(quiet);
    Messenger messenger(sink);
    FileList list;
    const std::u16string folder = Utf8ToUtf16(files_) + u"/";
    for (int i = 0; i < s.files; ++i) {
      const auto [old_name, new_name] = s.names(i);
      list.AddRow(Utf8ToUtf16(old_name), u"", folder, Utf8ToUtf16(new_name), u"", u"", i,
                  s.serials ? FileStatus::kTargetExists : FileStatus::kChangeable);
    }
    RunState state;
    state.names_current = true;
    RunHooks hooks;
    FixedOffsetTimeZone utc(0);
    ExecuteSetup setup;
    setup.options.write_log = true;
    setup.options.add_serial = s.serials;
    setup.options.after_run = kAfterRunKeep;
    setup.program_folder = program_;
    setup.zone = &utc;
    ExecuteSummary summary;
    setup.summary = &summary;
    if (::write(ready_fd, "r", 1) != 1) return 3;
    const int result = ExecuteRun(kRunExecute, RunContext{list, fs, messenger, state, hooks,
                                                          s.mode, &setup});
    return result == 0 && summary.changed == s.files ? 0 : 4;
  }

  // Every file once, under its old or new name, a serial name or (before
  // the repair) an intermediate name.
  void CheckEveryFileOnce(const Scenario& s) {
    const auto files = Snapshot(files_);
    std::set<std::string> seen;
    for (const auto& [name, content] : files) {
      const int i = std::atoi(content.c_str());
      const auto [old_name, new_name] = s.names(i);
      std::set<std::string> allowed = {old_name, new_name};
      if (s.serials) allowed.insert(new_name.substr(0, 5) + "(1).dat");
      if (s.mode == 6) {
        const std::u16string folder = Utf8ToUtf16(files_) + u"/";
        for (int attempt = 0; attempt < kTempNameAttempts; ++attempt) {
          allowed.insert(Utf16ToUtf8(TempNameFor(folder + Utf8ToUtf16(old_name),
                                                 folder + Utf8ToUtf16(new_name), attempt))
                             .substr(folder.size()));
        }
      }
      EXPECT_TRUE(allowed.count(name)) << "file " << i << " found as " << name;
      EXPECT_TRUE(seen.insert(content).second) << "content of file " << i << " twice";
    }
    EXPECT_EQ(static_cast<int>(files.size()), s.files);
  }

  // After the repair no file is left under an intermediate name.
  void CheckNoIntermediateNames(const Scenario& s) {
    const auto files = Snapshot(files_, /*contents=*/false);
    for (const auto& entry : files) {
      EXPECT_FALSE(entry.first.starts_with(Utf16ToUtf8(kTempNamePrefix))) << entry.first;
    }
    EXPECT_EQ(static_cast<int>(files.size()), s.files);
  }

  void Undo() {
    PosixFileSystem fs;
    std::ofstream quiet("/dev/null");
    HeadlessMessageSink sink(quiet);
    Messenger messenger(sink);
    FileList list;
    FixedOffsetTimeZone utc(0);
    UndoSession session;
    const UndoContext ctx{list, fs, messenger, utc, program_, 0, 1, {}};
    ASSERT_NE(session.EnterUndo(1, ctx).outcome, UndoEnterOutcome::kCannotOpen);
    const UndoRunResult undone = session.RunUndo(1, ctx);
    EXPECT_EQ(undone.failed, 0);
    EXPECT_FALSE(undone.stopped);
  }

  ScopedTempDir temp_;
  std::string files_;  // the folder of the scenario under way
  std::u16string program_;
};

TEST_F(CrashTest, KilledExecutionsAreUndoneExactly) {
  const unsigned seed = std::random_device{}();
  SCOPED_TRACE(testing::Message() << "seed " << seed);
  std::mt19937 random(seed);
  // Between kMinKills and kMaxKills kill points per scenario, as many as fit
  // in its share of the time (a loaded machine gets fewer, not a longer test).
  constexpr int kMinKills = 3;
  constexpr int kMaxKills = 12;
  constexpr std::chrono::seconds kBudgetPerScenario(4);
  PosixFileSystem fs;

  for (const Scenario& s : kScenarios) {
    files_ = temp_.NativePath(s.name);
    ASSERT_EQ(::mkdir(files_.c_str(), 0700), 0);
    std::map<std::string, std::string> original;
    for (int i = 0; i < s.files; ++i) {
      const std::string name = s.names(i).first;
      std::ofstream(files_ + "/" + name) << i << " " << name << "\n";
      original[name] = std::to_string(i) + " " + name + "\n";
    }
    const auto started = std::chrono::steady_clock::now();
    double duration = 0;
    int kills = 0;
    int interrupted = 0;  // kills that left a log for the repair
    for (int run = 0; run <= kMaxKills; ++run) {
      if (run > kMinKills && std::chrono::steady_clock::now() - started > kBudgetPerScenario) break;
      // The first run is not killed and tells how long a whole run takes;
      // the others are killed anywhere in that time, or just after it.
      const auto delay = std::chrono::microseconds(
          run == 0 ? -1
                   : std::uniform_int_distribution<long>(0, static_cast<long>(duration * 1.1e6))(
                         random));
      SCOPED_TRACE(testing::Message() << s.name << ", kill after " << delay.count() << " us");
      for (int slot = 0; slot <= kOldestLogSlot; ++slot) (void)fs.RemoveFile(LogSlotPath(program_, slot));

      const double ran = RunChild(s, delay);
      if (run == 0) duration = ran;
      kills += run == 0 ? 0 : 1;
      CheckEveryFileOnce(s);

      auto repaired = RepairInterruptedLog(fs, program_);
      ASSERT_TRUE(repaired);
      if (repaired->found) ++interrupted;
      CheckNoIntermediateNames(s);
      if (fs.Stat(LogSlotPath(program_, 1))) Undo();
      ASSERT_EQ(Snapshot(files_), original);
      if (HasFailure()) return;
    }
    // The kills are spread over the run: most of them must have caught it
    // under way, or the test proves nothing.
    EXPECT_GE(interrupted, kills / 3) << s.name;
  }
}

}  // namespace
}  // namespace tessivo
