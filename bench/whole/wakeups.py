#!/usr/bin/env python3
"""Wake-ups (context switches of all the program's threads, voluntary and
not, from /proc/PID/task/*/status) and CPU of Pausalo's input monitoring,
while idle and under steady input, on each test desktop:

  x11     the whole program (Start pressed), the bare Qt program
          (qt_baseline) and hook_monitor, XTEST input (xtest_load: pointer
          motion and --key-taps Shift taps a second, default 10)
  kwin, sway, mutter
          hook_monitor (the hook libraries and a 500 ms tick, no windows),
          pointer motion through the compositor (pausalo_inject)

  bench/whole/wakeups.py [--desktop NAME]... [--idle S] [--busy S] [--rate N] [--key-taps N]

Needs a Release build in build/ (targets pausalo, qt_baseline, hook_monitor,
xtest_load, pausalo_inject). Prints one line of figures per program and desktop."""

import argparse
import re
import subprocess
import time

from measure import BUILD, Program, ProgramProcesses, Session, measure_phase, start_pausalo

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


def start_load(desktop, session, arguments):
    rate, seconds = arguments.rate, arguments.busy
    if desktop == "x11":
        # The pointer moves in a corner where no program has a window.
        subprocess.run(["xdotool", "mousemove", "3", "1020"], env=session.env, check=True)
        command = [str(BUILD / "bench" / "whole" / "xtest_load"), str(rate), str(seconds), str(arguments.key_taps)]
    else:
        command = [str(BUILD / "tests" / "support" / "pausalo_inject"), "--seconds", str(seconds),
                   "--interval-ms", str(1000 // rate)]
    return subprocess.Popen(command, env=session.env, stdout=subprocess.PIPE, text=True)


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
            busy = measure_phase(processes, until=lambda: load.poll() is not None)
            events = int(re.search(r"(?:events|moves) (\d+)", load.stdout.read()).group(1))
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
    }


def main():
    parser = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("--desktop", action="append", choices=sorted(DESKTOPS))
    parser.add_argument("--idle", type=float, default=30)
    parser.add_argument("--busy", type=int, default=30)
    parser.add_argument("--rate", type=int, default=200)
    parser.add_argument("--key-taps", type=int, default=10, help="Shift taps a second within the X11 load")
    arguments = parser.parse_args()
    for desktop in arguments.desktop or list(DESKTOPS):
        for program in ([PAUSALO, QT_BASELINE, HOOK_MONITOR] if desktop == "x11" else [HOOK_MONITOR]):
            print(run(desktop, program, arguments), flush=True)


if __name__ == "__main__":
    main()
