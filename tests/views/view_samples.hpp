#pragma once
// Models and a palette with colours far enough apart to tell the inks apart
// in rendered pixels.

#include <string>
#include <vector>

#include <QColor>
#include <QImage>
#include <QPainter>

#include "display/shown.hpp"
#include "views/info_layout.hpp"

inline ShownRow sampleRow(const std::string& label, const std::string& pct, double fraction,
                          Tone tone = Tone::normal, const std::string& reset = "resets in 2h 10m · 3:20 PM") {
  return ShownRow{"session", label, pct, fraction, tone, reset};
}

inline Shown liveModel(std::vector<ShownRow> rows) {
  Shown s;
  s.headline = rows.empty() ? "\u2013" : rows.front().pct;
  s.tone = Tone::normal;
  s.phase = "ok";
  s.details = std::move(rows);
  s.footer = "Max 5x · updated 1 min ago";
  return s;
}

inline Shown greyed(Shown s, const std::string& status = "Waiting for the browser extension") {
  s.tone = Tone::dim;
  s.phase = "stale";
  s.status = status;
  return s;
}

inline Shown statusOnly(const std::string& status) {
  Shown s;
  s.phase = "waiting_first";
  s.status = status;
  return s;
}

// Pure primaries on white, so a fully covered pixel names its ink exactly.
inline PanelLook probeLook() {
  PanelColours c;
  c.label = QColor(0, 0, 0);
  c.secondary = QColor(0, 160, 0);
  c.tertiary = QColor(0, 0, 0, 80);
  c.orange = QColor(255, 128, 0);
  c.red = QColor(255, 0, 0);
  c.barBlue = QColor(0, 0, 255);
  c.window = QColor(255, 255, 255);
  return PanelLook{panelFonts(menuFont()), c};
}

// The panel at one pixel per point on white.
inline QImage drawPanel(const Shown& shown, double inset, const PanelLook& look, double width = 0) {
  const QSizeF size = InfoLayout::run(shown, inset, look);
  if (width <= 0) width = size.width();
  QImage image(int(width), int(size.height()), QImage::Format_ARGB32);
  image.fill(look.colours.window);
  QPainter painter(&image);
  InfoLayout::run(shown, inset, look, InfoLayout::Canvas{&painter, width});
  return image;
}
