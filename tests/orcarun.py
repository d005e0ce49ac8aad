"""Runs Orca (the program, the first argument) for a test: its debug file (the second argument)
written line by line, so that the test reads what Orca says as it says it (Orca opens the file
with Python's default buffering, which would hold the last lines back until it exits); and blind
to every other Orca of the same user. Orca looks for others machine-wide, by process name, and
either kills them (--replace) or refuses to start: on a machine where several people or test runs
use the same account, each in its own X and D-Bus session, one test's Orca would end another's."""
import builtins
import runpy
import subprocess
import sys

orca, debug_file = sys.argv[1:3]
_open = builtins.open
_popen = subprocess.Popen


def _open_line_buffered(file, mode="r", buffering=-1, *args, **kwargs):
    if file == debug_file and "w" in mode:
        buffering = 1
    return _open(file, mode, buffering, *args, **kwargs)


def _popen_alone(command, *args, **kwargs):
    # The one place where Orca lists the others: `pgrep -u UID -x orca`.
    if isinstance(command, str) and command.startswith("pgrep ") and command.endswith(" -x orca"):
        command = "true"
    return _popen(command, *args, **kwargs)


builtins.open = _open_line_buffered
subprocess.Popen = _popen_alone
sys.argv = ["orca", "--debug-file=" + debug_file]
runpy.run_path(orca, run_name="__main__")
