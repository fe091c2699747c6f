#include "controller/command_menus.hpp"

#include <QAction>
#include <QActionEvent>
#include <QActionGroup>
#include <QCoreApplication>
#include <QKeySequence>
#include <QMenu>
#include <QSignalBlocker>
#include <QWidgetAction>

#include "display/phrases.hpp"
#include "tray/tray_text.hpp"
#include "views/info_view.hpp"

namespace {

QString localized(std::string_view ko, std::string_view en) {
  return QString::fromStdString(T(ko, en));
}

}  // namespace

CommandMenus::CommandMenus(QObject* parent)
    : QObject(parent), panelMenu_(std::make_unique<QMenu>()), contextMenu_(std::make_unique<QMenu>()) {
  infoView_ = new InfoView();
  infoItem_ = new QWidgetAction(this);
  infoItem_->setDefaultWidget(infoView_);
  infoItem_->setEnabled(false);
  infoSeparator_ = new QAction(this);
  infoSeparator_->setSeparator(true);
  textSeparator_ = new QAction(this);
  textSeparator_->setSeparator(true);

  const auto command = [this](QString text, auto signal) {
    auto* action = new QAction(std::move(text), this);
    connect(action, &QAction::triggered, this, signal);
    return action;
  };
  auto* installItem =
      command(localized("브라우저 확장 설치하기\u2026", "Install the browser extension\u2026"),
              &CommandMenus::installChosen);
  autostartItem_ = command(localized("로그인 시 자동 실행", "Open at login"), &CommandMenus::autostartChosen);
  autostartItem_->setCheckable(true);
  notifyItem_ = new QAction(localized("한도 가까이 알림", "Notify near limits"), this);
  notifyItem_->setCheckable(true);
  connect(notifyItem_, &QAction::toggled, this, &CommandMenus::notifyToggled);
  buildTrayWindowMenu();
  updateItem_ =
      command(localized("업데이트 확인\u2026", "Check for updates\u2026"), &CommandMenus::updateChosen);
  auto* pageItem = command(localized("Quotalume 페이지", "Quotalume website"), &CommandMenus::pageChosen);
  auto* historyItem =
      command(localized("사용 기록\u2026", "Usage history\u2026"), &CommandMenus::historyChosen);
  auto* separator = new QAction(this);
  separator->setSeparator(true);
  supportItem_ =
      command(localized("이 앱 후원하기\u2026", "Support This App\u2026"), &CommandMenus::supportChosen);
  supportSeparator_ = new QAction(this);
  supportSeparator_->setSeparator(true);
  auto* quitItem = command(localized("Quotalume 종료", "Quit Quotalume"), &CommandMenus::quitChosen);
  quitItem->setShortcut(QKeySequence(QStringLiteral("Ctrl+Q")));

  commands_ = {installItem, autostartItem_, notifyItem_,  trayWindowItem_,   updateItem_, pageItem,
               historyItem, separator,      supportItem_, supportSeparator_, quitItem};
  panelMenu_->addAction(infoItem_);
  panelMenu_->addAction(infoSeparator_);
  panelMenu_->addActions(commands_);
  contextMenu_->addAction(textSeparator_);
  contextMenu_->addActions(commands_);
  setSupportVisible(false);

  for (QMenu* menu : {panelMenu_.get(), contextMenu_.get()}) {
    connect(menu, &QMenu::aboutToShow, this, &CommandMenus::aboutToShow);
    connect(menu, &QMenu::aboutToHide, this, &CommandMenus::closed);
  }
}

CommandMenus::~CommandMenus() = default;

std::vector<std::string> CommandMenus::show(const Shown& shown, bool autostartOn, bool menuOpen) {
  autostartItem_->setChecked(autostartOn);
  const bool hidden = panelHidden(shown);
  infoItem_->setVisible(!hidden);
  infoSeparator_->setVisible(!hidden);
  std::vector<std::string> rows = hidden ? std::vector<std::string>{} : panelTextRows(shown);
  applyContextRows(rows, hidden);
  if (infoView_->update(shown, autostartOn, menuOpen)) {
    // A menu measures its items once and keeps their places while closed;
    // a panel that changed size must make it measure again.
    QActionEvent changed(QEvent::ActionChanged, infoItem_);
    QCoreApplication::sendEvent(panelMenu_.get(), &changed);
  }
  return rows;
}

void CommandMenus::setNotifyChecked(bool on) {
  // The switch as it was saved, not a choice to save again.
  const QSignalBlocker quiet(notifyItem_);
  notifyItem_->setChecked(on);
}

void CommandMenus::buildTrayWindowMenu() {
  trayWindowMenu_ = std::make_unique<QMenu>(localized("트레이에 표시", "Show in tray"));
  auto* group = new QActionGroup(this);
  group->setExclusive(true);
  const std::pair<TrayWindow, QString> choices[] = {
      {TrayWindow::session, localized("5시간 한도", "5-hour limit")},
      {TrayWindow::weekly, localized("7일 한도", "7-day limit")},
      {TrayWindow::highest, localized("가장 높은 한도", "Highest limit")},
  };
  for (const auto& [choice, text] : choices) {
    QAction* item = trayWindowMenu_->addAction(text);
    item->setCheckable(true);
    item->setChecked(choice == TrayWindow::session);
    item->setData(QString::fromUtf8(trayWindowName(choice).data(), qsizetype(trayWindowName(choice).size())));
    group->addAction(item);
    connect(item, &QAction::triggered, this, [this, choice = choice] { emit trayWindowChosen(choice); });
  }
  trayWindowItem_ = trayWindowMenu_->menuAction();
}

void CommandMenus::setTrayWindowChecked(TrayWindow choice) {
  for (QAction* item : trayWindowMenu_->actions())
    item->setChecked(item->data().toString().toStdString() == trayWindowName(choice));
}

void CommandMenus::setSupportVisible(bool visible) {
  supportItem_->setVisible(visible);
  supportSeparator_->setVisible(visible);
}

void CommandMenus::applyContextRows(const std::vector<std::string>& rows, bool hidden) {
  // Rows keep their actions while their count stays, so an open exported menu
  // only sees changed labels.
  while (textRows_.size() > rows.size()) {
    delete textRows_.back();
    textRows_.pop_back();
  }
  while (textRows_.size() < rows.size()) {
    auto* row = new QAction(this);
    // Enabled, so hosts draw the numbers at full strength; a click opens their history.
    connect(row, &QAction::triggered, this, &CommandMenus::historyChosen);
    contextMenu_->insertAction(textSeparator_, row);
    textRows_.push_back(row);
  }
  for (std::size_t i = 0; i < rows.size(); ++i) textRows_[i]->setText(QString::fromStdString(rows[i]));
  textSeparator_->setVisible(!hidden);
}
