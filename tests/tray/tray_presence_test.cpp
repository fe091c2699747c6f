// The tray over D-Bus as hosts see it: a stand-in watcher and a host on a
// private bus read the item and drive its menu.
#include <tuple>

#include <gtest/gtest.h>
#include <QAction>
#include <QActionGroup>
#include <QCursor>
#include <QDBusMessage>
#include <QDBusPendingCall>
#include <QDBusVirtualObject>
#include <QGuiApplication>
#include <QMenu>
#include <QScreen>
#include <QSystemTrayIcon>
#include <QtEndian>

#include "support/event_wait.hpp"
#include "support/private_bus.hpp"
#include "tray/dbus_menu.hpp"
#include "tray/label_host.hpp"
#include "tray/tray_presence.hpp"

// The signals a host receives, by name.
class SignalLog : public QObject {
  Q_OBJECT
 public:
  QMap<QString, QList<QList<QVariant>>> seen;
 public slots:
  void record(const QDBusMessage& m) { seen[m.member()].push_back(m.arguments()); }
};

namespace {

const QString itemInterface = "org.kde.StatusNotifierItem", menuInterface = "com.canonical.dbusmenu";

QString uniqueName(const char* role) {
  static int n = 0;
  return QString("%1-%2").arg(role).arg(++n);
}

// Records every RegisterStatusNotifierItem and lists the item, with a host,
// unless it drops it (the first `drops` times); leaving releases the name, as
// a panel that quits does.
struct StandInWatcher : QDBusVirtualObject {
  QDBusConnection bus;
  std::vector<QString> registered;
  int drops;
  QStringList listed;
  explicit StandInWatcher(const QString& address, int drops = 0)
      : bus(QDBusConnection::connectToBus(address, uniqueName("w"))), drops(drops) {
    bus.registerVirtualObject("/StatusNotifierWatcher", this);
    bus.registerService("org.kde.StatusNotifierWatcher");
  }
  ~StandInWatcher() override {
    bus.unregisterService("org.kde.StatusNotifierWatcher");
    bus.unregisterObject("/StatusNotifierWatcher");
  }
  QString introspect(const QString&) const override { return {}; }
  bool handleMessage(const QDBusMessage& m, const QDBusConnection& c) override {
    if (m.member() == "GetAll")
      return c.send(m.createReply(QVariant(
          QVariantMap{{"RegisteredStatusNotifierItems", listed}, {"IsStatusNotifierHostRegistered", true}})));
    if (m.member() != "RegisterStatusNotifierItem") return false;
    registered.push_back(m.arguments().value(0).toString());
    if (int(registered.size()) > drops) listed = QStringList{m.service() + "/StatusNotifierItem"};
    return c.send(m.createReply());
  }
};

struct TrayBus : ::testing::Test {
  PrivateBus bus;
  QDBusConnection host = QDBusConnection::connectToBus(bus.address, uniqueName("host"));
  QMenu menu;
  int xembedAsks = 0;
  std::string watcherProcess = "xfce4-panel";
  std::unique_ptr<StandInWatcher> watcher;
  std::unique_ptr<TrayPresence> tray;
  SignalLog log;
  TrayModel model{{0.42, "42", Tone::normal, Appearance::dark},
                  "42%",
                  "Quotalume 42%",
                  {"5-hour limit  42%", "resets in 2h"},
                  "5-hour limit 42%, resets in 2h"};

  void start() {
    ASSERT_FALSE(bus.address.isEmpty()) << "dbus-daemon did not start";
    TrayHooks hooks{QDBusConnection::connectToBus(bus.address, uniqueName("app")),
                    [this] { return ++xembedAsks, true; }, [this](unsigned) { return watcherProcess; }, "",
                    50};
    tray = std::make_unique<TrayPresence>(&menu, hooks);
    tray->show(model);
    for (const char* name : {"NewIcon", "NewToolTip", "XAyatanaNewLabel"})
      host.connect(tray->serviceName(), "/StatusNotifierItem", itemInterface, name, &log,
                   SLOT(record(QDBusMessage)));
    for (const char* name : {"LayoutUpdated", "ItemsPropertiesUpdated"})
      host.connect(tray->serviceName(), "/MenuBar", menuInterface, name, &log, SLOT(record(QDBusMessage)));
  }
  bool registeredWith(const StandInWatcher& w) {
    return waitUntil([&] { return !w.registered.empty() && w.registered.back() == tray->serviceName(); },
                     1000);
  }
  int fallbacks() const { return int(tray->findChildren<QSystemTrayIcon*>().size()); }

  // The item lives in this process, so every call waits on the event loop.
  QDBusMessage call(const QString& path, const QString& interface, const QString& method,
                    const QList<QVariant>& args = {}) {
    QDBusMessage m = QDBusMessage::createMethodCall(tray->serviceName(), path, interface, method);
    m.setArguments(args);
    QDBusPendingCall pending = host.asyncCall(m);
    waitUntil([&] { return pending.isFinished(); });
    return pending.reply();
  }
  static QVariant variantIn(const QDBusMessage& reply) {
    return reply.arguments().value(0).value<QDBusVariant>().variant();
  }
  QVariant property(const QString& name) {
    return variantIn(
        call("/StatusNotifierItem", "org.freedesktop.DBus.Properties", "Get", {itemInterface, name}));
  }
  template <typename T>
  T itemProperty(const QString& name) {
    return qdbus_cast<T>(property(name).value<QDBusArgument>());
  }
  // Hosts read the pixels as big-endian ARGB.
  static QByteArray pixelsOf(const TrayGlyph& glyph, int side) {
    const QImage image = renderTrayGlyph(glyph, side).convertToFormat(QImage::Format_ARGB32);
    QByteArray bytes(side * side * 4, 0);
    qToBigEndian<quint32>(image.constBits(), side * side, bytes.data());
    return bytes;
  }
};

TEST(LabelHost, OnlyGnomeShellDrawsTheLabel) {
  // The watcher's process decides, else the desktop; GNOME Flashback's panel hosts items but draws no labels.
  const std::tuple<const char*, const char*, bool> cases[] = {
      {"gnome-shell", "KDE", true},  {"xfce4-panel", "GNOME", false},
      {"plasmashell", "KDE", false}, {"gnome-panel", "GNOME-Flashback:GNOME", false},
      {"", "ubuntu:GNOME", true},    {"", "gnome", true},
      {"", "XFCE", false},           {"", "GNOME-Flashback:Unity", false},
  };
  for (const auto& [process, desktop, label] : cases)
    EXPECT_EQ(hostDrawsLabel(process, desktop), label) << process << " / " << desktop;
}

TEST(DBusMenuLabel, MnemonicsAndUnderscores) {
  EXPECT_EQ(dbusMenuLabel("&Quit, Tom && Jerry, snake_case, trailing &"),
            "_Quit, Tom & Jerry, snake__case, trailing &");
}

TEST_F(TrayBus, RegistersWhenAWatcherAppearsAndAgainWhenItsOwnerChanges) {
  start();
  tray->recheck();
  EXPECT_EQ(fallbacks(), 1) << "no watcher: the XEmbed icon stands in";
  EXPECT_TRUE(tray->attached());
  // Its right-click menu opens below the top bar the pointer is in (offscreen the icon has no place).
  menu.addAction("Quit Quotalume");
  QCursor::setPos(QGuiApplication::primaryScreen()->geometry().right() - 20, 8);
  emit tray->findChild<QSystemTrayIcon*>()->activated(QSystemTrayIcon::Context);
  EXPECT_GT(menu.isVisible() ? menu.geometry().top() : 0, 16);
  menu.hide();

  watcher = std::make_unique<StandInWatcher>(bus.address);
  ASSERT_TRUE(registeredWith(*watcher)) << "registered within a second of the watcher's arrival";
  EXPECT_EQ(fallbacks(), 0) << "never two icons";

  // The panel restarts as GNOME Shell, which shows the number as a label beside a plain glyph
  // and may drop the first registration: the app registers again.
  watcher.reset();
  watcherProcess = "gnome-shell";
  watcher = std::make_unique<StandInWatcher>(bus.address, 1);
  ASSERT_TRUE(waitUntil([&] { return watcher->listed.size() == 1; }, 1000));
  EXPECT_EQ(fallbacks(), 0);
  EXPECT_EQ(property("XAyatanaLabel"), "42%");
  TrayGlyph plain = model.glyph;
  plain.withNumber = false;
  EXPECT_TRUE(itemProperty<SniPixmaps>("IconPixmap")[1].pixels == pixelsOf(plain, trayIconSizes[1]));
  log.seen.clear();
  model.headline = "\u2013";
  tray->show(model);
  ASSERT_TRUE(waitUntil([&] { return log.seen.count("XAyatanaNewLabel"); }, 1000));
  EXPECT_EQ(log.seen["XAyatanaNewLabel"][0].value(0), "\u2013");

  watcher.reset();
  watcher = std::make_unique<StandInWatcher>(bus.address, 99);
  settle(600);
  EXPECT_EQ(watcher->registered.size(), 4u) << "a watcher that never keeps the item: three more tries";
}

TEST_F(TrayBus, ItemPropertiesAndTheirChangeSignals) {
  watcher = std::make_unique<StandInWatcher>(bus.address);
  start();
  ASSERT_TRUE(registeredWith(*watcher));
  tray->recheck();
  EXPECT_EQ(xembedAsks, 0) << "Qt's tray is not asked while a watcher is there";

  const std::pair<const char*, QVariant> plain[] = {
      {"ItemIsMenu", false},
      {"Menu", QVariant::fromValue(QDBusObjectPath("/MenuBar"))},
      {"IconAccessibleDesc", "5-hour limit 42%, resets in 2h"},
      {"XAyatanaLabel", ""},
      {"XAyatanaLabelGuide", "100%"}};
  for (const auto& [name, want] : plain) EXPECT_EQ(property(name), want) << name;
  const auto tip = itemProperty<SniToolTip>("ToolTip");
  EXPECT_EQ(tip.title + "|" + tip.description, "Quotalume 42%|5-hour limit  42%\nresets in 2h");
  const auto icon = itemProperty<SniPixmaps>("IconPixmap");
  ASSERT_EQ(icon.size(), qsizetype(std::size(trayIconSizes)));
  for (qsizetype i = 0; i < icon.size(); ++i) {
    EXPECT_EQ(icon[i].width, trayIconSizes[i]);
    EXPECT_TRUE(icon[i].pixels == pixelsOf(model.glyph, trayIconSizes[i])) << "size " << trayIconSizes[i];
  }

  // Left and middle clicks open the panel at the host's point, which comes in
  // device pixels (the tests run at QT_SCALE_FACTOR=2); a right click the menu.
  ASSERT_EQ(QGuiApplication::primaryScreen()->devicePixelRatio(), 2);
  std::vector<QPoint> clicks;
  QObject::connect(tray.get(), &TrayPresence::activatedAt, [&](int x, int y) { clicks.emplace_back(x, y); });
  call("/StatusNotifierItem", itemInterface, "Activate", {10, 20});
  call("/StatusNotifierItem", itemInterface, "SecondaryActivate", {30, 40});
  EXPECT_EQ(clicks, (std::vector<QPoint>{{5, 10}, {15, 20}}));
  call("/StatusNotifierItem", itemInterface, "ContextMenu", {0, 0});
  EXPECT_TRUE(menu.isVisible());
  const QRect opened = menu.geometry();
  call("/StatusNotifierItem", itemInterface, "ContextMenu", {700, 500});
  EXPECT_EQ(menu.geometry(), opened) << "a second request while it is open changes nothing";
  menu.hide();

  const std::tuple<const char*, std::function<void(TrayModel&)>, QStringList> changes[] = {
      {"nothing", [](TrayModel&) {}, {}},
      {"the tooltip", [](TrayModel& m) { m.toolTip = "Quotalume 43%"; }, {"NewToolTip"}},
      {"a row", [](TrayModel& m) { m.rows.push_back("Max 5x"); }, {"NewToolTip"}},
      {"the number", [](TrayModel& m) { m.glyph.number = "43"; }, {"NewIcon"}},
      {"the headline alone: no label here", [](TrayModel& m) { m.headline = "44%"; }, {}}};
  settle(50);
  for (const auto& [name, edit, signals_] : changes) {
    log.seen.clear();
    edit(model);
    tray->show(model);
    settle(100);
    EXPECT_EQ(log.seen.keys(), signals_) << name;
  }
}

// "Show in tray": a submenu of radio items, as hosts draw them, toggled by a
// host's click and read back.
TEST_F(TrayBus, ASubmenuOfRadioItemsIsExportedAndFollowsItsChecks) {
  QMenu choices("Show in tray");
  QActionGroup group(&choices);
  for (const char* text : {"5-hour limit", "7-day limit", "Highest limit"})
    group.addAction(choices.addAction(text))->setCheckable(true);
  choices.actions()[0]->setChecked(true);
  menu.addAction(choices.menuAction());
  start();
  const auto layout = [&](int id, int depth) {
    return qdbus_cast<MenuLayoutItem>(
        call("/MenuBar", menuInterface, "GetLayout", {id, depth, QStringList()}).arguments().value(1));
  };
  const auto states = [&](const MenuLayoutItem& submenu) {
    QList<QVariant> all;
    for (const MenuLayoutItem& item : submenu.children)
      all << item.properties.value("toggle-type") << item.properties.value("toggle-state");
    return all;
  };
  const MenuLayoutItem submenu = layout(0, -1).children.value(0);
  EXPECT_EQ(std::pair(submenu.properties.value("label"), submenu.properties.value("children-display")),
            std::pair(QVariant("Show in tray"), QVariant("submenu")));
  EXPECT_EQ(states(submenu), (QList<QVariant>{"radio", 1, "radio", 0, "radio", 0}));
  ASSERT_EQ(layout(submenu.id, 1).children.size(), 3) << "a submenu on its own, as a host opens it";

  call("/MenuBar", menuInterface, "Event",
       {submenu.children[1].id, "clicked", QVariant::fromValue(QDBusVariant(0)), 0u});
  ASSERT_TRUE(waitUntil([&] { return log.seen.count("ItemsPropertiesUpdated"); }, 1000));
  EXPECT_TRUE(choices.actions()[1]->isChecked());
  EXPECT_EQ(states(layout(submenu.id, 1)), (QList<QVariant>{"radio", 0, "radio", 1, "radio", 0}));
}

TEST_F(TrayBus, MenuLayoutEventsAndOpening) {
  QAction* row = menu.addAction("5-hour limit  42%");
  row->setEnabled(false);
  menu.addSeparator();
  QAction* login = menu.addAction("Open at login");
  login->setCheckable(true);
  int ran = 0;
  QObject::connect(login, &QAction::triggered, [&] { ++ran; });
  QAction* support = menu.addAction("Support This App\u2026");
  support->setVisible(false);
  QObject::connect(support, &QAction::triggered, [&] { ran += 10; });
  QAction* quit = menu.addAction("Quit Quotalume");
  quit->setShortcut(QKeySequence("Ctrl+Q"));
  start();

  const QDBusMessage reply = call("/MenuBar", menuInterface, "GetLayout", {0, -1, QStringList()});
  ASSERT_EQ(reply.type(), QDBusMessage::ReplyMessage) << reply.errorMessage().toStdString();
  const auto layout = qdbus_cast<MenuLayoutItem>(reply.arguments().value(1));
  ASSERT_EQ(layout.children.size(), 5);
  const auto prop = [&](int i, const char* name) { return layout.children[i].properties[name]; };
  EXPECT_EQ(prop(0, "label"), "5-hour limit  42%");
  EXPECT_EQ(prop(0, "enabled"), false);
  EXPECT_EQ(prop(1, "type"), "separator");
  EXPECT_EQ(prop(2, "toggle-type"), "checkmark");
  EXPECT_EQ(prop(2, "toggle-state"), 0);
  EXPECT_EQ(prop(3, "visible"), false);
  EXPECT_EQ(qdbus_cast<QList<QStringList>>(prop(4, "shortcut").value<QDBusArgument>()),
            (QList<QStringList>{{"Control", "q"}}));

  const int loginId = layout.children[2].id;
  for (const int id : {layout.children[3].id, loginId})  // a hidden row does not run
    call("/MenuBar", menuInterface, "Event", {id, "clicked", QVariant::fromValue(QDBusVariant(0)), 0u});
  ASSERT_TRUE(waitUntil([&] { return log.seen.count("ItemsPropertiesUpdated"); }, 1000));
  EXPECT_EQ(ran, 1);
  EXPECT_TRUE(login->isChecked());
  const auto updated = qdbus_cast<MenuItemPropertiesList>(log.seen["ItemsPropertiesUpdated"][0].value(0));
  ASSERT_EQ(updated.size(), 1);
  EXPECT_EQ(std::pair(updated[0].id, updated[0].properties),
            std::pair(loginId, QVariantMap{{"toggle-state", 1}}));

  // Opening refreshes the rows, as the controller does, and tells the host to fetch them.
  int opened = 0, closed = 0;
  QObject::connect(tray.get(), &TrayPresence::menuOpening, [&] {
    ++opened;
    row->setText("5-hour limit  43%");
  });
  QObject::connect(tray.get(), &TrayPresence::menuClosed, [&] { ++closed; });
  EXPECT_EQ(call("/MenuBar", menuInterface, "AboutToShow", {0}).arguments().value(0), true);
  call("/MenuBar", menuInterface, "Event", {0, "opened", QVariant::fromValue(QDBusVariant(0)), 0u});
  call("/MenuBar", menuInterface, "AboutToShow", {0});
  EXPECT_EQ(opened, 1) << "asking again while it is open is nothing";
  call("/MenuBar", menuInterface, "Event", {0, "closed", QVariant::fromValue(QDBusVariant(0)), 0u});
  EXPECT_EQ(closed, 1);
  const QDBusMessage group =
      call("/MenuBar", menuInterface, "AboutToShowGroup", {QVariant::fromValue(QList<int>{0, 999})});
  EXPECT_EQ(qdbus_cast<QList<int>>(group.arguments().value(1)), QList<int>{999}) << "unknown ids come back";
  EXPECT_EQ(opened, 2);
  settle(1100);
  call("/MenuBar", menuInterface, "AboutToShow", {0});
  EXPECT_EQ(opened, 3) << "a second on it is a new opening: XFCE's panel never says closed";
  EXPECT_EQ(variantIn(call("/MenuBar", menuInterface, "GetProperty", {loginId, "toggle-state"})), 1);

  // A kept row that changes as rows are added: hosts that cache items learn
  // it only from ItemsPropertiesUpdated.
  log.seen.clear();
  menu.insertAction(login, new QAction("7-day limit  18%", &menu));
  row->setText("5-hour limit  44%");
  ASSERT_TRUE(waitUntil([&] { return log.seen.count("LayoutUpdated"); }, 1000));
  EXPECT_GT(log.seen["LayoutUpdated"][0].value(0).toUInt(), reply.arguments().value(0).toUInt());
  const auto kept = qdbus_cast<MenuItemPropertiesList>(log.seen["ItemsPropertiesUpdated"].value(0).value(0));
  EXPECT_EQ(std::pair(kept.value(0).id, kept.value(0).properties),
            std::pair(layout.children[0].id, QVariantMap{{"label", "5-hour limit  44%"}}));

  // Every call is answered: an unknown item or property, a separator's label, too many names or events.
  const std::pair<const char*, QList<QVariant>> refused[] = {
      {"GetProperty", {424242, "label"}},
      {"GetProperty", {layout.children[1].id, "label"}},
      {"GetProperty", {0, "nonexistent"}},
      {"GetLayout", {0, -1, QStringList(300, "label")}},
      {"EventGroup", {QVariant::fromValue(MenuEvents(300, MenuEvent{0, "opened", QDBusVariant(0), 0}))}}};
  for (const auto& [method, args] : refused)
    EXPECT_EQ(call("/MenuBar", menuInterface, method, args).errorName(),
              "org.freedesktop.DBus.Error.InvalidArgs")
        << method << " " << args.value(0).toInt();
}

}  // namespace

#include "tray_presence_test.moc"
