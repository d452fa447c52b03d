#pragma once
// For death tests of the game's fatal paths, which print on standard output and then wait
// for one character on standard input: inside the dying statement, send standard output to
// standard error (which the death test matches) and make standard input empty, so the wait
// returns at once.
#include <fcntl.h>
#include <unistd.h>

#include <cstdio>

namespace testio {

inline void prepareFatalChild() {
    std::fflush(stdout);
    dup2(STDERR_FILENO, STDOUT_FILENO);
    const int empty = open("/dev/null", O_RDONLY);
    if (empty >= 0) {
        dup2(empty, STDIN_FILENO);
        close(empty);
    }
    std::clearerr(stdin);
}

}  // namespace testio
