#!/usr/bin/env python3
"""The start-up phase table of the benchmark report, and which phase holds the start-up.

  usage: phase_report.py PANEL_TSV BASELINE_TSV PANEL_MS BASELINE_MS

The two tables are startup_phases.py's of the panel and of the baseline tray dialog; the two
times are the untraced medians of their start-up. Prints Markdown: how many traces held every
mark and which were left out, the panel's phases beside the baseline's phases of the same name,
then the verdict: within 1.3 times the baseline, or over it by how much, naming the phase with
the most traced time over the baseline's (all of its time when the baseline has no such phase).
"""
import sys

TARGET = 1.3


def read_table(path):
    rows = {"phase": [], "whole": [], "runs": [], "skipped": []}
    try:
        with open(path) as table:
            for line in table:
                fields = line.rstrip("\n").split("\t")
                rows.setdefault(fields[0], []).append(fields[1:])
    except OSError as error:
        rows["skipped"].append([path, f"no table ({error.strerror})"])
    return rows


def runs_of(rows):
    return f"{rows['runs'][0][0]} of {rows['runs'][0][1]}" if rows["runs"] else "none"


def print_runs(panel, baseline):
    print(f"Traced starts that hold every mark: QuendalPanel.exe {runs_of(panel)},"
          f" traydialog.exe {runs_of(baseline)}.")
    for program, rows in (("QuendalPanel.exe", panel), ("traydialog.exe", baseline)):
        for trace, reason in rows["skipped"]:
            print(f"Left out, {program}: {trace.rsplit('/', 1)[-1]}: {reason}.")
    print()


def libraries_cell(count, libraries, theirs, their_all, longest):
    """The count; the names the baseline did not load in its phase of that name, apart from
    those it loads in another phase; and the library whose start took longest, from 1 ms."""
    names = [name for name in libraries.split(", ") if name and name not in (theirs or [])]
    elsewhere = [name for name in names if theirs is not None and name in their_all]
    beyond = [name for name in names if name not in elsewhere]
    cell = count
    if beyond:
        cell += f"{', beyond the baseline' if theirs is not None else ''}: {', '.join(beyond)}"
    if elsewhere:
        cell += f"; the baseline loads {', '.join(elsewhere)} in a later phase"
    if longest and float(longest.rsplit(" ", 1)[1]) >= 1:
        cell += f"; longest start: {longest} ms"
    return cell


def print_phases(panel, baseline):
    """The table; returns (traced ms over the baseline, name, ms, baseline's ms) per phase."""
    their_ms = {row[0]: float(row[1]) for row in baseline["phase"] + baseline["whole"]}
    their_libraries = {row[0]: row[4].split(", ") for row in baseline["phase"] + baseline["whole"]}
    their_all = baseline["whole"][0][4].split(", ") if baseline["whole"] else []
    print("| phase | median ms, traced | share | traydialog.exe, traced | libraries loaded |")
    print("|---|---|---|---|---|")
    excess = []
    for kind, rows in (("phase", panel["phase"]), ("whole", panel["whole"])):
        for name, ms, share, count, libraries, longest in rows:
            theirs = their_ms.get(name)
            cell = libraries_cell(count, libraries, their_libraries.get(name), their_all, longest)
            shown = "" if theirs is None else f"{theirs:g}"
            print(f"| {name} | {ms} | {share} % | {shown} | {cell} |")
            if kind == "phase":
                excess.append((float(ms) - (theirs or 0.0), name, float(ms), theirs, longest))
    print()
    return excess


def own_work(panel, baseline):
    """The traced ms of the program's own work, the panel's and the baseline's; or None."""
    rows = [[float(row[1]) for row in rows["whole"][1:2]] for rows in (panel, baseline)]
    return (rows[0][0], rows[1][0]) if all(rows) else None


def print_verdict(excess, own, traced_ms, panel_ms, baseline_ms):
    over = panel_ms - TARGET * baseline_ms
    if over <= 0:
        print(f"The start-up is within {TARGET} times the baseline's"
              f" ({panel_ms:g} ms against {baseline_ms:g} ms).")
        return
    extra, name, ms, theirs, longest = max(excess)
    against = ("the baseline has no such step" if theirs is None else
               f"{extra:g} ms more than the baseline's {theirs:g} ms")
    untraced = extra * panel_ms / traced_ms if traced_ms else extra
    print(f"Over {TARGET} times the baseline by {over:.0f} ms. The phase that holds it: {name},"
          f" {ms:g} ms traced, {against}; about {untraced:.0f} ms of the untraced {panel_ms:g} ms.")
    if longest:
        print(f"The longest library start in it: {longest} ms traced (with the libraries that"
              " library starts in turn).")
    if own is not None:
        print(f"The program's own work, from its entry point to the icon's NIM_ADD, takes {own[0]:g} ms"
              f" traced against the baseline's {own[1]:g} ms.")


def main(panel_path, baseline_path, panel_ms, baseline_ms):
    panel, baseline = read_table(panel_path), read_table(baseline_path)
    print_runs(panel, baseline)
    if not panel["phase"]:
        print("No phase profile: no traced start of QuendalPanel.exe holds every mark.")
        return 0
    excess = print_phases(panel, baseline)
    print_verdict(excess, own_work(panel, baseline), float(panel["whole"][0][1]), float(panel_ms),
                  float(baseline_ms))
    return 0


if __name__ == "__main__":
    if len(sys.argv) != 5:
        sys.exit(__doc__.split("\n\n")[1])
    sys.exit(main(*sys.argv[1:]))
