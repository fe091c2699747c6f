#pragma once
// Opens the drawn panel with the commands: as the panel menu beside the tray
// icon on X11, or as the panel window where a menu cannot be placed (Wayland)
// or no tray shows the icon.

#include <optional>

#include <QByteArray>
#include <QList>
#include <QObject>
#include <QPointer>
#include <QRect>

#include "display/shown.hpp"
#include "views/appearance.hpp"

class InfoView;
class PanelWindow;
class QAction;
class QMenu;

class PanelOpener : public QObject {
  Q_OBJECT
 public:
  // `menu` is the panel menu, `view` its panel; the window gets `commands`.
  PanelOpener(QMenu* menu, InfoView* view, QList<QAction*> commands, QObject* parent = nullptr);
  ~PanelOpener() override;

  // The panel beside the icon at `anchor` (global coordinates; an invalid
  // rectangle when the host did not say: then where the icon was last).
  void showBesideIcon(const QRect& anchor);
  // What a second start asks for: the panel beside the icon, as a click on
  // it opens it, or where no tray shows the icon the panel window. Before
  // any click, the icon is at `iconPlace` when the tray says (XEmbed), else
  // at the end of the bar. The launcher's token is for the window it shows.
  void activate(bool trayShown, const QRect& iconPlace, const std::optional<QByteArray>& launchToken);
  void showWindow(const std::optional<QByteArray>& launchToken = std::nullopt);
  // Redraws an open window with `shown`.
  void update(const Shown& shown);
  void setAppearance(Appearance appearance);

  PanelWindow* window() const;

 signals:
  void windowOpened();
  void windowClosed();

 private:
  QMenu* menu_;
  InfoView* view_;
  QList<QAction*> commands_;
  QPointer<PanelWindow> window_;
  // Where the icon was last clicked, for opening the panel there again.
  QRect lastAnchor_;
};
