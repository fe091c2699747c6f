#pragma once
// What the display treats as a window's percentage at a given moment.

#include "readings/reading.hpp"

struct WinState {
  enum class Kind { active, reset, notStarted };
  Kind kind = Kind::notStarted;
  EpochSeconds resetsAt = 0;  // meaningful only when active

  static WinState active(EpochSeconds at) { return {Kind::active, at}; }
  static WinState reset() { return {Kind::reset, 0}; }
  static WinState notStarted() { return {Kind::notStarted, 0}; }

  bool operator==(const WinState& o) const {
    return kind == o.kind && (kind != Kind::active || resetsAt == o.resetsAt);
  }
};

struct Effective {
  double pct = 0;
  WinState state;
  bool operator==(const Effective&) const = default;
};

Effective effective(const UsageWindow& w, EpochSeconds now);
