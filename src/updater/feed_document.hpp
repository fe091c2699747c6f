#pragma once
// The update feed: one JSON object on the maker's site with this platform's
// release under Build::feedMember and the support switch under "support".
// The two are decoded independently, so a broken release entry does not hide
// a valid support value and the other way round.

#include <optional>
#include <string>
#include <string_view>

namespace Updater {

struct Entry {
  std::string version;
  std::string url;
  std::string sha256;
  std::optional<std::string> notes;

  bool operator==(const Entry&) const = default;
};

struct Feed {
  std::optional<Entry> entry;  // the member named Build::feedMember

  bool operator==(const Feed&) const = default;
};

struct SupportSwitch {
  std::optional<std::string> support;

  bool operator==(const SupportSwitch&) const = default;
};

// Keyed decoding: an absent or null member is absent; a member of the wrong
// type, or an entry lacking "version", "url" or "sha256", fails the whole
// decoding.
std::optional<Feed> decodeFeed(std::string_view body);
std::optional<SupportSwitch> decodeSupportSwitch(std::string_view body);

// True exactly when the bytes are JSON with an object at the top.
bool isFeedObject(std::string_view body);

// The "support" string; absent when missing, null, not a string, or when the
// body is not a JSON object.
std::optional<std::string> supportValue(std::string_view body);

}  // namespace Updater
