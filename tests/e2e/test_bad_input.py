"""Missing settings file: the message and the defaults. Missing shader file: the message and exit
status 1, without hanging on a closed standard input, with the sound device closed. Window sizes
no window can have and a number with text after it: one line each, the defaults, and the game
runs. A window that cannot be made: its own message and exit status 1. Started from a directory
without "../assets/": one line saying so, no line for the textures the asset search found, and the
game still runs."""

import os
import re

from harness import check, run_test, running_game


def missing_settings(build_dir):
    with running_game(build_dir, (1280, 1024), write_settings_file=False) as game:
        game.wait_for_line(r"^ERROR: Failed to load '\.\./assets/settings\.ini' \(not found\)\. "
                           r"Using default values instead\.$",
                           timeout=60)
        game.wait_for_line(r"^Setting window size to provided values of 1280:768$", timeout=60)
        game.wait_for_line(r"GAME INIT DONE", timeout=120)
        game.find_window("QUARVELLINE", timeout=60)
        game.close_window()
        game.expect_exit(0, 60, "closing the window")


def remove_sky_shader(tree):
    os.remove(os.path.join(tree.assets, "shaders", "SkyboxShader", "skyboxShader.frag"))


def missing_shader(build_dir):
    # Standard input is /dev/null: the fatal wait must not hang.
    with running_game(build_dir, (1280, 720), prepare=remove_sky_shader, copy_shaders=True) as game:
        game.wait_for_line(r"^Could not find shader file: \.\./assets/shaders/SkyboxShader/skyboxShader\.frag$",
                           timeout=120)
        game.expect_exit(1, 30, "the missing shader")
        check(not any("GAME INIT DONE" in l for l in game.lines), "start-up went on after the fatal error")
        # Standard error is part of the transcript: the sound library complains of an open device.
        check(not any("device not closed" in l for l in game.lines),
              "the sound device was left open:\n" + "\n".join(game.lines[-5:]))


def impossible_window_sizes(build_dir):
    settings = {"window": {"width": "99999999", "height": "-5"}, "game": {"timeLimit": "1e30"}}
    with running_game(build_dir, (1280, 1024), settings=settings) as game:
        for name, value, default in (("width", "99999999", 1280), ("height", "-5", 768), ("timeLimit", "1e30", 90)):
            game.wait_for_line(r"^ERROR: Bad value '%s' for '%s' in '\.\./assets/settings\.ini' \(.*\)\. "
                               r"Using default value %d instead\.$" % (re.escape(value), name, default), timeout=60)
        game.wait_for_line(r"^Setting window size to provided values of 1280:768$", timeout=60)
        game.wait_for_line(r"GAME INIT DONE", timeout=120)
        game.find_window("QUARVELLINE", timeout=60)
        game.close_window()
        game.expect_exit(0, 60, "closing the window")
        check(not any("No asset folder" in l or "OpenGL Error" in l for l in game.lines),
              "unexpected complaint:\n" + "\n".join(game.lines))


def window_not_created(build_dir):
    # Mesa offers no OpenGL 4.3 context under this override, so no window can be made.
    with running_game(build_dir, (640, 360), env={"MESA_GL_VERSION_OVERRIDE": "3.3"}) as game:
        game.wait_for_line(r"^ERROR: Failed to create window$", timeout=60)
        game.expect_exit(1, 30, "the window that could not be made")
        check(not any("GLAD" in l for l in game.lines), "the loader was blamed:\n" + "\n".join(game.lines))


def started_from_elsewhere(build_dir):
    # From the tree's root, "../assets/" is the assets folder of the temporary directory: none.
    with running_game(build_dir, (640, 360), cwd=".") as game:
        looked = os.path.join(os.path.dirname(game.tree.root), "assets") + "/"
        game.wait_for_line(r"^ERROR: No asset folder at '%s': .* Start the game from its build directory, "
                           r"as scripts/play does\.$" % re.escape(looked), timeout=60)
        game.wait_for_line(r"GAME INIT DONE", timeout=120)
        game.find_window("QUARVELLINE", timeout=60)
        game.close_window()
        game.expect_exit(0, 60, "closing the window")
        # Textures are found by the asset search from the executable's directory.
        check(not any(l.startswith("File does not exist: ") for l in game.lines),
              "a texture that was found was reported missing:\n" + "\n".join(game.lines))


def scenario(build_dir):
    missing_settings(build_dir)
    missing_shader(build_dir)
    impossible_window_sizes(build_dir)
    window_not_created(build_dir)
    started_from_elsewhere(build_dir)


if __name__ == "__main__":
    run_test(scenario)
