#pragma once
// One answer of the bridge and its exact bytes on the wire.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

struct HTTPResponse {
  int status = 0;
  std::string body;
  std::optional<std::string> contentType;

  // The JSON error answer {"error":"..."} for a status.
  static HTTPResponse plain(int status);

  std::string_view reason() const;
  std::string serialized() const;

  bool operator==(const HTTPResponse&) const = default;
};
