#pragma once
// The only answers the bridge ever puts on the wire, written out byte for byte
// so that no test compares the serializer with itself.

#include <string_view>

namespace wire {

inline constexpr std::string_view noContent =
    "HTTP/1.1 204 No Content\r\nCache-Control: no-store\r\nConnection: close\r\n\r\n";
inline constexpr std::string_view ping =
    "HTTP/1.1 200 OK\r\nContent-Type: application/json\r\nContent-Length: 56\r\n"
    "Cache-Control: no-store\r\nConnection: close\r\n\r\n"
    R"({"app":"Quotalume","version":"1.0.2","platform":"linux"})";
inline constexpr std::string_view badRequest =
    "HTTP/1.1 400 Bad Request\r\nContent-Type: application/json\r\nContent-Length: 23\r\n"
    "Cache-Control: no-store\r\nConnection: close\r\n\r\n"
    R"({"error":"bad request"})";
inline constexpr std::string_view forbidden =
    "HTTP/1.1 403 Forbidden\r\nContent-Type: application/json\r\nContent-Length: 21\r\n"
    "Cache-Control: no-store\r\nConnection: close\r\n\r\n"
    R"({"error":"forbidden"})";
inline constexpr std::string_view notFound =
    "HTTP/1.1 404 Not Found\r\nContent-Type: application/json\r\nContent-Length: 21\r\n"
    "Cache-Control: no-store\r\nConnection: close\r\n\r\n"
    R"({"error":"not found"})";
inline constexpr std::string_view tooLarge =
    "HTTP/1.1 413 Payload Too Large\r\nContent-Type: application/json\r\nContent-Length: 29\r\n"
    "Cache-Control: no-store\r\nConnection: close\r\n\r\n"
    R"({"error":"payload too large"})";

}  // namespace wire
