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
  const std::tuple<const char*, std::function<void(json&)>, bool> cases[] = {
      {"not an object", [](json& j) { j = json::array({j}); }, false},
      {"status missing", [](json& j) { j.erase("status"); }, false},
      {"fetched_at a string", [](json& j) { j["fetched_at"] = "1760421600000"; }, false},
      {"error a number", [](json& j) { j["error"] = 503; }, false},
      {"window pct a boolean", [](json& j) { j["windows"][0]["pct"] = true; }, false},
      {"window resets_at a string", [](json& j) { j["windows"][0]["resets_at"] = "x"; }, false},
      {"optionals null", [](json& j) { j["error"] = j["plan"] = j["windows"][0]["resets_at"] = nullptr; },
       true},
      {"unknown members", [](json& j) { j["future"] = j["windows"][1]["extra"] = 1; }, true},
  };
  for (const auto& [name, change, accepted] : cases) {
    json value = encodeReading(full);
    change(value);
    EXPECT_EQ(decodeReading(value).has_value(), accepted) << name;
  }
}

}  // namespace
