#pragma once
// Where the data directory and the log live, as pure functions of an
// environment, a home directory and a working directory, so every rule can be
// checked without touching the real process environment.

#include <filesystem>
#include <functional>
#include <map>
#include <optional>
#include <string>

namespace Store {

// The value of an environment variable; absent when the variable is unset.
using EnvLookup = std::function<std::optional<std::string>(const std::string& name)>;

// Reads the real environment at call time.
EnvLookup processEnvironment();

// For tests and fixed setups: only the given variables exist.
EnvLookup fixedEnvironment(std::map<std::string, std::string> vars);

// $XDG_DATA_HOME when that is absolute, else `home`/.local/share: where a
// user's applications, icons and data go.
std::filesystem::path dataHomeFor(const EnvLookup& env, const std::filesystem::path& home,
                                  const std::filesystem::path& cwd);

// $XDG_CONFIG_HOME when that is absolute, else `home`/.config: where the
// user's settings and autostart entries go.
std::filesystem::path configHomeFor(const EnvLookup& env, const std::filesystem::path& home,
                                    const std::filesystem::path& cwd);

// QUOTALUME_DATA_DIR when set and non-empty (relative to `cwd`), else
// dataHomeFor(...)/Quotalume.
std::filesystem::path dataDirFor(const EnvLookup& env, const std::filesystem::path& home,
                                 const std::filesystem::path& cwd);

// dataDirFor(...)/Quotalume.log as soon as QUOTALUME_DATA_DIR exists, even
// empty; else $XDG_STATE_HOME/Quotalume/Quotalume.log when that is absolute,
// else `home`/.local/state/Quotalume/Quotalume.log.
std::filesystem::path logPathFor(const EnvLookup& env, const std::filesystem::path& home,
                                 const std::filesystem::path& cwd);

// HOME when set and non-empty, else the password database entry of the
// current user; empty when neither knows.
std::filesystem::path homeDirectory(const EnvLookup& env);

}  // namespace Store
