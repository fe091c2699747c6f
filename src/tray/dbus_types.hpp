#pragma once
// The structured values the tray's D-Bus interfaces carry, with their wire
// forms. Call registerTrayDBusTypes() before exporting or reading them.

#include <QByteArray>
#include <QDBusArgument>
#include <QDBusVariant>
#include <QList>
#include <QString>
#include <QStringList>
#include <QVariantMap>

// One icon image: width, height and ARGB32 pixels in network byte order.
struct SniPixmap {
  int width = 0;
  int height = 0;
  QByteArray pixels;
};
using SniPixmaps = QList<SniPixmap>;

struct SniToolTip {
  QString iconName;
  SniPixmaps pixmaps;
  QString title;
  QString description;
};

struct MenuItemProperties {
  int id = 0;
  QVariantMap properties;
};
using MenuItemPropertiesList = QList<MenuItemProperties>;

struct MenuItemRemovals {
  int id = 0;
  QStringList names;
};
using MenuItemRemovalsList = QList<MenuItemRemovals>;

// An item and its children, each child travelling as a variant.
struct MenuLayoutItem {
  int id = 0;
  QVariantMap properties;
  QList<MenuLayoutItem> children;
};

struct MenuEvent {
  int id = 0;
  QString eventId;
  QDBusVariant data;
  uint timestamp = 0;
};
using MenuEvents = QList<MenuEvent>;

QDBusArgument& operator<<(QDBusArgument& arg, const SniPixmap& v);
const QDBusArgument& operator>>(const QDBusArgument& arg, SniPixmap& v);
QDBusArgument& operator<<(QDBusArgument& arg, const SniToolTip& v);
const QDBusArgument& operator>>(const QDBusArgument& arg, SniToolTip& v);
QDBusArgument& operator<<(QDBusArgument& arg, const MenuItemProperties& v);
const QDBusArgument& operator>>(const QDBusArgument& arg, MenuItemProperties& v);
QDBusArgument& operator<<(QDBusArgument& arg, const MenuItemRemovals& v);
const QDBusArgument& operator>>(const QDBusArgument& arg, MenuItemRemovals& v);
QDBusArgument& operator<<(QDBusArgument& arg, const MenuLayoutItem& v);
const QDBusArgument& operator>>(const QDBusArgument& arg, MenuLayoutItem& v);
QDBusArgument& operator<<(QDBusArgument& arg, const MenuEvent& v);
const QDBusArgument& operator>>(const QDBusArgument& arg, MenuEvent& v);

Q_DECLARE_METATYPE(SniPixmap)
Q_DECLARE_METATYPE(SniToolTip)
Q_DECLARE_METATYPE(MenuItemProperties)
Q_DECLARE_METATYPE(MenuItemRemovals)
Q_DECLARE_METATYPE(MenuLayoutItem)
Q_DECLARE_METATYPE(MenuEvent)

void registerTrayDBusTypes();
