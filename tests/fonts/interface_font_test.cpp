// A Korean interface in one typeface: which application fonts follow it.
#include "fonts/interface_font.hpp"

#include <QApplication>
#include <QFontInfo>

#include <gtest/gtest.h>

#include "fonts/panel_fonts.hpp"

TEST(InterfaceTypeface, KoreanReachesEveryWidgetClassEnglishChangesNothing) {
  const QString family = koreanFamily();
  ASSERT_FALSE(family.isEmpty()) << "no Korean sans installed (fonts-noto-cjk)";
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
