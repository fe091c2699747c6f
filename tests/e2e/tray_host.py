#!/usr/bin/env python3
"""The real app in real tray hosts, each with its own X server or headless
compositor and session bus, checked over D-Bus or X and photographed into
$QUOTALUME_SCREENSHOTS/<host>/."""

import collections
import functools
import glob
import os
import re
import signal
import subprocess
import time

import e2e_support as e2e
from e2e_support import content_box, convert

HERE = os.path.dirname(os.path.abspath(__file__))
WATCHER = ("org.kde.StatusNotifierWatcher", "/StatusNotifierWatcher")
ITEM_INTERFACE = "org.kde.StatusNotifierItem"
SCREEN = (800, 600)
COMMANDS = ["Install the browser extension…", "Open at login", "Check for updates…",
            "Quotalume website", "Quit Quotalume"]
ROWS = {"5-hour limit  42%", "7-day limit  18%", "Max 5x · updated just now"}
# What a screen reader finds over the accessibility bus: the apps, and below them kids(node).
ATSPI = """
import warnings
warnings.simplefilter("ignore")
import gi
gi.require_version("Atspi", "2.0")
from gi.repository import Atspi
def kids(node):
    return [node.get_child_at_index(i) for i in range(node.get_child_count())]
apps = kids(Atspi.get_desktop(0))
"""
# The panel window's rows: role, name, key binding, focus.
ATSPI_ROWS = """
app = [a for a in apps if a.get_name() == "Quotalume"][0]
window = [w for w in kids(app) if w.get_state_set().contains(Atspi.StateType.SHOWING)][0]
for row in kids(window):
    action = row.get_action_iface()
    keys = action.get_key_binding(0) if action and action.get_n_actions() else ""
    print(row.get_role_name(), row.get_name(), keys,
          "focused" if row.get_state_set().contains(Atspi.StateType.FOCUSED) else "", sep="|")
"""


def items(text):
    """{id: {property: value}} of the (id, {…}) items in gdbus text, values as gdbus writes them
    (strings quoted with ", when holding a ', else with ')."""
    value = r"""((?:[^<>'"]|'[^']*'|"(?:\\.|[^"\\])*")*)"""
    return {i: dict(re.findall(r"'([\w-]+)': <" + value + ">", props))
            for i, props in re.findall(r"\((\d+), \{([^{}]*)\}", text)}


def labels(found):
    return [p["label"][1:-1].replace("&", "") for p in found.values()
            if "label" in p and p.get("visible") != "false"]


def xfce_panel(t):
    dark = "true" if t.host.name.endswith("dark") else "false"
    xml = e2e.read(f"{HERE}/tray_host/xfce4-panel.xml").replace("@DARK@", dark)
    e2e.write(f"{t.box.config}/xfce4/xfconf/xfce-perchannel-xml/xfce4-panel.xml", xml)
    t.box.spawn([e2e.need("xfce4-panel"), "--disable-wm-check"])
    t.wait_watcher()


def trayer(t):
    # 16 px high, which gives the icon a 14 px window: too small for two digits.
    t.box.spawn([e2e.need("trayer"), "--edge", "top", "--align", "right", "--widthtype", "request",
                 "--height", "16", "--SetDockType", "true", "--transparent", "false"])
    e2e.wait_for("trayer's window", lambda: t.box.run(
        "xdotool", "search", "--onlyvisible", "--class", "trayer")[0] == 0, 20, 0.1)


def waybar(t):
    # The tray and a module that runs `--status --follow`, as docs/bars.md sets it up.
    config = f"{t.box.home}/.config/waybar"
    e2e.write(f"{config}/config", e2e.read(f"{HERE}/tray_host/waybar.json").replace(
        "@QUOTALUME@", os.environ["QUOTALUME_BIN"]))
    e2e.write(f"{config}/style.css", e2e.read(f"{HERE}/tray_host/waybar.css"))
    t.box.spawn([e2e.need("waybar")])
    t.wait_watcher()


def gnome_shell(t):
    # The shell's own extension list, in a settings file private to the check.
    keyfile = e2e.read(f"{HERE}/tray_host/gnome-shell.keyfile")
    bare = t.host.click == "relaunch"  # without the extension: no tray at all
    if bare:
        keyfile = re.sub(r"enabled-extensions=.*", "enabled-extensions=@as []", keyfile)
    e2e.write(f"{t.box.config}/glib-2.0/settings/keyfile", keyfile)
    # Without logind the shell needs a system bus of its own to ask, and must
    # not find the host's seats, or it waits for a session that never comes.
    t.box.extra["DBUS_SYSTEM_BUS_ADDRESS"] = t.bus()
    hide_seats = "[ -d /run/systemd/seats ] && mount -t tmpfs none /run/systemd/seats; exec \"$@\""
    t.box.spawn(["unshare", "-m", "sh", "-c", hide_seats, "sh", e2e.need("gnome-shell"), "--x11",
                 "--replace"], {"GSETTINGS_BACKEND": "keyfile"})
    t.wait_desktop(watcher=not bare)
    # The shell opens in the overview; the desktop is what a user returns to.
    t.box.run("xdotool", "key", "Escape")


def plasma(t):
    t.box.spawn([e2e.need("kded5")])
    # kded loads the tray's watcher only when a session manager says the
    # session started; there is none here, so ask for it.
    e2e.wait_for("kded", lambda: t.call("org.kde.kded5", "/kded", "org.kde.kded5.loadModule",
                                        "statusnotifierwatcher"), 30, 0.2)
    t.box.spawn([e2e.need("plasmashell"), "--no-respawn"], {"QT_QPA_PLATFORM": "xcb"})
    t.wait_desktop()


# bar: where the host's bar sits (w, h, x, y), for finding the icon in it;
# click: the TrayHost method that clicks the icon and checks what opens;
# label: what XAyatanaLabel holds (only GNOME's extension draws it; elsewhere
# the number stays in the icon);
# user: who runs the desktop when the harness is root (sway refuses root).
Host = collections.namedtuple("Host", "name panel bar click label xembed wayland user seconds",
                              defaults=("popup", "<''>", False, False, None, 120))
HOSTS = {h.name: h for h in [
    Host("xfce-dark", xfce_panel, (SCREEN[0], 32, 0, 0)),
    Host("xfce-light", xfce_panel, (SCREEN[0], 32, 0, 0)),
    Host("trayer", trayer, (SCREEN[0], 16, 0, 0), xembed=True),
    Host("sway-waybar", waybar, (SCREEN[0], 30, 0, 0), "activate", wayland=True, user="nobody:nogroup"),
    # Only the part of the top bar between the clock and the system menu.
    Host("gnome-shell", gnome_shell, (290, 32, 470, 0), "shell_menu", "'42%'", seconds=240),
    # The tray part of the bottom panel, below its top edge line, without the clock.
    Host("kde-plasma", plasma, (120, 40, 420, SCREEN[1] - 40), seconds=240),
    # No tray host at all, as on GNOME without its extension, and GNOME itself without it.
    Host("no-tray", None, (SCREEN[0], 0, 0, 0), "relaunch", seconds=60),
    Host("gnome-shell-bare", gnome_shell, (SCREEN[0], 32, 0, 0), "relaunch", seconds=240),
]}


class TrayHost(e2e.Case):
    def reported(self, *cmd):
        """Starts cmd with a pipe it writes one line to, and returns that line."""
        read, write = os.pipe()
        self.box.spawn([a.replace("FD", str(write)) for a in cmd], pass_fds=(write,))
        os.close(write)
        with os.fdopen(read) as f:
            return f.readline().strip() or self.fail(f"{cmd[0]} reported nothing")

    def bus(self):
        return self.reported(e2e.need("dbus-daemon"), "--session", "--nofork", "--print-address=FD")

    def call(self, dest, path, method, *args):
        code, out = self.box.run("gdbus", "call", "--session", "--dest", dest,
                                 "--object-path", path, "--method", method, "--", *args)
        return out if code == 0 else None

    def prop(self, dest, path, interface, name):
        return self.call(dest, path, "org.freedesktop.DBus.Properties.Get", interface, name) or ""

    def wait_watcher(self, seconds=30):
        self.assertEqual(self.box.run("gdbus", "wait", "--session", "--timeout", str(seconds),
                                      WATCHER[0], seconds=seconds + 5)[0], 0, "no watcher")

    def wait_desktop(self, watcher=True):
        if watcher:
            self.wait_watcher(90)
        e2e.wait_for("the desktop to paint", lambda: self.box.run(
            "convert", "x:root", "-format", "%k", "info:")[1].strip() not in ("", "1"), 60, 0.5)

    def screenshot(self, name, crop=None, settle=0):
        """The whole screen settle s from now, or its crop "WxH+X+Y", as <host>/<name>."""
        time.sleep(settle)
        raw, path = os.path.join(self.box.root, name), os.path.join(self.shots, name)
        grab = ["grim"] if self.host.wayland else ["import", "-window", "root"]
        code, out = self.box.run(e2e.need(grab[0]), *grab[1:], raw)
        self.assertEqual(code, 0, f"screenshot failed: {out}")
        convert(raw, *(["-crop", crop, "+repage"] if crop else []), path, check=True)
        return path

    def registered_item(self, seconds=20, what="the app's StatusNotifierItem"):
        # "service/path", or "service@/path" as GNOME's extension lists it.
        item = e2e.wait_for(what, lambda: re.search(r"'([^'/@]+)@?(/[^']*)?'", self.prop(
            *WATCHER, WATCHER[0], "RegisteredStatusNotifierItems")), seconds, 0.1)
        return item.group(1), item.group(2) or "/StatusNotifierItem"

    def check_item(self):
        item = self.registered_item()
        prop = functools.partial(self.prop, *item, ITEM_INTERFACE)
        e2e.wait_for("the headline in the tooltip", lambda: "Quotalume 42%" in prop("ToolTip"), 5)
        for name, want in (("IconAccessibleDesc", "42%"), ("XAyatanaLabel", self.host.label)):
            self.assertIn(want, prop(name), name)

        found = self.menu(item)[1]
        shown = labels(found)
        self.assertLessEqual(ROWS, set(shown), shown)
        # Enabled, so hosts draw the numbers at full strength rather than greyed.
        greyed = labels({i: p for i, p in found.items() if p.get("enabled") == "false"})
        self.assertEqual(ROWS & set(greyed), set(), "reading rows sent disabled")
        self.assertEqual([t for t in shown if t in COMMANDS], COMMANDS)
        return item

    def menu(self, item):
        """The path of the item's exported menu and its items, submenus' included."""
        path = re.search(r"objectpath '([^']+)'", self.prop(*item, ITEM_INTERFACE, "Menu"))
        self.assertIsNotNone(path, "the item exports no menu")
        return path.group(1), items(self.call(item[0], path.group(1), "com.canonical.dbusmenu.GetLayout",
                                              "0", "-1", "@as []") or "")

    def check_docked(self):
        """An XEmbed icon is a window of the app's inside the tray's window."""
        def docked():
            tree = self.box.run("xwininfo", "-root", "-tree")[1]
            # A window's children are the lines below it that are indented deeper.
            return any('("quotalume"' in m.group(2) for m in re.finditer(
                r'^( *)\S.*"trayer"\).*\n((?:\1 .*\n)*)', tree, re.M))
        e2e.wait_for("the icon docked in trayer", docked, 20, 0.2)

    def app_window(self, taller_than=0):
        """The geometry [x, y, w, h] of the app's last mapped window taller than that, if any."""
        out = self.box.run("xdotool", "search", "--onlyvisible", "--class", "quotalume",
                           "getwindowgeometry", "--shell", "%@")[1]
        tall = [[int(v) for v in g] for g in re.findall(
            r"^X=(\d+)\nY=(\d+)\nWIDTH=(\d+)\nHEIGHT=(\d+)$", out, re.M) if int(g[3]) > taller_than]
        return tall[-1] if tall else None

    def popup(self, icon, item, button=1):
        """Clicks the icon and checks what opens beside it, off the bar: the drawn panel, or on
        button 3 the menu of an XEmbed icon."""
        (x, y), (_, bar_h, _, bar_top) = icon, self.host.bar
        self.box.run("xdotool", "mousemove", str(x), str(y), "click", str(button))
        px, py, pw, ph = e2e.wait_for(f"a click at {icon}", lambda: self.app_window(bar_h), 10, 0.2)
        self.assertTrue(py >= bar_top + bar_h or py + ph <= bar_top, f"the panel at y={py}..{py + ph} "
                        f"overlaps the bar at y={bar_top}..{bar_top + bar_h}")
        # The popup with the bar it hangs from, and little else.
        left, right = max(0, min(px, x - 40) - 8), min(SCREEN[0], px + pw + 8)
        top, bottom = max(0, min(py, bar_top) - 8), min(SCREEN[1], max(py + ph, bar_top + bar_h) + 8)
        shot = self.screenshot("menu.png" if button == 3 else "popup.png",
                               f"{right - left}x{bottom - top}+{left}+{top}", settle=0.5)
        # A window narrower than what it holds cuts the numbers and bars at
        # its right edge; a fitting one leaves a plain margin there.
        margin = f"3x{ph // 3}+{px + pw - 5 - left}+{py + 3 - top}"
        self.assertEqual(convert(shot, "-crop", margin, "+repage", "-format", "%k", "info:"), "1",
                         "the popup's right margin is not plain")

    def icon_in_bar(self):
        time.sleep(1)  # lets the host draw the icon with the reading
        w, h, x, y = e2e.wait_for("the icon in the bar", lambda: content_box(
            self.screenshot("screen.png"), self.host.bar), 15, 0.5)
        self.screenshot("bar.png", "{}x{}+{}+{}".format(*self.host.bar))
        if self.host.xembed:  # 14 px, where the icon is the gauge alone below the limit
            self.assertLessEqual(min(w, h), 16, f"the icon is {w}x{h}, not the small one")
        # The app's icon is the first in the strip; the host may have more after it.
        return x + min(w, h) // 2, y + h // 2

    def activate(self, icon, item):
        # Headless sway has no pointer; the host's click is this call.
        self.call(*item, f"{ITEM_INTERFACE}.Activate", *map(str, icon))
        self.screenshot("popup.png", settle=1.5)
        tree = self.box.run("swaymsg", "-t", "get_tree", "-s",
                            *glob.glob(f"{self.box.runtime}/sway-ipc.*"))[1]
        self.assertIn('"floating_con"', tree, "the panel window does not float")

    def shell_menu(self, icon, item):
        # The extension opens the item's menu itself, on either button.
        self.box.run("xdotool", "mousemove", *map(str, icon), "click", "1")
        self.screenshot("menu.png", f"400x430+{SCREEN[0] - 400}+0", settle=1.5)
        errors = re.findall(r".*(?:JS ERROR|TypeError).*", e2e.read(f"{self.box.root}/unshare.log"))
        self.assertEqual(errors, [], "the shell logs a script error for the item")

    def relaunch(self, app):
        """Where nothing shows the icon, starting the app again is the way back, and a screen
        reader is the other way in."""
        self.assertIsNone(self.app_window(), "a window before the second start")
        self.assertEqual(self.box.start().wait(timeout=e2e.START_SECONDS), 0)
        self.assertIsNone(app.poll(), "the running copy ended")
        self.assertEqual(self.box.log().count("already running, quitting this copy"), 1,
                         self.box.log())
        _, _, w, h = e2e.wait_for("the running copy's panel window", self.app_window, 10, 0.2)
        self.screenshot("relaunch.png", settle=0.5)
        # The panel with its reading above the commands, not an empty frame.
        self.assertTrue(w > 200 and h > 200, f"a {w}x{h} window cannot hold the panel")

        def rows():
            code, out = self.box.run("/usr/bin/python3", "-c", ATSPI + ATSPI_ROWS)
            self.assertEqual(code, 0, out)
            return [line.split("|") for line in out.splitlines() if "|" in line]
        read = rows()
        self.assertEqual([r[0] for r in read[1:]], ["separator", "menu item", "check box", "check box"]
                         + ["menu item"] * 4 + ["separator", "menu item"], read)
        self.assertIn(["menu item", "Quit Quotalume", "Ctrl+Q", ""], read)
        self.assertNotIn("Support This App…", [r[1] for r in read])
        focused = lambda: [r[1] for r in rows() if r[3] == "focused"]
        self.assertEqual(focused(), ["Install the browser extension…"])
        for key, name in (("Down", "Open at login"), ("Tab", "Notify near limits"), ("Up", "Open at login"),
                          ("shift+Tab", "Install the browser extension…"), ("Up", "Quit Quotalume")):
            self.box.run("xdotool", "key", key)
            e2e.wait_for(f"{name} focused after {key}", lambda: focused() == [name], 5, 0.2)
        self.box.run("xdotool", "key", "Escape")
        e2e.wait_for("Escape to close the panel window", lambda: self.app_window() is None, 5, 0.2)

    def check_host(self, name):
        host = self.host = HOSTS[name]
        signal.signal(signal.SIGALRM, lambda *_: self.fail(f"{name} took over {host.seconds} s"))
        signal.alarm(host.seconds)
        self.addCleanup(signal.alarm, 0)
        self.shots = os.path.join(os.environ.get("QUOTALUME_SCREENSHOTS", "screenshots"), name)
        os.makedirs(self.shots, exist_ok=True)
        if host.user and os.geteuid() == 0:
            # The files the harness writes there later stay readable to the account.
            subprocess.run(["chown", "-R", host.user, self.box.root], check=True)
            uid, gid = host.user.split(":")
            self.box.prefix = ["setpriv", "--reuid", uid, "--regid", gid, "--clear-groups", "--"]
        if host.wayland:
            config = f"{self.box.home}/sway.conf"
            e2e.write(config, "xwayland disable\noutput HEADLESS-1 resolution %dx%d\n" % SCREEN)
            self.box.spawn([e2e.need("sway"), "-c", config],
                           {"WLR_BACKENDS": "headless", "WLR_LIBINPUT_NO_DEVICES": "1"})
            self.box.extra["WAYLAND_DISPLAY"] = e2e.wait_for("sway's Wayland socket", lambda:
                glob.glob("wayland-[0-9]", root_dir=self.box.runtime), 20, 0.1)[0]
        else:
            self.box.extra["DISPLAY"] = ":" + self.reported(
                e2e.need("Xvfb"), "-displayfd", "FD", "-screen", "0", "%dx%dx24" % SCREEN,
                "-nolisten", "tcp", "-noreset")
        self.box.extra["DBUS_SESSION_BUS_ADDRESS"] = self.bus()
        if host.panel:
            host.panel(self)
        if host.click == "relaunch":  # screen readers are the other way in, and are checked here
            self.box.spawn(["/usr/libexec/at-spi-bus-launcher", "--launch-immediately"])
            self.box.extra["QT_LINUX_ACCESSIBILITY_ALWAYS_ON"] = "1"
        self.box.extra["QT_QPA_PLATFORM"] = "wayland" if host.wayland else "xcb"  # every copy's display
        app = self.box.start()
        self.box.post_ok()
        if host.click == "relaunch":
            return self.relaunch(app)
        item = self.check_docked() if host.xembed else self.check_item()
        icon = self.icon_in_bar()
        getattr(self, host.click)(icon, item)
        self.box.run("xdotool", "key", "Escape")
        time.sleep(0.5)
        if host.xembed:  # its right-click menu opens as the panel does
            self.popup(icon, item, 3)
        elif host.click == "popup":  # the host draws the exported menu, reading rows first
            self.box.run("xdotool", "mousemove", *map(str, icon), "click", "3")
            self.screenshot("host-menu.png", settle=1.5)
            self.box.run("xdotool", "key", "Escape")


for _name in HOSTS:
    setattr(TrayHost, "test_" + _name.replace("-", "_"), lambda self, name=_name: self.check_host(name))


if __name__ == "__main__":
    e2e.main(TrayHost)
