#include "tray/dbus_types.hpp"

#include <QDBusMetaType>

QDBusArgument& operator<<(QDBusArgument& arg, const SniPixmap& v) {
  arg.beginStructure();
  arg << v.width << v.height << v.pixels;
  arg.endStructure();
  return arg;
}

const QDBusArgument& operator>>(const QDBusArgument& arg, SniPixmap& v) {
  arg.beginStructure();
  arg >> v.width >> v.height >> v.pixels;
  arg.endStructure();
  return arg;
}

QDBusArgument& operator<<(QDBusArgument& arg, const SniToolTip& v) {
  arg.beginStructure();
  arg << v.iconName << v.pixmaps << v.title << v.description;
  arg.endStructure();
  return arg;
}

const QDBusArgument& operator>>(const QDBusArgument& arg, SniToolTip& v) {
  arg.beginStructure();
  arg >> v.iconName >> v.pixmaps >> v.title >> v.description;
  arg.endStructure();
  return arg;
}

QDBusArgument& operator<<(QDBusArgument& arg, const MenuItemProperties& v) {
  arg.beginStructure();
  arg << v.id << v.properties;
  arg.endStructure();
  return arg;
}

const QDBusArgument& operator>>(const QDBusArgument& arg, MenuItemProperties& v) {
  arg.beginStructure();
  arg >> v.id >> v.properties;
  arg.endStructure();
  return arg;
}

QDBusArgument& operator<<(QDBusArgument& arg, const MenuItemRemovals& v) {
  arg.beginStructure();
  arg << v.id << v.names;
  arg.endStructure();
  return arg;
}

const QDBusArgument& operator>>(const QDBusArgument& arg, MenuItemRemovals& v) {
  arg.beginStructure();
  arg >> v.id >> v.names;
  arg.endStructure();
  return arg;
}

QDBusArgument& operator<<(QDBusArgument& arg, const MenuLayoutItem& v) {
  arg.beginStructure();
  arg << v.id << v.properties;
  arg.beginArray(QMetaType::fromType<QDBusVariant>());
  for (const MenuLayoutItem& child : v.children) arg << QDBusVariant(QVariant::fromValue(child));
  arg.endArray();
  arg.endStructure();
  return arg;
}

const QDBusArgument& operator>>(const QDBusArgument& arg, MenuLayoutItem& v) {
  arg.beginStructure();
  arg >> v.id >> v.properties;
  v.children.clear();
  arg.beginArray();
  while (!arg.atEnd()) {
    QDBusVariant child;
    arg >> child;
    MenuLayoutItem item;
    child.variant().value<QDBusArgument>() >> item;
    v.children.push_back(item);
  }
  arg.endArray();
  arg.endStructure();
  return arg;
}

QDBusArgument& operator<<(QDBusArgument& arg, const MenuEvent& v) {
  arg.beginStructure();
  arg << v.id << v.eventId << v.data << v.timestamp;
  arg.endStructure();
  return arg;
}

const QDBusArgument& operator>>(const QDBusArgument& arg, MenuEvent& v) {
  arg.beginStructure();
  arg >> v.id >> v.eventId >> v.data >> v.timestamp;
  arg.endStructure();
  return arg;
}

void registerTrayDBusTypes() {
  static const bool once = [] {
    qDBusRegisterMetaType<SniPixmap>();
    qDBusRegisterMetaType<SniPixmaps>();
    qDBusRegisterMetaType<SniToolTip>();
    qDBusRegisterMetaType<MenuItemProperties>();
    qDBusRegisterMetaType<MenuItemPropertiesList>();
    qDBusRegisterMetaType<MenuItemRemovals>();
    qDBusRegisterMetaType<MenuItemRemovalsList>();
    qDBusRegisterMetaType<MenuLayoutItem>();
    qDBusRegisterMetaType<MenuEvent>();
    qDBusRegisterMetaType<MenuEvents>();
    qDBusRegisterMetaType<QList<QStringList>>();
    return true;
  }();
  (void)once;
}
