#include "updater/install_steps.hpp"

#include <unistd.h>

#include <algorithm>

#include <QCryptographicHash>
#include <QProcess>
#include <QString>
#include <QUuid>

#include "build_config.hpp"
#include "store/atomic_file.hpp"
#include "updater/bundle_info.hpp"
#include "updater/processor.hpp"
#include "updater/safe_extract.hpp"

namespace Updater {

namespace {

namespace fs = std::filesystem;

bool realFile(const fs::path& p) {
  std::error_code ec;
  return fs::is_regular_file(fs::symlink_status(p, ec));
}

// The bundle the swap moves into place must be the folder itself, not a link
// to one, and hold a binary that can start; links at these names would make
// the checks below read one thing and the swap install another.
bool soundShape(const fs::path& bundle) {
  const fs::path binary = bundle / "bin" / "quotalume";
  std::error_code ec;
  return realFolder(bundle) && realFolder(bundle / "bin") && realFile(bundle / "Info.json") &&
         realFile(binary) &&
         (fs::status(binary, ec).permissions() & fs::perms::owner_exec) != fs::perms::none;
}

// Whether the binary starts and its first line on standard output is
// "Quotalume <version>", within the limit. It runs in the app's own
// environment, like the relaunch will.
bool answersWithVersion(const fs::path& binary, const std::string& version, std::chrono::milliseconds limit,
                        const std::function<bool()>& stop) {
  // A version line is short; a binary that floods the pipe is not answering.
  constexpr qint64 maxAnswerBytes = 64 * 1024;
  QProcess process;
  process.setStandardInputFile(QProcess::nullDevice());
  process.setStandardErrorFile(QProcess::nullDevice());
  process.start(QString::fromStdString(binary.string()), {QStringLiteral("--version")});
  const auto deadline = std::chrono::steady_clock::now() + limit;
  while (process.state() != QProcess::NotRunning && !process.waitForFinished(50)) {
    if (stop() || std::chrono::steady_clock::now() > deadline || process.bytesAvailable() > maxAnswerBytes) {
      process.kill();
      process.waitForFinished(1000);
      return false;
    }
  }
  if (process.error() == QProcess::FailedToStart || process.exitStatus() != QProcess::NormalExit ||
      process.exitCode() != 0) {
    return false;
  }
  const QByteArray out = process.readAllStandardOutput();
  return out.left(out.indexOf('\n')).toStdString() == "Quotalume " + version;
}

}  // namespace

std::string sha256Hex(std::string_view bytes) {
  const QByteArray digest = QCryptographicHash::hash(QByteArrayView(bytes.data(), qsizetype(bytes.size())),
                                                     QCryptographicHash::Sha256);
  return digest.toHex().toStdString();
}

fs::path newWorkFolder(const fs::path& folder) {
  return folder / (std::string(workFolderPrefix) +
                   QUuid::createUuid().toString(QUuid::WithoutBraces).toUpper().toStdString());
}

bool realFolder(const fs::path& p) {
  std::error_code ec;
  return fs::is_directory(fs::symlink_status(p, ec));
}

bool folderWritable(const fs::path& folder) {
  return ::access(folder.c_str(), W_OK | X_OK) == 0;
}

void removeTree(const fs::path& tree) {
  std::error_code ec;
  if (realFolder(tree)) {
    fs::permissions(tree, fs::perms::owner_all, fs::perm_options::add, ec);
    for (fs::recursive_directory_iterator it(tree, ec), end; !ec && it != end; it.increment(ec)) {
      std::error_code ignored;  // a folder left read-only only makes remove_all stop early
      if (realFolder(it->path()))
        fs::permissions(it->path(), fs::perms::owner_all, fs::perm_options::add, ignored);
    }
  }
  fs::remove_all(tree, ec);
}

std::uintmax_t unpackLimit(std::uintmax_t archiveBytes) {
  constexpr std::uintmax_t ceiling = std::uintmax_t(256) << 20;
  constexpr std::uintmax_t ratio = 100;
  return archiveBytes >= ceiling / ratio ? ceiling : archiveBytes * ratio;
}

std::variant<InstallFailure, Prepared> prepareInstall(const PrepareRequest& r,
                                                      const std::function<bool()>& stop) {
  const InstallFailure refused{"unzip/version"};
  std::error_code ec;
  // The unpacked tree may not fill the disk the installed app lives on.
  const fs::space_info space = fs::space(r.workFolder, ec);
  if (ec) return refused;
  const std::uintmax_t limit = std::min(unpackLimit(r.archiveBytes), space.available);
  if (!extractArchive(r.workFolder / "update.zip", r.workFolder, limit, stop)) return refused;

  const auto bundle = r.workFolder / "Quotalume.app";
  if (!soundShape(bundle)) return refused;
  // Before the binary is run: where the other processor is emulated, it
  // would answer with its version like any good release.
  if (foreignProgram(bundle / "bin" / "quotalume", ownMachine())) return InstallFailure{"architecture"};
  const auto info = readBundleInfo(bundle);
  if (!info || info->identifier != appId || info->version != r.entry.version ||
      !answersWithVersion(bundle / "bin" / "quotalume", r.entry.version, r.versionRun, stop)) {
    return refused;
  }

  const auto script = r.workFolder / "swap.sh";
  if (!Store::writeAtomically(script, swapScript)) return InstallFailure{"script"};
  return Prepared{script, bundle};
}

}  // namespace Updater
