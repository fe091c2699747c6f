#pragma once
// The display model: everything the tray icon, the menu panel and the debug
// state file show, built as a pure function of what the app knows and the time.

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "bridge/listen_state.hpp"
#include "readings/reading.hpp"

// Data this many seconds old or older is greyed out.
inline constexpr double staleAfter = 600.0;

enum class Tone { normal, orange, red, dim };

// Drawing roles; the colours behind them belong to the views.
enum class Ink { label, secondary, orange, red, blue };

constexpr std::string_view toneName(Tone tone) {
  switch (tone) {
    case Tone::normal:
      return "normal";
    case Tone::orange:
      return "orange";
    case Tone::red:
      return "red";
    case Tone::dim:
      return "dim";
  }
  return "normal";
}

constexpr std::string_view inkName(Ink ink) {
  switch (ink) {
    case Ink::label:
      return "label";
    case Ink::secondary:
      return "secondary";
    case Ink::orange:
      return "orange";
    case Ink::red:
      return "red";
    case Ink::blue:
      return "blue";
  }
  return "label";
}

struct ShownRow {
  std::string key;
  std::string label;         // windowLabel(key)
  std::string pct;           // "42%"
  double fraction = 0;       // filled part of the bar, 0 … 1
  Tone tone = Tone::normal;  // never dim
  std::string reset;         // resetLine of the window
  // Where usage would stand if spent evenly (share of the window passed,
  // 0 … 1, in steps of 1/1000 so the model changes only when the mark moves);
  // absent without a known window length and a reset ahead.
  std::optional<double> pace;
  double value = 0;  // the effective percentage, unrounded: what the rows are ranked by

  bool operator==(const ShownRow&) const = default;
};

struct Shown {
  std::string headline = "\u2013";  // the session percentage, or an en dash
  Tone tone = Tone::dim;
  std::string phase;                  // "waiting_first", "signed_out", "no_data", "error",
                                      // "stale", "ok", "port_busy" or "listen_failed"
  std::optional<std::string> status;  // present exactly when phase is not "ok"
  std::vector<std::string> rows;      // two plain-text lines per window
  std::vector<ShownRow> details;      // one per window, in the reading's order
  std::optional<std::string> footer;  // plan and data age
  std::optional<double> gauge;        // session bar fraction, absent without a session window

  bool dim() const { return tone == Tone::dim; }
  bool operator==(const Shown&) const = default;
};

// normal, orange from 70 %, red from 90 %, judged on the rounded percentage.
Tone toneFor(double pct);

struct RowInks {
  Ink pct = Ink::label;
  Ink bar = Ink::blue;
  bool operator==(const RowInks&) const = default;
};

// The inks of one row's percentage text and bar; `stale` greys both.
RowInks rowInks(Tone tone, bool stale);

Shown buildShown(const Saved& saved, bool freshThisSession, const ListenState& listen, EpochSeconds now);

// One string a screen reader speaks for the hand-drawn panel: status first,
// then each window, then the footer, joined with ". ".
std::string infoAccessibilityLabel(const Shown& shown);
