#include "bridge/request_feed.hpp"

#include <gtest/gtest.h>

#include <random>

#include "bridge/request_samples.hpp"
#include "bridge/wire_responses.hpp"

namespace {

using samples::bytes;

// The samples plus requests whose interesting bytes sit where a resumed
// terminator search could miss them.
std::vector<samples::Request> feedRequests() {
  auto all = samples::requests();
  std::string padded = R"({"status":"ok","pad":")";
  padded += std::string(static_cast<std::size_t>(maxBodyBytes) - padded.size() - 2, ' ');
  padded += "\"}";
  all.push_back({"body of exactly the limit", samples::usage(padded)});
  all.push_back({"terminator after lone CRs", "GET /ping HTTP/1.1\r\nHost: localhost\r\r\n\r\r\n\r\n"});
  all.push_back({"terminator after CRLFCR", "GET /ping HTTP/1.1\r\nHost: localhost\r\n\r\r\n\r\n"});
  all.push_back({"garbage after a complete head", samples::ping() + "\xFF\xFF\r\n\r\n"});
  all.push_back({"body refused only once complete", samples::usage(R"({"status":"weird"})")});
  all.push_back({"zero length body", samples::usage("")});
  all.push_back({"terminator begun at the limit", std::string(maxHeaderBytes, 'a') + "\r\n\r\n"});
  all.push_back({"terminator one past the limit", std::string(maxHeaderBytes + 1, 'a') + "\r\n\r\n"});
  all.push_back({"unfinished", "POST /usage HTTP/1.1\r\nHost: localhost\r\n"});
  return all;
}

// Feeds `request` in the given chunk sizes (the last one repeats) and compares
// the feed with processRequest on every prefix the feed sees; once an answer
// is final, every longer prefix must keep it.
void expectSameAsProcessRequest(const std::string& request, const std::vector<std::size_t>& chunks) {
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
}

TEST(RequestFeed, MatchesProcessRequestByteByByte) {
  for (const auto& request : feedRequests()) {
    SCOPED_TRACE(request.name);
    expectSameAsProcessRequest(request.bytes, {1});
  }
}

TEST(RequestFeed, MatchesProcessRequestInRandomSplits) {
  std::mt19937 random(47615);
  for (const auto& request : feedRequests()) {
    SCOPED_TRACE(request.name);
    for (int round = 0; round < 6; ++round) {
      std::vector<std::size_t> chunks;
      std::size_t total = 0;
      const std::size_t largest = round % 2 == 0 ? 16 : 4096;
      while (total < request.bytes.size()) {
        chunks.push_back(std::uniform_int_distribution<std::size_t>(1, largest)(random));
        total += chunks.back();
      }
      expectSameAsProcessRequest(request.bytes, chunks);
    }
  }
}

TEST(RequestFeed, AnswersWholeRequestsInOneStep) {
  for (const auto& request : feedRequests()) {
    SCOPED_TRACE(request.name);
    expectSameAsProcessRequest(request.bytes, {request.bytes.size()});
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
