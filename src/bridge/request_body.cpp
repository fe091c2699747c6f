#include "bridge/request_body.hpp"

#include "bridge/http_text.hpp"

bool wantsContinue(const HTTPHead& head) {
  const auto expect = head.h("expect");
  return expect && lowerASCII(*expect) == "100-continue";
}

Step bodyStep(std::span<const std::uint8_t> buffer, std::int64_t bodyOffset, std::int64_t bodyLength,
              bool sendContinue, EpochSeconds now) {
  const auto available = static_cast<std::int64_t>(buffer.size()) - bodyOffset;
  if (available < bodyLength) return Step::needMore(sendContinue);
  auto reading = parseReading(
      buffer.subspan(static_cast<std::size_t>(bodyOffset), static_cast<std::size_t>(bodyLength)), now);
  if (!reading) return Step::respond(HTTPResponse::plain(400));
  return Step::respond(HTTPResponse{204, {}, std::nullopt}, std::move(reading));
}
