#include "controller/launch_token.hpp"

#include <algorithm>
#include <cstring>
#include <memory>

#include <qpa/qplatformnativeinterface.h>
#include <wayland-client.h>
#include <QEvent>
#include <QGuiApplication>
#include <QPointer>
#include <QTimer>
#include <QWidget>
#include <QWindow>

#include "xdg-activation-v1-client-protocol.h"

namespace {

const QString waylandKey = QStringLiteral("activation-token");
const QString x11Key = QStringLiteral("desktop-startup-id");
// A token is spent on the window's first mapping or not at all: one that
// never maps in this long belongs to nothing any more.
constexpr int spendWithinMs = 5000;
const QString pendingName = QStringLiteral("quotalume-launch-token");

std::optional<QByteArray> acceptable(const QVariant& value) {
  if (value.metaType() != QMetaType::fromType<QString>()) return std::nullopt;
  const QString text = value.toString();
  if (text.isEmpty() || text.size() > maxLaunchTokenBytes) return std::nullopt;
  const bool printable =
      std::all_of(text.begin(), text.end(), [](QChar c) { return c.unicode() > 0x20 && c.unicode() < 0x7F; });
  if (!printable) return std::nullopt;
  return text.toLatin1();
}

bool onWayland() {
  return QGuiApplication::platformName().startsWith(QLatin1String("wayland"));
}

void onWaylandGlobal(void* data, wl_registry* registry, uint32_t name, const char* interface, uint32_t) {
  auto* found = static_cast<xdg_activation_v1**>(data);
  if (*found == nullptr && std::strcmp(interface, xdg_activation_v1_interface.name) == 0)
    *found =
        static_cast<xdg_activation_v1*>(wl_registry_bind(registry, name, &xdg_activation_v1_interface, 1));
}

void onWaylandGlobalRemoved(void*, wl_registry*, uint32_t) {}

// Binds the compositor's xdg_activation_v1 on a queue of our own, so Qt's
// queue never sees our objects, and spends the token on `surface`. False
// when the compositor offers no activation.
bool activateSurface(wl_display* display, wl_surface* surface, const QByteArray& token) {
  const std::unique_ptr<wl_event_queue, decltype(&wl_event_queue_destroy)> queue(
      wl_display_create_queue(display), wl_event_queue_destroy);
  auto* wrapper = static_cast<wl_display*>(wl_proxy_create_wrapper(display));
  if (!queue || !wrapper) return false;
  wl_proxy_set_queue(reinterpret_cast<wl_proxy*>(wrapper), queue.get());
  const std::unique_ptr<wl_registry, decltype(&wl_registry_destroy)> registry(
      wl_display_get_registry(wrapper), wl_registry_destroy);
  wl_proxy_wrapper_destroy(wrapper);
  static const wl_registry_listener listener{onWaylandGlobal, onWaylandGlobalRemoved};
  xdg_activation_v1* activation = nullptr;
  wl_registry_add_listener(registry.get(), &listener, &activation);
  wl_display_roundtrip_queue(display, queue.get());
  if (activation == nullptr) return false;
  xdg_activation_v1_activate(activation, token.constData(), surface);
  xdg_activation_v1_destroy(activation);
  wl_display_flush(display);
  return true;
}

bool activateOnWayland(QWindow* window, const QByteArray& token) {
  QPlatformNativeInterface* native = QGuiApplication::platformNativeInterface();
  if (native == nullptr) return false;
  auto* display = static_cast<wl_display*>(native->nativeResourceForIntegration("wl_display"));
  auto* surface = static_cast<wl_surface*>(native->nativeResourceForWindow("surface", window));
  return display != nullptr && surface != nullptr && activateSurface(display, surface, token);
}

// Waits for the window's first exposure, which on Wayland is when its
// surface has a role the compositor can focus, and spends the token there.
class WaylandActivation : public QObject {
 public:
  WaylandActivation(QWidget* widget, QByteArray token) : QObject(widget), token_(std::move(token)) {
    setObjectName(pendingName);
    QTimer::singleShot(spendWithinMs, this, &QObject::deleteLater);
  }

  bool eventFilter(QObject* watched, QEvent* event) override {
    auto* window = qobject_cast<QWindow*>(watched);
    if (event->type() == QEvent::Expose && window && window->isExposed()) {
      spend(window);
      deleteLater();
    }
    return false;
  }

  void spend(QWindow* window) {
    if (!token_.isEmpty() && !activateOnWayland(window, token_)) window->requestActivate();
    token_.clear();
  }

 private:
  QByteArray token_;
};

}  // namespace

std::optional<QByteArray> launchTokenFrom(const QVariantMap& platformData) {
  for (const QString& key : {waylandKey, x11Key}) {
    if (const auto token = acceptable(platformData.value(key))) return token;
  }
  return std::nullopt;
}

QVariantMap launchTokensOfThisStart() {
  QVariantMap data;
  QByteArray token = qgetenv("XDG_ACTIVATION_TOKEN");
  // Qt on X11 takes the startup id out of the environment as it starts.
  if (QPlatformNativeInterface* native = QGuiApplication::platformNativeInterface();
      token.isEmpty() && native)
    token = static_cast<const char*>(native->nativeResourceForIntegration("startupid"));
  if (token.isEmpty()) token = qgetenv("DESKTOP_STARTUP_ID");
  if (const auto ok = acceptable(QString::fromLatin1(token))) {
    data.insert(waylandKey, QString::fromLatin1(*ok));
    data.insert(x11Key, QString::fromLatin1(*ok));
  }
  return data;
}

void showWithLaunchToken(QWidget* window, const std::optional<QByteArray>& token) {
  QPlatformNativeInterface* native = QGuiApplication::platformNativeInterface();
  if (token && !onWayland() && native) {
    // Qt names the startup on the next window it maps and tells the
    // launcher the start is over.
    using SetStartupId = void (*)(const char*);
    if (auto set = reinterpret_cast<SetStartupId>(
            reinterpret_cast<void (*)()>(native->nativeResourceFunctionForIntegration("setstartupid"))))
      set(token->constData());
  }
  window->show();
  window->raise();
  if (!token || !onWayland()) {
    window->activateWindow();
    return;
  }
  // One pending token per window: a newer start's replaces an unspent one.
  for (QObject* pending : window->findChildren<QObject*>(pendingName, Qt::FindDirectChildrenOnly))
    delete pending;
  auto* activation = new WaylandActivation(window, *token);
  QWindow* handle = window->windowHandle();
  if (handle && handle->isExposed()) {
    activation->spend(handle);
    delete activation;
  } else if (handle) {
    handle->installEventFilter(activation);
  }
}
