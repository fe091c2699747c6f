#include "commands/status_output.hpp"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <vector>

#include <nlohmann/json.hpp>

#include "display/pace.hpp"
#include "display/phrases.hpp"
#include "readings/window_state.hpp"
#include "store/time_stamp.hpp"

namespace {

using nlohmann::json;

// The windows behind the model's rows: none when the model shows no numbers.
const std::vector<UsageWindow>& shownWindows(const Shown& shown, const Saved& saved) {
  static const std::vector<UsageWindow> none;
  if (shown.details.empty() || !saved.ok) return none;
  return saved.ok->windows;
}

std::optional<std::string> runOutOf(const UsageWindow& w, EpochSeconds now) {
  const std::optional<Pace> pace = paceOf(w, now);
  return pace ? runOutText(*pace) : std::nullopt;
}

std::string lines(const std::vector<std::string>& parts) {
  std::string all;
  for (const std::string& part : parts) all += part + "\n";
  return all;
}

// Sanitised texts are valid UTF-8 already; replacing keeps a stray byte from
// ever turning into a failure.
std::string oneLine(const json& document) {
  return document.dump(-1, ' ', false, json::error_handler_t::replace) + "\n";
}

json orNull(const std::optional<std::string>& value) {
  return value ? json(*value) : json(nullptr);
}

std::vector<std::string> textLines(const Shown& shown, const Glance& glance, const Saved& saved,
                                   EpochSeconds now) {
  std::vector<std::string> out{glanceText(glance)};
  if (shown.status) out.push_back(*shown.status);
  const auto& windows = shownWindows(shown, saved);
  for (std::size_t i = 0; i < shown.rows.size(); ++i) {
    out.push_back(shown.rows[i]);
    // Rows come in pairs, one pair per window: the pace line follows the reset line.
    const std::size_t w = i / 2;
    if (i % 2 == 1 && w < windows.size())
      if (const auto runOut = runOutOf(windows[w], now)) out.push_back("   " + *runOut);
  }
  if (shown.footer) out.push_back(*shown.footer);
  return out;
}

// The chosen window's number as the text shows it, capped to what a bar's
// gauge can hold; rounding the bar fraction instead can land one below the text.
std::optional<std::int64_t> chosenPercentage(const Shown& shown, const Glance& glance, const Saved& saved,
                                             EpochSeconds now) {
  if (!glance.gauge) return std::nullopt;
  for (const UsageWindow& w : shownWindows(shown, saved)) {
    if (w.key == glance.key) return std::clamp<std::int64_t>(roundedPct(effective(w, now).pct), 0, 100);
  }
  return std::nullopt;
}

std::string waybar(const Shown& shown, const Glance& glance, const Saved& saved, EpochSeconds now) {
  std::vector<std::string> tooltip;
  if (shown.status) tooltip.push_back(*shown.status);
  tooltip.insert(tooltip.end(), shown.rows.begin(), shown.rows.end());
  if (shown.footer) tooltip.push_back(*shown.footer);
  std::string joined;
  for (const std::string& line : tooltip) joined += (joined.empty() ? "" : "\n") + line;

  json document{
      {"text", glance.headline}, {"tooltip", joined}, {"class", std::string(toneName(glance.tone))}};
  if (const auto percentage = chosenPercentage(shown, glance, saved, now))
    document["percentage"] = *percentage;
  // Waybar's own member for which state a module is in: the window's key.
  if (!glance.key.empty()) document["alt"] = glance.key;
  return oneLine(document);
}

json paceJSON(const UsageWindow& w, EpochSeconds now) {
  const std::optional<Pace> pace = paceOf(w, now);
  if (!pace) return nullptr;
  json runsOut = nullptr;
  if (pace->runsOutAt) runsOut = isoTimeStamp(*pace->runsOutAt);
  return {
      {"expected_pct", pace->share * 100.0}, {"runs_out_at", runsOut}, {"text", orNull(runOutText(*pace))}};
}

std::string full(const Shown& shown, const Glance& glance, const Saved& saved, EpochSeconds now) {
  json windows = json::array();
  const auto& raw = shownWindows(shown, saved);
  for (std::size_t i = 0; i < raw.size() && i < shown.details.size(); ++i) {
    const UsageWindow& w = raw[i];
    const ShownRow& row = shown.details[i];
    const Effective e = effective(w, now);
    json resetsAt = nullptr;
    if (w.resets_at) resetsAt = isoTimeStamp(*w.resets_at / 1000.0);
    windows.push_back({{"key", w.key},
                       {"label", row.label},
                       {"pct", e.pct},
                       {"pct_text", row.pct},
                       {"tone", std::string(toneName(row.tone))},
                       {"reset", row.reset},
                       {"resets_at", resetsAt},
                       {"pace", paceJSON(w, now)}});
  }
  json gauge = nullptr;
  if (shown.gauge) gauge = *shown.gauge;
  return oneLine({{"headline", shown.headline},
                  {"tone", std::string(toneName(shown.tone))},
                  {"dim", shown.dim()},
                  {"phase", shown.phase},
                  {"status", orNull(shown.status)},
                  {"rows", shown.rows},
                  {"footer", orNull(shown.footer)},
                  {"gauge", gauge},
                  {"window", glance.key.empty() ? json(nullptr) : json(glance.key)},
                  {"windows", windows}});
}

}  // namespace

std::optional<StatusFormat> statusFormatNamed(std::string_view name) {
  if (name == "text") return StatusFormat::text;
  if (name == "waybar") return StatusFormat::waybar;
  if (name == "json") return StatusFormat::json;
  return std::nullopt;
}

std::string statusOutput(StatusFormat format, const Shown& shown, const Glance& glance, const Saved& saved,
                         EpochSeconds now) {
  switch (format) {
    case StatusFormat::waybar:
      return waybar(shown, glance, saved, now);
    case StatusFormat::json:
      return full(shown, glance, saved, now);
    case StatusFormat::text:
      break;
  }
  return lines(textLines(shown, glance, saved, now));
}
