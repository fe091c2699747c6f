#include <gtest/gtest.h>

#include <limits>

#include "display/shown.hpp"

namespace {

TEST(ToneTest, ThresholdsJudgeTheRoundedPercentage) {
  struct Case {
    double pct;
    Tone want;
  } cases[] = {
      {0, Tone::normal},
      {69.4, Tone::normal},
      {69.5, Tone::orange},
      {70, Tone::orange},
      {89.4, Tone::orange},
      {89.5, Tone::red},
      {90, Tone::red},
      {10000, Tone::red},
      {-5, Tone::normal},
      {std::numeric_limits<double>::quiet_NaN(), Tone::normal},
      {std::numeric_limits<double>::infinity(), Tone::red},
      {-std::numeric_limits<double>::infinity(), Tone::normal},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.pct);
    EXPECT_EQ(toneName(toneFor(c.pct)), toneName(c.want));
  }
}

TEST(ToneTest, RowInksGreyEverythingWhenStale) {
  struct Case {
    Tone tone;
    bool stale;
    Ink pct, bar;
  } cases[] = {
      {Tone::normal, false, Ink::label, Ink::blue},
      {Tone::orange, false, Ink::orange, Ink::orange},
      {Tone::red, false, Ink::red, Ink::red},
      {Tone::dim, false, Ink::label, Ink::blue},
      {Tone::normal, true, Ink::secondary, Ink::secondary},
      {Tone::orange, true, Ink::secondary, Ink::secondary},
      {Tone::red, true, Ink::secondary, Ink::secondary},
      {Tone::dim, true, Ink::secondary, Ink::secondary},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(toneName(c.tone)) + (c.stale ? " stale" : " live"));
    const RowInks got = rowInks(c.tone, c.stale);
    EXPECT_EQ(inkName(got.pct), inkName(c.pct));
    EXPECT_EQ(inkName(got.bar), inkName(c.bar));
  }
}

}  // namespace
