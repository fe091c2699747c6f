#pragma once
// quotalume(1), written from the same tables as --help, so the manual can
// never fall behind the program. The build generates it; nothing edits it.

#include <string>
#include <string_view>

// `month`: the release's month as the page's footer shows it, "December 2026".
std::string manPage(std::string_view version, std::string_view month);
