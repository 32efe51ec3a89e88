#!/usr/bin/env python3
"""Whole-process speed of moorkeepctl on large configurations, as a ratio to
OpenSSH reading the same file ("ssh -G -F config HOST").

Generates throw-away homes (a configuration of N host blocks after a Host *
block, or 100 included files of 100 blocks; 20 ed25519 keys whose cache is
warmed first), then runs
each command and ssh -G in pairs, alternating which goes first, and prints the
median wall time of each side and the median of the paired ratios. The
machine may be busy: pairs see the same load, medians drop the outliers.

    bench/load_speed.py [--cli build/release/cli/moorkeepctl] [--runs 31]

The desktop application (--only app) runs build/release/bench/
app_start_bench on the 10,000-block home with 100 keys under the offscreen
platform (or --xvfb) and prints the medians of its figures: the host list
painted after start, the slowest search keystroke and selection move, and
the defaults dialog opening, which overrides the User of every host. The steps
start once the work the load started on other threads is done, which is a
figure too ("background after list"), and each move is also timed to the
paint of the host's known host keys, which a worker reads.

Scaling (--only scaling) lists 100,000 blocks, which must stay within ten
times the 10,000-block figure.
"""

import argparse
import os
import shutil
import statistics
import subprocess
import sys
import tempfile
import time

KEY_COUNT = 20
APP_KEY_COUNT = 100

# Targets: the ratio to ssh -G each command must stay within.
TARGETS = {"host list --json": 1.0, "host show": 0.7, "host show --effective": 0.7,
           "host edit": 1.5, "check": 2.0}
MEMORY_LIMIT_KIB = 16 * 1024
# The window's figures, in milliseconds: each median must stay under its limit.
APP_LIMITS = {"host list painted": 200, "search keystroke, wall": 16,
              "selection move, wall": 16, "defaults dialog, wall": 100}


def block(i):
    lines = [f"Host h{i:04d}",
             f"  HostName 10.{i // 65536 % 256}.{i // 256 % 256}.{i % 256}",
             f"  User user{i % 50}",
             f"  Port {2200 + i % 100}",
             f"  IdentityFile ~/.ssh/id_key{i % KEY_COUNT:02d}"]
    if i % 5 == 0:
        lines.append(f"  ProxyJump jump{i % 7}.example.com")
    return "\n".join(lines) + "\n\n"


def blocks(first, count):
    return "".join(block(i) for i in range(first, first + count))


DEFAULTS = "Host *\n  ServerAliveInterval 30\n  User admin\n"


def write(path, text):
    with open(path, "w") as f:
        f.write(text)
    os.chmod(path, 0o600)


def make_keys(ssh, count):
    for k in range(count):
        subprocess.run(["ssh-keygen", "-q", "-t", "ed25519", "-N", "", "-C", f"key{k}",
                        "-f", os.path.join(ssh, f"id_key{k:02d}")], check=True)


class Home:
    """A home with .ssh/config and keys; `included` spreads the blocks over
    100 files that the main file includes with one pattern."""

    def __init__(self, root, name, hosts, included, key_source):
        self.path = os.path.join(root, name)
        self.ssh = os.path.join(self.path, ".ssh")
        os.makedirs(self.ssh, mode=0o700)
        for entry in os.listdir(key_source):
            shutil.copy2(os.path.join(key_source, entry), self.ssh)
        self.config = os.path.join(self.ssh, "config")
        self.meta = os.path.join(self.path, "meta.json")
        if included:
            folder = os.path.join(self.ssh, "config.d")
            os.makedirs(folder, mode=0o700)
            per_file = hosts // 100
            for f in range(100):
                write(os.path.join(folder, f"hosts-{f:03d}"), blocks(f * per_file, per_file))
            # An absolute path, so that ssh (whose "~" is the passwd home) and
            # we read the same files.
            write(self.config, f"{DEFAULTS}\nInclude {folder}/*\n")
        else:
            write(self.config, DEFAULTS + "\n" + blocks(0, hosts))
        self.hosts = hosts

    def ctl(self, cli, *command):
        return [cli, "--home", self.path, "--meta", self.meta, *command]

    def ssh_g(self, alias):
        return ["ssh", "-G", "-F", self.config, alias]


def run_timed(argv):
    start = time.perf_counter()
    result = subprocess.run(argv, stdout=subprocess.DEVNULL, stderr=subprocess.PIPE)
    elapsed = time.perf_counter() - start
    if result.returncode != 0:
        sys.exit(f"failed: {' '.join(argv)}\n{result.stderr.decode()}")
    return elapsed * 1000


def paired(ours, theirs, runs):
    """Median of each side and of the per-pair ratios."""
    mine, ssh, ratios = [], [], []
    for i in range(runs):
        if i % 2:
            a = run_timed(ours(i))
            b = run_timed(theirs)
        else:
            b = run_timed(theirs)
            a = run_timed(ours(i))
        mine.append(a)
        ssh.append(b)
        ratios.append(a / b)
    quartiles = statistics.quantiles(ratios, n=4)
    return (statistics.median(mine), statistics.median(ssh), statistics.median(ratios),
            (quartiles[0], quartiles[2]))


def peak_kib(argv):
    result = subprocess.run(["/usr/bin/time", "-f", "%M", *argv], stdout=subprocess.DEVNULL,
                            stderr=subprocess.PIPE, text=True)
    return int(result.stderr.strip().splitlines()[-1])


def commands(home):
    """Each command with the alias it concerns (the middle host)."""
    middle = f"h{home.hosts // 2:04d}"
    last = f"h{home.hosts - 1:04d}"
    return [
        ("host list --json", last, lambda i: ["host", "list", "--json"]),
        ("host show", middle, lambda i: ["host", "show", middle]),
        ("host show --effective", middle, lambda i: ["host", "show", middle, "--effective"]),
        # Alternating ports, so that every run really rewrites the block.
        ("host edit", middle, lambda i: ["host", "edit", middle, "--port", str(2222 + i % 2)]),
        ("check", last, lambda i: ["check"]),
    ]


def measure(home, cli, runs, label, only=None, judged=True):
    """Pairs each command with ssh -G; `judged` marks the ratios over their
    targets (the scaling runs are judged by their growth alone)."""
    print(f"\n{label}: {home.hosts} blocks")
    print(f"  {'command':<23}{'ours ms':>9}{'ssh -G ms':>11}{'ratio':>7}{'target':>8}"
          f"{'peak MiB':>10}{'ratio p25-p75':>15}")
    results = {}
    for name, alias, args in commands(home):
        if only and name not in only:
            continue
        ours, ssh, ratio, spread = paired(lambda i: home.ctl(cli, *args(i)), home.ssh_g(alias),
                                          runs)
        peak = peak_kib(home.ctl(cli, *args(runs))) / 1024
        target = f"{TARGETS[name]:8.1f}" if judged else f"{'-':>8}"
        mark = "  OVER" if judged and ratio > TARGETS[name] else ""
        print(f"  {name:<23}{ours:9.1f}{ssh:11.1f}{ratio:7.2f}{target}{peak:10.1f}"
              f"{spread[0]:9.2f}-{spread[1]:.2f}{mark}")
        results[name] = (ours, ssh, ratio, peak)
    return results


def measure_app(home, program, runs, xvfb):
    env = dict(os.environ, HOME=home.path, XDG_DATA_HOME=os.path.join(home.path, "data"))
    if xvfb:
        env.pop("QT_QPA_PLATFORM", None)
        prefix = ["xvfb-run", "-a"]
    else:
        env["QT_QPA_PLATFORM"] = "offscreen"
        prefix = []
    figures = {}
    for i in range(runs + 1):
        env["MOORKEEP_BENCH_T0_NS"] = str(time.monotonic_ns())
        out = subprocess.run(prefix + [program], env=env, capture_output=True, text=True)
        if out.returncode != 0:
            sys.exit(f"app_start_bench failed:\n{out.stdout}{out.stderr}")
        if i == 0:
            print(f"\nDesktop application start ({'Xvfb' if xvfb else 'offscreen'}), "
                  f"{home.hosts} blocks: {out.stdout.splitlines()[0]}")
            continue  # the first run writes the metadata file with the key cache
        for line in out.stdout.splitlines()[1:]:
            if not line.endswith(" ms") or line.startswith(" "):
                continue
            name, value = line.rsplit(None, 2)[0], line.split()[-2]
            figures.setdefault(name, []).append(float(value))
    for name, values in figures.items():
        print(f"  {name:<24}median {statistics.median(values):8.1f}   max {max(values):8.1f}")
    return figures


def main():
    here = os.path.dirname(os.path.abspath(__file__))
    parser = argparse.ArgumentParser(description=__doc__,
                                     formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("--cli", default=os.path.join(here, "..", "build", "release", "cli",
                                                      "moorkeepctl"))
    parser.add_argument("--runs", type=int, default=31, help="pairs per command")
    parser.add_argument("--scaling-runs", type=int, default=11,
                        help="pairs per command for the scaling and the window's figures")
    parser.add_argument("--keep", action="store_true", help="keep the generated homes")
    parser.add_argument("--app", default=os.path.join(here, "..", "build", "release", "bench",
                                                      "app_start_bench"))
    parser.add_argument("--xvfb", action="store_true", help="run the application under Xvfb")
    parser.add_argument("--only", choices=["main", "include", "scaling", "app"], action="append")
    options = parser.parse_args()
    cli = os.path.abspath(options.cli)
    parts = options.only or ["main", "include", "scaling", "app"]

    root = tempfile.mkdtemp(prefix="moorkeep-load-bench-")
    try:
        key_folders = {}
        for count in (KEY_COUNT, APP_KEY_COUNT):
            key_folders[count] = os.path.join(root, f"keys-{count}")
            os.makedirs(key_folders[count])
            make_keys(key_folders[count], count)

        def home(name, hosts, included=False, keys=KEY_COUNT):
            h = Home(root, name, hosts, included, key_folders[keys])
            # Warm the key cache: the runs measured never start ssh-keygen.
            subprocess.run(h.ctl(cli, "key", "list"), check=True, stdout=subprocess.DEVNULL)
            return h

        failed = False
        if "main" in parts:
            r = measure(home("flat-10000", 10000), cli, options.runs, "One file")
            failed |= any(v[2] > TARGETS[k] for k, v in r.items())
            print(f"  peak memory of host list --json: {r['host list --json'][3]:.1f} MiB "
                  f"(limit {MEMORY_LIMIT_KIB / 1024:.0f})")
            failed |= r["host list --json"][3] * 1024 > MEMORY_LIMIT_KIB
        if "include" in parts:
            r = measure(home("included-10000", 10000, True), cli, options.runs,
                        "100 included files of 100 blocks")
            failed |= any(v[2] > TARGETS[k] for k, v in r.items())
        if "scaling" in parts:
            name = "host list --json"
            times = {n: measure(home(f"scale-{n}", n), cli, options.scaling_runs, "Scaling",
                                [name], judged=False)[name][0] for n in (10000, 100000)}
            growth = times[100000] / times[10000]
            print(f"  {name}: 100,000 blocks take {growth:.1f}x the 10,000 (limit 10x)")
            failed |= growth > 10
        if "app" in parts:
            figures = measure_app(home("app-10000", 10000, keys=APP_KEY_COUNT),
                                  os.path.abspath(options.app), options.scaling_runs,
                                  options.xvfb)
            for name, limit in APP_LIMITS.items():
                if name not in figures:  # an older build times fewer steps
                    print(f"  {name:<24}not measured")
                    failed = True
                    continue
                over = statistics.median(figures[name]) >= limit
                print(f"  {name:<24}limit {limit:6d}{'  OVER' if over else ''}")
                failed |= over
        print("\nAll figures within their targets." if not failed else "\nSome figures OVER.")
        return 1 if failed else 0
    finally:
        if options.keep:
            print(f"kept {root}")
        else:
            shutil.rmtree(root, ignore_errors=True)


if __name__ == "__main__":
    sys.exit(main())
