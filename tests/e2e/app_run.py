#!/usr/bin/env python3
"""The real binary, headless: readings over the bridge from curl, restart,
single instance, a taken port and the quitting signals."""

import json
import os
import signal
import unittest

import e2e_support as e2e


class AppRun(unittest.TestCase):
    def setUp(self):
        self.box = e2e.Sandbox()
        self.addCleanup(self.box.close)
        e2e.wait_for("port 47615 to be free", e2e.port_free, 60)

    def test_reading_shows_and_survives_a_restart(self):
        box = self.box
        # Run from a bundle whose Info.json names another version than the
        # one compiled in: every place that reports it says the bundle's.
        program = box.bundle("1.0.9")
        app = box.start(program=program)
        box.wait_listening()
        self.assertIn("launch Quotalume 1.0.9", box.log())

        code, body = e2e.curl("/ping", headers={})
        self.assertEqual(code, 200)
        ping = json.loads(body)
        self.assertEqual(ping["app"], "Quotalume")
        self.assertEqual((ping["version"], box.load("state.json")["version"]), ("1.0.9", "1.0.9"))

        # A post without the private header is refused and changes nothing.
        code, _ = e2e.post_reading(e2e.reading(), private=None)
        self.assertEqual(code, 403)
        self.assertIsNone(box.load("last.json"))

        code, body = e2e.post_reading(e2e.reading())
        self.assertEqual((code, body), (204, ""))
        state = box.wait_state("phase ok", lambda s: s.get("phase") == "ok", 5)
        self.assertTrue(e2e.expected_rows_ok(state), state)
        self.assertTrue(state["rows"][1].startswith("   resets in "), state)
        self.assertEqual(state["shown"], "42%")
        self.assertEqual((state["tone"], state["dim"]), ("normal", False))
        self.assertIsNone(state["status"])
        self.assertEqual(state["footer"], "Max 5x · updated just now")
        e2e.wait_for("the reading's log line",
                     lambda: "reading status=ok windows=2" in box.log(), 5)
        stored = box.load("last.json")
        self.assertEqual(stored["latest"]["windows"][0]["pct"], 42.3)
        self.assertEqual(stored["ok"], stored["latest"])

        self.assertEqual(box.stop(app), 0)
        box.start(program=program)
        state = box.wait_state("phase stale after the restart",
                               lambda s: s.get("phase") == "stale")
        self.assertTrue(e2e.expected_rows_ok(state), state)
        self.assertEqual(state["shown"], "42%")
        self.assertEqual((state["tone"], state["dim"]), ("dim", True))
        self.assertEqual(state["status"], "Waiting for the browser extension")
        self.assertEqual(box.load("last.json"), stored)

    def test_second_copy_quits_and_first_keeps_serving(self):
        box = self.box
        first = box.start()
        box.wait_listening()
        second = box.start()
        try:
            self.assertEqual(second.wait(timeout=e2e.START_SECONDS), 0)
        finally:
            if second.poll() is None:
                second.kill()
        self.assertIn("already running, quitting this copy", box.log())
        self.assertEqual(box.log().count("launch Quotalume "), 1, box.log())

        self.assertIsNone(first.poll())
        self.assertEqual(e2e.curl("/ping")[0], 200)
        self.assertEqual(e2e.post_reading(e2e.reading(session_pct=77))[0], 204)
        state = box.wait_state("the first copy to show the reading",
                               lambda s: s.get("phase") == "ok", 5)
        self.assertEqual(state["shown"], "77%")

    def test_taken_port_is_shown_and_retried(self):
        box = self.box
        holder = e2e.hold_port()
        try:
            box.start()
            state = box.wait_state("phase port_busy", lambda s: s.get("phase") == "port_busy")
            self.assertEqual(state["status"], "Port 47615 is in use by another app")
            self.assertEqual(state["listening"], "busy")
        finally:
            holder.close()
        # The app retries every 30 s; the margin covers a slow machine.
        state = box.wait_state("the retry to take the freed port",
                               lambda s: s.get("listening") == "ready", 40)
        self.assertEqual(state["phase"], "waiting_first")
        self.assertEqual(e2e.post_reading(e2e.reading())[0], 204)
        box.wait_state("phase ok after recovering", lambda s: s.get("phase") == "ok", 5)

    def test_quitting_signals_end_cleanly(self):
        for sig in (signal.SIGTERM, signal.SIGINT, signal.SIGHUP):
            with self.subTest(signal=sig.name):
                box = e2e.Sandbox()
                try:
                    app = box.start()
                    box.wait_listening()
                    self.assertEqual(e2e.post_reading(e2e.reading(session_pct=61))[0], 204)
                    box.wait_state("phase ok", lambda s: s.get("phase") == "ok", 5)
                    before = box.load("last.json")
                    self.assertIsNotNone(before)

                    self.assertEqual(box.stop(app, sig), 0, box.output(0))
                    self.assertEqual(box.load("last.json"), before)
                    left = sorted(os.listdir(box.data))
                    allowed = {"last.json", "history.jsonl", "state.json", "update.json",
                               "alerts.json", "Quotalume.log"}
                    self.assertTrue(set(left) <= allowed, left)
                    # A clean quit also gives up the single-instance lock.
                    self.assertEqual(os.listdir(box.runtime), [])
                    e2e.wait_for("the port to be released", e2e.port_free, 5)
                finally:
                    box.close()


if __name__ == "__main__":
    unittest.main(verbosity=2)
