#pragma once
// The settings file's text is UTF-8: the reader cuts long lines on whole characters, and the
// console quotes names and bad values so that a terminal shows what the file holds.
#include <cstddef>
#include <string>

// How many bytes the UTF-8 character that `lead` begins takes: 2 for C2 to DF, 3 for E0 to EF,
// 4 for F0 to F4. 0 when it begins none: ASCII, a continuation byte (80 to BF), C0 and C1 (they
// could only begin an overlong form of ASCII) and F5 to FF (past U+10FFFF, or no UTF-8 at all).
// A lead byte says nothing of what follows it: its continuation bytes may still be missing, and
// E0, ED, F0 and F4 begin some forms that are no character.
inline int utf8Length(unsigned char lead) {
    if (lead >= 0xC2 && lead <= 0xDF) {
        return 2;
    }
    if (lead >= 0xE0 && lead <= 0xEF) {
        return 3;
    }
    if (lead >= 0xF0 && lead <= 0xF4) {
        return 4;
    }
    return 0;
}

// Where to cut a line kept to its first `kept` bytes: there, or, when the kept bytes end in the
// start of a character (a lead byte and as many of its continuation bytes as may begin a
// well-formed character), at that start. Bytes that begin no character (a stray continuation
// byte, an overlong form, a surrogate, a form past U+10FFFF) are kept as they are.
std::size_t cutAtWholeCharacter(const char* line, std::size_t kept);

// The text as one console line that a terminal shows as it stands: a line feed as "\n"; a
// backslash as "\\", so that "\xHH" always stands for one byte; each byte that is no part of
// well-formed UTF-8, and each byte of a character that shows as nothing or as a blank or acts on
// the terminal or the line (consoleHides), as "\xHH". Everything else stays as it is.
std::string printable(const std::string& text);

// The characters Unicode classes as controls (Cc), format characters (Cf), line and paragraph
// separators (Zl, Zp) and spaces (Zs), but for the space U+0020 itself.
bool consoleHides(char32_t codePoint);
