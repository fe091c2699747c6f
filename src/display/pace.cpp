#include "display/pace.hpp"

#include <algorithm>

#include "display/phrases.hpp"

std::optional<double> windowLength(std::string_view key) {
  constexpr double hour = 3600.0, day = 86400.0;
  if (key == "session") return 5 * hour;
  if (isWindowKey(key)) return 7 * day;
  return std::nullopt;
}

std::optional<Pace> paceOf(const UsageWindow& window, EpochSeconds now) {
  const std::optional<double> length = windowLength(window.key);
  if (!length || !window.resets_at) return std::nullopt;
  const EpochSeconds resetsAt = *window.resets_at / 1000.0;
  // Written so that NaN falls on the absent side.
  if (!(now < resetsAt)) return std::nullopt;

  const double elapsed = std::clamp(now - (resetsAt - *length), 0.0, *length);
  Pace pace{elapsed / *length, resetsAt, std::nullopt};
  // Only usage ahead of the even share can run out early; at or behind it the
  // projection lands on or after the reset. A window that has just begun has
  // no rate yet, and one already at 100 % has run out.
  const double pct = window.pct;
  if (!(pct > pace.share * 100.0) || !(elapsed > 0) || !(pct < 100.0)) return pace;
  const EpochSeconds runsOutAt = now + elapsed * (100.0 - pct) / pct;
  if (runsOutAt < resetsAt) pace.runsOutAt = runsOutAt;
  return pace;
}

std::optional<std::string> runOutText(const Pace& pace) {
  if (!pace.runsOutAt) return std::nullopt;
  const std::string early = durationText(phraseMinutes(pace.resetsAt - *pace.runsOutAt));
  return T("이 속도면 리셋 약 " + early + " 전에 다 써요",
           "at this pace: out about " + early + " before the reset");
}
