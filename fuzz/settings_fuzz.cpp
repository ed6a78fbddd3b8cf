// libFuzzer target: the settings reader, on both back-ends (the ini file and
// the registry file), over an in-memory file system.
//
// The input gives the back-end, the bytes of "tessivo.ini" and those of
// "registry.ini" (either may be missing); each file may also get the
// program's section header put in front, so the fuzzer starts inside the
// section the settings live in. Must hold:
// - no crash, no read outside a buffer, no undefined behaviour;
// - the file parser keeps every line byte for byte: a document written out
//   and parsed again writes out the same bytes;
// - loading, saving and loading again reaches a fixed point: after two
//   saves, a third save and load give the same option words, integer
//   records, texts and histories as the second. (One save is not always
//   enough: the stored form of a history follows each entry with "||", so an
//   entry ending in "|" comes back split, "a|" as "a" and "|".)

#include <fuzzer/FuzzedDataProvider.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "fuzz_check.h"
#include "config/settings.h"
#include "config/settings_backend.h"
#include "support/fake_file_system.h"

namespace tessivo {
namespace {

const std::u16string kIniPath = u"/prog/tessivo.ini";
const std::u16string kRegPath = u"/home/u/.config/tessivo/registry.ini";

void CheckDocumentKeepsBytes(const std::string& bytes) {
  const std::string once = IniDocument::Parse(bytes).Serialize();
  CHECK(IniDocument::Parse(once).Serialize() == once);
}

// What a run sees of the loaded settings.
struct Seen {
  std::vector<std::uint32_t> words;
  std::vector<std::int32_t> ints;
  std::vector<std::u16string> texts;
  std::vector<std::u16string> history_entries;
  friend bool operator==(const Seen&, const Seen&) = default;
};

Seen LoadAndSave(FakeFileSystem& fs, BackendKind backend) {
  Settings settings(fs, SettingsLocation{backend, kIniPath, kRegPath});
  settings.LoadStage0(false);
  settings.LoadStage1({});
  Seen seen;
  for (int i = 0; i < kOptionWordCount; ++i) {
    seen.words.push_back(settings.Word(static_cast<OptionWord>(i)));
  }
  for (int i = 0; i < kIntTableSize; ++i) seen.ints.push_back(settings.Int(static_cast<IntKey>(i)));
  for (int i = 0; i < kTextKeyCount; ++i) seen.texts.push_back(settings.Text(static_cast<TextKey>(i)));
  for (int h = 0; h < kHistoryCount; ++h) {
    const InputHistory& history = settings.History(static_cast<HistoryId>(h));
    for (int i = 0; i < InputHistory::kEntries; ++i) seen.history_entries.push_back(history.entry(i));
  }
  SaveInputs inputs;
  inputs.rename_mode = 10;
  inputs.window = {10, 20, 810, 620};
  inputs.column_widths = {200, 61, 171, 181, 99, 121};
  inputs.column_order = {0, 1, 3, 2, 4, 5};
  CHECK(settings.Save(SaveMode::kExit, inputs).has_value() || settings.no_save());
  return seen;
}

}  // namespace
}  // namespace tessivo

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace tessivo;
  FuzzedDataProvider input(data, size);
  const std::uint8_t control = input.ConsumeIntegral<std::uint8_t>();
  const BackendKind backend = (control & 1) != 0 ? BackendKind::kRegistry : BackendKind::kIni;
  std::string ini = input.ConsumeRandomLengthString(16384);
  std::string registry = input.ConsumeRemainingBytesAsString();
  if ((control & 2) != 0) ini = "[Base]\r\n" + ini;
  if ((control & 4) != 0) registry = "[Software\\Quellin Tools\\Tessivo]\r\n" + registry;

  CheckDocumentKeepsBytes(ini);
  CheckDocumentKeepsBytes(registry);

  FakeFileSystem fs;
  fs.AddFolder(u"/prog");
  fs.AddFolder(u"/home/u/.config/tessivo");
  if ((control & 8) == 0) fs.AddFile(kIniPath, ini);
  if ((control & 16) == 0) fs.AddFile(kRegPath, registry);

  LoadAndSave(fs, backend);
  LoadAndSave(fs, backend);
  const Seen after_two_saves = LoadAndSave(fs, backend);
  CHECK(after_two_saves == LoadAndSave(fs, backend));
  return 0;
}
