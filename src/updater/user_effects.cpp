#include "updater/user_effects.hpp"

#include <QApplication>
#include <QDesktopServices>
#include <QUrl>

#include "updater/update_texts.hpp"
#include "views/modal_alert.hpp"

namespace Updater {

namespace {

QString q(const std::string& s) {
  return QString::fromStdString(s);
}

}  // namespace

UserEffects defaultUserEffects() {
  UserEffects e;
  const auto ok = [](const std::string& message) { runModalAlert({message, "", {UpdateTexts::ok()}, true}); };
  e.info = ok;
  e.offer = [](const std::string& message, const std::string& detail) {
    return runModalAlert({message, detail, {UpdateTexts::updateNow(), UpdateTexts::later()}, true}) == 0;
  };
  e.installFailed = ok;
  e.openURL = [](const std::string& url) { QDesktopServices::openUrl(QUrl(q(url))); };
  e.quit = [] { QCoreApplication::quit(); };
  return e;
}

}  // namespace Updater
