"""Helpers for the checks that drive the real quotalume binary. Each check runs in namespaces
and home, data and runtime folders of its own, so it never meets another copy's port or
lock, and ends whatever it started; every wait polls with a deadline."""

import contextlib
import json
import os
import re
import shutil
import signal
import socket
import subprocess
import sys
import tempfile
import time
import unittest

BRIDGE = "http://127.0.0.1:47615"
# What the app's own start needs at most on a slow, shared machine.
START_SECONDS = 20


def need(*tools):
    """The first of tools on PATH; a missing one fails the check, it never skips it."""
    path = next(filter(None, map(shutil.which, tools)), None)
    if not path:
        raise AssertionError(f"{tools[0]} is not installed (scripts/install-deps installs it)")
    return path


def wait_for(what, probe, seconds, step=0.05):
    deadline = time.monotonic() + seconds
    while not (found := probe()):
        if time.monotonic() >= deadline:
            raise AssertionError(f"timed out after {seconds} s waiting for {what}")
        time.sleep(step)
    return found


def write(path, text):
    os.makedirs(os.path.dirname(path), exist_ok=True)
    with open(path, "w", encoding="utf-8") as f:
        f.write(text)


def read(path):
    """The file's text, or "" while it is missing."""
    try:
        with open(path, encoding="utf-8", errors="replace") as f:
            return f.read()
    except OSError:
        return ""


def reading(session_pct=42.3):
    """A valid reading document as the extension posts it."""
    now = time.time() * 1000.0
    return {"v": 1, "status": "ok", "plan": "Max 5x", "fetched_at": now, "windows": [
        {"key": "session", "pct": session_pct, "resets_at": now + (2 * 60 + 10) * 60000},
        {"key": "weekly", "pct": 18.0, "resets_at": now + 3 * 86400000},
    ]}


def convert(*args, check=False):
    return subprocess.run(["convert", *args], capture_output=True, text=True, check=check,
                          timeout=15).stdout.strip()


def content_box(image, strip):
    """The box (w, h, x, y) in the strip (w, h, x, y) of what differs from the bar's colour,
    if larger than 4 x 4."""
    w, h, x0, y0 = strip
    background = convert(image, "-format", f"%[pixel:p{{{x0 + 2},{y0 + h // 2}}}]", "info:")
    # A border in the bar's colour makes the corners background for the trim.
    out = convert(image, "-crop", f"{w}x{h}+{x0}+{y0}", "+repage", "-bordercolor", background,
                  "-fuzz", "12%", "-border", "1", "-format", "%@", "info:")
    match = re.fullmatch(r"(\d+)x(\d+)\+(\d+)\+(\d+)", out)
    if not match:
        raise AssertionError(f"cannot find the icon in {image}: {out}")
    bw, bh, bx, by = (int(v) for v in match.groups())
    return (bw, bh, x0 + bx - 1, y0 + by - 1) if bw > 4 and bh > 4 else None


def curl(path, body=None, headers=None, seconds=10):
    """Sends one request with curl; returns (status code, response body)."""
    cmd = ["curl", "-sS", "--max-time", str(seconds), "-o", "-", "-w", "\n%{http_code}"]
    cmd += [arg for name, value in (headers or {}).items() for arg in ("-H", f"{name}: {value}")]
    if body is not None:
        cmd += ["--data-binary", "@-"]
    done = subprocess.run(cmd + [BRIDGE + path], input=None if body is None else body.encode(),
                          capture_output=True, timeout=seconds + 5)
    answer, _, code = done.stdout.decode("utf-8", "replace").rpartition("\n")
    return (int(code) if code.isdigit() else 0), answer


def hold_port():
    return socket.create_server(("127.0.0.1", 47615))


def port_free():
    with contextlib.suppress(OSError), hold_port():
        return True


class Sandbox:
    """Temporary folders standing in for the user's home for one check, and the processes
    started there, with the environment extra, through the command prefix (e.g. as another
    user); they end with it."""

    def __init__(self):
        self.root = tempfile.mkdtemp(prefix="quotalume-e2e.")
        self.data, self.runtime, self.config, self.home = (
            os.path.join(self.root, name) for name in ("data", "runtime", "config", "home"))
        for folder in (self.runtime, self.config, self.home):
            os.makedirs(folder, mode=0o700)
        self.procs, self.extra, self.prefix = [], {}, []

    def env(self, extra=None):
        # No display and no XDG folder of the caller's: the others follow HOME.
        env = {name: value for name, value in os.environ.items() if not name.startswith("XDG_")
               and name not in ("DISPLAY", "WAYLAND_DISPLAY", "QUOTALUME_DEBUG_STATE")}
        env.update(QT_QPA_PLATFORM="offscreen", QUOTALUME_DATA_DIR=self.data, HOME=self.home,
                   XDG_RUNTIME_DIR=self.runtime, XDG_CONFIG_HOME=self.config,
                   LANG="C.UTF-8", LC_ALL="C.UTF-8")
        return {**env, **self.extra, **(extra or {})}

    def spawn(self, cmd, extra=None, **kw):
        """Starts cmd, its output appended to <its name>.log in the sandbox."""
        with open(os.path.join(self.root, os.path.basename(cmd[0]) + ".log"), "ab") as out:
            self.procs.append(subprocess.Popen(self.prefix + cmd, env=self.env(extra), stdout=out,
                                               stderr=subprocess.STDOUT, cwd=self.root, **kw))
        return self.procs[-1]

    def run(self, *cmd, seconds=15):
        done = subprocess.run(self.prefix + list(cmd), stdout=subprocess.PIPE, timeout=seconds,
                              stderr=subprocess.STDOUT, env=self.env())
        return done.returncode, done.stdout.decode("utf-8", "replace")

    def bundle(self, version):
        """A Quotalume.app holding a copy of the binary, its Info.json naming version, in a
        folder whose name is not UTF-8."""
        app = os.path.join(os.fsencode(self.root), b"\xff", b"Quotalume.app")
        os.makedirs(os.path.join(app, b"bin"))
        write(os.path.join(app, b"Info.json"),
              json.dumps({"identifier": "kr.co.fernhallow.Quotalume", "version": version}))
        return os.fsdecode(shutil.copy2(os.environ["QUOTALUME_BIN"], os.path.join(app, b"bin", b"quotalume")))

    def start(self, extra=None, program=None):
        """Starts the app; every copy's output goes to quotalume.log."""
        program = program or os.environ["QUOTALUME_BIN"]
        return self.spawn([program, "--lang", "en", "--no-guide", "--no-update"], extra)

    def load(self, name):
        """The data folder's JSON file, or None while it is missing or half there."""
        try:
            return json.loads(read(os.path.join(self.data, name)))
        except ValueError:
            return None

    def log(self):
        return read(os.path.join(self.data, "Quotalume.log"))

    def wait_state(self, what, accept, seconds=START_SECONDS, step=0.05):
        def probe():
            state = self.load("state.json")
            return state if state is not None and accept(state) else None
        return wait_for(what, probe, seconds, step)

    def wait_listening(self):
        return self.wait_state("the bridge to listen", lambda s: s.get("listening") == "ready")

    def wait_phase(self, phase, seconds=START_SECONDS):
        return self.wait_state(f"phase {phase}", lambda s: s.get("phase") == phase, seconds)

    def post_ok(self, **doc):
        """Posts reading(**doc) once the bridge listens; it must be taken and shown."""
        self.wait_listening()
        code, body = curl("/usage", json.dumps(reading(**doc)), {
            "Content-Type": "application/json", "Origin": "chrome-extension://quotalumecheck",
            "X-Quotalume": "1"})
        if (code, body) != (204, ""):
            raise AssertionError(f"the reading was answered {code} {body!r}")
        return self.wait_phase("ok", 5)

    def stop(self, proc, sig=signal.SIGTERM, seconds=10):
        """Sends proc sig; kills it and fails if it has not ended after seconds."""
        proc.send_signal(sig)
        try:
            return proc.wait(timeout=seconds)
        except subprocess.TimeoutExpired:
            proc.kill()
            proc.wait()
            raise AssertionError(f"{proc.args[0]} did not end within {seconds} s of {sig}")

    def close(self):
        for proc in reversed(self.procs):
            with contextlib.suppress(AssertionError):
                self.stop(proc, seconds=5)
        shutil.rmtree(self.root, ignore_errors=True)


class Case(unittest.TestCase):
    def setUp(self):
        self.box = Sandbox()
        self.addCleanup(self.box.close)


def main(case):
    """Runs the named checks of case, or all, each in namespaces of its own."""
    if os.environ.get("QUOTALUME_E2E_ONE"):
        return unittest.main(verbosity=2)
    names = unittest.TestLoader().getTestCaseNames(case)
    checks = sys.argv[1:] or [f"{case.__name__}.{name}" for name in names]
    user = [] if os.geteuid() == 0 else ["--map-current-user", "--keep-caps"]
    failed = [check for check in checks if subprocess.run(
        ["unshare", *user, "-n", "-p", "-f", "--mount-proc", "--kill-child", "sh", "-c",
         'ip link set lo up && exec "$@"', "sh", sys.executable, sys.argv[0], check],
        env={**os.environ, "QUOTALUME_E2E_ONE": "1"}).returncode != 0]
    sys.exit(f"failed: {' '.join(failed)}" if failed else 0)
