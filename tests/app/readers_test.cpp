// Nothing the program reads makes it wait: a FIFO named like a photo, a
// shortcut or a macro file is refused at once. Real FIFOs on the disk; each
// read runs in a child process killed after 10 s, so a read that waits
// fails the test instead of hanging it.

#include <sys/stat.h>

#include <gtest/gtest.h>

#include <functional>
#include <sstream>

#include "app/auto_run.h"
#include "core/headless_message_sink.h"
#include "core/shell_link.h"
#include "modes/capture_time.h"
#include "platform/posix_file_system.h"
#include "support/finishes_within.h"
#include "support/scoped_temp_dir.h"

namespace tessivo {
namespace {

TEST(ReadersTest, NeverWaitOnAFifo) {
  ScopedTempDir dir;
  for (const char* name : {"x.jpg", "x.mov", "x.lnk", "m.bin"}) {
    ASSERT_EQ(::mkfifo(dir.NativePath(name).c_str(), 0600), 0) << name;
  }
  PosixFileSystem fs;
  auto macro_run = [&] {
    std::ostringstream sink_text, out, err;
    HeadlessMessageSink sink(sink_text);
    FixedOffsetTimeZone zone(0);
    const ProgramLocation location{dir.Path(u""), true, dir.Path(u"tessivo.ini"), u""};
    Session session(fs, sink, zone, location);
    const CommandLine cl = ParseCommandLine(
        {u"tessivo", u"/autofile=" + dir.Path(u"m.bin"), dir.path()}, u"", CalendarTime{});
    session.Start(StartOverrides{cl.file_folder, cl.dropped_folder}, 0);
    AutoRunIo io{&out, &err, false, dir.path()};
    return RunUnattended(session, cl, 0, io);
  };
  std::u16string target;
  const struct {
    const char* what;
    std::function<int()> read;
    int expected;
  } cases[] = {
      {"capture date", [&] { return int(ReadCaptureTime(fs, dir.Path(u"x.jpg"), 0).has_value()); },
       0},
      {"movie date", [&] { return int(ReadCaptureTime(fs, dir.Path(u"x.mov"), 0).has_value()); },
       0},
      {"shortcut", [&] { return ResolveShortcut(fs, dir.Path(u"x.lnk"), target); }, 1},
      {"macro file", macro_run, kExitNotStarted},
  };
  for (const auto& c : cases) EXPECT_EQ(FinishesWithin(10, c.read), c.expected) << c.what;
}

}  // namespace
}  // namespace tessivo
