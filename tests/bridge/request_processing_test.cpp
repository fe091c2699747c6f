#include <gtest/gtest.h>

#include "bridge/request_feed.hpp"
#include "bridge/request_processing.hpp"
#include "bridge/request_samples.hpp"

namespace {

using samples::bytes;

Step process(std::string_view request, double now = samples::now) {
  return processRequest(bytes(request), now);
}

// The fuzz replay checks the feed against processRequest on every prefix of
// its corpus; here each sample must end on its exact answer, also when fed
// one byte at a time.
TEST(ProcessRequest, AnswersEachSampleWholeAndFedByteByByte) {
  for (const auto& sample : samples::requests()) {
    SCOPED_TRACE(sample.name);
    const Step got = process(sample.bytes);
    RequestFeed feed;
    for (const char& c : sample.bytes) feed.append(bytes(std::string_view(&c, 1)));
    EXPECT_EQ(feed.step(samples::now), got);
    if (sample.answer.empty()) {
      EXPECT_EQ(got, Step::needMore(false));
    } else {
      EXPECT_EQ(got.response.serialized(), sample.answer);
      EXPECT_EQ(got.reading.has_value(), sample.answer == wire::noContent);
    }
  }
}

TEST(ProcessRequest, WaitsForHeadAndBody) {
  auto allButLast = [](std::string request) {
    request.pop_back();
    return request;
  };
  auto usage = [](const std::string& extra) { return samples::usage(samples::readingBody, extra); };
  struct Case {
    const char* name;
    std::string input;
    bool sendContinue;
  } cases[] = {
      {"head unfinished despite expect", "POST /usage HTTP/1.1\r\nExpect: 100-continue\r\n", false},
      {"body short", allButLast(usage("")), false},
      {"expect in any case", allButLast(usage("expect: 100-CONTINUE\r\n")), true},
      {"other expectation", allButLast(usage("Expect: 100-continue-later\r\n")), false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(process(c.input), Step::needMore(c.sendContinue));
  }
}

TEST(RequestFeed, KeepsItsAnswerButJudgesTheBodyAtTheTimeAsked) {
  const std::string request = samples::usage(samples::readingBody);
  RequestFeed feed;
  feed.append(bytes(request));
  const Step first = feed.step(samples::now);
  feed.append(bytes("more"));
  EXPECT_EQ(feed.step(samples::now), first);
  const Step later = feed.step(samples::now + 5);
  ASSERT_TRUE(later.reading);
  EXPECT_EQ(later.reading->received_at, (samples::now + 5) * 1000);
  EXPECT_EQ(later.reading->windows.size(), 2u);
  // Far enough from the fetch time the same body no longer passes.
  const Step tooLate = feed.step(samples::now + 500.0 * 86400);
  EXPECT_EQ(tooLate, process(request, samples::now + 500.0 * 86400));
  EXPECT_FALSE(tooLate.reading);
}

}  // namespace
