#include "views/appearance.hpp"

#include <QApplication>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QDBusVariant>
#include <QEvent>

namespace {

constexpr auto portalService = "org.freedesktop.portal.Desktop";
constexpr auto portalPath = "/org/freedesktop/portal/desktop";
constexpr auto settingsInterface = "org.freedesktop.portal.Settings";
constexpr auto appearanceGroup = "org.freedesktop.appearance";
constexpr auto schemeKey = "color-scheme";
// A missing portal must not hold up the first menu.
constexpr int readTimeoutMs = 2000;

std::optional<Appearance> followed;

QPalette menuPalette() {
  return QApplication::palette("QMenu");
}

}  // namespace

std::optional<Appearance> appearanceFromColorScheme(std::uint32_t scheme) {
  switch (scheme) {
    case 1:
      return Appearance::dark;
    case 2:
      return Appearance::light;
    default:
      return std::nullopt;
  }
}

std::optional<std::uint32_t> colorSchemeFrom(const QVariant& value) {
  QVariant v = value;
  for (int depth = 0; depth < 4 && v.metaType() == QMetaType::fromType<QDBusVariant>(); ++depth) {
    v = qvariant_cast<QDBusVariant>(v).variant();
  }
  switch (v.metaType().id()) {
    case QMetaType::UInt:
      return v.toUInt();
    case QMetaType::Int:
    case QMetaType::UShort:
    case QMetaType::UChar:
      return v.toInt() < 0 ? std::nullopt : std::optional<std::uint32_t>(std::uint32_t(v.toInt()));
    default:
      return std::nullopt;
  }
}

Appearance appearanceFromPalette(const QPalette& menu) {
  return menu.color(QPalette::Active, QPalette::Window).lightness() < 128 ? Appearance::dark
                                                                          : Appearance::light;
}

Appearance decideAppearance(std::optional<std::uint32_t> portalScheme, const QPalette& menu) {
  if (portalScheme) {
    if (auto chosen = appearanceFromColorScheme(*portalScheme)) return *chosen;
  }
  return appearanceFromPalette(menu);
}

Appearance currentAppearance() {
  return followed ? *followed : appearanceFromPalette(menuPalette());
}

AppearanceWatcher::AppearanceWatcher(QObject* parent)
    : AppearanceWatcher(QDBusConnection::sessionBus(), parent) {}

AppearanceWatcher::AppearanceWatcher(const QDBusConnection& connection, QObject* parent)
    : QObject(parent), appearance_(appearanceFromPalette(menuPalette())) {
  followed = appearance_;
  if (qApp) qApp->installEventFilter(this);

  QDBusConnection bus = connection;
  if (!bus.isConnected()) return;
  bus.connect(portalService, portalPath, settingsInterface, "SettingChanged", this,
              SLOT(onSettingChanged(QDBusMessage)));
  QDBusMessage read = QDBusMessage::createMethodCall(portalService, portalPath, settingsInterface, "Read");
  read << QString(appearanceGroup) << QString(schemeKey);
  auto* call = new QDBusPendingCallWatcher(bus.asyncCall(read, readTimeoutMs), this);
  connect(call, &QDBusPendingCallWatcher::finished, this, &AppearanceWatcher::onReadFinished);
}

AppearanceWatcher::~AppearanceWatcher() {
  if (qApp) qApp->removeEventFilter(this);
  followed.reset();
}

void AppearanceWatcher::onReadFinished(QDBusPendingCallWatcher* call) {
  call->deleteLater();
  QDBusMessage reply = call->reply();
  // A change signalled meanwhile is newer than this answer.
  if (heardChange_ || reply.type() != QDBusMessage::ReplyMessage || reply.arguments().isEmpty()) return;
  scheme_ = colorSchemeFrom(reply.arguments().first());
  settle();
}

void AppearanceWatcher::onSettingChanged(const QDBusMessage& message) {
  const QList<QVariant> args = message.arguments();
  if (args.size() < 3 || args[0].toString() != appearanceGroup || args[1].toString() != schemeKey) return;
  heardChange_ = true;
  scheme_ = colorSchemeFrom(args[2]);
  settle();
}

bool AppearanceWatcher::eventFilter(QObject* watched, QEvent* event) {
  if (watched == qApp && event->type() == QEvent::ApplicationPaletteChange) settle();
  return QObject::eventFilter(watched, event);
}

void AppearanceWatcher::settle() {
  Appearance now = decideAppearance(scheme_, menuPalette());
  followed = now;
  if (now == appearance_) return;
  appearance_ = now;
  emit changed(now);
}
