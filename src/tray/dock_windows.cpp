#include "tray/dock_windows.hpp"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <memory>

#include <QtGui/qguiapplication_platform.h>
#include <xcb/xcb.h>
#include <QGuiApplication>
#include <QScreen>

namespace {

template <typename T>
using Reply = std::unique_ptr<T, decltype(&std::free)>;

template <typename T>
Reply<T> owned(T* reply) {
  return Reply<T>(reply, &std::free);
}

xcb_atom_t atom(xcb_connection_t* c, const char* name) {
  const auto reply =
      owned(xcb_intern_atom_reply(c, xcb_intern_atom(c, 1, uint16_t(std::strlen(name)), name), nullptr));
  return reply ? reply->atom : xcb_atom_t(XCB_ATOM_NONE);
}

bool hasAtom(xcb_connection_t* c, xcb_window_t w, xcb_atom_t property, xcb_atom_t wanted) {
  const auto reply =
      owned(xcb_get_property_reply(c, xcb_get_property(c, 0, w, property, XCB_ATOM_ATOM, 0, 32), nullptr));
  if (!reply || reply->format != 32) return false;
  const auto* atoms = static_cast<const xcb_atom_t*>(xcb_get_property_value(reply.get()));
  const int n = xcb_get_property_value_length(reply.get()) / 4;
  return std::find(atoms, atoms + n, wanted) != atoms + n;
}

bool hasProperty(xcb_connection_t* c, xcb_window_t w, xcb_atom_t property) {
  const auto reply =
      owned(xcb_get_property_reply(c, xcb_get_property(c, 0, w, property, XCB_ATOM_ANY, 0, 1), nullptr));
  return reply && reply->type != XCB_ATOM_NONE;
}

}  // namespace

std::vector<QRect> dockWindows() {
  std::vector<QRect> docks;
  const auto* x11 = qGuiApp ? qGuiApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
  xcb_connection_t* c = x11 ? x11->connection() : nullptr;
  if (!c) return docks;
  const xcb_window_t root = xcb_setup_roots_iterator(xcb_get_setup(c)).data->root;
  const xcb_atom_t type = atom(c, "_NET_WM_WINDOW_TYPE"), dock = atom(c, "_NET_WM_WINDOW_TYPE_DOCK");
  const xcb_atom_t strut = atom(c, "_NET_WM_STRUT"), partial = atom(c, "_NET_WM_STRUT_PARTIAL");
  const auto tree = owned(xcb_query_tree_reply(c, xcb_query_tree(c, root), nullptr));
  if (!tree) return docks;
  const xcb_window_t* children = xcb_query_tree_children(tree.get());
  // Devices place in device pixels, Qt in logical ones.
  const QScreen* primary = QGuiApplication::primaryScreen();
  const qreal ratio = primary ? primary->devicePixelRatio() : 1;
  for (int i = 0; i < xcb_query_tree_children_length(tree.get()); ++i) {
    const xcb_window_t w = children[i];
    const auto attributes =
        owned(xcb_get_window_attributes_reply(c, xcb_get_window_attributes(c, w), nullptr));
    if (!attributes || attributes->map_state != XCB_MAP_STATE_VIEWABLE) continue;
    if (!hasAtom(c, w, type, dock) && !hasProperty(c, w, strut) && !hasProperty(c, w, partial)) continue;
    const auto geometry = owned(xcb_get_geometry_reply(c, xcb_get_geometry(c, w), nullptr));
    if (!geometry) continue;
    const QRect device(geometry->x, geometry->y, geometry->width, geometry->height);
    docks.push_back(QRect(device.topLeft() / ratio, device.size() / ratio));
  }
  return docks;
}

QRect availableBesideDocks(const QRect& screen, const std::vector<QRect>& docks) {
  QRect available = screen;
  for (const QRect& bar : docks) {
    const QRect on = bar & screen;
    if (on.isEmpty()) continue;
    if (on.width() >= on.height()) {
      if (on.height() * 3 > screen.height()) continue;
      if (on.center().y() < screen.center().y())
        available.setTop(std::max(available.top(), on.bottom() + 1));
      else
        available.setBottom(std::min(available.bottom(), on.top() - 1));
    } else {
      if (on.width() * 3 > screen.width()) continue;
      if (on.center().x() < screen.center().x())
        available.setLeft(std::max(available.left(), on.right() + 1));
      else
        available.setRight(std::min(available.right(), on.left() - 1));
    }
  }
  return available;
}
