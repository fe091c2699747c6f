#include "display/tray_choice.hpp"

#include <sstream>

#include "display/display_fixture.hpp"

namespace {

// "session:3 weekly:100": windows resetting in an hour; "session:95!" one
// whose reset has passed.
std::vector<UsageWindow> windows(const std::string& text) {
  std::vector<UsageWindow> all;
  std::istringstream in(text);
  for (std::string word; in >> word;) {
    const auto colon = word.find(':');
    const bool past = word.back() == '!';
    all.push_back(
        window(word.substr(0, colon), std::stod(word.substr(colon + 1)), testNow + (past ? -minute : hour)));
  }
  return all;
}

// Which window the tray shows, and how: the 5-hour one by default, the
// 7-day one, or the highest with ties to the earlier window in the window
// order (not the reading's), greyed when the numbers are stale.
TEST_F(DisplayTest, TheTrayShowsTheChosenWindowAsTheHeadlineWouldShowIt) {
  struct Case {
    const char* name;
    const char* windows;
    TrayWindow choice;
    double age;        // of the data; ten minutes or more is stale
    const char* want;  // key, headline, tone and gauge
  } cases[] = {
      {"the default", "session:3 weekly:100", TrayWindow::session, 60, "session 3% normal 0.03"},
      {"a spent week", "session:3 weekly:100", TrayWindow::weekly, 60, "weekly 100% red 1"},
      {"a per-model window is highest", "session:42 weekly:76 opus:91", TrayWindow::highest, 60,
       "opus 91% red 0.91"},
      {"a tie goes to the earlier window", "session:80 weekly:80", TrayWindow::highest, 60,
       "session 80% orange 0.8"},
      {"in the window order, not the reading's", "sonnet:50 weekly:50", TrayWindow::highest, 60,
       "weekly 50% normal 0.5"},
      {"unrounded numbers decide", "weekly:50.2 sonnet:50.4", TrayWindow::highest, 60,
       "sonnet 50% normal 0.504"},
      {"a window past its reset counts as empty", "session:95! weekly:20", TrayWindow::highest, 60,
       "weekly 20% normal 0.2"},
      {"a missing window shows the dash", "session:42", TrayWindow::weekly, 60, " \u2013 normal -"},
      {"stale numbers are greyed", "session:3 weekly:100", TrayWindow::weekly, 11 * minute,
       "weekly 100% dim 1"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const Shown shown =
        buildShown(savedOk(reading("ok", c.age, windows(c.windows))), true, ListenState::ready(), testNow);
    const Glance g = glanceOf(shown, c.choice);
    std::ostringstream got;
    got << g.key << " " << g.headline << " " << toneName(g.tone) << " ";
    if (g.gauge)
      got << *g.gauge;
    else
      got << "-";
    EXPECT_EQ(got.str(), c.want);
    // The 5-hour choice is exactly what the tray always showed.
    const Glance session = glanceOf(shown, TrayWindow::session);
    EXPECT_EQ(std::tuple(session.headline, session.tone, session.gauge),
              std::tuple(shown.headline, shown.tone, shown.gauge));
  }
  // Without numbers every choice shows the greyed dash.
  const Shown waiting = buildShown({}, true, ListenState::ready(), testNow);
  EXPECT_EQ(glanceOf(waiting, TrayWindow::highest),
            (Glance{TrayWindow::highest, "", "", "\u2013", Tone::dim, {}}));
  EXPECT_EQ(trayWindowOr("Weekly"), TrayWindow::session) << "an unknown saved value means the default";
  EXPECT_EQ(trayWindowOr("highest"), TrayWindow::highest);
  EXPECT_EQ(glanceText({TrayWindow::weekly, "weekly", "7-day limit", "76%", Tone::orange, 0.76}),
            "7-day limit 76%");
}

}  // namespace
