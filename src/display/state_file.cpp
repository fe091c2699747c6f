#include "display/state_file.hpp"

#include <chrono>
#include <optional>
#include <utility>

#include "store/atomic_file.hpp"
#include "store/process_paths.hpp"
#include "store/time_stamp.hpp"

namespace Store {

bool stateEnabledFor(const Store::EnvLookup& env) {
  const std::optional<std::string> debug = env("QUOTALUME_DEBUG_STATE");
  if (debug && *debug == "1") return true;
  // Whoever points the app at a data directory is testing it and wants to
  // see what it shows.
  const std::optional<std::string> dir = env("QUOTALUME_DATA_DIR");
  return dir && !dir->empty();
}

bool stateEnabled() {
  static const bool enabled = stateEnabledFor(Store::processEnvironment());
  return enabled;
}

std::string listeningText(const ListenState& listen) {
  switch (listen.kind) {
    case ListenState::Kind::failed:
      return "failed: " + listen.text;
    case ListenState::Kind::starting:
      return "starting";
    case ListenState::Kind::ready:
      return "ready";
    case ListenState::Kind::busy:
      return "busy";
  }
  return "starting";
}

nlohmann::json stateDocument(const Shown& shown, const Glance& tray, const ListenState& listen,
                             std::string_view version, EpochSeconds at) {
  const auto orNull = [](const std::optional<std::string>& value) -> nlohmann::json {
    if (!value) return nullptr;
    return *value;
  };
  return nlohmann::json{
      {"shown", shown.headline},
      {"phase", shown.phase},
      {"tone", std::string(toneName(shown.tone))},
      {"dim", shown.dim()},
      {"status", orNull(shown.status)},
      {"rows", shown.rows},
      {"footer", orNull(shown.footer)},
      {"listening", listeningText(listen)},
      {"version", std::string(version)},
      {"at", isoTimeStamp(at)},
      {"tray",
       {{"choice", std::string(trayWindowName(tray.choice))},
        {"window", tray.key.empty() ? nlohmann::json(nullptr) : nlohmann::json(tray.key)},
        {"shown", tray.headline},
        {"tone", std::string(toneName(tray.tone))}}},
  };
}

void writeState(const Shown& shown, const Glance& tray, const ListenState& listen, std::string_view version,
                EpochSeconds at) {
  if (!stateEnabled()) return;
  writeState(shown, tray, listen, version, statePath(), at);
}

bool writeState(const Shown& shown, const Glance& tray, const ListenState& listen, std::string_view version,
                const std::filesystem::path& file, EpochSeconds at) {
  // Renders come by the hundred while a menu opens and closes; each write
  // costs two fsyncs, so the bytes already in place are not written again.
  static std::pair<std::filesystem::path, std::string> written;
  const std::optional<std::string> bytes = encodeJSON(stateDocument(shown, tray, listen, version, at));
  if (!bytes) return false;
  if (written.first == file && written.second == *bytes) return true;
  if (!writeAtomically(file, *bytes)) return false;
  written = {file, *bytes};
  return true;
}

}  // namespace Store
