#pragma once
// The app's presence in the desktop's tray, the one thing the controller
// talks to: it shows what it is given and tells about clicks and the menu.
// Where a StatusNotifierWatcher is on the session bus, the item is our own
// D-Bus export, registered again whenever the watcher's owner changes (a
// panel restarted, or started after the app). Only while there is no watcher
// does an XEmbed QSystemTrayIcon stand in, so there is never a second icon.
// A watcher may accept the registration and still drop the item (a host that
// failed to set it up): a few seconds later the app looks whether it is
// listed, beside a host, and registers again a few times when it is not.

#include <functional>
#include <string>
#include <vector>

#include <QDBusConnection>
#include <QObject>
#include <QPointer>
#include <QRect>

#include "tray/tray_glyph.hpp"

class QMenu;
class QSystemTrayIcon;
class DBusMenu;
class StatusNotifierItem;

// What the tray shows for one display model.
struct TrayModel {
  TrayGlyph glyph;
  std::string headline;  // the number as text, for hosts that draw a label
  std::string toolTip;
  std::vector<std::string> rows;  // the panel as text lines
  std::string accessibility;
};

struct TrayHooks {
  QDBusConnection bus = QDBusConnection::sessionBus();
  // Whether an XEmbed tray exists. Asked only while no watcher is on the
  // bus: Qt's tray decides once whether to use D-Bus, at its first question,
  // and must answer "no" then.
  std::function<bool()> xembedAvailable;
  std::function<std::string(unsigned pid)> processName;
  std::string currentDesktop;
  // How long after registering the watcher is asked whether it kept the
  // item and has a host to show it.
  int verifyAfterMs = 3000;
};

class TrayPresence : public QObject {
  Q_OBJECT
 public:
  TrayPresence(QMenu* menu, TrayHooks hooks, QObject* parent = nullptr);
  ~TrayPresence() override;

  void show(const TrayModel& model);
  // Looks again for a tray that is not attached yet: an XEmbed tray, or a
  // watcher that refused the registration.
  void recheck();
  bool attached() const;
  // Where the icon is, when the tray says: an XEmbed icon's window.
  QRect iconGeometry() const;
  bool drawsLabel() const { return drawsLabel_; }
  QString serviceName() const { return serviceName_; }

 signals:
  // A click on the item where the host tells the point (StatusNotifierItem).
  void activatedAt(int x, int y);
  // A click on the XEmbed icon, with its geometry.
  void iconActivated(const QRect& geometry);
  // The menu exported to the host is opening, or has closed.
  void menuOpening();
  void menuClosed();

 private:
  void watcherOwnerChanged(const QString& owner);
  void registerItem();
  void verifyRegistration(const QString& owner);
  void popupMenu(const QRect& anchor);
  void apply();
  void dropXEmbed();

  QMenu* menu_;
  TrayHooks hooks_;
  StatusNotifierItem* item_ = nullptr;
  DBusMenu* dbusMenu_ = nullptr;
  QSystemTrayIcon* xembed_ = nullptr;
  QString serviceName_;
  QString watcherOwner_;
  bool registered_ = false;
  QString registeringWith_;
  int failedTries_ = 0;
  int reregistrations_ = 0;
  bool drawsLabel_ = false;
  TrayModel model_;
};
