#!/usr/bin/python3
"""A double click on the tray icon hides the visible clock gadget and the
next one shows it again; a single click changes nothing, whether the clock
is shown or hidden."""

import os
import sys
import time

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from harness import Failure, main  # noqa: E402

CLOCK = "Digital Clock"
SETTLE = 1.5  # longer than the double-click interval, so clicks stay apart


def test(s):
    s.launch()
    icon = s.wait_for_tray_icon()
    s.wait_for(lambda: s.visible_windows(CLOCK), what="the clock gadget to be mapped")
    s.require_no_error_box()
    x, y = icon["x"] + icon["width"] // 2, icon["y"] + icon["height"] // 2
    s.wait_point_clear(x, y)

    def expect(shown, after):
        state = "shown" if shown else "hidden"
        try:
            s.wait_for(lambda: bool(s.visible_windows(CLOCK)) == shown, timeout=5,
                       what=f"the clock to be {state} after {after}")
        except Failure:
            s.screenshot("unexpected " + after)
            raise
        s.require_running()

    def stays(shown, after):
        time.sleep(SETTLE)
        if bool(s.visible_windows(CLOCK)) != shown:
            s.screenshot("unexpected " + after)
            raise Failure(f"{after} {'hid' if shown else 'showed'} the clock gadget")
        s.require_running()

    time.sleep(SETTLE)
    s.click(x, y)
    stays(True, "a single click on the shown clock's icon")

    time.sleep(SETTLE)
    s.click(x, y, repeat=2)
    expect(False, "the first double click")
    s.screenshot("clock_hidden")

    time.sleep(SETTLE)
    s.click(x, y)
    stays(False, "a single click on the hidden clock's icon")

    time.sleep(SETTLE)
    s.click(x, y, repeat=2)
    expect(True, "the second double click")
    s.screenshot("clock_shown_again")
    if len(s.tray_icons()) != 1:
        raise Failure(f"the tray holds {s.tray_icons()} after the clicks, expected one icon")


if __name__ == "__main__":
    main("e2e_tray_double_click", test, tray_host=True, provisioned=True, description=__doc__)
