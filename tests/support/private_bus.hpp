#pragma once
// A message bus of our own that activates nothing, so no service installed on
// the machine can answer in a stand-in's place.

#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

struct PrivateBus {
  QTemporaryDir dir;
  QProcess daemon;
  QString address;

  PrivateBus() {
    QFile config(dir.filePath("bus.conf"));
    if (!config.open(QIODevice::WriteOnly)) return;
    config.write("<busconfig><type>session</type><listen>unix:tmpdir=" + dir.path().toUtf8() +
                 "</listen><auth>EXTERNAL</auth><policy context=\"default\"><allow send_destination=\"*\"/>"
                 "<allow receive_sender=\"*\"/><allow own=\"*\"/></policy>"
                 // As a desktop's session bus allows: a host may have thousands of calls out.
                 "<limit name=\"max_replies_per_connection\">50000</limit></busconfig>");
    config.close();
    daemon.start("dbus-daemon", {"--config-file=" + config.fileName(), "--nofork", "--print-address"});
    if (daemon.waitForReadyRead(10000)) address = QString::fromUtf8(daemon.readLine()).trimmed();
  }
  ~PrivateBus() {
    daemon.terminate();
    if (!daemon.waitForFinished(5000)) daemon.kill();
  }
};
