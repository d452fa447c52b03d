"""Soak: the sanitizer build of the real game under its own Xvfb at a small window, hammered with
random keys (W A S D Space P N M F1-F5 Enter) and mouse moves for about a minute, then Escape.
Passes when the game exits with status 0 and no sanitizer wrote a report.

The OpenGL driver's modules are loaded ahead of the game and so stay mapped to the end: Mesa's
loader unloads the driver when GLFW closes the display, before the leak check at exit, and the
driver's own bookkeeping, still pointed to from the unloaded module's data, would show up as leaks
whose frames no report can name. Kept mapped, that memory is reachable. The sanitizer build's
configure step finds the modules (tests/CMakeLists.txt) and CTest passes them in QV_GL_PRELOAD:
dri/swrast_dri.so on Mesa 22 (Debian 12), where nothing needs suppressing; libgallium-*.so and
libGLX_mesa.so.0 on Mesa 25 (Debian 13), whose GLX drops a list of framebuffer configurations it
builds when the window opens, and CTest passes the suppression of that one module in
QV_LSAN_SUPPRESSIONS. Every other leak fails the run, the driver's or the game's. Mesa's on-disk
shader cache is off, as in the OpenGL tests (Mesa 25 leaks inside libgallium on a cache hit).

The key sequence comes from a seed that is printed first; QV_SOAK_SEED replays it (the timing of
a replay differs, the keys do not). QV_SOAK_SECONDS shortens or lengthens the soak."""

import os
import random
import re
import time

from harness import check, run_test, running_game

SOAK_SECONDS = float(os.environ.get("QV_SOAK_SECONDS") or 60)
HELD_KEYS = ["w", "a", "s", "d"]
TAPPED_KEYS = ["space", "p", "n", "m", "F1", "F2", "F3", "F4", "F5", "Return"]
SANITIZER_REPORT = re.compile(r"ERROR: (Address|Leak)Sanitizer|runtime error:|SUMMARY: \w+Sanitizer")


def soak(build_dir):
    seed = int(os.environ.get("QV_SOAK_SEED") or random.randrange(1 << 30))
    print("soak seed %d" % seed, flush=True)
    rng = random.Random(seed)
    preload = [module for module in os.environ.get("QV_GL_PRELOAD", "").split(":") if module]
    check(preload and all(os.path.isfile(module) for module in preload),
          "no OpenGL driver module to keep loaded (QV_GL_PRELOAD is %r; run the soak through ctest in "
          "build-asan, whose configure step looks for the driver's modules)" % os.environ.get("QV_GL_PRELOAD"))
    env = {
        "ASAN_OPTIONS": "detect_leaks=1",
        "UBSAN_OPTIONS": "print_stacktrace=1",
        "LD_PRELOAD": ":".join(preload),
        "MESA_SHADER_CACHE_DISABLE": "true",
    }
    suppressions = os.environ.get("QV_LSAN_SUPPRESSIONS", "")
    if suppressions:
        check(os.path.isfile(suppressions), "no leak suppressions at %r" % suppressions)
        env["LSAN_OPTIONS"] = "suppressions=%s:print_suppressions=0" % suppressions
    settings = {"window": {"width": "320", "height": "180"}}
    # Start-up and shutdown of the sanitizer build on a busy two-core machine take long: the
    # waits are generous, and nothing below passes or fails on how fast the game is.
    with running_game(build_dir, (640, 360), env=env, settings=settings) as game:
        game.wait_for_line(r"GAME INIT DONE", timeout=600)
        game.find_window("QUARVELLINE", timeout=300)
        held = set()
        end = time.time() + SOAK_SECONDS
        while time.time() < end:
            check(game.proc.poll() is None, "the game exited during the soak:\n" + "\n".join(game.lines[-60:]))
            choice = rng.random()
            if choice < 0.2:
                game.xdotool("mousemove_relative", "--", str(rng.randint(-80, 80)), str(rng.randint(-40, 40)))
            elif choice < 0.55:
                key = rng.choice(HELD_KEYS)
                if key in held:
                    game.key_up(key)
                    held.discard(key)
                else:
                    game.key_down(key)
                    held.add(key)
            else:
                game.key(rng.choice(TAPPED_KEYS))
            time.sleep(rng.uniform(0.05, 0.4))
        for key in held:
            game.key_up(key)
        game.key("Escape")
        code = game.wait_exit(300)
        reports = [i for i, line in enumerate(game.lines) if SANITIZER_REPORT.search(line)]
        check(not reports, "sanitizer report (seed %d):\n%s"
              % (seed, "\n".join(game.lines[reports[0]:reports[0] + 80]) if reports else ""))
        check(code == 0, "exit status %s after Escape (seed %d):\n%s" % (code, seed, "\n".join(game.lines[-40:])))


if __name__ == "__main__":
    run_test(soak)
