"""With the intro on, the narrated title screen comes first, fading in over black; the keys are
live from its first frame: N and P change nothing during the title, Escape quits with status 0."""

import time

from harness import check, run_test, running_game
from screens_support import LOADING_CLEAR, TITLE_CLEAR, Reference, shows

WIDTH, HEIGHT = 640, 360


def scenario(build_dir):
    with running_game(build_dir, (WIDTH, HEIGHT), settings={"debug": {"skipIntro": "false"}}) as game:
        game.find_window(timeout=120)
        title = Reference("title.dds", WIDTH, HEIGHT)
        loading = Reference("loading.dds", WIDTH, HEIGHT)

        # Fading in: partly there before it is whole.
        game.wait_for_screen(shows(title, TITLE_CLEAR, min_alpha=0.05, max_error=10.0), timeout=120,
                             what="the title screen fading in")
        shot = game.wait_for_screen(shows(title, TITLE_CLEAR), timeout=60, what="the whole title screen")
        a, error = loading.fit(shot, LOADING_CLEAR)
        check(a < 0.5 or error > 30, "the loading screen shows instead of the title")

        # A restart needs a finished intro and the pause needs a running game: nothing changes.
        game.key("n")
        game.key("p")
        time.sleep(1.0)
        game.wait_for_screen(shows(title, TITLE_CLEAR), timeout=10, what="the title screen after N and P")

        game.quit_with_escape("Escape during the title screen")


if __name__ == "__main__":
    run_test(scenario)
