#include "views/app_palette.hpp"

#include <QApplication>

#include "views/app_style.hpp"
#include "views/panel_colours.hpp"

void applyAppearance(Appearance appearance) {
  // Fusion draws from the palette alone; native styles may keep their own
  // light surfaces under a dark palette.
  if (qobject_cast<AppStyle*>(QApplication::style()) == nullptr) QApplication::setStyle(new AppStyle());
  const QPalette palette = standardMenuPalette(appearance);
  QApplication::setPalette(palette);
  // A platform theme may hold a palette of its own for menus.
  QApplication::setPalette(palette, "QMenu");
}
