#include "views/appearance.hpp"

#include <algorithm>
#include <cctype>
#include <sstream>

#include <QApplication>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QDBusVariant>
#include <QDir>
#include <QEvent>
#include <QFileInfo>
#include <QFileSystemWatcher>

#include "store/file_bytes.hpp"
#include "views/panel_colours.hpp"

namespace {

constexpr auto portalService = "org.freedesktop.portal.Desktop";
constexpr auto portalPath = "/org/freedesktop/portal/desktop";
constexpr auto settingsInterface = "org.freedesktop.portal.Settings";
constexpr auto appearanceGroup = "org.freedesktop.appearance";
constexpr auto schemeKey = "color-scheme";
// A missing portal must not hold up the first menu.
constexpr int readTimeoutMs = 2000;

std::optional<Appearance> followed;

QPalette menuPalette() {
  return QApplication::palette("QMenu");
}

std::string lower(std::string s) {
  std::transform(s.begin(), s.end(), s.begin(), [](unsigned char c) { return char(std::tolower(c)); });
  return s;
}

std::string trimmed(const std::string& s) {
  const auto first = s.find_first_not_of(" \t\r\"'");
  if (first == std::string::npos) return {};
  return s.substr(first, s.find_last_not_of(" \t\r\"'") - first + 1);
}

bool darkThemeName(const std::string& name) {
  const std::string n = lower(name);
  return n.ends_with("-dark") || n.ends_with(":dark");
}

// A settings.ini is a few hundred bytes; anything far larger is not one.
constexpr std::uintmax_t maxSettingsBytes = 1 << 20;

// The [Settings] group of one GTK settings.ini, often a link into a dotfiles
// folder; a pipe at its place must not hang the app.
std::optional<Appearance> gtkSettingsFile(const std::filesystem::path& file) {
  std::istringstream in(Store::readFile(file, maxSettingsBytes, Store::Links::follow).value_or(""));
  std::string line, group;
  std::optional<Appearance> theme, prefer;
  while (std::getline(in, line)) {
    line = trimmed(line);
    if (line.starts_with('[')) {
      group = line;
      continue;
    }
    const auto eq = line.find('=');
    if (group != "[Settings]" || eq == std::string::npos) continue;
    const std::string key = trimmed(line.substr(0, eq)), value = lower(trimmed(line.substr(eq + 1)));
    if (key == "gtk-theme-name" && !value.empty())
      theme = darkThemeName(value) ? Appearance::dark : Appearance::light;
    else if (key == "gtk-application-prefer-dark-theme")
      prefer = (value == "1" || value == "true") ? Appearance::dark : Appearance::light;
  }
  if (theme == Appearance::dark || prefer == Appearance::dark) return Appearance::dark;
  return theme ? theme : prefer;
}

bool isStandardPalette(const QPalette& p) {
  for (Appearance a : {Appearance::light, Appearance::dark}) {
    const QPalette ours = standardMenuPalette(a);
    if (p.color(QPalette::Window) == ours.color(QPalette::Window) &&
        p.color(QPalette::WindowText) == ours.color(QPalette::WindowText))
      return true;
  }
  return false;
}

}  // namespace

std::optional<Appearance> appearanceFromColorScheme(std::uint32_t scheme) {
  switch (scheme) {
    case 1:
      return Appearance::dark;
    case 2:
      return Appearance::light;
    default:
      return std::nullopt;
  }
}

std::optional<std::uint32_t> colorSchemeFrom(const QVariant& value) {
  QVariant v = value;
  for (int depth = 0; depth < 4 && v.metaType() == QMetaType::fromType<QDBusVariant>(); ++depth) {
    v = qvariant_cast<QDBusVariant>(v).variant();
  }
  switch (v.metaType().id()) {
    case QMetaType::UInt:
      return v.toUInt();
    case QMetaType::Int:
    case QMetaType::UShort:
    case QMetaType::UChar:
      return v.toInt() < 0 ? std::nullopt : std::optional<std::uint32_t>(std::uint32_t(v.toInt()));
    default:
      return std::nullopt;
  }
}

Appearance appearanceFromPalette(const QPalette& menu) {
  return menu.color(QPalette::Active, QPalette::Window).lightness() < 128 ? Appearance::dark
                                                                          : Appearance::light;
}

std::optional<Appearance> gtkAppearance(const std::string& gtkTheme,
                                        const std::filesystem::path& configHome) {
  if (!gtkTheme.empty()) return darkThemeName(gtkTheme) ? Appearance::dark : Appearance::light;
  for (const char* version : {"gtk-3.0", "gtk-4.0"}) {
    if (auto chosen = gtkSettingsFile(configHome / version / "settings.ini")) return chosen;
  }
  return std::nullopt;
}

Appearance decideAppearance(std::optional<std::uint32_t> portalScheme, std::optional<Appearance> gtk,
                            const QPalette& menu) {
  if (portalScheme) {
    if (auto chosen = appearanceFromColorScheme(*portalScheme)) return *chosen;
  }
  return gtk ? *gtk : appearanceFromPalette(menu);
}

Appearance currentAppearance() {
  return followed ? *followed : appearanceFromPalette(menuPalette());
}

AppearanceWatcher::AppearanceWatcher(QObject* parent)
    : AppearanceWatcher(QDBusConnection::sessionBus(), parent) {}

AppearanceWatcher::AppearanceWatcher(const QDBusConnection& connection, QObject* parent)
    : QObject(parent), platform_(menuPalette()), appearance_(appearanceFromPalette(platform_)) {
  const QString config = qEnvironmentVariable("XDG_CONFIG_HOME");
  configHome_ = (config.isEmpty() ? QDir::home().filePath(".config") : config).toStdString();
  readGtk();
  appearance_ = decideAppearance(std::nullopt, gtk_, platform_);
  followed = appearance_;
  if (qApp) qApp->installEventFilter(this);
  // Settings files are replaced rather than written in place, and their
  // folders may not exist yet, so the folders up to the config home are
  // watched too.
  files_ = new QFileSystemWatcher(this);
  watchGtk();
  const auto reread = [this] {
    watchGtk();
    readGtk();
    settle();
  };
  connect(files_, &QFileSystemWatcher::directoryChanged, this, reread);
  connect(files_, &QFileSystemWatcher::fileChanged, this, reread);

  QDBusConnection bus = connection;
  if (!bus.isConnected()) return;
  bus.connect(portalService, portalPath, settingsInterface, "SettingChanged", this,
              SLOT(onSettingChanged(QDBusMessage)));
  QDBusMessage read = QDBusMessage::createMethodCall(portalService, portalPath, settingsInterface, "Read");
  read << QString(appearanceGroup) << QString(schemeKey);
  auto* call = new QDBusPendingCallWatcher(bus.asyncCall(read, readTimeoutMs), this);
  connect(call, &QDBusPendingCallWatcher::finished, this, &AppearanceWatcher::onReadFinished);
}

AppearanceWatcher::~AppearanceWatcher() {
  if (qApp) qApp->removeEventFilter(this);
  followed.reset();
}

void AppearanceWatcher::onReadFinished(QDBusPendingCallWatcher* call) {
  call->deleteLater();
  QDBusMessage reply = call->reply();
  // A change signalled meanwhile is newer than this answer.
  if (heardChange_ || reply.type() != QDBusMessage::ReplyMessage || reply.arguments().isEmpty()) return;
  scheme_ = colorSchemeFrom(reply.arguments().first());
  settle();
}

void AppearanceWatcher::onSettingChanged(const QDBusMessage& message) {
  const QList<QVariant> args = message.arguments();
  if (args.size() < 3 || args[0].toString() != appearanceGroup || args[1].toString() != schemeKey) return;
  heardChange_ = true;
  scheme_ = colorSchemeFrom(args[2]);
  settle();
}

bool AppearanceWatcher::eventFilter(QObject* watched, QEvent* event) {
  // Once the app follows the desktop with a palette of its own, that
  // palette says nothing about the desktop.
  if (watched == qApp && event->type() == QEvent::ApplicationPaletteChange &&
      !isStandardPalette(menuPalette())) {
    platform_ = menuPalette();
    settle();
  }
  return QObject::eventFilter(watched, event);
}

void AppearanceWatcher::watchGtk() {
  QStringList paths{QString::fromStdString(configHome_.string())};
  for (const char* version : {"gtk-3.0", "gtk-4.0"}) {
    const QString folder = QString::fromStdString((configHome_ / version).string());
    paths << folder << folder + "/settings.ini";
  }
  for (const QString& path : paths) {
    if (QFileInfo::exists(path) && !files_->files().contains(path) && !files_->directories().contains(path))
      files_->addPath(path);
  }
}

void AppearanceWatcher::readGtk() {
  gtk_ = gtkAppearance(qEnvironmentVariable("GTK_THEME").toStdString(), configHome_);
}

void AppearanceWatcher::settle() {
  Appearance now = decideAppearance(scheme_, gtk_, platform_);
  followed = now;
  if (now == appearance_) return;
  appearance_ = now;
  emit changed(now);
}
