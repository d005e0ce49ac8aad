"""Runs Orca (the program, the first argument) with its debug file (the second) written line by line, so that a test
reads what Orca says as it says it. Orca opens the file with Python's default buffering,
which would hold the last lines back until Orca exits."""
import builtins
import runpy
import sys

orca, debug_file = sys.argv[1:3]
_open = builtins.open


def _open_line_buffered(file, mode="r", buffering=-1, *args, **kwargs):
    if file == debug_file and "w" in mode:
        buffering = 1
    return _open(file, mode, buffering, *args, **kwargs)


builtins.open = _open_line_buffered
sys.argv = ["orca", "--replace", "--debug-file=" + debug_file]
runpy.run_path(orca, run_name="__main__")
