"""The progress line: shown on a terminal and not on a pipe unless asked for,
never when turned off, and cleared at the end. The child processes show it
at once rather than after two seconds, so that a short call shows it."""

import os
import pty
import subprocess
import sys

import pytest

CALL = """
import gaussnet, gaussnet._progress
gaussnet._progress.QUIET_SECONDS = 0
data, _ = gaussnet.simulate(40, 400, seed=3)
gaussnet.bootstrap(data, resamples=200, threads=2, progress={progress})
print("done", flush=True)
"""


def run_on_terminal(script):
    """Runs script with its standard error on a pseudo-terminal; what it wrote there."""
    leader, follower = pty.openpty()
    child = subprocess.Popen([sys.executable, "-c", script], stdout=subprocess.PIPE, stderr=follower)
    os.close(follower)
    seen = b""
    while True:
        try:
            chunk = os.read(leader, 4096)
        except OSError:  # the terminal closed with the child
            break
        if not chunk:
            break
        seen += chunk
    os.close(leader)
    assert child.wait() == 0, seen
    assert child.stdout.read() == b"done\n"
    return seen.decode()


def run_on_pipe(script):
    done = subprocess.run([sys.executable, "-c", script], capture_output=True)
    assert done.returncode == 0, done.stderr
    return done.stderr.decode()


@pytest.mark.parametrize("run, progress, shown", [
    (run_on_terminal, None, True),
    (run_on_terminal, False, False),
    (run_on_pipe, None, False),
    (run_on_pipe, True, True),
])
def test_progress_shows_where_asked(run, progress, shown):
    seen = run(CALL.format(progress=progress))
    assert ("IAMB2 bootstrap: " in seen) == shown, seen
    assert ("resamples" in seen) == shown, seen
    if shown:  # rewritten in place, and blanked at the end
        assert seen.startswith("\r") and seen.endswith(" \r"), repr(seen)


def test_progress_must_be_a_flag():
    import gaussnet
    data, _ = gaussnet.simulate(5, 50, seed=3)
    with pytest.raises(ValueError, match="progress must be"):
        gaussnet.learn(data, progress="yes")
