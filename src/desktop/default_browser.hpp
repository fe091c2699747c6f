#pragma once
// Which web browser the desktop opens links with.

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "desktop/mimeapps.hpp"
#include "store/paths.hpp"

// A helper program's trimmed standard output; absent when it cannot be
// started, fails, outlives its timeout or prints nothing.
using HelperQuery = std::function<std::optional<std::string>(const std::string& program,
                                                             const std::vector<std::string>& args)>;

std::optional<std::string> helperAnswer(const std::string& program, const std::vector<std::string>& args);

// The default browser's desktop-file ID: from mimeapps.list, else from
// xdg-settings, else from xdg-mime; absent when nothing answers.
std::optional<std::string> defaultBrowserID(const Store::EnvLookup& env, const FileReader& read,
                                            const HelperQuery& ask);

// The same for this process's desktop.
std::optional<std::string> defaultBrowserID();
