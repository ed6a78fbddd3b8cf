// Timings of the file list at its largest size (50,000 rows): adding rows,
// the duplicate check of a batch against the rows present, and both ways of
// deleting the selected rows.

#include <benchmark/benchmark.h>

#include <cstdio>
#include <string>
#include <vector>

#include "core/file_list.h"
#include "platform/name_rules.h"
#include "platform/posix_file_system.h"

namespace tessivo {
namespace {

std::u16string Ascii(const char* s) {
  std::u16string out;
  for (; *s != '\0'; ++s) out.push_back(static_cast<char16_t>(*s));
  return out;
}

struct RowText {
  std::u16string name, folder;
};

// Realistic names: 50 folders of photos, "IMG_00042.JPG" style.
std::vector<RowText> MakeRows(int count, const char* prefix) {
  std::vector<RowText> rows;
  rows.reserve(static_cast<std::size_t>(count));
  char buffer[128];
  for (int i = 0; i < count; ++i) {
    std::snprintf(buffer, sizeof buffer, "%s_%05d.JPG", prefix, i);
    RowText row{Ascii(buffer), {}};
    std::snprintf(buffer, sizeof buffer, "/home/user/Pictures/2021-%02d/Trip %d/", i % 12 + 1,
                  i % 50);
    row.folder = Ascii(buffer);
    rows.push_back(std::move(row));
  }
  return rows;
}

FileList MakeList(const std::vector<RowText>& rows) {
  FileList list;
  list.Reserve(static_cast<int>(rows.size()));
  for (const RowText& row : rows) {
    list.AddRow(row.name, u".JPG", row.folder, u"", u"    1,234,567", u"2021/07/01 12:00:00",
                list.Count());
  }
  return list;
}

void BM_AddRow(benchmark::State& state) {
  const std::vector<RowText> rows = MakeRows(static_cast<int>(state.range(0)), "IMG");
  for (auto _ : state) {
    FileList list;
    for (const RowText& row : rows) {
      list.AddRow(row.name, u".JPG", row.folder, u"", u"    1,234,567", u"2021/07/01 12:00:00",
                  list.Count());
    }
    benchmark::DoNotOptimize(list.Count());
  }
  state.SetItemsProcessed(state.iterations() * state.range(0));
}
BENCHMARK(BM_AddRow)->Arg(1000)->Arg(50000)->Unit(benchmark::kMillisecond);

// Builds the index of the listed rows and looks up as many candidates:
// arg 1 = 0 new paths (none listed), 1 the listed paths again. The folders
// do not exist, so they are taken as folders that keep letter case.
void BM_DuplicateCheck(benchmark::State& state) {
  const int count = static_cast<int>(state.range(0));
  const std::vector<RowText> listed = MakeRows(count, "IMG");
  const FileList list = MakeList(listed);
  std::vector<std::u16string> candidates;
  for (const RowText& row : MakeRows(count, state.range(1) == 0 ? "DSC" : "IMG")) {
    candidates.push_back(row.folder + row.name);
  }
  PosixFileSystem fs;
  for (auto _ : state) {
    NameRulesCache rules(fs);
    Result<PathIndex> index = list.BuildPathIndex(rules);
    int found = 0;
    for (const std::u16string& path : candidates) found += index->Find(path) >= 0 ? 1 : 0;
    benchmark::DoNotOptimize(found);
    if (found != (state.range(1) == 0 ? 0 : count)) state.SkipWithError("wrong duplicate count");
  }
  state.SetItemsProcessed(state.iterations() * count);
}
BENCHMARK(BM_DuplicateCheck)->Args({50000, 0})->Args({50000, 1})->Unit(benchmark::kMillisecond);

// Deletes `selected` rows spread evenly over 50,000 with the given strategy
// (0 compact, 1 one by one). The list copy is not timed.
void BM_DeleteSelected(benchmark::State& state) {
  const int count = 50000;
  const int selected = static_cast<int>(state.range(0));
  const auto strategy = state.range(1) == 0 ? FileList::DeleteStrategy::kCompact
                                            : FileList::DeleteStrategy::kOneByOne;
  FileList base = MakeList(MakeRows(count, "IMG"));
  for (int i = 0; i < selected; ++i) base.SetSelected(i * (count / selected), true);
  for (auto _ : state) {
    state.PauseTiming();
    FileList list = base;
    state.ResumeTiming();
    benchmark::DoNotOptimize(list.DeleteSelected(strategy));
    state.PauseTiming();
    list = FileList();
    state.ResumeTiming();
  }
}
BENCHMARK(BM_DeleteSelected)
    ->ArgNames({"selected", "one_by_one"})
    ->Args({499, 0})
    ->Args({499, 1})
    ->Args({500, 0})
    ->Args({25000, 0})
    ->Args({25000, 1})
    ->Unit(benchmark::kMillisecond);

void BM_MoveSelected(benchmark::State& state) {
  FileList list = MakeList(MakeRows(50000, "IMG"));
  for (int i = 1; i < list.Count(); i += 3) list.SetSelected(i, true);
  int direction = FileList::kMoveUp;
  for (auto _ : state) {
    list.MoveSelected(direction);
    direction = 1 - direction;
  }
}
BENCHMARK(BM_MoveSelected)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace tessivo
