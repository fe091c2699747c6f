#include <cmath>
#include <string>

#include "build_config.hpp"
#include "display/pace.hpp"
#include "display/phrases.hpp"
#include "display/shown.hpp"
#include "readings/window_state.hpp"

namespace {

double barFraction(double pct) {
  const double f = pct / 100.0;
  if (!(f > 0.0)) return 0.0;  // NaN included
  return f < 1.0 ? f : 1.0;
}

// A number that is not one ranks lowest and, unlike NaN, equals itself, so
// the model it is part of compares equal to an unchanged copy.
double rankValue(double pct) {
  return std::isnan(pct) ? 0.0 : pct;
}

std::string couldNotGetUsage(const std::string& why) {
  return T("사용량을 못 가져왔어요 (", "Couldn't get usage (") + why + ")";
}

struct Situation {
  std::string phase;
  std::optional<std::string> status;
};

Situation situation(const Saved& saved, bool freshThisSession, EpochSeconds now) {
  const std::string waiting = T("확장 프로그램을 기다리는 중이에요", "Waiting for the browser extension");
  if (!saved.latest) return {"waiting_first", waiting};
  const Reading& latest = *saved.latest;
  const std::string site = Build::serviceSite;
  if (latest.status == "signed_out")
    return {"signed_out", T(site + "에 로그인해 주세요", "Log in to " + site + " in your browser")};
  if (latest.status == "no_data")
    return {"no_data", T("무료 플랜은 사용량 숫자가 없어요", "Free plans don't show usage numbers")};
  if (latest.status == "error") return {"error", couldNotGetUsage(latest.error.value_or(latest.status))};
  const double age = now - latest.dataTime();
  // Written so that an age that is not a number counts as stale.
  if (!freshThisSession || !(age < staleAfter)) return {"stale", waiting};
  return {"ok", std::nullopt};
}

std::string footerText(const Reading& ok, EpochSeconds now) {
  const double age = now - ok.dataTime();
  std::string ago = age >= 60.0 ? T("갱신 ", "updated ") + agoText(age) : T("방금 갱신", "updated just now");
  if (!ok.plan) return ago;
  return *ok.plan + std::string(partSeparator) + ago;
}

std::optional<double> paceMark(const UsageWindow& w, EpochSeconds now) {
  const std::optional<Pace> pace = paceOf(w, now);
  if (!pace) return std::nullopt;
  return std::round(pace->share * 1000.0) / 1000.0;
}

}  // namespace

Shown buildShown(const Saved& saved, bool freshThisSession, const ListenState& listen, EpochSeconds now) {
  Shown shown;
  Situation s = situation(saved, freshThisSession, now);
  if (listen.kind == ListenState::Kind::busy) {
    s = {"port_busy", T("47615 포트를 다른 프로그램이 쓰고 있어요", "Port 47615 is in use by another app")};
  } else if (listen.kind == ListenState::Kind::failed) {
    s = {"listen_failed", couldNotGetUsage(listen.text)};
  }
  shown.phase = std::move(s.phase);
  shown.status = std::move(s.status);

  Tone headlineTone = Tone::normal;
  // A free plan shows no windows, even over an older "ok" reading.
  const bool noNumbers = !saved.ok || (saved.latest && saved.latest->status == "no_data");
  if (!noNumbers) {
    const Reading& ok = *saved.ok;
    for (const UsageWindow& w : ok.windows) {
      if (w.key != "session") continue;
      const double p = effective(w, now).pct;
      shown.headline = pctText(p);
      headlineTone = toneFor(p);
      shown.gauge = barFraction(p);
      break;
    }
    shown.rows.reserve(ok.windows.size() * 2);
    shown.details.reserve(ok.windows.size());
    for (const UsageWindow& w : ok.windows) {
      const Effective e = effective(w, now);
      ShownRow row{w.key,          windowLabel(w.key),      pctText(e.pct),   barFraction(e.pct),
                   toneFor(e.pct), resetLine(e.state, now), paceMark(w, now), rankValue(e.pct)};
      shown.rows.push_back(row.label + "  " + row.pct);
      shown.rows.push_back("   " + row.reset);
      shown.details.push_back(std::move(row));
    }
    shown.footer = footerText(ok, now);
  }
  shown.tone = shown.phase == "ok" ? headlineTone : Tone::dim;
  return shown;
}
