// The request path as a connection drives it: the input arrives in splits
// derived from its own bytes, and the incremental feed must agree with
// processRequest on every prefix it sees, never change a final answer, and
// only ever put one of the bridge's few exact answers on the wire.
#include <array>
#include <cstdint>
#include <cstdlib>
#include <optional>
#include <span>
#include <string>

#include "../tests/bridge/wire_responses.hpp"
#include "bridge/request_feed.hpp"
#include "bridge/request_processing.hpp"

namespace {

constexpr EpochSeconds now = 1760421600.0;

void require(bool condition) {
  if (!condition) std::abort();
}

bool allowedAnswer(const Step& step) {
  const std::string bytes = step.response.serialized();
  if (bytes == wire::noContent) return step.reading.has_value();
  if (step.reading) return false;
  for (std::string_view allowed :
       {wire::ping, wire::badRequest, wire::forbidden, wire::notFound, wire::tooLarge}) {
    if (bytes == allowed) return true;
  }
  return false;
}

// Split sizes come from the input itself so that every corpus entry replays
// the same way. Large inputs get coarser splits to keep each run quick.
class Splits {
 public:
  explicit Splits(std::span<const std::uint8_t> data) {
    std::uint64_t hash = 1469598103934665603ull;
    for (std::uint8_t b : data) hash = (hash ^ b) * 1099511628211ull;
    state_ = hash | 1;
    constexpr std::array<std::size_t, 5> limits = {1, 3, 16, 256, 4096};
    limit_ = std::max(limits[hash % limits.size()], data.size() / 256);
  }

  std::size_t next() {
    state_ ^= state_ << 13;
    state_ ^= state_ >> 7;
    state_ ^= state_ << 17;
    return 1 + static_cast<std::size_t>(state_ % limit_);
  }

 private:
  std::uint64_t state_;
  std::size_t limit_;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::span<const std::uint8_t> input(data, size);
  Splits splits(input);
  RequestFeed feed;
  std::optional<Step> final;
  std::size_t fed = 0;
  do {
    const std::size_t n = std::min(splits.next(), size - fed);
    feed.append(input.subspan(fed, n));
    fed += n;
    const Step want = processRequest(input.first(fed), now);
    require(feed.step(now) == want);
    if (final) {
      require(want == *final);
    } else if (want.kind == Step::Kind::respond) {
      require(allowedAnswer(want));
      final = want;
    } else {
      require(!want.reading && want.response == HTTPResponse{});
    }
  } while (fed < size);
  return 0;
}
