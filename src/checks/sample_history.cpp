#include "checks/sample_history.hpp"

#include <algorithm>
#include <cmath>

std::vector<HistoryEntry> sampleHistory(EpochSeconds now, double days, double step, bool dedupe) {
  constexpr double hour = 3600, day = 86400, week = 7 * day;
  std::vector<HistoryEntry> entries;
  std::optional<HistoryEntry> last;
  double session = 0, weekly = 0, opus = 0;
  double sessionReset = 0;
  // The 7-day windows reset on a fixed weekday, a little before `now`'s.
  double weeklyReset = now - std::fmod(now, week) + 3.5 * day;
  while (weeklyReset - week > now - days * day) weeklyReset -= week;
  for (double t = now - days * day; t <= now; t += step) {
    const double hourOfDay = std::fmod(t, day) / hour;
    const bool working = std::fmod(std::floor(t / day), 7) != 3 && hourOfDay >= 0 && hourOfDay < 11;
    if (t >= weeklyReset) {
      weeklyReset += week;
      weekly = opus = 0;
    }
    if (t >= sessionReset && working) {
      sessionReset = t + 5 * hour;
      session = 0;
    }
    const bool inSession = t < sessionReset;
    if (inSession && working) {
      // Each session has its own speed; some outrun the even pace.
      const double speed = 0.22 + 0.2 * (1 + std::sin(sessionReset / 7919.0));
      const double used = std::min(speed * step / 60, 100 - session);
      session += used;
      weekly = std::min(100.0, weekly + used * 0.09);
      opus = std::min(100.0, opus + used * 0.05);
    }
    HistoryEntry entry{t * 1000, {}};
    if (inSession) entry.windows.push_back({"session", std::round(session), sessionReset * 1000});
    entry.windows.push_back({"weekly", std::round(weekly), weeklyReset * 1000});
    entry.windows.push_back({"opus", std::round(opus), weeklyReset * 1000});
    if (dedupe && !History::worthRecording(last, entry)) continue;
    last = entry;
    entries.push_back(std::move(entry));
  }
  return entries;
}
