#include "updater/settings_file.hpp"

#include <QSettings>
#include <QStandardPaths>

#include "store/regular_file.hpp"

namespace {

const QString notifyKey = QStringLiteral("notifyNearLimits");

}  // namespace

QString userSettingsFile() {
  return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) +
         QStringLiteral("/Quotalume/Quotalume.conf");
}

bool settingsReadable(const QString& file) {
  return Store::absentOrRegular(file.toStdString(), Store::Links::follow);
}

bool notifyNearLimits(const QString& file) {
  if (!settingsReadable(file)) return true;
  return QSettings(file, QSettings::IniFormat).value(notifyKey, true).toBool();
}

void saveNotifyNearLimits(const QString& file, bool on) {
  if (!settingsReadable(file)) return;
  QSettings settings(file, QSettings::IniFormat);
  settings.setValue(notifyKey, on);
  settings.sync();
}
