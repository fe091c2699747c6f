#pragma once
// Fusion, with check boxes that stay visible in both schemes. Fusion edges a
// box a shade darker than the window and fills it with the base colour, and
// lays a menu on that base colour too: on a dark palette an unchecked box is
// all but gone. Its separators, a shade off the menu's colour, are as good
// as gone in the dark scheme, so they are drawn in the app's own line colour.

#include <QProxyStyle>

class AppStyle : public QProxyStyle {
  Q_OBJECT
 public:
  AppStyle();

  void drawPrimitive(PrimitiveElement element, const QStyleOption* option, QPainter* painter,
                     const QWidget* widget = nullptr) const override;
  void drawControl(ControlElement element, const QStyleOption* option, QPainter* painter,
                   const QWidget* widget = nullptr) const override;
};
