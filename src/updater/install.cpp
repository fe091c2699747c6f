#include "updater/install.hpp"

#include <atomic>
#include <memory>

#include <QCoreApplication>
#include <QCryptographicHash>
#include <QFile>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QProcess>
#include <QThread>
#include <QTimer>

#include "base/app_version.hpp"
#include "base/wall_clock.hpp"
#include "links/site_links.hpp"
#include "store/log.hpp"
#include "updater/bundle_info.hpp"
#include "updater/feed_location.hpp"
#include "updater/http_client.hpp"
#include "updater/install_steps.hpp"
#include "updater/time_limits.hpp"
#include "updater/update_texts.hpp"
#include "updater/updater_services.hpp"

namespace Updater {

namespace {

namespace fs = std::filesystem;

// Well above any release; a server that keeps sending is not serving one.
constexpr qint64 maxArchiveBytes = qint64(1) << 30;

QString q(const fs::path& p) {
  return QString::fromStdString(p.string());
}

using Services = std::shared_ptr<const UpdaterServices>;

void fail(const UpdaterServices& services, const std::string& reason) {
  log("update install failed: " + reason);
  services.effects.installFailed(UpdateTexts::installFailed());
  services.effects.openURL(Links::page());
}

void launchSwap(const Services& services, const Entry& entry, const fs::path& target,
                const Prepared& prepared) {
  // The running binary exchanges the bundles for the script: it surely starts
  // and knows the option, which a new release's binary might not.
  const QStringList arguments{q(prepared.script), q(target), q(prepared.bundle),
                              QString::number(QCoreApplication::applicationPid()),
                              QCoreApplication::applicationFilePath()};
  if (!services->hooks.startDetached("/bin/sh", arguments)) {
    removeTree(prepared.script.parent_path());
    fail(*services, "launch script");
    return;
  }
  log("update " + std::string(appVersion()) + " -> " + entry.version + " swapping");
  services->effects.quit();
}

// Unpacking a release takes a moment and blocks on the disk; the GUI thread
// stays free while it runs. A refused release is removed by the worker itself,
// so that quitting mid-unpack leaves nothing behind either.
void prepareInWorker(const Services& services, PrepareRequest request, const fs::path& target) {
  auto result = std::make_shared<std::variant<InstallFailure, Prepared>>(InstallFailure{""});
  auto stop = std::make_shared<std::atomic<bool>>(false);
  const Entry entry = request.entry;
  QThread* worker = QThread::create([result, stop, request = std::move(request)] {
    *result = prepareInstall(request, [stop] { return stop->load(); });
    if (std::holds_alternative<InstallFailure>(*result)) removeTree(request.workFolder);
  });
  QObject::connect(worker, &QThread::finished, QCoreApplication::instance(),
                   [worker, result, entry, target, services] {
                     worker->wait();
                     worker->deleteLater();
                     if (const auto* failure = std::get_if<InstallFailure>(result.get())) {
                       fail(*services, failure->reason);
                     } else {
                       launchSwap(services, entry, target, std::get<Prepared>(*result));
                     }
                   });
  // Quitting mid-unpack asks the worker to stop, which it does within one
  // block, rather than tearing the process down under a thread that writes.
  QObject::connect(QCoreApplication::instance(), &QCoreApplication::aboutToQuit, worker, [worker, stop] {
    stop->store(true);
    worker->wait();
  });
  worker->start();
}

// The archive on its way to update.zip, hashed as it arrives so that it is
// never held in memory whole.
struct Transfer {
  QFile file;
  QCryptographicHash hash{QCryptographicHash::Sha256};
  qint64 bytes = 0;
  bool writeFailed = false;
  bool tooLarge = false;
};

void drain(QNetworkReply& reply, Transfer& t) {
  while (reply.bytesAvailable() > 0 && !t.writeFailed && !t.tooLarge) {
    const QByteArray chunk = reply.read(64 * 1024);
    t.bytes += chunk.size();
    if (t.bytes > maxArchiveBytes) {
      t.tooLarge = true;
    } else {
      t.hash.addData(chunk);
      t.writeFailed = t.file.write(chunk) != chunk.size();
    }
    if (t.writeFailed || t.tooLarge) reply.abort();
  }
}

void finishDownload(const Services& services, QNetworkReply& reply, Transfer& t, const Entry& entry,
                    const fs::path& target, const fs::path& work) {
  drain(reply, t);
  t.writeFailed = !t.file.flush() || t.writeFailed;
  t.file.close();
  const std::string digest = t.hash.result().toHex().toStdString();
  std::string reason;
  if (t.writeFailed) {
    reason = "write";
  } else if (t.tooLarge || reply.error() != QNetworkReply::NoError || statusCode(reply) != 200) {
    reason = "download";
  } else if (digest != QString::fromStdString(entry.sha256).toLower().toStdString()) {
    reason = "sha256 mismatch " + digest;
  }
  if (!reason.empty()) {
    removeTree(work);
    fail(*services, reason);
    return;
  }
  prepareInWorker(services, {entry, work, std::uintmax_t(t.bytes), timeLimits().versionRun}, target);
}

}  // namespace

InstallHooks defaultInstallHooks() {
  InstallHooks h;
  h.executable = [] { return fs::path(QCoreApplication::applicationFilePath().toStdString()); };
  h.writable = folderWritable;
  h.startDetached = [](const QString& program, const QStringList& arguments) {
    return QProcess::startDetached(program, arguments);
  };
  return h;
}

UpdaterServices defaultUpdaterServices() {
  return {
      .effects = defaultUserEffects(),
      .hooks = defaultInstallHooks(),
      .onFeed = {},
      .now = wallClockNow,
      .autoInstall = false,
  };
}

void install(const Entry& entry, const QUrl& archive, Services services) {
  // A package-manager install is updated by the package manager.
  const auto target = runningBundle(services->hooks.executable());
  if (!target) {
    fail(*services, "no bundle");
    return;
  }
  if (!archiveAddressAllowed(archive, feed())) {
    fail(*services, "download");
    return;
  }
  // Beside the installed bundle, so the swap's moves are renames.
  const fs::path work = newWorkFolder(target->parent_path());
  std::error_code ec;
  if (!services->hooks.writable(target->parent_path()) || !fs::create_directory(work, ec)) {
    fail(*services, "not writable " + target->string());
    return;
  }
  auto transfer = std::make_shared<Transfer>();
  transfer->file.setFileName(q(work / "update.zip"));
  if (!transfer->file.open(QIODevice::WriteOnly | QIODevice::NewOnly)) {
    removeTree(work);
    fail(*services, "write");
    return;
  }

  QNetworkRequest request(archive);
  // Qt's transfer timeout restarts with every byte: a stall limit.
  request.setTransferTimeout(int(timeLimits().downloadStall.count()));
  QNetworkReply* reply = httpClient().get(request);
  reply->setReadBufferSize(1 << 20);
  QTimer::singleShot(timeLimits().downloadTotal, reply, [reply] { reply->abort(); });
  QObject::connect(reply, &QNetworkReply::readyRead, reply, [reply, transfer] { drain(*reply, *transfer); });
  QObject::connect(reply, &QNetworkReply::finished, reply,
                   [reply, transfer, entry, target = *target, work, services] {
                     reply->deleteLater();
                     finishDownload(services, *reply, *transfer, entry, target, work);
                   });
  // Quitting mid-download leaves no half archive beside the app.
  QObject::connect(QCoreApplication::instance(), &QCoreApplication::aboutToQuit, reply,
                   [reply, transfer, work] {
                     reply->blockSignals(true);  // no failure alert while quitting
                     reply->abort();
                     transfer->file.close();
                     removeTree(work);
                   });
}

}  // namespace Updater
