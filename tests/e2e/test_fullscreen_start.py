"""Started in full screen with a window size other than the monitor's: the title screen covers
the whole screen from the start, and after Enter back to the smaller window the keys still
reach it (Escape quits)."""

from harness import run_test, running_game
from screens_support import TITLE_CLEAR, Reference, shows

SCREEN = (640, 360)


def scenario(build_dir):
    settings = {"window": {"fullscreen": "true", "width": "320", "height": "180"},
                "debug": {"skipIntro": "false"}}
    with running_game(build_dir, SCREEN, settings=settings) as game:
        game.find_window(timeout=120)
        game.wait_for_screen(shows(Reference("title.dds", *SCREEN), TITLE_CLEAR), timeout=120,
                             what="the title screen over the whole screen")
        game.key("Return")
        game.quit_with_escape("Escape after leaving full screen")


if __name__ == "__main__":
    run_test(scenario)
