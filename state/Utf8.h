#pragma once
// The settings file's text is UTF-8: the reader cuts long lines on whole characters, and the
// console quotes bad values without the bytes that are no text.

// How many bytes the UTF-8 character that `lead` begins takes; 0 when it begins none (ASCII, a
// continuation byte, or a byte no character begins with).
inline int utf8Length(unsigned char lead) {
    if (lead >= 0xC0 && lead <= 0xDF) {
        return 2;
    }
    if (lead >= 0xE0 && lead <= 0xEF) {
        return 3;
    }
    if (lead >= 0xF0 && lead <= 0xF7) {
        return 4;
    }
    return 0;
}
