#include "views/app_palette.hpp"

#include <QApplication>
#include <QStyle>
#include <QStyleFactory>

#include "views/panel_colours.hpp"

void applyAppearance(Appearance appearance) {
  // Fusion draws from the palette alone; native styles may keep their own
  // light surfaces under a dark palette.
  if (QApplication::style()->name().compare(QLatin1String("fusion"), Qt::CaseInsensitive) != 0)
    QApplication::setStyle(QStyleFactory::create(QStringLiteral("Fusion")));
  const QPalette palette = standardMenuPalette(appearance);
  QApplication::setPalette(palette);
  // A platform theme may hold a palette of its own for menus.
  QApplication::setPalette(palette, "QMenu");
}
