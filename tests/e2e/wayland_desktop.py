"""The game on a Wayland desktop (a headless sway): it starts with no X display at all, shows the
title in its window, goes to full screen and back with Enter and quits with Escape; in the game
the mouse turns the camera; with vsync on, hidden on another workspace or in the scratchpad, it
ends when the compositor closes its window; started in full screen with a window size smaller
than the screen, the title fills the screen once the compositor has given the window its size.
Through sway's Xwayland (where it is installed) the full-screen start fills the screen too. At no
time does GLFW report an error, nor do the window's decorations say they have no plugin to draw
a title bar with."""

import contextlib
import shutil
import time

from gameplay_support import SETTINGS as GAME, start_frame, warm_sky
from harness import Failure, Game, Tree, check, run_test
from screens_support import TITLE_CLEAR, Reference
from wayland_support import Sway, crop

SCREEN = (1280, 720)
WINDOW = (640, 360)
TITLE = {"debug": {"skipIntro": "false"}}


def wait_for(sway, game, predicate, what, timeout=120):
    deadline = time.time() + timeout
    last = None
    while time.time() < deadline:
        check(game.proc.poll() is None, "the game exited while waiting for %s:\n%s"
              % (what, "\n".join(game.lines[-40:])))
        last = predicate()
        if last is True:
            return
        time.sleep(0.3)
    raise Failure("timed out waiting for %s (%s)" % (what, last))


def title_fills_screen(sway, game, what):
    reference = Reference("title.dds", *SCREEN)

    def predicate():
        node = sway.window()
        if not node or node.get("fullscreen_mode") != 1:
            return "the window is not full screen: %s" % (node and node.get("rect"))
        a, error = reference.fit(sway.screenshot(), TITLE_CLEAR)
        return a >= 0.9 and error <= 14.0 or "image fit a=%.2f error=%.1f" % (a, error)
    wait_for(sway, game, predicate, what)


def title_in_window(sway, game, what):
    reference = Reference("title.dds", *WINDOW)

    def predicate():
        node = sway.window()
        if not node:
            return "no window"
        rect = node["rect"]
        if node.get("fullscreen_mode") or (rect["width"], rect["height"]) != WINDOW:
            return "window %s, full screen %s" % (rect, node.get("fullscreen_mode"))
        shot = crop(sway.screenshot(), rect["x"], rect["y"], *WINDOW)
        a, error = reference.fit(shot, TITLE_CLEAR)
        return a >= 0.9 and error <= 14.0 or "image fit a=%.2f error=%.1f at %s" % (a, error, rect)
    wait_for(sway, game, predicate, what)


# GLFW's errors and the game's, and what the window's decorations say when they have no plugin
# to draw a title bar with (the window then has none where the compositor draws none).
COMPLAINTS = ("GLFW error", "ERROR", "Couldn't open plugin directory", "No plugins found")


def no_glfw_errors(game, when):
    errors = [line for line in game.lines if any(complaint in line for complaint in COMPLAINTS)]
    check(not errors, "%s the console says:\n%s" % (when, "\n".join(errors)))


@contextlib.contextmanager
def game_on_sway(build_dir, settings, xwayland=False):
    """The game in a throw-away tree on a sway of its own, with its virtual keyboard and mouse;
    through sway's Xwayland (no Wayland display named) when asked. All is gone afterwards."""
    sway = Sway(*SCREEN, xwayland=xwayland)
    tree = game = None
    try:
        env = {**sway.env, "WAYLAND_DISPLAY": None, "DISPLAY": sway.x_display()} if xwayland \
            else sway.client_env()
        sway.input()
        tree = Tree(build_dir, settings=settings)
        game = Game(tree, None, env=env)
        yield sway, game
    finally:
        if game:
            game.kill()
        sway.close()
        if tree:
            tree.remove()


def windowed(build_dir):
    with game_on_sway(build_dir, TITLE) as (sway, game):
        title_in_window(sway, game, "the title in the window")
        sway.key("Return")
        title_fills_screen(sway, game, "the title over the whole screen after Enter")
        sway.key("Return")
        title_in_window(sway, game, "the title in the window after Enter again")
        sway.key("Escape")
        game.expect_exit(0, 60, "Escape on Wayland")
        no_glfw_errors(game, "Windowed on Wayland, through full screen and back,")


def mouse_look(build_dir):
    """From the start platform the thief faces the sunset; a mouse move to the right turns the
    camera away from it, to the darker sky beside it."""
    with game_on_sway(build_dir, GAME) as (sway, game):
        def window_picture():
            node = sway.window()
            if not node:
                return None
            rect = node["rect"]
            return crop(sway.screenshot(), rect["x"], rect["y"], *WINDOW)

        def facing_sunset():
            shot = window_picture()
            return bool(shot) and start_frame(shot) or "not the game frame on the start platform"
        wait_for(sway, game, facing_sunset, "the game frame on the start platform")
        # Into the window first: the game takes the pointer (locks it) once it is over its window.
        rect = sway.window()["rect"]
        sway.place_mouse(rect["x"] + rect["width"] // 2, rect["y"] + rect["height"] // 2)
        time.sleep(0.5)
        for _ in range(20):
            sway.move_mouse(30, 0)
            time.sleep(0.05)

        def turned():
            return not warm_sky(window_picture()) or "the sky ahead is still the sunset"
        wait_for(sway, game, turned, "the camera turned away from the sunset", timeout=60)
        sway.key("Escape")
        game.expect_exit(0, 60, "Escape in the game on Wayland")
        no_glfw_errors(game, "In the game on Wayland")


def closed_while_hidden(build_dir):
    """With vsync on, as shipped, the compositor's close ends a game it does not show: one on a
    workspace not shown, and one in the scratchpad (sway's way of minimising)."""
    settings = {"window": {"vsync": "true"}, **TITLE}
    for where, hide, through_full_screen in (
            ("on another workspace", "workspace 2", False),
            ("in the scratchpad", "[pid={pid}] move scratchpad", True)):
        with game_on_sway(build_dir, settings) as (sway, game):
            title_in_window(sway, game, "the title in the window before it is hidden " + where)
            if through_full_screen:
                # Each switch sets the swap interval again.
                sway.key("Return")
                title_fills_screen(sway, game, "the title over the whole screen before the scratchpad")
                sway.key("Return")
                title_in_window(sway, game, "the title in the window again before the scratchpad")
            sway.command(hide.format(pid=game.proc.pid))

            def hidden():
                node = sway.window()
                return bool(node) and node.get("visible") is False or "the window is shown: %s" % node
            wait_for(sway, game, hidden, "the window hidden " + where, timeout=60)
            # A game that waits in its swap for a frame the compositor never asks of a hidden
            # window has stopped there by now, and would miss the close.
            time.sleep(1)
            sway.command("[pid=%d] kill" % game.proc.pid)
            game.expect_exit(0, 10, "the compositor closed the window %s" % where)
            no_glfw_errors(game, "Closed %s," % where)


def full_screen_start(build_dir, xwayland):
    settings = {"window": {"fullscreen": "true", "width": str(WINDOW[0]), "height": str(WINDOW[1])},
                **TITLE}
    where = "through Xwayland" if xwayland else "on Wayland"
    with game_on_sway(build_dir, settings, xwayland) as (sway, game):
        title_fills_screen(sway, game, "the title over the whole screen, started full screen " + where)
        sway.key("Escape")
        game.expect_exit(0, 60, "Escape in full screen " + where)
        no_glfw_errors(game, "Started full screen %s," % where)


def scenario(build_dir):
    windowed(build_dir)
    mouse_look(build_dir)
    closed_while_hidden(build_dir)
    full_screen_start(build_dir, xwayland=False)
    if shutil.which("Xwayland"):
        full_screen_start(build_dir, xwayland=True)
    else:
        print("Xwayland is not installed: the full-screen start through it is not tried")


if __name__ == "__main__":
    run_test(scenario)
