#include "display/tray_choice.hpp"

#include <algorithm>
#include <array>

namespace {

constexpr std::array<std::pair<TrayWindow, std::string_view>, 3> names = {
    {{TrayWindow::session, "session"}, {TrayWindow::weekly, "weekly"}, {TrayWindow::highest, "highest"}}};

std::size_t orderOf(std::string_view key) {
  return std::size_t(std::find(windowOrder.begin(), windowOrder.end(), key) - windowOrder.begin());
}

const ShownRow* chosenRow(const Shown& shown, TrayWindow choice) {
  const ShownRow* best = nullptr;
  for (const ShownRow& row : shown.details) {
    if (choice != TrayWindow::highest) {
      if (row.key == trayWindowName(choice)) return &row;
      continue;
    }
    if (!best || row.value > best->value ||
        (row.value == best->value && orderOf(row.key) < orderOf(best->key)))
      best = &row;
  }
  return best;
}

}  // namespace

std::string_view trayWindowName(TrayWindow choice) {
  for (const auto& [window, name] : names)
    if (window == choice) return name;
  return "session";
}

std::optional<TrayWindow> trayWindowNamed(std::string_view name) {
  for (const auto& [window, known] : names)
    if (known == name) return window;
  return std::nullopt;
}

TrayWindow trayWindowOr(const std::optional<std::string>& saved) {
  return saved ? trayWindowNamed(*saved).value_or(TrayWindow::session) : TrayWindow::session;
}

Glance glanceOf(const Shown& shown, TrayWindow choice) {
  Glance glance;
  const bool live = shown.phase == "ok";
  // Only a model with numbers has rows; without them the tray keeps its dash.
  if (const ShownRow* row = chosenRow(shown, choice)) {
    glance = {choice, row->key, row->label, row->pct, live ? row->tone : Tone::dim, row->fraction};
  } else {
    glance.choice = choice;
    glance.headline = "\u2013";
    glance.tone = live ? Tone::normal : Tone::dim;
  }
  return glance;
}

std::string glanceText(const Glance& glance) {
  if (glance.key.empty() || glance.key == "session") return glance.headline;
  return glance.label + " " + glance.headline;
}
