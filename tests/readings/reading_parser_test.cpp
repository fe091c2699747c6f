#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "readings/reading.hpp"

namespace {

constexpr EpochSeconds now = 1760421600.0;
constexpr double nowMs = 1760421600000.0;

// A reading received now, with nothing but what each case sets.
Reading bare(const char* status = "ok", std::vector<UsageWindow> windows = {}, double fetchedAt = nowMs) {
  return {status, {}, {}, fetchedAt, nowMs, std::move(windows)};
}

TEST(ParseReading, AcceptsOrRejectsWholeDocuments) {
  const std::string digits309(309, '9');
  const Reading full{
      "ok", {}, "Max5x", 1760421500000.0, nowMs, {{"session", 42.3, 1760430000000.0}, {"weekly", 18, {}}}};
  const std::tuple<const char*, std::string, std::optional<Reading>> cases[] = {
      {"full document, unknown keys ignored",
       R"({"v":1,"status":"ok","plan":" Max\n5x ","error":503,"fetched_at":1760421500000,
    "future":{"nested":[1,{"x":null}]},"windows":[{"key":"session","pct":42.3,"resets_at":1760430000000},
    {"key":"weekly","pct":18.0,"extra":true},{"key":"haiku_next","pct":77}]})",
       full},
      {"unknown status", R"({"status":"weird"})", {}},
      {"status missing", R"({"windows":[]})", {}},
      {"windows an object", R"({"status":"ok","windows":{"key":"session","pct":1}})", {}},
      {"v just below one", R"({"v":0.999,"status":"ok"})", {}},
      {"v a boolean", R"({"v":true,"status":"ok"})", {}},
      {"fetched_at a string", R"({"status":"ok","fetched_at":"1760421600000"})", {}},
      {"fetched_at a millisecond too old", R"({"status":"ok","fetched_at":1725861599999})", {}},
      {"fetched_at a millisecond too far ahead", R"({"status":"ok","fetched_at":1794981600001})", {}},
      {"top level an array", R"([{"status":"ok"}])", {}},
      {"trailing garbage", R"({"status":"ok"} x)", {}},
      {"invalid UTF-8", "{\"status\":\"ok\",\"plan\":\"\xff\"}", {}},
      {"status only", R"({"status":"no_data"})", bare("no_data")},
      {"nulls", R"({"v":null,"status":"signed_out","fetched_at":null,"windows":null,"plan":null})",
       bare("signed_out")},
      {"v above one", R"({"v":2.5,"status":"error"})", bare("error")},
      {"fetched_at 400 days ago", R"({"status":"ok","fetched_at":1725861600000})",
       bare("ok", {}, nowMs - timeSpanMs)},
      {"fetched_at 400 days ahead", R"({"status":"ok","fetched_at":1794981600000})",
       bare("ok", {}, nowMs + timeSpanMs)},
      {"byte-order mark and whitespace", "\xef\xbb\xbf \n{\"status\":\"ok\"}\r\n", bare()},
      // Later valid duplicates win, invalid ones erase nothing; the result keeps the fixed key order.
      {"bad windows skipped, the rest clamped and ordered",
       R"({"status":"error","windows":[{"key":"session","pct":null},{"key":"weekly","pct":"5"},{"key":"opus","pct":true},
    {"pct":5},{"key":"design"},"junk",[{"key":"session","pct":1}],{"key":"sonnet","pct":-1e308,"resets_at":"x"},
    {"key":"haiku_next","pct":1},{"key":1,"pct":1},{"key":"Session","pct":1},{"key":"fable","pct":10},
    {"key":"fable","pct":20},{"key":"fable","pct":"x"},{"key":"design","pct":18446744073709551615,"resets_at":true},
    {"key":"weekly","pct":2,"resets_at":null}]})",
       bare("error", {{"weekly", 2, {}}, {"sonnet", 0, {}}, {"fable", 20, {}}, {"design", maxPct, {}}})},
      // A literal beyond the largest double is a value that is not a finite
      // number, wherever it stands; it never spoils the rest of the document
      // (the fuzz replay checks every other value around it keeps its own).
      {"309-digit integer under an unknown key", R"({"status":"ok","future":[)" + digits309 + "]}", bare()},
      {"window pct", R"({"status":"ok","windows":[{"key":"session","pct":1e400},{"key":"weekly","pct":5}]})",
       bare("ok", {{"weekly", 5, {}}})},
      {"resets_at, plan and an unknown window member",
       R"({"status":"error","plan":-1e400,"windows":[{"key":"opus","pct":3,"resets_at":1e400,"x":123456789e999}]})",
       bare("error", {{"opus", 3, {}}})},
      {"escaped quote before it", R"({"status":"ok","plan":"a\"1e400","x":1e400})",
       Reading{"ok", {}, "a\"1e400", nowMs, nowMs, {}}},
      // Where the contract demands a finite number, a huge one rejects as before.
      {"v", R"({"v":1e400,"status":"ok"})", {}},
      {"fetched_at", R"({"status":"ok","fetched_at":-1e400})", {}},
      // Literals the grammar refuses are not rewritten into ones it takes.
      {"truncated exponent", R"({"status":"ok","x":1e400,"y":1e})", {}},
      {"leading zero", R"({"status":"ok","x":01e400})", {}},
      {"plus sign", R"({"status":"ok","x":+1e400})", {}},
      {"two literals run together", R"({"status":"ok","x":1e400-1})", {}},
  };
  for (const auto& [name, body, want] : cases) EXPECT_EQ(parseReading(body, now), want) << name;
}

// The bridge admits bodies up to 64 KiB: nesting that deep must neither
// overflow the stack while parsing nor while the document is destroyed.
TEST(ParseReading, SurvivesDeepNesting) {
  const std::string nested = std::string(32768, '[') + std::string(32768, ']');
  EXPECT_TRUE(parseReading(R"({"status":"ok","future":)" + nested + "}", now));
  EXPECT_EQ(parseReading(std::string(65536, '['), now), std::nullopt);
  EXPECT_EQ(parseReading(R"({"status":"ok","windows":)" + nested + "}", now)->windows.size(), 0u);
}

}  // namespace
