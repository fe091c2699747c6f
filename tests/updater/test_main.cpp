// Timers, network replies and threads need a running application object. The
// log and the settings go to a temporary folder before anything reads them.
#include <gtest/gtest.h>

#include <QApplication>
#include <QTemporaryDir>
#include <cstdlib>

#include "updater/bundle_swap.hpp"

int main(int argc, char** argv) {
  // The swap script the install test runs has this program exchange the bundles.
  if (const auto swapped = Updater::runSwapOption(argc, argv)) return *swapped;
  setenv("QT_QPA_PLATFORM", "offscreen", 0);
  QTemporaryDir home;
  if (!home.isValid()) return 1;
  const QByteArray root = home.path().toLocal8Bit();
  setenv("QUOTALUME_DATA_DIR", (root + "/data").constData(), 1);
  setenv("XDG_RUNTIME_DIR", root.constData(), 1);
  setenv("XDG_CONFIG_HOME", (root + "/config").constData(), 1);
  QApplication app(argc, argv);
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
