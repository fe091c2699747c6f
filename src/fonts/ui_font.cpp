#include "fonts/ui_font.hpp"

#include <QApplication>

QFont uiFont(int pixels, QFont::Weight weight) {
  QFont font = QApplication::font();
  font.setPixelSize(pixels);
  font.setWeight(weight);
  return font;
}
