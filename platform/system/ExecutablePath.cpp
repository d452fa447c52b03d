#include "platform/system/ExecutablePath.h"

#include <unistd.h>

bool readLinkIntoPathBuffer(const char* linkPath, std::string& out) {
    char buffer[kExecutablePathBufferSize];
    const ssize_t length = readlink(linkPath, buffer, sizeof buffer);
    // readlink does not terminate the text; a full buffer means the path may have been cut.
    if (length <= 0 || static_cast<std::size_t>(length) >= sizeof buffer) {
        return false;
    }
    out.assign(buffer, static_cast<std::size_t>(length));
    return true;
}

bool readExecutablePath(std::string& out) { return readLinkIntoPathBuffer("/proc/self/exe", out); }
