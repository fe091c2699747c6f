#pragma once
// A QMenu exported over com.canonical.dbusmenu, so that tray hosts which draw
// menus themselves show our context menu in their own style. Items keep
// their ids while they stay in the menu; changes reach the host as
// ItemsPropertiesUpdated, followed by LayoutUpdated when items were added or
// removed: hosts that cache items take changes of kept ones only from the
// former.

#include <utility>

#include <QDBusAbstractAdaptor>
#include <QDBusContext>
#include <QHash>
#include <QObject>
#include <QPointer>
#include <QSet>

#include "tray/dbus_types.hpp"

class QAction;
class QMenu;
class DBusMenuAdaptor;

// The host's form of a label: "_" marks the mnemonic, "__" is a plain "_".
QString dbusMenuLabel(const QString& text);

// Calls reach the adaptor with the menu as their context: refusals are
// answered through it.
class DBusMenu : public QObject, protected QDBusContext {
  Q_OBJECT
 public:
  explicit DBusMenu(QMenu* menu, QObject* parent = nullptr);

  QMenu* menu() const { return menu_; }

 signals:
  // The host is about to show the menu (AboutToShow on the root, or its
  // "opened" event), and has closed it.
  void aboutToShow();
  void closed();

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  friend class DBusMenuAdaptor;

  int idOf(QAction* action);
  // The items the host sees: the menu's and those of its items' submenus.
  QList<QAction*> allActions() const;
  QList<QAction*> childrenOf(int id) const;
  QAction* actionOf(int id) const;
  QVariantMap properties(int id, const QStringList& names = {}) const;
  MenuLayoutItem layout(int id, int depth, const QStringList& names);
  // Sends what changed since the last announcement; true when anything did.
  bool flush();
  // What changed in these items since the host was last told of them, which
  // the told state then takes on; items new to the host are left out.
  std::pair<MenuItemPropertiesList, MenuItemRemovalsList> propertyChanges(const QList<QAction*>& actions);
  void queueFlush();
  void opened();
  void markClosed();
  // Answers the call in progress with InvalidArgs and `message`.
  void refuse(const QString& message);

  QMenu* menu_;
  DBusMenuAdaptor* adaptor_;
  bool flushQueued_ = false;
  QHash<QAction*, int> ids_;
  QHash<int, QPointer<QAction>> actions_;
  int nextId_ = 1;
  uint revision_ = 1;
  bool layoutChanged_ = false;
  QSet<QAction*> changed_;
  // What the host was last told of each item.
  QHash<int, QVariantMap> told_;
  bool open_ = false;
  bool justOpened_ = false;
  int openings_ = 0;
};

// Every call is answered, a refusal as an error: a caller left without a
// reply waits for its timeout.
class DBusMenuAdaptor : public QDBusAbstractAdaptor {
  Q_OBJECT
  Q_CLASSINFO("D-Bus Interface", "com.canonical.dbusmenu")
  Q_PROPERTY(uint Version READ version)
  Q_PROPERTY(QString TextDirection READ textDirection)
  Q_PROPERTY(QString Status READ status)
  Q_PROPERTY(QStringList IconThemePath READ iconThemePath)
 public:
  explicit DBusMenuAdaptor(DBusMenu* menu);

  uint version() const { return 3; }
  QString textDirection() const;
  QString status() const { return QStringLiteral("normal"); }
  QStringList iconThemePath() const { return {}; }

 public slots:
  uint GetLayout(int parentId, int recursionDepth, const QStringList& propertyNames, MenuLayoutItem& layout);
  QList<MenuItemProperties> GetGroupProperties(const QList<int>& ids, const QStringList& propertyNames);
  QDBusVariant GetProperty(int id, const QString& name);
  void Event(int id, const QString& eventId, const QDBusVariant& data, uint timestamp);
  QList<int> EventGroup(const QList<MenuEvent>& events);
  bool AboutToShow(int id);
  QList<int> AboutToShowGroup(const QList<int>& ids, QList<int>& idErrors);

 signals:
  void ItemsPropertiesUpdated(const QList<MenuItemProperties>& updated,
                              const QList<MenuItemRemovals>& removed);
  void LayoutUpdated(uint revision, int parent);
  void ItemActivationRequested(int id, uint timestamp);

 private:
  bool handle(int id, const QString& eventId);
  // Refuses (with an error reply) a call that asks for more than any host
  // needs, so that one call cannot hold the app up; true when it did.
  bool refusedAsTooMany(qsizetype count, const char* what);

  DBusMenu* menu_;
};
