#include "fonts/interface_font.hpp"

#include <memory>

#include <fontconfig/fontconfig.h>
#include <QApplication>
#include <QFontDatabase>

namespace {

struct PatternFree {
  void operator()(FcPattern* p) const { FcPatternDestroy(p); }
};
using Pattern = std::unique_ptr<FcPattern, PatternFree>;

// What fontconfig itself would pick for Korean text in a sans-serif face: the
// user's and the distribution's preferences included.
QString fontconfigKoreanSans() {
  Pattern pattern(FcNameParse(reinterpret_cast<const FcChar8*>("sans-serif:lang=ko")));
  if (!pattern) return {};
  FcConfigSubstitute(nullptr, pattern.get(), FcMatchPattern);
  FcDefaultSubstitute(pattern.get());
  FcResult result = FcResultNoMatch;
  Pattern match(FcFontMatch(nullptr, pattern.get(), &result));
  FcChar8* family = nullptr;
  if (!match || FcPatternGetString(match.get(), FC_FAMILY, 0, &family) != FcResultMatch) return {};
  return QString::fromUtf8(reinterpret_cast<const char*>(family));
}

// The widget classes this application shows text in. Setting the application
// font forgets the sizes a desktop theme gave single classes, so these are
// carried over one by one.
constexpr const char* widgetClasses[] = {"QMenu", "QMessageBox", "QPushButton", "QLabel", "QTipLabel"};

}  // namespace

QString koreanFamily() {
  // A family fontconfig falls back to without owning Hangul (nothing CJK
  // installed) would only rename the Latin font; then nothing changes.
  const QString family = fontconfigKoreanSans();
  const auto systems = QFontDatabase::writingSystems(family);
  if (!systems.contains(QFontDatabase::Korean) || !systems.contains(QFontDatabase::Latin)) return {};
  return family;
}

QFont inFamily(const QFont& base, const QString& family) {
  if (family.isEmpty()) return base;
  QFont font = base;
  font.setFamilies({family});
  // A style name belongs to the old family and would override the weight.
  font.setStyleName(QString());
  return font;
}

void useInterfaceTypeface(bool korean) {
  if (!korean) return;
  const QString family = koreanFamily();
  if (family.isEmpty()) return;
  QFont classFonts[std::size(widgetClasses)];
  for (std::size_t i = 0; i < std::size(widgetClasses); ++i)
    classFonts[i] = QApplication::font(widgetClasses[i]);
  QApplication::setFont(inFamily(QApplication::font(), family));
  for (std::size_t i = 0; i < std::size(widgetClasses); ++i)
    QApplication::setFont(inFamily(classFonts[i], family), widgetClasses[i]);
}
