#include "tray/label_host.hpp"

#include <algorithm>
#include <cctype>
#include <fstream>

namespace {

bool sameLetters(std::string_view a, std::string_view b) {
  return std::equal(a.begin(), a.end(), b.begin(), b.end(), [](char x, char y) {
    return std::tolower(static_cast<unsigned char>(x)) == std::tolower(static_cast<unsigned char>(y));
  });
}

}  // namespace

bool hostDrawsLabel(std::string_view watcherProcess, std::string_view currentDesktop) {
  if (!watcherProcess.empty()) return watcherProcess == "gnome-shell";
  while (!currentDesktop.empty()) {
    const std::size_t colon = currentDesktop.find(':');
    if (sameLetters(currentDesktop.substr(0, colon), "GNOME")) return true;
    if (colon == std::string_view::npos) break;
    currentDesktop.remove_prefix(colon + 1);
  }
  return false;
}

std::string processName(unsigned pid) {
  std::ifstream comm("/proc/" + std::to_string(pid) + "/comm");
  std::string name;
  std::getline(comm, name);
  return name;
}
