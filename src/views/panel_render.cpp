#include "views/panel_render.hpp"

#include <algorithm>
#include <cmath>

#include <QPainter>

#include "fonts/panel_fonts.hpp"
#include "views/info_layout.hpp"
#include "views/panel_colours.hpp"

QImage renderPanel(const Shown& shown, Appearance appearance, double scale, bool checkColumn) {
  if (!(scale > 0) || scale > 8) scale = 1;
  const PanelLook look{panelFonts(menuFont()), panelColours(standardMenuPalette(appearance), appearance)};
  const double inset = InfoLayout::leftInset(checkColumn);
  const QSizeF size = InfoLayout::run(shown, inset, look);

  QImage image(int(std::ceil(size.width() * scale)), int(std::ceil(size.height() * scale)),
               QImage::Format_ARGB32_Premultiplied);
  image.setDevicePixelRatio(scale);
  image.fill(look.colours.window);
  QPainter painter(&image);
  painter.setRenderHint(QPainter::TextAntialiasing);
  InfoLayout::run(shown, inset, look, InfoLayout::Canvas{&painter, size.width()});
  return image;
}
