#!/usr/bin/env python3
"""Start-up phases of the control panel, or of the baseline tray dialog, from Wine's own traces.

Reads traces taken with WINEDEBUG=+timestamp,+pid,+loaddll,+relay and a RelayInclude of
RELAY_CALLS below (--relay-include prints it), each of one start of the program under
startwatch.exe, and prints tab-separated lines:

  phase NAME, median ms, median share of the whole in per cent, median libraries loaded,
        the libraries loaded in it in at least half of the runs, and the one whose start
        (its entry point's PROCESS_ATTACH, with the libraries it starts in turn) takes
        longest: "name ms"
  whole NAME, the same for process start to icon added, and for the program's own work:
        its entry point to the call that adds the icon
  runs  traces that hold every mark, traces read
  skipped TRACE, why it was left out (a mark it lacks, or that it cannot be read)

Each phase ends at its mark, in the order the program makes them; only calls made from the
program's own image count as its marks (system libraries make some of the same calls). When no
trace holds every mark the exit status is 1, with the runs and skipped lines still printed.
"""
import argparse
import collections
import re
import statistics
import sys
from dataclasses import dataclass, field

# What the traced starts must relay, for scripts/bench's RelayInclude.
RELAY_CALLS = ["CreateProcessW", "CreateDialogParamW", "PropertySheetW", "CoInitializeEx",
               "CreateFileA", "Shell_NotifyIconW"]

STAMP = r"^\s*(\d+)\.(\d+):([0-9a-f]+):([0-9a-f]+):"
RELAY = re.compile(STAMP + r"(Call|Ret )\s+[\w.]+\.(\w+)\((.*)\).*? ret=([0-9a-f]+)\s*$")
LOADED = re.compile(STAMP + r"trace:loaddll:\w+ Loaded L\"(.*)\" at ([0-9a-fA-F]+):")
THREAD_START = re.compile(STAMP + r"Starting thread proc")
# A library's start: its entry point called with PROCESS_ATTACH, and its return.
ATTACH = re.compile(STAMP + r"(Call|Ret )\s+PE DLL \(proc=\w+,module=\w+ L\"([^\"]*)\","
                    r"reason=PROCESS_ATTACH")
ANY = re.compile(STAMP)
NIM_ADD = 0
BUS_DEVICE_PREFIX = r'"\\\\.\\HCD'


@dataclass
class Event:
    ms: int
    thread: str
    kind: str  # "Call", "Ret", "start" (the process's entry), "line" (any other)
    function: str = ""
    args: str = ""
    caller: int = 0


@dataclass
class Process:
    events: list = field(default_factory=list)
    loads: list = field(default_factory=list)  # (index in events, file name)
    modules: list = field(default_factory=list)  # base addresses, the program's first
    image: tuple = (0, 0)  # the program's own addresses, [begin, end)
    starts: dict = field(default_factory=dict)  # file name: ms its start took, nested ones in it
    pending: dict = field(default_factory=dict)  # (thread, file name): ms its start was called

    def attach(self, ms, thread, kind, name):
        if kind == "Call":
            self.pending[(thread, name)] = ms
        elif (thread, name) in self.pending:
            self.starts.setdefault(name, ms - self.pending.pop((thread, name)))


def stamp_ms(found):
    return int(found.group(1)) * 1000 + int(found.group(2))


def read_trace(path, program):
    """The start (ms of startwatch's CreateProcessW of the program) and the program's process."""
    start = None
    panel_pid = None
    processes = {}
    with open(path, errors="replace") as trace:
        for text in trace:
            stamp = ANY.match(text)
            if not stamp:
                continue
            ms, pid, thread = stamp_ms(stamp), stamp.group(3), stamp.group(4)
            process = processes.setdefault(pid, Process())
            loaded = LOADED.match(text)
            if loaded:
                process.events.append(Event(ms, thread, "line"))
                event = len(process.events) - 1
                name = loaded.group(5).replace("\\\\", "\\").rsplit("\\", 1)[-1].lower()
                process.modules.append(int(loaded.group(6), 16))
                if panel_pid is None and name == program.lower():
                    panel_pid = pid
                    process.modules.insert(0, process.modules.pop())
                else:
                    process.loads.append((event, name))
                continue
            relay = RELAY.match(text)
            if relay:
                kind, function, args = relay.group(5).strip(), relay.group(6), relay.group(7)
                if (start is None and function == "CreateProcessW" and kind == "Call" and
                        program.lower() in args.lower()):
                    start = ms
                process.events.append(Event(ms, thread, kind, function, args,
                                            int(relay.group(8), 16)))
            elif THREAD_START.match(text):
                process.events.append(Event(ms, thread, "start"))
            else:
                process.events.append(Event(ms, thread, "line"))
                attach = ATTACH.match(text)
                if attach:
                    process.attach(ms, thread, attach.group(5).strip(), attach.group(6).lower())
    panel = processes.get(panel_pid)
    if panel is not None:
        base = panel.modules[0]
        above = [module for module in panel.modules if module > base]
        panel.image = (base, min(above) if above else base + 0x10000000)
    return start, panel


class Marks:
    """Finds the marks one after the other in the program's events."""

    def __init__(self, panel):
        self.panel = panel
        self.events = panel.events
        self.at = 0
        self.main_thread = None
        self.calls = {}  # function: the index of its latest call found as a mark

    def own(self, event):
        begin, end = self.panel.image
        return begin <= event.caller < end

    def find(self, test):
        for index in range(self.at, len(self.events)):
            if test(self.events[index]):
                self.at = index
                return self.events[index].ms
        return None

    def first_line(self):
        return self.find(lambda e: True)

    def entry(self):
        ms = self.find(lambda e: e.kind == "start")
        if ms is not None:
            self.main_thread = self.events[self.at].thread
        return ms

    def call(self, function, test=lambda args: True):
        ms = self.find(lambda e: e.kind == "Call" and e.function == function and
                       e.thread == self.main_thread and self.own(e) and test(e.args))
        if ms is not None:
            self.calls[function] = self.at
        return ms

    def dialog(self, template):
        return self.call("CreateDialogParamW", lambda args: template_of(args) == template)

    def ret(self, function):
        """The return of the latest call of the function found as a mark, past the calls of it
        that nest in it."""
        if function not in self.calls:
            return None
        start = self.calls[function]
        call = self.events[start]
        depth = 0
        for index in range(start + 1, len(self.events)):
            e = self.events[index]
            if e.thread != call.thread or e.function != call.function:
                continue
            if e.kind == "Call":
                depth += 1
            elif e.kind == "Ret":
                if depth == 0:
                    self.at = index
                    return e.ms
                depth -= 1
        return None


def template_of(args):
    fields = args.split(",")
    return int(fields[1], 16) if len(fields) > 1 else None


def first_argument(args):
    return int(args.split(",")[0], 16)


# The phases that every program that starts to a tray icon has, named alike in each table so
# that the report can set the panel's beside the baseline's.
PROCESS_CREATION = ("process creation", lambda m: m.first_line())
SYSTEM_LIBRARIES = ("system libraries loaded", lambda m: m.entry())
TRAY_ICON = ("tray icon (Shell_NotifyIconW NIM_ADD)", lambda m: m.ret("Shell_NotifyIconW"))


# The entry point is the end of the second phase in every table, so the program's own work
# starts at the third mark.
ENTRY_MARK = 2


def icon_added(m):
    return m.call("Shell_NotifyIconW", lambda args: first_argument(args) == NIM_ADD)


def panel_phases(window):
    """(phase name, how to find the mark where it ends) in the order the panel makes them, up to
    its icon: the About box and the hidden speaker-test window come only after it."""
    return [
        PROCESS_CREATION,
        SYSTEM_LIBRARIES,
        ("runtime and services", lambda m: m.dialog(window)),
        ("main window (CreateDialogParamW)", lambda m: m.call("PropertySheetW")),
        ("sheet with the volume page (PropertySheetW)", lambda m: m.call("CoInitializeEx")),
        ("audio stack: COM, mmdevapi, mixer (CoInitializeEx to PropertySheetW's return)",
         lambda m: m.ret("PropertySheetW")),
        ("filter library, device check", lambda m: m.call(
            "CreateFileA", lambda args: args.split(" ", 1)[-1].startswith(BUS_DEVICE_PREFIX))),
        ("USB bus walk, filter registration", icon_added),
        TRAY_ICON,
    ]


# The baseline: a dialog that adds its icon while it initialises.
BASELINE_PHASES = [
    PROCESS_CREATION,
    SYSTEM_LIBRARIES,
    ("runtime and dialog", icon_added),
    TRAY_ICON,
]


@dataclass
class Run:
    marks: list  # ms of each mark, the start first
    loads: list  # per phase, the names of the libraries loaded in it
    starts: dict  # file name: ms its start took


def marks_of(path, program, table):
    """The Run of one trace; or None and the reason."""
    try:
        start, panel = read_trace(path, program)
    except OSError as error:
        return None, f"cannot be read ({error.strerror})"
    if start is None:
        return None, f"no CreateProcessW of {program}"
    if panel is None:
        return None, f"no process of {program}"
    found = Marks(panel)
    # Times, and where in the program's events: its libraries go by the order of the lines,
    # which the millisecond stamps cannot always tell apart.
    marks = [start]
    places = [0]
    for name, mark in table:
        ms = mark(found)
        if ms is None:
            return None, f"no end of the phase '{name}'"
        marks.append(ms)
        places.append(found.at)
    loads = [[lib for place, lib in panel.loads if begin <= place < end]
             for begin, end in zip(places, places[1:])]
    return Run(marks, loads, panel.starts), None


def common_libraries(lists):
    """The libraries in at least half of the lists, in the order they were loaded."""
    names = []
    for name in (name for libraries in lists for name in libraries):
        if name not in names:
            names.append(name)
    return [name for name in names if 2 * sum(name in libraries for libraries in lists) >= len(lists)]


def longest_start(loads, runs):
    """The library whose start takes longest among those loaded, most often, and its median
    ms: "name ms"; empty when none was timed."""
    longest = []
    for libraries, run in zip(loads, runs):
        timed = [(run.starts[name], name) for name in libraries if name in run.starts]
        if timed:
            longest.append(max(timed))
    if not longest:
        return ""
    name = collections.Counter(name for ms, name in longest).most_common(1)[0][0]
    return f"{name} {statistics.median(ms for ms, other in longest if other == name):g}"


def row(kind, name, spans, shares, loads, runs):
    libraries = ", ".join(common_libraries(loads))
    count = statistics.median(len(libraries) for libraries in loads)
    return (f"{kind}\t{name}\t{statistics.median(spans):g}\t{statistics.median(shares):.0f}"
            f"\t{count:g}\t{libraries}\t{longest_start(loads, runs)}")


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n")[0])
    parser.add_argument("--program", default="QuendalPanel.exe")
    parser.add_argument("--window", type=int, help="the dialog template id of the panel's main "
                        "window; without it the program is the baseline")
    parser.add_argument("--relay-include", action="store_true",
                        help="print the RelayInclude the traces need, and nothing else")
    parser.add_argument("traces", nargs="*")
    options = parser.parse_args()
    if options.relay_include:
        print(";".join(RELAY_CALLS))
        return 0
    table = panel_phases(options.window) if options.window is not None else BASELINE_PHASES

    runs = []
    for path in options.traces:
        run, reason = marks_of(path, options.program, table)
        if run is None:
            print(f"skipped\t{path}\t{reason}")
        else:
            runs.append(run)
    print(f"runs\t{len(runs)}\t{len(options.traces)}")
    if not runs:
        print("startup_phases: no trace holds every mark", file=sys.stderr)
        return 1
    whole = [run.marks[-1] - run.marks[0] for run in runs]
    for index, (name, mark) in enumerate(table):
        spans = [run.marks[index + 1] - run.marks[index] for run in runs]
        shares = [100.0 * span / total if total else 0.0 for span, total in zip(spans, whole)]
        print(row("phase", name, spans, shares, [run.loads[index] for run in runs], runs))
    everything = [[name for phase in run.loads for name in phase] for run in runs]
    print(row("whole", "process start to icon added", whole, [100.0] * len(runs), everything,
              runs))
    # From the entry point to the call that adds the icon: what the program itself does.
    entry, icon = ENTRY_MARK, len(table) - 1
    own = [run.marks[icon] - run.marks[entry] for run in runs]
    shares = [100.0 * span / total if total else 0.0 for span, total in zip(own, whole)]
    own_loads = [[name for phase in run.loads[entry:icon] for name in phase] for run in runs]
    print(row("whole", "entry point to the icon's NIM_ADD (the program's own work)", own, shares,
              own_loads, runs))
    return 0


if __name__ == "__main__":
    sys.exit(main())
