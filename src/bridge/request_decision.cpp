#include <algorithm>
#include <charconv>
#include <string>

#include "base/app_version.hpp"
#include "bridge/http_text.hpp"
#include "bridge/request_processing.hpp"
#include "build_config.hpp"
#include "readings/text_cleaning.hpp"

namespace {

bool isJSONMediaType(const std::optional<std::string>& contentType) {
  if (!contentType) return false;
  std::string_view rest = *contentType;
  // Empty pieces are skipped, so ";application/json" names JSON too.
  while (!rest.empty() && rest.front() == ';') rest.remove_prefix(1);
  if (rest.empty()) return false;
  return lowerASCII(trimBlanks(rest.substr(0, rest.find(';')))) == "application/json";
}

bool allDigits(std::string_view text) {
  return !text.empty() && std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; });
}

// Nine digits always fit and keep the conversion free of overflow.
constexpr std::size_t maxLengthDigits = 9;

}  // namespace

bool hostAllowed(const std::optional<std::string>& host) {
  if (!host) return false;
  const std::string lower = lowerASCII(*host);
  return std::find(allowedHosts.begin(), allowedHosts.end(), lower) != allowedHosts.end();
}

bool originAllowed(const std::optional<std::string>& origin) {
  if (!origin) return false;
  return std::any_of(originPrefixes.begin(), originPrefixes.end(), [&](std::string_view prefix) {
    if (origin->size() <= prefix.size() || !origin->starts_with(prefix)) return false;
    // Longer in characters, not bytes: a mark right after the "//" joins the
    // slash and adds no character of its own. ASCII never joins it.
    return static_cast<unsigned char>((*origin)[prefix.size()]) < 0x80 ||
           readings_detail::graphemePrefixEnd(*origin, static_cast<int>(prefix.size())) == prefix.size();
  });
}

HTTPResponse pingResponse() {
  std::string body = "{\"app\":\"Quotalume\",\"version\":\"";
  body += appVersion();
  body += "\",\"platform\":\"";
  body += Build::platform;
  body += "\"}";
  return {200, std::move(body), "application/json"};
}

Decision decide(const HTTPHead& head) {
  // Without preflight support a browser never sends the real request from a
  // web page, which is the point: only extensions may post.
  if (head.method == "OPTIONS") return Decision::respond(HTTPResponse::plain(403));
  // A foreign Host is a page that reached us through DNS rebinding; it learns
  // nothing, not even whether the app is running.
  if (!hostAllowed(head.h("host"))) return Decision::respond(HTTPResponse::plain(403));
  if (head.method == "GET" && head.path == "/ping") return Decision::respond(pingResponse());
  if (head.method != "POST" || head.path != "/usage") return Decision::respond(HTTPResponse::plain(404));
  if (!originAllowed(head.h("origin"))) return Decision::respond(HTTPResponse::plain(403));
  if (head.h("x-quotalume") != "1") return Decision::respond(HTTPResponse::plain(403));
  if (head.h("transfer-encoding")) return Decision::respond(HTTPResponse::plain(400));
  if (!isJSONMediaType(head.h("content-type"))) return Decision::respond(HTTPResponse::plain(400));
  const auto length = head.h("content-length");
  if (!length || !allDigits(*length)) return Decision::respond(HTTPResponse::plain(400));
  if (length->size() > maxLengthDigits) return Decision::respond(HTTPResponse::plain(413));
  std::int64_t declared = 0;
  std::from_chars(length->data(), length->data() + length->size(), declared);
  if (declared > maxBodyBytes) return Decision::respond(HTTPResponse::plain(413));
  return Decision::readBody(declared);
}
