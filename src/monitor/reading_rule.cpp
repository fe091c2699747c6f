#include "monitor/reading_rule.hpp"

namespace {

constexpr double okShieldMs = 300000;

}  // namespace

bool readingAccepted(const Saved& saved, const Reading& reading) {
  if (reading.status == "ok" || !saved.ok) return true;
  // Written so that a NaN difference, which the sanitiser never lets through
  // anyway, would count as "too soon".
  return reading.received_at - saved.ok->received_at >= okShieldMs;
}

void keepReading(Saved& saved, const Reading& reading) {
  saved.latest = reading;
  if (reading.status == "ok") saved.ok = reading;
  if (reading.status == "no_data") saved.ok.reset();
}

BurstOutcome applyBurst(Saved& saved, std::span<const Reading> readings,
                        const std::function<void(const Reading&)>& accepted) {
  BurstOutcome outcome;
  for (const Reading& reading : readings) {
    if (readingAccepted(saved, reading)) {
      keepReading(saved, reading);
      outcome.lastAccepted = reading;
      ++outcome.accepted;
      if (accepted) accepted(reading);
    } else {
      outcome.lastIgnored = reading;
      ++outcome.ignored;
    }
  }
  return outcome;
}

std::string acceptedLine(const Reading& reading) {
  return "reading status=" + reading.status + " windows=" + std::to_string(reading.windows.size());
}

std::string ignoredLine(const Reading& reading) {
  return "reading status=" + reading.status + " ignored: ok within 5 min";
}
