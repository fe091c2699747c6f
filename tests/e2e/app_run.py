#!/usr/bin/env python3
"""The real binary, headless: readings over the bridge from curl and from a real browser
(a Manifest V3 extension with host access, which pings and posts, and a copy without, whose
post is preflighted and refused), restart, a taken port, one instance, quitting signals."""

import json
import os
import re
import shutil
import signal

import e2e_support as e2e

EXTENSION = os.path.join(os.path.dirname(os.path.abspath(__file__)), "extension")


class AppRun(e2e.Case):
    def assert_rows(self, state):
        """The number lines the panel shows for e2e.reading() (reset lines move with time)."""
        rows = state.get("rows") or []
        self.assertTrue(len(rows) == 4 and rows[0::2] == ["5-hour limit  42%", "7-day limit  18%"]
                        and all(r.startswith("   ") for r in rows[1::2]), state)

    def browser_lines(self):
        """Runs headless chromium with both extensions until both have posted; their lines."""
        denied = f"{self.box.root}/ext-nohosts"
        shutil.copytree(EXTENSION, denied)
        manifest = json.loads(e2e.read(f"{EXTENSION}/manifest.json"))
        e2e.write(f"{denied}/manifest.json", json.dumps({**manifest, "host_permissions": []}))
        both, chromium = f"{EXTENSION},{denied}", e2e.need("chromium", "chromium-browser")
        self.box.spawn([chromium, "--headless=new", "--no-sandbox", "--disable-gpu",
                        "--no-first-run", "--no-default-browser-check",
                        f"--user-data-dir={self.box.root}/profile", f"--load-extension={both}",
                        f"--disable-extensions-except={both}", "--enable-logging=stderr",
                        "--v=0", "about:blank"])

        def posted():
            found = re.findall(r'"(quotalume-check [^"]*)"',
                               e2e.read(f"{self.box.root}/{os.path.basename(chromium)}.log"))
            return found if all(any(line.startswith(f"quotalume-check {who} post ")
                                    for line in found) for who in ("hosts", "nohosts")) else None
        return e2e.wait_for("both extensions' posts on the console", posted, 45, 0.2)

    def test_readings_show_and_survive_a_restart(self):
        box = self.box
        # Run from a bundle whose Info.json names another version than the
        # one compiled in: every place that reports it says the bundle's. It
        # lies under a path no desktop entry can carry.
        program = box.bundle("1.0.9")
        app = box.start(program=program)
        box.wait_listening()
        self.assertIn("launch Quotalume 1.0.9", box.log())
        self.assertIn("desktop entry not written: ", box.log())  # nor does it fail silently
        code, body = e2e.curl("/ping")
        ping = json.loads(body) if code == 200 else {}
        self.assertEqual((code, ping.get("app"), ping.get("version"),
                          box.load("state.json")["version"]), (200, "Quotalume", "1.0.9", "1.0.9"))

        state = box.post_ok()
        self.assert_rows(state)
        self.assertLessEqual({"shown": "42%", "tone": "normal", "dim": False, "status": None,
                              "footer": "Max 5x · updated just now"}.items(), state.items())
        stored = box.load("last.json")
        self.assertEqual(stored["latest"]["windows"][0]["pct"], 42.3)
        self.assertEqual(stored["ok"], stored["latest"])

        self.assertLessEqual({
            "quotalume-check hosts ping 200 Quotalume 1.0.9", "quotalume-check hosts post 204",
            # No host access: the JSON post needs a preflight, which the bridge
            # refuses, so the browser never sends the post itself.
            "quotalume-check nohosts post failed TypeError: Failed to fetch",
            # The ping reaches the app but, without an Access-Control header,
            # the worker may not read the answer.
            "quotalume-check nohosts ping failed TypeError: Failed to fetch"},
            set(self.browser_lines()))
        # The extension's reading carries the ping's answer as its plan.
        state = box.wait_state("the browser's reading", lambda s: s.get("footer") ==
                               "ping 200 1.0.9 · updated just now", 5)
        self.assert_rows(state)
        self.assertEqual(box.log().count("reading status="), 2, box.log())
        stored = box.load("last.json")
        self.assertEqual((stored["latest"]["plan"], stored["latest"]["windows"][0]["pct"]),
                         ("ping 200 1.0.9", 42.3))

        self.assertEqual(box.stop(app), 0)
        box.start(program=program)
        state = box.wait_phase("stale")
        self.assert_rows(state)
        self.assertLessEqual({"shown": "42%", "tone": "dim", "dim": True,
                              "status": "Waiting for the browser extension"}.items(), state.items())
        self.assertEqual(box.load("last.json"), stored)

    def test_taken_port_is_retried_and_a_second_copy_steps_aside(self):
        box = self.box
        with e2e.hold_port():
            first = box.start()
            state = box.wait_phase("port_busy")
            self.assertEqual((state["status"], state["listening"]),
                             ("Port 47615 is in use by another app", "busy"))
        # The app retries every 30 s; the margin covers a slow machine.
        state = box.wait_state("the retry to take the freed port",
                               lambda s: s.get("listening") == "ready", 40)
        self.assertEqual(state["phase"], "waiting_first")

        # It steps aside; with no session bus to reach the running copy by, it says so and fails.
        self.assertEqual(box.start().wait(timeout=e2e.START_SECONDS), 1)
        self.assertEqual(box.log().count("launch Quotalume "), 1, box.log())
        self.assertIn("the running copy could not be reached: no session bus", box.log())
        self.assertIsNone(first.poll())
        self.assertEqual(e2e.curl("/ping")[0], 200)
        self.assertEqual(box.post_ok(session_pct=77)["shown"], "77%")

    def test_an_unusable_data_folder_is_told_on_stderr(self):
        # The log would lie in that folder too, so stderr is the only place left to say it.
        app = self.box.start({"QUOTALUME_DATA_DIR": "/etc/passwd"})
        e2e.wait_for("the reason on stderr", lambda: "quotalume: readings are not saved: /etc/passwd "
                     "is not a usable folder" in e2e.read(f"{self.box.root}/quotalume.log"),
                     e2e.START_SECONDS, 0.1)
        self.assertEqual(self.box.stop(app), 0)

    def test_quitting_signals_end_cleanly(self):
        for sig in (signal.SIGTERM, signal.SIGINT, signal.SIGHUP):
            with self.subTest(signal=sig.name):
                # A fresh sandbox: the last run's state.json would satisfy every wait.
                box = e2e.Sandbox()
                self.addCleanup(box.close)
                app = box.start()
                box.post_ok(session_pct=61)
                before = box.load("last.json")
                self.assertIsNotNone(before)

                self.assertEqual(box.stop(app, sig), 0, e2e.read(f"{box.root}/quotalume.log"))
                self.assertEqual(box.load("last.json"), before)
                self.assertLessEqual(set(os.listdir(box.data)), {
                    "last.json", "history.jsonl", "state.json", "update.json", "alerts.json",
                    "Quotalume.log"})
                # A clean quit also gives up the single-instance lock.
                self.assertEqual(os.listdir(box.runtime), [])
                e2e.wait_for("the port to be released", e2e.port_free, 5)


if __name__ == "__main__":
    e2e.main(AppRun)
