// Store::save runs on every accepted reading; the atomic write under it
// (create, write, fsync, rename, folder fsync) is what it costs.
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <string>

#include <benchmark/benchmark.h>

#include "store/reading_store.hpp"

namespace {

namespace fs = std::filesystem;

Saved typicalPair() {
  constexpr double ms = 1791951000000.0;
  const Reading ok{
      "ok",       {},
      "Max 5x",   ms - 90000,
      ms - 89000, {{"session", 42.3, ms + 7.8e6}, {"weekly", 18, ms + 2.664e8}, {"opus", 75.5, ms + 4.32e8}}};
  return Saved{ok, ok};
}

// On a real disk (beside the build, as the data folder is) the fsyncs dominate;
// in memory what is left is the writer's own work. The folder holds `others`
// unrelated files besides last.json.
struct Folder {
  fs::path path;
  Folder(long others, bool inMemory) {
    path = (inMemory ? fs::path("/dev/shm") : fs::current_path()) /
           ("bench-store-" + std::to_string(::getpid()));
    fs::create_directories(path);
    for (long i = 0; i < others; ++i) std::ofstream(path / ("other-" + std::to_string(i))) << "x";
  }
  ~Folder() {
    std::error_code ec;
    fs::remove_all(path, ec);
  }
};

void BM_SaveReading(benchmark::State& state) {
  const Folder folder(state.range(0), state.range(1) != 0);
  const Saved saved = typicalPair();
  const fs::path file = folder.path / "last.json";
  for (auto _ : state) Store::save(saved, file);
}
BENCHMARK(BM_SaveReading)->ArgsProduct({{4, 200}, {0, 1}})->ArgNames({"others", "memory"})->UseRealTime();

}  // namespace
