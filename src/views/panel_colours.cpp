#include "views/panel_colours.hpp"

namespace {

bool isDark(Appearance a) {
  return a == Appearance::dark;
}

Appearance appearanceOf(const QPalette& palette) {
  return palette.color(QPalette::Window).lightness() < 128 ? Appearance::dark : Appearance::light;
}

// The tertiary label is the label at about a third of its strength.
QColor fainter(QColor c, double factor) {
  c.setAlphaF(float(c.alphaF() * factor));
  return c;
}

}  // namespace

// Darkened on light backgrounds, lightened on dark ones: a bright orange or
// red reads at 2:1 to 3.5:1 on a light menu.
QColor systemOrange(Appearance a) {
  return isDark(a) ? QColor(0xFF, 0x9F, 0x0A) : QColor(0xA6, 0x53, 0x00);
}
QColor systemRed(Appearance a) {
  return isDark(a) ? QColor(0xFF, 0x69, 0x61) : QColor(0xC4, 0x28, 0x1C);
}
QColor separatorColour(const QPalette& palette) {
  return appearanceOf(palette) == Appearance::dark ? QColor(0x50, 0x50, 0x56) : QColor(0xBD, 0xBD, 0xC2);
}
QColor barBlue(Appearance a) {
  return isDark(a) ? QColor(0x7F, 0xA6, 0xFF) : QColor(0x3B, 0x6E, 0xF0);
}

PanelColours panelColours(const QPalette& menu, Appearance appearance) {
  PanelColours c;
  c.label = menu.color(QPalette::Active, QPalette::WindowText);
  c.secondary = menu.color(QPalette::Active, QPalette::PlaceholderText);
  // Some styles leave the placeholder role equal to the text; the disabled
  // text is their grey then.
  if (!c.secondary.isValid() || c.secondary == c.label) {
    c.secondary = menu.color(QPalette::Disabled, QPalette::WindowText);
  }
  c.tertiary = fainter(c.label, 0.3);
  c.orange = systemOrange(appearance);
  c.red = systemRed(appearance);
  c.barBlue = barBlue(appearance);
  c.window = menu.color(QPalette::Active, QPalette::Window);
  return c;
}

QPalette standardMenuPalette(Appearance appearance) {
  const bool dark = isDark(appearance);
  const QColor window = dark ? QColor(0x2B, 0x2B, 0x2E) : QColor(0xF4, 0xF4, 0xF5);
  const QColor text = dark ? QColor(0xEC, 0xEC, 0xEE) : QColor(0x1D, 0x1D, 0x1F);
  const QColor grey = dark ? QColor(0x9C, 0x9C, 0xA2) : QColor(0x76, 0x76, 0x7C);
  const QColor base = dark ? QColor(0x1E, 0x1E, 0x20) : QColor(0xFF, 0xFF, 0xFF);
  const QColor button = dark ? QColor(0x3A, 0x3A, 0x3E) : QColor(0xE6, 0xE6, 0xE8);
  const QColor highlight = dark ? QColor(0x2F, 0x5F, 0xD0) : QColor(0x3B, 0x6E, 0xF0);

  QPalette p(text, button, button.lighter(120), button.darker(160), button.darker(120), text, text, base,
             window);
  for (auto group : {QPalette::Active, QPalette::Inactive, QPalette::Disabled}) {
    p.setColor(group, QPalette::PlaceholderText, grey);
    p.setColor(group, QPalette::Highlight, highlight);
    p.setColor(group, QPalette::HighlightedText, QColor(Qt::white));
    p.setColor(group, QPalette::ToolTipBase, window);
    p.setColor(group, QPalette::ToolTipText, text);
  }
  for (auto role : {QPalette::WindowText, QPalette::Text, QPalette::ButtonText}) {
    p.setColor(QPalette::Disabled, role, grey);
  }
  return p;
}

QColor inkColor(Ink ink, const PanelColours& colours) {
  switch (ink) {
    case Ink::label:
      return colours.label;
    case Ink::secondary:
      return colours.secondary;
    case Ink::orange:
      return colours.orange;
    case Ink::red:
      return colours.red;
    case Ink::blue:
      return colours.barBlue;
  }
  return colours.label;
}
