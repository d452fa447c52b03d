"""Missing settings file: the message and the defaults. Missing shader file: the message and exit
status 1, without hanging on a closed standard input."""

from harness import Game, Tree, Xvfb, check, run_test
import os


def missing_settings(build_dir):
    xvfb = Xvfb(1280, 1024)
    tree = Tree(build_dir, write_settings_file=False)
    game = Game(tree, xvfb)
    try:
        game.wait_for_line(r"^ERROR: Failed to load '\.\./assets/settings\.ini'\. Using default values instead\.$",
                           timeout=60)
        game.wait_for_line(r"^Setting window size to provided values of 1280:768$", timeout=60)
        game.wait_for_line(r"GAME INIT DONE", timeout=120)
        game.find_window("QUARVELLINE", timeout=60)
        game.close_window()
        check(game.wait_exit(60) == 0, "exit status after closing")
    finally:
        game.kill()
        xvfb.close()
        tree.remove()


def missing_shader(build_dir):
    xvfb = Xvfb(1280, 720)
    tree = Tree(build_dir, copy_shaders=True)
    os.remove(os.path.join(tree.assets, "shaders", "SkyboxShader", "skyboxShader.frag"))
    game = Game(tree, xvfb)  # standard input is /dev/null: the fatal wait must not hang
    try:
        game.wait_for_line(r"^Could not find shader file: \.\./assets/shaders/SkyboxShader/skyboxShader\.frag$",
                           timeout=120)
        code = game.wait_exit(30)
        check(code == 1, "exit status %s, expected 1" % code)
        check(not any("GAME INIT DONE" in l for l in game.lines), "start-up went on after the fatal error")
    finally:
        game.kill()
        xvfb.close()
        tree.remove()


def scenario(build_dir):
    missing_settings(build_dir)
    missing_shader(build_dir)


if __name__ == "__main__":
    run_test(scenario)
