#include "bridge/http_response.hpp"

namespace {

std::string_view errorMessage(int status) {
  switch (status) {
    case 400:
      return "bad request";
    case 403:
      return "forbidden";
    case 404:
      return "not found";
    case 413:
      return "payload too large";
    default:
      return "error";
  }
}

constexpr std::string_view closingHeaders = "Cache-Control: no-store\r\nConnection: close\r\n\r\n";

}  // namespace

HTTPResponse HTTPResponse::plain(int status) {
  std::string body = "{\"error\":\"";
  body += errorMessage(status);
  body += "\"}";
  return {status, std::move(body), "application/json"};
}

std::string_view HTTPResponse::reason() const {
  switch (status) {
    case 200:
      return "OK";
    case 204:
      return "No Content";
    case 400:
      return "Bad Request";
    case 403:
      return "Forbidden";
    case 404:
      return "Not Found";
    case 413:
      return "Payload Too Large";
    default:
      return "Error";
  }
}

std::string HTTPResponse::serialized() const {
  // HTTP forbids a body on 204, so whatever body or type the value holds
  // never reaches the wire.
  if (status == 204) return std::string("HTTP/1.1 204 No Content\r\n").append(closingHeaders);
  std::string out = "HTTP/1.1 " + std::to_string(status) + " ";
  out += reason();
  out += "\r\n";
  if (contentType) out += "Content-Type: " + *contentType + "\r\n";
  out += "Content-Length: " + std::to_string(body.size()) + "\r\n";
  out += closingHeaders;
  out += body;
  return out;
}
