#include "store/paths.hpp"

#include <pwd.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <vector>

namespace Store {

EnvLookup processEnvironment() {
  return [](const std::string& name) -> std::optional<std::string> {
    const char* value = std::getenv(name.c_str());
    if (value == nullptr) return std::nullopt;
    return std::string(value);
  };
}

EnvLookup fixedEnvironment(std::map<std::string, std::string> vars) {
  return [vars = std::move(vars)](const std::string& name) -> std::optional<std::string> {
    auto it = vars.find(name);
    if (it == vars.end()) return std::nullopt;
    return it->second;
  };
}

namespace {

namespace fs = std::filesystem;

std::optional<std::string> nonEmpty(const EnvLookup& env, const char* name) {
  auto value = env(name);
  if (!value || value->empty()) return std::nullopt;
  return value;
}

std::optional<fs::path> absoluteVariable(const EnvLookup& env, const char* name) {
  auto value = nonEmpty(env, name);
  if (!value || !fs::path(*value).is_absolute()) return std::nullopt;
  return fs::path(*value);
}

// An unknown or relative home still gives a usable, absolute location.
fs::path underHome(const fs::path& home, const fs::path& cwd, const char* relative) {
  return cwd / home / relative;
}

}  // namespace

fs::path dataHomeFor(const EnvLookup& env, const fs::path& home, const fs::path& cwd) {
  if (auto xdg = absoluteVariable(env, "XDG_DATA_HOME")) return *xdg;
  return underHome(home, cwd, ".local/share");
}

fs::path configHomeFor(const EnvLookup& env, const fs::path& home, const fs::path& cwd) {
  if (auto xdg = absoluteVariable(env, "XDG_CONFIG_HOME")) return *xdg;
  return underHome(home, cwd, ".config");
}

fs::path dataDirFor(const EnvLookup& env, const fs::path& home, const fs::path& cwd) {
  if (auto dir = nonEmpty(env, "QUOTALUME_DATA_DIR")) return cwd / *dir;
  return dataHomeFor(env, home, cwd) / "Quotalume";
}

fs::path logPathFor(const EnvLookup& env, const fs::path& home, const fs::path& cwd) {
  if (env("QUOTALUME_DATA_DIR")) return dataDirFor(env, home, cwd) / "Quotalume.log";
  if (auto xdg = absoluteVariable(env, "XDG_STATE_HOME")) return *xdg / "Quotalume" / "Quotalume.log";
  return underHome(home, cwd, ".local/state/Quotalume/Quotalume.log");
}

fs::path homeDirectory(const EnvLookup& env) {
  if (auto home = nonEmpty(env, "HOME")) return *home;

  long suggested = ::sysconf(_SC_GETPW_R_SIZE_MAX);
  std::vector<char> buffer(suggested > 0 ? static_cast<std::size_t>(suggested) : 16384);
  while (true) {
    passwd entry{};
    passwd* found = nullptr;
    const int error = ::getpwuid_r(::getuid(), &entry, buffer.data(), buffer.size(), &found);
    if (error == ERANGE && buffer.size() < (1u << 20)) {
      buffer.resize(buffer.size() * 2);
      continue;
    }
    if (error != 0 || found == nullptr || found->pw_dir == nullptr) return {};
    return found->pw_dir;
  }
}

}  // namespace Store
