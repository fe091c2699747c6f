#pragma once
// The update feed: one JSON object on the maker's site with a release for
// each processor under its own member (updater/processor.hpp) and the support
// switch under "support". The two are decoded independently, so a broken
// release entry does not hide a valid support value and the other way round.

#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "updater/processor.hpp"

namespace Updater {

struct Entry {
  std::string version;
  std::string url;
  std::string sha256;
  std::optional<std::string> notes;

  bool operator==(const Entry&) const = default;
};

struct Feed {
  std::optional<Entry> entry;  // this processor's release

  bool operator==(const Feed&) const = default;
};

struct SupportSwitch {
  std::optional<std::string> support;

  bool operator==(const SupportSwitch&) const = default;
};

// Keyed decoding: the first of `members` that is present and not null is the
// release, and the rest are not looked at; a member of the wrong type, or an
// entry lacking "version", "url" or "sha256", fails the whole decoding.
std::optional<Feed> decodeFeed(std::string_view body,
                               std::span<const std::string_view> members = feedMembers(ownMachine()));
std::optional<SupportSwitch> decodeSupportSwitch(std::string_view body);

// True exactly when the bytes are JSON with an object at the top.
bool isFeedObject(std::string_view body);

// The "support" string; absent when missing, null, not a string, or when the
// body is not a JSON object.
std::optional<std::string> supportValue(std::string_view body);

}  // namespace Updater
