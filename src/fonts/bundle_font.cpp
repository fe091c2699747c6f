#include "fonts/bundle_font.hpp"

#include <QFontDatabase>
#include <QString>

#include "store/log.hpp"

void useBundledFont(const std::optional<std::filesystem::path>& bundle) {
  if (!bundle) return;
  const auto font = *bundle / "share/fonts/QuotalumeHangul.otf";
  if (QFontDatabase::addApplicationFont(QString::fromStdString(font.string())) < 0)
    log("bundled font not loaded: " + font.string());
}
