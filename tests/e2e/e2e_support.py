"""Helpers for the checks that drive the real quotalume binary. Every run gets
its own home, data and runtime folders, so nothing touches the user's files and
two runs never share a lock; every wait polls with a deadline."""

import json
import os
import shutil
import signal
import socket
import subprocess
import tempfile
import time
import unittest

BRIDGE_PORT = 47615
BRIDGE = f"http://127.0.0.1:{BRIDGE_PORT}"

# What the app's own start needs at most on a slow, shared machine.
START_SECONDS = 20


def binary():
    path = os.environ.get("QUOTALUME_BIN", "")
    if not path or not os.access(path, os.X_OK):
        raise SystemExit("set QUOTALUME_BIN to the quotalume executable")
    return path


def need(*tools):
    """The first of tools on PATH; a missing one fails the check, it never skips it."""
    path = next(filter(None, map(shutil.which, tools)), None)
    if not path:
        raise AssertionError(f"{tools[0]} is not installed (scripts/install-deps installs it)")
    return path


def wait_for(what, probe, seconds, step=0.05):
    """Polls probe() until it returns something truthy; fails after seconds."""
    deadline = time.monotonic() + seconds
    while True:
        last = probe()
        if last:
            return last
        if time.monotonic() >= deadline:
            raise AssertionError(f"timed out after {seconds} s waiting for {what}")
        time.sleep(step)


def end(proc, seconds=10, sig=signal.SIGTERM):
    """Sends proc sig and kills it if it has not ended after seconds; True if it ended."""
    if proc.poll() is None:
        proc.send_signal(sig)
    try:
        proc.wait(timeout=seconds)
        return True
    except subprocess.TimeoutExpired:
        proc.kill()
        proc.wait()
        return False


def write(path, text):
    os.makedirs(os.path.dirname(path), exist_ok=True)
    with open(path, "w", encoding="utf-8") as f:
        f.write(text)


def reading(session_pct=42.3, plan="Max 5x"):
    """A valid reading document as the extension posts it."""
    now = time.time() * 1000.0
    return {"v": 1, "status": "ok", "plan": plan, "fetched_at": now, "windows": [
        {"key": "session", "pct": session_pct, "resets_at": now + (2 * 60 + 10) * 60000},
        {"key": "weekly", "pct": 18.0, "resets_at": now + 3 * 86400000},
    ]}


def curl(path, body=None, headers=None, seconds=10):
    """Sends one request with curl; returns (status code, response body)."""
    cmd = ["curl", "-sS", "--max-time", str(seconds), "-o", "-", "-w", "\n%{http_code}"]
    for name, value in (headers or {}).items():
        cmd += ["-H", f"{name}: {value}"]
    if body is not None:
        cmd += ["--data-binary", "@-"]
    cmd.append(BRIDGE + path)
    done = subprocess.run(cmd, input=body.encode() if body is not None else None,
                          capture_output=True, timeout=seconds + 5)
    answer, _, code = done.stdout.decode("utf-8", "replace").rpartition("\n")
    return (int(code) if code.isdigit() else 0), answer


def post_reading(doc, private="1"):
    headers = {"Content-Type": "application/json", "Origin": "chrome-extension://quotalumecheck"}
    if private is not None:
        headers["X-Quotalume"] = private
    return curl("/usage", body=json.dumps(doc), headers=headers)


def hold_port():
    """Listens on the bridge port the way another program would."""
    return socket.create_server(("127.0.0.1", BRIDGE_PORT))


def port_free():
    try:
        hold_port().close()
    except OSError:
        return False
    return True


class Sandbox:
    """Temporary folders standing in for the user's home for one check."""

    def __init__(self):
        self.root = tempfile.mkdtemp(prefix="quotalume-e2e.")
        self.data, self.runtime, self.config, self.home = (
            os.path.join(self.root, name) for name in ("data", "runtime", "config", "home"))
        for folder in (self.runtime, self.config, self.home):
            os.makedirs(folder, mode=0o700)
        self.apps = []

    def env(self, extra=None):
        # No display and no XDG folder of the caller's: the others follow HOME.
        env = {name: value for name, value in os.environ.items() if not name.startswith("XDG_")
               and name not in ("DISPLAY", "WAYLAND_DISPLAY", "QUOTALUME_DEBUG_STATE")}
        env.update(QT_QPA_PLATFORM="offscreen", QUOTALUME_DATA_DIR=self.data, HOME=self.home,
                   XDG_RUNTIME_DIR=self.runtime, XDG_CONFIG_HOME=self.config,
                   LANG="C.UTF-8", LC_ALL="C.UTF-8")
        return {**env, **(extra or {})}

    def spawn(self, cmd, env, log, **kw):
        """Starts cmd in the sandbox, its output appended to the file log there."""
        with open(os.path.join(self.root, log), "ab") as out:
            return subprocess.Popen(cmd, env=env, stdout=out, stderr=subprocess.STDOUT,
                                    cwd=self.root, **kw)

    def bundle(self, version):
        """A Quotalume.app holding a copy of the binary, its Info.json naming version."""
        app = os.path.join(self.root, "Quotalume.app")
        os.makedirs(os.path.join(app, "bin"))
        write(os.path.join(app, "Info.json"),
              json.dumps({"identifier": "kr.co.fernhallow.Quotalume", "version": version}))
        return shutil.copy2(binary(), os.path.join(app, "bin", "quotalume"))

    def start(self, extra_env=None, program=None, prefix=()):
        """Starts the app; prefix is a command that runs it, e.g. as another user."""
        cmd = [*prefix, program or binary(), "--lang", "en", "--no-guide", "--no-update"]
        self.apps.append(self.spawn(cmd, self.env(extra_env), f"app{len(self.apps)}.out"))
        return self.apps[-1]

    def output(self):
        """What the last copy started wrote to its standard output and error."""
        with open(os.path.join(self.root, f"app{len(self.apps) - 1}.out"), "rb") as f:
            return f.read().decode("utf-8", "replace")

    def read(self, name):
        """A file of the data folder, or "" while it is missing."""
        try:
            with open(os.path.join(self.data, name), encoding="utf-8", errors="replace") as f:
                return f.read()
        except OSError:
            return ""

    def load(self, name):
        """The parsed JSON file, or None while it is missing or half there."""
        try:
            return json.loads(self.read(name))
        except ValueError:
            return None

    def log(self):
        return self.read("Quotalume.log")

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
        """Posts reading(**doc), which must be taken, and waits until the app shows it."""
        code, body = post_reading(reading(**doc))
        if (code, body) != (204, ""):
            raise AssertionError(f"the reading was answered {code} {body!r}")
        return self.wait_phase("ok", 5)

    def stop(self, proc, sig=signal.SIGTERM, seconds=10):
        if not end(proc, seconds, sig):
            raise AssertionError(f"quotalume did not end within {seconds} s of signal {sig}")
        return proc.returncode

    def close(self):
        for proc in self.apps:
            end(proc, 5, signal.SIGKILL)
        if os.environ.get("QUOTALUME_E2E_KEEP"):
            print(f"kept {self.root}")
        else:
            shutil.rmtree(self.root, ignore_errors=True)


class AppCase(unittest.TestCase):
    """A check with its own sandbox that needs the bridge port to itself."""

    def setUp(self):
        self.box = Sandbox()
        self.addCleanup(self.box.close)
        wait_for(f"port {BRIDGE_PORT} to be free", port_free, 60)


def expected_rows_ok(state):
    """The number lines the panel shows for reading() (reset lines move with time)."""
    rows = state.get("rows") or []
    return (len(rows) == 4 and rows[0::2] == ["5-hour limit  42%", "7-day limit  18%"]
            and all(r.startswith("   ") for r in rows[1::2]))
