#include <limits>
#include <optional>
#include <string>

#include <gtest/gtest.h>

#include "readings/json_access.hpp"

namespace {

using nlohmann::json;
constexpr double inf = std::numeric_limits<double>::infinity();

// The decoders only ask whether a value is a finite number; what else the
// parse promises (sign, place, the values around) is pinned here.
TEST(ParseDocument, PutsSignedInfinitiesWhereLiteralsOverflow) {
  struct Case {
    const char* name;
    std::string text;
    std::optional<json> want;  // absent: refused
  } cases[] = {
      {"sign and order", "[-1e400, 1E+400, 1, -2.5, 0]", json::array({-inf, inf, 1, -2.5, 0})},
      {"nested, after keys and strings", R"({"a\\":"-1e400","b":{"c":[true,-123e999]}})",
       json{{"a\\", "-1e400"}, {"b", {{"c", json::array({true, -inf})}}}}},
      {"the whole document", "-1e400", -inf},
      {"largest double beside it", "[1.7976931348623157e308,1e400]",
       json::array({1.7976931348623157e308, inf})},
      {"309 integer digits", "[" + std::string(309, '9') + "]", json::array({inf})},
      {"308 integer digits", "[" + std::string(308, '9') + ",1e400]", json::array({1e308, inf})},
      {"unclosed", "[1e400", std::nullopt},
      {"not JSON at all", "1e400 x", std::nullopt},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const json got = readings_detail::parseDocument(c.text);
    EXPECT_EQ(got.is_discarded() ? std::nullopt : std::optional(got), c.want);
  }
}

}  // namespace
