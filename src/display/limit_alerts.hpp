#pragma once
// When a window's usage deserves a desktop notice: crossing 80 %, reaching
// 100 %, and a new reset cycle after either. Each at most once per window and
// cycle; what was given is kept in an AlertState so a restart stays quiet.

#include <string>
#include <vector>

#include "readings/reading.hpp"
#include "store/alert_store.hpp"

enum class AlertKind { near, reached, reset };

// Where a reading came from: only readings that arrived in this run speak;
// numbers from disk were already seen by an earlier run.
enum class ReadingSource { bridge, disk };

inline constexpr double nearPct = 80;
inline constexpr double reachedPct = 100;
// The service's reset moment wobbles by milliseconds between readings; a
// cycle changes only when it moves by more than this.
inline constexpr double cycleToleranceMs = 60'000;

struct LimitNotice {
  AlertKind kind = AlertKind::near;
  UsageWindow window;  // as the reading that caused the notice carried it

  bool operator==(const LimitNotice&) const = default;
};

// The notices one reading gives, in window order, updating `state`. Only a
// reading from the bridge with status "ok" whose data is younger than
// staleAfter counts, and only windows whose reset lies ahead of `now`.
std::vector<LimitNotice> limitNotices(AlertState& state, const Reading& reading, ReadingSource source,
                                      EpochSeconds now);

struct NoticeText {
  std::string title;
  std::string body;
  bool operator==(const NoticeText&) const = default;
};

// "5-hour limit at 82%" over "resets in 2h 39m · 6:50 PM", with the pace
// phrase on a second line when the window runs out before its reset.
NoticeText noticeText(const LimitNotice& notice, EpochSeconds now);
