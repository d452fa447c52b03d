#pragma once
#include <cstddef>
#include <string>

// The running executable's full path, read from the kernel's /proc/self/exe link.
// The path must fit a buffer of kExecutablePathBufferSize narrow characters; a path that
// fills the whole buffer may have been cut, so it counts as a failure.
constexpr std::size_t kExecutablePathBufferSize = 1337;

// Reads the target of a symbolic link into the fixed buffer. Returns false when the link
// cannot be read or when its target fills the whole buffer; `out` is untouched then.
bool readLinkIntoPathBuffer(const char* linkPath, std::string& out);

// readLinkIntoPathBuffer on /proc/self/exe.
bool readExecutablePath(std::string& out);
