#!/usr/bin/env python3
"""The real binary, headless: readings over the bridge from curl, restart, a
taken port, single instance and the quitting signals."""

import json
import os
import signal

import e2e_support as e2e


def shown(state):
    return {k: state[k] for k in ("shown", "tone", "dim", "status")}


class AppRun(e2e.Case):
    def test_reading_shows_and_survives_a_restart(self):
        box = self.box
        # Run from a bundle whose Info.json names another version than the
        # one compiled in: every place that reports it says the bundle's.
        program = box.bundle("1.0.9")
        app = box.start(program=program)
        box.wait_listening()
        self.assertIn("launch Quotalume 1.0.9", box.log())
        code, body = e2e.curl("/ping")
        ping = json.loads(body) if code == 200 else {}
        self.assertEqual((code, ping.get("app"), ping.get("version"),
                          box.load("state.json")["version"]), (200, "Quotalume", "1.0.9", "1.0.9"))

        self.assertEqual(e2e.post_reading(e2e.reading(), private=None)[0], 403)
        self.assertIsNone(box.load("last.json"))

        state = box.post_ok()
        self.assertTrue(e2e.expected_rows_ok(state), state)
        self.assertEqual((shown(state), state["footer"]), (
            {"shown": "42%", "tone": "normal", "dim": False, "status": None},
            "Max 5x · updated just now"))
        stored = box.load("last.json")
        self.assertEqual(stored["latest"]["windows"][0]["pct"], 42.3)
        self.assertEqual(stored["ok"], stored["latest"])

        self.assertEqual(box.stop(app), 0)
        box.start(program=program)
        state = box.wait_phase("stale")
        self.assertTrue(e2e.expected_rows_ok(state), state)
        self.assertEqual(shown(state), {"shown": "42%", "tone": "dim", "dim": True,
                                        "status": "Waiting for the browser extension"})
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

        self.assertEqual(box.start().wait(timeout=e2e.START_SECONDS), 0)
        self.assertEqual(box.log().count("launch Quotalume "), 1, box.log())
        self.assertIsNone(first.poll())
        self.assertEqual(e2e.curl("/ping")[0], 200)
        self.assertEqual(box.post_ok(session_pct=77)["shown"], "77%")

    def test_quitting_signals_end_cleanly(self):
        for sig in (signal.SIGTERM, signal.SIGINT, signal.SIGHUP):
            with self.subTest(signal=sig.name):
                # A fresh sandbox: the last run's state.json would satisfy every wait.
                box = e2e.Sandbox()
                self.addCleanup(box.close)
                app = box.start()
                box.wait_listening()
                box.post_ok(session_pct=61)
                before = box.load("last.json")
                self.assertIsNotNone(before)

                self.assertEqual(box.stop(app, sig), 0, e2e.read(f"{box.root}/app.out"))
                self.assertEqual(box.load("last.json"), before)
                self.assertLessEqual(set(os.listdir(box.data)), {
                    "last.json", "history.jsonl", "state.json", "update.json", "alerts.json",
                    "Quotalume.log"})
                # A clean quit also gives up the single-instance lock.
                self.assertEqual(os.listdir(box.runtime), [])
                e2e.wait_for("the port to be released", e2e.port_free, 5)


if __name__ == "__main__":
    e2e.main(AppRun)
