"""Runs the frame benchmark and the running game under Mesa's own frame counter and prints one
table of figures. It measures; it never judges speed. Started by scripts/bench (which builds the
release tree first and provides the X server):

    /usr/bin/python3 tests/bench/run_bench.py BUILD_DIR [--hud | --no-hud] [--frames N]
                                                        [--pause SECONDS] [--hud-seconds SECONDS]

Sections:
  frame_bench   the real scene at 640x360 and 1280x720, with 2 rasterizer threads and with every
                usable core, the thief standing, walking towards the mirror cube and walking
                beyond it facing away: frames per second (pipelined),
                per-pass milliseconds (each pass finished before the next), heap allocations per
                frame; and the pause screen's share of a core on the real frame loop.
  running game  build/quarvelline in a throw-away tree, read through GALLIUM_HUD=fps with
                GALLIUM_HUD_DUMP_DIR (one frames-per-second figure a second), standing and walking
                (W and S held in turn, as a player would), at both sizes.

Exit status 0 when every section ran, 1 when one could not run (its figures are missing)."""

import os
import statistics
import subprocess
import sys
import tempfile
import time

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, os.path.join(os.path.dirname(HERE), "e2e"))

from harness import Failure, Game, Tree, Xvfb  # noqa: E402

SIZES = [(640, 360), (1280, 720)]


def usable_cores():
    return len(os.sched_getaffinity(0))


def cpu_model():
    try:
        with open("/proc/cpuinfo") as f:
            for line in f:
                if line.startswith("model name"):
                    return line.split(":", 1)[1].strip()
    except OSError:
        pass
    return "unknown CPU"


class Display:
    """The X server the figures are taken on: the one in DISPLAY (scripts/bench runs this under
    xvfb-run), or a private one."""

    def __init__(self):
        self.own = None
        if os.environ.get("DISPLAY"):
            self.display = os.environ["DISPLAY"]
        else:
            self.own = Xvfb(1920, 1080)
            self.display = self.own.display

    def close(self):
        if self.own:
            self.own.close()


def run_frame_bench(build_dir, display, width, height, threads, frames, pause):
    env = dict(os.environ, DISPLAY=display, LP_NUM_THREADS=str(threads), ALSOFT_DRIVERS="null")
    proc = subprocess.run([os.path.join(build_dir, "frame_bench"), str(width), str(height), str(frames),
                           "--pause", str(pause), "--kv"],
                          env=env, capture_output=True, text=True, timeout=600)
    values = {}
    notes = []
    for line in proc.stdout.splitlines():
        key, _, value = line.partition(" ")
        if line.startswith("  ") or not value:
            notes.append(line.strip())
        else:
            values[key] = value
    if proc.returncode != 0 or "standing.fps" not in values:
        raise Failure("frame_bench %dx%d with %s threads failed (status %d):\n%s%s"
                      % (width, height, threads, proc.returncode, proc.stdout, proc.stderr[-2000:]))
    return values, notes


def number(values, key, scale=1.0):
    try:
        return float(values[key]) * scale
    except (KeyError, ValueError):
        return None


def cell(value, width, digits=1):
    if value is None:
        return "-".rjust(width)
    return ("%.*f" % (digits, value)).rjust(width)


def frame_tables(results, frames, pause):
    lines = []
    lines.append("Frame benchmark: the real scene, 4x MSAA, one fixed step of 1/60 s a frame, %d frames a series."
                 % frames)
    lines.append("  fps and 'pipelined' from frames with one glFinish after the swap; the passes from frames that"
                 " finish each pass (glFinish), taken in turn with them over the same stretch; medians in ms.")
    lines.append("  Heap allocations per frame over the pipelined frames: 'new' = operator new (the game and C++"
                 " libraries), 'malloc' = C allocations (the OpenGL driver), by thread.")
    lines.append("")
    header = ("size      LP_NUM_THREADS  player    |   fps  pipelined |  update  capture  frame-pass   swap  separated"
              " |    new  new-bytes  malloc-main  malloc-other")
    lines.append(header)
    lines.append("-" * len(header))
    for (width, height, threads_label), values in results:
        for posture in ("standing", "walking", "away"):
            p = posture + "."
            row = "%-9s %-15s %-9s | %s %s | %s %s %s %s %s | %s %s %s %s" % (
                "%dx%d" % (width, height), threads_label, posture,
                cell(number(values, p + "fps"), 5), cell(number(values, p + "pipelined"), 10),
                cell(number(values, p + "update"), 7), cell(number(values, p + "capture"), 8),
                cell(number(values, p + "frame"), 11), cell(number(values, p + "swap"), 6),
                cell(number(values, p + "separated"), 10),
                cell(number(values, p + "new"), 6), cell(number(values, p + "new_bytes"), 10, 0),
                cell(number(values, p + "malloc_main"), 12), cell(number(values, p + "malloc_other"), 13))
            lines.append(row)
    walks = ["%dx%d/%s: %s units, %s of %d frames in the band%s" % (
                 w, h, t, values.get("walking.distance", "?"), values.get("walking.band_frames", "?"), 2 * frames,
                 " (FELL: not a walk)" if values.get("walking.fell") == "1" else "")
             for (w, h, t), values in results]
    lines.append("  walking: to and fro on the start platform towards the mirror cube, from the start to 5 units"
                 " before it; the band is 3 to 10 units from it (the light and the sky change there): "
                 + "; ".join(walks))
    aways = ["%dx%d/%s: %s units%s" % (w, h, t, values.get("away.distance", "?"),
                                        " (FELL: not a walk)" if values.get("away.fell") == "1" else "")
             for (w, h, t), values in results]
    lines.append("  away: to and fro 5 to 9.5 units beyond the mirror cube, facing away from it: " + "; ".join(aways))
    if pause > 0:
        lines.append("")
        lines.append("Pause screen: the real frame loop and clock, %.1f s after the clean frame and the snapshot." % pause)
        header = ("size      LP_NUM_THREADS  |   passes/s  main thread %core  process %core |    new/pass"
                  "     malloc-main/pass     malloc-other/pass")
        lines.append(header)
        lines.append("-" * len(header))
        for (width, height, threads_label), values in results:
            lines.append("%-9s %-15s | %s %s %s | %s %s %s" % (
                "%dx%d" % (width, height), threads_label,
                cell(number(values, "pause.passes_per_second"), 10),
                cell(number(values, "pause.main_thread_cpu", 100.0), 18, 0),
                cell(number(values, "pause.process_cpu", 100.0), 13, 0),
                cell(number(values, "pause.new"), 11), cell(number(values, "pause.malloc_main"), 20),
                cell(number(values, "pause.malloc_other"), 21)))
    return lines


def hud_lines_since(path, start):
    try:
        with open(path) as f:
            figures = [float(v) for v in f.read().split()]
    except (OSError, ValueError):
        return []
    return figures[start:]


def dump_count(path):
    return len(hud_lines_since(path, 0))


def game_frame_showing(game, width, height):
    """The evening sky of the start above the course, with the loading picture gone from it
    (the loading image is dark blue there); the window sits at the screen's top-left corner."""
    shot = game.screenshot()
    r, _, b = shot.region_mean(0, 0, width, height // 6)
    return r >= 140 and r - b >= 70


def measure_running_game(build_dir, display, width, height, seconds):
    """Mesa's frames-per-second figures of the real game, standing, then walking."""
    dump_dir = tempfile.mkdtemp(prefix="qv-bench-hud-")
    dump = os.path.join(dump_dir, "fps")
    tree = Tree(build_dir, settings={"window": {"width": str(width), "height": str(height)},
                                     "game": {"timeLimit": "900"}, "debug": {"skipIntro": "true"}})
    game = None
    try:
        env = {"GALLIUM_HUD": "fps", "GALLIUM_HUD_DUMP_DIR": dump_dir, "GALLIUM_HUD_PERIOD": "1",
               "GALLIUM_HUD_VISIBLE": "false", "LP_NUM_THREADS": game_threads()}
        game = Game(tree, type("X", (), {"display": display})(), env=env)
        game.find_window()
        # Start-up and the loading picture's fade count for nothing: wait for the game frame,
        # then two more figures.
        deadline = time.time() + 90
        while not game_frame_showing(game, width, height):
            if time.time() > deadline or game.proc.poll() is not None:
                raise Failure("the game frame did not show within 90 s:\n" + "\n".join(game.lines[-20:]))
            time.sleep(0.5)
        settled = dump_count(dump) + 2
        while dump_count(dump) < settled and time.time() < deadline + 10:
            time.sleep(0.2)

        start = dump_count(dump)
        time.sleep(seconds)
        standing = hud_lines_since(dump, start)[:int(seconds)]

        # To and fro: forward longer than back, so the thief never backs off the platform's
        # back edge (3 units behind the start); forward, the mirror cube stops him. (The sky
        # test above cannot tell a fall: near the origin the light turns the sky blue.)
        start = dump_count(dump)
        end = time.time() + seconds
        while time.time() < end:
            for key, hold in (("w", 1.0), ("s", 0.7)):
                game.key_down(key)
                time.sleep(hold)
                game.key_up(key)
        walking = hud_lines_since(dump, start)[:int(seconds)]

        game.key("Escape")
        try:
            game.wait_exit(30)
        except Failure:
            pass
        return standing, walking
    finally:
        if game:
            game.kill()
        tree.remove()
        for name in os.listdir(dump_dir):
            os.remove(os.path.join(dump_dir, name))
        os.rmdir(dump_dir)


def game_threads():
    """The rasterizer threads of the running game: as set, else one per usable core (llvmpipe's
    own choice, also under taskset; named here so the table says it)."""
    return os.environ.get("LP_NUM_THREADS") or str(usable_cores())


def hud_table(rows, seconds):
    lines = ["Running game (build/quarvelline, LP_NUM_THREADS=%s): Mesa's counter, GALLIUM_HUD=fps with"
             " GALLIUM_HUD_DUMP_DIR, one figure a second over %d s."
             % (game_threads(), seconds)]
    header = "size      player    | median fps    min    max  figures"
    lines.append(header)
    lines.append("-" * len(header))
    for (width, height), posture, figures in rows:
        if figures:
            lines.append("%-9s %-9s | %s %s %s %8d" % ("%dx%d" % (width, height), posture,
                                                      cell(statistics.median(figures), 10),
                                                      cell(min(figures), 6), cell(max(figures), 6), len(figures)))
        else:
            lines.append("%-9s %-9s | %10s" % ("%dx%d" % (width, height), posture, "no figures"))
    return lines


def main(argv):
    if len(argv) < 2:
        print(__doc__)
        return 2
    build_dir = os.path.abspath(argv[1])
    options = argv[2:]
    frames, pause, hud_seconds = 40, 2.5, 10
    want_frames, want_hud = True, True
    i = 0
    while i < len(options):
        option = options[i]
        if option == "--hud":
            want_frames = False
        elif option == "--no-hud":
            want_hud = False
        elif option in ("--frames", "--pause", "--hud-seconds") and i + 1 < len(options):
            i += 1
            if option == "--frames":
                frames = int(options[i])
            elif option == "--pause":
                pause = float(options[i])
            else:
                hud_seconds = int(options[i])
        else:
            print("run_bench: unknown option %s" % option)
            return 2
        i += 1

    started = time.time()
    cores = usable_cores()
    print("Machine: %d usable cores of %d (%s), load average %.1f %.1f %.1f"
          % ((cores, os.cpu_count(), cpu_model()) + os.getloadavg()))
    print("")
    sys.stdout.flush()
    problems = []
    display = Display()
    try:
        if want_frames:
            # Two rasterizer threads, and one per usable core (llvmpipe's default).
            thread_counts = [(2, "2 (all)")] if cores <= 2 else [(2, "2"), (cores, "%d (all)" % cores)]
            results = []
            for width, height in SIZES:
                for threads, label in thread_counts:
                    try:
                        values, notes = run_frame_bench(build_dir, display.display, width, height, threads, frames,
                                                        pause)
                        for note in notes:
                            print("  %dx%d/%s: %s" % (width, height, label, note))
                        results.append(((width, height, label), values))
                    except (Failure, subprocess.TimeoutExpired, OSError) as e:
                        problems.append(str(e))
                        results.append(((width, height, label), {}))
            renderer = next((v.get("renderer") for _, v in results if v.get("renderer")), "unknown")
            print("Renderer: %s" % renderer)
            print("\n".join(frame_tables(results, frames, pause)))
            print("")
            sys.stdout.flush()
        if want_hud:
            rows = []
            for width, height in SIZES:
                try:
                    standing, walking = measure_running_game(build_dir, display.display, width, height,
                                                             hud_seconds)
                    rows.append(((width, height), "standing", standing))
                    rows.append(((width, height), "walking", walking))
                except (Failure, subprocess.SubprocessError, OSError) as e:
                    problems.append("running game %dx%d: %s" % (width, height, e))
                    rows.append(((width, height), "standing", []))
                    rows.append(((width, height), "walking", []))
            print("\n".join(hud_table(rows, hud_seconds)))
            print("")
    finally:
        display.close()

    for problem in problems:
        print("NOT MEASURED: %s" % problem)
    print("Took %.0f s." % (time.time() - started))
    return 1 if problems else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
