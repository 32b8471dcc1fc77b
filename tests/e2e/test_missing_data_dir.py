#!/usr/bin/python3
"""Without the program's data directory the database cannot be opened: the
program shows an "Error" box naming the directory and the file, puts no icon
into the tray and shows no gadget while the box is up, and ends with status 0
when the box is closed."""

import os
import sys

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from harness import Failure, main  # noqa: E402


def test(s):
    if os.listdir(s.data_home):
        raise Failure(f"the data home {s.data_home} is not empty: {os.listdir(s.data_home)}")
    s.launch()
    box = s.wait_for_window(lambda w: w.role in ("alert", "dialog") and w.name == "Error",
                            what="the \"Error\" box")
    s.screenshot("error_box")
    labels = [n.name for n in box.find_all(role="label") if n.name]
    buttons = [n for n in box.find_all(role="push button")]
    print("box labels:", labels)
    print("box buttons:", [b.name for b in buttons])

    directory = os.path.join(s.data_home, "OrvoWidgets") + "/"
    texts = [t for t in labels if t.startswith(directory)]
    if len(texts) != 1:
        raise Failure(f"no box text starts with {directory!r}; the box shows {labels}")
    text = texts[0]
    if not text.startswith(directory + " "):
        raise Failure(f"the directory is not followed by a blank in {text!r}")
    if not text.endswith(" orvo.db"):
        raise Failure(f"the box text does not end with \" orvo.db\": {text!r}")
    if " - " not in text[len(directory):]:
        raise Failure(f"the box text lacks the \" - \" between the two error texts: {text!r}")
    if [b.name for b in buttons] != ["OK"]:
        raise Failure(f"the box has the buttons {[b.name for b in buttons]}, expected only OK")

    # The box stops start-up: nothing else may have appeared behind it.
    s.require_running()
    icons = s.tray_icons()
    if icons:
        raise Failure(f"an icon is embedded in the tray while the box is up: {icons}")
    clocks = s.visible_windows("Digital Clock")
    if clocks:
        raise Failure(f"the clock gadget is shown while the box is up (windows {clocks})")
    others = [w.name for w in s.windows().children if w.name != "Error" and "showing" in w.states]
    if others:
        raise Failure(f"other windows are shown beside the box: {others}")

    s.click(*buttons[0].center())
    code = s.wait_exit(timeout=5)
    if code != 0:
        raise Failure(f"closing the box ended the program with status {code}, expected 0")


if __name__ == "__main__":
    main("e2e_missing_data_dir", test, tray_host=True, provisioned=False, description=__doc__)
