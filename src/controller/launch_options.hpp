#pragma once
// What the tray run takes from the command line.

struct LaunchOptions {
  bool guide = true;         // off with --no-guide: no first-run guide
  bool updateChecks = true;  // off with --no-update: no automatic update checks
  bool updateNow = false;    // --update-now: check at once and install without asking
  bool operator==(const LaunchOptions&) const = default;
};
