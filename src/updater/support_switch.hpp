#pragma once
// Whether the feed's support value may show the donation entry.

#include <optional>
#include <string>

namespace Links {

// Only an https address on the maker's own host, without user information,
// on the default port: anything else leaves the entry hidden, so the feed can
// never point the menu at a foreign or unencrypted page.
bool supportSwitchOn(const std::optional<std::string>& value);

}  // namespace Links
