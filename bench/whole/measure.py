#!/usr/bin/env python3
"""Measures Pausalo side by side with the break reminders Debian ships and a
bare Qt 6 program, each in a fresh X display and session bus of its own, and
writes the table into bench/RESULTS.md. Run through bench/compare, which
installs and builds what this needs."""

import argparse
import json
import os
import platform
import re
import shutil
import signal
import statistics
import subprocess
import sys
import tempfile
import threading
import time
from dataclasses import dataclass
from pathlib import Path

ROOT = Path(__file__).resolve().parents[2]
BUILD = ROOT / "build"
RESULTS = ROOT / "bench" / "RESULTS.md"
BEGIN_MARK = "<!-- bench/compare: begin -->"
END_MARK = "<!-- bench/compare: end -->"
CLOCK_TICKS = os.sysconf("SC_CLK_TCK")
SAMPLE_SECONDS = 0.5


@dataclass
class Phases:
    settle: float = 10.0
    stopped: float = 30.0
    idle: float = 60.0
    busy: float = 30.0
    rate: int = 200


@dataclass
class TaskCounts:
    name: str
    cpu_ns: int
    voluntary: int
    involuntary: int


@dataclass
class Program:
    name: str
    command: list
    # Turns monitoring on once the program has settled; None when it
    # monitors from the start.
    start_monitoring: object = None


# ---------------------------------------------------------------- display ---

class Session:
    """A fresh test desktop (tools/test-desktop; by default an X display with
    a window manager and a tray host), a session bus and an empty home
    directory."""

    def __init__(self, options=("--x", "--wm", "--tray")):
        self.options = list(options)
        self.processes = []
        self.home = Path(tempfile.mkdtemp(prefix="compare-home-"))
        self.env = {
            "PATH": os.environ.get("PATH", "/usr/bin:/bin"),
            "HOME": str(self.home),
            "LANG": "C.UTF-8",
            "QT_QPA_PLATFORM": "xcb",
        }

    def __enter__(self):
        self.desktop = subprocess.Popen([str(ROOT / "tools" / "test-desktop"), *self.options, "--hold"],
                                        env=self.env, stdin=subprocess.PIPE, stdout=subprocess.PIPE, text=True)
        for line in self.desktop.stdout:
            line = line.strip()
            if line == "READY":
                return self
            name, _, value = line.partition("=")
            if value:
                self.env[name] = value
        raise RuntimeError("the test desktop did not start")

    def __exit__(self, *exc):
        for process in reversed(self.processes):
            process.terminate()
        for process in reversed(self.processes):
            try:
                process.wait(5)
            except subprocess.TimeoutExpired:
                process.kill()
        # The end of its input ends the desktop.
        self.desktop.stdin.close()
        try:
            self.desktop.wait(30)
        except subprocess.TimeoutExpired:
            self.desktop.terminate()
            self.desktop.wait()
        shutil.rmtree(self.home, ignore_errors=True)

    def spawn(self, command, **kwargs):
        process = subprocess.Popen(command, env=self.env, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL,
                                   **kwargs)
        self.processes.append(process)
        return process

    def output(self, command):
        return subprocess.run(command, env=self.env, capture_output=True, text=True).stdout

    @staticmethod
    def wait_for(condition, seconds=10.0):
        deadline = time.monotonic() + seconds
        while time.monotonic() < deadline:
            if condition():
                return True
            time.sleep(0.05)
        return False


class MapProbe:
    """Collects the times top-level windows are mapped (map_probe)."""

    def __init__(self, session):
        self.maps = []
        self.process = subprocess.Popen([str(BUILD / "bench" / "whole" / "map_probe")], env=session.env,
                                        stdout=subprocess.PIPE, text=True)
        if self.process.stdout.readline().strip() != "READY":
            raise RuntimeError("map_probe did not start")
        threading.Thread(target=self._read, daemon=True).start()

    def _read(self):
        for line in self.process.stdout:
            parts = line.split()
            if len(parts) == 5 and parts[0] == "MAP":
                self.maps.append((int(parts[1]), parts[2], int(parts[3]), int(parts[4])))

    def first_window_after(self, launched_ns):
        # Tray icons and docks are small; a program's window is not.
        for seen, _, width, height in list(self.maps):
            if seen >= launched_ns and width >= 100 and height >= 60:
                return seen
        return None

    def stop(self):
        self.process.terminate()
        self.process.wait()


# -------------------------------------------------------------- processes ---

class ProgramProcesses:
    """The launched program and everything it started: every process whose
    environment carries the run's token."""

    def __init__(self, session, program):
        self.token = f"PAUSALO_COMPARE_RUN={os.getpid()}-{time.monotonic_ns()}"
        env = dict(session.env)
        key, value = self.token.split("=")
        env[key] = value
        self.log = open(session.home / "program.log", "w")
        self.launched_ns = time.monotonic_ns()
        self.process = subprocess.Popen(program.command, env=env, stdout=self.log, stderr=subprocess.STDOUT,
                                        start_new_session=True)
        self.tasks = {}  # (pid, tid) -> last seen (CPU nanoseconds, context switches)

    def pids(self):
        needle = self.token.encode() + b"\0"
        found = []
        for entry in os.listdir("/proc"):
            if not entry.isdigit():
                continue
            try:
                with open(f"/proc/{entry}/environ", "rb") as environ:
                    if needle in environ.read():
                        found.append(int(entry))
            except OSError:
                pass
        return found

    def cpu_seconds(self):
        """CPU time of the processes from their clock-tick counts (10 ms
        steps), for telling when start-up has settled."""
        total = 0
        for pid in self.pids():
            try:
                with open(f"/proc/{pid}/stat") as stat:
                    fields = stat.read().rsplit(")", 1)[1].split()
                total += int(fields[11]) + int(fields[12])  # utime, stime
            except OSError:
                pass
        return total / CLOCK_TICKS

    def sample_tasks(self):
        """Takes every thread's name, CPU nanoseconds (schedstat) and
        voluntary and involuntary context switches; threads that end keep
        their last counts."""
        for pid in self.pids():
            try:
                tids = os.listdir(f"/proc/{pid}/task")
            except OSError:
                continue
            for tid in tids:
                try:
                    with open(f"/proc/{pid}/task/{tid}/status") as status:
                        text = status.read()
                    with open(f"/proc/{pid}/task/{tid}/schedstat") as schedstat:
                        on_cpu = int(schedstat.read().split()[0])
                    voluntary = int(re.search(r"^voluntary_ctxt_switches:\s+(\d+)", text, re.M).group(1))
                    involuntary = int(re.search(r"^nonvoluntary_ctxt_switches:\s+(\d+)", text, re.M).group(1))
                    name = re.search(r"^Name:\s*(.*)$", text, re.M).group(1)
                except (OSError, ValueError, IndexError, AttributeError):
                    continue
                self.tasks[(pid, tid)] = TaskCounts(name, on_cpu, voluntary, involuntary)

    def memory_kib(self):
        rss = pss = 0
        for pid in self.pids():
            try:
                with open(f"/proc/{pid}/smaps_rollup") as rollup:
                    text = rollup.read()
            except OSError:
                continue
            rss += int(re.search(r"^Rss:\s+(\d+)", text, re.M).group(1))
            pss += int(re.search(r"^Pss:\s+(\d+)", text, re.M).group(1))
        return rss, pss

    def alive(self):
        return self.process.poll() is None

    def end(self):
        for pid in self.pids():
            try:
                os.kill(pid, signal.SIGTERM)
            except ProcessLookupError:
                pass
        Session.wait_for(lambda: not self.pids(), 5)
        for pid in self.pids():
            try:
                os.kill(pid, signal.SIGKILL)
            except ProcessLookupError:
                pass
        try:
            self.process.wait(5)
        except subprocess.TimeoutExpired:
            pass
        self.log.close()


def measure_phase(processes, seconds=None, until=None):
    """CPU seconds and context switches of the program over a span that ends
    after the given seconds, or when until() turns true. "switches" counts
    the voluntary ones, the program's own wake-ups (a thread that blocks);
    the involuntary ones ("preempted") come from other work on the machine.
    "threads" holds each thread's voluntary switches as "name/tid"."""
    processes.sample_tasks()
    before = dict(processes.tasks)
    started = time.monotonic()
    while True:
        elapsed = time.monotonic() - started
        if (seconds is not None and elapsed >= seconds) or (until is not None and until()):
            break
        time.sleep(min(SAMPLE_SECONDS, seconds - elapsed) if seconds is not None else SAMPLE_SECONDS)
        processes.sample_tasks()
    processes.sample_tasks()
    phase = {"seconds": time.monotonic() - started, "cpu": 0.0, "switches": 0, "preempted": 0, "threads": {}}
    for (_, tid), counts in processes.tasks.items():
        previous = before.get((_, tid), TaskCounts(counts.name, 0, 0, 0))
        phase["cpu"] += (counts.cpu_ns - previous.cpu_ns) / 1e9
        phase["switches"] += counts.voluntary - previous.voluntary
        phase["preempted"] += counts.involuntary - previous.involuntary
        phase["threads"][f"{counts.name}/{tid}"] = counts.voluntary - previous.voluntary
    return phase


class XTestLoad:
    """Steady XTEST input (xtest_load) of one kind, "motion" or "keys", with
    the pointer in a corner where no program has a window."""

    def __init__(self, session, kind, rate, seconds):
        subprocess.run(["xdotool", "mousemove", "3", "1020"], env=session.env, check=True)
        time.sleep(1)
        self.process = subprocess.Popen(
            [str(BUILD / "bench" / "whole" / "xtest_load"), kind, str(rate), str(seconds)],
            env=session.env, stdout=subprocess.PIPE, text=True)

    def done(self):
        return self.process.poll() is not None

    def events(self):
        self.process.wait()
        return int(re.search(r"events (\d+)", self.process.stdout.read()).group(1))


def measure_load(session, processes, kind, phases):
    """A busy phase under one kind of input; "events" is what was sent."""
    load = XTestLoad(session, kind, phases.rate, int(phases.busy))
    phase = measure_phase(processes, until=load.done)
    phase["events"] = load.events()
    return phase


# -------------------------------------------------------------- programs ---

def start_pausalo(session, processes):
    """Presses Start; Pausalo then hides into the tray."""
    def window():
        return session.output(["xdotool", "search", "--onlyvisible", "--name", "^Pausalo$"]).split()

    if not Session.wait_for(lambda: window(), 10):
        raise RuntimeError("the Pausalo window is not there")
    # Start is the first button of the strip at the bottom of the Home page.
    subprocess.run(["xdotool", "mousemove", "--window", window()[0], "50", "248", "click", "1"], env=session.env,
                   check=True)
    if not Session.wait_for(lambda: not window(), 10):
        raise RuntimeError("Pausalo did not go into the tray after Start")


def programs():
    return [
        Program("Pausalo", [str(BUILD / "app" / "pausalo")], start_pausalo),
        Program("Workrave", ["workrave"]),
        Program("RSIBreak", ["rsibreak"]),
        Program("Safe Eyes", ["safeeyes"]),
        Program("bare Qt 6", [str(BUILD / "bench" / "whole" / "qt_baseline")]),
    ]


def settled_start(samples, launched_ns):
    """The time the CPU count last moved before a quiet second."""
    last_change = launched_ns
    for (at, cpu), (_, previous) in zip(samples[1:], samples):
        if cpu != previous:
            last_change = at
        elif at - last_change >= 1_000_000_000:
            break
    return last_change


def run_once(program, phases):
    with Session() as session:
        probe = MapProbe(session)
        processes = ProgramProcesses(session, program)
        try:
            samples = []
            deadline = processes.launched_ns + int(phases.settle * 1e9)
            while time.monotonic_ns() < deadline:
                samples.append((time.monotonic_ns(), processes.cpu_seconds()))
                time.sleep(0.02)
            if not processes.alive() and not processes.pids():
                raise RuntimeError(f"{program.name} ended at start-up; see its log")
            mapped = probe.first_window_after(processes.launched_ns)
            result = {
                "startup_ms": ((mapped if mapped else settled_start(samples, processes.launched_ns))
                               - processes.launched_ns) / 1e6,
                "startup_by": "window mapped" if mapped else "CPU settled",
            }
            result["rss_kib"], result["pss_kib"] = processes.memory_kib()
            if program.start_monitoring:
                result["stopped"] = measure_phase(processes, phases.stopped)
                program.start_monitoring(session, processes)
                time.sleep(2)
            result["idle"] = measure_phase(processes, phases.idle)
            for kind in LOADS:
                result[f"busy_{kind}"] = measure_load(session, processes, kind, phases)
            return result
        finally:
            processes.end()
            probe.stop()


# ---------------------------------------------------------------- report ---

def per_60s(phase, key):
    return phase[key] * 60.0 / phase["seconds"]


# The busy phases, one after another: XTEST pointer motion, then XTEST key
# presses.
LOADS = ("motion", "keys")
LOAD_NAMES = {"motion": "pointer", "keys": "keys"}


def noticed(run, kind):
    """A program that sees the events wakes up for them: at least once a
    second more than while idle. (Not once per event: a program may gather
    the events of a busy stretch.)"""
    idle, busy = run["idle"], run[f"busy_{kind}"]
    extra_switches = busy["switches"] - busy["seconds"] * idle["switches"] / idle["seconds"]
    return extra_switches >= busy["seconds"]


def figures(run):
    idle = run["idle"]
    row = {
        "startup": run["startup_ms"],
        "rss": run["rss_kib"] / 1024,
        "pss": run["pss_kib"] / 1024,
        "idle_cpu": per_60s(idle, "cpu") * 1000,
        "idle_switches": per_60s(idle, "switches"),
    }
    for kind in LOADS:
        busy = run[f"busy_{kind}"]
        row[f"{kind}_switches"] = busy["switches"] / busy["seconds"]
        row[f"{kind}_cpu"] = busy["cpu"] * 1000 / busy["events"] * 1000
        row[f"{kind}_noticed"] = noticed(run, kind)
    if "stopped" in run:
        row["stopped_cpu"] = per_60s(run["stopped"], "cpu") * 1000
        row["stopped_switches"] = per_60s(run["stopped"], "switches")
    return row


def thread_rates(phase):
    """Each thread's wake-ups a second in a phase, busiest first, by name."""
    rates = {}
    for thread, switches in phase["threads"].items():
        name = thread.split("/")[0]
        rates.setdefault(name, []).append(switches / phase["seconds"])
    return sorted(((name, sum(r), len(r)) for name, r in rates.items()), key=lambda entry: -entry[1])


COLUMNS = [
    ("startup", "start-up (ms)", "{:.0f}"),
    ("rss", "RSS (MiB)", "{:.1f}"),
    ("pss", "PSS (MiB)", "{:.1f}"),
    ("idle_cpu", "idle CPU (ms/60 s)", "{:.0f}"),
    ("idle_switches", "idle wake-ups (/60 s)", "{:.0f}"),
    ("motion_switches", "wake-ups/s, pointer input", "{:.1f}"),
    ("keys_switches", "wake-ups/s, key input", "{:.1f}"),
    ("motion_cpu", "CPU per 1,000 events, pointer (ms)", "{:.1f}"),
    ("keys_cpu", "CPU per 1,000 events, keys (ms)", "{:.1f}"),
]


def spread(values, pattern):
    values = sorted(values)
    return f"{pattern.format(statistics.median(values))} ({pattern.format(values[0])}–{pattern.format(values[-1])})"


def report(results, command, phases):
    rows = {name: [figures(run) for run in runs] for name, runs in results.items() if runs}
    medians = {name: {key: statistics.median(row[key] for row in runs) for key, _, _ in COLUMNS}
               for name, runs in rows.items()}
    lines = [BEGIN_MARK, "## Whole program, side by side with other break reminders", "",
             f"Machine: {machine_line()}.", "", "Command (from a clean clone; installs what it needs):", "",
             "```sh", command, "```", "",
             f"Each program ran {max(len(r) for r in rows.values())} times, one after another, each time in a fresh "
             "Xvfb display (1280×1024) with openbox, trayer, its own session bus and an empty home directory. "
             "Figures are median (min–max). Start-up: launch until the first top-level window is mapped, or, "
             "for a program that starts hidden, until its CPU count last moved before a quiet second. Memory: "
             f"RSS and PSS from `/proc/PID/smaps_rollup` after {phases.settle:.0f} s, summed over the program's "
             f"processes. Wake-ups: voluntary context switches of all the program's threads "
             "(`/proc/PID/task/*/status`), the times a thread blocked and was woken again; the involuntary ones "
             "measure the machine's other load, not the program. "
             f"Idle: {phases.idle:.0f} s with monitoring on and no input (Pausalo after Start). Busy, one load after "
             f"the other, {phases.rate} events a second for {phases.busy:.0f} s each through XTEST, the pointer in "
             "a corner where no program has a window: relative pointer motion, then presses (with releases) of "
             "F12, a key that is no modifier; CPU of the whole span per 1,000 events. Noticed: the program woke "
             "up for the input (at least one wake-up a second above its idle rate), pointer / keys.", "",
             "| program | " + " | ".join(title for _, title, _ in COLUMNS) + " | noticed input |",
             "|---|" + "---|" * (len(COLUMNS) + 1)]
    for name, runs in rows.items():
        cells = [spread([row[key] for row in runs], pattern) for key, _, pattern in COLUMNS]
        seen = [sum(row[f"{kind}_noticed"] for row in runs) for kind in LOADS]
        verdicts = " / ".join(f"{'yes' if count * 2 > len(runs) else 'no'} ({count}/{len(runs)})" for count in seen)
        lines.append(f"| {name} | " + " | ".join(cells) + f" | {verdicts} |")
    pausalo = rows.get("Pausalo")
    if pausalo and "stopped_cpu" in pausalo[0]:
        lines += ["", f"Pausalo before Start (stopped, {phases.stopped:.0f} s scaled to 60 s): CPU "
                  f"{spread([r['stopped_cpu'] for r in pausalo], '{:.0f}')} ms, context switches "
                  f"{spread([r['stopped_switches'] for r in pausalo], '{:.0f}')}."]
    if "Pausalo" in results and results["Pausalo"]:
        last = results["Pausalo"][-1]
        lines += ["", "Pausalo's wake-ups a second by thread (last run; threads of the same name summed, their "
                  "number in brackets):", ""]
        for kind in ("idle",) + tuple(f"busy_{kind}" for kind in LOADS):
            title = "idle" if kind == "idle" else f"{LOAD_NAMES[kind[5:]]} input"
            shares = ", ".join(f"{name} [{count}] {rate:.1f}" for name, rate, count in thread_rates(last[kind])
                               if rate >= 0.05)
            lines.append(f"- {title}: {shares}")
    if "Pausalo" in medians:
        lines += ["", "Ratios of the medians, Pausalo / each:", "",
                  "| Pausalo / | " + " | ".join(title for _, title, _ in COLUMNS) + " |",
                  "|---|" + "---|" * len(COLUMNS)]
        for name, other in medians.items():
            if name == "Pausalo":
                continue
            cells = [f"{medians['Pausalo'][key] / other[key]:.2f}" if other[key] else "–" for key, _, _ in COLUMNS]
            lines.append(f"| {name} | " + " | ".join(cells) + " |")
    lines.append(END_MARK)
    return "\n".join(lines) + "\n"


def machine_line():
    model = "unknown CPU"
    with open("/proc/cpuinfo") as cpuinfo:
        found = re.search(r"^model name\s*:\s*(.*)$", cpuinfo.read(), re.M)
        if found:
            model = found.group(1).strip()
    debian = Path("/etc/debian_version").read_text().strip() if Path("/etc/debian_version").exists() else "?"
    qt = subprocess.run(["dpkg-query", "-W", "-f=${Version}", "libqt6core6"], capture_output=True,
                        text=True).stdout or "?"
    load = os.getloadavg()
    return (f"{os.cpu_count()} × {model}, Linux {platform.release()}, Debian {debian}, Qt {qt}; "
            f"load average at the end {load[0]:.1f}")


def write_results(section):
    text = RESULTS.read_text() if RESULTS.exists() else "# Benchmark results\n"
    if BEGIN_MARK in text and END_MARK in text:
        before, rest = text.split(BEGIN_MARK, 1)
        after = rest.split(END_MARK, 1)[1]
        text = before + section.rstrip("\n") + after
    else:
        text = text.rstrip("\n") + "\n\n" + section
    RESULTS.write_text(text)


def main():
    parser = argparse.ArgumentParser(description=__doc__)
    parser.add_argument("--repeat", type=int, default=3)
    parser.add_argument("--only", action="append", help="measure only this program (repeatable)")
    parser.add_argument("--short", action="store_true", help="short phases, to try the script out")
    parser.add_argument("--no-write", action="store_true", help="print the table instead of writing RESULTS.md")
    parser.add_argument("--again", action="store_true",
                        help="measure nothing: make the table again from the last run's figures")
    arguments = parser.parse_args()
    phases = Phases(settle=5, stopped=5, idle=10, busy=5) if arguments.short else Phases()
    chosen = [p for p in programs() if not arguments.only or p.name in arguments.only]
    raw = BUILD / "compare-results.json"
    results = json.loads(raw.read_text()) if arguments.again else {program.name: [] for program in chosen}
    for round_number in range(0 if arguments.again else arguments.repeat):
        for program in chosen:
            print(f"[{round_number + 1}/{arguments.repeat}] {program.name}", flush=True)
            try:
                run = run_once(program, phases)
            except Exception as error:  # one program's failure must not end the comparison
                print(f"  {program.name}: {error}", flush=True)
                continue
            print("  " + json.dumps(figures(run)), flush=True)
            results[program.name].append(run)
            raw.write_text(json.dumps(results, indent=1))
    section = report(results, "bench/compare", phases)
    if arguments.no_write:
        print(section)
    else:
        write_results(section)
        print(section)


if __name__ == "__main__":
    sys.exit(main())
