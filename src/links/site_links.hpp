#pragma once
// Addresses on the maker's web site. Both the menu and the updater open
// them, so they live below either.

#include <string>
#include <string_view>

namespace Links {

// "https://" + the site host + path.
std::string siteURL(std::string_view path);

std::string page();
std::string install();
std::string supportKo();
std::string supportEn();

}  // namespace Links
