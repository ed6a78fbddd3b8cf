// Timings of the replace mode over a whole list of 50,000 rows: a regular
// expression with groups, a named group and a token (one compiled command per
// pair for the run), and a plain replacement of two pairs, one ignoring case.
// The size token is answered without a file look-up.

#include <benchmark/benchmark.h>

#include <cstdio>
#include <string>
#include <vector>

#include "modes/replace.h"

namespace tessivo {
namespace {

std::u16string Ascii(const char* s) {
  std::u16string out;
  for (; *s != '\0'; ++s) out.push_back(static_cast<char16_t>(*s));
  return out;
}

// "/home/user/Pictures/2021-07/Trip 7/IMG_20210701_00042 copy.JPG" style.
std::vector<std::u16string> MakePaths(int count) {
  std::vector<std::u16string> paths;
  paths.reserve(static_cast<std::size_t>(count));
  char buffer[160];
  for (int i = 0; i < count; ++i) {
    std::snprintf(buffer, sizeof buffer,
                  "/home/user/Pictures/2021-%02d/Trip %d/IMG_2021%02d%02d_%05d%s.JPG", i % 12 + 1,
                  i % 50, i % 12 + 1, i % 28 + 1, i, i % 3 == 0 ? " copy" : "");
    paths.push_back(Ascii(buffer));
  }
  return paths;
}

void RunList(benchmark::State& state, const ReplaceParams& params) {
  const std::vector<std::u16string> paths = MakePaths(static_cast<int>(state.range(0)));
  const FileSizeFn size_of = [](const std::u16string& path) -> std::uint64_t {
    return path.size() * 1000;
  };
  for (auto _ : state) {
    RegexCache cache;  // one per run, as the run keeps it
    std::size_t total = 0;
    for (const std::u16string& path : paths) {
      total += ApplyReplace(path, params, cache, size_of).size();
    }
    benchmark::DoNotOptimize(total);
  }
  state.SetItemsProcessed(state.iterations() * state.range(0));
}

void BM_ReplaceRegex(benchmark::State& state) {
  ReplaceParams params;
  params.search = SplitReplaceTexts(u"^IMG_(?<y>\\d{4})(\\d\\d)(\\d\\d)_(\\d+)/ copy$");
  params.replacement = SplitReplaceTexts(u"${y}-$2-\\3 \\f #$4/");
  params.which = kReplaceAll;
  params.use_regex = true;
  params.match_case = false;
  RunList(state, params);
}

void BM_ReplacePlain(benchmark::State& state) {
  ReplaceParams params;
  params.search = SplitReplaceTexts(u"img_/ COPY");
  params.replacement = SplitReplaceTexts(u"Photo-/");
  params.which = kReplaceAll;
  params.use_regex = false;
  params.match_case = false;
  params.with_extension = true;
  RunList(state, params);
}

BENCHMARK(BM_ReplaceRegex)->Arg(50000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ReplacePlain)->Arg(50000)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace tessivo
