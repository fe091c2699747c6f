#include "windows/guide_window.hpp"

#include <algorithm>

#include <QApplication>
#include <QDesktopServices>
#include <QFontMetricsF>
#include <QGuiApplication>
#include <QIcon>
#include <QLabel>
#include <QPushButton>
#include <QScreen>

#include "build_config.hpp"
#include "desktop/links.hpp"
#include "display/phrases.hpp"
#include "fonts/ui_font.hpp"
#include "windows/guide_layout.hpp"

namespace {

QString localized(std::string_view ko, std::string_view en) {
  return QString::fromStdString(T(ko, en));
}

constexpr int bodyFlags = Qt::AlignHCenter | Qt::AlignTop | Qt::TextWordWrap;

}  // namespace

GuideWindow::GuideWindow(Opener opener, TargetSource target, QObject* parent)
    : QObject(parent), opener_(std::move(opener)), target_(std::move(target)) {
  if (!opener_) opener_ = [](const QUrl& url) { QDesktopServices::openUrl(url); };
  if (!target_) target_ = [] { return QUrl(QString::fromStdString(Links::installTarget())); };
}

GuideWindow::~GuideWindow() = default;

QString GuideWindow::title() {
  return localized("Quotalume 시작하기", "Getting started");
}

QString GuideWindow::bodyText() {
  const std::string site = Build::serviceSite;
  return QString::fromStdString(
      T("숫자는 브라우저 확장이 가져와요. 크롬이나 엣지, 웨일에 Quotalume 확장을 깔고 " + site +
            "에 로그인해 두면, 몇 초 안에 여기에 사용량이 떠요.",
        "The numbers come from the browser extension. Add the Quotalume extension to Chrome, Edge or "
        "Whale and stay logged in to " +
            site + " \u2014 your usage shows up here within seconds."));
}

std::unique_ptr<QDialog> GuideWindow::make() {
  auto window = std::make_unique<QDialog>(
      nullptr, Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint);
  window->setWindowTitle(title());
  window->setModal(false);

  const QFont bodyFont = uiFont(13);
  const QString body = note_.isEmpty() ? bodyText() : bodyText() + QStringLiteral("\n\n") + note_;
  const double bodyHeight =
      QFontMetricsF(bodyFont).boundingRect(QRectF(0, 0, guideBodyWidth, 2000), bodyFlags, body).height();

  auto* open = new QPushButton(localized("확장 설치 페이지 열기", "Open install page"));
  auto* close = new QPushButton(localized("닫기", "Close"));
  const GuideLayout g = guideLayout(bodyHeight, open->sizeHint().width(), close->sizeHint().width());

  auto* icon = new QLabel(window.get());
  icon->setObjectName("icon");
  icon->setGeometry(g.icon);
  icon->setAlignment(Qt::AlignCenter);
  const QIcon appIcon = QGuiApplication::windowIcon();
  // Drawn at twice the size at least, so the icon stays sharp on HiDPI
  // screens and in the guide's picture.
  if (!appIcon.isNull())
    icon->setPixmap(appIcon.pixmap(g.icon.size(), std::max(2.0, qApp->devicePixelRatio())));

  auto* heading = new QLabel("Quotalume", window.get());
  heading->setObjectName("title");
  heading->setFont(uiFont(17, QFont::DemiBold));
  heading->setAlignment(Qt::AlignHCenter | Qt::AlignVCenter);
  heading->setGeometry(g.title);

  auto* text = new QLabel(body, window.get());
  text->setObjectName("body");
  text->setTextFormat(Qt::PlainText);
  text->setFont(bodyFont);
  text->setWordWrap(true);
  text->setAlignment(Qt::Alignment(bodyFlags & ~Qt::TextWordWrap));
  text->setGeometry(g.body);

  close->setParent(window.get());
  close->setObjectName("close");
  close->setAutoDefault(false);
  close->setGeometry(g.close);
  connect(close, &QPushButton::clicked, this, &GuideWindow::closeIt);

  open->setParent(window.get());
  open->setObjectName("open");
  open->setDefault(true);
  open->setGeometry(g.open);
  connect(open, &QPushButton::clicked, this, &GuideWindow::openPage);

  window->setFixedSize(g.width, g.height);
  return window;
}

QString noTrayNote() {
  return localized(
      "이 데스크톱은 트레이 아이콘을 보여 주지 않아서 Quotalume이 보이지 않아요. GNOME에서는 AppIndicator "
      "확장을 켜면 보여요. 그전에는 Quotalume을 다시 실행하면 패널이 창으로 열려요.",
      "This desktop shows no tray icons, so Quotalume cannot appear there. On GNOME, the AppIndicator "
      "extension brings them. Until then, start Quotalume again to open its panel in a window.");
}

void GuideWindow::show() {
  closeIt();
  window_ = make();
  if (QScreen* screen = QGuiApplication::primaryScreen()) {
    QRect frame = window_->geometry();
    frame.moveCenter(screen->availableGeometry().center());
    window_->move(frame.topLeft());
  }
  window_->show();
  window_->raise();
  window_->activateWindow();
}

void GuideWindow::openPage() {
  opener_(target_());
  closeIt();
}

void GuideWindow::closeIt() {
  if (window_) window_->close();
}
