#!/usr/bin/env python3
"""Whole-process speed of "moorkeepctl key list" over 100 key pairs of mixed
kinds (ed25519, rsa 2048/3072, ecdsa 256/384/521, a quarter of them protected),
cold (no key cache in the metadata) and warm (the cache a first run saved),
next to one "ssh-keygen -l" of one key.

Runs each side in turn in a throw-away home and prints the median wall times.

    bench/key_list_speed.py [--cli build/core/cli/moorkeepctl] [--runs 15]
"""

import argparse
import os
import shutil
import statistics
import subprocess
import tempfile
import time

KINDS = [["-t", "ed25519"], ["-t", "rsa", "-b", "2048"], ["-t", "ecdsa", "-b", "256"],
         ["-t", "ecdsa", "-b", "384"], ["-t", "ecdsa", "-b", "521"], ["-t", "rsa", "-b", "3072"]]
KEY_COUNT = 100
TARGETS_MS = {"cold": 100.0, "warm": 40.0}


def make_home(root):
    ssh = os.path.join(root, ".ssh")
    os.makedirs(ssh, mode=0o700)
    for sub in (".config", ".local/share", ".local/state", ".cache"):
        os.makedirs(os.path.join(root, sub), exist_ok=True)
    made = {}
    for i in range(KEY_COUNT):
        kind = KINDS[i % len(KINDS)]
        phrase = "bench phrase" if i % 4 == 3 else ""
        source = made.get((tuple(kind), phrase))
        target = os.path.join(ssh, f"key{i:03d}")
        if source and i >= 2 * len(KINDS) * 4:
            # Copies keep the set's mix without 100 slow RSA generations.
            shutil.copy(source, target)
            shutil.copy(source + ".pub", target + ".pub")
            os.chmod(target, 0o600)
            continue
        subprocess.run(["ssh-keygen", "-q", *kind, "-N", phrase, "-C", f"k{i}", "-f", target],
                       check=True, stdin=subprocess.DEVNULL)
        made[(tuple(kind), phrase)] = target
    return ssh


def environment(root):
    env = dict(os.environ)
    env.update(HOME=root, XDG_CONFIG_HOME=f"{root}/.config", XDG_DATA_HOME=f"{root}/.local/share",
               XDG_STATE_HOME=f"{root}/.local/state", XDG_CACHE_HOME=f"{root}/.cache")
    return env


def timed(command, env):
    start = time.perf_counter()
    subprocess.run(command, env=env, check=True, stdout=subprocess.DEVNULL,
                   stderr=subprocess.DEVNULL)
    return (time.perf_counter() - start) * 1000


def drop_cache(root):
    for folder in (".config", ".local/share", ".local/state", ".cache"):
        path = os.path.join(root, folder)
        shutil.rmtree(path)
        os.makedirs(path)


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--cli", default="build/core/cli/moorkeepctl")
    parser.add_argument("--runs", type=int, default=15)
    args = parser.parse_args()
    root = tempfile.mkdtemp(prefix="moorkeep-keybench-")
    try:
        ssh = make_home(root)
        env = environment(root)
        command = [os.path.abspath(args.cli), "key", "list", "--json"]
        cold, warm, tool = [], [], []
        for _ in range(args.runs):
            drop_cache(root)
            cold.append(timed(command, env))
            warm.append(timed(command, env))
            tool.append(timed(["ssh-keygen", "-l", "-f", os.path.join(ssh, "key000.pub")], env))
        figures = {"cold": statistics.median(cold), "warm": statistics.median(warm)}
        one = statistics.median(tool)
        for name, value in figures.items():
            verdict = "ok" if value <= TARGETS_MS[name] else "over target"
            print(f"key list, {name}, {KEY_COUNT} keys: {value:.1f} ms "
                  f"({value / one:.1f} x one ssh-keygen -l; target {TARGETS_MS[name]:.0f} ms, {verdict})")
        print(f"one ssh-keygen -l: {one:.1f} ms")
    finally:
        shutil.rmtree(root)


if __name__ == "__main__":
    main()
