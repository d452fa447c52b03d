"""With the intro skipped and a short time limit: the loading screen, then the game frame with
its time-left line counting down, then the time-out end screen over its clear colour; N brings
the loading screen back and Escape quits with status 0."""

from harness import check, run_test, running_game
from screens_support import (LOADING_CLEAR, TIMEOUT_CLEAR, Reference, orange_pixels, shows,
                             time_line_box)

WIDTH, HEIGHT = 640, 360
# Long enough to see the time-left line count down on a slow machine (software rendering on two
# cores manages about ten frames a second), short enough to wait for.
TIME_LIMIT = 60


def scenario(build_dir):
    with running_game(build_dir, (WIDTH, HEIGHT), settings={"game": {"timeLimit": str(TIME_LIMIT)},
                                                            "debug": {"skipIntro": "true"}}) as game:
        game.find_window(timeout=120)
        # 640 x 360 is not exactly 1280 x 720: the other variant of each image.
        loading = Reference("loading.dds", WIDTH, HEIGHT)
        failed = Reference("failed.dds", WIDTH, HEIGHT)
        box = time_line_box(WIDTH, HEIGHT)

        game.wait_for_screen(shows(loading, LOADING_CLEAR), timeout=180,
                             what="the loading screen at full opacity")

        def game_frame_with_time_line(shot):
            a, error = loading.fit(shot, LOADING_CLEAR)
            return (a < 0.3 or error > 30) and len(orange_pixels(shot, box)) >= 200

        first = game.wait_for_screen(game_frame_with_time_line, timeout=240,
                                     what="the game frame with the time-left line")
        before = orange_pixels(first, box)
        game.wait_for_screen(
            lambda shot: game_frame_with_time_line(shot) and len(orange_pixels(shot, box) ^ before) >= 20,
            timeout=30, what="the time-left line counting down")

        shot = game.wait_for_screen(shows(failed, TIMEOUT_CLEAR, min_alpha=0.97), timeout=TIME_LIMIT + 90,
                                    what="the time-out end screen with the failed image")
        transparent = failed.transparent_pixels()
        check(len(transparent) > 100, "the failed image has no transparent part to test")
        wrong = [(x, y, shot.pixel(x, y)) for x, y in transparent
                 if any(abs(shot.pixel(x, y)[k] - TIMEOUT_CLEAR[k]) > 3 for k in range(3))]
        check(not wrong, "clear colour (0.678, 0.071, 0) missing where the image is transparent, e.g. %r"
              % wrong[:5])
        check(not orange_pixels(shot, box), "the time-left line shows on the end screen")

        game.key("n")
        game.wait_for_screen(shows(loading, LOADING_CLEAR, min_alpha=0.5), timeout=60,
                             what="the loading screen after N")

        game.quit_with_escape()


if __name__ == "__main__":
    run_test(scenario)
