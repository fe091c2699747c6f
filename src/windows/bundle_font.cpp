#include "windows/bundle_font.hpp"

#include <QCoreApplication>
#include <QFontDatabase>
#include <QString>

#include "store/log.hpp"
#include "updater/bundle_info.hpp"

void useBundledFont() {
  const auto bundle = Updater::runningBundle(QCoreApplication::applicationFilePath().toStdString());
  if (!bundle) return;
  const auto font = *bundle / "share/fonts/QuotalumeHangul.otf";
  if (QFontDatabase::addApplicationFont(QString::fromStdString(font.string())) < 0)
    log("bundled font not loaded: " + font.string());
}
