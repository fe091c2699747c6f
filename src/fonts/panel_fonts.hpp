#pragma once
// The panel's three fonts and the one-line text boxes drawn with them.

#include <QColor>
#include <QFont>
#include <QPointF>
#include <QSizeF>
#include <QString>

class QPainter;

struct PanelFonts {
  QFont name;  // status line and window names: the menu font
  QFont pct;   // percentages: menu family and size, semibold, figures in equal cells
  QFont sub;   // reset lines and footer: about 85 % of the menu font
};

PanelFonts panelFonts(const QFont& menuFont);

// The menu font Qt uses on this desktop.
QFont menuFont();

// One line of text: its size includes fallback fonts (Korean in a Latin menu
// font), so a line never spills out of the height it was measured at.
QSizeF measureText(const QString& text, const QFont& font);
void drawText(QPainter& painter, QPointF topLeft, const QString& text, const QFont& font,
              const QColor& colour);

// Like measureText/drawText, but every digit takes the width of the widest
// one: a changing percentage never shifts what is right-aligned to it.
QSizeF measureFigures(const QString& text, const QFont& font);
void drawFigures(QPainter& painter, QPointF topLeft, const QString& text, const QFont& font,
                 const QColor& colour);
