#include "bridge/request_processing.hpp"

#include "bridge/request_body.hpp"

Step processRequest(std::span<const std::uint8_t> buffer, EpochSeconds now) {
  const HeadParse parsed = parseHead(buffer);
  switch (parsed.kind) {
    case HeadParse::Kind::needMore:
      return Step::needMore(false);
    case HeadParse::Kind::bad:
      return Step::respond(HTTPResponse::plain(400));
    case HeadParse::Kind::head:
      break;
  }
  const Decision decision = decide(parsed.head);
  if (decision.kind == Decision::Kind::respond) return Step::respond(decision.response);
  return bodyStep(buffer, parsed.head.bodyOffset, decision.bodyLength, wantsContinue(parsed.head), now);
}
