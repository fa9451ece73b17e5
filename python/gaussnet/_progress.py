"""The progress line of a long call: the program's own line (targets or
resamples done, the time so far and left), rewritten in place on standard
error with carriage returns, which terminals and Jupyter both honour."""

from __future__ import annotations

import os
import sys

import numpy as np

# How long a learner runs before its progress shows.
QUIET_SECONDS = 2.0


class ProgressLine:
    """What the library's calls show their progress through: show(text)
    rewrites the line, clear() blanks it. A stream that fails is left alone."""

    def __init__(self, stream, quiet_seconds=None):
        self.stream = stream
        self.quiet_seconds = QUIET_SECONDS if quiet_seconds is None else quiet_seconds
        self._width = 0

    def _columns(self):
        """The terminal's width less one, as the program takes it; 79 where it has none."""
        try:
            columns = os.get_terminal_size(self.stream.fileno()).columns
        except (AttributeError, OSError, ValueError):
            columns = 0
        return columns - 1 if columns > 10 else 79

    def _write(self, text):
        if self.stream is None:
            return
        try:
            self.stream.write(text)
            self.stream.flush()
        except (OSError, ValueError):
            self.stream = None

    def show(self, text):
        text = text[:self._columns()]
        self._write("\r" + text + " " * max(self._width - len(text), 0))
        self._width = len(text)

    def clear(self):
        if self._width:
            self._write("\r" + " " * self._width + "\r")
            self._width = 0


def _in_jupyter():
    ipython = sys.modules.get("IPython")
    shell = ipython.get_ipython() if ipython is not None else None
    return shell is not None and hasattr(shell, "kernel")


def _is_terminal(stream):
    try:
        return stream is not None and stream.isatty()
    except (AttributeError, ValueError):
        return False


def progress_line(progress):
    """The line a call shows its progress on, or None: progress None shows it
    when standard error is a terminal or in Jupyter, True always, False never."""
    if progress is None:
        progress = _is_terminal(sys.stderr) or _in_jupyter()
    elif not isinstance(progress, (bool, np.bool_)):
        raise ValueError(f"progress must be None (on a terminal or in Jupyter), True or False, not {progress!r}")
    return ProgressLine(sys.stderr) if bool(progress) and sys.stderr is not None else None
