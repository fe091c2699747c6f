// Limit notices end to end: a stand-in notification service on a private
// message bus records what the notifier sends.
#include <filesystem>
#include <vector>

#include <gtest/gtest.h>
#include <QDBusArgument>
#include <QDBusMessage>
#include <QDBusVirtualObject>

#include "controller/limit_notifier.hpp"
#include "support/event_wait.hpp"
#include "support/private_bus.hpp"

namespace {

const QString service = "org.freedesktop.Notifications", path = "/org/freedesktop/Notifications";

// Answers Notify with ids 1, 2, 3 … and keeps each call as one line: what
// the user reads (the body up to its clock time), then how it is sent.
struct StandIn : QDBusVirtualObject {
  std::vector<std::string> calls;
  QString introspect(const QString&) const override { return {}; }
  bool handleMessage(const QDBusMessage& m, const QDBusConnection& bus) override {
    if (m.interface() != service || m.member() != "Notify" || m.arguments().size() != 8) return false;
    const QList<QVariant> a = m.arguments();
    QVariantMap hints;
    a[6].value<QDBusArgument>() >> hints;
    calls.push_back(QString("%1: %2 / %3 | replaces %4, urgency %5%6%7")
                        .arg(a[0].toString(), a[3].toString(), a[4].toString().section(" \u00B7 ", 0, 0))
                        .arg(a[1].toUInt())
                        .arg(hints.value("urgency", -1).toInt())
                        .arg(a[2].toString().isEmpty() ? "" : ", icon")
                        .arg(hints.contains("image-data") ? ", image" : "")
                        .toStdString());
    return bus.send(m.createReply(QVariant::fromValue(uint(calls.size()))));
  }
};

constexpr EpochSeconds now = 1791951000;  // any fixed moment; the notifier never reads the clock

LimitNotice notice(AlertKind kind, double pct, EpochSeconds resetsAt) {
  return {kind, {"session", pct, resetsAt * 1000}};
}

TEST(LimitNotifier, EachWindowsNewestNoticeReplacesItsLast) {
  PrivateBus bus;
  ASSERT_FALSE(bus.address.isEmpty()) << "dbus-daemon did not start (scripts/install-deps installs it)";
  const auto logLine = [](std::string_view line) { ADD_FAILURE() << line; };

  QDBusConnection serviceBus = QDBusConnection::connectToBus(bus.address, "notify-test-service");
  StandIn standIn;
  ASSERT_TRUE(serviceBus.registerVirtualObject(path, &standIn));
  ASSERT_TRUE(serviceBus.registerService(service));
  const EpochSeconds resetsAt = now + 2 * 3600;

  LimitNotifier notifier(QDBusConnection::connectToBus(bus.address, "notify-test-app"), logLine);
  notifier.send(notice(AlertKind::near, 85, resetsAt), now);
  // Sent before the first notice's id came back: it still replaces that notice.
  notifier.send(notice(AlertKind::reached, 100, resetsAt), now + 90);
  ASSERT_TRUE(waitUntil([&] { return standIn.calls.size() == 2; }));
  const EpochSeconds later = resetsAt + 60;
  settle(50);
  notifier.send(notice(AlertKind::reset, 2, resetsAt + 5 * 3600), later);
  ASSERT_TRUE(waitUntil([&] { return standIn.calls.size() == 3; }));
  EXPECT_EQ(standIn.calls,
            (std::vector<std::string>{
                "Quotalume: 5-hour limit at 85% / resets in 2h | replaces 0, urgency 1, icon, image",
                "Quotalume: 5-hour limit reached / resets in 1h 59m | replaces 1, urgency 2, icon, image",
                "Quotalume: 5-hour limit reset / 5-hour limit 2%, resets in 4h 59m | replaces 2, urgency 1, "
                "icon, image"}));
}

}  // namespace
