#!/usr/bin/env python3
"""Start-up phases of the control panel from Wine's own traces.

Reads traces taken with WINEDEBUG=+timestamp,+pid,+loaddll,+relay and a RelayInclude of the
calls below, each of one start of the panel under startwatch.exe, and prints one tab-separated
line per phase: name, median milliseconds, median share of the whole in per cent, median number
of libraries loaded in it. The phases are cut at the first call of each mark, in the order the
program makes them:

  process start                 startwatch's CreateProcessW
  libraries and runtime         until the panel's first CreateDialogParamW (its window)
  window                        until PropertySheetW
  sheet with the volume page    until the first CoInitializeEx (the master volume's read)
  master volume (audio stack)   until PropertySheetW returns
  speaker-test window           until the second CreateDialogParamW returns
  filter library and bus walk   until the first Shell_NotifyIconW that adds an icon
  tray icon                     until that call returns
"""
import re
import statistics
import sys

LINE = re.compile(r"^\s*(\d+)\.(\d+):([0-9a-f]+):([0-9a-f]+):(Call|Ret )\s+[\w.]+\.(\w+)\((.*)")
LOADED = re.compile(r"^\s*(\d+)\.(\d+):([0-9a-f]+):[0-9a-f]+:trace:loaddll:")
NIM_ADD = 0

PHASES = ["libraries and runtime", "window", "sheet with the volume page",
          "master volume (audio stack)", "speaker-test window", "filter library and bus walk",
          "tray icon"]


def marks_of(path):
    """Times (ms) of the eight marks of one trace, and the panel's library loads; None when a
    mark is missing."""
    start = None
    panel = None
    calls = []  # (ms, kind, function, args) of the panel's process
    loads = []  # (ms, pid)
    with open(path, errors="replace") as trace:
        for text in trace:
            loaded = LOADED.match(text)
            if loaded:
                loads.append((int(loaded.group(1)) * 1000 + int(loaded.group(2)), loaded.group(3)))
                continue
            found = LINE.match(text)
            if not found:
                continue
            ms = int(found.group(1)) * 1000 + int(found.group(2))
            pid, kind, function, args = found.group(3), found.group(5), found.group(6), found.group(7)
            if function == "CreateProcessW" and kind == "Call" and start is None:
                start = ms
            elif function == "CreateDialogParamW" and kind == "Call" and panel is None:
                panel = pid
            if pid == panel:
                calls.append((ms, kind.strip(), function, args))
    if start is None or panel is None:
        return None

    def first(kind, function, after=0, test=lambda args: True):
        for index in range(after, len(calls)):
            ms, k, f, args = calls[index]
            if k == kind and f == function and test(args):
                return index
        return None

    window = first("Call", "CreateDialogParamW")
    sheet = first("Call", "PropertySheetW", window)
    sheet_done = first("Ret", "PropertySheetW", sheet)
    volume = first("Call", "CoInitializeEx", sheet)
    if volume is None or volume > sheet_done:
        volume = sheet_done
    speaker = first("Call", "CreateDialogParamW", sheet_done)
    speaker_done = first("Ret", "CreateDialogParamW", speaker)
    tray = first("Call", "Shell_NotifyIconW", speaker_done,
                 lambda args: int(args.split(",")[0], 16) == NIM_ADD)
    tray_done = first("Ret", "Shell_NotifyIconW", tray)
    indices = [window, sheet, volume, sheet_done, speaker_done, tray, tray_done]
    if any(index is None for index in indices):
        return None
    marks = [start] + [calls[index][0] for index in indices]
    counts = [sum(1 for ms, pid in loads if pid == panel and begin <= ms < end)
              for begin, end in zip(marks, marks[1:])]
    return marks, counts


def main(paths):
    runs = [run for run in (marks_of(path) for path in paths) if run is not None]
    if not runs:
        sys.exit("startup_phases: no trace holds every mark")
    whole = [marks[-1] - marks[0] for marks, counts in runs]
    for index, name in enumerate(PHASES):
        spans = [marks[index + 1] - marks[index] for marks, counts in runs]
        shares = [100.0 * span / total if total else 0.0 for span, total in zip(spans, whole)]
        loads = [counts[index] for marks, counts in runs]
        print(f"{name}\t{statistics.median(spans):g}\t{statistics.median(shares):.0f}"
              f"\t{statistics.median(loads):g}")
    print(f"process start to icon added\t{statistics.median(whole):g}\t100\t"
          f"{statistics.median(sum(counts) for marks, counts in runs):g}")
    print(f"runs\t{len(runs)}\t{len(paths)}\t")


if __name__ == "__main__":
    main(sys.argv[1:])
