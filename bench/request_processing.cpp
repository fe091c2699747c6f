// What one request costs the bridge: a typical reading, one holding a number
// too large for a double, and the worst a client can force by sending the
// largest request one byte at a time.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <span>
#include <string>
#include <string_view>

#include "bridge/request_feed.hpp"
#include "bridge/request_processing.hpp"

namespace {

constexpr EpochSeconds now = 1760421600.0;

const std::string usualHeaders =
    "Host: 127.0.0.1:47615\r\n"
    "Connection: keep-alive\r\n"
    "X-Quotalume: 1\r\n"
    "User-Agent: Mozilla/5.0 (X11; Linux x86_64) AppleWebKit/537.36 (KHTML, like Gecko) Chrome/141.0.0.0 "
    "Safari/537.36\r\n"
    "Content-Type: application/json\r\n"
    "Accept: */*\r\n"
    "Origin: chrome-extension://abcdefghijklmnopabcdefghijklmnop\r\n"
    "Accept-Encoding: gzip, deflate, br, zstd\r\n"
    "Accept-Language: ko-KR,ko;q=0.9,en-US;q=0.8,en;q=0.7\r\n";

const std::string threeWindows =
    R"({"v":1,"status":"ok","plan":"Max 5x","fetched_at":1760421540000,"windows":[)"
    R"({"key":"session","pct":42.5,"resets_at":1760432400000},)"
    R"({"key":"weekly","pct":17,"resets_at":1760918400000},)"
    R"({"key":"opus","pct":3.25,"resets_at":null}]})";

std::string request(const std::string& extraHeaders, const std::string& body) {
  return "POST /usage HTTP/1.1\r\n" + usualHeaders + extraHeaders +
         "Content-Length: " + std::to_string(body.size()) + "\r\n\r\n" + body;
}

// A head a few bytes short of the limit and a valid reading of exactly the
// largest body size.
std::string maximalRequest() {
  std::string body = threeWindows;
  body.insert(body.size() - 1, R"(,"pad":")");
  body.insert(body.size() - 1,
              std::string(static_cast<std::size_t>(maxBodyBytes) - body.size() - 1, 'x') + "\"");
  const std::string head = request("", body).substr(0, request("", body).find("\r\n\r\n"));
  const std::size_t fillerLine = maxHeaderBytes - 16 - head.size();
  const std::string filler = "X-Filler: " + std::string(fillerLine - 12, 'f') + "\r\n";
  return request(filler, body);
}

std::span<const std::uint8_t> bytes(const std::string& text) {
  return {reinterpret_cast<const std::uint8_t*>(text.data()), text.size()};
}

void requireReading(benchmark::State& state, const Step& step) {
  if (!step.reading) state.SkipWithError("the request was not accepted");
}

// Processes the whole request as it arrived in one piece.
void processWhole(benchmark::State& state, const std::string& whole) {
  for (auto _ : state) {
    Step step = processRequest(bytes(whole), now);
    benchmark::DoNotOptimize(step);
  }
  requireReading(state, processRequest(bytes(whole), now));
  state.counters["bytes"] = static_cast<double>(whole.size());
}

void BM_TypicalUsage(benchmark::State& state) {
  processWhole(state, request("", threeWindows));
}
BENCHMARK(BM_TypicalUsage);

// A literal beyond a double makes the library refuse the body, so it is read
// a second time with the literal put back as an infinity.
void BM_TypicalUsageWithHugeNumber(benchmark::State& state) {
  std::string body = threeWindows;
  body.insert(body.size() - 1, R"(,"future":1e400)");
  processWhole(state, request("", body));
}
BENCHMARK(BM_TypicalUsageWithHugeNumber);

void BM_MaximalSingleShot(benchmark::State& state) {
  const std::string maximal = maximalRequest();
  processWhole(state, maximal);
  state.counters["head"] = static_cast<double>(maximal.find("\r\n\r\n"));
}
BENCHMARK(BM_MaximalSingleShot)->Unit(benchmark::kMicrosecond);

void BM_MaximalByteByByte(benchmark::State& state) {
  const std::string maximal = maximalRequest();
  Step last;
  for (auto _ : state) {
    RequestFeed feed;
    for (std::size_t i = 0; i < maximal.size(); ++i) {
      feed.append(bytes(maximal).subspan(i, 1));
      last = feed.step(now);
      benchmark::DoNotOptimize(last);
    }
  }
  requireReading(state, last);
  state.counters["bytes"] = static_cast<double>(maximal.size());
}
BENCHMARK(BM_MaximalByteByByte)->Unit(benchmark::kMicrosecond);

}  // namespace
