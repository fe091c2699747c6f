#include "checks/render_modes.hpp"

#include <fcntl.h>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <memory>
#include <string_view>

#include <QApplication>
#include <QBuffer>
#include <QDialog>
#include <QFileInfo>
#include <QFontMetricsF>
#include <QPainter>

#include "checks/sample_history.hpp"
#include "checks/sample_states.hpp"
#include "display/phrases.hpp"
#include "fonts/ui_font.hpp"
#include "store/atomic_file.hpp"
#include "store/file_bytes.hpp"
#include "views/gauge_glyph.hpp"
#include "views/panel_colours.hpp"
#include "views/panel_render.hpp"
#include "windows/guide_window.hpp"
#include "windows/history_window.hpp"

namespace {

// Sheets are drawn at twice their size so the small text stays legible when
// the picture is inspected; the "wrote" line reports the size in
// device-independent pixels, as the window would have on screen.
constexpr double sheetScale = 2;

// A fixed moment keeps the sample sheet the same from run to run, apart from
// the local clock times it prints: 2025-10-14 04:10 UTC.
constexpr EpochSeconds sampleNow = 1760415000;

QImage blankSheet(QSizeF size, const QColor& fill) {
  QImage image(int(std::ceil(size.width() * sheetScale)), int(std::ceil(size.height() * sheetScale)),
               QImage::Format_ARGB32_Premultiplied);
  image.setDevicePixelRatio(sheetScale);
  image.fill(fill);
  return image;
}

QSize logicalSize(const QImage& image) {
  return (QSizeF(image.size()) / image.devicePixelRatio()).toSize();
}

// The whole picture or nothing: a file goes through a temporary renamed into
// place once every byte is on disk, so a full disk leaves no stub. A device
// or pipe named on purpose (/dev/stdout) is written as it is.
bool writePicture(const std::filesystem::path& path, std::string_view bytes) {
  std::error_code ec;
  const auto status = std::filesystem::status(path, ec);
  if (std::filesystem::exists(status) && !std::filesystem::is_regular_file(status)) {
    Store::FileDescriptor fd(::open(path.c_str(), O_WRONLY | O_CLOEXEC));
    return fd.valid() && Store::writeAll(fd.get(), bytes) && fd.close();
  }
  const auto folder = path.has_parent_path() ? path.parent_path() : ".";
  return std::filesystem::is_directory(folder, ec) && Store::writeAtomically(path, bytes);
}

// A picture that was not written must not look like one that was: the
// reason goes to `err` and the mode ends with status 1.
bool save(const QImage& image, const std::string& path, std::ostream& err) {
  QByteArray png;
  QBuffer buffer(&png);
  if (!image.isNull() && buffer.open(QIODevice::WriteOnly) && image.save(&buffer, "PNG") &&
      writePicture(path, std::string_view(png.constData(), std::size_t(png.size()))))
    return true;
  err << "quotalume: could not write " << path << (image.isNull() ? ": nothing was drawn" : "") << "\n";
  return false;
}

void printWrote(std::ostream& out, const std::string& path, QSize size) {
  out << "wrote " << path << " " << size.width() << "x" << size.height() << "\n";
  out.flush();
}

}  // namespace

QImage glyphStrip() {
  struct Sample {
    double value, alpha;
    Tone tone;
  } samples[] = {
      {0, 1, Tone::normal}, {0.42, 1, Tone::normal}, {0.75, 1, Tone::orange},
      {0.95, 1, Tone::red}, {0.42, 0.45, Tone::dim},
  };
  constexpr int side = 54;
  QImage strip(side * 5, side, QImage::Format_ARGB32_Premultiplied);
  strip.fill(Qt::white);
  QPainter painter(&strip);
  int x = 0;
  for (const auto& s : samples) {
    painter.drawImage(QPoint(x, 0),
                      renderGlyph(GaugeLook{s.value, s.alpha, s.tone, Appearance::light}, side));
    x += side;
  }
  return strip;
}

QImage menuSheet() {
  constexpr double margin = 24, captionGap = 6, sampleGap = 18;
  const QFont headingFont = uiFont(15, QFont::DemiBold);
  const QFont captionFont = uiFont(12, QFont::Medium);
  const double headingHeight = std::ceil(QFontMetricsF(headingFont).height());
  const double captionHeight = std::ceil(QFontMetricsF(captionFont).height());

  const auto samples = sampleStates(sampleNow);
  const Appearance appearances[] = {Appearance::light, Appearance::dark};
  std::vector<QImage> panels[2];
  double columnWidth = 0;
  const QFontMetricsF captionMetrics(captionFont);
  for (int c = 0; c < 2; ++c) {
    for (const auto& sample : samples) {
      panels[c].push_back(renderPanel(sample.shown, appearances[c], sheetScale));
      columnWidth = std::max(columnWidth, double(logicalSize(panels[c].back()).width()));
      columnWidth = std::max(
          columnWidth, std::ceil(captionMetrics.horizontalAdvance(QString::fromStdString(sample.caption))));
    }
  }
  // Both columns hold the same states, so the taller of each pair sets the row.
  double columnHeight = headingHeight + captionGap * 2;
  std::vector<double> rowHeights;
  for (std::size_t i = 0; i < samples.size(); ++i) {
    const double h = std::max(logicalSize(panels[0][i]).height(), logicalSize(panels[1][i]).height());
    rowHeights.push_back(h);
    columnHeight += captionHeight + captionGap + h + sampleGap;
  }

  const double columnOuter = columnWidth + 2 * margin;
  QImage sheet = blankSheet(QSizeF(2 * columnOuter, columnHeight + 2 * margin - sampleGap), Qt::white);
  QPainter painter(&sheet);
  painter.setRenderHint(QPainter::TextAntialiasing);
  const QString headings[] = {QString::fromStdString(T("밝은 화면", "Light")),
                              QString::fromStdString(T("어두운 화면", "Dark"))};
  for (int c = 0; c < 2; ++c) {
    const double left = c * columnOuter;
    const bool dark = appearances[c] == Appearance::dark;
    const QColor background = dark ? QColor(0x1c, 0x1c, 0x1e) : QColor(0xe9, 0xe9, 0xeb);
    const QColor ink = dark ? QColor(0xf2, 0xf2, 0xf7) : QColor(0x1c, 0x1c, 0x1e);
    const QColor captionInk = dark ? QColor(0xae, 0xae, 0xb2) : QColor(0x63, 0x63, 0x66);
    painter.fillRect(QRectF(left, 0, columnOuter, sheet.height() / sheetScale), background);

    double y = margin;
    painter.setFont(headingFont);
    painter.setPen(ink);
    painter.drawText(QRectF(left + margin, y, columnWidth, headingHeight), Qt::AlignLeft | Qt::AlignVCenter,
                     headings[c]);
    y += headingHeight + captionGap * 2;
    for (std::size_t i = 0; i < samples.size(); ++i) {
      painter.setFont(captionFont);
      painter.setPen(captionInk);
      painter.drawText(QRectF(left + margin, y, columnWidth, captionHeight), Qt::AlignLeft | Qt::AlignVCenter,
                       QString::fromStdString(samples[i].caption));
      y += captionHeight + captionGap;
      const QSize size = logicalSize(panels[c][i]);
      // A hairline shows where the menu ends on a background of nearly its colour.
      const QRectF menu(left + margin, y, size.width(), size.height());
      painter.drawImage(menu.topLeft(), panels[c][i]);
      painter.setPen(QPen(dark ? QColor(255, 255, 255, 40) : QColor(0, 0, 0, 40), 1));
      painter.drawRect(menu.adjusted(-0.5, -0.5, 0.5, 0.5));
      y += rowHeights[i] + sampleGap;
    }
  }
  return sheet;
}

QImage historySheet() {
  constexpr int width = 560;
  const std::vector<HistoryEntry> entries = sampleHistory(sampleNow, 14);
  const bool wasKorean = isKorean;
  QImage panels[2][2];
  QSize cell;
  for (int row = 0; row < 2; ++row) {
    isKorean = row == 1;
    for (int c = 0; c < 2; ++c) {
      panels[row][c] =
          renderHistory(entries, sampleNow, c == 0 ? Appearance::light : Appearance::dark, width, sheetScale);
      cell = cell.expandedTo(logicalSize(panels[row][c]));
    }
  }
  isKorean = wasKorean;
  QImage sheet = blankSheet(QSizeF(2 * cell.width(), 2 * cell.height()), Qt::white);
  QPainter painter(&sheet);
  for (int row = 0; row < 2; ++row) {
    for (int c = 0; c < 2; ++c) {
      const QRectF box(c * cell.width(), row * cell.height(), cell.width(), cell.height());
      painter.fillRect(box, standardMenuPalette(c == 0 ? Appearance::light : Appearance::dark).window());
      painter.drawImage(box.topLeft(), panels[row][c]);
    }
  }
  return sheet;
}

QImage guideImage() {
  GuideWindow guide([](const QUrl&) {}, [] { return QUrl(); });
  std::unique_ptr<QDialog> window = guide.make();
  window->ensurePolished();

  constexpr double titleBar = 28;
  const QSize content = window->size();
  QImage image = blankSheet(QSizeF(content.width(), content.height() + titleBar), QColor(0xec, 0xec, 0xec));
  QPainter painter(&image);
  painter.setRenderHint(QPainter::TextAntialiasing);
  painter.setPen(QColor(0xc4, 0xc4, 0xc4));
  painter.drawLine(QPointF(0, titleBar - 0.5), QPointF(content.width(), titleBar - 0.5));
  painter.setFont(uiFont(13, QFont::DemiBold));
  painter.setPen(QColor(0x3c, 0x3c, 0x3c));
  painter.drawText(QRectF(0, 0, content.width(), titleBar - 1), Qt::AlignCenter, window->windowTitle());
  painter.end();

  window->render(&image, QPoint(0, int(titleBar)));
  return image;
}

int renderGlyphMode(const std::string& path, std::ostream& err) {
  return save(glyphStrip(), path, err) ? 0 : 1;
}

int renderMenuMode(const std::string& path, std::ostream& out, std::ostream& err) {
  const QImage sheet = menuSheet();
  if (!save(sheet, path, err)) return 1;
  // The path is printed as the absolute file path it names.
  printWrote(out, QFileInfo(QString::fromStdString(path)).absoluteFilePath().toStdString(),
             logicalSize(sheet));
  return 0;
}

int renderHistoryMode(const std::string& path, std::ostream& out, std::ostream& err) {
  const QImage sheet = historySheet();
  if (!save(sheet, path, err)) return 1;
  printWrote(out, path, logicalSize(sheet));
  return 0;
}

int renderGuideMode(const std::string& path, std::ostream& out, std::ostream& err) {
  const QImage image = guideImage();
  if (!save(image, path, err)) return 1;
  printWrote(out, path, logicalSize(image));
  return 0;
}
