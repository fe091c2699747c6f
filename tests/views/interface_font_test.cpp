// A Korean interface in one typeface: what its lines measure, which face
// draws them, and which application fonts follow it.
#include "views/interface_font.hpp"

#include <QApplication>
#include <QFontInfo>
#include <QGlyphRun>
#include <QRawFont>
#include <QTextLayout>

#include <gtest/gtest.h>

#include "views/info_layout.hpp"

namespace {

QString q(const char* utf8) {
  return QString::fromUtf8(utf8);
}

// The faces QTextLayout actually draws `text` with, fallbacks included.
std::string drawingFamilies(const QString& text, const QFont& font) {
  QTextLayout layout(text, font);
  layout.beginLayout();
  layout.createLine();
  layout.endLayout();
  QStringList families;
  for (const QGlyphRun& run : layout.glyphRuns()) families.append(run.rawFont().familyName());
  families.removeDuplicates();
  return families.join(", ").toStdString();
}

class KoreanPanel : public ::testing::Test {
 protected:
  const QString family = koreanFamily();
  const PanelFonts fonts = panelFonts(inFamily(menuFont(), family));

  void SetUp() override { ASSERT_FALSE(family.isEmpty()) << "no Korean sans installed (fonts-noto-cjk)"; }
};

// Fallback faces would draw some lines taller than others.
TEST_F(KoreanPanel, OneFaceDrawsHangulLatinAndDigitsAtOneHeight) {
  const std::pair<const char*, QFont> cases[] = {
      {"Max 5x · 갱신 1분 전", fonts.sub}, {"claude.ai에 로그인해 주세요", fonts.name}, {"93%", fonts.pct}};
  for (const auto& [text, font] : cases) {
    SCOPED_TRACE(text);
    EXPECT_EQ(drawingFamilies(q(text), font), family.toStdString());
    const double latin = measureText("Max 5x", font).height();
    EXPECT_GT(latin, 0);
    EXPECT_EQ(measureText(q("5시간 한도"), font).height(), latin);
    EXPECT_EQ(measureText(q(text), font).height(), latin);
  }
}

TEST(InterfaceTypeface, KoreanReachesEveryWidgetClassEnglishChangesNothing) {
  const QString family = koreanFamily();
  ASSERT_FALSE(family.isEmpty());
  const QFont app = QApplication::font(), menu = QApplication::font("QMenu");
  // A desktop theme may size menus apart from the rest; that size must
  // survive. Its font names a style of its own family, which must not pin
  // the Korean face to its regular weight.
  QFont themedMenu = app;
  themedMenu.setPointSizeF(17);
  themedMenu.setStyleName("Regular");
  QApplication::setFont(themedMenu, "QMenu");

  useInterfaceTypeface(false);
  EXPECT_EQ(QApplication::font(), app);
  EXPECT_EQ(QApplication::font("QMenu"), themedMenu);

  useInterfaceTypeface(true);
  const std::pair<const char*, QFont> cases[] = {
      {nullptr, app}, {"QMenu", themedMenu}, {"QPushButton", app}, {"QLabel", app}};
  for (const auto& [className, before] : cases) {
    SCOPED_TRACE(className ? className : "application");
    const QFont now = className ? QApplication::font(className) : QApplication::font();
    EXPECT_EQ(now.families().join(", ").toStdString(), family.toStdString());
    EXPECT_EQ(now.pointSizeF(), before.pointSizeF());
    EXPECT_EQ(now.weight(), before.weight());
  }
  const PanelFonts panel = panelFonts(menuFont());
  EXPECT_EQ(panel.name.family(), family) << "the panel follows the menu font";
  EXPECT_NE(QFontInfo(panel.pct).styleName(), QFontInfo(panel.name).styleName())
      << "percentages stay heavier";

  QApplication::setFont(app);
  QApplication::setFont(menu, "QMenu");
}

}  // namespace
