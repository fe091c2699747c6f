#pragma once
// The fixed web addresses the guide and the menu open.

#include <optional>
#include <string>
#include <string_view>

#include "links/site_links.hpp"

namespace Links {

inline constexpr std::string_view storeHost = "chromewebstore.google.com";

// Follows the interface language.
std::string support();
std::string chromeStore();

// Desktop-file IDs of browsers that install extensions from the store page,
// with and without ".desktop".
bool isChromiumID(std::string_view desktopID);

// The store page for a browser of the Chromium family, the product page's
// extension section for any other or an unknown browser.
std::string installTargetFor(const std::optional<std::string>& browserID);

// Asks the desktop for the default browser; may run helper programs.
std::string installTarget();

}  // namespace Links
