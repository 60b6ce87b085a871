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
        """Takes every thread's CPU nanoseconds (schedstat) and context
        switches; threads that end keep their last counts."""
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
                except (OSError, ValueError, IndexError):
                    continue
                counts = re.findall(r"ctxt_switches:\s+(\d+)", text)
                self.tasks[(pid, tid)] = (on_cpu, sum(int(count) for count in counts))

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
    after the given seconds, or when until() turns true."""
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
    cpu = switches = 0
    for task, (on_cpu, switched) in processes.tasks.items():
        cpu_before, switched_before = before.get(task, (0, 0))
        cpu += on_cpu - cpu_before
        switches += switched - switched_before
    return {"seconds": time.monotonic() - started, "cpu": cpu / 1e9, "switches": switches}


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
            # The pointer moves in a corner where no program has a window.
            subprocess.run(["xdotool", "mousemove", "3", "1020"], env=session.env, check=True)
            time.sleep(1)
            load = subprocess.Popen(
                [str(BUILD / "bench" / "whole" / "xtest_load"), str(phases.rate), str(int(phases.busy))],
                env=session.env, stdout=subprocess.PIPE, text=True)
            result["busy"] = measure_phase(processes, until=lambda: load.poll() is not None)
            result["busy"]["events"] = int(re.search(r"events (\d+)", load.stdout.read()).group(1))
            return result
        finally:
            processes.end()
            probe.stop()


# ---------------------------------------------------------------- report ---

def per_60s(phase, key):
    return phase[key] * 60.0 / phase["seconds"]


def figures(run):
    idle, busy = run["idle"], run["busy"]
    idle_switch_rate = idle["switches"] / idle["seconds"]
    extra_switches = busy["switches"] - idle_switch_rate * busy["seconds"]
    row = {
        "startup": run["startup_ms"],
        "rss": run["rss_kib"] / 1024,
        "pss": run["pss_kib"] / 1024,
        "idle_cpu": per_60s(idle, "cpu") * 1000,
        "idle_switches": per_60s(idle, "switches"),
        "busy_cpu": busy["cpu"] * 1000 / busy["events"] * 1000,
        # A program that sees the events wakes up for them.
        "noticed": extra_switches >= 0.05 * busy["events"],
    }
    if "stopped" in run:
        row["stopped_cpu"] = per_60s(run["stopped"], "cpu") * 1000
        row["stopped_switches"] = per_60s(run["stopped"], "switches")
    return row


COLUMNS = [
    ("startup", "start-up (ms)", "{:.0f}"),
    ("rss", "RSS (MiB)", "{:.1f}"),
    ("pss", "PSS (MiB)", "{:.1f}"),
    ("idle_cpu", "idle CPU (ms/60 s)", "{:.0f}"),
    ("idle_switches", "idle context switches (/60 s)", "{:.0f}"),
    ("busy_cpu", "CPU per 1,000 events (ms)", "{:.1f}"),
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
             f"processes. Idle: {phases.idle:.0f} s with monitoring on and no input (Pausalo after Start). Busy: "
             f"XTEST relative pointer motion plus a Shift key every 100 ms, {phases.rate} events a second for "
             f"{phases.busy:.0f} s; CPU of the whole span per 1,000 events. Noticed: the program woke up for the "
             "input (context switches above its idle rate for at least 5 % of the events).", "",
             "| program | " + " | ".join(title for _, title, _ in COLUMNS) + " | noticed input |",
             "|---|" + "---|" * (len(COLUMNS) + 1)]
    for name, runs in rows.items():
        cells = [spread([row[key] for row in runs], pattern) for key, _, pattern in COLUMNS]
        noticed = sum(row["noticed"] for row in runs)
        lines.append(f"| {name} | " + " | ".join(cells) + f" | {'yes' if noticed * 2 > len(runs) else 'no'} "
                     f"({noticed}/{len(runs)}) |")
    pausalo = rows.get("Pausalo")
    if pausalo and "stopped_cpu" in pausalo[0]:
        lines += ["", f"Pausalo before Start (stopped, {phases.stopped:.0f} s scaled to 60 s): CPU "
                  f"{spread([r['stopped_cpu'] for r in pausalo], '{:.0f}')} ms, context switches "
                  f"{spread([r['stopped_switches'] for r in pausalo], '{:.0f}')}."]
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
    arguments = parser.parse_args()
    phases = Phases(settle=5, stopped=5, idle=10, busy=5) if arguments.short else Phases()
    chosen = [p for p in programs() if not arguments.only or p.name in arguments.only]
    results = {program.name: [] for program in chosen}
    raw = BUILD / "compare-results.json"
    for round_number in range(arguments.repeat):
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
