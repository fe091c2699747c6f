#include "app/default_browser.hpp"

#include <fstream>

#include <QProcess>
#include <QStringList>

#include "app/mimeapps.hpp"

namespace {

// A desktop without xdg-utils, or a hung helper, must not hold up the click.
constexpr int helperTimeoutMs = 2000;
// A mimeapps.list is a few kilobytes; anything far larger is not one.
constexpr std::streamsize maxListBytes = 1 << 20;

std::optional<std::string> readSmallFile(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return std::nullopt;
  std::string contents(static_cast<std::size_t>(maxListBytes), '\0');
  in.read(contents.data(), maxListBytes);
  contents.resize(static_cast<std::size_t>(in.gcount()));
  return contents;
}

std::optional<std::string> askHelper(const QString& program, const QStringList& arguments) {
  QProcess process;
  process.start(program, arguments, QIODevice::ReadOnly);
  if (!process.waitForStarted(helperTimeoutMs)) return std::nullopt;
  if (!process.waitForFinished(helperTimeoutMs)) {
    process.kill();
    process.waitForFinished(helperTimeoutMs);
    return std::nullopt;
  }
  if (process.exitStatus() != QProcess::NormalExit || process.exitCode() != 0) return std::nullopt;
  QString answer = QString::fromUtf8(process.readAllStandardOutput()).trimmed();
  if (answer.isEmpty()) return std::nullopt;
  return answer.toStdString();
}

}  // namespace

std::optional<std::string> defaultBrowserID() {
  if (auto id = defaultHandler(processEnvironment(), readSmallFile, "x-scheme-handler/https")) return id;
  if (auto id = askHelper("xdg-settings", {"get", "default-web-browser"})) return id;
  return askHelper("xdg-mime", {"query", "default", "x-scheme-handler/https"});
}
