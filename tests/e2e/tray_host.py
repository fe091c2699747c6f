#!/usr/bin/env python3
"""The real app in real tray hosts, each private to one check: its own X server
or headless compositor, session bus and network namespace. Each host gets a
reading, is checked over D-Bus (StatusNotifierItem hosts) or X (XEmbed), and
is photographed into $QUOTALUME_SCREENSHOTS/<host>/ (default: ./screenshots).

Name checks to run only those (`tray_host.py TrayHost.test_trayer`); without
names every host runs. Every check is fatal; QUOTALUME_TRAY_STRICT=0 only
reports the ones a host may lack (the label, the accessible description, the
panel's placement), for trying an older build."""

import collections
import ctypes
import os
import pwd
import re
import shutil
import signal
import subprocess
import sys
import time
import unittest

import e2e_support as e2e

HERE = os.path.dirname(os.path.abspath(__file__))
WATCHER = ("org.kde.StatusNotifierWatcher", "/StatusNotifierWatcher")
ITEM_INTERFACE = "org.kde.StatusNotifierItem"
SCREEN = (800, 600)
COMMANDS = ["Install the browser extension…", "Open at login", "Check for updates…",
            "Quotalume website", "Quit Quotalume"]
ROWS = ("5-hour limit  42%", "7-day limit  18%", "Max 5x · updated just now")
# sway refuses to run as root, so a Wayland desktop run by root uses this account.
UNPRIVILEGED = "nobody"
# A panel started after the app must show the icon this soon.
LATE_PANEL_SECONDS = 3
LATE_START_SECONDS = 5
STRICT = os.environ.get("QUOTALUME_TRAY_STRICT") != "0"


def need(tool):
    path = shutil.which(tool)
    if not path:
        raise unittest.SkipTest(f"{tool} is not installed")
    return path


def convert(*args, check=False):
    """ImageMagick's convert; its standard output."""
    return subprocess.run(["convert", *args], capture_output=True, text=True, check=check,
                          timeout=15).stdout.strip()


def write(path, text):
    os.makedirs(os.path.dirname(path), exist_ok=True)
    with open(path, "w") as f:
        f.write(text)


def descendants():
    """Our process tree; orphans land here too since the harness is a subreaper."""
    parents = {}
    for pid in filter(str.isdigit, os.listdir("/proc")):
        try:
            with open(f"/proc/{pid}/stat") as f:
                parents[int(pid)] = int(f.read().rpartition(")")[2].split()[1])
        except (OSError, ValueError, IndexError):
            pass
    found, frontier = set(), {os.getpid()}
    while frontier:
        frontier = {p for p, parent in parents.items() if parent in frontier} - found
        found |= frontier
    return found


def end_strays():
    """Ends whatever the hosts left behind: activated services, panel plugins."""
    for sig in (signal.SIGTERM, signal.SIGKILL):
        for pid in descendants():
            try:
                os.kill(pid, sig)
            except ProcessLookupError:
                pass
        deadline = time.monotonic() + 3
        while time.monotonic() < deadline:
            try:
                while os.waitpid(-1, os.WNOHANG)[0] > 0:
                    pass
            except ChildProcessError:
                pass
            if not descendants():
                return
            time.sleep(0.05)


class Desktop:
    """One display, one session bus and one panel, and the calls into them."""

    def __init__(self, box, name, user=None):
        self.box, self.name, self.procs, self.env, self.prefix = box, name, [], {}, []
        self.owner = None
        if user and os.geteuid() == 0:
            # The account needs the sandbox; root (the harness) reads it anyway.
            account = pwd.getpwnam(user)
            self.owner = (account.pw_uid, account.pw_gid)
            self.give(box.root)
            self.prefix = ["setpriv", f"--reuid={account.pw_uid}", f"--regid={account.pw_gid}",
                           "--clear-groups", "--"]
        self.shots = os.path.join(os.environ.get(
            "QUOTALUME_SCREENSHOTS", os.path.join(os.getcwd(), "screenshots")), name)
        os.makedirs(self.shots, exist_ok=True)

    def give(self, top):
        """Hands a folder of the sandbox to the desktop's account, if it has one."""
        if not self.owner:
            return
        os.chown(top, *self.owner)
        for folder, dirs, files in os.walk(top):
            for entry in dirs + files:
                os.chown(os.path.join(folder, entry), *self.owner)

    def spawn(self, cmd, extra=None, **kw):
        log = open(os.path.join(self.box.root, os.path.basename(cmd[0]) + ".log"), "ab")
        proc = subprocess.Popen(self.prefix + cmd, stdout=log, stderr=subprocess.STDOUT,
                                env=self.box.env({**self.env, **(extra or {})}), **kw)
        log.close()
        self.procs.append(proc)
        return proc

    def reported(self, cmd, what):
        """Starts cmd with a pipe it writes one line to, and returns that line."""
        read, write = os.pipe()
        self.spawn([a.replace("FD", str(write)) for a in cmd], pass_fds=(write,))
        os.close(write)
        with os.fdopen(read) as f:
            line = f.readline().strip()
        if not line:
            raise AssertionError(f"{cmd[0]} did not report {what}")
        return line

    def start_x(self):
        w, h = SCREEN
        number = self.reported([need("Xvfb"), "-displayfd", "FD", "-screen", "0", f"{w}x{h}x24",
                                "-nolisten", "tcp", "-noreset"], "a display")
        self.env["DISPLAY"] = f":{number}"

    def start_sway(self):
        config = os.path.join(self.box.home, "sway.conf")
        write(config, f"xwayland disable\noutput HEADLESS-1 resolution {SCREEN[0]}x{SCREEN[1]}\n")
        self.give(config)
        self.spawn([need("sway"), "-c", config],
                   {"WLR_BACKENDS": "headless", "WLR_LIBINPUT_NO_DEVICES": "1"})
        socket = e2e.wait_for("sway's Wayland socket", lambda: [
            n for n in os.listdir(self.box.runtime) if re.fullmatch(r"wayland-\d+", n)], 20, 0.1)
        self.env["WAYLAND_DISPLAY"] = socket[0]

    def bus(self):
        """Starts a bus daemon and returns its address."""
        return self.reported([need("dbus-daemon"), "--session", "--nofork", "--print-address=FD"],
                             "an address")

    def run(self, *cmd, seconds=15):
        done = subprocess.run(self.prefix + list(cmd), stdout=subprocess.PIPE,
                              stderr=subprocess.STDOUT, timeout=seconds,
                              env=self.box.env(self.env))
        return done.returncode, done.stdout.decode("utf-8", "replace")

    def call(self, dest, path, method, *args):
        code, out = self.run("gdbus", "call", "--session", "--dest", dest,
                             "--object-path", path, "--method", method, "--", *args)
        return out if code == 0 else None

    def prop(self, dest, path, interface, name):
        return self.call(dest, path, "org.freedesktop.DBus.Properties.Get", interface, name)

    def wait_watcher(self, seconds=30):
        e2e.wait_for("the panel's StatusNotifierWatcher", lambda: "true" in (self.call(
            "org.freedesktop.DBus", "/org/freedesktop/DBus", "org.freedesktop.DBus.NameHasOwner",
            WATCHER[0]) or ""), seconds, 0.1)

    def wait_painted(self, seconds=60):
        """Waits until the screen shows more than one colour."""
        e2e.wait_for("the desktop to paint", lambda: self.run(
            "convert", "x:root", "-format", "%k", "info:")[1].strip() not in ("", "1"), seconds, 0.5)

    def screenshot(self, name, crop=None):
        """The whole screen, or its crop "WxH+X+Y", as <host>/<name>."""
        path = os.path.join(self.shots, name)
        raw = os.path.join(self.box.root, name)
        if "WAYLAND_DISPLAY" in self.env:
            code, out = self.run(need("grim"), raw)
        else:
            code, out = self.run(need("import"), "-window", "root", raw)
        if code != 0:
            raise AssertionError(f"screenshot failed: {out}")
        convert(raw, *(["-crop", crop, "+repage"] if crop else []), path, check=True)
        return path

    def close(self):
        for proc in reversed(self.procs):
            e2e.end(proc, 5)


def labels(layout):
    """The visible labels of a com.canonical.dbusmenu layout in gdbus text."""
    found = []
    for props in re.findall(r"\{([^{}]*)\}", layout):
        # gdbus quotes with " when the text holds a '.
        label = re.search(r"""'label': <(['"])((?:\\.|(?!\1).)*)\1>""", props)
        if label and "'visible': <false>" not in props:
            found.append(label.group(2).replace("&", ""))
    return found


def content_box(image, strip):
    """The bounding box (w, h, x, y) in the bar strip of what differs from its colour."""
    w, h, x0, y0 = strip
    background = convert(image, "-format", f"%[pixel:p{{{x0 + 2},{y0 + h // 2}}}]", "info:")
    # A border in the bar's colour makes the corners background for the trim.
    out = convert(image, "-crop", f"{w}x{h}+{x0}+{y0}", "+repage", "-bordercolor", background,
                  "-border", "1", "-fuzz", "12%", "-format", "%@", "info:")
    match = re.fullmatch(r"(\d+)x(\d+)\+(\d+)\+(\d+)", out)
    if not match:
        raise AssertionError(f"cannot find the icon in {image}: {out}")
    bw, bh, bx, by = (int(v) for v in match.groups())
    return bw, bh, x0 + bx - 1, y0 + by - 1


# Panels. Each starts its host on a ready desktop and waits until it serves.

def xfce_panel(dark):
    def start(desktop):
        with open(os.path.join(HERE, "tray_host", "xfce4-panel.xml")) as f:
            xml = f.read().replace('"dark-mode" type="bool" value="false"',
                                   f'"dark-mode" type="bool" value="{str(dark).lower()}"')
        write(os.path.join(desktop.box.config, "xfce4", "xfconf", "xfce-perchannel-xml",
                           "xfce4-panel.xml"), xml)
        desktop.spawn([need("xfce4-panel"), "--disable-wm-check"])
        desktop.wait_watcher()
    return start


def trayer(desktop):
    desktop.spawn([need("trayer"), "--edge", "top", "--align", "right", "--widthtype", "request",
                   "--height", "32", "--SetDockType", "true", "--transparent", "false"])
    e2e.wait_for("trayer's window", lambda: desktop.run(
        "xdotool", "search", "--onlyvisible", "--class", "trayer")[0] == 0, 20, 0.1)


def waybar(desktop):
    with open(os.path.join(HERE, "tray_host", "waybar.json")) as f:
        write(os.path.join(desktop.box.home, ".config", "waybar", "config"), f.read())
    desktop.give(desktop.box.home)
    desktop.spawn([need("waybar")])
    desktop.wait_watcher()


def gnome_shell(desktop):
    # The shell's own extension list, in a settings file private to the check.
    write(os.path.join(desktop.box.config, "glib-2.0", "settings", "keyfile"),
          "[org/gnome/shell]\nenabled-extensions=['ubuntu-appindicators@ubuntu.com']\n"
          "welcome-dialog-last-shown-version='999'\n")
    # Without logind the shell needs a system bus of its own to ask, and must
    # not find the host's seats, or it waits for a session that never comes.
    desktop.env["DBUS_SYSTEM_BUS_ADDRESS"] = desktop.bus()
    hide_seats = "[ -d /run/systemd/seats ] && mount -t tmpfs none /run/systemd/seats; exec \"$@\""
    desktop.spawn(["unshare", "-m", "sh", "-c", hide_seats, "sh", need("gnome-shell"), "--x11",
                   "--replace"], {"GSETTINGS_BACKEND": "keyfile"})
    desktop.wait_watcher(90)
    desktop.wait_painted()
    # The shell opens in the overview; the desktop is what a user returns to.
    desktop.run("xdotool", "key", "Escape")


def plasma(desktop):
    desktop.spawn([need("kded5")])
    # kded loads the tray's watcher only when a session manager says the
    # session started; there is none here, so ask for it.
    e2e.wait_for("kded", lambda: desktop.call("org.kde.kded5", "/kded",
                                              "org.kde.kded5.loadModule", "statusnotifierwatcher"),
                 30, 0.2)
    desktop.spawn([need("plasmashell"), "--no-respawn"], {"QT_QPA_PLATFORM": "xcb"})
    desktop.wait_watcher(90)
    desktop.wait_painted()


# bar: where the host's bar sits (w, h, x, y), for finding the icon in it;
# click: the TrayHost method that clicks the icon and checks what opens.
Host = collections.namedtuple("Host", "name panel bar click xembed wayland user seconds",
                              defaults=("popup", False, False, None, 120))
HOSTS = {h.name: h for h in [
    Host("xfce-dark", xfce_panel(True), (SCREEN[0], 32, 0, 0)),
    Host("xfce-light", xfce_panel(False), (SCREEN[0], 32, 0, 0)),
    Host("trayer", trayer, (SCREEN[0], 32, 0, 0), xembed=True),
    Host("sway-waybar", waybar, (SCREEN[0], 30, 0, 0), "activate", wayland=True,
         user=UNPRIVILEGED),
    # Only the part of the top bar between the clock and the system menu.
    Host("gnome-shell", gnome_shell, (290, 32, 470, 0), "shell_menu", seconds=240),
    # The tray part of the bottom panel, below its top edge line, without the clock.
    Host("kde-plasma", plasma, (120, 40, 420, SCREEN[1] - 40), seconds=240),
]}
# Panels that start after the app: test_late_<key> runs the host.
LATE = {"xfce": "xfce-dark", "waybar": "sway-waybar"}


class TrayHost(unittest.TestCase):
    def setUp(self):
        self.box = e2e.Sandbox()
        self.addCleanup(self.box.close)
        self.addCleanup(end_strays)

    def note(self, what, ok, detail):
        """A check an older build may fail: always reported, fatal unless strictness is off."""
        line = f"[{self.host.name}] {what}: {'yes' if ok else 'NO'} ({detail})"
        print(line, file=sys.stderr)
        if STRICT:
            self.assertTrue(ok, line)

    def start(self, name, late=False):
        host = self.host = HOSTS[name]
        signal.signal(signal.SIGALRM, lambda *_: self.fail(f"{name} took over {host.seconds} s"))
        signal.alarm(host.seconds)
        self.addCleanup(signal.alarm, 0)
        desktop = self.desktop = Desktop(self.box, name + ("-late" if late else ""), host.user)
        self.addCleanup(desktop.close)
        if host.wayland:
            desktop.start_sway()
        else:
            desktop.start_x()
        desktop.env["DBUS_SESSION_BUS_ADDRESS"] = desktop.bus()
        if not late:
            host.panel(desktop)
        app_env = {**desktop.env, "QT_QPA_PLATFORM": "wayland" if host.wayland else "xcb"}
        self.box.start(extra_env=app_env, prefix=desktop.prefix)
        self.box.wait_listening()
        self.box.post_ok()
        if late:
            time.sleep(LATE_START_SECONDS)
            host.panel(desktop)
            started = time.monotonic()
            try:
                self.registered_item(LATE_PANEL_SECONDS)
            except AssertionError:
                raise AssertionError(
                    f"[{name}] panel started {LATE_START_SECONDS} s after the app: "
                    f"no item registered within {LATE_PANEL_SECONDS} s") from None
            print(f"[{name}] late panel: item registered "
                  f"{time.monotonic() - started:.1f} s after the panel", file=sys.stderr)

    def registered_item(self, seconds=20):
        def probe():
            out = self.desktop.prop(*WATCHER, WATCHER[0], "RegisteredStatusNotifierItems")
            items = re.findall(r"'([^']+)'", out or "")
            return items[0] if items else None
        item = e2e.wait_for("the app's StatusNotifierItem", probe, seconds, 0.1)
        # "service/path", or "service@/path" as GNOME's extension lists it.
        service, path = re.fullmatch(r"([^/@]+)@?(/.*)?", item).groups()
        return service, path or "/StatusNotifierItem"

    def check_item(self):
        """The item, its tooltip, icon and menu, as the host reads them."""
        desktop, item = self.desktop, self.registered_item()

        def prop(name):
            return desktop.prop(*item, ITEM_INTERFACE, name) or ""
        e2e.wait_for("the headline in the tooltip", lambda: "Quotalume 42%" in prop("ToolTip"), 5)
        pixmap = prop("IconPixmap")
        sizes = sorted({int(w) for w, h in re.findall(r"\((\d+), (\d+), \[", pixmap)})
        self.assertTrue(re.search(r"<'[^']+'>", prop("IconName")) or sizes,
                        f"no icon: {pixmap[:200]}")
        self.note("IconPixmap holds 24 and 32 px", {24, 32} <= set(sizes), f"sizes {sizes}")
        # Only GNOME's AppIndicator extension draws the label; elsewhere the
        # number stays in the icon and the label is empty.
        label = "'42%'" if self.host.name == "gnome-shell" else "<''>"
        for name, want in (("IconAccessibleDesc", "42%"), ("XAyatanaLabel", label)):
            value = prop(name)
            self.note(name, want in value, value.strip() or "absent")

        menu = re.search(r"objectpath '([^']+)'", prop("Menu"))
        self.assertIsNotNone(menu, "the item exports no menu")
        layout = desktop.call(item[0], menu.group(1), "com.canonical.dbusmenu.GetLayout",
                              "0", "-1", "@as []")
        shown = labels(layout or "")
        for row in ROWS:
            self.assertIn(row, shown)
        self.assertEqual([t for t in shown if t in COMMANDS], COMMANDS)
        return item

    def check_docked(self):
        """An XEmbed icon is a window of the app's inside the tray's window."""
        def docked():
            lines = self.desktop.run("xwininfo", "-root", "-tree")[1].splitlines()
            for i, line in enumerate(lines):
                if '"trayer")' in line:
                    depth = len(line) - len(line.lstrip())
                    for inner in lines[i + 1:]:
                        if len(inner) - len(inner.lstrip()) <= depth:
                            break
                        if '("quotalume"' in inner:
                            return True
            return False
        e2e.wait_for("the icon docked in trayer", docked, 20, 0.2)

    def popup(self, icon, item):
        """Left-clicks the icon and checks the drawn panel it opens."""
        desktop, bar = self.desktop, self.host.bar
        x, y = icon
        desktop.run("xdotool", "mousemove", str(x), str(y), "click", "1")

        def popup_open():
            code, out = desktop.run("xdotool", "search", "--onlyvisible", "--class", "quotalume")
            windows = out.split() if code == 0 else []
            for window in reversed(windows):
                code, out = desktop.run("xdotool", "getwindowgeometry", "--shell", window)
                g = {k: int(v) for k, v in re.findall(r"^(\w+)=(\d+)$", out, re.M)}
                if g.get("HEIGHT", 0) > bar[1]:
                    return g
            return None
        g = e2e.wait_for(f"the popup of a left click at {icon}", popup_open, 10, 0.2)
        px, py, pw, ph = g["X"], g["Y"], g["WIDTH"], g["HEIGHT"]
        self.note("the panel opens clear of the bar", py >= bar[3] + bar[1] or py + ph <= bar[3],
                  f"panel at y={py}..{py + ph}, bar at y={bar[3]}..{bar[3] + bar[1]}")
        # The popup with the bar it hangs from, and little else.
        left, right = max(0, min(px, x - 40) - 8), min(SCREEN[0], px + pw + 8)
        top, bottom = max(0, min(py, bar[3]) - 8), min(SCREEN[1], max(py + ph, bar[3] + bar[1]) + 8)
        time.sleep(0.5)
        shot = desktop.screenshot("popup.png", f"{right - left}x{bottom - top}+{left}+{top}")
        # A window narrower than what it holds cuts the numbers and bars at
        # its right edge; a fitting one leaves a plain margin there.
        colours = convert(shot, "-crop", f"3x{ph // 3}+{px + pw - 5 - left}+{py + 3 - top}",
                          "+repage", "-format", "%k", "info:")
        self.assertEqual(colours, "1", "the popup's right margin is not plain")

    def icon_in_bar(self):
        desktop, bar = self.desktop, self.host.bar

        def drawn():
            w, h, x, y = content_box(desktop.screenshot("screen.png"), bar)
            return (w, h, x, y) if w > 4 and h > 4 else None
        time.sleep(1)  # lets the host draw the icon with the reading
        w, h, x, y = e2e.wait_for("the icon in the bar", drawn, 15, 0.5)
        shot = desktop.screenshot("bar.png", "{}x{}+{}+{}".format(*bar))
        # The app's icon is the first in the strip; the host may have more after it.
        w = min(w, h)
        convert(shot, "-crop", f"{w + 16}x{bar[1]}+{max(0, x - bar[2] - 8)}+0", "+repage",
                os.path.join(desktop.shots, "icon.png"))
        return x + w // 2, y + h // 2

    def activate(self, icon, item):
        # Headless sway has no pointer; the host's click is this call.
        self.desktop.call(*item, f"{ITEM_INTERFACE}.Activate", *map(str, icon))
        time.sleep(1.5)
        self.desktop.screenshot("popup.png")
        ipc = [n for n in os.listdir(self.box.runtime) if n.startswith("sway-ipc.")]
        tree = self.desktop.run("swaymsg", "-s", os.path.join(self.box.runtime, ipc[0]),
                                "-t", "get_tree")[1]
        self.note("the panel window floats", '"floating_con"' in tree,
                  "floating" if '"floating_con"' in tree else "tiled")

    def shell_menu(self, icon, item):
        # The extension opens the item's menu itself, on either button.
        self.desktop.run("xdotool", "mousemove", *map(str, icon), "click", "1")
        time.sleep(1.5)
        self.desktop.screenshot("menu.png", f"400x430+{SCREEN[0] - 400}+0")
        with open(os.path.join(self.box.root, "unshare.log"), errors="replace") as f:
            errors = [line for line in f if "JS ERROR" in line or "TypeError" in line]
        self.note("the shell logs no script error for the item", not errors,
                  errors[0].strip() if errors else "none")

    def check_host(self, name, late=False):
        self.start(name, late)
        item = self.check_docked() if self.host.xembed else self.check_item()
        icon = self.icon_in_bar()
        if not late:
            getattr(self, self.host.click)(icon, item)


for _host in HOSTS:
    setattr(TrayHost, "test_" + _host.replace("-", "_"),
            lambda self, name=_host: self.check_host(name))
for _key, _host in LATE.items():
    setattr(TrayHost, f"test_late_{_key}", lambda self, name=_host: self.check_host(name, True))


def main():
    if os.geteuid() == 0 and not os.environ.get("QUOTALUME_NETNS"):
        # A private network: the bridge port never meets another copy's.
        os.environ["QUOTALUME_NETNS"] = "1"
        os.execvp("unshare", ["unshare", "-n", "sh", "-c", 'ip link set lo up && exec "$@"',
                              "sh", sys.executable, *sys.argv])
    # Orphans of the hosts come to us, so end_strays finds every one of them.
    ctypes.CDLL(None, use_errno=True).prctl(36, 1, 0, 0, 0)  # PR_SET_CHILD_SUBREAPER
    unittest.main(verbosity=2)


if __name__ == "__main__":
    main()
