// Serial numbering and adding characters over generated rows, as one preview
// computes them: every row once, no file look-ups (sizes come from a fixed
// callback). Target: under 50 ms for 50,000 rows each.

#include <benchmark/benchmark.h>

#include <cstdint>
#include <string>
#include <vector>

#include "modes/add_delete.h"
#include "modes/serial.h"

namespace tessivo {
namespace {

// `count` paths spread over 100 folders: "/photos/f037/IMG_00123.jpg".
std::vector<std::u16string> MakeRows(std::int64_t count) {
  std::vector<std::u16string> rows;
  rows.reserve(static_cast<std::size_t>(count));
  for (std::int64_t i = 0; i < count; ++i) {
    const std::string folder = std::to_string(1000 + i % 100).substr(1);
    const std::string name = std::to_string(100000 + i).substr(1);
    const std::string path = "/photos/f" + folder + "/IMG_" + name + ".jpg";
    rows.emplace_back(path.begin(), path.end());
  }
  return rows;
}

const FileSizeFn kFixedSize = [](const std::u16string&) -> std::uint64_t { return 123456; };

void RunSerial(benchmark::State& state, const SerialParams& params) {
  const std::vector<std::u16string> rows = MakeRows(state.range(0));
  for (auto _ : state) {
    SerialRunState run;
    for (std::size_t i = 0; i < rows.size(); ++i) {
      benchmark::DoNotOptimize(ApplySerial(rows[i], params, i, run, kFixedSize));
    }
  }
  state.SetItemsProcessed(state.iterations() * state.range(0));
}

void BM_SerialMarked(benchmark::State& state) {
  RunSerial(state, {u"2014_<001>", kSerialAsNameWithExtension, false});
}
void BM_SerialPerFolderWithTokens(benchmark::State& state) {
  RunSerial(state, {u"\\f_<a>_\\s", kSerialAfterBase, true});
}

void RunAdd(benchmark::State& state, const AddParams& params) {
  const std::vector<std::u16string> rows = MakeRows(state.range(0));
  for (auto _ : state) {
    for (const std::u16string& row : rows) {
      benchmark::DoNotOptimize(ApplyAdd(row, params, kFixedSize));
    }
  }
  state.SetItemsProcessed(state.iterations() * state.range(0));
}

void BM_AddPlain(benchmark::State& state) { RunAdd(state, {0, 4, u"_2014", false}); }
void BM_AddWithTokens(benchmark::State& state) { RunAdd(state, {1, 0, u"_\\f_\\e_\\\\s", false}); }

BENCHMARK(BM_SerialMarked)->Arg(1000)->Arg(50000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SerialPerFolderWithTokens)->Arg(50000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_AddPlain)->Arg(1000)->Arg(50000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_AddWithTokens)->Arg(50000)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace tessivo
