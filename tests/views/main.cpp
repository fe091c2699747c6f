// The views draw with Qt, which wants an application object and, offscreen,
// a private runtime folder rather than the user's.
#include <cstdlib>

#include <gtest/gtest.h>
#include <QApplication>
#include <QTemporaryDir>

int main(int argc, char** argv) {
  setenv("QT_QPA_PLATFORM", "offscreen", 0);
#ifdef QUOTALUME_TEST_SCALE_FACTOR
  setenv("QT_SCALE_FACTOR", QUOTALUME_TEST_SCALE_FACTOR, 1);
#endif
  const QTemporaryDir runtime;
  setenv("XDG_RUNTIME_DIR", runtime.path().toLocal8Bit().constData(), 1);
  // The user's desktop portal must not decide light or dark for the tests.
  setenv("DBUS_SESSION_BUS_ADDRESS", ("unix:path=" + runtime.path() + "/none").toLocal8Bit().constData(), 1);
  QApplication app(argc, argv);
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
