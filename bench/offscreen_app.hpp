#pragma once
// The toolkit's application object, offscreen, for the benchmarks that draw
// or talk on the bus; made once per program.

#include <cstdlib>

#include <QApplication>

inline void offscreenApp() {
  static int argc = 1;
  static char name[] = "bench";
  static char* argv[] = {name, nullptr};
  setenv("QT_QPA_PLATFORM", "offscreen", 1);
  static QApplication app(argc, argv);
}
