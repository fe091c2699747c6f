#pragma once
// Whether the desktop is light or dark. Qt 6.4 has no colour-scheme API and
// its palette stays light under GNOME's dark style, so the desktop portal's
// "color-scheme" setting decides first, GTK's own settings (what XFCE and
// other desktops without the setting write) next, and the menu palette only
// when neither states a preference.

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>

#include <QObject>
#include <QPalette>
#include <QVariant>

#include <QDBusConnection>

class QDBusMessage;
class QDBusPendingCallWatcher;
class QFileSystemWatcher;

enum class Appearance { light, dark };

// The portal's value: 1 prefers dark, 2 prefers light, 0 and anything else
// state no preference.
std::optional<Appearance> appearanceFromColorScheme(std::uint32_t scheme);

// The portal's answer: older portals wrap the number in one more variant.
// Anything but an unsigned or non-negative integer is no answer.
std::optional<std::uint32_t> colorSchemeFrom(const QVariant& value);

// A dark window colour in the menu palette means a dark appearance.
Appearance appearanceFromPalette(const QPalette& menu);

// GTK's choice: the GTK_THEME variable, then gtk-3.0's and gtk-4.0's
// settings.ini under `configHome`. Dark for a theme named "…-dark" (or
// "…:dark") or gtk-application-prefer-dark-theme on; light where a theme is
// named or the preference is off; nothing where GTK says neither.
std::optional<Appearance> gtkAppearance(const std::string& gtkTheme, const std::filesystem::path& configHome);

Appearance decideAppearance(std::optional<std::uint32_t> portalScheme, std::optional<Appearance> gtk,
                            const QPalette& menu);

// The appearance the process follows now: the last one a watcher settled on,
// or the menu palette's when no watcher ran.
Appearance currentAppearance();

// Follows the portal (its SettingChanged signal), GTK's settings files and
// the platform's palette, and reports each change of the decided appearance
// once. GTK's settings are read from $XDG_CONFIG_HOME (or ~/.config).
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
  void watchGtk();
  void readGtk();
  void settle();

  std::filesystem::path configHome_;
  QFileSystemWatcher* files_ = nullptr;
  QPalette platform_;  // the palette as the platform gave it, before ours
  std::optional<std::uint32_t> scheme_;
  std::optional<Appearance> gtk_;
  bool heardChange_ = false;
  Appearance appearance_;
};
