// Widgets need a QApplication; the tests run without a display.
#include <gtest/gtest.h>
#include <QApplication>
#include <QSettings>
#include <QTemporaryDir>
#include <cstdlib>

#include "store/settings_file.hpp"
#include "updater/bundle_swap.hpp"

int main(int argc, char** argv) {
  // The swap script the updater's install test runs has this program exchange the bundles.
  if (const auto swapped = Updater::runSwapOption(argc, argv)) return *swapped;
  setenv("QT_QPA_PLATFORM", "offscreen", 0);
#ifdef QUOTALUME_TEST_SCALE_FACTOR
  setenv("QT_SCALE_FACTOR", QUOTALUME_TEST_SCALE_FACTOR, 1);
#endif
  // Qt warns about, and some styles misbehave with, a missing runtime folder.
  QTemporaryDir runtimeDir;
  if (runtimeDir.isValid()) setenv("XDG_RUNTIME_DIR", runtimeDir.path().toLocal8Bit().constData(), 0);
  // The user's desktop portal must not decide light or dark for the tests.
  setenv("DBUS_SESSION_BUS_ADDRESS", ("unix:path=" + runtimeDir.path() + "/none").toLocal8Bit().constData(),
         1);
  // The controller logs; its lines go to a folder of this run, not the user's.
  QTemporaryDir dataDir;
  if (dataDir.isValid()) setenv("QUOTALUME_DATA_DIR", dataDir.path().toLocal8Bit().constData(), 0);
  // A launched controller checks for updates; its feed is a closed loopback
  // port unless a test serves one, so no test reaches the maker's site.
  QTemporaryDir configDir;
  setenv("XDG_CONFIG_HOME", configDir.path().toLocal8Bit().constData(), 1);
  QSettings(QString::fromStdString(Settings::userFile().string()), QSettings::IniFormat)
      .setValue("updateFeed", "http://127.0.0.1:9/version.json");
  QApplication app(argc, argv);
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
