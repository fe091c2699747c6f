#!/usr/bin/env python3
"""A real browser talks to the real app: a Manifest V3 extension with host
access pings and posts a reading; a copy without host access is preflighted
and refused, so its reading never lands."""

import json
import os
import re
import shutil

import e2e_support as e2e

HERE = os.path.dirname(os.path.abspath(__file__))
BROWSER_SECONDS = 45


class Browser(e2e.Case):
    def test_extension_posts_and_unprivileged_one_is_refused(self):
        box = self.box
        box.start()
        version = box.wait_listening()["version"]
        granted, denied = (os.path.join(box.root, n) for n in ("ext-hosts", "ext-nohosts"))
        shutil.copytree(os.path.join(HERE, "extension"), granted)
        shutil.copytree(granted, denied)
        manifest = json.loads(e2e.read(os.path.join(granted, "manifest.json")))
        del manifest["host_permissions"]
        e2e.write(os.path.join(denied, "manifest.json"), json.dumps(manifest))
        both = f"{granted},{denied}"
        box.spawn([e2e.need("chromium", "chromium-browser"), "--headless=new", "--no-sandbox",
                   "--disable-gpu", "--no-first-run", "--no-default-browser-check",
                   f"--user-data-dir={os.path.join(box.root, 'profile')}",
                   f"--load-extension={both}", f"--disable-extensions-except={both}",
                   "--enable-logging=stderr", "--v=0", "about:blank"], "chromium.err")

        def posted():
            found = re.findall(r'"(quotalume-check [^"]*)"',
                               e2e.read(os.path.join(box.root, "chromium.err")))
            return found if all(any(line.startswith(f"quotalume-check {who} post ")
                                    for line in found) for who in ("hosts", "nohosts")) else None
        lines = e2e.wait_for("both extensions' posts on the console", posted, BROWSER_SECONDS, 0.2)
        self.assertIn(f"quotalume-check hosts ping 200 Quotalume {version}", lines)
        self.assertIn("quotalume-check hosts post 204", lines)
        # No host access: the JSON post needs a preflight, which the bridge
        # refuses, so the browser never sends the post itself.
        self.assertIn("quotalume-check nohosts post failed TypeError: Failed to fetch", lines)
        # The ping reaches the app but, without an Access-Control header, the
        # worker may not read the answer.
        self.assertIn("quotalume-check nohosts ping failed TypeError: Failed to fetch", lines)

        state = box.wait_phase("ok", 5)
        self.assertTrue(e2e.expected_rows_ok(state), state)
        self.assertEqual(state["footer"], f"ping 200 {version} · updated just now")
        self.assertEqual(box.log().count("reading status="), 1, box.log())
        self.assertEqual(box.load("last.json")["latest"]["windows"][0]["pct"], 42.3)


if __name__ == "__main__":
    e2e.main(Browser)
