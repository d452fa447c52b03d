#include "platform/system/FatalError.h"

#include <cstdlib>

#include "platform/system/Console.h"

void fatalError(const std::vector<std::string>& lines) {
    for (const std::string& line : lines) {
        consoleLine(line);
    }
    fatalExit();
}

void fatalError(const std::string& line) { fatalError(std::vector<std::string>{line}); }

void fatalExit() {
    waitForCharacter();
    std::exit(1);
}
