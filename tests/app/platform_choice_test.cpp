#include "app/platform_choice.hpp"

#include <gtest/gtest.h>

namespace {

TEST(PlatformChoice, WindowlessModesDrawOffscreenUnlessTheUserChose) {
  const std::map<std::string, std::string> deadX{{"DISPLAY", ":99"}}, deadWayland{{"WAYLAND_DISPLAY", "w-0"}};
  struct Case {
    const char* name;
    Mode mode;
    std::map<std::string, std::string> env;
    std::optional<std::string> want;
  } cases[] = {
      {"menu under an X display", Mode::renderMenu, deadX, "offscreen"},
      {"glyph under a Wayland display", Mode::renderGlyph, deadWayland, "offscreen"},
      {"guide without any display", Mode::renderGuide, {}, "offscreen"},
      {"selftest under an X display", Mode::selftest, deadX, "offscreen"},
      {"an empty choice is no choice", Mode::renderMenu, {{"QT_QPA_PLATFORM", ""}}, "offscreen"},
      {"the user's platform stays", Mode::renderMenu, {{"QT_QPA_PLATFORM", "xcb"}, {"DISPLAY", ":0"}}, {}},
      {"the tray run keeps its display", Mode::normal, deadX, {}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(forcedPlatform(c.mode, fixedEnvironment(c.env)), c.want);
  }
}

}  // namespace
