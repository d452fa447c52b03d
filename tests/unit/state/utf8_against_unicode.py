"""The console's quoting and the settings reader's line cut, over every code point and over the
malformed forms of UTF-8, against answers from outside the game: Python's Unicode tables
(unicodedata) for which characters are written out, and its UTF-8 codec for what is well-formed
and where a character begins and ends.

  utf8_against_unicode.py PATH_OF_utf8_probe

The quoting writes out as \\xHH each byte of a character of the general categories Cc, Cf, Zl,
Zp and Zs (but the space U+0020) and each byte of no well-formed UTF-8, a line feed as \\n and a
backslash as \\\\. A code point unassigned in this Python's tables (Cn) may go either way: the
game's table may come from a later version of Unicode. A cut after n bytes leaves out the bytes
at the end of the first n that begin a well-formed character without completing it, and nothing
else."""

import struct
import subprocess
import sys
import unicodedata

WRITTEN_OUT = {"Cc", "Cf", "Zl", "Zp"}
MAX_REPORTED = 12  # of each check


def pack(texts):
    return b"".join(struct.pack("<I", len(t)) + t for t in texts)


def unpack(data):
    answers, at = [], 0
    while at < len(data):
        (length,) = struct.unpack_from("<I", data, at)
        answers.append(data[at + 4:at + 4 + length])
        at += 4 + length
    return answers


def probe(path, mode, texts):
    done = subprocess.run([path, mode], input=pack(texts), stdout=subprocess.PIPE, stderr=subprocess.PIPE)
    if done.returncode != 0:
        sys.exit("utf8_probe %s ended with status %d:\n%s" % (mode, done.returncode,
                                                            done.stderr.decode(errors="replace")))
    answers = unpack(done.stdout)
    if len(answers) != len(texts):
        sys.exit("utf8_probe %s gave %d answers for %d texts" % (mode, len(answers), len(texts)))
    return answers


def written(ch):
    return "".join("\\x%02X" % b for b in ch.encode("utf-8", "surrogateescape"))


def quoted(text, unassigned_written):
    """The text as the console must show it; unassigned code points raw or written out."""
    pieces = []
    for ch in text.decode("utf-8", "surrogateescape"):
        if ch == "\n":
            pieces.append("\\n")
        elif ch == "\\":
            pieces.append("\\\\")
        elif 0xDC80 <= ord(ch) <= 0xDCFF:  # a byte the decoder found no part of a character
            pieces.append(written(ch))
        else:
            category = unicodedata.category(ch)
            hidden = category in WRITTEN_OUT or (category == "Zs" and ch != " ")
            pieces.append(written(ch) if hidden or (category == "Cn" and unassigned_written) else ch)
    return "".join(pieces).encode("utf-8", "surrogateescape")


def every_code_point():
    return [chr(c) for c in range(0x110000) if not 0xD800 <= c <= 0xDFFF]


def malformed_forms():
    """Texts of malformed UTF-8 (and, among them, the well-formed ones of the same shapes)."""
    continuation = range(0x80, 0xC0)
    other = [b for b in range(0x100) if b not in continuation]
    texts = [bytes([b]) for b in range(0x80, 0x100)]  # stray continuation bytes, lone lead bytes
    # A lead byte, or a byte that begins nothing, and every byte after it: missing and wrong
    # continuations, every overlong two-byte form (C0, C1), the first two bytes of every overlong
    # three- and four-byte form (E0 80-9F, F0 80-8F), of every surrogate (ED A0-BF) and of every
    # form past U+10FFFF (F4 90-BF, F5-FF).
    texts += [bytes([lead, b]) for lead in range(0xC0, 0x100) for b in range(0x100)]
    # Every three-byte form (overlong, surrogate or not), and the first three bytes of every
    # four-byte form of a lead F0 to F7.
    texts += [bytes([lead, b, c]) for lead in range(0xE0, 0xF8) for b in continuation for c in continuation]
    # Every overlong four-byte form, and forms past U+10FFFF.
    texts += [bytes([0xF0, b, c, d]) for b in range(0x80, 0x90) for c in continuation for d in continuation]
    texts += [bytes([lead, b, c, d]) for lead in range(0xF4, 0xF8) for b in continuation
              for c in (0x80, 0xBF) for d in (0x80, 0xBF) if lead > 0xF4 or b >= 0x90]
    # A wrong third or fourth byte after a well-formed start.
    for lead, low, high in ((0xE0, 0xA0, 0xBF), (0xE1, 0x80, 0xBF), (0xED, 0x80, 0x9F), (0xEF, 0x80, 0xBF),
                            (0xF0, 0x90, 0xBF), (0xF3, 0x80, 0xBF), (0xF4, 0x80, 0x8F)):
        for second in (low, high):
            texts += [bytes([lead, second, b]) for b in other]
            if lead >= 0xF0:
                texts += [bytes([lead, second, third, b]) for third in (0x80, 0xBF) for b in other]
    # Stray continuation bytes after whole characters, and starts that another start cuts short.
    for character in ("A", "\u00e9", "\u07ff", "\u20ac", "\U0001F600", "\U0010FFFD"):
        encoded = character.encode()
        texts += [encoded + b"\x80" * n for n in range(1, 5)]
        texts += [encoded[:n] + encoded for n in range(1, len(encoded))]
    return texts


def check_quoting(path, failures):
    characters = every_code_point()
    texts = [c.encode() for c in characters] + malformed_forms()
    answers = probe(path, "quote", texts)
    for text, got in zip(texts, answers):
        expected = quoted(text, False)
        if got != expected and got != quoted(text, True):
            failures.append("quoting %s: expected %s, the console showed %s" % (
                describe(text), ascii(expected.decode("utf-8", "surrogateescape")),
                ascii(got.decode("utf-8", "surrogateescape"))))
    # Each character is quoted alike wherever it stands: all of them in one text.
    (together,) = probe(path, "quote", [b"".join(texts[:len(characters)])])
    if together != b"".join(answers[:len(characters)]):
        failures.append("quoting every code point in one text differs from quoting each alone")


def check_cut(path, failures):
    # Where a well-formed text may be cut: after a character's last byte. A cut after k of its L
    # bytes leaves those k out.
    characters = every_code_point()
    encoded = [c.encode() for c in characters]
    left_out = {1: "0", 2: "10", 3: "120", 4: "1230"}
    (got,) = probe(path, "cut", [b"".join(encoded)])
    expected = "".join(left_out[len(e)] for e in encoded).encode()
    if got != expected:
        at = 0
        for character, e in zip(characters, encoded):
            if got[at:at + len(e)] != expected[at:at + len(e)]:
                failures.append("cut in %s, after each of its bytes: expected %s left out, got %s" % (
                    describe(e), expected[at:at + len(e)].decode(), got[at:at + len(e)].decode(errors="replace")))
            at += len(e)
    # In malformed text only what begins a well-formed character is left out: the first 1 to 3
    # bytes of some character's encoding, at the end of the bytes kept.
    starts = {e[:k] for e in encoded for k in range(1, len(e))}
    texts = malformed_forms()
    for text, got in zip(texts, probe(path, "cut", texts)):
        expected = "".join(next((str(k) for k in (1, 2, 3) if n >= k and text[n - k:n] in starts), "0")
                           for n in range(1, len(text) + 1)).encode()
        if got != expected:
            failures.append("cut in %s, after each of its bytes: expected %s left out, got %s" % (
                describe(text), expected.decode(), got.decode(errors="replace")))


def describe(text):
    try:
        decoded = text.decode("utf-8")
    except UnicodeDecodeError:
        return "the bytes " + " ".join("%02X" % b for b in text)
    return " ".join("U+%04X (%s)" % (ord(c), unicodedata.category(c)) for c in decoded)


def main():
    if len(sys.argv) != 2:
        sys.exit(__doc__)
    print("Unicode %s of Python %s" % (unicodedata.unidata_version, sys.version.split()[0]))
    failed = False
    for check in (check_quoting, check_cut):
        failures = []
        check(sys.argv[1], failures)
        for failure in failures[:MAX_REPORTED]:
            print(failure)
        if len(failures) > MAX_REPORTED:
            print("... and %d more" % (len(failures) - MAX_REPORTED))
        failed = failed or bool(failures)
    if failed:
        sys.exit(1)
    print("every code point and every malformed form quoted and cut as expected")


if __name__ == "__main__":
    main()
