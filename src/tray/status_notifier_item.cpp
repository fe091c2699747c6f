#include "tray/status_notifier_item.hpp"

#include <algorithm>

StatusNotifierItem::StatusNotifierItem(const QDBusObjectPath& menu, QObject* parent)
    : QObject(parent), adaptor_(new StatusNotifierItemAdaptor(this)), menu_(menu) {}

void StatusNotifierItem::setLook(const SniLook& look) {
  const bool icon = !(look.icon.size() == look_.icon.size() &&
                      std::equal(look.icon.begin(), look.icon.end(), look_.icon.begin(),
                                 [](const SniPixmap& a, const SniPixmap& b) {
                                   return a.width == b.width && a.height == b.height && a.pixels == b.pixels;
                                 }));
  const bool toolTip = look.toolTipTitle != look_.toolTipTitle || look.toolTipText != look_.toolTipText;
  const bool label = look.label != look_.label;
  look_ = look;
  if (icon) emit adaptor_->NewIcon();
  if (toolTip) emit adaptor_->NewToolTip();
  if (label) emit adaptor_->XAyatanaNewLabel(look_.label, adaptor_->labelGuide());
}

StatusNotifierItemAdaptor::StatusNotifierItemAdaptor(StatusNotifierItem* item)
    : QDBusAbstractAdaptor(item), item_(item) {}

SniToolTip StatusNotifierItemAdaptor::toolTip() const {
  return {{}, {}, item_->look_.toolTipTitle, item_->look_.toolTipText};
}

void StatusNotifierItemAdaptor::Activate(int x, int y) {
  emit item_->activated(x, y);
}

// A middle click opens the panel too: there is no second thing to do.
void StatusNotifierItemAdaptor::SecondaryActivate(int x, int y) {
  emit item_->activated(x, y);
}

void StatusNotifierItemAdaptor::ContextMenu(int x, int y) {
  emit item_->contextMenuRequested(x, y);
}

void StatusNotifierItemAdaptor::Scroll(int, const QString&) {}
