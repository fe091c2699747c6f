#include "updater/settings_file.hpp"

#include <QSettings>
#include <QStandardPaths>

namespace {

const QString notifyKey = QStringLiteral("notifyNearLimits");

}  // namespace

QString userSettingsFile() {
  return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) +
         QStringLiteral("/Quotalume/Quotalume.conf");
}

bool notifyNearLimits(const QString& file) {
  return QSettings(file, QSettings::IniFormat).value(notifyKey, true).toBool();
}

void saveNotifyNearLimits(const QString& file, bool on) {
  QSettings settings(file, QSettings::IniFormat);
  settings.setValue(notifyKey, on);
  settings.sync();
}
