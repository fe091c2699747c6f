"""The menu's "Show in tray" choice on real tray hosts: a spent week behind a calm session,
the 7-day limit chosen through the host's exported menu, and what each host then shows."""

import collections
import functools
import json
import os
import re
import time

import e2e_support as e2e
from e2e_support import content_box, convert

# A calm 5-hour limit and a spent 7-day one, and the choice that shows the week.
CALM_SESSION_SPENT_WEEK = {"session_pct": 3.0, "weekly_pct": 100.0}
CHOICES, CHOSEN = ["5-hour limit", "7-day limit", "Highest limit"], "7-day limit"
# The labels waybar shows, as a screen reader reads them.
WAYBAR_LABELS = """
import gi
gi.require_version("Atspi", "2.0")
from gi.repository import Atspi
def labels(node):
    kids = [node.get_child_at_index(i) for i in range(node.get_child_count())]
    return [node.get_name()] * (node.get_role_name() == "label") + sum(map(labels, kids), [])
desk = Atspi.get_desktop(0)
apps = [desk.get_child_at_index(i) for i in range(desk.get_child_count())]
print(*sum((labels(app) for app in apps if app.get_name() == "waybar"), []), sep="\\n")
"""
# The red badge docs/bars.md suggests for the module's "red" class.
BADGE = "#b42318"


def commonest_colour(pixmap, side):
    """The most frequent opaque (r, g, b) of the side px image in a gdbus IconPixmap."""
    data = re.search(rf"\({side}, {side}, \[(?:byte )?([^\]]*)\]\)", pixmap)
    if not data:
        raise AssertionError(f"no {side} px image in the IconPixmap")
    argb = bytes(int(b, 16) for b in data.group(1).split(", "))
    return collections.Counter(tuple(argb[i + 1:i + 4]) for i in range(0, len(argb), 4)
                               if argb[i] == 255).most_common(1)[0][0]


def shown_colour(image, box):
    """The most frequent (r, g, b) in the box (w, h, x, y) of a screenshot."""
    out = convert(image, "-crop", "{}x{}+{}+{}".format(*box), "+repage", "-format", "%c",
                  "histogram:info:")
    return max((int(n), tuple(map(int, rgb))) for n, *rgb in
               re.findall(r"^\s*(\d+): \((\d+),(\d+),(\d+)", out, re.M))[1]


def red(rgb):
    """Red as the icon's plate is at the limit, in either scheme."""
    r, g, b = rgb
    return r >= 150 and r >= 2 * g and r >= 2 * b


def badge_box(image, strip):
    """The box (w, h, x, y) in the strip (w, h, x, y) of the module's red badge, if any."""
    w, h, x0, y0 = strip
    out = convert(image, "-crop", f"{w}x{h}+{x0}+{y0}", "+repage", "-fuzz", "3%", "-fill", "black",
                  "+opaque", BADGE, "-fill", "white", "-opaque", BADGE, "-bordercolor", "black",
                  "-border", "1", "-format", "%@", "info:")
    bw, bh, bx, by = map(int, re.findall(r"\d+", out)) if re.fullmatch(r"\d+x\d+\+\d+\+\d+", out) else [0] * 4
    return (bw, bh, x0 + bx - 1, y0 + by - 1) if bw > 20 and bh > 10 else None


class TrayChoice:
    """Mixed into TrayHost, whose host, sandbox and calls over D-Bus it uses; each host's own
    check is a generator that sees the desktop before the choice and, resumed, after it."""

    def radios(self, item):
        """{label: (id, toggled on)} of the menu's radio items, in the menu's order."""
        return {p["label"][1:-1]: (i, p.get("toggle-state") == "1") for i, p in self.menu(item)[1].items()
                if p.get("toggle-type") == "'radio'"}

    def check_choice(self, app, item, icon):
        """After a reading with the 5-hour limit at 3 % and the 7-day one at 100 %, "7-day limit"
        clicked in the exported menu as a host clicks it: the icon turns over, the tooltip and the
        description name the week, GNOME's label shows it, the choice is saved and --status
        follows it."""
        prop = functools.partial(self.item_prop, item)
        self.box.post_ok(**CALM_SESSION_SPENT_WEEK)
        e2e.wait_for("the 5-hour limit in the tooltip", lambda: "Quotalume 3%" in prop("ToolTip"), 5)
        self.assertFalse(red(commonest_colour(prop("IconPixmap"), 32)), "the icon at 3 % is red")
        radios = self.radios(item)
        self.assertEqual([(label, on) for label, (_, on) in radios.items()],
                         [(c, c == CHOICES[0]) for c in CHOICES], "the radio items")
        shows = getattr(self, self.host.choice)(app, icon)
        next(shows)
        self.assertIsNotNone(self.call(item[0], self.menu(item)[0], "com.canonical.dbusmenu.Event",
                                       radios[CHOSEN][0], "'clicked'", "<0>", "0"))
        self.chosen_at = time.monotonic()
        e2e.wait_for("the 7-day limit in the tooltip", lambda: "7-day limit 100%" in prop("ToolTip"), 2)
        self.assertIn("7-day limit 100%", prop("IconAccessibleDesc"))
        self.assertIn(self.host.label.replace("42%", "100%"), prop("XAyatanaLabel"))
        self.assertTrue(red(commonest_colour(prop("IconPixmap"), 32)), "the icon did not turn over")
        self.assertEqual([(label, on) for label, (_, on) in self.radios(item).items()],
                         [(c, c == CHOSEN) for c in CHOICES], "the radio items")
        self.assertIn("trayWindow=weekly", e2e.read(f"{self.box.config}/Quotalume/Quotalume.conf"))
        self.assertEqual(self.status("--window", "session").splitlines()[0], "3%")
        waybar = json.loads(self.status("--format", "waybar"))
        self.assertEqual((waybar["text"], waybar["class"]), ("100%", "red"), waybar)
        next(shows, None)

    def status(self, *args):
        code, out = self.box.run(os.environ["QUOTALUME_BIN"], "--status", *args)
        self.assertEqual(code, 0, out)
        return out

    def choice_in_xfce(self, app, icon):
        """The panel's icon turns over, and the tooltip of a pointer come to rest on it names
        the week; the choice survives a restart."""
        bar = self.host.bar
        shot = self.screenshot("screen.png")
        self.assertFalse(red(shown_colour(shot, content_box(shot, bar))), "the panel's icon is red at 3 %")
        yield
        below = (bar[0], 200, bar[2], bar[3] + bar[1] + 2)
        self.box.run("xdotool", "mousemove", str(icon[0] // 2), "300")
        e2e.wait_for("the tooltip to close", lambda: not content_box(self.screenshot("screen.png"), below),
                     5, 0.2)
        self.box.run("xdotool", "mousemove", *map(str, icon))
        tw, th, tx, ty = e2e.wait_for("the tooltip", lambda: content_box(self.screenshot("screen.png"), below),
                                      5, 0.2)
        shot = self.screenshot("screen.png")
        iw, ih, ix, iy = content_box(shot, bar)
        self.assertTrue(red(shown_colour(shot, (iw, ih, ix, iy))), "the panel's icon did not turn over")
        left, right = min(tx, ix) - 8, min(bar[0] + bar[2], max(tx + tw, ix + iw) + 8)
        self.screenshot("choice.png", f"{right - left}x{ty + th + 8 - bar[3]}+{left}+{bar[3]}")

        self.box.stop(app)
        self.box.start(self.app_env())
        tooltip = lambda: self.item_prop(self.registered_item(), "ToolTip")
        e2e.wait_for("the 7-day limit after a restart", lambda: "7-day limit 100%" in tooltip(),
                     e2e.START_SECONDS, 0.2)
        self.assertEqual([label for label, (_, on) in self.radios(self.registered_item()).items() if on],
                         [CHOSEN], "the radio items after a restart")

    def choice_in_gnome(self, app, icon):
        """The shell's label beside the icon turns from "3%" to the wider "100%"."""
        bar = self.host.bar
        self.box.run("xdotool", "mousemove", str(bar[2] // 2), "300")  # no hover on the label
        time.sleep(0.5)
        was = content_box(self.screenshot("screen.png"), bar)
        yield
        time.sleep(1)  # lets the shell draw the label
        w, h, x, y = content_box(self.screenshot("screen.png"), bar)
        self.assertGreater(w, was[0], "the label did not widen for 100%")
        # Up to the screen's end, the system menu's button included.
        self.screenshot("choice.png", f"{w + 200}x{bar[1]}+{x - 40}+{bar[3]}")

    def choice_in_waybar(self, app, icon):
        """The module that runs `--status --follow` turns from "3%" to "100%" on the red badge
        within a second and a half of the choice; waybar started that command once."""
        bar = self.host.bar
        strip = (bar[0] + bar[2] - icon[0] - 16, bar[1], icon[0] + 16, bar[3])
        badge = lambda: badge_box(self.screenshot("screen.png"), strip)
        labels = lambda: self.box.run("/usr/bin/python3", "-c", WAYBAR_LABELS)[1].split()
        e2e.wait_for("3% in the module", lambda: "3%" in labels(), 5, 0.2)
        self.assertIsNone(badge(), "the module is red at 3 %")
        yield
        e2e.wait_for("100% in the module", lambda: "100%" in labels(),
                     self.chosen_at + 1.5 - time.monotonic(), 0.1)
        w, h, x, y = e2e.wait_for("the red badge", badge, 2, 0.2)
        left = icon[0] - 80  # some of the bar, the icon and the module
        self.screenshot("choice.png", f"{x + w + 8 - left}x{bar[1]}+{left}+{bar[3]}")
