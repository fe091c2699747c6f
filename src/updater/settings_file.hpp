#pragma once
// The user's settings: one INI file, ~/.config/Quotalume/Quotalume.conf
// (under $XDG_CONFIG_HOME when that is set), shared by the updater's
// "updateFeed" and the tray's switches.

#include <QString>

// Where the file is for this user, worked out on each call so a changed
// XDG_CONFIG_HOME is followed.
QString userSettingsFile();

// Whether QSettings can be handed the file: it opens it by name and would
// wait for ever on a pipe at its place. Links are followed, as the user's
// config is often one.
bool settingsReadable(const QString& file);

// "notifyNearLimits": on unless the user turned it off.
bool notifyNearLimits(const QString& file);
void saveNotifyNearLimits(const QString& file, bool on);
