#!/usr/bin/env python3
"""Kills the swap script's process group at random moments while it replaces
a real 1.0.2 bundle with a real 1.0.3 one; after every kill a bundle, old or
new, must be in place and answer --version. With QUOTALUME_SHIM=refuse set
every round runs on a file system that cannot exchange (the SHIM preloaded).
usage: swap_kills.py BUILD SWAP_SCRIPT SHIM [KILLS]"""
import os, random, shutil, signal, subprocess, sys, tempfile, time
from pathlib import Path

build, script, shim_library, *rest = sys.argv[1:]
kills, fallback = int(rest[0]) if rest else 300, os.environ.get("QUOTALUME_SHIM")
work = Path(tempfile.mkdtemp(prefix="quotalume-swap-kills."))
apps, shim = work / "apps", work / "shim"
target, update = apps / "Quotalume.app", apps / ".Quotalume-update-1"
app = subprocess.run(["sh", "-c", "echo $$"], capture_output=True, text=True).stdout.strip()  # quit already


def swap(delay=None):
    """One round, killed after `delay` seconds: the version left in place, and how long the script ran."""
    shutil.rmtree(apps, ignore_errors=True)
    # Hard links: a round copies nothing, and the swap moves folders only.
    shutil.copytree(work / "1.0.2", target, copy_function=os.link)
    shutil.copytree(work / "1.0.3", update / "Quotalume.app", copy_function=os.link)
    shutil.copy(script, update / "swap.sh")
    started = time.monotonic()
    # The relaunch (setsid) is not under test, and would start the app every round.
    env = dict(os.environ, PATH=f"{shim}:{os.environ['PATH']}", LD_PRELOAD=shim_library,
               ASAN_OPTIONS="verify_asan_link_order=0")
    sh = subprocess.Popen(["/bin/sh", update / "swap.sh", target, update / "Quotalume.app", app,
                           target / "bin/quotalume"], env=env, start_new_session=True)
    if delay is not None:
        time.sleep(delay)
        try:
            os.killpg(sh.pid, signal.SIGKILL)
        except ProcessLookupError:
            pass
    sh.wait()
    took = time.monotonic() - started
    try:
        answer = subprocess.run([target / "bin/quotalume", "--version"], capture_output=True, text=True, timeout=30)
        return answer.stdout.strip().removeprefix("Quotalume ") if answer.returncode == 0 else "none", took
    except OSError:
        return "none", took


try:
    shim.mkdir()
    (shim / "setsid").write_text("#!/bin/sh\n")
    (shim / "setsid").chmod(0o755)
    for version in ("1.0.2", "1.0.3"):
        subprocess.run(["cmake", "--install", build, "--prefix", work / version, "--component", "bundle"],
                       check=True, stdout=subprocess.DEVNULL)
        (work / version / "Info.json").write_text(f'{{"identifier": "kr.co.fernhallow.Quotalume", "version": "{version}"}}')
    # The kills fall anywhere in a whole run, measured here; each must swap.
    whole = [swap() for _ in range(3)]
    if [version for version, _ in whole] != ["1.0.3"] * 3:
        sys.exit(f"swap-kills: FAIL: an undisturbed swap left {whole}")
    span, ended, started = max(took for _, took in whole), {"1.0.2": 0, "1.0.3": 0, "none": 0}, time.monotonic()
    for n in range(kills):
        version, _ = swap(random.uniform(0, span))
        if version == "none":
            print(f"swap-kills: kill {n + 1} left no runnable bundle: {sorted(os.listdir(apps))}")
        ended[version] += 1
    print(f"swap-kills: {kills} kills{' with the exchange refused' if fallback else ''} in {time.monotonic() - started:.0f} s "
          f"(a swap takes {span * 1000:.0f} ms): {ended['1.0.2']} left the old bundle, {ended['1.0.3']} the new, "
          f"{ended['none']} none")
    if ended["none"]:
        sys.exit("swap-kills: FAIL")
finally:
    shutil.rmtree(work, ignore_errors=True)
