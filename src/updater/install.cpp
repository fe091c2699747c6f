#include "updater/install.hpp"

#include <memory>

#include <QCoreApplication>
#include <QDir>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QProcess>
#include <QThread>

#include "bridge/app_version.hpp"
#include "links/site_links.hpp"
#include "store/log.hpp"
#include "updater/bundle_info.hpp"
#include "updater/http_client.hpp"
#include "updater/install_steps.hpp"
#include "updater/update_texts.hpp"
#include "updater/user_effects.hpp"

namespace Updater {

namespace {

// Well above any release; a server that keeps sending is not serving one.
constexpr qint64 maxArchiveBytes = qint64(1) << 30;

QString q(const std::filesystem::path& p) {
  return QString::fromStdString(p.string());
}

void fail(const std::string& reason) {
  log("update install failed: " + reason);
  userEffects().installFailed(UpdateTexts::installFailed());
  userEffects().openURL(Links::page());
}

void launchSwap(const Entry& entry, const std::filesystem::path& target, const Prepared& prepared) {
  const QStringList arguments{q(prepared.script), q(target), q(prepared.bundle),
                              QString::number(QCoreApplication::applicationPid())};
  if (!installHooks().startDetached("/bin/sh", arguments)) {
    fail("launch script");
    return;
  }
  log("update " + std::string(appVersion()) + " -> " + entry.version + " swapping");
  userEffects().quit();
}

// Unpacking a release takes a moment and blocks on the disk; the GUI thread
// stays free while it runs.
void prepareInWorker(PrepareRequest request, const std::filesystem::path& target) {
  auto result = std::make_shared<std::variant<InstallFailure, Prepared>>(InstallFailure{""});
  const Entry entry = request.entry;
  QThread* worker =
      QThread::create([result, request = std::move(request)] { *result = prepareInstall(request); });
  QObject::connect(worker, &QThread::finished, QCoreApplication::instance(), [worker, result, entry, target] {
    worker->wait();
    worker->deleteLater();
    if (const auto* failure = std::get_if<InstallFailure>(result.get())) {
      fail(failure->reason);
    } else {
      launchSwap(entry, target, std::get<Prepared>(*result));
    }
  });
  // Quitting mid-unpack waits for the worker, which the size caps keep short,
  // rather than tearing the process down under a thread that still writes.
  QObject::connect(QCoreApplication::instance(), &QCoreApplication::aboutToQuit, worker,
                   [worker] { worker->wait(); });
  worker->start();
}

}  // namespace

InstallHooks defaultInstallHooks() {
  InstallHooks h;
  h.executable = [] { return std::filesystem::path(QCoreApplication::applicationFilePath().toStdString()); };
  h.tempFolder = [] { return std::filesystem::path(QDir::tempPath().toStdString()); };
  h.writable = folderWritable;
  h.startDetached = [](const QString& program, const QStringList& arguments) {
    return QProcess::startDetached(program, arguments);
  };
  return h;
}

InstallHooks& installHooks() {
  static InstallHooks hooks = defaultInstallHooks();
  return hooks;
}

void install(const Entry& entry, const QUrl& archive) {
  // A package-manager install is updated by the package manager.
  const auto target = runningBundle(installHooks().executable());
  if (!target) {
    fail("no bundle");
    return;
  }
  QNetworkReply* reply = httpClient().get(QNetworkRequest(archive));
  QObject::connect(reply, &QNetworkReply::downloadProgress, reply, [reply](qint64 received, qint64) {
    if (received > maxArchiveBytes) reply->abort();
  });
  QObject::connect(reply, &QNetworkReply::finished, reply, [reply, entry, target = *target] {
    reply->deleteLater();
    if (reply->error() != QNetworkReply::NoError || statusCode(*reply) != 200) {
      fail("download");
      return;
    }
    const QByteArray bytes = reply->readAll();
    prepareInWorker({std::string(bytes.constData(), std::size_t(bytes.size())), entry, target,
                     newWorkFolder(installHooks().tempFolder()), installHooks().writable},
                    target);
  });
}

}  // namespace Updater
