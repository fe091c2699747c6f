#include "app/guide_window.hpp"

#include <QApplication>
#include <QFontMetricsF>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>
#include <cmath>

#include <gtest/gtest.h>

#include "app/guide_layout.hpp"
#include "display/phrases.hpp"
#include "views/interface_font.hpp"

namespace {

TEST(GuideLayout, HeightRuleAndButtons) {
  struct Case {
    const char* name;
    double bodyHeight;
    int openFitted, closeFitted;
    int height, openX, openW, closeX, closeW;
  } cases[] = {
      {"fraction rounds up", 100.2, 80, 50, 313, 308, 140, 204, 96},
      {"minimums hold at the edge", 51, 116, 72, 263, 308, 140, 204, 96},
      {"long titles widen and push close", 51, 117, 73, 263, 307, 141, 202, 97},
      {"NaN measures as nothing", std::nan(""), 80, 50, 212, 308, 140, 204, 96},
      {"huge is bounded by the measuring box", 1e300, 80, 50, 2212, 308, 140, 204, 96},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const GuideLayout g = guideLayout(c.bodyHeight, c.openFitted, c.closeFitted);
    EXPECT_EQ(QSize(g.width, g.height), QSize(470, c.height));
    EXPECT_EQ(g.open, QRect(c.openX, c.height - 50, c.openW, 32));
    EXPECT_EQ(g.close, QRect(c.closeX, c.height - 50, c.closeW, 32));
    EXPECT_EQ(g.body, QRect(30, 140, 410, c.height - 212));
  }
}

TEST(GuideWindow, BuiltWindowInBothLanguages) {
  struct Case {
    bool korean;
    QString texts, bodyPart;  // the window's title and its buttons
  } cases[] = {
      {false, "Getting started|Open install page|Close", "stay logged in to"},
      {true, "Quotalume 시작하기|확장 설치 페이지 열기|닫기", "에 로그인해 두면"},
  };
  const bool saved = isKorean;
  const QFont appFont = QApplication::font();
  for (const auto& c : cases) {
    SCOPED_TRACE(c.korean ? "Korean" : "English");
    isKorean = c.korean;
    useInterfaceTypeface(c.korean);
    GuideWindow guide([](const QUrl&) {}, [] { return QUrl(); });
    auto w = guide.make();
    auto* body = w->findChild<QLabel*>("body");
    auto* heading = w->findChild<QLabel*>("title");
    auto* open = w->findChild<QPushButton*>("open");
    auto* close = w->findChild<QPushButton*>("close");
    ASSERT_TRUE(body && heading && open && close);
    // One family for every text, so Hangul and Latin never mix faces.
    const QString family = c.korean ? koreanFamily() : appFont.family();
    for (const QWidget* text : std::initializer_list<const QWidget*>{body, heading, open, close})
      EXPECT_EQ(text->font().family().toStdString(), family.toStdString())
          << text->objectName().toStdString();
    EXPECT_EQ((w->windowTitle() + "|" + open->text() + "|" + close->text()).toStdString(),
              c.texts.toStdString());
    EXPECT_TRUE(body->text().contains(c.bodyPart));

    // The window height follows the body text as it really measures.
    const QRectF text =
        QFontMetricsF(body->font())
            .boundingRect(QRectF(0, 0, 410, 2000), Qt::AlignHCenter | Qt::TextWordWrap, body->text());
    EXPECT_EQ(w->size(), QSize(470, static_cast<int>(std::ceil(text.height())) + 212));
    EXPECT_EQ(w->minimumSize(), w->maximumSize());
    EXPECT_GE(body->geometry().height(), body->heightForWidth(410) - 1) << "wrapped text must fit";
  }
  isKorean = saved;
  QApplication::setFont(appFont);
}

TEST(GuideWindow, CloseAndReturnButtonsAndOneWindowAtATime) {
  std::vector<QUrl> opened;
  GuideWindow guide([&](const QUrl& u) { opened.push_back(u); },
                    [] { return QUrl("https://example.test/s"); });
  guide.show();
  guide.window()->findChild<QPushButton*>("close")->click();
  EXPECT_FALSE(guide.window()->isVisible());
  guide.show();
  guide.show();
  int visible = 0;
  for (QWidget* w : QApplication::topLevelWidgets()) visible += w->isVisible() && qobject_cast<QDialog*>(w);
  EXPECT_EQ(visible, 1);
  QKeyEvent press(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier);
  QApplication::sendEvent(guide.window(), &press);
  EXPECT_EQ(opened, std::vector<QUrl>{QUrl("https://example.test/s")}) << "one page; Close opens none";
  EXPECT_FALSE(guide.window()->isVisible());
  guide.closeIt();  // nothing left to close
}

}  // namespace
