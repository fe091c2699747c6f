#pragma once
// Which limit the tray shows at a glance: the 5-hour one (the default), the
// 7-day one, or whichever is highest, so that a week that ran out is not
// hidden behind a calm session number. The panel always lists every window.

#include <optional>
#include <string>
#include <string_view>

#include "display/shown.hpp"

enum class TrayWindow { session, weekly, highest };

// "session", "weekly" or "highest": the settings file's and --window's words.
std::string_view trayWindowName(TrayWindow choice);
std::optional<TrayWindow> trayWindowNamed(std::string_view name);
// A saved choice: missing or unknown is the default, the 5-hour limit.
TrayWindow trayWindowOr(const std::optional<std::string>& saved);

// What the tray draws for one choice: the chosen window's number, tone and
// gauge, greyed as the headline is; an en dash when the window is absent.
struct Glance {
  TrayWindow choice = TrayWindow::session;
  std::string key;       // the chosen window's key; empty when it is absent
  std::string label;     // its name, "7-day limit"; empty when absent
  std::string headline;  // "76%", or an en dash
  Tone tone = Tone::dim;
  std::optional<double> gauge;

  bool operator==(const Glance&) const = default;
};

// For `highest`, the window with the highest effective percentage among the
// model's windows, per-model ones included; on a tie the earlier in the
// window order.
Glance glanceOf(const Shown& shown, TrayWindow choice);

// The glance as words that say which limit it is, when it is not the 5-hour
// one: "7-day limit 76%"; the bare headline otherwise.
std::string glanceText(const Glance& glance);
