"""The pause: P during the game frame shows the blurred snapshot of the frame under the pause
image (its dark, translucent panel in the middle; beside the panel the platform's edges are
smeared), and the picture holds still; P again brings the game frame back; P then N restarts
from the pause with the loading screen; Escape quits with status 0."""

from harness import check, run_test, running_game
from gameplay_support import (HEIGHT, SETTINGS, SIDE_STRIPS, WIDTH, Stamp, Steps, console_errors,
                              loading_reference, loading_screen, start_frame,
                              wait_for_settled_start_frame)


def detail(shot):
    return sum(shot.detail(*strip) for strip in SIDE_STRIPS) / len(SIDE_STRIPS)


def scenario(build_dir):
    step = Steps()
    with running_game(build_dir, (WIDTH, HEIGHT), settings=SETTINGS) as game:
        game.find_window(timeout=120)
        loading = loading_reference()
        pause = Stamp("pause.dds")
        frame = wait_for_settled_start_frame(game)
        step("game frame")
        check(pause.absent(frame)(frame), "the pause image shows before P")

        game.key("p")
        paused = game.wait_for_screen(pause.shown(frame), timeout=90,
                                      what="the pause image over the blurred frame after P")
        step("pause picture")
        check(paused.mean_abs_diff(frame) >= 10, "the pause picture hardly differs from the game frame")
        # The panel is dark and lets a little of the frame through; beside it the snapshot of
        # the frame is blurred.
        x0, y0, x1, y1 = pause.box
        panel = paused.region_mean(x0 + 40, y0 + 120, x1 - 40, y1 - 60)
        check(max(panel) < 60, "the pause panel is not dark: mean %r" % (panel,))
        sharp, blurred = detail(frame), detail(paused)
        check(blurred < 0.7 * sharp,
              "the frame under the pause image is not blurred (detail %.3f, unpaused %.3f)" % (blurred, sharp))
        later = game.screenshot()
        check(later.mean_abs_diff(paused) < 1.5, "the pause picture does not hold still")

        game.key("p")
        resumed = game.wait_for_screen(lambda shot: pause.absent(frame)(shot) and start_frame(shot),
                                       timeout=90, what="the game frame after P again")
        step("game frame after P again")
        check(detail(resumed) > 0.8 * sharp, "the resumed frame is still blurred")

        game.key("p")
        game.wait_for_screen(pause.shown(frame), timeout=90, what="the pause picture after P")
        game.key("n")
        game.wait_for_screen(loading_screen(loading), timeout=90, what="the loading screen after N in the pause")
        step("loading screen after N in the pause")
        game.wait_for_screen(start_frame, timeout=240, what="the game frame after the restart")
        step("game frame after the restart")

        errors = console_errors(game)
        check(not errors, "error lines on the console:\n%s" % "\n".join(errors[:20]))
        game.quit_with_escape("Escape")
        step("quit with status 0")


if __name__ == "__main__":
    run_test(scenario)
