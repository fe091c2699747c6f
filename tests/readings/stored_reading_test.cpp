#include <functional>

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include "readings/stored_reading.hpp"

namespace {

using nlohmann::json;

constexpr Date now = 1760421600.0;
constexpr double nowMs = 1760421600000.0;

Reading full() {
  Reading r;
  r.status = "ok";
  r.error = "http-503";
  r.plan = "Max 5x \uac00\U0001F1F0\U0001F1F7";
  r.fetched_at = 1760421599123.0;
  r.received_at = nowMs;
  r.windows = {{"session", 42.3, 1760430000000.0}, {"weekly", 0.1 + 0.2, {}}, {"design", 10000, nowMs + 0.5}};
  return r;
}

TEST(StoredReading, RoundTripsThroughTextExactly) {
  Reading bare;
  bare.status = "no_data";
  bare.fetched_at = bare.received_at = nowMs;
  for (const auto& r : {full(), bare}) {
    SCOPED_TRACE(r.status);
    const auto text = encodeReading(r).dump(2);
    const auto back = decodeReading(json::parse(text, nullptr, false));
    EXPECT_EQ(back, r) << text;
  }
}

TEST(StoredReading, LeavesAbsentOptionalsOut) {
  Reading r;
  r.status = "signed_out";
  r.fetched_at = r.received_at = nowMs;
  r.windows = {{"session", 1, {}}};
  const auto encoded = encodeReading(r);
  EXPECT_FALSE(encoded.contains("error"));
  EXPECT_FALSE(encoded.contains("plan"));
  EXPECT_FALSE(encoded["windows"][0].contains("resets_at"));
  EXPECT_TRUE(encoded["fetched_at"].is_number());
  EXPECT_EQ(encoded["windows"].size(), 1u);
}

TEST(StoredReading, DecodingIsStrictAboutRequiredMembersAndTypes) {
  struct Case {
    const char* name;
    std::function<void(json&)> damage;
  } cases[] = {
      {"not an object", [](json& j) { j = json::array({j}); }},
      {"null", [](json& j) { j = nullptr; }},
      {"status missing", [](json& j) { j.erase("status"); }},
      {"status a number", [](json& j) { j["status"] = 1; }},
      {"fetched_at missing", [](json& j) { j.erase("fetched_at"); }},
      {"fetched_at a string", [](json& j) { j["fetched_at"] = "1760421600000"; }},
      {"fetched_at a boolean", [](json& j) { j["fetched_at"] = true; }},
      {"received_at null", [](json& j) { j["received_at"] = nullptr; }},
      {"windows missing", [](json& j) { j.erase("windows"); }},
      {"windows an object", [](json& j) { j["windows"] = json::object(); }},
      {"error a number", [](json& j) { j["error"] = 503; }},
      {"plan a boolean", [](json& j) { j["plan"] = false; }},
      {"window not an object", [](json& j) { j["windows"].push_back("junk"); }},
      {"window key missing", [](json& j) { j["windows"][0].erase("key"); }},
      {"window key a number", [](json& j) { j["windows"][1]["key"] = 1; }},
      {"window pct missing", [](json& j) { j["windows"][2].erase("pct"); }},
      {"window pct a string", [](json& j) { j["windows"][0]["pct"] = "5"; }},
      {"window pct a boolean", [](json& j) { j["windows"][0]["pct"] = true; }},
      {"window resets_at a string", [](json& j) { j["windows"][0]["resets_at"] = "x"; }},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    json value = encodeReading(full());
    c.damage(value);
    EXPECT_EQ(decodeReading(value), std::nullopt);
  }
}

TEST(StoredReading, DecodingAllowsNullOptionalsAndForeignContent) {
  struct Case {
    const char* name;
    std::function<void(json&)> change;
    std::function<void(Reading&)> expect;
  } cases[] = {
      {"error null", [](json& j) { j["error"] = nullptr; }, [](Reading& r) { r.error.reset(); }},
      {"plan null", [](json& j) { j["plan"] = nullptr; }, [](Reading& r) { r.plan.reset(); }},
      {"resets_at null", [](json& j) { j["windows"][0]["resets_at"] = nullptr; },
       [](Reading& r) { r.windows[0].resets_at.reset(); }},
      {"unknown members",
       [](json& j) {
         j["future"] = {{"x", 1}};
         j["windows"][1]["extra"] = true;
       },
       [](Reading&) {}},
      {"integer times", [](json& j) { j["fetched_at"] = 1760421599123; }, [](Reading&) {}},
      {"empty windows", [](json& j) { j["windows"] = json::array(); }, [](Reading& r) { r.windows.clear(); }},
      {"foreign key and status are the sanitiser's business",
       [](json& j) {
         j["status"] = "weird";
         j["windows"][0]["key"] = "bogus";
       },
       [](Reading& r) {
         r.status = "weird";
         r.windows[0].key = "bogus";
       }},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    json value = encodeReading(full());
    c.change(value);
    Reading want = full();
    c.expect(want);
    EXPECT_EQ(decodeReading(value), want);
  }
}

TEST(StoredReading, DamagedValuesAreTamedBySanitisingAfterDecoding) {
  const auto load = [](const char* text) -> std::optional<Reading> {
    const auto decoded = decodeReading(json::parse(text, nullptr, false));
    if (!decoded) return std::nullopt;
    return sanitizeReading(*decoded, now);
  };
  EXPECT_EQ(load(R"({"status":"ok","fetched_at":1e300,"received_at":1e300,"windows":[]})"), std::nullopt);

  const auto r =
      load(R"({"status":"ok","fetched_at":1760421600000,"received_at":1760421600000,"plan":" Pro\n",
    "windows":[{"key":"session","pct":1e300,"resets_at":1e300},{"key":"bogus","pct":5}]})");
  ASSERT_TRUE(r);
  EXPECT_EQ(r->plan, "Pro");
  EXPECT_EQ(r->windows, (std::vector<UsageWindow>{{"session", maxPct, {}}}));
}

}  // namespace
