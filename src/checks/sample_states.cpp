#include "checks/sample_states.hpp"

#include "display/phrases.hpp"

namespace {

UsageWindow window(std::string key, double pct, std::optional<EpochSeconds> resetsAt) {
  std::optional<double> ms;
  if (resetsAt) ms = *resetsAt * 1000;
  return {std::move(key), pct, ms};
}

Reading reading(const std::string& status, EpochSeconds dataTime, std::vector<UsageWindow> windows = {}) {
  Reading r;
  r.status = status;
  r.fetched_at = r.received_at = dataTime * 1000;
  r.windows = std::move(windows);
  return r;
}

}  // namespace

std::vector<SampleState> sampleStates(EpochSeconds now) {
  Reading live = reading(
      "ok", now - 60,
      {window("session", 42.3, now + 2 * 3600 + 600), window("weekly", 76, now + 3 * 86400 + 5 * 3600),
       window("opus", 93, now + 3 * 86400 + 5 * 3600)});
  live.plan = "Max 5x";
  const Saved liveSaved{live, live};

  Reading pastReset =
      reading("ok", now - 45, {window("session", 88, now - 300), window("weekly", 31, std::nullopt)});
  pastReset.plan = "Pro";

  Saved signedOut = liveSaved;
  signedOut.latest = reading("signed_out", now - 30);
  Saved error = liveSaved;
  error.latest = reading("error", now - 30);
  error.latest->error = "http-503";
  Saved freePlan{reading("no_data", now - 30), std::nullopt};
  freePlan.latest->plan = "Free";

  const auto ready = ListenState::ready();
  return {
      {T("확장 프로그램을 기다리는 중", "Waiting for the extension"), buildShown({}, false, ready, now)},
      {T("실시간: 보통, 주황, 빨강", "Live: normal, orange and red"),
       buildShown(liveSaved, true, ready, now)},
      {T("오래된 숫자 (15분 전)", "Stale numbers (15 minutes old)"),
       buildShown(liveSaved, true, ready, now + 14 * 60)},
      {T("로그아웃, 이전 숫자", "Signed out over old numbers"), buildShown(signedOut, true, ready, now)},
      {T("가져오기 오류", "Fetch error"), buildShown(error, true, ready, now)},
      {T("무료 플랜", "Free plan"), buildShown(freePlan, true, ready, now)},
      {T("포트 사용 중", "Port in use"), buildShown(liveSaved, true, ListenState::busy(), now)},
      {T("리셋 지남, 시작 전", "Past its reset, not started"),
       buildShown({pastReset, pastReset}, true, ready, now)},
  };
}
