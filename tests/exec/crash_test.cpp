// The proof that execution loses no file, on the real disk: a child process runs an execution
// of a few thousand renames with the log on and is killed with SIGKILL at a moment drawn from
// a fixed list of seeds (so a failure can be run again). Whatever the moment, every file must
// exist exactly once with its content, and after the start-up repair an undo of the newest
// log must bring back every old name exactly.

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <map>
#include <random>
#include <set>
#include <string>
#include <thread>

#include "exec/execute.h"
#include "exec/rename_log.h"
#include "exec/undo.h"
#include "platform/file_name_bytes.h"
#include "platform/posix_file_system.h"
#include "platform/temp_name.h"
#include "support/scoped_temp_dir.h"
#include "support/scripted_sink.h"

namespace tessivo {
namespace {

using Names = std::pair<std::string, std::string>;  // old and new name of a file

std::string Number(int i) { return std::to_string(10000 + i).substr(1); }  // 4 digits

const struct Scenario {
  const char* name;
  int mode;
  bool serials;
  int files;
  Names (*names)(int i);
} kScenarios[] = {
    {"plain", 1, false, 2500,
     [](int i) { return Names("f" + Number(i) + ".dat", "g" + Number(i) + ".dat"); }},
    // Triples a -> b -> c -> a: the first two get serials the clean-up takes back.
    {"rotation", 1, true, 2400,
     [](int i) {
       const std::string letters = "abc", n = Number(i / 3);
       return Names(letters[i % 3] + n + ".dat", letters[(i + 1) % 3] + n + ".dat");
     }},
    {"case only", 4, false, 2500,
     [](int i) { return Names("f" + Number(i) + ".dat", "F" + Number(i) + ".DAT"); }},
    {"8.3 two steps", 6, false, 2000,
     [](int i) {
       return Names("long name " + Number(i) + ".text", "LONGNA" + Number(i) + ".TXT");
     }},
};

// name -> content of every file in `folder`.
std::map<std::string, std::string> Snapshot(const std::string& folder) {
  std::map<std::string, std::string> out;
  for (const auto& entry : std::filesystem::directory_iterator(folder)) {
    std::ifstream in(entry.path(), std::ios::binary);
    out[entry.path().filename()] = std::string(std::istreambuf_iterator<char>(in), {});
  }
  return out;
}

class CrashTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(std::filesystem::create_directory(temp_.NativePath("program")));
  }

  // Runs Execute() in a child killed `delay` after it starts (never, when negative); returns
  // how long the child ran, in seconds.
  double RunChild(const Scenario& s, std::chrono::microseconds delay) {
    const auto start = std::chrono::steady_clock::now();
    const pid_t child = ::fork();
    if (child == 0) ::_exit(Execute(s));
    EXPECT_GT(child, 0);
    if (child > 0 && delay.count() >= 0) {
      std::this_thread::sleep_for(delay);
      ::kill(child, SIGKILL);
    }
    int status = 0;
    ::waitpid(child, &status, 0);
    const bool killed = WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL;
    EXPECT_TRUE(killed || (WIFEXITED(status) && WEXITSTATUS(status) == 0)) << "status " << status;
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  }

  // The child: the rows as a preview leaves them, then ExecuteRun(1).
  int Execute(const Scenario& s) {
    FileList list;
    for (int i = 0; i < s.files; ++i) {
      const auto [old_name, new_name] = s.names(i);
      list.AddRow(Utf8ToUtf16(old_name), u"", folder_, Utf8ToUtf16(new_name), u"", u"", i,
                  s.serials ? FileStatus::kTargetExists : FileStatus::kChangeable);
    }
    RunState state{.names_current = true};
    RunHooks hooks;
    FixedOffsetTimeZone utc(0);
    ExecuteSummary summary;
    const ExecuteSetup setup{
        .options = {.after_run = kAfterRunKeep, .write_log = true, .add_serial = s.serials},
        .program_folder = program_, .zone = &utc, .summary = &summary};
    const int result =
        ExecuteRun(kRunExecute, RunContext{list, fs_, messenger_, state, hooks, s.mode, &setup});
    return result == 0 && summary.changed == s.files ? 0 : 4;
  }

  // Every file once, under its old or new name, a serial or (before the repair) a temporary.
  void CheckEveryFileOnce(const Scenario& s, bool repaired) {
    const auto files = Snapshot(Utf16ToUtf8(folder_));
    std::set<std::string> seen;
    for (const auto& [name, content] : files) {
      const int i = std::atoi(content.c_str());
      const auto [old_name, new_name] = s.names(i);
      std::set<std::string> allowed = {old_name, new_name};
      if (s.serials) allowed.insert(new_name.substr(0, 5) + "(1).dat");
      const bool intermediate = s.mode == 6 && !repaired &&
                                IsTempNameOf(Utf8ToUtf16(name), folder_ + Utf8ToUtf16(old_name),
                                             folder_ + Utf8ToUtf16(new_name));
      EXPECT_TRUE(allowed.count(name) || intermediate) << "file " << i << " found as " << name;
      EXPECT_TRUE(seen.insert(content).second) << "content of file " << i << " twice";
    }
    EXPECT_EQ(static_cast<int>(files.size()), s.files);
  }

  ScopedTempDir temp_;
  const std::u16string program_ = temp_.Path(u"program");
  std::u16string folder_;  // the folder of the scenario under way, ending in "/"
  PosixFileSystem fs_;
  ScriptedSink sink_;  // answers Yes
  Messenger messenger_{sink_};
};

// One kill per seed and scenario, at a moment the seed draws.
constexpr unsigned kSeeds[] = {1, 2, 3, 5, 8, 13, 21, 34};

TEST_F(CrashTest, KilledExecutionsAreUndoneExactly) {
  constexpr int kKills = static_cast<int>(std::size(kSeeds));

  for (const Scenario& s : kScenarios) {
    const std::string folder = temp_.NativePath(s.name);
    folder_ = Utf8ToUtf16(folder) + u"/";
    ASSERT_TRUE(std::filesystem::create_directory(folder));
    std::map<std::string, std::string> original;
    for (int i = 0; i < s.files; ++i) {
      const std::string name = s.names(i).first;
      original[name] = std::to_string(i) + " " + name + "\n";
      std::ofstream(folder + "/" + name) << original[name];
    }
    double duration = 0;
    int interrupted = 0;  // kills that left a log for the repair
    int run = 0;
    for (; run <= kKills; ++run) {
      // The first run is not killed and tells how long a run takes; the others are killed
      // anywhere in that time, or just after it.
      const unsigned seed = run == 0 ? 0 : kSeeds[run - 1];
      std::mt19937 random(seed);
      const auto delay =
          std::chrono::microseconds(run == 0 ? -1
                                             : std::uniform_int_distribution<long>(
                                                   0, static_cast<long>(duration * 1.1e6))(random));
      SCOPED_TRACE(testing::Message() << s.name << ", seed " << seed << ", kill after "
                                      << delay.count() << " us");
      for (int slot = 0; slot <= kOldestLogSlot; ++slot) {
        (void)fs_.RemoveFile(LogSlotPath(program_, slot));
      }

      const double ran = RunChild(s, delay);
      if (run == 0) duration = ran;
      CheckEveryFileOnce(s, /*repaired=*/false);
      auto repaired = RepairInterruptedLog(fs_, program_);
      ASSERT_TRUE(repaired);
      if (repaired->found) ++interrupted;
      CheckEveryFileOnce(s, /*repaired=*/true);
      if (fs_.Stat(LogSlotPath(program_, 1))) {
        FileList list;
        FixedOffsetTimeZone utc(0);
        UndoSession session;
        const UndoContext ctx{list, fs_, messenger_, utc, program_, 0, 1, {}};
        ASSERT_NE(session.EnterUndo(1, ctx).outcome, UndoEnterOutcome::kCannotOpen);
        const UndoRunResult undone = session.RunUndo(UndoAction::kPerform, ctx);
        EXPECT_TRUE(undone.failed == 0 && !undone.stopped) << undone.failed;
      }
      ASSERT_EQ(Snapshot(folder), original);
      if (HasFailure()) return;
    }
    // The kills are spread over the run: many must catch it under way, or nothing is proved.
    EXPECT_GE(interrupted, (run - 1) / 3) << s.name;
  }
}

}  // namespace
}  // namespace tessivo
