#include "app/settings_file.hpp"

#include <QSettings>

namespace {

const QString notifyKey = QStringLiteral("notifyNearLimits");

}  // namespace

QString userSettingsFile() {
  return QSettings(QSettings::IniFormat, QSettings::UserScope, QStringLiteral("Quotalume"),
                   QStringLiteral("Quotalume"))
      .fileName();
}

bool notifyNearLimits(const QString& file) {
  return QSettings(file, QSettings::IniFormat).value(notifyKey, true).toBool();
}

void saveNotifyNearLimits(const QString& file, bool on) {
  QSettings settings(file, QSettings::IniFormat);
  settings.setValue(notifyKey, on);
  settings.sync();
}
