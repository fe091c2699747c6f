#pragma once
// The app's one kind of alert: application-modal, raised in front of whatever
// the user works in (a tray app has no window of its own there), and waited on.

#include <string>
#include <vector>

struct ModalAlert {
  std::string message;
  std::string detail;                // the smaller text under the message; none when empty
  std::vector<std::string> buttons;  // the first is the default and accepts
  bool informational = false;        // with the information icon
};

// Blocks until a button is chosen; its index, or -1 when the alert was closed otherwise.
int runModalAlert(const ModalAlert& alert);
