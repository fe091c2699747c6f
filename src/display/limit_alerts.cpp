#include "display/limit_alerts.hpp"

#include <cmath>

#include "display/pace.hpp"
#include "display/phrases.hpp"
#include "display/shown.hpp"
#include "readings/window_state.hpp"

namespace {

// Judged on the rounded percentage, so a notice never names a number the
// panel does not show.
double shownPct(double pct) {
  return double(safeInt(std::round(pct)));
}

bool sameCycle(double a, double b) {
  return std::fabs(a - b) <= cycleToleranceMs;
}

}  // namespace

std::vector<LimitNotice> limitNotices(AlertState& state, const Reading& reading, ReadingSource source,
                                      EpochSeconds now) {
  std::vector<LimitNotice> notices;
  if (source != ReadingSource::bridge || reading.status != "ok") return notices;
  // Written so that an age that is not a number counts as stale.
  if (!(now - reading.dataTime() < staleAfter)) return notices;

  for (const UsageWindow& w : reading.windows) {
    if (effective(w, now).state.kind != WinState::Kind::active) continue;
    const double cycle = *w.resets_at;
    auto [it, first] = state.try_emplace(w.key, WindowAlerts{cycle, false, false});
    WindowAlerts& alerts = it->second;
    // The cycle keeps its first moment, so jitter to either side never adds up.
    if (!first && !sameCycle(alerts.cycle, cycle)) {
      if (alerts.near || alerts.reached) notices.push_back({AlertKind::reset, w});
      alerts = {cycle, false, false};
    }

    const double pct = shownPct(w.pct);
    if (pct >= reachedPct && !alerts.reached) {
      notices.push_back({AlertKind::reached, w});
      // The quieter notice must never follow the louder one.
      alerts.reached = alerts.near = true;
    } else if (pct >= nearPct && !alerts.near) {
      notices.push_back({AlertKind::near, w});
      alerts.near = true;
    }
  }
  return notices;
}

NoticeText noticeText(const LimitNotice& notice, EpochSeconds now) {
  const UsageWindow& w = notice.window;
  const std::string label = windowLabel(w.key);
  const std::string pct = pctText(w.pct);
  const Effective e = effective(w, now);
  const std::string reset = resetLine(e.state, now);
  switch (notice.kind) {
    case AlertKind::near: {
      std::string body = reset;
      if (const auto pace = paceOf(w, now))
        if (const auto runOut = runOutText(*pace)) body += "\n" + *runOut;
      return {T(label + " " + pct + " 사용", label + " at " + pct), body};
    }
    case AlertKind::reached:
      return {T(label + " 도달", label + " reached"), reset};
    case AlertKind::reset:
      return {T(label + " 리셋됨", label + " reset"), label + " " + pct + ", " + reset};
  }
  return {label, reset};
}
