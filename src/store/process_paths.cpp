#include "store/process_paths.hpp"

#include "store/paths.hpp"

namespace {

namespace fs = std::filesystem;

struct ProcessPaths {
  fs::path dataDir;
  fs::path logPath;
};

// Both locations come from one reading of the environment, so they can never
// disagree about QUOTALUME_DATA_DIR.
const ProcessPaths& processPaths() {
  static const ProcessPaths paths = [] {
    const Store::EnvLookup env = Store::processEnvironment();
    std::error_code ec;
    fs::path cwd = fs::current_path(ec);
    if (ec) cwd = "/";
    const fs::path home = Store::homeDirectory(env);
    fs::path data = Store::dataDirFor(env, home, cwd);
    fs::path log = Store::logPathFor(env, home, cwd);
    return ProcessPaths{std::move(data), std::move(log)};
  }();
  return paths;
}

}  // namespace

const fs::path& dataDir() {
  return processPaths().dataDir;
}
const fs::path& logPath() {
  return processPaths().logPath;
}

namespace Store {

fs::path lastPath() {
  return dataDir() / "last.json";
}
fs::path statePath() {
  return dataDir() / "state.json";
}

}  // namespace Store

namespace History {

fs::path path() {
  return dataDir() / "history.jsonl";
}

}  // namespace History

namespace UpdateStore {

fs::path path() {
  return dataDir() / "update.json";
}

}  // namespace UpdateStore

namespace AlertStore {

fs::path path() {
  return dataDir() / "alerts.json";
}

}  // namespace AlertStore
