#pragma once
// The version the application reports about itself, fixed when the project is
// configured.

#include <string_view>

#include "build_config.hpp"

inline constexpr std::string_view appVersion = Build::version;
