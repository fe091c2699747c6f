#include "windows/history_window.hpp"

#include <gtest/gtest.h>

#include "support/event_wait.hpp"
#include "views/app_palette.hpp"

namespace {

// An open history window follows a live switch of the scheme, as the menus and the icon do.
TEST(HistoryWindow, FollowsALiveSwitchOfTheScheme) {
  applyAppearance(Appearance::light);
  HistoryWindow window;
  window.showHistory({{1760421600000, {{"session", 42, 1760425200000}}}}, 1760421660, Appearance::light);
  window.show();
  applyAppearance(Appearance::dark);
  EXPECT_TRUE(waitUntil([&] { return window.appearance() == Appearance::dark; }, 2000));
  EXPECT_LT(window.palette().color(QPalette::Window).lightness(), 128);
  EXPECT_EQ(window.chartCount(), 1);
  applyAppearance(Appearance::light);
}

}  // namespace
