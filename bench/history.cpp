// The usage history's costs: the append each burst pays, the load and chart
// build (and first paint) when the window opens on 40 days of a reading a
// minute, the file's size once trimmed, and `--history --since 7d`.
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <memory>

#include <benchmark/benchmark.h>

#include "checks/sample_history.hpp"
#include "commands/history_output.hpp"
#include "display/usage_cycles.hpp"
#include "store/history_store.hpp"

#ifdef QUOTALUME_BENCH_PAINT
#include "offscreen_app.hpp"

#include "windows/history_window.hpp"
#endif

namespace {

namespace fs = std::filesystem;

constexpr EpochSeconds now = 1791951000;
constexpr double days = 40;  // 57,600 readings a minute apart

struct Folder {
  fs::path path = fs::current_path() / ("bench-history-" + std::to_string(::getpid()));
  Folder() { fs::create_directories(path); }
  ~Folder() {
    std::error_code ec;
    fs::remove_all(path, ec);
  }
};

// Every reading as its own line, as if none had been left out: the worst case.
const fs::path& fullFile() {
  static const Folder folder;
  static const fs::path file = [] {
    const fs::path path = folder.path / "history.jsonl";
    std::ofstream out(path, std::ios::binary);
    for (const auto& entry : sampleHistory(now, days, 60, false)) out << *History::encodeLine(entry);
    return path;
  }();
  return file;
}

// What the recorder's writer thread spends on each burst that changes the
// numbers: one locked append, and now and then a trim.
void BM_AppendPerBurst(benchmark::State& state) {
  const Folder folder;
  HistoryEntry entry{0, {{"session", 0, (now + 3600) * 1000}, {"weekly", 10, (now + 86400) * 1000}}};
  double t = now - 30 * 86400;
  for (auto _ : state) {
    entry.at = (t += 60) * 1000;
    entry.windows[0].pct = std::fmod(entry.windows[0].pct + 1, 100);
    History::append(folder.path / "history.jsonl", *History::encodeLine(entry), t);
  }
}
BENCHMARK(BM_AppendPerBurst)->UseRealTime();

void BM_LoadAndBuildCharts(benchmark::State& state) {
  const fs::path& file = fullFile();
  for (auto _ : state) {
    const auto entries = History::load(file, now);
    benchmark::DoNotOptimize(usageCharts(entries));
    state.counters["lines"] = double(entries.size());
  }
  state.counters["bytes"] = double(fs::file_size(file));
}
BENCHMARK(BM_LoadAndBuildCharts)->Unit(benchmark::kMillisecond);

void BM_HistorySince7d(benchmark::State& state) {
  const fs::path& file = fullFile();
  for (auto _ : state) {
    benchmark::DoNotOptimize(
        historyOutput(HistoryFormat::csv, History::load(file, now, (now - 7 * 86400) * 1000)));
  }
}
BENCHMARK(BM_HistorySince7d)->Unit(benchmark::kMillisecond);

// Forty days with the recorder's rules (changes and heartbeats) and with
// every reading kept, each trimmed by the append that passes the limit.
void BM_TrimmedSize(benchmark::State& state) {
  const bool everyReading = state.range(0) != 0;
  std::string text;
  for (const auto& entry : sampleHistory(now, days, 60, !everyReading)) text += *History::encodeLine(entry);
  const Folder folder;
  const fs::path file = folder.path / "history.jsonl";
  const std::string last = *History::encodeLine({now * 1000, {{"session", 1, {}}}});
  for (auto _ : state) {
    state.PauseTiming();
    std::ofstream(file, std::ios::binary | std::ios::trunc) << text;
    state.ResumeTiming();
    History::append(file, last, now);
  }
  state.counters["before_bytes"] = double(text.size());
  state.counters["after_bytes"] = double(fs::file_size(file));
  state.counters["after_lines"] = double(History::load(file, now).size());
}
BENCHMARK(BM_TrimmedSize)->Arg(0)->Arg(1)->ArgName("every_reading")->Unit(benchmark::kMillisecond);

#ifdef QUOTALUME_BENCH_PAINT
// What opening the window costs up to its first frame: load, charts, layout
// and one paint, off screen at twice the size.
void BM_OpenWindowFirstPaint(benchmark::State& state) {
  offscreenApp();
  const fs::path& file = fullFile();
  for (auto _ : state) {
    benchmark::DoNotOptimize(renderHistory(History::load(file, now), now, Appearance::light, 560, 2));
  }
}
BENCHMARK(BM_OpenWindowFirstPaint)->Unit(benchmark::kMillisecond);
#endif

}  // namespace
