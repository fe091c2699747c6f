#include "display/phrases.hpp"

#include <cmath>
#include <cstdint>
#include <string>

#include "display/clock_formats.hpp"

bool isKorean = false;

std::string T(std::string_view ko, std::string_view en) {
  return std::string(isKorean ? ko : en);
}

std::int64_t roundedPct(double pct) {
  return safeInt(std::round(pct));
}

std::string pctText(double pct) {
  return std::to_string(roundedPct(pct)) + "%";
}

std::string windowLabel(std::string_view key) {
  struct Label {
    std::string_view key, ko, en;
  };
  static constexpr Label labels[] = {
      {"session", "5시간 한도", "5-hour limit"}, {"weekly", "7일 한도", "7-day limit"},
      {"opus", "Opus 7일", "Opus 7-day"},        {"sonnet", "Sonnet 7일", "Sonnet 7-day"},
      {"fable", "Fable 7일", "Fable 7-day"},     {"design", "Claude Design 7일", "Claude Design 7-day"},
  };
  for (const Label& l : labels) {
    if (l.key == key) return T(l.ko, l.en);
  }
  return std::string(key);
}

std::int64_t phraseMinutes(double seconds) {
  const std::int64_t m = safeInt(std::ceil(seconds / 60.0));
  // No phrase ever says zero minutes: the last minute and anything already
  // past read as one minute.
  return m < 2 ? 1 : m;
}

std::string durationText(std::int64_t m) {
  const auto n = [](std::int64_t v) { return std::to_string(v); };
  if (m < 60) return T(n(m) + "분", n(m) + "m");
  if (m < 1440) {
    const std::int64_t h = m / 60, mm = m % 60;
    return mm == 0 ? T(n(h) + "시간", n(h) + "h")
                   : T(n(h) + "시간 " + n(mm) + "분", n(h) + "h " + n(mm) + "m");
  }
  // From a day on the leftover minutes are dropped.
  const std::int64_t d = m / 1440, r = m % 1440, h = r / 60;
  return r >= 60 ? T(n(d) + "일 " + n(h) + "시간", n(d) + "d " + n(h) + "h") : T(n(d) + "일", n(d) + "d");
}

std::string remainingText(EpochSeconds date, EpochSeconds now) {
  const std::int64_t m = phraseMinutes(date - now);
  const std::string phrase = T(durationText(m) + " 뒤 리셋", "resets in " + durationText(m));
  if (m < 60) return phrase;
  // The clock shows the reset moment itself, not the rounded minute count.
  const std::string clock = clockText(date, m >= 1440);
  if (clock.empty()) return phrase;
  return phrase + std::string(partSeparator) + clock;
}

std::string resetLine(const WinState& state, EpochSeconds now) {
  switch (state.kind) {
    case WinState::Kind::active:
      return remainingText(state.resetsAt, now);
    case WinState::Kind::reset:
      return T("리셋됨", "reset");
    case WinState::Kind::notStarted:
      return T("아직 시작 전", "not started yet");
  }
  return T("아직 시작 전", "not started yet");
}

std::string agoText(double seconds) {
  constexpr double limit = 9'000'000'000'000'000.0;
  const std::string justNow = T("방금", "just now");
  if (std::isnan(seconds) || seconds <= -limit) return justNow;

  std::int64_t hours = 0;
  if (seconds >= limit) {
    hours = 2'500'000'000'000;
  } else {
    const std::int64_t n = safeInt(seconds);
    if (n < 60) return justNow;
    if (n <= 3'599) return T(std::to_string(n / 60) + "분 전", std::to_string(n / 60) + " min ago");
    if (n <= 86'399) return T(std::to_string(n / 3'600) + "시간 전", std::to_string(n / 3'600) + " hr ago");
    hours = n / 3'600;
  }
  const std::string days = std::to_string(hours / 24);
  return T(days + "일 전", hours < 48 ? "1 day ago" : days + " days ago");
}

std::string unsavedReadingsNote() {
  return T("데이터 폴더에 저장할 수 없어 종료하면 사라져요",
           "Can't save to the data folder; readings last until you quit");
}
