#pragma once
// The user's settings: one INI file (organisation and application
// "Quotalume"), read and written through QSettings.

#include <QString>

// Where QSettings keeps the file for this user.
QString userSettingsFile();

// "notifyNearLimits": on unless the user turned it off.
bool notifyNearLimits(const QString& file);
void saveNotifyNearLimits(const QString& file, bool on);
