#pragma once
// The two menus of the tray and the commands they share. The panel menu (a
// click on the icon) starts with the drawn panel; the context menu, which
// every tray host can show, carries the panel as rows of text. Both end with
// the same commands, which the panel window offers too. Each command is a
// signal; the controller decides what it does.

#include <memory>
#include <string>
#include <vector>

#include <QList>
#include <QObject>

#include "display/shown.hpp"
#include "display/tray_choice.hpp"

class InfoView;
class QAction;
class QMenu;
class QWidgetAction;

class CommandMenus : public QObject {
  Q_OBJECT
 public:
  explicit CommandMenus(QObject* parent = nullptr);
  ~CommandMenus() override;

  QMenu* panelMenu() const { return panelMenu_.get(); }
  QMenu* contextMenu() const { return contextMenu_.get(); }
  InfoView* infoView() const { return infoView_; }
  // What both menus and the panel window offer, in order.
  const QList<QAction*>& commands() const { return commands_; }

  // Draws `shown` into the panel and the context menu; returns the text rows
  // the context menu shows, which exported menus show too.
  std::vector<std::string> show(const Shown& shown, bool autostartOn, bool menuOpen);
  void setNotifyChecked(bool on);
  void setTrayWindowChecked(TrayWindow choice);
  void setSupportVisible(bool visible);

  QAction* notifyItem() const { return notifyItem_; }
  // "Show in tray": its submenu holds one radio item per choice.
  QAction* trayWindowItem() const { return trayWindowItem_; }
  QAction* updateItem() const { return updateItem_; }
  QAction* supportItem() const { return supportItem_; }
  QAction* supportSeparator() const { return supportSeparator_; }

 signals:
  // Either menu is about to show or has closed.
  void aboutToShow();
  void closed();
  void installChosen();
  void autostartChosen();
  void notifyToggled(bool on);
  void trayWindowChosen(TrayWindow choice);
  void updateChosen();
  void pageChosen();
  void historyChosen();
  void supportChosen();
  void quitChosen();

 private:
  void buildTrayWindowMenu();
  void applyContextRows(const std::vector<std::string>& rows, bool hidden);

  std::unique_ptr<QMenu> panelMenu_;
  std::unique_ptr<QMenu> contextMenu_;
  InfoView* infoView_ = nullptr;
  QWidgetAction* infoItem_ = nullptr;
  QAction* infoSeparator_ = nullptr;
  std::vector<QAction*> textRows_;
  QAction* textSeparator_ = nullptr;
  QAction* autostartItem_ = nullptr;
  QAction* notifyItem_ = nullptr;
  QAction* trayWindowItem_ = nullptr;
  std::unique_ptr<QMenu> trayWindowMenu_;
  QAction* updateItem_ = nullptr;
  QAction* supportItem_ = nullptr;
  QAction* supportSeparator_ = nullptr;
  QList<QAction*> commands_;
};
