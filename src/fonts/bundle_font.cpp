#include "fonts/bundle_font.hpp"

#include <QByteArray>
#include <QFontDatabase>

#include "store/file_bytes.hpp"
#include "store/log.hpp"

namespace {

// The face is a subset of some tens of kilobytes; a whole CJK face is some
// sixteen megabytes.
constexpr std::uintmax_t maxFontBytes = 32u << 20;

}  // namespace

void useBundledFont(const std::optional<std::filesystem::path>& bundle) {
  if (!bundle) return;
  const auto font = *bundle / "share/fonts/QuotalumeHangul.otf";
  // Read here rather than by Qt, which would wait on a pipe at the path for
  // good and read a file of any size whole.
  const auto bytes = Store::readFile(font, maxFontBytes, Store::Links::follow);
  if (!bytes ||
      QFontDatabase::addApplicationFontFromData(QByteArray(bytes->data(), qsizetype(bytes->size()))) < 0)
    log("bundled font not loaded: " + font.string());
}
