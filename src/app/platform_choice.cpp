#include "app/platform_choice.hpp"

std::optional<std::string> forcedPlatform(Mode mode, const Store::EnvLookup& env) {
  if (mode == Mode::normal) return std::nullopt;
  // Qt ignores an empty value too, so it counts as no choice.
  const auto chosen = env("QT_QPA_PLATFORM");
  if (chosen && !chosen->empty()) return std::nullopt;
  return "offscreen";
}
