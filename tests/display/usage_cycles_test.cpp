#include "display/usage_cycles.hpp"

#include <gtest/gtest.h>

#include "display/phrase_clock.hpp"

namespace {

constexpr EpochSeconds t0 = 1760421600;
constexpr double hour = 3600, session = 5 * hour;

HistoryEntry reading(EpochSeconds at, double pct, std::optional<EpochSeconds> reset) {
  HistoryEntry entry{at * 1000, {{"weekly", 1, (t0 + 86400) * 1000}}};
  if (reset) entry.windows.insert(entry.windows.begin(), {"session", pct, *reset * 1000});
  return entry;
}

UsageCycle cycle(EpochSeconds end, std::vector<CyclePoint> points, std::optional<EpochSeconds> ranOut = {}) {
  return {end - session, end, std::move(points), ranOut};
}

}  // namespace

TEST(UsageCycles, SplitsAtResetsAndKeepsAMovedResetInItsCycle) {
  const EpochSeconds r = t0 + hour;
  const std::tuple<const char*, std::vector<HistoryEntry>, std::vector<UsageCycle>> cases[] = {
      {"reset moved by seconds",
       {reading(t0, 10, r), reading(t0 + 60, 11, r + 30)},
       {cycle(r + 30, {{t0, 10}, {t0 + 60, 11}})}},
      {"reset moved by a whole window",
       {reading(t0, 10, r), reading(t0 + 60, 2, r + session)},
       {cycle(r, {{t0, 10}}), cycle(r + session, {{t0 + 60, 2}})}},
      {"window gone, then back",
       {reading(t0, 10, r), reading(t0 + 60, 0, {}), reading(t0 + 120, 12, r)},
       {cycle(r, {{t0, 10}, {t0 + 120, 12}})}},
      {"window appears later", {reading(t0 - 60, 0, {}), reading(t0, 3, r)}, {cycle(r, {{t0, 3}})}},
      {"reading exactly at its reset is 0 % of the next",
       {reading(t0, 90, r), reading(r, 90, r)},
       {cycle(r, {{t0, 90}}), cycle(r + session, {{r, 0}})}},
      {"ran out",
       {reading(t0, 99, r), reading(t0 + 60, 100, r), reading(t0 + 120, 100, r)},
       {cycle(r, {{t0, 99}, {t0 + 60, 100}, {t0 + 120, 100}}, t0 + 60)}},
  };
  for (const auto& [name, entries, want] : cases) EXPECT_EQ(splitCycles(entries, "session"), want) << name;
}

TEST(UsageCycles, PhrasesChangeOnTheMinuteMarksOfTheReadingsMoments) {
  Reading ok{"ok", {}, {}, (t0 - 90) * 1000, (t0 - 90) * 1000, {{"session", 5, (t0 + 3605) * 1000}}};
  EXPECT_EQ(nextPhraseChange({ok, ok}, t0), t0 + 5);  // the reset's mark comes before the age's
  ok.windows.clear();
  EXPECT_EQ(nextPhraseChange({{}, ok}, t0), t0 + 30);
  EXPECT_EQ(nextPhraseChange({}, t0), std::nullopt);
}
