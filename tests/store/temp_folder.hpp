#pragma once
// A fresh folder removed when the test ends, and whole-file helpers to look at
// what the stores wrote.

#include <unistd.h>

#include <atomic>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

struct TempFolder {
  static inline std::atomic<int> counter{0};
  std::filesystem::path path =
      std::filesystem::temp_directory_path() /
      ("quotalume-store-" + std::to_string(::getpid()) + "-" + std::to_string(counter++));
  std::error_code ec;

  TempFolder() { std::filesystem::create_directories(path); }
  ~TempFolder() { std::filesystem::remove_all(path, ec); }
  std::filesystem::path operator/(const std::string& name) const { return path / name; }
};

inline std::string readAll(const std::filesystem::path& file) {
  std::ifstream in(file, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), {}};
}

inline void writeAll(const std::filesystem::path& file, const std::string& bytes) {
  std::ofstream(file, std::ios::binary) << bytes;
}
