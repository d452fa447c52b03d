#pragma once
// The settings file's text is UTF-8: the reader cuts long lines on whole characters, and the
// console quotes bad values without the bytes that are no text.

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
