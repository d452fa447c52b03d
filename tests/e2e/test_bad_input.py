"""Missing settings file: the message and the defaults. Missing shader file: the message and exit
status 1, without hanging on a closed standard input."""

import os

from harness import check, run_test, running_game


def missing_settings(build_dir):
    with running_game(build_dir, (1280, 1024), write_settings_file=False) as game:
        game.wait_for_line(r"^ERROR: Failed to load '\.\./assets/settings\.ini'\. Using default values instead\.$",
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


def scenario(build_dir):
    missing_settings(build_dir)
    missing_shader(build_dir)


if __name__ == "__main__":
    run_test(scenario)
