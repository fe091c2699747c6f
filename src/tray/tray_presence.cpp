#include "tray/tray_presence.hpp"

#include <algorithm>

#include <QCoreApplication>
#include <QDBusConnectionInterface>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QDBusServiceWatcher>
#include <QMenu>
#include <QSystemTrayIcon>
#include <QTimer>
#include <QtEndian>

#include "tray/dbus_menu.hpp"
#include "tray/label_host.hpp"
#include "tray/popup_position.hpp"
#include "tray/status_notifier_item.hpp"

namespace {

const QString watcherService = QStringLiteral("org.kde.StatusNotifierWatcher");
const QString itemPath = QStringLiteral("/StatusNotifierItem");
const QString menuPath = QStringLiteral("/MenuBar");
// Registrations repeated for one watcher that keeps dropping the item.
constexpr int maxReregistrations = 3;

// Each size drawn for itself, as ARGB32 in network byte order.
SniPixmaps iconPixmaps(const TrayGlyph& glyph) {
  SniPixmaps pixmaps;
  for (int side : trayIconSizes) {
    const QImage image = renderTrayGlyph(glyph, side).convertToFormat(QImage::Format_ARGB32);
    QByteArray pixels(qsizetype(image.width()) * image.height() * 4, Qt::Uninitialized);
    auto* out = reinterpret_cast<uchar*>(pixels.data());
    for (int y = 0; y < image.height(); ++y) {
      const auto* line = reinterpret_cast<const quint32*>(image.constScanLine(y));
      for (int x = 0; x < image.width(); ++x, out += 4) qToBigEndian(line[x], out);
    }
    pixmaps.push_back({image.width(), image.height(), pixels});
  }
  return pixmaps;
}

QString qs(const std::string& text) {
  return QString::fromStdString(text);
}

}  // namespace

TrayPresence::TrayPresence(QMenu* menu, TrayHooks hooks, QObject* parent)
    : QObject(parent), menu_(menu), hooks_(std::move(hooks)) {
  registerTrayDBusTypes();
  static int instances = 0;
  serviceName_ = QStringLiteral("org.kde.StatusNotifierItem-%1-%2")
                     .arg(QCoreApplication::applicationPid())
                     .arg(++instances);
  dbusMenu_ = new DBusMenu(menu_, this);
  item_ = new StatusNotifierItem(QDBusObjectPath(menuPath), this);
  connect(item_, &StatusNotifierItem::activated, this, [this](int x, int y) {
    const QPoint at = logicalFromDevice({x, y});
    emit activatedAt(at.x(), at.y());
  });
  connect(item_, &StatusNotifierItem::contextMenuRequested, this, [this](int x, int y) {
    // (0, 0): the host does not say where the click was.
    popupMenu(x == 0 && y == 0 ? QRect() : QRect(logicalFromDevice({x, y}), QSize(1, 1)));
  });
  connect(dbusMenu_, &DBusMenu::aboutToShow, this, &TrayPresence::menuOpening);
  connect(dbusMenu_, &DBusMenu::closed, this, &TrayPresence::menuClosed);
  apply();

  QDBusConnection& bus = hooks_.bus;
  if (!bus.isConnected()) return;
  bus.registerObject(itemPath, item_, QDBusConnection::ExportAdaptors);
  bus.registerObject(menuPath, dbusMenu_, QDBusConnection::ExportAdaptors);
  bus.registerService(serviceName_);
  auto* watcher =
      new QDBusServiceWatcher(watcherService, bus, QDBusServiceWatcher::WatchForOwnerChange, this);
  connect(watcher, &QDBusServiceWatcher::serviceOwnerChanged, this,
          [this](const QString&, const QString&, const QString& owner) { watcherOwnerChanged(owner); });
  const QDBusReply<QString> owner = bus.interface()->serviceOwner(watcherService);
  if (owner.isValid()) watcherOwnerChanged(owner.value());
}

TrayPresence::~TrayPresence() {
  dropXEmbed();
  if (hooks_.bus.isConnected()) {
    hooks_.bus.unregisterService(serviceName_);
    hooks_.bus.unregisterObject(itemPath);
    hooks_.bus.unregisterObject(menuPath);
  }
}

bool TrayPresence::attached() const {
  return !watcherOwner_.isEmpty() || xembed_ != nullptr;
}

QRect TrayPresence::iconGeometry() const {
  return xembed_ ? xembed_->geometry() : QRect();
}

void TrayPresence::show(const TrayModel& model) {
  model_ = model;
  apply();
}

void TrayPresence::apply() {
  TrayGlyph glyph = model_.glyph;
  glyph.withNumber = !drawsLabel_;
  QStringList rows;
  for (const std::string& row : model_.rows) rows << qs(row);
  // Hosts may read the description as markup.
  item_->setLook({iconPixmaps(glyph), qs(model_.toolTip), rows.join(u'\n').toHtmlEscaped(),
                  drawsLabel_ ? qs(model_.headline) : QString(), qs(model_.accessibility)});
  if (xembed_) {
    xembed_->setIcon(trayGlyph(model_.glyph));
    // The same lines the other hosts show: the title, then the panel's rows.
    xembed_->setToolTip((QStringList{qs(model_.toolTip)} + rows).join(u'\n'));
  }
}

void TrayPresence::watcherOwnerChanged(const QString& owner) {
  watcherOwner_ = owner;
  registered_ = false;
  failedTries_ = 0;
  reregistrations_ = 0;
  if (owner.isEmpty()) return;
  dropXEmbed();
  QDBusMessage ask = QDBusMessage::createMethodCall(
      QStringLiteral("org.freedesktop.DBus"), QStringLiteral("/org/freedesktop/DBus"),
      QStringLiteral("org.freedesktop.DBus"), QStringLiteral("GetConnectionUnixProcessID"));
  ask << owner;
  auto* pending = new QDBusPendingCallWatcher(hooks_.bus.asyncCall(ask), this);
  connect(pending, &QDBusPendingCallWatcher::finished, this, [this, owner](QDBusPendingCallWatcher* call) {
    call->deleteLater();
    if (owner != watcherOwner_) return;
    const QDBusPendingReply<uint> pid = *call;
    std::string name;
    if (pid.isValid()) name = hooks_.processName ? hooks_.processName(pid.value()) : processName(pid.value());
    const bool label = hostDrawsLabel(name, hooks_.currentDesktop);
    if (label != drawsLabel_) {
      drawsLabel_ = label;
      apply();
    }
    registerItem();
  });
}

void TrayPresence::registerItem() {
  if (watcherOwner_.isEmpty() || registeringWith_ == watcherOwner_) return;
  registeringWith_ = watcherOwner_;
  QDBusMessage call =
      QDBusMessage::createMethodCall(watcherService, QStringLiteral("/StatusNotifierWatcher"), watcherService,
                                     QStringLiteral("RegisterStatusNotifierItem"));
  call << serviceName_;
  auto* pending = new QDBusPendingCallWatcher(hooks_.bus.asyncCall(call), this);
  connect(pending, &QDBusPendingCallWatcher::finished, this,
          [this, owner = watcherOwner_](QDBusPendingCallWatcher* reply) {
            reply->deleteLater();
            if (registeringWith_ == owner) registeringWith_.clear();
            if (owner != watcherOwner_) return;
            registered_ = !reply->isError();
            // A panel may take the watcher's name a moment before it answers
            // on it; a few quick tries keep the icon within a second or two.
            if (!registered_ && ++failedTries_ < 8)
              QTimer::singleShot(250, this, &TrayPresence::registerItem);
            if (!registered_) return;
            failedTries_ = 0;
            QTimer::singleShot(hooks_.verifyAfterMs, this, [this, owner] { verifyRegistration(owner); });
          });
}

void TrayPresence::verifyRegistration(const QString& owner) {
  if (owner != watcherOwner_ || !registered_) return;
  QDBusMessage ask = QDBusMessage::createMethodCall(watcherService, QStringLiteral("/StatusNotifierWatcher"),
                                                    QStringLiteral("org.freedesktop.DBus.Properties"),
                                                    QStringLiteral("GetAll"));
  ask << watcherService;
  auto* pending = new QDBusPendingCallWatcher(hooks_.bus.asyncCall(ask), this);
  connect(pending, &QDBusPendingCallWatcher::finished, this, [this, owner](QDBusPendingCallWatcher* call) {
    call->deleteLater();
    const QDBusPendingReply<QVariantMap> reply = *call;
    // A watcher that cannot say is taken at its word.
    if (owner != watcherOwner_ || !reply.isValid()) return;
    const QVariantMap watcher = reply.value();
    // Watchers list an item as its service, "service/path" or "service@/path",
    // by the name it registered or by its connection's unique name.
    const auto ours = [this](const QString& entry) {
      for (const QString& name : {serviceName_, hooks_.bus.baseService()}) {
        if (entry.startsWith(name) &&
            (entry.size() == name.size() || entry[name.size()] == u'/' || entry[name.size()] == u'@'))
          return true;
      }
      return false;
    };
    const QStringList items = watcher.value(QStringLiteral("RegisteredStatusNotifierItems")).toStringList();
    const bool listed = std::any_of(items.begin(), items.end(), ours);
    const bool hosted = watcher.value(QStringLiteral("IsStatusNotifierHostRegistered")).toBool();
    if ((listed && hosted) || reregistrations_ >= maxReregistrations) return;
    ++reregistrations_;
    registered_ = false;
    registerItem();
  });
}

void TrayPresence::popupMenu(const QRect& anchor) {
  // A second request while the menu is open changes nothing.
  if (menu_->isVisible()) return;
  menu_->popup(besideIcon(anchor, menu_->sizeHint()));
}

void TrayPresence::recheck() {
  if (!watcherOwner_.isEmpty()) {
    if (!registered_) registerItem();
    return;
  }
  if (xembed_ || !hooks_.xembedAvailable || !hooks_.xembedAvailable()) return;
  // A watcher that arrived while Qt looked gets our item when its arrival is
  // reported, not a second icon now.
  if (hooks_.bus.isConnected() && hooks_.bus.interface()->isServiceRegistered(watcherService)) return;
  xembed_ = new QSystemTrayIcon(this);
  // Not Qt's context menu, which opens at the pointer, over the bar: the
  // menu opens beside the icon as the panel does.
  connect(xembed_, &QSystemTrayIcon::activated, this, [this](QSystemTrayIcon::ActivationReason reason) {
    if (!xembed_) return;
    if (reason == QSystemTrayIcon::Trigger) emit iconActivated(xembed_->geometry());
    if (reason == QSystemTrayIcon::Context) popupMenu(xembed_->geometry());
  });
  apply();
  xembed_->show();
}

void TrayPresence::dropXEmbed() {
  if (!xembed_) return;
  xembed_->hide();
  delete xembed_;
  xembed_ = nullptr;
}
