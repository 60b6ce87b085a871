#!/usr/bin/env python3
"""Wake-ups (voluntary context switches of all the program's threads, from
/proc/PID/task/*/status, with each thread's share) and CPU of Pausalo's
input monitoring, while idle and under steady input, on each test desktop:

  x11     the whole program (Start pressed), the bare Qt program
          (qt_baseline) and hook_monitor, XTEST input (xtest_load: pointer
          motion, or with --load keys presses of a key that is no modifier)
  kwin, sway, mutter
          hook_monitor (the hook libraries and a 500 ms tick, no windows),
          pointer motion through the compositor (pausalo_inject)

  bench/whole/wakeups.py [--desktop NAME]... [--idle S] [--busy S] [--rate N] [--load motion|keys]

Needs a Release build in build/ (targets pausalo, qt_baseline, hook_monitor,
xtest_load, pausalo_inject). Prints one line of figures per program and desktop."""

import argparse
import re
import subprocess
import time

from measure import BUILD, Program, ProgramProcesses, Session, XTestLoad, measure_phase, start_pausalo, thread_rates

DESKTOPS = {
    "x11": ["--x", "--wm", "--tray"],
    "kwin": ["--kwin"],
    "sway": ["--sway"],
    "mutter": ["--mutter"],
}
HOOK_MONITOR = Program("hook_monitor", [str(BUILD / "bench" / "whole" / "hook_monitor")])
PAUSALO = Program("Pausalo", [str(BUILD / "app" / "pausalo")], start_pausalo)
# What any Qt program of Pausalo's shape pays for the same input, monitoring
# nothing.
QT_BASELINE = Program("bare Qt 6", [str(BUILD / "bench" / "whole" / "qt_baseline")], lambda session, processes: None)


def wait_for_monitoring(session, processes):
    log = session.home / "program.log"
    if not Session.wait_for(lambda: "MONITORING" in log.read_text(), 20):
        raise RuntimeError("hook_monitor did not start: " + log.read_text())


class CompositorLoad:
    """Pointer motion through the compositor (pausalo_inject)."""

    def __init__(self, session, rate, seconds):
        self.process = subprocess.Popen(
            [str(BUILD / "tests" / "support" / "pausalo_inject"), "--seconds", str(seconds), "--interval-ms",
             str(1000 // rate)], env=session.env, stdout=subprocess.PIPE, text=True)

    def done(self):
        return self.process.poll() is not None

    def events(self):
        self.process.wait()
        return int(re.search(r"moves (\d+)", self.process.stdout.read()).group(1))


def start_load(desktop, session, arguments):
    if desktop == "x11":
        return XTestLoad(session, arguments.load, arguments.rate, arguments.busy)
    return CompositorLoad(session, arguments.rate, arguments.busy)


def run(desktop, program, arguments):
    with Session(DESKTOPS[desktop]) as session:
        if program is HOOK_MONITOR:
            session.env["QT_QPA_PLATFORM"] = "offscreen"
        processes = ProgramProcesses(session, program)
        try:
            (program.start_monitoring or wait_for_monitoring)(session, processes)
            time.sleep(2)
            idle = measure_phase(processes, arguments.idle)
            load = start_load(desktop, session, arguments)
            busy = measure_phase(processes, until=load.done)
            events = load.events()
        finally:
            processes.end()
    return {
        "desktop": desktop,
        "program": program.name,
        "idle switches/s": round(idle["switches"] / idle["seconds"], 1),
        "idle CPU ms/min": round(idle["cpu"] * 1000 * 60 / idle["seconds"], 1),
        "busy events/s": round(events / busy["seconds"]),
        "busy switches/s": round(busy["switches"] / busy["seconds"], 1),
        "busy CPU ms/min": round(busy["cpu"] * 1000 * 60 / busy["seconds"], 1),
        "CPU ms per 1000 events": round(busy["cpu"] * 1000 / events * 1000, 2),
        "busy threads/s": {f"{name} [{count}]": round(rate, 1) for name, rate, count in thread_rates(busy)
                           if rate >= 0.05},
    }


def main():
    parser = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("--desktop", action="append", choices=sorted(DESKTOPS))
    parser.add_argument("--idle", type=float, default=30)
    parser.add_argument("--busy", type=int, default=30)
    parser.add_argument("--rate", type=int, default=200)
    parser.add_argument("--load", choices=("motion", "keys"), default="motion", help="the kind of XTEST input on X11")
    arguments = parser.parse_args()
    for desktop in arguments.desktop or list(DESKTOPS):
        for program in ([PAUSALO, QT_BASELINE, HOOK_MONITOR] if desktop == "x11" else [HOOK_MONITOR]):
            print(run(desktop, program, arguments), flush=True)


if __name__ == "__main__":
    main()
