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

namespace {

class LanguageScope {
 public:
  explicit LanguageScope(bool korean) : saved_(isKorean) { isKorean = korean; }
  ~LanguageScope() { isKorean = saved_; }

 private:
  bool saved_;
};

TEST(GuideLayout, HeightRuleAndButtons) {
  struct Case {
    const char* name;
    double bodyHeight;
    int openFitted, closeFitted;
    int height, openX, openW, closeX, closeW;
  } cases[] = {
      {"fraction rounds up", 100.2, 80, 50, 313, 308, 140, 204, 96},
      {"whole height kept", 34, 80, 50, 246, 308, 140, 204, 96},
      {"minimums hold at the edge", 51, 116, 72, 263, 308, 140, 204, 96},
      {"long open title widens and pushes close", 51, 117, 73, 263, 307, 141, 202, 97},
      {"both long", 51, 200, 150, 263, 224, 224, 42, 174},
      {"NaN measures as nothing", std::nan(""), 80, 50, 212, 308, 140, 204, 96},
      {"negative measures as nothing", -5, 80, 50, 212, 308, 140, 204, 96},
      {"huge is bounded by the measuring box", 1e300, 80, 50, 2212, 308, 140, 204, 96},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const GuideLayout g = guideLayout(c.bodyHeight, c.openFitted, c.closeFitted);
    EXPECT_EQ(g.width, 470);
    EXPECT_EQ(g.height, c.height);
    const int h = c.height - 212;
    EXPECT_EQ(g.open, QRect(c.openX, c.height - 50, c.openW, 32));
    EXPECT_EQ(g.open.x() + g.open.width(), 448);
    EXPECT_EQ(g.close, QRect(c.closeX, c.height - 50, c.closeW, 32));
    EXPECT_EQ(g.open.x() - (g.close.x() + g.close.width()), 8);
    EXPECT_EQ(g.body, QRect(30, 140, 410, h));
    EXPECT_EQ(g.title, QRect(20, 104, 430, 24));
    EXPECT_EQ(g.icon, QRect(199, 22, 72, 72));
  }
}

TEST(GuideWindow, BuiltWindowInBothLanguages) {
  struct Case {
    const char* name;
    bool korean;
    QString title, open, close;
  } cases[] = {
      {"English", false, "Getting started", "Open install page", "Close"},
      {"Korean", true, QString::fromUtf8("Quotalume 시작하기"), QString::fromUtf8("확장 설치 페이지 열기"),
       QString::fromUtf8("닫기")},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    LanguageScope lang(c.korean);
    GuideWindow guide([](const QUrl&) {}, [] { return QUrl(); });
    auto w = guide.make();
    EXPECT_EQ(w->windowTitle(), c.title);
    EXPECT_FALSE(w->isVisible());

    auto* body = w->findChild<QLabel*>("body");
    auto* open = w->findChild<QPushButton*>("open");
    auto* close = w->findChild<QPushButton*>("close");
    auto* title = w->findChild<QLabel*>("title");
    ASSERT_TRUE(body && open && close && title);
    EXPECT_EQ(open->text(), c.open);
    EXPECT_EQ(close->text(), c.close);
    EXPECT_EQ(title->text(), "Quotalume");
    EXPECT_TRUE(
        body->text().contains(c.korean ? QString::fromUtf8("에 로그인해 두면") : "stay logged in to"));
    EXPECT_TRUE(open->isDefault());
    EXPECT_FALSE(close->isDefault());

    // The window height follows the body text as it really measures.
    const double measured =
        QFontMetricsF(body->font())
            .boundingRect(QRectF(0, 0, 410, 2000), Qt::AlignHCenter | Qt::TextWordWrap, body->text())
            .height();
    const int h = static_cast<int>(std::ceil(measured));
    EXPECT_GT(h, 0);
    EXPECT_EQ(w->size(), QSize(470, h + 212));
    EXPECT_EQ(w->minimumSize(), w->maximumSize());
    EXPECT_EQ(body->geometry(), QRect(30, 140, 410, h));
    // The wrapped label must fit the text it was sized for.
    EXPECT_GE(body->geometry().height(), body->heightForWidth(410) - 1);

    EXPECT_EQ(open->width(), std::max(140, open->sizeHint().width() + 24));
    EXPECT_EQ(close->width(), std::max(96, close->sizeHint().width() + 24));
    EXPECT_EQ(open->geometry().right() + 1, 448);
    EXPECT_EQ(open->x() - close->geometry().right() - 1, 8);
    EXPECT_EQ(open->y(), h + 212 - 50);
    EXPECT_EQ(close->y(), open->y());
    EXPECT_EQ(open->height(), 32);
    EXPECT_GE(close->x(), 0);
  }
}

TEST(GuideWindow, ButtonsOpenAndClose) {
  std::vector<QUrl> opened;
  GuideWindow guide([&](const QUrl& u) { opened.push_back(u); },
                    [] { return QUrl("https://example.test/store"); });

  guide.show();
  QDialog* first = guide.window();
  ASSERT_NE(first, nullptr);
  EXPECT_TRUE(first->isVisible());

  guide.show();
  EXPECT_NE(guide.window(), first);
  int visible = 0;
  for (QWidget* w : QApplication::topLevelWidgets()) visible += w->isVisible() && qobject_cast<QDialog*>(w);
  EXPECT_EQ(visible, 1);

  // Return is the open button's key.
  QKeyEvent press(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier);
  QApplication::sendEvent(guide.window(), &press);
  ASSERT_EQ(opened.size(), 1u);
  EXPECT_EQ(opened[0], QUrl("https://example.test/store"));
  EXPECT_FALSE(guide.window()->isVisible());

  guide.show();
  guide.window()->findChild<QPushButton*>("close")->click();
  EXPECT_EQ(opened.size(), 1u);
  EXPECT_FALSE(guide.window()->isVisible());

  guide.closeIt();  // nothing left to close
}

}  // namespace
