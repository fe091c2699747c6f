#include "bridge/request_feed.hpp"

#include "bridge/http_head_scan.hpp"
#include "bridge/request_body.hpp"

void RequestFeed::append(std::span<const std::uint8_t> bytes) {
  buffer_.insert(buffer_.end(), bytes.begin(), bytes.end());
}

Step RequestFeed::answer(Step step, std::optional<EpochSeconds> at) {
  stage_ = Stage::answered;
  answer_ = std::move(step);
  answeredAt_ = at;
  return answer_;
}

Step RequestFeed::step(EpochSeconds now) {
  switch (stage_) {
    case Stage::answered:
      if (answeredAt_ && !(*answeredAt_ == now)) {
        return answer(bodyStep(buffer_, bodyOffset_, bodyLength_, sendContinue_, now), now);
      }
      return answer_;

    case Stage::seekingHead: {
      const std::size_t window = headSearchWindow(buffer_.size());
      const auto end = findHeadTerminator(buffer_, searchFrom_, window);
      if (!end) {
        // A terminator may have begun in the last bytes and end in the next.
        searchFrom_ = window < headTerminator.size() ? 0 : window - (headTerminator.size() - 1);
        if (!headCanStillEnd(buffer_)) return answer(Step::respond(HTTPResponse::plain(400)));
        return Step::needMore(false);
      }
      const HeadParse parsed = parseHeadAt(buffer_, *end);
      if (parsed.kind != HeadParse::Kind::head) return answer(Step::respond(HTTPResponse::plain(400)));
      Decision decision = decide(parsed.head);
      if (decision.kind == Decision::Kind::respond)
        return answer(Step::respond(std::move(decision.response)));
      bodyOffset_ = parsed.head.bodyOffset;
      bodyLength_ = decision.bodyLength;
      sendContinue_ = wantsContinue(parsed.head);
      stage_ = Stage::readingBody;
      [[fallthrough]];
    }

    case Stage::readingBody: {
      Step next = bodyStep(buffer_, bodyOffset_, bodyLength_, sendContinue_, now);
      if (next.kind == Step::Kind::needMore) return next;
      return answer(std::move(next), now);
    }
  }
  return answer_;
}
