"""The game starts under a real X server, prints its whole start-up transcript in order, opens its
window with the configured title, byte for byte, and shuts down with status 0 when the window is closed."""

import os
import re
import subprocess

from harness import check, run_test, running_game

HEADERS = ["QUARVELLINE", "WINDOW SETUP", "LOADING BULLET", "LOADING LEVEL", "SOUND SETUP",
           "SHADER SETUP", "GAME INIT DONE"]

SHADER_LINES = [
    "TextureShader/textureShader.vert", "TextureShader/textureShader.frag",
    "FlareShader/flareShader.vert", "FlareShader/flareShader.frag",
    "ModelShader/modelShader.vert", "ModelShader/modelShader.frag",
    "AnimationShader/animatedModelShader.vert", "AnimationShader/animatedModelShader.frag",
    "ParticleShader/particleShader.vert", "ParticleShader/particleShader.frag",
    "ParticleShader/particleShader.vert", "ParticleShader/particleShader.frag",
    "GUIShader/guiShader.vert", "GUIShader/guiShader.frag",
    "GUIShader/guiShader.vert", "GUIShader/guiShader.frag",
    "CubeMapShader/cubeMapShader.vert", "CubeMapShader/cubeMapShader.frag",
    "SkyboxShader/skyboxShader.vert", "SkyboxShader/skyboxShader.frag",
    "FreetypeShader/freetypeShader.vert", "FreetypeShader/freetypeShader.frag",
    "SceneTextureShader/sceneTextureShader.vert", "SceneTextureShader/sceneTextureShader.frag",
    "BlurShader/blurShader.vert", "BlurShader/horizontalBlurShader.frag",
    "BlurShader/blurShader.vert", "BlurShader/verticalBlurShader.frag",
]


def header_line(title):
    d = 50 - len(title)
    s = (d - 10) // 2
    return "*" * s + "     " + title + "     " + "*" * s + ("*" if d % 2 else "")


# The window's title as the settings file gives it, bytes the console would write out among them:
# a backslash, a typed "\x1B", an ESC byte, a right-to-left override and a letter of two bytes.
TITLE = "Thief Test Window \\ \\x1B \x1b[31m \u202e \u00e9".encode("utf-8")


def write_title(tree):
    path = os.path.join(tree.assets, "settings.ini")
    with open(path, "rb") as f:
        text = f.read()
    check(b"title = Thief Test Window\n" in text, "no title line to replace")
    with open(path, "wb") as f:
        f.write(text.replace(b"title = Thief Test Window\n", b"title = " + TITLE + b"\n"))


def window_title(game):
    out = subprocess.run(["xdotool", "getwindowname", game.window],
                         env={**os.environ, "DISPLAY": game.xvfb.display}, capture_output=True, timeout=20)
    return out.stdout[:-1] if out.stdout.endswith(b"\n") else out.stdout


def scenario(build_dir):
    with running_game(build_dir, (1280, 720), settings={"window": {"title": "Thief Test Window"}},
                      prepare=write_title) as game:
        game.wait_for_line(r"\*     GAME INIT DONE     \*", timeout=120)
        game.find_window(TITLE.decode("utf-8"), timeout=60)
        check(window_title(game) == TITLE, "the window's title is %r, not %r" % (window_title(game), TITLE))
        lines = list(game.lines)

        # Every header framed by star lines, in start-up order.
        positions = []
        for title in HEADERS:
            framed = header_line(title)
            check(framed in lines, "missing header %r" % framed)
            i = lines.index(framed)
            check(lines[i - 1] == "*" * 50 and lines[i + 1] == "*" * 50 and lines[i - 2] == "",
                  "header %r is not framed" % title)
            positions.append(i)
        check(positions == sorted(positions), "headers out of order: %r" % positions)

        banner = lines.index(header_line("QUARVELLINE"))
        check(lines[banner + 3] == "Framework: ", "no 'Framework: ' line after the banner")
        libraries = lines[banner + 4:banner + 13]
        check(all(l.startswith("     -> ") for l in libraries), "library list malformed: %r" % libraries)
        check(not any("PhysX" in l or "Irrklang" in l for l in libraries),
              "the banner names a library the game does not link")

        window_setup = lines[positions[1]:positions[2]]
        check("Automatic aspect ratio detection is disabled." in window_setup, "no detection line")
        check("Setting window size to provided values of 640:360" in window_setup, "no size line")
        check("Bullet successfully initialized." in lines[positions[2]:positions[3]], "physics line")
        check("Level loaded successfully." in lines[positions[3]:positions[4]], "level line")

        shader_block = [l for l in lines[positions[5]:positions[6]] if l.startswith("Read shader: ")]
        expected = ["Read shader: ../assets/shaders/" + name for name in SHADER_LINES]
        check(shader_block == expected, "shader lines differ:\n%s" % "\n".join(shader_block))
        i = positions[6]
        check(lines[i - 3] == "" and lines[i + 2] == "", "GAME INIT DONE not between empty lines")
        check(not any(l.startswith("OpenGL Error") and "High" in l for l in lines),
              "high-severity OpenGL errors during start-up")

        game.close_window()
        game.expect_exit(0, 60, "closing the window")


if __name__ == "__main__":
    run_test(scenario)
