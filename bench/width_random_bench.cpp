// The width conversion and random names over generated rows, as one preview
// computes them: every row once. Target: under 50 ms for 50,000 rows each.

#include <benchmark/benchmark.h>

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "modes/random_name.h"
#include "modes/width.h"

namespace tessivo {
namespace {

// `count` paths spread over 100 folders, with names that mix every class the
// width mode converts: "/photos/f037/ｶﾞｿﾞｳ IMG_00123 (ﾒﾓ).jpg".
std::vector<std::u16string> MakeRows(std::int64_t count) {
  std::vector<std::u16string> rows;
  rows.reserve(static_cast<std::size_t>(count));
  for (std::int64_t i = 0; i < count; ++i) {
    const std::string folder = std::to_string(1000 + i % 100).substr(1);
    const std::string number = std::to_string(100000 + i).substr(1);
    const std::string ascii = "/photos/f" + folder + "/";
    const std::string tail = " IMG_" + number;
    std::u16string row(ascii.begin(), ascii.end());
    row += u"ｶﾞｿﾞｳ";
    row.append(tail.begin(), tail.end());
    row += u" (ﾒﾓ).jpg";
    rows.push_back(std::move(row));
  }
  return rows;
}

void RunWidth(benchmark::State& state, const WidthParams& params) {
  const std::vector<std::u16string> rows = MakeRows(state.range(0));
  for (auto _ : state) {
    for (const std::u16string& row : rows) benchmark::DoNotOptimize(ApplyWidth(row, params));
  }
  state.SetItemsProcessed(state.iterations() * state.range(0));
}

void BM_WidthToFull(benchmark::State& state) {
  RunWidth(state, {kToFullWidth, true, true, true, true, false});
}
void BM_WidthToHalf(benchmark::State& state) {
  // The full-width rows of the other direction, converted back.
  std::vector<std::u16string> rows = MakeRows(state.range(0));
  const WidthParams to_full{kToFullWidth, true, true, true, true, false};
  for (std::u16string& row : rows) row = ApplyWidth(row, to_full);
  const WidthParams to_half{kToHalfWidth, true, true, true, true, false};
  for (auto _ : state) {
    for (const std::u16string& row : rows) benchmark::DoNotOptimize(ApplyWidth(row, to_half));
  }
  state.SetItemsProcessed(state.iterations() * state.range(0));
}

void RunRandom(benchmark::State& state, const RandomNameParams& params) {
  const std::vector<std::u16string> rows = MakeRows(state.range(0));
  RandomGenerator random(20140401);
  for (auto _ : state) {
    for (const std::u16string& row : rows) {
      benchmark::DoNotOptimize(ApplyRandomName(row, params, random));
    }
  }
  state.SetItemsProcessed(state.iterations() * state.range(0));
}

void BM_RandomLettersAndDigits(benchmark::State& state) {
  RunRandom(state, {kRandomLettersAndDigits, kRandomExtKeep, 3});
}
void BM_RandomFullWidthLongest(benchmark::State& state) {
  RunRandom(state, {kRandomFullWidth, kRandomExtRandom, 5});
}

BENCHMARK(BM_WidthToFull)->Arg(1000)->Arg(50000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_WidthToHalf)->Arg(50000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_RandomLettersAndDigits)->Arg(1000)->Arg(50000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_RandomFullWidthLongest)->Arg(50000)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace tessivo
