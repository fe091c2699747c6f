#include "commands/status_output.hpp"

#include <nlohmann/json.hpp>

#include "display/display_fixture.hpp"

namespace {

// A bar's number is the session's whole percentage, clamped to 0–100, beside
// the same text and tone the tray shows.
TEST_F(DisplayTest, WaybarCarriesTheHeadlineToneAndAClampedPercentage) {
  struct Case {
    double pct;
    const char* text;
    const char* tone;
    int percentage;
  } cases[] = {{69.4, "69%", "normal", 69},    {69.5, "70%", "orange", 70}, {89.4, "89%", "orange", 89},
               {89.5, "90%", "red", 90},       {14.5, "15%", "normal", 15}, {28.5, "29%", "normal", 29},
               {56.5, "57%", "normal", 57},    {57.5, "58%", "normal", 58}, {10000, "10000%", "red", 100},
               {notANumber, "0%", "normal", 0}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.pct);
    const Saved saved = savedOk(reading("ok", 0, {window("session", c.pct, testNow + 1)}));
    const Shown shown = buildShown(saved, true, ListenState::ready(), testNow);
    const auto bar = nlohmann::json::parse(
        statusOutput(StatusFormat::waybar, shown, glanceOf(shown, TrayWindow::session), saved, testNow));
    EXPECT_EQ(bar.value("text", ""), c.text);
    EXPECT_EQ(bar.value("class", ""), c.tone);
    EXPECT_EQ(bar.value("percentage", -1), c.percentage);
    EXPECT_EQ(bar.value("alt", ""), "session");
  }
  // Another window chosen: the bar's number, class and key are its, while
  // the tooltip still lists every window.
  const Saved saved =
      savedOk(reading("ok", 0, {window("session", 3, testNow + 1), window("weekly", 100.4, testNow + 1)}));
  const Shown shown = buildShown(saved, true, ListenState::ready(), testNow);
  const auto bar = nlohmann::json::parse(
      statusOutput(StatusFormat::waybar, shown, glanceOf(shown, TrayWindow::weekly), saved, testNow));
  EXPECT_EQ(std::tuple(bar.value("text", ""), bar.value("class", ""), bar.value("percentage", -1),
                       bar.value("alt", "")),
            std::tuple("100%", "red", 100, "weekly"));
  EXPECT_NE(bar.value("tooltip", "").find("5-hour limit  3%"), std::string::npos);
}

}  // namespace
