#pragma once
// Where the update feed is fetched from, and which archive addresses it may name.

#include <optional>
#include <string_view>

#include <QUrl>

namespace Updater {

// The user setting "updateFeed" in the settings file when it holds a valid URL, else the feed on the maker's
// site. Read on every call, so a changed setting takes effect at the next check.
QUrl feed();

// The text as a URL when it parses strictly; absent for empty or malformed text.
std::optional<QUrl> parsedURL(std::string_view text);

// An archive comes over https; plain http only from a feed that is itself
// plain http on this machine (a test server).
bool archiveAddressAllowed(const QUrl& archive, const QUrl& feed);

}  // namespace Updater
