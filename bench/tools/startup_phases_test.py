"""startup_phases.py against traces of real starts under Wine (trimmed to the lines it reads:
library loads, thread starts and the relayed calls), and against traces that lack a mark."""
import pathlib
import subprocess
import sys
import tempfile
import unittest

TOOLS = pathlib.Path(__file__).resolve().parent
PANEL_TRACE = TOOLS / "testdata" / "panel-start.trace"
# A start of an earlier build that made its About box before its window and its speaker-test
# window before the icon.
ABOUT_FIRST_TRACE = TOOLS / "testdata" / "panel-start-about-first.trace"
BASELINE_TRACE = TOOLS / "testdata" / "baseline-start.trace"
# The dialog template of the panel's main window.
WINDOW = "102"


def run(arguments):
    result = subprocess.run([sys.executable, TOOLS / "startup_phases.py", *arguments],
                            capture_output=True, text=True, check=False)
    rows = [line.split("\t") for line in result.stdout.splitlines()]
    return result.returncode, rows, result.stderr


def phases(rows):
    """name: (ms, libraries, longest library start) of the phase and whole rows."""
    return {row[1]: (float(row[2]), row[5].split(", ") if row[5] else [], row[6])
            for row in rows if row[0] in ("phase", "whole")}


class RealTraces(unittest.TestCase):
    def test_panel_phases_end_at_the_program_s_own_calls(self):
        status, rows, _ = run(["--window", WINDOW, PANEL_TRACE])
        self.assertEqual(status, 0)
        self.assertIn(["runs", "1", "1"], rows)
        found = phases(rows)
        # Times read off the trace by hand, from startwatch's CreateProcessW at 4080.409.
        expected = {
            "process creation": 20,
            "system libraries loaded": 101,
            "runtime and services": 0,
            "main window (CreateDialogParamW)": 35,
            # Ends at the volume page's CoInitializeEx, not at the one imm32 makes earlier in
            # the sheet, nor at ole32's later one.
            "sheet with the volume page (PropertySheetW)": 45,
            "audio stack: COM, mmdevapi, mixer (CoInitializeEx to PropertySheetW's return)": 20,
            # From the sheet's return: the speaker-test window is made only after the icon.
            "filter library, device check": 7,
            "USB bus walk, filter registration": 7,
            "tray icon (Shell_NotifyIconW NIM_ADD)": 12,
            "process start to icon added": 247,
            "entry point to the icon's NIM_ADD (the program's own work)": 114,
        }
        self.assertEqual({name: ms for name, (ms, _, _) in found.items()}, expected)
        audio = found["audio stack: COM, mmdevapi, mixer (CoInitializeEx to PropertySheetW's return)"]
        self.assertIn("mmdevapi.dll", audio[1])
        # The filter library's first load and start, its second load in the walk's registration.
        self.assertEqual(found["filter library, device check"][1:], (["zanfilter.dll"],
                                                                     "zanfilter.dll 3"))
        self.assertEqual(found["USB bus walk, filter registration"][1], ["zanfilter.dll"])
        self.assertNotIn("quendalpanel.exe", found["process start to icon added"][1])
        # comctl32's start holds the start of the X11 driver and of the theme library.
        self.assertEqual(found["system libraries loaded"][2], "comctl32.dll 48")

    def test_the_window_is_the_call_of_its_own_template_not_the_first_dialog(self):
        status, rows, _ = run(["--window", WINDOW, ABOUT_FIRST_TRACE])
        self.assertEqual(status, 0)
        found = phases(rows)
        # From the entry at 1742.120 past the About box's CreateDialogParamW to the window's at
        # 1742.157, and on to PropertySheetW at 1742.172; the speaker-test window, made before
        # the icon in that build, falls in the filter library's phase.
        self.assertEqual(found["runtime and services"][0], 37)
        self.assertEqual(found["main window (CreateDialogParamW)"][0], 15)
        self.assertEqual(found["filter library, device check"][0], 35)
        self.assertEqual(found["process start to icon added"][0], 315)

    def test_a_return_is_its_own_call_s_not_a_nested_one_s(self):
        # Another sheet made and closed while the volume page initialises, past the page's
        # CoInitializeEx: Wine's Ret lines name no arguments, so only the nesting tells the two
        # returns apart.
        nested = ("4080.615:01c0:01c4:Call comctl32.PropertySheetW(0021e9b0) ret=140005400\n"
                  "4080.618:01c0:01c4:Ret  comctl32.PropertySheetW() retval=00000000"
                  " ret=140005400\n")
        lines = PANEL_TRACE.read_text().splitlines(keepends=True)
        at = next(i for i, line in enumerate(lines) if "CoInitializeEx" in line and
                  "ret=140002386" in line)
        with tempfile.TemporaryDirectory() as folder:
            trace = pathlib.Path(folder) / "trace.txt"
            trace.write_text("".join(lines[:at + 1]) + nested + "".join(lines[at + 1:]))
            status, rows, _ = run(["--window", WINDOW, trace])
        self.assertEqual(status, 0)
        found = phases(rows)
        self.assertEqual(found["audio stack: COM, mmdevapi, mixer (CoInitializeEx to "
                               "PropertySheetW's return)"][0], 20)
        self.assertEqual(found["filter library, device check"][0], 7)

    def test_baseline_phases_share_the_panel_s_names(self):
        status, rows, _ = run(["--program", "traydialog.exe", BASELINE_TRACE])
        self.assertEqual(status, 0)
        found = phases(rows)
        self.assertEqual({name: ms for name, (ms, _, _) in found.items()}, {
            "process creation": 9,
            "system libraries loaded": 50,
            "runtime and dialog": 48,
            "tray icon (Shell_NotifyIconW NIM_ADD)": 11,
            "process start to icon added": 118,
            "entry point to the icon's NIM_ADD (the program's own work)": 48,
        })
        # Its own process's starts only, not startwatch's of the same libraries before it.
        self.assertEqual(found["runtime and dialog"][2], "uxtheme.dll 7")


class TracesWithoutAMark(unittest.TestCase):
    # What is taken out of the panel's trace, and the reason the tool must give for it.
    CASES = [
        ("empty trace (the start failed before Wine wrote anything)", lambda line: False,
         "no CreateProcessW of QuendalPanel.exe"),
        ("no library loads of the program", lambda line: ":01c0:" not in line,
         "no process of QuendalPanel.exe"),
        ("no main window", lambda line: "CreateDialogParamW(140000000,00000066" not in line,
         "no end of the phase 'runtime and services'"),
        ("only a system library's CoInitializeEx in the sheet",
         lambda line: "CoInitializeEx" not in line or "ret=140002386" not in line,
         "no end of the phase 'sheet with the volume page (PropertySheetW)'"),
        ("no return of the sheet", lambda line: "Ret  comctl32.PropertySheetW" not in line,
         "no end of the phase 'audio stack: COM, mmdevapi, mixer (CoInitializeEx to "
         "PropertySheetW's return)'"),
        ("no icon added", lambda line: "Shell_NotifyIconW(00000000" not in line,
         "no end of the phase 'USB bus walk, filter registration'"),
    ]

    def test_each_is_named_with_its_reason_and_none_is_measured(self):
        lines = PANEL_TRACE.read_text().splitlines(keepends=True)
        with tempfile.TemporaryDirectory() as folder:
            for case, keep, reason in self.CASES:
                with self.subTest(case):
                    trace = pathlib.Path(folder) / "trace.txt"
                    trace.write_text("".join(line for line in lines if keep(line)))
                    status, rows, error = run(["--window", WINDOW, trace])
                    self.assertEqual(status, 1)
                    self.assertIn(["skipped", str(trace), reason], rows)
                    self.assertIn(["runs", "0", "1"], rows)
                    self.assertEqual(phases(rows), {})
                    self.assertIn("no trace holds every mark", error)

    def test_a_missing_trace_is_named_and_the_others_still_count(self):
        missing = "startup-trace-QuendalPanel-*.txt"  # a glob that matched nothing
        status, rows, _ = run(["--window", WINDOW, missing, PANEL_TRACE])
        self.assertEqual(status, 0)
        self.assertIn(["skipped", missing, "cannot be read (No such file or directory)"], rows)
        self.assertIn(["runs", "1", "2"], rows)
        self.assertEqual(phases(rows)["process start to icon added"][0], 247)

    def test_no_trace_at_all(self):
        status, rows, error = run(["--window", WINDOW])
        self.assertEqual((status, rows), (1, [["runs", "0", "0"]]))
        self.assertIn("no trace holds every mark", error)


if __name__ == "__main__":
    unittest.main()
