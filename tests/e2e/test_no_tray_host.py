#!/usr/bin/python3
"""Without any tray host the program still starts: the clock gadget is
mapped, no "Error" box comes up, the program keeps running, and it prints
nothing of its own to standard error."""

import os
import signal
import sys
import time

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from harness import Failure, main, stderr_noise  # noqa: E402


def test(s):
    s.launch()
    clocks = s.wait_for(lambda: s.require_running() or s.require_no_error_box()
                        or s.visible_windows("Digital Clock"),
                        what="the \"Digital Clock\" window to be mapped")
    if len(clocks) != 1:
        raise Failure(f"{len(clocks)} \"Digital Clock\" windows are mapped, expected one")
    # Give start-up time to finish and the clock a few ticks.
    time.sleep(3)
    s.require_running()
    s.require_no_error_box()
    if not s.visible_windows("Digital Clock"):
        raise Failure("the clock gadget was unmapped again without any input")
    s.screenshot("running")

    own, noise = stderr_noise(s.program_output()[1])
    if noise:
        s.note("Qt's messages about the environment: " + " | ".join(noise))
    if own:
        raise Failure("the program printed to standard error: " + " | ".join(own))

    # No handler is installed for SIGTERM: the default action ends the process.
    s.app.send_signal(signal.SIGTERM)
    code = s.wait_exit(timeout=5)
    if code != -signal.SIGTERM:
        raise Failure(f"SIGTERM ended the program with status {code}")


if __name__ == "__main__":
    main("e2e_no_tray_host", test, tray_host=False, provisioned=True, description=__doc__)
