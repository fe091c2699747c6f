#pragma once
// The default application for a MIME type as the user's mimeapps.list files
// record it, read without asking the desktop.

#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "store/paths.hpp"

// Every mimeapps.list that may hold a default, most important first:
// config home, config dirs, data home's and data dirs' "applications"
// folders, each with the desktop-specific files before the plain one.
std::vector<std::filesystem::path> mimeappsFiles(const Store::EnvLookup& env);

// The first desktop-file ID listed for `mimeType` in the file's
// [Default Applications] group.
std::optional<std::string> defaultHandlerIn(std::string_view contents, std::string_view mimeType);

using FileReader = std::function<std::optional<std::string>(const std::filesystem::path&)>;

// The handler from the first file, in lookup order, that names one.
std::optional<std::string> defaultHandler(const Store::EnvLookup& env, const FileReader& read,
                                          std::string_view mimeType);
