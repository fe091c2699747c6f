#!/usr/bin/python3
"""Treats one autostart entry as a desktop would: desktop-file-validate must
accept it, GLib must load it, and launching it must start a program that
writes its own path, which goes to standard output for the caller to compare."""

import os
import subprocess
import sys
import tempfile
import time

import gi

gi.require_version("Gio", "2.0")
from gi.repository import Gio  # noqa: E402

entry = sys.argv[1]
checked = subprocess.run(["desktop-file-validate", entry], capture_output=True, text=True)
if checked.returncode != 0:
    sys.exit("desktop-file-validate refused it:\n" + checked.stdout + checked.stderr)
try:
    app = Gio.DesktopAppInfo.new_from_filename(entry)
except TypeError:
    sys.exit("GLib refused to load it")

with tempfile.TemporaryDirectory() as folder:
    record = os.path.join(folder, "record")
    context = Gio.AppLaunchContext()
    context.setenv("AUTOSTART_RECORD", record)
    app.launch([], context)
    deadline = time.monotonic() + 10
    while not os.path.exists(record) or os.path.getsize(record) == 0:
        if time.monotonic() > deadline:
            sys.exit("the entry started nothing within 10 s")
        time.sleep(0.02)
    time.sleep(0.05)
    with open(record, "rb") as f:
        sys.stdout.buffer.write(f.read())
