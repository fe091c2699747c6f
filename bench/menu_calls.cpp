// What a tray host flooding the menu costs the app: 2,000 AboutToShow calls
// on the session bus, then how long after the last of them GetLayout is
// answered. The whole controller answers, renders and state file included,
// on a bus of its own.
#include <benchmark/benchmark.h>

#ifdef QUOTALUME_BENCH_APP
#include <algorithm>
#include <chrono>
#include <vector>

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusPendingCall>
#include <QDBusVariant>
#include <QTemporaryDir>

#include "base/wall_clock.hpp"
#include "controller/tray_controller.hpp"
#include "display/state_file.hpp"
#include "offscreen_app.hpp"
#include "support/event_wait.hpp"
#include "support/private_bus.hpp"
#include "tray/tray_presence.hpp"

namespace {

using Clock = std::chrono::steady_clock;
constexpr EpochSeconds now = 1760421600.0;

double millisecondsSince(Clock::time_point from) {
  return std::chrono::duration<double, std::milli>(Clock::now() - from).count();
}

void BM_AboutToShowFloodThenGetLayout(benchmark::State& state) {
  offscreenApp();
  const PrivateBus bus;
  const QTemporaryDir dir;
  const auto file = [&](const char* leaf) { return std::filesystem::path(dir.filePath(leaf).toStdString()); };

  ControllerServices services =
      ControllerServices::system(QCoreApplication::applicationFilePath().toStdString());
  services.now = [] { return now; };
  services.writeState = [&](const Frame& frame, const ListenState& listen, EpochSeconds at) {
    Store::writeState(frame.shown, frame.glance, listen, "bench", file("state.json"), at);
  };
  services.trayAvailable = [] { return false; };
  services.bridge.port = 0;
  services.bridge.now = wallClockNow;
  services.files = {.monitor = {file("last.json"), file("alerts.json"), file("history.jsonl")},
                    .update = file("update.json"),
                    .lock = file("q.lock"),
                    .settings = file("Quotalume.ini")};
  services.autostart = AutostartEntry(file("autostart/q.desktop"), "quotalume");
  services.sessionBus = [address = bus.address] {
    return QDBusConnection::connectToBus(address, "bench-app");
  };
  TrayController app({.guide = false, .updateChecks = false}, services);
  if (!app.launch()) return state.SkipWithError("the controller did not launch");

  QDBusConnection host = QDBusConnection::connectToBus(bus.address, "bench-host");
  const QString service = app.findChild<TrayPresence*>()->serviceName();
  const auto menuCall = [&](const QString& method, const QList<QVariant>& args) {
    QDBusMessage m = QDBusMessage::createMethodCall(service, "/MenuBar", "com.canonical.dbusmenu", method);
    m.setArguments(args);
    return host.asyncCall(m, 60000);
  };

  double worst = 0;
  for (auto _ : state) {
    const auto began = Clock::now();
    std::vector<QDBusPendingCall> opening;
    for (int i = 0; i < 2000; ++i) opening.push_back(menuCall("AboutToShow", {0}));
    const auto lastSent = Clock::now();
    const QDBusPendingCall layout = menuCall("GetLayout", {0, -1, QStringList()});
    if (!waitUntil([&] { return layout.isFinished(); }, 60000) || layout.isError())
      return state.SkipWithError(qPrintable("GetLayout did not answer: " + layout.error().message()));
    worst = std::max(worst, millisecondsSince(lastSent));
    state.SetIterationTime(millisecondsSince(began) / 1000);
    // Closed again, so that every round starts as a host's first opening.
    const QDBusPendingCall closed =
        menuCall("Event", {0, "closed", QVariant::fromValue(QDBusVariant(0)), 0u});
    waitUntil([&] { return closed.isFinished(); }, 60000);
  }
  state.counters["layout_after_last_ms"] = worst;
}
BENCHMARK(BM_AboutToShowFloodThenGetLayout)->UseManualTime()->Iterations(5)->Unit(benchmark::kMillisecond);

}  // namespace
#endif
