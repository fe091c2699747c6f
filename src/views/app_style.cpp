#include "views/app_style.hpp"

#include <QPainter>
#include <QStyleFactory>
#include <QStyleOption>

#include "views/panel_colours.hpp"

AppStyle::AppStyle() : QProxyStyle(QStyleFactory::create(QStringLiteral("Fusion"))) {
  // Named as Qt names the style it makes, after the one this one extends.
  setObjectName(baseStyle()->objectName());
}

void AppStyle::drawPrimitive(PrimitiveElement element, const QStyleOption* option, QPainter* painter,
                             const QWidget* widget) const {
  QProxyStyle::drawPrimitive(element, option, painter, widget);
  if (element != PE_IndicatorCheckBox) return;
  // The edge again, over Fusion's own, in the palette's grey: the app's
  // palettes keep that grey at 3:1 or more against the menu and the window.
  painter->save();
  painter->setRenderHint(QPainter::Antialiasing, false);
  painter->setBrush(Qt::NoBrush);
  painter->setPen(option->palette.color(QPalette::PlaceholderText));
  painter->drawRect(option->rect.adjusted(0, 0, -1, -1));
  painter->restore();
}

void AppStyle::drawControl(ControlElement element, const QStyleOption* option, QPainter* painter,
                           const QWidget* widget) const {
  const auto* item = qstyleoption_cast<const QStyleOptionMenuItem*>(option);
  if (element != CE_MenuItem || !item || item->menuItemType != QStyleOptionMenuItem::Separator ||
      !item->text.isEmpty()) {
    QProxyStyle::drawControl(element, option, painter, widget);
    return;
  }
  // Where Fusion puts its line: across the item, five pixels in from each end.
  constexpr int margin = 5;
  const int y = item->rect.center().y();
  painter->save();
  painter->setRenderHint(QPainter::Antialiasing, false);
  painter->setPen(separatorColour(item->palette));
  painter->drawLine(item->rect.left() + margin, y, item->rect.right() - margin, y);
  painter->restore();
}
