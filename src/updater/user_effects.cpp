#include "updater/user_effects.hpp"

#include <QApplication>
#include <QDesktopServices>
#include <QMessageBox>
#include <QPushButton>
#include <QUrl>

#include "updater/update_texts.hpp"

namespace Updater {

namespace {

QString q(const std::string& s) {
  return QString::fromStdString(s);
}

// Blocks until a button is chosen; returns the index of the chosen button.
int runAlert(const std::string& message, const std::string& detail, const std::vector<std::string>& buttons) {
  QMessageBox box;
  box.setWindowModality(Qt::ApplicationModal);
  box.setIcon(QMessageBox::Information);
  box.setText(q(message));
  if (!detail.empty()) box.setInformativeText(q(detail));
  std::vector<QPushButton*> added;
  for (const auto& title : buttons) {
    added.push_back(
        box.addButton(q(title), added.empty() ? QMessageBox::AcceptRole : QMessageBox::RejectRole));
  }
  box.setDefaultButton(added.front());
  // A tray app has no window in front; without this the alert may open
  // behind whatever the user is working in.
  box.show();
  box.raise();
  box.activateWindow();
  box.exec();
  for (std::size_t i = 0; i < added.size(); ++i) {
    if (box.clickedButton() == added[i]) return int(i);
  }
  return -1;
}

}  // namespace

UserEffects defaultUserEffects() {
  UserEffects e;
  e.info = [](const std::string& message) { runAlert(message, "", {UpdateTexts::ok()}); };
  e.offer = [](const std::string& message, const std::string& detail) {
    return runAlert(message, detail, {UpdateTexts::updateNow(), UpdateTexts::later()}) == 0;
  };
  e.installFailed = [](const std::string& message) { runAlert(message, "", {UpdateTexts::ok()}); };
  e.openURL = [](const std::string& url) { QDesktopServices::openUrl(QUrl(q(url))); };
  e.quit = [] { QCoreApplication::quit(); };
  return e;
}

UserEffects& userEffects() {
  static UserEffects effects = defaultUserEffects();
  return effects;
}

}  // namespace Updater
