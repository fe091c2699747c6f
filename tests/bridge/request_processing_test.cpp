#include <gtest/gtest.h>

#include "bridge/request_processing.hpp"
#include "bridge/request_samples.hpp"
#include "bridge/wire_responses.hpp"

namespace {

using samples::bytes;

Step process(std::string_view request) {
  return processRequest(bytes(request), samples::now);
}

TEST(ProcessRequest, AnswersEachSample) {
  for (const auto& sample : samples::requests()) {
    SCOPED_TRACE(sample.name);
    const Step got = process(sample.bytes);
    if (sample.answer.empty()) {
      EXPECT_EQ(got, Step::needMore(false));
      continue;
    }
    ASSERT_EQ(got.kind, Step::Kind::respond);
    const std::string wireBytes = got.response.serialized();
    EXPECT_EQ(wireBytes, sample.answer);
    EXPECT_EQ(got.reading.has_value(), sample.answer == wire::noContent);
    EXPECT_EQ(wireBytes.find("Access-Control"), std::string::npos);
  }
}

TEST(ProcessRequest, HandsOverTheSanitisedReading) {
  const Step got = process(samples::usage(samples::readingBody));
  ASSERT_EQ(got.kind, Step::Kind::respond);
  ASSERT_TRUE(got.reading);
  EXPECT_EQ(got.reading->status, "ok");
  EXPECT_EQ(got.reading->plan, "Max 5x");
  EXPECT_EQ(got.reading->fetched_at, 1760421540000.0);
  EXPECT_EQ(got.reading->received_at, samples::now * 1000);
  ASSERT_EQ(got.reading->windows.size(), 3u);
  EXPECT_EQ(got.reading->windows[0].key, "session");
  EXPECT_EQ(got.reading->windows[0].pct, 42.5);
  EXPECT_EQ(got.reading->windows[2].resets_at, std::nullopt);
}

TEST(ProcessRequest, WaitsForHeadAndBody) {
  auto allButLast = [](const std::string& request) { return request.substr(0, request.size() - 1); };
  struct Case {
    const char* name;
    std::string input;
    bool sendContinue;
  } cases[] = {
      {"nothing yet", "", false},
      {"head unfinished", "POST /usage HTTP/1.1\r\nHost: 127.0.0.1:47615\r\n", false},
      {"head unfinished despite expect", "POST /usage HTTP/1.1\r\nExpect: 100-continue\r\n", false},
      {"body short", allButLast(samples::usage(samples::readingBody)), false},
      {"body short with expect", allButLast(samples::usage(samples::readingBody, "Expect: 100-continue\r\n")),
       true},
      {"expect in any case", allButLast(samples::usage(samples::readingBody, "expect: 100-CONTINUE\r\n")),
       true},
      {"other expectation",
       allButLast(samples::usage(samples::readingBody, "Expect: 100-continue-later\r\n")), false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(process(c.input), Step::needMore(c.sendContinue));
  }
}

TEST(ProcessRequest, AnswersAtTheLastBodyByteWhenFedByteByByte) {
  const std::string request = samples::usage(samples::readingBody);
  for (std::size_t n = 0; n < request.size(); ++n) {
    const Step got = process(std::string_view(request).substr(0, n));
    ASSERT_EQ(got, Step::needMore(false)) << "prefix of " << n << " bytes";
  }
  const Step done = process(request);
  ASSERT_EQ(done.kind, Step::Kind::respond);
  EXPECT_EQ(done.response.serialized(), wire::noContent);
  EXPECT_TRUE(done.reading);
}

TEST(ProcessRequest, RefusesAnOversizedBodyBeforeItArrives) {
  const std::string head =
      "POST /usage HTTP/1.1\r\nHost: localhost:47615\r\nOrigin: chrome-extension://a\r\nX-Quotalume: 1\r\n"
      "Content-Type: application/json\r\nContent-Length: 70000\r\n\r\n";
  EXPECT_EQ(process(head.substr(0, head.size() - 1)), Step::needMore(false));
  EXPECT_EQ(process(head).response.serialized(), wire::tooLarge);
}

TEST(ProcessRequest, ReadsOnlyTheDeclaredBody) {
  // The declared length cuts a longer valid document into invalid JSON.
  std::string request = samples::usage(samples::readingBody);
  const std::string shorter = "Content-Length: " + std::to_string(samples::readingBody.size() - 1);
  const auto at = request.find("Content-Length: ");
  request.replace(at, request.find("\r\n", at) - at, shorter);
  EXPECT_EQ(process(request).response.serialized(), wire::badRequest);
}

}  // namespace
