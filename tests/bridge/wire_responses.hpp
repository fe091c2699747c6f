#pragma once
// The only answers the bridge ever puts on the wire, written out byte for byte
// so that no test compares the serializer with itself.

#include <string_view>

#define WIRE_CLOSING "Cache-Control: no-store\r\nConnection: close\r\n\r\n"
#define WIRE_JSON(status, length) \
  "HTTP/1.1 " status "\r\nContent-Type: application/json\r\nContent-Length: " length "\r\n" WIRE_CLOSING

namespace wire {

inline constexpr std::string_view noContent = "HTTP/1.1 204 No Content\r\n" WIRE_CLOSING;
inline constexpr std::string_view ping =
    WIRE_JSON("200 OK", "56") R"({"app":"Quotalume","version":"1.0.2","platform":"linux"})";
inline constexpr std::string_view badRequest =
    WIRE_JSON("400 Bad Request", "23") R"({"error":"bad request"})";
inline constexpr std::string_view forbidden = WIRE_JSON("403 Forbidden", "21") R"({"error":"forbidden"})";
inline constexpr std::string_view notFound = WIRE_JSON("404 Not Found", "21") R"({"error":"not found"})";
inline constexpr std::string_view tooLarge =
    WIRE_JSON("413 Payload Too Large", "29") R"({"error":"payload too large"})";

}  // namespace wire

#undef WIRE_JSON
#undef WIRE_CLOSING
