#pragma once
// The process's own locations, and the one place each file name in the data
// folder is written. The first call of dataDir() or logPath() reads the real
// environment, the working directory and the home directory once and settles
// both (the log builds on the data folder); they stay fixed for the life of
// the process. Start-up calls dataDir() before any other thread runs, so later
// changes to the environment or the working directory move nothing.

#include <filesystem>

const std::filesystem::path& dataDir();
const std::filesystem::path& logPath();

namespace Store {
std::filesystem::path lastPath();   // dataDir/last.json
std::filesystem::path statePath();  // dataDir/state.json
}  // namespace Store

namespace UpdateStore {
std::filesystem::path path();  // dataDir/update.json
}  // namespace UpdateStore

namespace History {
std::filesystem::path path();  // dataDir/history.jsonl
}  // namespace History

namespace AlertStore {
std::filesystem::path path();  // dataDir/alerts.json
}  // namespace AlertStore
