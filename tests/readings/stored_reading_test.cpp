#include <functional>

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include "readings/stored_reading.hpp"

namespace {

using nlohmann::json;

const Reading full{"ok", "http-503", "Max", 1.7e12, 1.7e12, {{"session", 42.3, 1.8e12}, {"weekly", 1, {}}}};

TEST(StoredReading, LeavesAbsentOptionalsOut) {
  const auto bare = encodeReading(Reading{"no_data", {}, {}, 1, 1, {{"session", 1, {}}}});
  EXPECT_FALSE(bare.contains("error") || bare.contains("plan") || bare["windows"][0].contains("resets_at"));
}

TEST(StoredReading, DecodingIsStrictAboutTypesButAllowsNulls) {
  struct Case {
    const char* name;
    std::function<void(json&)> change;
    bool accepted = false;
  } cases[] = {
      {"not an object", [](json& j) { j = json::array({j}); }},
      {"status missing", [](json& j) { j.erase("status"); }},
      {"fetched_at a string", [](json& j) { j["fetched_at"] = "1760421600000"; }},
      {"error a number", [](json& j) { j["error"] = 503; }},
      {"window pct a boolean", [](json& j) { j["windows"][0]["pct"] = true; }},
      {"window resets_at a string", [](json& j) { j["windows"][0]["resets_at"] = "x"; }},
      {"optionals null", [](json& j) { j["error"] = j["plan"] = j["windows"][0]["resets_at"] = nullptr; },
       true},
      {"unknown members", [](json& j) { j["future"] = j["windows"][1]["extra"] = 1; }, true},
  };
  for (const auto& c : cases) {
    json value = encodeReading(full);
    c.change(value);
    EXPECT_EQ(decodeReading(value).has_value(), c.accepted) << c.name;
  }
}

}  // namespace
