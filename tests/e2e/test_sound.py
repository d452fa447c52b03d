"""The game's sound reaches a real mix: the game runs with OpenAL Soft's wave writer as its
device; once the title screen has started (ambience with the intro narration), the recorded
mix is not silent, and closing the window ends the recording cleanly."""

import os
import shutil
import struct
import tempfile
import time

from harness import Failure, check, run_test, running_game


def read_wave_rms(path, skip_seconds=0.0):
    """RMS of the float WAV the wave writer made (its data chunk is read to the file's end)."""
    with open(path, "rb") as f:
        data = f.read()
    check(data[:4] == b"RIFF" and data[8:12] == b"WAVE", "the wave writer made no WAV file")
    at, channels, rate, bits = 12, 0, 0, 0
    while at + 8 <= len(data):
        tag, size = data[at:at + 4], struct.unpack("<I", data[at + 4:at + 8])[0]
        if tag == b"fmt ":
            channels, rate = struct.unpack("<HI", data[at + 10:at + 16])
            bits = struct.unpack("<H", data[at + 22:at + 24])[0]
        elif tag == b"data":
            check(bits == 32 and channels > 0, "unexpected WAV layout")
            body = data[at + 8:]
            count = len(body) // 4
            first = int(skip_seconds * rate) * channels
            samples = struct.unpack("<%df" % count, body[:count * 4])[first:]
            check(samples, "the recording is shorter than %.1f s" % skip_seconds)
            return (sum(s * s for s in samples) / len(samples)) ** 0.5, len(samples) / channels / rate
        at += 8 + size + (size & 1)
    raise Failure("no data chunk in the WAV file")


def scenario(build_dir):
    conf_dir = tempfile.mkdtemp(prefix="qv-e2e-sound-")
    wave = os.path.join(conf_dir, "mix.wav")
    conf = os.path.join(conf_dir, "alsoft.conf")
    with open(conf, "w") as f:
        f.write("drivers = wave\n\n[wave]\nfile = %s\n" % wave)
    try:
        with running_game(build_dir, (1280, 720), env={"ALSOFT_DRIVERS": "wave", "ALSOFT_CONF": conf},
                          settings={"debug": {"skipIntro": "false"}}) as game:
            game.wait_for_line(r"     GAME INIT DONE     ", timeout=120)
            check(not any("no sound device" in l for l in game.lines), "the wave device did not open")
            check(not any(l.startswith("Sound: could not load") for l in game.lines),
                  "a sound failed to load:\n" + "\n".join(l for l in game.lines if l.startswith("Sound:")))
            game.find_window(timeout=60)
            time.sleep(4.0)   # the title screen's ambience and narration play
            game.close_window()
            game.expect_exit(0, 60, "closing the window")
        rms, seconds = read_wave_rms(wave, skip_seconds=0.5)
        check(seconds > 2.0, "only %.1f s were recorded" % seconds)
        print("recorded %.1f s of mix, RMS %.4f" % (seconds, rms))
        check(rms > 0.005, "the mix is silent (RMS %.5f)" % rms)
    finally:
        shutil.rmtree(conf_dir, ignore_errors=True)


if __name__ == "__main__":
    run_test(scenario)
