#pragma once
// Temporary folders and what is in them.

#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include "support/file_text.hpp"

struct TempFolder {
  static inline int counter = 0;  // folders are made on the test thread only
  std::filesystem::path path = std::filesystem::temp_directory_path() /
                               ("qlstore-" + std::to_string(::getpid()) + "-" + std::to_string(counter++));
  TempFolder() { std::filesystem::create_directories(path); }
  ~TempFolder() { std::filesystem::remove_all(path, ec); }
  std::filesystem::path operator/(const std::string& name) const { return path / name; }
  std::error_code ec;
};

// Sorted, so that a leftover temporary shows up as an extra name.
inline std::vector<std::string> names(const std::filesystem::path& folder) {
  std::vector<std::string> all;
  for (const auto& entry : std::filesystem::directory_iterator(folder))
    all.push_back(entry.path().filename());
  std::sort(all.begin(), all.end());
  return all;
}
