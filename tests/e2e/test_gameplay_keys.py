"""Display keys during the game frame: M shows the mute icon in the upper right and M again
takes it away; F5 shows the frames-per-second counter ("FPS: " and the count) in the upper left
and F5 again hides it; Escape during the game frame quits with status 0."""

from harness import check, run_test, running_game
from gameplay_support import (FPS_BOX, HEIGHT, SETTINGS, WIDTH, Stamp, Steps, console_errors,
                              start_frame, wait_for_settled_start_frame)
from screens_support import orange_pixels


def scenario(build_dir):
    step = Steps()
    with running_game(build_dir, (WIDTH, HEIGHT), settings=SETTINGS) as game:
        game.find_window(timeout=120)
        mute = Stamp("mute.dds", step=1, reach=1, evenness=16)
        frame = wait_for_settled_start_frame(game)
        step("game frame")
        check(mute.absent(frame)(frame), "the mute icon shows before M")
        check(len(orange_pixels(frame, FPS_BOX)) < 10, "the frame counter shows with showFPS off")

        game.key("m")
        muted = game.wait_for_screen(mute.shown(frame), timeout=60, what="the mute icon after M")
        step("mute icon")
        x0, y0, x1, y1 = mute.box
        check(muted.mean_abs_diff(frame, 0, y1 + 4, WIDTH, HEIGHT) < 6,
              "more than the upper-right corner changed with M")
        game.key("m")
        unmuted = game.wait_for_screen(mute.absent(frame), timeout=60, what="the mute icon gone after M again")
        step("mute icon gone")
        corner = unmuted.mean_abs_diff(frame, x0 - 4, y0 - 4, x1 + 4, y1 + 4, step=1)
        check(corner < 6, "the upper-right corner did not come back after M again (%.1f)" % corner)

        game.key("F5")
        counter = game.wait_for_screen(lambda shot: len(orange_pixels(shot, FPS_BOX)) >= 40, timeout=60,
                                       what="the frames-per-second counter after F5")
        step("frames-per-second counter (%d text pixels)" % len(orange_pixels(counter, FPS_BOX)))
        game.key("F5")
        game.wait_for_screen(lambda shot: len(orange_pixels(shot, FPS_BOX)) < 10, timeout=60,
                             what="the frames-per-second counter gone after F5 again")
        step("frames-per-second counter gone")

        check(start_frame(game.screenshot()), "the game frame is gone before Escape")
        errors = console_errors(game)
        check(not errors, "error lines on the console:\n%s" % "\n".join(errors[:20]))
        game.quit_with_escape("Escape during the game frame")
        step("quit with status 0")


if __name__ == "__main__":
    run_test(scenario)
