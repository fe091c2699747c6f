#include "app/sample_states.hpp"

#include <set>

#include <gtest/gtest.h>

#include "display/phrases.hpp"

namespace {

constexpr Date now = 1760415000;

TEST(SampleStates, SheetCoversEverySituation) {
  const bool saved = isKorean;
  isKorean = false;
  const auto samples = sampleStates(now);
  isKorean = saved;

  std::set<std::string> phases;
  std::set<std::string> captions;
  bool threeTones = false, pastReset = false, notStarted = false;
  for (const auto& s : samples) {
    phases.insert(s.shown.phase);
    captions.insert(s.caption);
    if (s.shown.phase == "ok" && s.shown.details.size() == 3) {
      threeTones = s.shown.details[0].tone == Tone::normal && s.shown.details[1].tone == Tone::orange &&
                   s.shown.details[2].tone == Tone::red;
    }
    for (const auto& row : s.shown.details) {
      pastReset |= row.reset == "reset" && row.pct == "0%";
      notStarted |= row.reset == "not started yet";
    }
  }
  EXPECT_EQ(phases, (std::set<std::string>{"waiting_first", "ok", "stale", "signed_out", "error", "no_data",
                                           "port_busy"}));
  EXPECT_EQ(captions.size(), samples.size()) << "every sample needs its own caption";
  EXPECT_TRUE(threeTones);
  EXPECT_TRUE(pastReset);
  EXPECT_TRUE(notStarted);
  for (const auto& s : samples) {
    if (s.shown.phase == "signed_out" || s.shown.phase == "stale") {
      EXPECT_FALSE(s.shown.details.empty()) << s.shown.phase << " keeps the old numbers";
    }
  }
}

TEST(SampleStates, CaptionsAndPanelsFollowTheLanguage) {
  const bool saved = isKorean;
  isKorean = true;
  const auto ko = sampleStates(now);
  isKorean = false;
  const auto en = sampleStates(now);
  isKorean = saved;
  ASSERT_EQ(ko.size(), en.size());
  for (std::size_t i = 0; i < ko.size(); ++i) {
    SCOPED_TRACE(en[i].caption);
    EXPECT_NE(ko[i].caption, en[i].caption);
    EXPECT_EQ(ko[i].shown.phase, en[i].shown.phase);
    if (en[i].shown.status) {
      EXPECT_NE(ko[i].shown.status, en[i].shown.status);
    }
  }
}

}  // namespace
