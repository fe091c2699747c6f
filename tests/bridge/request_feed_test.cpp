#include "bridge/request_feed.hpp"

#include <gtest/gtest.h>

#include <random>

#include "bridge/request_samples.hpp"
#include "bridge/wire_responses.hpp"

namespace {

using samples::bytes;

// Feeds `request` in the given chunk sizes (the last one repeats) and compares
// the feed with processRequest on every prefix the feed sees; once an answer
// is final, every longer prefix must keep it, and it must be `answer`.
void expectSameAsProcessRequest(const std::string& request, std::string_view answer,
                                const std::vector<std::size_t>& chunks) {
  RequestFeed feed;
  std::optional<HTTPResponse> final;
  std::size_t fed = 0;
  for (std::size_t i = 0; fed < request.size(); ++i) {
    const std::size_t n = std::min(chunks[std::min(i, chunks.size() - 1)], request.size() - fed);
    feed.append(bytes(std::string_view(request).substr(fed, n)));
    fed += n;
    const Step want = processRequest(bytes(std::string_view(request).substr(0, fed)), samples::now);
    const Step got = feed.step(samples::now);
    ASSERT_EQ(got, want) << "after " << fed << " bytes";
    if (final) {
      ASSERT_EQ(want.kind, Step::Kind::respond) << "after " << fed << " bytes";
      ASSERT_EQ(want.response, *final) << "after " << fed << " bytes";
    } else if (want.kind == Step::Kind::respond) {
      final = want.response;
    }
  }
  EXPECT_EQ(feed.buffer().size(), request.size());
  if (!answer.empty()) {
    ASSERT_TRUE(final);
    EXPECT_EQ(final->serialized(), answer);
  }
}

TEST(RequestFeed, MatchesProcessRequestByteByByte) {
  for (const auto& request : samples::requests()) {
    SCOPED_TRACE(request.name);
    expectSameAsProcessRequest(request.bytes, request.answer, {1});
  }
}

TEST(RequestFeed, MatchesProcessRequestInRandomSplits) {
  std::mt19937 random(47615);
  for (const auto& request : samples::requests()) {
    SCOPED_TRACE(request.name);
    for (int round = 0; round < 6; ++round) {
      std::vector<std::size_t> chunks;
      std::size_t total = 0;
      const std::size_t largest = round % 2 == 0 ? 16 : 4096;
      while (total < request.bytes.size()) {
        chunks.push_back(std::uniform_int_distribution<std::size_t>(1, largest)(random));
        total += chunks.back();
      }
      expectSameAsProcessRequest(request.bytes, request.answer, chunks);
    }
  }
}

TEST(RequestFeed, AnswersWholeRequestsInOneStep) {
  for (const auto& request : samples::requests()) {
    SCOPED_TRACE(request.name);
    expectSameAsProcessRequest(request.bytes, request.answer, {request.bytes.size()});
  }
}

TEST(RequestFeed, RepeatsItsAnswerWithoutNewBytes) {
  RequestFeed feed;
  EXPECT_EQ(feed.step(samples::now), Step::needMore(false));
  feed.append(bytes(samples::ping()));
  const Step first = feed.step(samples::now);
  EXPECT_EQ(first.response.serialized(), wire::ping);
  EXPECT_EQ(feed.step(samples::now), first);
  feed.append(bytes("more"));
  EXPECT_EQ(feed.step(samples::now), first);
}

TEST(RequestFeed, JudgesTheBodyAtTheTimeAsked) {
  const std::string request = samples::usage(samples::readingBody);
  RequestFeed feed;
  feed.append(bytes(request));
  const Step earlier = feed.step(samples::now);
  ASSERT_TRUE(earlier.reading);
  const Step later = feed.step(samples::now + 5);
  EXPECT_EQ(later, processRequest(bytes(request), samples::now + 5));
  ASSERT_TRUE(later.reading);
  EXPECT_EQ(later.reading->received_at, (samples::now + 5) * 1000);
  EXPECT_EQ(feed.step(samples::now), earlier);
  // Far enough from the fetch time the same body no longer passes.
  EXPECT_EQ(feed.step(samples::now + 500.0 * 86400),
            processRequest(bytes(request), samples::now + 500.0 * 86400));
}

}  // namespace
