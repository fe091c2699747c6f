#include "tray/tray_text.hpp"

std::string trayToolTip(const Shown& shown, const Glance& glance) {
  std::string tip = "Quotalume";
  if (glance.gauge) tip += " " + glanceText(glance);
  if (shown.status) tip += " \u2014 " + *shown.status;
  return tip;
}

std::string trayAccessibleText(const Shown& shown, const Glance& glance) {
  const std::string panel = infoAccessibilityLabel(shown);
  const std::string named = glanceText(glance);
  if (named == glance.headline) return panel;
  return panel.empty() ? named : named + ". " + panel;
}

bool panelHidden(const Shown& shown) {
  return !shown.status && shown.details.empty() && !shown.footer;
}

std::vector<std::string> panelTextRows(const Shown& shown) {
  std::vector<std::string> rows;
  if (shown.status) rows.push_back(*shown.status);
  rows.insert(rows.end(), shown.rows.begin(), shown.rows.end());
  if (shown.footer) rows.push_back(*shown.footer);
  return rows;
}
