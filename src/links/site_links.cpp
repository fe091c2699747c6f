#include "links/site_links.hpp"

#include "build_config.hpp"

namespace Links {

std::string siteURL(std::string_view path) {
  return "https://" + std::string(Build::siteHost) + std::string(path);
}

std::string page() {
  return siteURL("/sideproject/quotalume");
}
std::string install() {
  return page() + "#extension";
}
std::string supportKo() {
  return siteURL("/sideproject/support");
}
std::string supportEn() {
  return siteURL("/sideproject/support/en");
}

}  // namespace Links
