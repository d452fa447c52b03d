#!/usr/bin/env python3
"""The differential check's own report: one short run of full_pass_check broken on purpose in
each way FULL_PASS_BREAK knows, one for each reason a run fails for but the script and a side
that ended early, must fail with that reason and no other, on its run line and in the summary;
the same run unbroken must pass.

    full_pass_report.py PATH/TO/full_pass_check     (under an X server, as CTest starts it)

What the check prints is shown only when a case goes wrong, each line indented, so that its run
and "reached" lines stay out of what scripts/test picks from CTest's log.
"""
import os
import re
import subprocess
import sys

RUN = "random-1@60"
FRAMES = "12"

# Each FULL_PASS_BREAK kind: the reason its run line and the summary must name, and what that
# reason prints besides, which must show up where that kind failed the run and nowhere else.
KINDS = {
    "console": ("console", RUN + " (as the game draws): pass 3: console: ERROR"),
    "pictures": ("pictures", RUN + ": pass 3 differs: 1 of "),
    "coverage": ("coverage", RUN + " (as the game draws): pass " + FRAMES + ": the run no longer reaches what it is for"),
    "exposed": ("exposed, not drawn again",
                RUN + ": pass 3: as the game draws, no picture was presented since the window was exposed"),
    "no-picture": ("pass without a picture", RUN + ": pass 3: the side drawn in full presented no picture"),
}


def play(check, broken):
    env = dict(os.environ, FULL_PASS_FRAMES=FRAMES)
    env.pop("FULL_PASS_BREAK", None)
    env.pop("FULL_PASS_SEED", None)
    if broken:
        env["FULL_PASS_BREAK"] = broken
    result = subprocess.run([check, RUN], env=env, capture_output=True, text=True, timeout=120)
    return result.returncode, result.stdout, result.stderr


def faults(broken, status, out):
    """What is wrong with the report of a run broken for `broken` (None: not broken)."""
    wrong = []
    lines = out.splitlines()
    runLines = [m.group(1) for m in (re.match(re.escape(RUN) + r" +\d+ passes +[\d.]+ s  (.*)$", l) for l in lines) if m]
    summary = lines[-1] if lines else ""
    if broken:
        reason = KINDS[broken][0]
        verdict = "FAILED (" + reason + ")"
        expectedSummary = "full_pass_check: 1 of 1 runs failed: " + RUN + " (" + reason + ")"
        expectedStatus = 1
    else:
        verdict = "same"
        expectedSummary = "full_pass_check: 0 of 1 runs failed (every pass the same as drawn in full)"
        expectedStatus = 0
    if status != expectedStatus:
        wrong.append("exit status %d, not %d" % (status, expectedStatus))
    if runLines != [verdict]:
        wrong.append("run line%s %r, not one ending in %r" % ("" if len(runLines) == 1 else "s", runLines, verdict))
    if summary != expectedSummary:
        wrong.append("last line %r, not %r" % (summary, expectedSummary))
    for kind, (_, detail) in KINDS.items():
        said = any(detail in l for l in lines)
        if said != (kind == broken):
            wrong.append(("no line with %r" if kind == broken else "a line with %r") % detail)
    return wrong


def main():
    check = sys.argv[1]
    failed = 0
    cases = list(KINDS) + [None]
    for broken in cases:
        status, out, err = play(check, broken)
        wrong = faults(broken, status, out)
        name = "FULL_PASS_BREAK=" + broken if broken else "unbroken"
        if wrong:
            failed += 1
            print("%s: WRONG: %s" % (name, "; ".join(wrong)))
            for line in (out + err).splitlines():
                print("    | " + line)
        else:
            print("%s: reported as it should be" % name)
    print("full_pass_report: %d of %d cases wrong" % (failed, len(cases)))
    return 1 if failed else 0


if __name__ == "__main__":
    sys.exit(main())
