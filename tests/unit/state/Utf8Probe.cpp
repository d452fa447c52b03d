// Runs the console's quoting or the line cut on texts read from standard input, for a checker
// that knows the answers from elsewhere (utf8_against_unicode.py). Each text, in and out, is
// its length in four bytes, least significant first, then its bytes. For each text in, one out:
//   utf8_probe quote   the text as the console shows it
//   utf8_probe cut     for each n from 1 to the text's length, how many of its first n bytes a
//                      line cut after n bytes leaves out, as one digit
#include <cstring>
#include <iostream>
#include <iterator>
#include <string>

#include "state/Utf8.h"

int main(int argc, char** argv) {
    const bool quote = argc == 2 && std::strcmp(argv[1], "quote") == 0;
    if (!quote && !(argc == 2 && std::strcmp(argv[1], "cut") == 0)) {
        std::cerr << "usage: utf8_probe quote|cut < texts\n";
        return 2;
    }
    std::ios::sync_with_stdio(false);
    const std::string input((std::istreambuf_iterator<char>(std::cin)), std::istreambuf_iterator<char>());
    std::string out;
    for (std::size_t at = 0; at < input.size();) {
        if (input.size() - at < 4) {
            std::cerr << "utf8_probe: a length cut short\n";
            return 2;
        }
        std::size_t length = 0;
        for (int i = 3; i >= 0; --i) {
            length = (length << 8) | static_cast<unsigned char>(input[at + static_cast<std::size_t>(i)]);
        }
        at += 4;
        if (input.size() - at < length) {
            std::cerr << "utf8_probe: a text cut short\n";
            return 2;
        }
        const std::string text = input.substr(at, length);
        at += length;
        std::string answer;
        if (quote) {
            answer = printable(text);
        } else {
            for (std::size_t kept = 1; kept <= text.size(); ++kept) {
                answer += static_cast<char>('0' + (kept - cutAtWholeCharacter(text.data(), kept)));
            }
        }
        for (int i = 0; i < 4; ++i) {
            out += static_cast<char>((answer.size() >> (8 * i)) & 0xFF);
        }
        out += answer;
    }
    std::cout << out;
    return std::cout.flush() ? 0 : 1;
}
