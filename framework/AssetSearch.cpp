#include "framework/AssetSearch.h"

#include <fstream>
#include <system_error>

#include "platform/system/Console.h"
#include "platform/system/ExecutablePath.h"
#include "platform/system/FatalError.h"

namespace {

[[noreturn]] void reportAmbiguousAsset(const std::string& relativeName, const std::vector<std::string>& candidates) {
    // The first line has no line end: the explanation follows right after the closing quote.
    consoleText("Ambiguous asset file path: '" + relativeName + "'");
    consoleLine("Found this path at multiple locations. Don't know which one shall be used. Candidates are:");
    for (const std::string& candidate : candidates) {
        consoleLine("  - " + candidate);
    }
    consoleLine("Remove all duplicates to fix this!");
    fatalExit();
}

std::string findAssetOrDie(const std::string& name, const char* message) {
    std::string path = resolveAssetPath(name);
    if (path.empty()) {
        fatalError(message + name);
    }
    return path;
}

}  // namespace

bool fileExists(const std::string& path) {
    std::error_code error;
    // Only a regular file (or a link to one) is opened: opening a directory for reading
    // succeeds on Linux, opening a FIFO waits for a writer that may never come, and a device
    // such as /dev/zero never ends.
    if (!std::filesystem::is_regular_file(path, error)) {
        return false;
    }
    std::ifstream stream(path, std::ios::in);
    return stream.good();
}

bool entryExists(const std::string& path) {
    if (path.empty()) {
        return false;
    }
    // The entry itself, not what it leads to: a symbolic link to nothing stands under the name too.
    std::error_code error;
    return std::filesystem::symlink_status(path, error).type() != std::filesystem::file_type::not_found;
}

std::string searchAssetPath(std::filesystem::path directory, const std::string& relativeName,
                            std::vector<std::string>& candidates, AssetPresence present) {
    // A trailing separator would make the parent the same directory again and count its
    // copy twice.
    if (!directory.has_filename() && directory.has_relative_path()) {
        directory = directory.parent_path();
    }

    const std::string joined = (directory / relativeName).string();
    if (present(joined)) {
        candidates.push_back(joined);
    }

    const bool isSourceRoot = fileExists((directory / "CMakeLists.txt").string());
    if (!isSourceRoot) {
        const std::filesystem::path parent = directory.parent_path();
        if (parent != directory && !parent.empty()) {
            return searchAssetPath(parent, relativeName, candidates, present);
        }
    }

    if (candidates.empty()) {
        return std::string();
    }
    if (candidates.size() == 1) {
        return candidates.front();
    }
    reportAmbiguousAsset(relativeName, candidates);
}

std::string resolveAssetPath(const std::string& relativeName, AssetPresence present) {
    std::string executable;
    if (!readExecutablePath(executable)) {
        fatalError("Error retrieving executable path on Windows!");
    }
    std::vector<std::string> candidates;
    return searchAssetPath(std::filesystem::path(executable).parent_path(), relativeName, candidates, present);
}

std::string findShaderFile(const std::string& name) { return findAssetOrDie(name, "Could not find shader file: "); }

std::string findTextureFile(const std::string& name) { return findAssetOrDie(name, "Could not find texture file: "); }
