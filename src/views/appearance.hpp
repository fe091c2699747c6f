#pragma once
// Whether the desktop is light or dark. Qt 6.4 has no colour-scheme API and
// its palette stays light under GNOME's dark style, so the desktop portal's
// "color-scheme" setting decides first and the menu palette only when the
// portal is missing or has no preference.

#include <cstdint>
#include <optional>

#include <QObject>
#include <QPalette>
#include <QVariant>

#include <QDBusConnection>

class QDBusMessage;
class QDBusPendingCallWatcher;

enum class Appearance { light, dark };

// The portal's value: 1 prefers dark, 2 prefers light, 0 and anything else
// state no preference.
std::optional<Appearance> appearanceFromColorScheme(std::uint32_t scheme);

// The portal's answer: older portals wrap the number in one more variant.
// Anything but an unsigned or non-negative integer is no answer.
std::optional<std::uint32_t> colorSchemeFrom(const QVariant& value);

// A dark window colour in the menu palette means a dark appearance.
Appearance appearanceFromPalette(const QPalette& menu);

Appearance decideAppearance(std::optional<std::uint32_t> portalScheme, const QPalette& menu);

// The appearance the process follows now: the last one a watcher settled on,
// or the menu palette's when no watcher ran.
Appearance currentAppearance();

// Follows the portal (its SettingChanged signal) and the application palette,
// and reports each change of the decided appearance once.
class AppearanceWatcher : public QObject {
  Q_OBJECT
 public:
  explicit AppearanceWatcher(QObject* parent = nullptr);
  // Listens on `bus` instead of the session bus.
  explicit AppearanceWatcher(const QDBusConnection& bus, QObject* parent = nullptr);
  ~AppearanceWatcher() override;

  Appearance appearance() const { return appearance_; }

 signals:
  void changed(Appearance appearance);

 private slots:
  void onSettingChanged(const QDBusMessage& message);
  void onReadFinished(QDBusPendingCallWatcher* call);

 private:
  bool eventFilter(QObject* watched, QEvent* event) override;
  void settle();

  std::optional<std::uint32_t> scheme_;
  bool heardChange_ = false;
  Appearance appearance_;
};
