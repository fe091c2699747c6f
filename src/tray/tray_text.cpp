#include "tray/tray_text.hpp"

std::string trayToolTip(const Shown& shown) {
  std::string tip = "Quotalume";
  if (shown.gauge) tip += " " + shown.headline;
  if (shown.status) tip += " \u2014 " + *shown.status;
  return tip;
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
