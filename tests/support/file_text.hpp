#pragma once
// Whole files as strings, for tests that plant or inspect what a store wrote.

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

inline std::string readAll(const std::filesystem::path& file) {
  std::ifstream in(file, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), {}};
}

inline void writeAll(const std::filesystem::path& file, const std::string& bytes) {
  std::ofstream(file, std::ios::binary) << bytes;
}
