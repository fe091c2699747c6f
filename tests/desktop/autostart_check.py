#!/usr/bin/python3
"""Treats each autostart entry named on the command line as a desktop would
(desktop-file-validate, GLib's loader and launcher) and prints, one line per
entry, the path that the started program recorded as its own."""

import os
import subprocess
import sys
import tempfile
import time

import gi

gi.require_version("Gio", "2.0")
from gi.repository import Gio  # noqa: E402


def launched_path(entry, record):
    checked = subprocess.run(["desktop-file-validate", entry], capture_output=True, text=True)
    if checked.returncode != 0:
        sys.exit(f"desktop-file-validate refused {entry}:\n{checked.stdout}{checked.stderr}")
    try:
        app = Gio.DesktopAppInfo.new_from_filename(entry)
    except TypeError:
        sys.exit(f"GLib refused to load {entry}")
    context = Gio.AppLaunchContext()
    context.setenv("AUTOSTART_RECORD", record)
    app.launch([], context)
    deadline = time.monotonic() + 10
    while True:
        try:
            with open(record, "rb") as f:
                line = f.read()
            if line.endswith(b"\n"):
                return line
        except FileNotFoundError:
            pass
        if time.monotonic() > deadline:
            sys.exit(f"{entry} started nothing within 10 s")
        time.sleep(0.02)


with tempfile.TemporaryDirectory() as folder:
    for index, entry in enumerate(sys.argv[1:]):
        sys.stdout.buffer.write(launched_path(entry, os.path.join(folder, str(index))))
