#pragma once
// The user's settings: one INI file, ~/.config/Quotalume/Quotalume.conf
// (under $XDG_CONFIG_HOME when that is set), shared by the updater's
// "updateFeed" and the tray's switches.

#include <QString>

// Where the file is for this user, worked out on each call so a changed
// XDG_CONFIG_HOME is followed.
QString userSettingsFile();

// "notifyNearLimits": on unless the user turned it off.
bool notifyNearLimits(const QString& file);
void saveNotifyNearLimits(const QString& file, bool on);
