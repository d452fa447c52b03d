#include "platform/system/Console.h"

#include <cerrno>
#include <iostream>

void consoleLine(const std::string& text) { std::cout << text << std::endl; }

void consoleText(const std::string& text) { std::cout << text << std::flush; }

int waitForCharacter(std::FILE* in) {
    if (in == nullptr) {
        return EOF;
    }
    for (;;) {
        const int c = std::fgetc(in);
        // A signal may interrupt the read; anything else that gives EOF ends the wait.
        if (c == EOF && std::ferror(in) && errno == EINTR) {
            std::clearerr(in);
            continue;
        }
        return c;
    }
}
