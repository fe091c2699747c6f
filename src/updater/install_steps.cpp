#include "updater/install_steps.hpp"

#include <unistd.h>

#include <fstream>

#include <QCryptographicHash>
#include <QString>
#include <QUuid>

#include "build_config.hpp"
#include "store/atomic_file.hpp"
#include "updater/bundle_info.hpp"
#include "updater/safe_extract.hpp"

namespace Updater {

std::string sha256Hex(std::string_view bytes) {
  const QByteArray digest = QCryptographicHash::hash(QByteArrayView(bytes.data(), qsizetype(bytes.size())),
                                                     QCryptographicHash::Sha256);
  return digest.toHex().toStdString();
}

std::filesystem::path newWorkFolder(const std::filesystem::path& temp) {
  return temp /
         ("Quotalume-update-" + QUuid::createUuid().toString(QUuid::WithoutBraces).toUpper().toStdString());
}

bool folderWritable(const std::filesystem::path& folder) {
  return ::access(folder.c_str(), W_OK | X_OK) == 0;
}

std::variant<InstallFailure, Prepared> prepareInstall(const PrepareRequest& r) {
  const std::string digest = sha256Hex(r.archive);
  if (digest != QString::fromStdString(r.entry.sha256).toLower().toStdString()) {
    return InstallFailure{"sha256 mismatch " + digest};
  }

  std::error_code ec;
  std::filesystem::create_directories(r.workFolder, ec);  // a failure shows in the next step
  const auto zip = r.workFolder / "update.zip";
  {
    std::ofstream out(zip, std::ios::binary | std::ios::trunc);
    out.write(r.archive.data(), std::streamsize(r.archive.size()));
    out.close();
    if (!out) return InstallFailure{"write"};
  }

  const auto bundle = r.workFolder / "Quotalume.app";
  if (!extractArchive(zip, r.workFolder)) return InstallFailure{"unzip/version"};
  const auto info = readBundleInfo(bundle);
  if (!info || info->identifier != bundleID || info->version != r.entry.version) {
    return InstallFailure{"unzip/version"};
  }

  if (!r.writable(r.target.parent_path())) return InstallFailure{"not writable " + r.target.string()};

  const auto script = r.workFolder / "swap.sh";
  if (!Store::writeAtomically(script, swapScript)) return InstallFailure{"script"};
  return Prepared{script, bundle};
}

}  // namespace Updater
