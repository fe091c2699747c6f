#include "display/shown.hpp"

std::string infoAccessibilityLabel(const Shown& shown) {
  std::vector<std::string> parts;
  // The explanation is read before any number it qualifies.
  if (shown.status) parts.push_back(*shown.status);
  for (const ShownRow& row : shown.details) parts.push_back(row.label + " " + row.pct + ", " + row.reset);
  if (shown.footer) parts.push_back(*shown.footer);

  std::string label;
  for (std::size_t i = 0; i < parts.size(); ++i) {
    if (i > 0) label += ". ";
    label += parts[i];
  }
  return label;
}
