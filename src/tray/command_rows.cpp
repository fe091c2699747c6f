#include "tray/command_rows.hpp"

#include <mutex>

#include <QAccessibleObject>
#include <QAccessibleWidget>
#include <QAction>
#include <QApplication>
#include <QFocusEvent>
#include <QMouseEvent>
#include <QPainter>

namespace {

QString label(const QAction* action) {
  return action->text().remove(QLatin1Char('&'));
}

// A row speaks as what it stands for: a separator, a check box, or a menu
// item whose name is its label and whose shortcut is its key binding.
class RowAccessible : public QAccessibleWidget {
 public:
  explicit RowAccessible(CommandRow* row)
      : QAccessibleWidget(row, row->action()->isSeparator()   ? QAccessible::Separator
                               : row->action()->isCheckable() ? QAccessible::CheckBox
                                                              : QAccessible::MenuItem),
        row_(row) {}

  QString text(QAccessible::Text t) const override {
    if (t == QAccessible::Name) return row_->action()->isSeparator() ? QString() : label(row_->action());
    if (t == QAccessible::Accelerator) return shortcut();
    return QAccessibleWidget::text(t);
  }

  QAccessible::State state() const override {
    QAccessible::State s = QAccessibleWidget::state();
    s.checkable = row_->isCheckable();
    s.checked = row_->isCheckable() && row_->isChecked();
    return s;
  }

  QStringList actionNames() const override {
    if (row_->action()->isSeparator() || !row_->isEnabled()) return {};
    return {row_->isCheckable() ? toggleAction() : pressAction()};
  }

  void doAction(const QString& name) override {
    if (actionNames().contains(name)) row_->click();
  }

  QStringList keyBindingsForAction(const QString& name) const override {
    if (!actionNames().contains(name) || shortcut().isEmpty()) return {};
    return {shortcut()};
  }

 private:
  QString shortcut() const { return row_->action()->shortcut().toString(QKeySequence::NativeText); }

  CommandRow* row_;
};

// The window lists only what it shows: a hidden command is no command.
class PanelWindowAccessible : public QAccessibleWidget {
 public:
  explicit PanelWindowAccessible(QWidget* window) : QAccessibleWidget(window, QAccessible::Window) {}

  int childCount() const override { return int(shown().size()); }
  QAccessibleInterface* child(int index) const override {
    const QList<QWidget*> children = shown();
    return index >= 0 && index < children.size() ? QAccessible::queryAccessibleInterface(children[index])
                                                 : nullptr;
  }
  int indexOfChild(const QAccessibleInterface* child) const override {
    return child ? int(shown().indexOf(qobject_cast<QWidget*>(child->object()))) : -1;
  }

 private:
  QList<QWidget*> shown() const {
    QList<QWidget*> children;
    for (QObject* o : widget()->children()) {
      auto* w = qobject_cast<QWidget*>(o);
      if (w && !w->isWindow() && !w->isHidden()) children << w;
    }
    return children;
  }
};

// Qt leaves popups out of the application's children, as menus are reached
// through the events of their opening; the panel window is no menu a screen
// reader follows, so while it shows it is listed with the windows.
class AppAccessible : public QAccessibleApplication {
 public:
  int childCount() const override { return QAccessibleApplication::childCount() + int(popups().size()); }
  QAccessibleInterface* child(int index) const override {
    const int windows = QAccessibleApplication::childCount();
    if (index < windows) return QAccessibleApplication::child(index);
    const QList<QWidget*> shown = popups();
    return index - windows < shown.size() ? QAccessible::queryAccessibleInterface(shown[index - windows])
                                          : nullptr;
  }
  int indexOfChild(const QAccessibleInterface* child) const override {
    if (const int i = QAccessibleApplication::indexOfChild(child); i >= 0) return i;
    const qsizetype i = child ? popups().indexOf(qobject_cast<QWidget*>(child->object())) : -1;
    return i < 0 ? -1 : QAccessibleApplication::childCount() + int(i);
  }

 private:
  static QList<QWidget*> popups() {
    QList<QWidget*> shown;
    for (QWidget* w : QApplication::topLevelWidgets())
      if (w->inherits("PanelWindow") && w->isVisible() && w->windowType() == Qt::Popup) shown << w;
    return shown;
  }
};

QAccessibleInterface* rowAccessibleFactory(const QString& className, QObject* object) {
  if (className == QLatin1String("QApplication") && object == qApp) return new AppAccessible();
  if (className == QLatin1String("CommandRow")) return new RowAccessible(static_cast<CommandRow*>(object));
  if (className == QLatin1String("PanelWindow") && object && object->isWidgetType())
    return new PanelWindowAccessible(static_cast<QWidget*>(object));
  return nullptr;
}

}  // namespace

QStyleOptionMenuItem RowMetrics::optionFor(const QAction* action) const {
  QStyleOptionMenuItem option;
  // Asking for the item's place lays the menu out, which the style option's
  // check column and shortcut width come from.
  (void)actionGeometry(const_cast<QAction*>(action));
  initStyleOption(&option, action);
  return option;
}

CommandRow::CommandRow(QAction* action, RowMetrics* metrics, QWidget* parent)
    : QAbstractButton(parent), action_(action), metrics_(metrics) {
  metrics_->addAction(action);
  setFocusPolicy(action->isSeparator() ? Qt::NoFocus : Qt::StrongFocus);
  setAttribute(Qt::WA_TransparentForMouseEvents, action->isSeparator());
  setMouseTracking(true);
  setCheckable(action->isCheckable());
  follow();
  connect(action, &QAction::changed, this, &CommandRow::follow);
  connect(action, &QAction::toggled, this, &CommandRow::follow);
  // The action decides the check mark; the row only asks for the change.
  // A row with a submenu opens it beside itself, as the menu's item does.
  connect(this, &QAbstractButton::clicked, action, [this] {
    if (QMenu* sub = action_->menu())
      sub->popup(mapToGlobal(QPoint(width(), 0)));
    else
      action_->trigger();
    follow();
  });
}

void CommandRow::follow() {
  setText(label(action_));
  setEnabled(action_->isEnabled());
  setVisible(action_->isVisible());
  if (isCheckable()) setChecked(action_->isChecked());
  updateGeometry();
  update();
}

QSize CommandRow::sizeHint() const {
  return metrics_->actionGeometry(action_).size();
}

void CommandRow::paintEvent(QPaintEvent*) {
  QStyleOptionMenuItem option = metrics_->optionFor(action_);
  option.rect = option.menuRect = rect();
  option.palette = palette();
  option.state &= ~QStyle::State_Selected;
  if (!isEnabled()) option.palette.setCurrentColorGroup(QPalette::Disabled);
  if (hasFocus() && isEnabled()) option.state |= QStyle::State_Selected;
  if (isCheckable()) option.checked = action_->isChecked();
  QPainter painter(this);
  style()->drawControl(QStyle::CE_MenuItem, &option, &painter, this);
}

// As in a menu, the row the pointer moves onto is the current one, for the
// keyboard too: there is one highlight, never two. A pointer that only
// happens to lie where the window opens takes nothing.
void CommandRow::mouseMoveEvent(QMouseEvent* event) {
  QAbstractButton::mouseMoveEvent(event);
  if (!hasFocus() && focusPolicy() != Qt::NoFocus && isEnabled()) setFocus(Qt::MouseFocusReason);
}

void CommandRow::focusInEvent(QFocusEvent* event) {
  QAbstractButton::focusInEvent(event);
  update();
}

void CommandRow::focusOutEvent(QFocusEvent* event) {
  QAbstractButton::focusOutEvent(event);
  update();
}

void CommandRow::nextCheckState() {}

void installCommandRowAccessibility() {
  static std::once_flag once;
  std::call_once(once, [] {
    QAccessible::installFactory(rowAccessibleFactory);
    // The application's interface made before this factory existed gives way to ours.
    if (QAccessibleInterface* app = QAccessible::queryAccessibleInterface(qApp);
        app && !dynamic_cast<AppAccessible*>(app))
      QAccessible::deleteAccessibleInterface(QAccessible::uniqueId(app));
  });
}
