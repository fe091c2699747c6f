#include "windows/guide_window.hpp"

#include <gtest/gtest.h>

#include <QApplication>
#include <QDialog>
#include <QKeyEvent>
#include <QPushButton>

#include "display/phrases.hpp"

namespace {

// The first-run guide: its words in both languages, Close that only closes,
// Return that opens the install page once and closes, and one window however
// often it is asked for.
TEST(GuideWindow, ButtonsKeysAndOneWindowInBothLanguages) {
  const bool saved = isKorean;
  for (const auto& [korean, texts] : {std::pair{false, "Getting started|Open install page|Close"},
                                      {true, "Quotalume 시작하기|확장 설치 페이지 열기|닫기"}}) {
    SCOPED_TRACE(texts);
    isKorean = korean;
    std::vector<QUrl> opened;
    GuideWindow guide([&](const QUrl& u) { opened.push_back(u); },
                      [] { return QUrl("https://example.test/s"); });
    guide.show();
    auto* open = guide.window()->findChild<QPushButton*>("open");
    auto* close = guide.window()->findChild<QPushButton*>("close");
    ASSERT_TRUE(open && close);
    EXPECT_EQ((guide.window()->windowTitle() + "|" + open->text() + "|" + close->text()).toStdString(),
              texts);
    close->click();
    EXPECT_FALSE(guide.window()->isVisible());
    guide.show();
    guide.show();
    int visible = 0;
    for (QWidget* w : QApplication::topLevelWidgets()) visible += w->isVisible() && qobject_cast<QDialog*>(w);
    EXPECT_EQ(visible, 1);
    QKeyEvent press(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier);
    QApplication::sendEvent(guide.window(), &press);
    EXPECT_EQ(opened, std::vector<QUrl>{QUrl("https://example.test/s")});
    EXPECT_FALSE(guide.window()->isVisible());
  }
  isKorean = saved;
}

}  // namespace
