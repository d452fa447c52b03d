"""A run from start to the fall: with the intro skipped, the loading screen, then the game frame
on the start platform; holding W walks the thief forward toward the mirror cube at the world
origin (the view changes, and the sky takes the cool tint it has near the origin); holding S
walks him backwards off the start platform's back edge, the red fall overlay comes up and the
fell end screen follows; N restarts with the loading screen and the game frame at the start
again; Escape quits with status 0."""

from harness import check, run_test, running_game
from gameplay_support import (HEIGHT, PLATFORM, SETTINGS, SKY_BAND, WIDTH, FallEndPicture, Steps,
                              console_errors, loading_reference, loading_screen, mean_color,
                              red_tinted, start_frame, wait_for_settled_start_frame)


def scenario(build_dir):
    step = Steps()
    with running_game(build_dir, (WIDTH, HEIGHT), settings=SETTINGS) as game:
        game.find_window(timeout=120)
        loading = loading_reference()
        fell = FallEndPicture()
        game.wait_for_screen(loading_screen(loading), timeout=120, what="the loading screen")
        step("loading screen")
        start = wait_for_settled_start_frame(game)
        step("game frame on the start platform")

        # Standing still, the platform stays put: only particles, the flare and the HUD move.
        still = game.screenshot()
        still_change = still.mean_abs_diff(start, *PLATFORM)
        check(still_change < 6, "the view changes with no key held (%.1f)" % still_change)

        # Walking forward: the view of the platform changes, and the player comes within ten
        # units of the origin, where the sky turns toward blue.
        sky_blue = mean_color(start, SKY_BAND)[2]

        def walked_toward_origin(shot):
            return shot.mean_abs_diff(start, *PLATFORM) >= 15 and mean_color(shot, SKY_BAND)[2] >= sky_blue + 15

        game.hold_key_until("w", walked_toward_origin, timeout=150,
                            what="the view moving forward toward the mirror cube while W is held")
        step("walked forward toward the origin")
        check(not start_frame(game.screenshot()), "the start view came back after W was released")

        # Backwards off the back edge: the red fall overlay over the frame, then the end screen.
        game.hold_key_until("s", red_tinted, timeout=180,
                            what="the red fall overlay while S walks the thief off the back edge")
        step("red fall overlay")
        game.wait_for_screen(lambda shot: fell.error(shot) <= 6.0, timeout=180,
                             what="the fell end screen (failed over red over black)")
        step("fell end screen")
        again = game.screenshot()
        check(fell.error(again) <= 6.0, "the fell end screen did not stay")

        game.key("n")
        game.wait_for_screen(loading_screen(loading), timeout=90, what="the loading screen after N")
        step("loading screen after N")
        restarted = wait_for_settled_start_frame(game, what="the game frame after the restart")
        step("game frame after the restart")
        # Back on the start platform, facing the way the run began.
        moved = restarted.mean_abs_diff(start, *PLATFORM)
        check(moved < 10, "after the restart the view differs from the start (%.1f): not back at the start" % moved)

        errors = console_errors(game)
        check(not errors, "error lines on the console:\n%s" % "\n".join(errors[:20]))

        game.quit_with_escape("Escape")
        step("quit with status 0")


if __name__ == "__main__":
    run_test(scenario)
