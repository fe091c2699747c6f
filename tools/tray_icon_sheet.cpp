// Draws the tray icon's states at every size a host asks for, on light,
// grey, dark, black and blue panels, each pixel shown twice as large: the
// picture docs/tray-icon-contrast.png is made from.
//
//   QT_QPA_PLATFORM=offscreen tray_icon_sheet sheet.png

#include <cstdio>
#include <numeric>

#include <QGuiApplication>
#include <QImage>
#include <QPainter>

#include "tray/tray_glyph.hpp"

int main(int argc, char** argv) {
  QGuiApplication app(argc, argv);
  if (argc < 2) {
    std::fprintf(stderr, "usage: tray_icon_sheet OUT.png\n");
    return 2;
  }
  const int sizes[] = {14, 16, 22, 24, 32, 48, 64};
  const QColor panels[] = {QRgb(0xffffff), QRgb(0xefefef), QRgb(0x353535), QRgb(0x000000), QRgb(0x2980b9)};
  constexpr int zoom = 2, gap = 6;
  std::vector<TrayGlyph> rows;
  for (Appearance a : {Appearance::light, Appearance::dark}) {
    rows.insert(rows.end(), {{0.42, "42", Tone::normal, a},
                             {0.76, "76", Tone::orange, a},
                             {0.95, "95", Tone::red, a},
                             {1, "100", Tone::red, a},
                             {1, "100", Tone::dim, a},
                             {0.42, "42", Tone::dim, a},
                             {0, "\u2013", Tone::dim, a},
                             {0.42, "42", Tone::normal, a, false},
                             {1, "100", Tone::red, a, false}});
  }
  const int column = std::accumulate(std::begin(sizes), std::end(sizes), 0) + gap * int(std::size(sizes));
  const int rowHeight = sizes[std::size(sizes) - 1] + gap;
  QImage sheet(zoom * column * int(std::size(panels)), zoom * (rowHeight * int(rows.size()) + gap),
               QImage::Format_RGB32);
  QPainter painter(&sheet);
  painter.scale(zoom, zoom);
  for (std::size_t p = 0; p < std::size(panels); ++p) {
    const int left = int(p) * column;
    painter.fillRect(left, 0, column, sheet.height(), panels[p]);
    for (std::size_t r = 0; r < rows.size(); ++r) {
      int x = left + gap / 2;
      for (int side : sizes) {
        painter.drawImage(x, gap + int(r) * rowHeight + (rowHeight - gap - side) / 2,
                          renderTrayGlyph(rows[r], side));
        x += side + gap;
      }
    }
  }
  painter.end();
  return sheet.save(QString::fromLocal8Bit(argv[1])) ? 0 : 1;
}
