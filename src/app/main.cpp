// The process entry: fixes the language and the process-wide values, then
// runs the one mode the command line asks for.
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <iostream>
#include <string>
#include <vector>

#include <QApplication>

#include "app/command_line.hpp"
#include "app/platform_choice.hpp"
#include "app/quit_signals.hpp"
#include "base/app_version.hpp"
#include "base/wall_clock.hpp"
#include "build_config.hpp"
#include "checks/render_modes.hpp"
#include "checks/self_check.hpp"
#include "commands/history_mode.hpp"
#include "commands/status_mode.hpp"
#include "controller/tray_controller.hpp"
#include "desktop/bundle_desktop_entry.hpp"
#include "display/phrases.hpp"
#include "fonts/bundle_font.hpp"
#include "fonts/interface_font.hpp"
#include "store/history_store.hpp"
#include "store/process_paths.hpp"
#include "store/reading_store.hpp"
#include "store/settings_file.hpp"
#include "updater/bundle_info.hpp"
#include "updater/bundle_swap.hpp"
#include "views/app_icon.hpp"

namespace {

bool isSet(const char* name) {
  const char* value = std::getenv(name);
  return value != nullptr && *value != '\0';
}

bool hasDisplay() {
  return isSet("QT_QPA_PLATFORM") || isSet("DISPLAY") || isSet("WAYLAND_DISPLAY");
}

// The file this process runs from, with every symlink resolved, so a link
// in /usr/local/bin to a bundle's binary still finds the bundle. Not
// QApplication's: the version is settled before one exists, and a path that
// is not UTF-8 keeps its bytes here, where Qt would replace them. Read once.
const std::filesystem::path& runningExecutable() {
  static const std::filesystem::path exe = [] {
    std::error_code ec;
    std::filesystem::path link = std::filesystem::read_symlink("/proc/self/exe", ec);
    return ec ? std::filesystem::path() : link;
  }();
  return exe;
}

// What every mode with a toolkit shares: the interface's typeface, the
// application's name, version and icon.
void nameTheApplication() {
  useBundledFont(Updater::runningBundle(runningExecutable()));
  useInterfaceTypeface(isKorean);
  QApplication::setApplicationName("Quotalume");
  QApplication::setApplicationVersion(QString::fromUtf8(appVersion().data(), qsizetype(appVersion().size())));
  QApplication::setWindowIcon(appIcon());
}

// The tray run. Without a display it still serves the bridge and keeps the
// files, on the offscreen platform, and says so.
int runTray(int argc, char** argv, const LaunchOptions& options) {
  if (!hasDisplay()) {
    setenv("QT_QPA_PLATFORM", "offscreen", 1);
    std::cerr << "quotalume: no display, running headless: the bridge, the stores and the log work, the tray "
                 "icon is not shown\n";
  }
  QApplication app(argc, argv);
  nameTheApplication();
  // Closing the guide or an alert must not end the app; only Quit does.
  QApplication::setQuitOnLastWindowClosed(false);
  QuitOnSignals signalQuit;

  TrayController controller(
      options, ControllerServices::system(QCoreApplication::applicationFilePath().toStdString()));
  // A second start hands over to the running copy, and fails when it cannot.
  if (!controller.launch()) return controller.reachedRunningCopy() ? 0 : 1;
  // Once the bridge is up, whose start it would otherwise delay, and only in
  // the copy that stays.
  refreshDesktopFilesOfRunningBundle(runningExecutable());
  return QApplication::exec();
}

}  // namespace

int main(int argc, char** argv) {
  const ParsedCommandLine parsed =
      parseCommandLine(std::vector<std::string>(argv, argv + argc), Store::processEnvironment());
  const CommandLine& line = parsed.line;
  for (std::string option : parsed.unknown) {
    // Whatever was typed, the terminal gets no control characters from it.
    for (char& c : option) c = (static_cast<unsigned char>(c) < 0x20 || c == 0x7f) ? '?' : c;
    std::cerr << "quotalume: ignoring unknown option '" << option << "'\n";
  }
  // The swap script's exchange of the bundles: no toolkit, no files, no log.
  if (line.choice.mode == Mode::swapBundles)
    return Updater::swapBundles(line.choice.path, line.swapIncoming) ? 0 : 1;
  // Everything below reads the language, so it is settled first.
  isKorean = line.korean;
  setAppVersion(Updater::runningVersion(runningExecutable(), Build::version));
  // The log builds on the data folder; both are fixed before any other thread
  // could read them.
  dataDir();
  logPath();
  initFormatters();

  const ModeChoice& choice = line.choice;
  if (choice.mode == Mode::help) {
    std::cout << usageText();
    return 0;
  }
  // The installer runs a new release with this to see that it starts.
  if (choice.mode == Mode::version) {
    std::cout << "Quotalume " << appVersion() << "\n";
    return 0;
  }
  if (const auto platform = forcedPlatform(choice.mode, Store::processEnvironment()))
    setenv("QT_QPA_PLATFORM", platform->c_str(), 1);
  if (parsed.error) {
    std::cerr << *parsed.error << "\n";
    return 2;
  }
  if (choice.mode == Mode::selftest) return runSelftest(std::cout);
  // Bars run this every few seconds, so it never starts the toolkit.
  if (choice.mode == Mode::status)
    return runStatusMode(line.status, {Store::lastPath(), Settings::userFile()}, std::cout, wallClockNow);
  if (choice.mode == Mode::history)
    return runHistoryMode(line.history, History::path(), wallClockNow(), std::cout);

  if (choice.mode == Mode::normal) return runTray(argc, argv, line.launch);

  QApplication app(argc, argv);
  nameTheApplication();

  switch (choice.mode) {
    case Mode::renderGuide:
      return renderGuideMode(choice.path, std::cout, std::cerr);
    case Mode::renderGlyph:
      return renderGlyphMode(choice.path, std::cerr);
    case Mode::renderMenu:
      return renderMenuMode(choice.path, std::cout, std::cerr);
    case Mode::renderHistory:
      return renderHistoryMode(choice.path, std::cout, std::cerr);
    case Mode::help:
    case Mode::version:
    case Mode::selftest:
    case Mode::status:
    case Mode::history:
    case Mode::swapBundles:
    case Mode::normal:
      break;
  }
  return 0;
}
