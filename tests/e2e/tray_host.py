#!/usr/bin/env python3
"""The real app in a real tray host: Xvfb, a private D-Bus session and
xfce4-panel, whose notification area hosts StatusNotifierItems. Checks the
item over D-Bus, then screenshots the panel and the left-click popup into
$QUOTALUME_SCREENSHOTS (default: ./screenshots)."""

import os
import re
import shutil
import subprocess
import time
import unittest

import e2e_support as e2e

HERE = os.path.dirname(os.path.abspath(__file__))
WATCHER = ("org.kde.StatusNotifierWatcher", "/StatusNotifierWatcher")
ITEM_INTERFACE = "org.kde.StatusNotifierItem"
SCREEN = (800, 600)
PANEL_HEIGHT = 32
COMMANDS = ["Install the browser extension…", "Open at login", "Check for updates…",
            "Quotalume website", "Quit Quotalume"]


def need(tool):
    path = shutil.which(tool)
    if not path:
        raise SystemExit(f"{tool} is not installed (scripts/install-deps installs it)")
    return path


class Desktop:
    """A headless X server, a session bus and a panel, all private to a check."""

    def __init__(self, box):
        self.box = box
        self.procs = []
        self.env = {}
        self.start_x()
        self.start_bus()
        self.start_panel()

    def spawn(self, cmd, **kw):
        log = open(os.path.join(self.box.root, os.path.basename(cmd[0]) + ".log"), "ab")
        proc = subprocess.Popen(cmd, stdout=log, stderr=subprocess.STDOUT, **kw)
        log.close()
        self.procs.append(proc)
        return proc

    def start_x(self):
        read, write = os.pipe()
        w, h = SCREEN
        self.spawn([need("Xvfb"), "-displayfd", str(write), "-screen", "0", f"{w}x{h}x24",
                    "-nolisten", "tcp", "-noreset"], pass_fds=(write,))
        os.close(write)
        with os.fdopen(read) as f:
            number = f.readline().strip()
        if not number.isdigit():
            raise AssertionError("Xvfb did not report a display")
        self.env["DISPLAY"] = f":{number}"

    def start_bus(self):
        read, write = os.pipe()
        self.spawn([need("dbus-daemon"), "--session", "--nofork", f"--print-address={write}"],
                   pass_fds=(write,), env=self.box.env(self.env))
        os.close(write)
        with os.fdopen(read) as f:
            address = f.readline().strip()
        if not address:
            raise AssertionError("dbus-daemon did not report an address")
        self.env["DBUS_SESSION_BUS_ADDRESS"] = address

    def start_panel(self):
        channel = os.path.join(self.box.config, "xfce4", "xfconf", "xfce-perchannel-xml")
        os.makedirs(channel)
        shutil.copy(os.path.join(HERE, "tray_host", "xfce4-panel.xml"), channel)
        self.spawn([need("xfce4-panel"), "--disable-wm-check"], env=self.box.env(self.env))
        e2e.wait_for("the panel's StatusNotifierWatcher",
                     lambda: self.owned(WATCHER[0]), 30, 0.2)

    def run(self, *cmd, seconds=15):
        done = subprocess.run(list(cmd), stdout=subprocess.PIPE, stderr=subprocess.STDOUT,
                              timeout=seconds, env=self.box.env(self.env))
        return done.returncode, done.stdout.decode("utf-8", "replace")

    def call(self, dest, path, method, *args):
        code, out = self.run("gdbus", "call", "--session", "--dest", dest,
                             "--object-path", path, "--method", method, "--", *args)
        return out if code == 0 else None

    def prop(self, dest, path, interface, name):
        return self.call(dest, path, "org.freedesktop.DBus.Properties.Get", interface, name)

    def owned(self, name):
        out = self.call("org.freedesktop.DBus", "/org/freedesktop/DBus",
                        "org.freedesktop.DBus.NameHasOwner", name)
        return out is not None and "true" in out

    def screenshot(self, name, crop=None):
        folder = os.environ.get("QUOTALUME_SCREENSHOTS", os.path.join(os.getcwd(), "screenshots"))
        os.makedirs(folder, exist_ok=True)
        path = os.path.join(folder, name)
        cmd = [need("import"), "-window", "root"]
        if crop:
            cmd += ["-crop", crop, "+repage"]
        code, out = self.run(*cmd, path)
        if code != 0:
            raise AssertionError(f"import failed: {out}")
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


def content_box(desktop, image):
    """The bounding box (w, h, x, y) of what differs from the panel's colour."""
    code, background = desktop.run("convert", image, "-format",
                                   f"%[pixel:p{{{SCREEN[0] - 2},{PANEL_HEIGHT // 2}}}]", "info:")
    # A border in the panel's colour makes the corners background for the trim.
    code, out = desktop.run("convert", image, "-bordercolor", background.strip(), "-border", "1",
                            "-fuzz", "12%", "-format", "%@", "info:")
    match = re.fullmatch(r"(\d+)x(\d+)\+(\d+)\+(\d+)", out.strip())
    if code != 0 or not match:
        raise AssertionError(f"cannot find the icon in {image}: {out}")
    w, h, x, y = (int(v) for v in match.groups())
    return w, h, x - 1, y - 1


class TrayHost(unittest.TestCase):
    def setUp(self):
        self.box = e2e.Sandbox()
        self.addCleanup(self.box.close)
        e2e.wait_for("port 47615 to be free", e2e.port_free, 60)
        self.desktop = Desktop(self.box)
        self.addCleanup(self.desktop.close)

    def registered_item(self):
        out = self.desktop.prop(*WATCHER, WATCHER[0], "RegisteredStatusNotifierItems")
        items = re.findall(r"'([^']+)'", out or "")
        return items[0] if items else None

    def test_item_tooltip_menu_and_popup(self):
        desktop = self.desktop
        self.box.start(extra_env={**desktop.env, "QT_QPA_PLATFORM": "xcb"})
        self.box.wait_listening()
        item = e2e.wait_for("the app's StatusNotifierItem", self.registered_item, 20, 0.2)
        service, _, path = item.partition("/")
        path = "/" + path if path else "/StatusNotifierItem"

        self.assertEqual(e2e.post_reading(e2e.reading())[0], 204)
        self.box.wait_state("phase ok", lambda s: s.get("phase") == "ok", 5)

        def tooltip():
            out = desktop.prop(service, path, ITEM_INTERFACE, "ToolTip") or ""
            return out if "Quotalume 42%" in out else None
        e2e.wait_for("the headline in the tooltip", tooltip, 5)

        name = desktop.prop(service, path, ITEM_INTERFACE, "IconName") or ""
        pixmap = desktop.prop(service, path, ITEM_INTERFACE, "IconPixmap") or ""
        sizes = [(int(w), int(h)) for w, h in re.findall(r"\((\d+), (\d+), \[", pixmap)]
        self.assertTrue(re.search(r"<'[^']+'>", name) or any(w > 0 and h > 0 for w, h in sizes),
                        f"no icon: {name} {pixmap[:200]}")

        menu_path = re.search(r"objectpath '([^']+)'", desktop.prop(
            service, path, ITEM_INTERFACE, "Menu") or "")
        self.assertIsNotNone(menu_path, "the item exports no menu")
        layout = desktop.call(service, menu_path.group(1), "com.canonical.dbusmenu.GetLayout",
                              "0", "-1", "@as []")
        self.assertIsNotNone(layout)
        shown = labels(layout)
        for row in ("5-hour limit  42%", "7-day limit  18%", "Max 5x · updated just now"):
            self.assertIn(row, shown)
        self.assertEqual([t for t in shown if t in COMMANDS], COMMANDS)

        # Let the panel draw the icon with the reading before taking pictures.
        time.sleep(1)
        strip = f"{SCREEN[0]}x{PANEL_HEIGHT}+0+0"
        panel_shot = desktop.screenshot("panel.png", strip)
        w, h, x, y = content_box(desktop, panel_shot)
        self.assertTrue(w > 4 and h > 4, (w, h, x, y))
        desktop.run("xdotool", "mousemove", str(x + w // 2), str(y + h // 2), "click", "1")

        def popup_open():
            code, out = desktop.run("xdotool", "search", "--onlyvisible", "--class", "quotalume")
            return out.split() if code == 0 and out.strip() else None
        window = e2e.wait_for("the left-click popup", popup_open, 10, 0.2)[-1]
        code, out = desktop.run("xdotool", "getwindowgeometry", "--shell", window)
        geometry = dict(re.findall(r"^(\w+)=(\d+)$", out, re.M))
        self.assertTrue({"X", "Y", "WIDTH", "HEIGHT"} <= geometry.keys(), out)
        self.assertGreater(int(geometry["HEIGHT"]), PANEL_HEIGHT)
        px, py = int(geometry["X"]), int(geometry["Y"])
        pw, ph = int(geometry["WIDTH"]), int(geometry["HEIGHT"])
        # The popup with the panel strip it hangs from, and nothing else.
        right, bottom = min(SCREEN[0], px + pw + 8), min(SCREEN[1], py + ph + 8)
        time.sleep(0.5)
        popup_shot = desktop.screenshot("popup.png", f"{right}x{bottom}+0+0")
        # A window narrower than what it holds cuts the numbers and bars at
        # its right edge; a fitting one leaves a plain margin there.
        code, colours = desktop.run("convert", popup_shot, "-crop",
                                    f"3x{ph // 3}+{px + pw - 5}+{py + 3}", "+repage",
                                    "-format", "%k", "info:")
        self.assertEqual(colours.strip(), "1", "the popup's right margin is not plain")
        desktop.run("convert", panel_shot, "-crop",
                    f"{w + 16}x{PANEL_HEIGHT}+{max(0, x - 8)}+0", "+repage",
                    os.path.join(os.path.dirname(panel_shot), "icon.png"))


if __name__ == "__main__":
    unittest.main(verbosity=2)
