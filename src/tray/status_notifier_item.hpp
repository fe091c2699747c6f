#pragma once
// The tray item as StatusNotifierItem hosts read it over D-Bus: our own, so
// that it can carry a label, an accessible description and images at every
// size, and register again whenever a host's watcher comes back.

#include <QDBusAbstractAdaptor>
#include <QDBusObjectPath>
#include <QObject>

#include "tray/dbus_types.hpp"

class StatusNotifierItemAdaptor;

// What the item shows; each part that changes announces itself to the host.
struct SniLook {
  SniPixmaps icon;
  QString toolTipTitle;
  QString toolTipText;
  QString label;
  QString accessibleDesc;
};

class StatusNotifierItem : public QObject {
  Q_OBJECT
 public:
  StatusNotifierItem(const QDBusObjectPath& menu, QObject* parent = nullptr);

  void setLook(const SniLook& look);
  const SniLook& look() const { return look_; }
  QDBusObjectPath menu() const { return menu_; }

 signals:
  void activated(int x, int y);
  void contextMenuRequested(int x, int y);

 private:
  friend class StatusNotifierItemAdaptor;
  StatusNotifierItemAdaptor* adaptor_;
  QDBusObjectPath menu_;
  SniLook look_;
};

class StatusNotifierItemAdaptor : public QDBusAbstractAdaptor {
  Q_OBJECT
  Q_CLASSINFO("D-Bus Interface", "org.kde.StatusNotifierItem")
  Q_PROPERTY(QString Category READ category)
  Q_PROPERTY(QString Id READ id)
  Q_PROPERTY(QString Title READ title)
  Q_PROPERTY(QString Status READ status)
  Q_PROPERTY(int WindowId READ windowId)
  Q_PROPERTY(QString IconName READ empty)
  Q_PROPERTY(QString IconThemePath READ empty)
  Q_PROPERTY(SniPixmaps IconPixmap READ iconPixmap)
  Q_PROPERTY(QString OverlayIconName READ empty)
  Q_PROPERTY(SniPixmaps OverlayIconPixmap READ noPixmaps)
  Q_PROPERTY(QString AttentionIconName READ empty)
  Q_PROPERTY(SniPixmaps AttentionIconPixmap READ noPixmaps)
  Q_PROPERTY(QString AttentionMovieName READ empty)
  Q_PROPERTY(SniToolTip ToolTip READ toolTip)
  Q_PROPERTY(bool ItemIsMenu READ itemIsMenu)
  Q_PROPERTY(QDBusObjectPath Menu READ menu)
  Q_PROPERTY(QString IconAccessibleDesc READ iconAccessibleDesc)
  Q_PROPERTY(QString AttentionAccessibleDesc READ empty)
  Q_PROPERTY(QString XAyatanaLabel READ label)
  Q_PROPERTY(QString XAyatanaLabelGuide READ labelGuide)
 public:
  explicit StatusNotifierItemAdaptor(StatusNotifierItem* item);

  QString category() const { return QStringLiteral("ApplicationStatus"); }
  QString id() const { return QStringLiteral("quotalume"); }
  QString title() const { return QStringLiteral("Quotalume"); }
  QString status() const { return QStringLiteral("Active"); }
  int windowId() const { return 0; }
  QString empty() const { return {}; }
  SniPixmaps iconPixmap() const { return item_->look_.icon; }
  SniPixmaps noPixmaps() const { return {}; }
  SniToolTip toolTip() const;
  bool itemIsMenu() const { return false; }
  QDBusObjectPath menu() const { return item_->menu_; }
  QString iconAccessibleDesc() const { return item_->look_.accessibleDesc; }
  QString label() const { return item_->look_.label; }
  // The widest label the item shows, so the host keeps its width steady.
  QString labelGuide() const { return QStringLiteral("100%"); }

 public slots:
  void Activate(int x, int y);
  void SecondaryActivate(int x, int y);
  void ContextMenu(int x, int y);
  void Scroll(int delta, const QString& orientation);

 signals:
  // Title and status never change; the signals are declared because hosts
  // subscribe to them.
  void NewTitle();
  void NewIcon();
  void NewAttentionIcon();
  void NewOverlayIcon();
  void NewToolTip();
  void NewStatus(const QString& status);
  void XAyatanaNewLabel(const QString& label, const QString& guide);

 private:
  friend class StatusNotifierItem;
  StatusNotifierItem* item_;
};
