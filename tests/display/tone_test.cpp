#include <gtest/gtest.h>

#include "display/shown.hpp"

namespace {

TEST(RowInks, FollowTheToneAndGreyEverythingWhenStale) {
  EXPECT_EQ(rowInks(Tone::normal, false), (RowInks{Ink::label, Ink::blue}));
  EXPECT_EQ(rowInks(Tone::dim, false), (RowInks{Ink::label, Ink::blue}));
  EXPECT_EQ(rowInks(Tone::orange, false), (RowInks{Ink::orange, Ink::orange}));
  EXPECT_EQ(rowInks(Tone::red, false), (RowInks{Ink::red, Ink::red}));
  for (Tone tone : {Tone::normal, Tone::orange, Tone::red, Tone::dim}) {
    EXPECT_EQ(rowInks(tone, true), (RowInks{Ink::secondary, Ink::secondary})) << toneName(tone);
  }
}

}  // namespace
