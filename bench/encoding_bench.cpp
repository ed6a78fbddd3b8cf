// Throughput of the code page 932 conversions over a few MB of rename-log-like
// text: Japanese file names with ASCII digits, extensions and separators, and
// now and then a character the code page lacks. Figures are MB/s of code page
// text (the size the file would have).

#include <benchmark/benchmark.h>

#include <cstdint>
#include <random>
#include <string>
#include <vector>

#include "config/encoding.h"

namespace {

std::vector<std::u16string> MakeLines(std::size_t total_units) {
  const std::u16string words[] = {u"写真",   u"旅行",  u"東京タワー", u"会議資料", u"ﾃﾞｰﾀ",
                                  u"report", u"final", u"IMG",        u"～コピー", u"①"};
  const std::u16string rare[] = {u"\u00E9", u"\U0001F600", u"\u301C"};
  std::mt19937 random(42);
  std::vector<std::u16string> lines;
  std::size_t units = 0;
  while (units < total_units) {
    std::u16string line = u"/home/user/写真/";
    for (int w = 0; w < 3; ++w) {
      line += words[random() % std::size(words)];
      line += u'_';
      line += static_cast<char16_t>(u'0' + random() % 10);
      line += static_cast<char16_t>(u'0' + random() % 10);
    }
    if (random() % 8 == 0) line += rare[random() % std::size(rare)];
    line += u".jpg\t/home/user/写真/新しい名前.jpg";
    units += line.size() + 2;
    lines.push_back(std::move(line));
  }
  return lines;
}

std::u16string Join(const std::vector<std::u16string>& lines) {
  std::u16string text;
  for (const auto& line : lines) {
    text += line;
    text += u"\r\n";
  }
  return text;
}

const std::u16string& Text() {
  static const std::u16string text = Join(MakeLines(2 << 20));  // 2 Mi units, ~3.5 MB
  return text;
}

void BM_ToCodePage(benchmark::State& state) {
  const std::u16string& text = Text();
  const std::size_t bytes = tessivo::ToCodePage(text).size();
  for (auto _ : state) {
    std::string out = tessivo::ToCodePage(text);
    benchmark::DoNotOptimize(out.data());
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * bytes));
}
BENCHMARK(BM_ToCodePage)->Unit(benchmark::kMillisecond);

void BM_FromCodePage(benchmark::State& state) {
  const std::string bytes = tessivo::ToCodePage(Text());
  for (auto _ : state) {
    std::u16string out = tessivo::FromCodePage(bytes);
    benchmark::DoNotOptimize(out.data());
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * bytes.size()));
}
BENCHMARK(BM_FromCodePage)->Unit(benchmark::kMillisecond);

// A rename log written and read line by line with escapes.
void BM_EscapeLines(benchmark::State& state) {
  static const std::vector<std::u16string> lines = MakeLines(1 << 20);
  std::size_t bytes = 0;
  std::string out;
  for (auto _ : state) {
    bytes = 0;
    for (const auto& line : lines) {
      tessivo::EscapeNonAnsi(line, out, 4680);
      bytes += out.size();
    }
    benchmark::DoNotOptimize(out.data());
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * bytes));
}
BENCHMARK(BM_EscapeLines)->Unit(benchmark::kMillisecond);

void BM_UnescapeLines(benchmark::State& state) {
  std::vector<std::string> lines;
  std::size_t bytes = 0;
  for (const auto& line : MakeLines(1 << 20)) {
    lines.emplace_back();
    tessivo::EscapeNonAnsi(line, lines.back(), 4680);
    bytes += lines.back().size();
  }
  std::u16string out;
  for (auto _ : state) {
    for (const auto& line : lines) tessivo::UnescapeText(out, line, 4680);
    benchmark::DoNotOptimize(out.data());
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * bytes));
}
BENCHMARK(BM_UnescapeLines)->Unit(benchmark::kMillisecond);

}  // namespace
