#include "display/tray_choice.hpp"

#include "display/display_fixture.hpp"

namespace {

// Which window the tray shows, and how: the 5-hour one by default, the
// 7-day one, or the highest with ties to the earlier window in the window
// order (not the reading's), greyed when the numbers are stale.
TEST_F(DisplayTest, TheTrayShowsTheChosenWindowAsTheHeadlineWouldShowIt) {
  const EpochSeconds ahead = testNow + hour;
  struct Case {
    const char* name;
    std::vector<UsageWindow> windows;
    TrayWindow choice;
    double age;  // of the data; ten minutes or more is stale
    const char* key;
    const char* headline;
    Tone tone;
    std::optional<double> gauge;
  } cases[] = {
      {"the default",
       {window("session", 3, ahead), window("weekly", 100, ahead)},
       TrayWindow::session,
       60,
       "session",
       "3%",
       Tone::normal,
       0.03},
      {"a spent week",
       {window("session", 3, ahead), window("weekly", 100, ahead)},
       TrayWindow::weekly,
       60,
       "weekly",
       "100%",
       Tone::red,
       1.0},
      {"a per-model window is highest",
       {window("session", 42, ahead), window("weekly", 76, ahead), window("opus", 91, ahead)},
       TrayWindow::highest,
       60,
       "opus",
       "91%",
       Tone::red,
       0.91},
      {"a tie goes to the earlier window",
       {window("session", 80, ahead), window("weekly", 80, ahead)},
       TrayWindow::highest,
       60,
       "session",
       "80%",
       Tone::orange,
       0.8},
      {"in the window order, not the reading's",
       {window("sonnet", 50, ahead), window("weekly", 50, ahead)},
       TrayWindow::highest,
       60,
       "weekly",
       "50%",
       Tone::normal,
       0.5},
      {"unrounded numbers decide",
       {window("weekly", 50.2, ahead), window("sonnet", 50.4, ahead)},
       TrayWindow::highest,
       60,
       "sonnet",
       "50%",
       Tone::normal,
       0.504},
      {"a window past its reset counts as empty",
       {window("session", 95, testNow - minute), window("weekly", 20, ahead)},
       TrayWindow::highest,
       60,
       "weekly",
       "20%",
       Tone::normal,
       0.2},
      {"a missing window shows the dash",
       {window("session", 42, ahead)},
       TrayWindow::weekly,
       60,
       "",
       "\u2013",
       Tone::normal,
       std::nullopt},
      {"stale numbers are greyed",
       {window("session", 3, ahead), window("weekly", 100, ahead)},
       TrayWindow::weekly,
       11 * minute,
       "weekly",
       "100%",
       Tone::dim,
       1.0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const Saved saved = savedOk(reading("ok", c.age, c.windows));
    const Shown shown = buildShown(saved, true, ListenState::ready(), testNow);
    const Glance glance = glanceOf(shown, c.choice);
    EXPECT_EQ(std::tuple(glance.key, glance.headline, toneName(glance.tone), glance.gauge),
              std::tuple(std::string(c.key), std::string(c.headline), toneName(c.tone), c.gauge));
    // The 5-hour choice is exactly what the tray always showed.
    const Glance session = glanceOf(shown, TrayWindow::session);
    EXPECT_EQ(std::tuple(session.headline, session.tone, session.gauge),
              std::tuple(shown.headline, shown.tone, shown.gauge));
  }
  // Without numbers every choice shows the greyed dash.
  const Shown waiting = buildShown({}, true, ListenState::ready(), testNow);
  EXPECT_EQ(glanceOf(waiting, TrayWindow::highest),
            (Glance{TrayWindow::highest, "", "", "\u2013", Tone::dim, {}}));
}

TEST(TrayChoice, NamesAndASavedValue) {
  for (TrayWindow choice : {TrayWindow::session, TrayWindow::weekly, TrayWindow::highest})
    EXPECT_EQ(trayWindowNamed(trayWindowName(choice)), choice);
  EXPECT_EQ(trayWindowOr(std::nullopt), TrayWindow::session);
  EXPECT_EQ(trayWindowOr("Weekly"), TrayWindow::session) << "an unknown value means the default";
  EXPECT_EQ(trayWindowOr("highest"), TrayWindow::highest);
  EXPECT_EQ(glanceText({TrayWindow::weekly, "weekly", "7-day limit", "76%", Tone::orange, 0.76}),
            "7-day limit 76%");
  EXPECT_EQ(glanceText({TrayWindow::highest, "session", "5-hour limit", "42%", Tone::normal, 0.42}), "42%");
}

}  // namespace
