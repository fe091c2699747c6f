#include "tray/dbus_menu.hpp"

#include <algorithm>

#include <QAction>
#include <QActionEvent>
#include <QActionGroup>
#include <QGuiApplication>
#include <QKeySequence>
#include <QMenu>
#include <QTimer>

namespace {

constexpr int assumeClosedMs = 120000;
constexpr int reopenAfterMs = 1000;
// Far more ids, events or property names than a host ever asks for at once.
constexpr qsizetype maxAsked = 256;

// The shortcut as the host's key names, for example Ctrl+Q as
// [["Control", "q"]].
QList<QStringList> shortcutKeys(const QKeySequence& sequence) {
  QList<QStringList> keys;
  for (int i = 0; i < sequence.count(); ++i) {
    const QKeyCombination combination = sequence[i];
    QStringList names;
    const Qt::KeyboardModifiers mods = combination.keyboardModifiers();
    if (mods & Qt::ControlModifier) names << QStringLiteral("Control");
    if (mods & Qt::AltModifier) names << QStringLiteral("Alt");
    if (mods & Qt::ShiftModifier) names << QStringLiteral("Shift");
    if (mods & Qt::MetaModifier) names << QStringLiteral("Super");
    QString key = QKeySequence(combination.key()).toString(QKeySequence::PortableText);
    if (key.size() == 1) key = key.toLower();
    names << key;
    keys << names;
  }
  return keys;
}

}  // namespace

QString dbusMenuLabel(const QString& text) {
  QString label;
  for (qsizetype i = 0; i < text.size(); ++i) {
    const QChar c = text[i];
    if (c == u'_') {
      label += QStringLiteral("__");
    } else if (c == u'&' && i + 1 < text.size() && text[i + 1] == u'&') {
      label += u'&';  // "&&" is a plain ampersand
      ++i;
    } else if (c == u'&' && i + 1 < text.size()) {
      label += u'_';  // "&x" makes x the mnemonic
    } else {
      label += c;
    }
  }
  return label;
}

DBusMenu::DBusMenu(QMenu* menu, QObject* parent)
    : QObject(parent), menu_(menu), adaptor_(new DBusMenuAdaptor(this)) {
  for (QAction* action : allActions()) told_[idOf(action)] = properties(idOf(action));
  menu_->installEventFilter(this);
  for (QAction* action : menu_->actions())
    if (action->menu()) action->menu()->installEventFilter(this);
}

QList<QAction*> DBusMenu::allActions() const {
  QList<QAction*> all;
  for (QAction* action : menu_->actions()) {
    all << action;
    if (action->menu()) all << action->menu()->actions();
  }
  return all;
}

QList<QAction*> DBusMenu::childrenOf(int id) const {
  if (id == 0) return menu_->actions();
  const QAction* action = actionOf(id);
  return action && action->menu() ? action->menu()->actions() : QList<QAction*>{};
}

bool DBusMenu::eventFilter(QObject* watched, QEvent* event) {
  // The menu itself and the submenus of its items, one level deep.
  const bool submenu = watched != menu_ && std::ranges::any_of(menu_->actions(), [watched](QAction* a) {
                         return a->menu() == watched;
                       });
  if (watched != menu_ && !submenu) return false;
  switch (event->type()) {
    case QEvent::ActionAdded:
    case QEvent::ActionRemoved: {
      auto* action = static_cast<QActionEvent*>(event)->action();
      if (event->type() == QEvent::ActionAdded && action->menu()) action->menu()->installEventFilter(this);
      if (event->type() == QEvent::ActionRemoved) {
        // The action may be half destroyed: only its address is used.
        actions_.remove(ids_.take(action));
        changed_.remove(action);
      }
      layoutChanged_ = true;
      queueFlush();
      break;
    }
    case QEvent::ActionChanged:
      changed_.insert(static_cast<QActionEvent*>(event)->action());
      queueFlush();
      break;
    default:
      break;
  }
  return false;
}

int DBusMenu::idOf(QAction* action) {
  auto found = ids_.constFind(action);
  if (found != ids_.constEnd()) return *found;
  const int id = nextId_++;
  ids_.insert(action, id);
  actions_.insert(id, action);
  return id;
}

QAction* DBusMenu::actionOf(int id) const {
  const QPointer<QAction> action = actions_.value(id);
  return action && allActions().contains(action.data()) ? action.data() : nullptr;
}

QVariantMap DBusMenu::properties(int id, const QStringList& names) const {
  QVariantMap all;
  if (id == 0) {
    all.insert(QStringLiteral("children-display"), QStringLiteral("submenu"));
  } else if (const QAction* action = actionOf(id)) {
    all.insert(QStringLiteral("visible"), action->isVisible());
    if (action->menu()) all.insert(QStringLiteral("children-display"), QStringLiteral("submenu"));
    if (action->isSeparator()) {
      all.insert(QStringLiteral("type"), QStringLiteral("separator"));
    } else {
      all.insert(QStringLiteral("label"), dbusMenuLabel(action->text()));
      all.insert(QStringLiteral("enabled"), action->isEnabled());
      if (action->isCheckable()) {
        const bool radio = action->actionGroup() && action->actionGroup()->isExclusive();
        all.insert(QStringLiteral("toggle-type"),
                   radio ? QStringLiteral("radio") : QStringLiteral("checkmark"));
        all.insert(QStringLiteral("toggle-state"), action->isChecked() ? 1 : 0);
      }
      if (!action->shortcut().isEmpty())
        all.insert(QStringLiteral("shortcut"), QVariant::fromValue(shortcutKeys(action->shortcut())));
    }
  }
  if (names.isEmpty()) return all;
  QVariantMap some;
  for (const QString& name : names)
    if (all.contains(name)) some.insert(name, all.value(name));
  return some;
}

MenuLayoutItem DBusMenu::layout(int id, int depth, const QStringList& names) {
  MenuLayoutItem item{id, properties(id, names), {}};
  if (depth == 0) return item;
  // A depth below zero asks for every level.
  for (QAction* action : childrenOf(id))
    item.children.push_back(layout(idOf(action), std::max(depth - 1, -1), names));
  return item;
}

// Changes made in one pass of the event loop reach the host as one signal.
void DBusMenu::queueFlush() {
  if (flushQueued_) return;
  flushQueued_ = true;
  QTimer::singleShot(0, this, [this] {
    if (flushQueued_) flush();
  });
}

bool DBusMenu::flush() {
  flushQueued_ = false;
  const bool layoutChanged = std::exchange(layoutChanged_, false);
  // The changes of kept items go out even with a layout change: a row that
  // stayed may have changed its label in the same pass, and a host that
  // caches items never learns that from the new layout.
  const auto [updated, removed] = propertyChanges(std::exchange(changed_, {}).values());
  const bool propertiesChanged = !updated.isEmpty() || !removed.isEmpty();
  if (propertiesChanged) emit adaptor_->ItemsPropertiesUpdated(updated, removed);
  if (layoutChanged) {
    told_.clear();
    for (QAction* action : allActions()) told_[idOf(action)] = properties(idOf(action));
    emit adaptor_->LayoutUpdated(++revision_, 0);
  }
  return layoutChanged || propertiesChanged;
}

std::pair<MenuItemPropertiesList, MenuItemRemovalsList> DBusMenu::propertyChanges(
    const QList<QAction*>& actions) {
  MenuItemPropertiesList updated;
  MenuItemRemovalsList removed;
  for (QAction* action : actions) {
    const int id = ids_.value(action, -1);
    const auto told = told_.find(id);
    // An item new to the host is fetched whole with the new layout.
    if (told == told_.end()) continue;
    const QVariantMap now = properties(id);
    QVariantMap different;
    QStringList gone;
    for (auto it = now.begin(); it != now.end(); ++it)
      if (told->value(it.key()) != it.value()) different.insert(it.key(), it.value());
    for (auto it = told->begin(); it != told->end(); ++it)
      if (!now.contains(it.key())) gone << it.key();
    *told = now;
    if (!different.isEmpty()) updated.push_back({id, different});
    if (!gone.isEmpty()) removed.push_back({id, gone});
  }
  return {updated, removed};
}

void DBusMenu::opened() {
  // Hosts ask again while the menu is open, some many times over; the menu
  // was brought up to date when it opened and the ticker keeps it so. As
  // XFCE's panel never says that its menu closed, an opening a second after
  // the last counts as a new one.
  if (open_ && justOpened_) return;
  open_ = justOpened_ = true;
  QTimer::singleShot(reopenAfterMs, this, [this] { justOpened_ = false; });
  emit aboutToShow();
  // Some hosts (XFCE's panel) never send "closed"; a menu still open after
  // this long is taken as closed, so the once-a-second refresh stops.
  QTimer::singleShot(assumeClosedMs, this, [this, opening = ++openings_] {
    if (open_ && opening == openings_) markClosed();
  });
}

void DBusMenu::markClosed() {
  open_ = false;
  emit closed();
}

void DBusMenu::refuse(const QString& message) {
  sendErrorReply(QDBusError::InvalidArgs, message);
}

DBusMenuAdaptor::DBusMenuAdaptor(DBusMenu* menu) : QDBusAbstractAdaptor(menu), menu_(menu) {}

QString DBusMenuAdaptor::textDirection() const {
  return QGuiApplication::layoutDirection() == Qt::RightToLeft ? QStringLiteral("rtl")
                                                               : QStringLiteral("ltr");
}

uint DBusMenuAdaptor::GetLayout(int parentId, int recursionDepth, const QStringList& propertyNames,
                                MenuLayoutItem& layout) {
  if (refusedAsTooMany(propertyNames.size(), "property names")) return 0;
  menu_->flush();
  layout = menu_->layout(parentId, recursionDepth, propertyNames);
  return menu_->revision_;
}

QList<MenuItemProperties> DBusMenuAdaptor::GetGroupProperties(const QList<int>& ids,
                                                              const QStringList& propertyNames) {
  if (refusedAsTooMany(std::max(ids.size(), propertyNames.size()), "ids or property names")) return {};
  QList<int> wanted = ids;
  if (wanted.isEmpty())
    for (QAction* action : menu_->allActions()) wanted << menu_->idOf(action);
  MenuItemPropertiesList list;
  for (int id : wanted)
    if (id == 0 || menu_->actionOf(id)) list.push_back({id, menu_->properties(id, propertyNames)});
  return list;
}

QDBusVariant DBusMenuAdaptor::GetProperty(int id, const QString& name) {
  if (id != 0 && !menu_->actionOf(id)) {
    menu_->refuse(QStringLiteral("No menu item with id %1").arg(id));
    return {};
  }
  const QVariantMap properties = menu_->properties(id);
  const auto found = properties.constFind(name);
  if (found == properties.constEnd()) {
    menu_->refuse(QStringLiteral("Menu item %1 has no property \"%2\"").arg(id).arg(name));
    return {};
  }
  return QDBusVariant(*found);
}

void DBusMenuAdaptor::Event(int id, const QString& eventId, const QDBusVariant&, uint) {
  handle(id, eventId);
}

QList<int> DBusMenuAdaptor::EventGroup(const QList<MenuEvent>& events) {
  if (refusedAsTooMany(events.size(), "events")) return {};
  QList<int> errors;
  for (const MenuEvent& e : events)
    if (!handle(e.id, e.eventId)) errors << e.id;
  return errors;
}

bool DBusMenuAdaptor::refusedAsTooMany(qsizetype count, const char* what) {
  if (count <= maxAsked) return false;
  menu_->refuse(QStringLiteral("At most %1 %2 in one call").arg(maxAsked).arg(QLatin1String(what)));
  return true;
}

bool DBusMenuAdaptor::handle(int id, const QString& eventId) {
  if (id == 0) {
    if (eventId == QLatin1String("opened")) menu_->opened();
    if (eventId == QLatin1String("closed") && menu_->open_) menu_->markClosed();
    return true;
  }
  QAction* action = menu_->actionOf(id);
  if (!action) return false;
  // Queued, so the host has its answer before the command runs: a command
  // may show a modal alert or end the process.
  if (eventId == QLatin1String("clicked") && action->isEnabled() && action->isVisible())
    QMetaObject::invokeMethod(action, &QAction::trigger, Qt::QueuedConnection);
  return true;
}

bool DBusMenuAdaptor::AboutToShow(int id) {
  if (id == 0) menu_->opened();
  return menu_->flush();
}

QList<int> DBusMenuAdaptor::AboutToShowGroup(const QList<int>& ids, QList<int>& idErrors) {
  if (refusedAsTooMany(ids.size(), "ids")) return {};
  bool root = false;
  for (int id : ids) {
    if (id == 0) {
      root = true;
    } else if (!menu_->actionOf(id)) {
      idErrors << id;
    }
  }
  if (root) menu_->opened();
  return (menu_->flush() && root) ? QList<int>{0} : QList<int>{};
}
