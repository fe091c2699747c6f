#include "desktop/default_browser.hpp"

#include <QProcess>
#include <QStringList>

#include "store/file_bytes.hpp"

namespace {

// A desktop without xdg-utils, or a hung helper, must not hold up the click.
constexpr int helperTimeoutMs = 2000;
// A mimeapps.list is a few kilobytes; anything far larger is not one.
constexpr std::uintmax_t maxListBytes = 1 << 20;

// The desktop's own lists are often links into a dotfiles folder.
std::optional<std::string> readSmallFile(const std::filesystem::path& path) {
  return Store::readFile(path, maxListBytes, Store::Links::follow);
}

}  // namespace

std::optional<std::string> helperAnswer(const std::string& program, const std::vector<std::string>& args) {
  QStringList arguments;
  for (const auto& a : args) arguments << QString::fromStdString(a);
  QProcess process;
  process.start(QString::fromStdString(program), arguments, QIODevice::ReadOnly);
  if (!process.waitForStarted(helperTimeoutMs)) return std::nullopt;
  if (!process.waitForFinished(helperTimeoutMs)) {
    process.kill();
    process.waitForFinished(helperTimeoutMs);
    return std::nullopt;
  }
  if (process.exitStatus() != QProcess::NormalExit || process.exitCode() != 0) return std::nullopt;
  const QString answer = QString::fromUtf8(process.readAllStandardOutput()).trimmed();
  if (answer.isEmpty()) return std::nullopt;
  return answer.toStdString();
}

std::optional<std::string> defaultBrowserID(const Store::EnvLookup& env, const FileReader& read,
                                            const HelperQuery& ask) {
  if (auto id = defaultHandler(env, read, "x-scheme-handler/https")) return id;
  if (auto id = ask("xdg-settings", {"get", "default-web-browser"})) return id;
  return ask("xdg-mime", {"query", "default", "x-scheme-handler/https"});
}

std::optional<std::string> defaultBrowserID() {
  return defaultBrowserID(Store::processEnvironment(), readSmallFile, helperAnswer);
}
